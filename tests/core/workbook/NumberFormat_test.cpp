#include "core/workbook/NumberFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <iterator>
#include <limits>
#include <ostream>
#include <string>

#include "core/common/TextUtil.h"

namespace moxtel {
namespace {

struct Case {
    double value;
    const char* code;
    const char* shown;
    bool date1904 = false;
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
    return os << c.value << " under [" << c.code << "]" << (c.date1904 ? " (1904)" : "");
}

class Shows : public ::testing::TestWithParam<Case> {};

TEST_P(Shows, WhatTheSpreadsheetShows) {
    const Case& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, c.code, c.date1904), c.shown);
}

// General keeps to 11 characters (the sign aside): fewer decimals first, then scientific.
const Case kGeneral[] = {
    Case{150, "General", "150"},
    Case{10.04, "General", "10.04"},
    Case{0.1 + 0.2, "General", "0.3"},
    Case{-150, "General", "-150"},
    Case{0, "General", "0"},
    Case{1.0 / 3, "General", "0.333333333"},
    Case{-1.0 / 3, "General", "-0.333333333"},
    Case{2.0 / 3, "General", "0.666666667"},
    Case{123.456789012345, "General", "123.456789"},
    Case{1234567890.12, "General", "1234567890"},
    Case{12345678901, "General", "12345678901"},
    Case{12345678901.5, "General", "12345678902"},
    Case{123456789012, "General", "1.23457E+11"},
    Case{1234567890123, "General", "1.23457E+12"},
    Case{99999999999.5, "General", "1E+11"},
    Case{1e15, "General", "1E+15"},
    Case{1e100, "General", "1E+100"},
    Case{1.23456789e100, "General", "1.2346E+100"},
    Case{0.0001, "General", "0.0001"},
    Case{0.000123456789, "General", "0.000123457"},
    Case{0.00001, "General", "1E-05"},
    Case{0.0000999999999999, "General", "0.0001"},
    Case{1.23456789e-10, "General", "1.23457E-10"},
    Case{-2.5e-5, "General", "-2.5E-05"},
    Case{10.04, "G/通用格式", "10.04"},
    Case{10.04, "", "10.04"},
    Case{10.04, "@", "10.04"},
    Case{-7.5, "General;[Red]\\(General\\)", "(7.5)"},
};
INSTANTIATE_TEST_SUITE_P(General, Shows, ::testing::ValuesIn(kGeneral));

// Rounding works on the 15-digit decimal value, half away from zero.
const Case kFixed[] = {
    Case{10.5, "0.00", "10.50"},
    Case{2.675, "0.00", "2.68"},
    Case{1.005, "0.00", "1.01"},
    Case{-2.675, "0.00", "-2.68"},
    Case{0.5, "0", "1"},
    Case{2.5, "0", "3"},
    Case{-0.5, "0", "-1"},
    Case{-0.001, "0.00", "-0.00"},
    Case{0.12345, "0.00%", "12.35%"},
    Case{0.256, "0%", "26%"},
    Case{1234, "0", "1234"},
    Case{12, "000", "012"},
    Case{0.5, "#.00", ".50"},
    Case{5, "#.##", "5."},
    Case{5.1, "0.0#", "5.1"},
    Case{5.123, "0.0#", "5.12"},
    Case{5.1, "0.0?", "5.1 "},
    Case{0, "#,###", ""},
    Case{1e20, "0", "100000000000000000000"},
    Case{123456789012345678.0, "0", "123456789012346000"},
};
INSTANTIATE_TEST_SUITE_P(Fixed, Shows, ::testing::ValuesIn(kFixed));

