// libFuzzer target: any format code with any value through the number-format renderer.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/workbook/NumberFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double)) return 0;
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    const std::string_view code(reinterpret_cast<const char*>(data) + sizeof value, size - sizeof value);
    (void)moxtel::FormatNumber(value, code, false);
    (void)moxtel::FormatNumber(value, code, true);
    (void)moxtel::FormatText(code, code);
    return 0;
}
