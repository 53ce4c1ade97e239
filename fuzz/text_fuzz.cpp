// libFuzzer target: any bytes as a delimited text export (tab or comma; UTF-8, UTF-16, GB18030).
// Read both ways a text export can be kept (a cell per field, or its lines with fields cut out when
// read), every field must be the same; also when the lines are decoded in small pieces and read
// backwards, or kept once decoded, and a refused text is refused with the same message.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/workbook/WorkbookFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto cells = moxtel::ReadTextTable(bytes, size + 1);
    auto lines = moxtel::ReadTextTable(bytes, 0);
    auto pieces = moxtel::ReadTextTable(std::string(bytes), moxtel::TextReadOptions{0, 16 + size % 7, 0});
    auto kept = moxtel::ReadTextTable(std::string(bytes), moxtel::TextReadOptions{0, 16 + size % 5, size + 1});
    if (cells.ok() != lines.ok() || cells.ok() != pieces.ok() || cells.ok() != kept.ok()) std::abort();
    if (!cells.ok()) {
        if (cells.error().message != lines.error().message || cells.error().message != pieces.error().message ||
            cells.error().message != kept.error().message)
            std::abort();
        return 0;
    }
    const auto text = [](const moxtel::SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
        const moxtel::CellValue* cell = sheet.Find(row, column);
        return cell ? std::string(cell->text) : std::string("<none>");
    };
    for (std::uint32_t row = 1; row <= 64; ++row) {
        for (std::uint32_t column = 1; column <= 8; ++column) {
            if (text(*cells, row, column) != text(*lines, row, column)) std::abort();
            if (text(*cells, 65 - row, column) != text(*pieces, 65 - row, column)) std::abort();
            if (text(*cells, row % 2 ? row : 65 - row, column) != text(*kept, row % 2 ? row : 65 - row, column))
                std::abort();
        }
    }
    return 0;
}