const Case kThousands[] = {
    Case{1234567.891, "#,##0", "1,234,568"},
    Case{1234567.891, "#,##0.00", "1,234,567.89"},
    Case{-1234567.891, "#,##0.00", "-1,234,567.89"},
    Case{0, "#,##0", "0"},
    Case{999.5, "#,##0", "1,000"},
    Case{123, "#,##0", "123"},
    Case{5, "0,000", "0,005"},
    Case{1234567, "0,", "1235"},
    Case{1234567, "#,##0,,", "1"},
    Case{1500000, "0.0,,", "1.5"},
    Case{1500, "0,.0", "1.5"},
    Case{5, ",0", ",5"},
};
INSTANTIATE_TEST_SUITE_P(Thousands, Shows, ::testing::ValuesIn(kThousands));

const Case kScientific[] = {
    Case{12345, "0.00E+00", "1.23E+04"},    Case{0.000123, "0.00E+00", "1.23E-04"},
    Case{0.000123, "0.00E-00", "1.23E-04"}, Case{12345, "0.00E-00", "1.23E04"},
    Case{9.999, "0.00E+00", "1.00E+01"},    Case{0, "0.00E+00", "0.00E+00"},
    Case{12345, "##0.0E+0", "12.3E+3"},     Case{999960, "##0.0E+0", "1.0E+6"},
    Case{0.00123, "##0.0E+0", "1.2E-3"},    Case{12345, "00.00E+00", "12.35E+03"},
    Case{-12345, "0.0E+0", "-1.2E+4"},
};
INSTANTIATE_TEST_SUITE_P(Scientific, Shows, ::testing::ValuesIn(kScientific));

const Case kFractions[] = {
    Case{1.5, "# ?/?", "1 1/2"},     Case{0.75, "?/?", "3/4"},
    Case{3.14159, "# ?/?", "3 1/7"}, Case{3.14159, "# ?\?/?\?", "3 14/99"},
    Case{2.375, "# ?/8", "2 3/8"},   Case{1.5, "?/?", "3/2"},
    Case{5, "# ?/?", "5    "},
};
INSTANTIATE_TEST_SUITE_P(Fractions, Shows, ::testing::ValuesIn(kFractions));

// Sections: positive;negative;zero;text; the negative section shows no minus of its own.
const Case kSections[] = {
    Case{-5, "0", "-5"},
    Case{-5, "0;(0)", "(5)"},
    Case{-5, "0.00;[Red]0.00", "5.00"},
    Case{0, "0;-0;\"zero\"", "zero"},
    Case{0, "0;-0", "0"},
    Case{5, ";;;", ""},
    Case{0, "0;-0;;@", ""},
    Case{-5, "\"$\"0", "-$5"},
    Case{-5, "\"abc\"", "-abc"},
    Case{150, "[>=100]\"big\";\"small\"", "big"},
    Case{50, "[>=100]\"big\";\"small\"", "small"},
    Case{150, "[>=100]0.0;0", "150.0"},
    Case{-50, "[>=100]0.0;0", "-50"},
    Case{200, "[>100]\"A\"0;[<-100]\"B\"0;\"C\"0", "A200"},
    Case{-200, "[>100]\"A\"0;[<-100]\"B\"0;\"C\"0", "B200"},
    Case{5, "[>100]\"A\"0;[<-100]\"B\"0;\"C\"0", "C5"},
    Case{5, "[>100]0;[<-100]0", "5"},
    Case{1, "[=1]\"one\";0", "one"},
    Case{5, "[Blue][<=9]0;[Red]00", "5"},
    Case{15, "[Blue][<=9]0;[Red]00", "15"},
};
INSTANTIATE_TEST_SUITE_P(Sections, Shows, ::testing::ValuesIn(kSections));

const Case kLiteralText[] = {
    Case{5, "0\" 手\"", "5 手"},   Case{5, "0手", "5手"},
    Case{5, "\\$0", "$5"},         Case{5, "0_)", "5 "},
    Case{5, "_(0_)", " 5 "},       Case{5, "*-0", "5"},
    Case{5, "0* ", "5"},           Case{5, "[$¥-804]#,##0.00", "¥5.00"},
    Case{5, "[$-804]0.0", "5.0"},  Case{5, "[Red]0.00", "5.00"},
    Case{5, "[红色]0.00", "5.00"}, Case{5551234, "000-0000", "555-1234"},
    Case{5, "0\"E+\"0", "0E+5"},   Case{5, "\"a;b\"0", "a;b5"},
    Case{5, "0\\;", "5;"},
};
INSTANTIATE_TEST_SUITE_P(LiteralText, Shows, ::testing::ValuesIn(kLiteralText));

