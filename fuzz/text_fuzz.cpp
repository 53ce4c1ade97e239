// libFuzzer target: any bytes as a delimited text export (tab or comma; UTF-8, UTF-16, GB18030).
#include <cstdint>
#include <string_view>

#include "workbook/WorkbookFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto sheet = moxtel::ReadTextTable(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!sheet) return 0;
    for (std::uint32_t row = 1; row <= 64; ++row) {
        for (std::uint32_t column = 1; column <= 8; ++column) (void)sheet->Find(row, column);
    }
    return 0;
}
