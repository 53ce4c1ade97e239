// libFuzzer target: any bytes as a delimited text export (tab or comma; UTF-8, UTF-16, GB18030).
// Read both ways a text export can be kept (a cell per field, or its lines with fields cut out when
// read), every field must be the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "workbook/WorkbookFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto cells = moxtel::ReadTextTable(bytes, size + 1);
    auto lines = moxtel::ReadTextTable(bytes, 0);
    if (cells.ok() != lines.ok()) std::abort();
    if (!cells.ok()) return 0;
    for (std::uint32_t row = 1; row <= 64; ++row) {
        for (std::uint32_t column = 1; column <= 8; ++column) {
            const moxtel::CellValue* a = cells->Find(row, column);
            const std::string first = a ? std::string(a->text) : std::string("<none>");
            const moxtel::CellValue* b = lines->Find(row, column);
            if (first != (b ? std::string(b->text) : std::string("<none>"))) std::abort();
        }
    }
    return 0;
}