// Serial 45000 is 2023-03-15 (a Wednesday) in the 1900 system and 43538 in the 1904 system.
const Case kDates[] = {
    Case{45000, "yyyy-mm-dd", "2023-03-15"},
    Case{45000, "yyyy/m/d", "2023/3/15"},
    Case{45000, "yyyy\"年\"m\"月\"d\"日\"", "2023年3月15日"},
    Case{45000, "yyyy年m月d日", "2023年3月15日"},
    Case{45000, "yy.m.d", "23.3.15"},
    Case{45000, "e/m/d", "2023/3/15"},
    Case{45000, "mmm", "3月"},
    Case{45000, "mmmm", "三月"},
    Case{45000, "mmmmm", "三"},
    Case{45000, "ddd", "周三"},
    Case{45000, "dddd", "星期三"},
    Case{45000, "aaaa", "星期三"},
    Case{45000, "aaa", "三"},
    Case{45000, "[$-804]yyyy\"年\"m\"月\"d\"日\" dddd", "2023年3月15日 星期三"},
    Case{45000, "[$-F800]dddd, mmmm dd, yyyy", "2023年3月15日"},
    Case{0.3958449, "[$-F400]h:mm:ss AM/PM", "9:30:01"},
    Case{43538, "yyyy-mm-dd", "2023-03-15", true},
    Case{0, "yyyy-mm-dd", "1904-01-01", true},
    Case{0, "dddd", "星期五", true},
    Case{0, "yyyy/m/d", "1900/1/0"},
    Case{1, "yyyy-mm-dd dddd", "1900-01-01 星期日"},
    Case{59, "yyyy-mm-dd", "1900-02-28"},
    Case{60, "yyyy-mm-dd", "1900-02-29"},
    Case{61, "yyyy-mm-dd", "1900-03-01"},
    Case{61, "dddd", "星期四"},
    Case{2958465, "yyyy-mm-dd", "9999-12-31"},
    Case{2958466, "yyyy-mm-dd", "########"},
    Case{-1, "yyyy-mm-dd", "########"},
    Case{-0.5, "hh:mm:ss", "########"},
    Case{1e300, "hh:mm", "########"},
};
INSTANTIATE_TEST_SUITE_P(Dates, Shows, ::testing::ValuesIn(kDates));

// Times are rounded to the unit shown (seconds unless fractions show) and then cut.
const Case kTimes[] = {
    Case{0.3958449, "hh:mm:ss", "09:30:01"},
    Case{45000.3958449, "h:mm:ss", "9:30:01"},
    Case{0.4375, "h:mm:ss", "10:30:00"},
    Case{(10 * 3600 + 29 * 60 + 45) / 86400.0, "h:mm", "10:29"},
    Case{(23 * 3600 + 59 * 60 + 59.6) / 86400.0, "hh:mm:ss", "00:00:00"},
    Case{45000 + (23 * 3600 + 59 * 60 + 59.6) / 86400.0, "yyyy-mm-dd hh:mm:ss", "2023-03-16 00:00:00"},
    Case{(23 * 3600 + 59 * 60 + 59.6) / 86400.0, "hh:mm:ss.0", "23:59:59.6"},
    Case{1.26 / 86400, "mm:ss.0", "00:01.3"},
    Case{1.26 / 86400, "ss.00", "01.26"},
    Case{0.75, "h:mm AM/PM", "6:00 PM"},
    Case{0, "h:mm AM/PM", "12:00 AM"},
    Case{0.5, "hh:mm am/pm", "12:00 pm"},
    Case{0.75, "h:mm A/P", "6:00 P"},
    Case{0.75, "上午/下午h\"时\"mm\"分\"", "下午6时00分"},
    Case{0.25, "上午/下午h\"时\"mm\"分\"", "上午6时00分"},
    Case{0.75, "h\"时\"mm\"分\"ss\"秒\"", "18时00分00秒"},
    Case{1.5, "[h]:mm:ss", "36:00:00"},
    Case{1.0 / 24, "[mm]:ss", "60:00"},
    Case{2.0 / 86400, "[ss]", "02"},
    Case{2.0 / 86400, "[s]", "2"},
    Case{1.0 / 24 / 60, "[hh]:mm", "00:01"},
};
INSTANTIATE_TEST_SUITE_P(Times, Shows, ::testing::ValuesIn(kTimes));

