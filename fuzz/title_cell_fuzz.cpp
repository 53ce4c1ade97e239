// libFuzzer target: any text as the title cell A1. The parts must be pieces of the title.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/stats/TitleCell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view a1(reinterpret_cast<const char*>(data), size);
    const moxtel::TitleParts parts = moxtel::ParseTitleCell(a1);
    if (parts.titleText != a1 || parts.tradeDate.size() > a1.size() || parts.stockCode.size() > a1.size())
        std::abort();
    if (a1.find(parts.tradeDate) == std::string_view::npos)
        std::abort();
    return 0;
}
