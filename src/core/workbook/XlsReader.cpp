// .xls workbooks: the OLE2 compound file is opened by CompoundFile, the BIFF records are read here.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "core/workbook/BiffWorkbook.h"
#include "core/workbook/CompoundFile.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

struct WorkbookStream {
    StreamBytes bytes;
    bool book = false;  // named "Book": a BIFF5 workbook
};

// The "Workbook" stream (BIFF8), else the "Book" stream (BIFF5), names compared without case. The
// file's bytes are kept only while the stream views them; an assembled stream replaces them.
Result<WorkbookStream> ReadWorkbookStream(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return bytes.error();
    if (bytes->empty()) return Error{"The file is empty."};
    if (bytes->size() < std::size(CompoundFile::kSignature) ||
        !std::equal(std::begin(CompoundFile::kSignature), std::end(CompoundFile::kSignature), bytes->begin()))
        return Error{"The file is not an Excel 97-2003 (.xls) workbook."};

    auto file = CompoundFile::Parse(std::move(*bytes));
    if (!file) return Error{"The workbook is damaged: " + file.error().message + "."};
    WorkbookStream result;
    const CompoundFile::Entry* entry = file->FindStream("Workbook");
    if (!entry) {
        entry = file->FindStream("Book");
        result.book = entry != nullptr;
    }
    if (!entry) return Error{"The file is not an Excel workbook: it holds no workbook stream."};
    if (entry->size > file->FileSize()) return Error{"The workbook is damaged: its stream is larger than the file."};

    auto stream = std::move(*file).ReadStream(*entry);
    if (!stream)
        return Error{"The workbook is damaged or truncated: its stream cannot be read.", stream.error().message};
    result.bytes = std::move(*stream);
    return result;
}

}  // namespace

Result<SheetModel> ReadXlsWorkbook(const std::string& path) {
    auto stream = ReadWorkbookStream(path);
    if (!stream) return stream.error();
    const std::span<const std::uint8_t> bytes = stream->bytes.bytes();
    auto globals = biff::ReadGlobals(bytes, stream->book);
    if (!globals) return globals.error();
    return biff::ReadActiveSheet(bytes, *globals);
}

}  // namespace moxtel
