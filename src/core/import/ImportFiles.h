#pragma once

#include <string>
#include <vector>

#include "core/import/BulkImport.h"

namespace moxtel {

// The regular files under paths in the order given; a folder's files (recursively, links to
// folders not followed, pipes and devices passed over) sorted by path. Each file once: a file
// reached again by another path (a link, "..", a folder and a file in it) stays where it was
// first reached. A path that does not exist, cannot be read or is no regular file or folder,
// and a folder met in a walk that cannot be read, become failures with the system's reason.
std::vector<std::string> CollectImportFiles(const std::vector<std::string>& paths,
                                            std::vector<ImportFailure>& failures);

// How a file starts, read from its first bytes.
enum class FileStart { Text, Ole2, Zip };

// The container the file's first bytes announce; fails with the system's reason ("cannot read the
// file: permission denied") when it cannot be opened or read.
Result<FileStart> SniffFileStart(const std::string& path);

// False when a container is sound but holds no workbook: a ZIP package without xl/workbook.xml
// (a .docx, a plain archive) or a compound file without a Workbook or Book stream (a .doc).
// True for a workbook and for a container too damaged to tell: that is a damaged workbook.
bool ContainerMayHoldWorkbook(const std::string& path, FileStart start);

// The import's style for a reason: an English sentence of a reader starts in lower case and
// loses its final full stop ("The workbook is damaged." -> "the workbook is damaged"); the
// program's own Chinese messages stay as they are.
std::string PlainReason(std::string reason);

}  // namespace moxtel
