// libFuzzer target: any bytes as the rows of a sheet part, read by the quick row reading and by the
// XML reader alone, in pieces whose size the first byte picks. The two must leave the same cells,
// formats and failure; any difference aborts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/workbook/XlsxCells.h"
#include "core/workbook/XmlPull.h"

namespace {

struct Reading {
    std::string error;
    std::vector<std::string> cells;
    std::vector<std::string> formats;
    bool operator==(const Reading&) const = default;
};

Reading Read(const std::string& part, moxtel::xlsx::RowReading reading, std::size_t piece) {
    static const std::vector<std::string_view> strings = {"B", "S"};
    moxtel::SheetModel sheet;
    const moxtel::xlsx::FormatOfStyle formatOf = [&](std::uint64_t style) {
        return sheet.AddFormat(std::to_string(style % 64));
    };
    std::size_t at = 0;
    const moxtel::XmlSource source = [&](char* buffer, std::size_t size) -> long {
        const std::size_t n = std::min({size, piece, part.size() - at});
        std::memcpy(buffer, part.data() + at, n);
        at += n;
        return static_cast<long>(n);
    };
    const auto stream = [&](moxtel::XmlHandler& handler) { return moxtel::ReadXml(source, handler); };
    const moxtel::Status status = moxtel::xlsx::ReadSheetCells(stream, sheet, strings, formatOf, reading);
    Reading out;
    if (!status) out.error = status.error().message;
    for (const moxtel::StoredCell& cell : sheet.cells) {
        const auto kind = moxtel::SheetModel::KindOf(cell);
        const bool text = kind == moxtel::CellValue::Kind::Text || kind == moxtel::CellValue::Kind::Error;
        std::string line = std::to_string(cell.row) + ":" + std::to_string(cell.column) + ":" +
                           std::to_string(cell.formatAndKind) + ":";
        line += text ? std::string(sheet.TextOf(cell)) : std::to_string(cell.value);
        out.cells.push_back(std::move(line));
    }
    out.formats = sheet.formatCodes;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    // Markup after the rows, as every sheet has, so that the last cells are not too near the end of
    // the bytes for the quick reading of a cell.
    const std::string part = "<worksheet><sheetData>" + std::string(reinterpret_cast<const char*>(data + 1), size - 1) +
                             "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
                             "header=\"0.3\" footer=\"0.3\"/><pageSetup orientation=\"portrait\" "
                             "horizontalDpi=\"300\" verticalDpi=\"300\"/></worksheet>";
    const Reading expected = Read(part, moxtel::xlsx::RowReading::Reader, part.size() + 1);
    if (!(Read(part, moxtel::xlsx::RowReading::Quick, part.size() + 1) == expected)) std::abort();
    if (!(Read(part, moxtel::xlsx::RowReading::Quick, piece) == expected)) std::abort();
    return 0;
}