// m and mm are minutes right after h or right before s, months otherwise.
const Case kMinutesOrMonths[] = {
    Case{45000 + 5.0 / 1440, "h:m", "0:5"},
    Case{45000 + 5.0 / 1440, "m:ss", "5:00"},
    Case{45000 + 5.0 / 1440, "mm", "03"},
    Case{45000 + 5.0 / 1440, "hh\"时\"mm", "00时05"},
    Case{45000 + 5.0 / 1440, "yyyy-mm-dd hh:mm", "2023-03-15 00:05"},
    Case{45000 + 5.0 / 1440, "mm/dd hh:mm", "03/15 00:05"},
    Case{45000 + 5.0 / 1440, "mm:ss", "05:00"},
};
INSTANTIATE_TEST_SUITE_P(MinutesOrMonths, Shows, ::testing::ValuesIn(kMinutesOrMonths));

// Never a crash, a loop or a thrown exception on broken codes: shown literally or dropped.
const Case kBrokenCodes[] = {
    Case{5, "0\"abc", "5\"abc"}, Case{5, "[Blu0", "[Blu5"}, Case{5, "0\\", "5"},       Case{5, "0_", "5"},
    Case{5, "0*", "5"},          Case{5, "[]0", "5"},       Case{5, "[>abc]0", "5"},   Case{5, "0;", "5"},
    Case{5, "E+0", "E+5"},       Case{5, "/0", "/5"},       Case{5, "0.0.0", "5.0.0"}, Case{5, "\xE4\xB8", "\xE4\xB8"},
};
INSTANTIATE_TEST_SUITE_P(BrokenCodes, Shows, ::testing::ValuesIn(kBrokenCodes));

TEST(NumberFormat, NonFiniteValuesShowAnErrorText) {
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN(), "0.00"), "#NUM!");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::infinity(), "General"), "#NUM!");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), "yyyy-mm-dd"), "#NUM!");
}

TEST(NumberFormat, ExtremeValuesDoNotBreakAnyKindOfCode) {
    EXPECT_EQ(FormatNumber(DBL_MAX, "0").size(), 309u);
    EXPECT_EQ(FormatNumber(1e308, "0.00%"), std::string("1").append(310, '0') + ".00%");
    EXPECT_EQ(FormatNumber(DBL_MAX, "General"), "1.7977E+308");
    EXPECT_EQ(FormatNumber(5e-324, "General"), "4.9407E-324");
    EXPECT_EQ(FormatNumber(5e-324, "0.00"), "0.00");
    EXPECT_EQ(FormatNumber(DBL_MAX, "# ?/?"), FormatNumber(DBL_MAX, "0") + "    ");
    EXPECT_EQ(FormatNumber(-DBL_MAX, "[h]:mm"), "########");
    // A fraction without a whole part whose numerator leaves the integer range, in fifteen digits.
    EXPECT_EQ(FormatNumber(514726809045705.25, "#/86666"), "44609313632755100000/86666");
    EXPECT_EQ(FormatNumber(12.5, "#/4"), "50/4");
}

