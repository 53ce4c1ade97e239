#pragma once

#include <string>
#include <vector>

#include "import/BulkImport.h"

namespace moxtel {

// The files under paths in the order given; a folder's files (recursively) sorted by path.
// A path that does not exist becomes a failure.
std::vector<std::string> CollectImportFiles(const std::vector<std::string>& paths,
                                            std::vector<ImportFailure>& failures);

// True when the file starts like a workbook container (OLE2 compound file or ZIP package).
bool HasWorkbookSignature(const std::string& path);

}  // namespace moxtel
