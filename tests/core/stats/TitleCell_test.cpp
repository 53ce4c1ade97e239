#include "core/stats/TitleCell.h"

#include <gtest/gtest.h>

namespace moxtel {
namespace {

TEST(ParseTitleCell, DateAndCodeFromTheTitle) {
    const struct {
        const char* a1;
        const char* date;
        const char* code;
    } cases[] = {
        {"20000101 ABC (600000)", "20000101", "ABC(600000)"},
        {"  20000101 ABC (600000)", "20000101", "ABC(600000)"},
        {"20000101ABC(600000)", "20000101", "BC(600000)"},
        {"", "", ""},
        {"2000", "2000", ""},
        {"20000101", "20000101", ""},
        {"20000101\t\n ABC (600000)", "20000101", "ABC(600000)"},
        {"20000101 浦发银行 (600000)", "20000101", "浦发银行(600000)"},
        {"20000101浦发银行(600000)", "20000101", "发银行(600000)"},
        {"20000101 浦发银行", "20000101", "发银行"},
        {"２０００年一月一日 浦发 (600000)", "２０００年一月一", "日浦发 (600000)"},
    };
    for (const auto& c : cases) {
        const TitleParts parts = ParseTitleCell(c.a1);
        EXPECT_EQ(parts.titleText, c.a1);
        EXPECT_EQ(parts.tradeDate, c.date) << c.a1;
        EXPECT_EQ(parts.stockCode, c.code) << c.a1;
    }
}

}  // namespace
}  // namespace moxtel