TEST(NumberFormat, TextCellsUseTheTextSection) {
    EXPECT_EQ(FormatText("abc", "@"), "abc");
    EXPECT_EQ(FormatText("abc", "General"), "abc");
    EXPECT_EQ(FormatText("abc", "0.00"), "abc");
    EXPECT_EQ(FormatText("abc", "0;-0;0"), "abc");
    EXPECT_EQ(FormatText("abc", "0;-0;0;\"[\"@\"]\""), "[abc]");
    EXPECT_EQ(FormatText("abc", "0;-0;0;\"fixed\""), "fixed");
    EXPECT_EQ(FormatText("600000", "\"代码 \"@"), "代码 600000");
    EXPECT_EQ(FormatText("abc", "0.00;@_)"), "abc ");
    EXPECT_EQ(FormatText("", "@"), "");
}

TEST(NumberFormat, BuiltinTableIsTheChineseOne) {
    EXPECT_EQ(BuiltinFormatCode(0), "General");
    EXPECT_EQ(BuiltinFormatCode(2), "0.00");
    EXPECT_EQ(BuiltinFormatCode(14), "yyyy/m/d");
    EXPECT_EQ(BuiltinFormatCode(22), "yyyy/m/d h:mm");
    EXPECT_EQ(BuiltinFormatCode(31), "yyyy\"年\"m\"月\"d\"日\"");
    EXPECT_EQ(BuiltinFormatCode(34), "上午/下午h\"时\"mm\"分\"");
    EXPECT_EQ(BuiltinFormatCode(47), "mm:ss.0");
    EXPECT_EQ(BuiltinFormatCode(49), "@");
    EXPECT_EQ(BuiltinFormatCode(58), "m\"月\"d\"日\"");
    for (int id : {-1, 23, 26, 59, 164}) EXPECT_EQ(BuiltinFormatCode(id), "") << id;
    for (int id = 0; id <= 58; ++id) {
        if (id >= 23 && id <= 26) continue;
        EXPECT_FALSE(BuiltinFormatCode(id).empty()) << id;
    }
}

TEST(NumberFormat, BuiltinCodesRender) {
    const double day = 45000.3958449;  // 2023-03-15 09:30:01
    EXPECT_EQ(FormatNumber(10.5, BuiltinFormatCode(2)), "10.50");
    EXPECT_EQ(FormatNumber(1234.5, BuiltinFormatCode(3)), "1,235");
    EXPECT_EQ(FormatNumber(0.125, BuiltinFormatCode(10)), "12.50%");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(14)), "2023/3/15");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(15)), "15-3月-23");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(19)), "9:30:01 AM");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(21)), "9:30:01");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(22)), "2023/3/15 9:30");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(27)), "2023年3月");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(28)), "3月15日");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(33)), "9时30分01秒");
    EXPECT_EQ(FormatNumber(day, BuiltinFormatCode(35)), "上午9时30分01秒");
    EXPECT_EQ(FormatNumber(-1234.5, BuiltinFormatCode(37)), "(1,235)");
    EXPECT_EQ(FormatNumber(1234.5, BuiltinFormatCode(37)), "1,235 ");
    EXPECT_EQ(FormatNumber(1234.5, BuiltinFormatCode(43)), " 1,234.50 ");
    EXPECT_EQ(FormatNumber(-1234.5, BuiltinFormatCode(43)), " -1,234.50 ");
    EXPECT_EQ(FormatNumber(0, BuiltinFormatCode(43)), " -   ");
    EXPECT_EQ(FormatNumber(5, BuiltinFormatCode(44)), " ￥5.00 ");
    EXPECT_EQ(FormatNumber(1.5 / 24, BuiltinFormatCode(46)), "1:30:00");
    EXPECT_EQ(FormatNumber(1.5 / 24, BuiltinFormatCode(47)), "30:00.0");
    EXPECT_EQ(FormatNumber(12345, BuiltinFormatCode(48)), "12.3E+3");
    EXPECT_EQ(FormatNumber(1.5, BuiltinFormatCode(12)), "1 1/2");
}

// Every short code over an alphabet of the characters that steer the parser, against values that
// reach every branch: each must return without crashing or hanging (sanitizer builds check more).
TEST(NumberFormat, NoCodeBreaksTheRenderer) {
    const std::string alphabet[] = {"0",  "#", "?",     ".",         ",",       "%",   "E+",   "e-", "/", "@", "\"",
                                    "\\", "_", "*",     "[",         "]",       "[h]", "[>1]", ";",  "y", "m", "d",
                                    "h",  "s", "AM/PM", "上午/下午", "General", "a",   "$",    "-",  " ", "1", "年"};
    const double values[] = {0, -0.0, 1.5, -1.5, 0.999999, 45000.5, -45000.5, 1e20, 1e-20, 3e6};
    const std::size_t n = std::size(alphabet);
    std::size_t checked = 0;
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = 0; b < n; ++b) {
            for (std::size_t c = 0; c < n; c += 3) {
                const std::string code = alphabet[a] + alphabet[b] + alphabet[c] + alphabet[(a + b + c) % n];
                for (double v : values) {
                    const std::string shown = FormatNumber(v, code);
                    EXPECT_LT(shown.size(), 400u) << code;
                    ++checked;
                }
                EXPECT_LE(FormatText("txt", code).size(), 40u) << code;
            }
        }
    }
    EXPECT_GT(checked, 10000u);
}

}  // namespace
}  // namespace moxtel

namespace moxtel {
namespace {

// The shortcuts for the common codes must give exactly the full renderer's text: near half-way,
// at the bounds where they hand over, for negatives, huge and tiny values and whole days.
TEST(CompiledFormatShortcut, AgreesWithTheFullRenderer) {
    std::vector<double> values = {0.0,        -0.0,      0.005,      0.015,     0.125,     2.675,     1.005,
                                  10.04,      10.045,    999999999.995, 1e9,   1e9 - 0.005, 99999999999.0,
                                  1e11,       1e11 + 1,  123456789012.0, -1.0, -10.04,   -0.004,    0.49999999,
                                  0.5,        1.5,       2.5,       1e-7,      3.0000000001, 0.999999999, 1e15,
                                  0.39584490740740743, 0.99999999, 0.9999999999, 2958464.99999, 2958465.0, 59.5};
    std::uint64_t state = 42;
    for (int i = 0; i < 20000; ++i) {  // prices, lots and times as tick workbooks hold them
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double unit = static_cast<double>(state >> 11) / 9007199254740992.0;
        values.push_back(i % 4 == 0 ? unit : i % 4 == 1 ? std::round(unit * 10000) / 100 + 5
                                         : i % 4 == 2 ? std::floor(unit * 1e6) : unit * 1e10);
        values.push_back(std::round(unit * 100000) / 1000 + 0.0005);  // half-way in the third decimal
    }
    std::size_t known = 0;
    for (const char* code : {"General", "0", "0.00", "hh:mm:ss"}) {
        const CompiledFormat format(code);
        for (const double v : values) {
            for (const bool date1904 : {false, true})
                ASSERT_EQ(format.Number(v, date1904), format.FullNumber(v, date1904)) << code << " " << v;
            // The number the run reads must be bit for bit the one it would parse from the text.
            double shown = 0.0;
            if (!format.ShownNumber(v, shown)) continue;
            const std::string text = format.FullNumber(v, false);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(shown), std::bit_cast<std::uint64_t>(ParseLeadingDouble(text)))
                << code << " " << v << " " << text;
            ASSERT_TRUE(HasLeadingNumber(text)) << code << " " << v;
            ++known;
        }
    }
    EXPECT_GT(known, values.size() * 2);  // the shortcut serves most cells
    double shown = 0.0;
    for (const char* code : {"#,##0.00", "0.000", ";;;", "yyyy/m/d"}) EXPECT_FALSE(CompiledFormat(code).ShownNumber(10.5, shown)) << code;
    EXPECT_TRUE(CompiledFormat("General").ShowsTextUnchanged());
    EXPECT_FALSE(CompiledFormat("@\"x\"").ShowsTextUnchanged());
}

}  // namespace
}  // namespace moxtel
