#include "core/common/TextUtil.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace moxtel {
namespace {

TEST(ParseLeadingDouble, FollowsTheAtofRule) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"10.04", 10.04}, {"  150", 150},  {"\t-2.5e2x", -250}, {"1e", 1},      {"12abc", 12},
        {"abc", 0},       {"", 0},         {"-", 0},            {".5", 0.5},    {"5.", 5},
        {"+7", 7},        {"0x1A", 0},     {"inf", 0},          {"1,234", 1},   {"３", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseLeadingDouble(c.text), c.value) << c.text;
}

// Short decimals take a shortcut that must give the very double a full parse gives: at the 15-digit
// bound where it hands over, with signs, leading zeros, a lone point, and a broad sweep of prices.
TEST(ParseLeadingDouble, ShortDecimalsMatchAFullParseBitForBit) {
    std::vector<std::string> texts = {"0.1",   "0.3",  "10.04", "-10.045", "+0.000000000000001", "123456789012345",
                                      "1234567890123456", "12345678901234567", "999999999999999.9", "0.1234567890123456",
                                      "007.50", "5.",   ".5",   "-0",     "0.00",  "9007199254740993", "1.7976931348623157"};
    std::uint64_t state = 7;
    for (int i = 0; i < 50000; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto digits = std::to_string(state >> (8 + i % 40));
        const std::size_t point = (state >> 3) % (digits.size() + 1);
        texts.push_back(digits.substr(0, point) + "." + digits.substr(point));
    }
    for (const std::string& text : texts) {
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(ParseLeadingDouble(text)), std::bit_cast<std::uint64_t>(expected)) << text;
    }
    EXPECT_TRUE(HasLeadingNumber(" -.5"));
    EXPECT_FALSE(HasLeadingNumber("-."));
    EXPECT_FALSE(HasLeadingNumber(""));
}

TEST(ParseLeadingInt, FollowsTheAtoiRuleAndSaturates) {
    EXPECT_EQ(ParseLeadingInt(" 300-500"), 300);
    EXPECT_EQ(ParseLeadingInt("-12"), -12);
    EXPECT_EQ(ParseLeadingInt("x1"), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseLeadingInt("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(ParseLeadingDigits(" 1"), 0);
    EXPECT_EQ(ParseLeadingDigits("1000+"), 1000);
}

TEST(Utf8, CountsCharactersNotBytes) {
    const std::string text = "浦发银行A";
    EXPECT_EQ(Utf8Length(text), 5u);
    EXPECT_EQ(Utf8Offset(text, 2), 6u);
    EXPECT_EQ(Utf8Offset(text, 9), text.size());
}

TEST(Utf8, EncodesEachLengthAtItsBoundaries) {
    std::string out;
    for (const char32_t cp : {0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) AppendUtf8(out, cp);
    EXPECT_EQ(out, "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}

TEST(Trim, RemovesAsciiWhiteSpaceOnly) {
    EXPECT_EQ(Trim(" \t\r\nabc \n"), "abc");
    EXPECT_EQ(Trim("\xE3\x80\x80x"), "\xE3\x80\x80x");  // an ideographic space is not ASCII white space
}

// Messages name user files, words and rows: a value is never read as a format, and a stray %
// (a percentage) is no placeholder.
TEST(FillPlaceholders, FillsInOrderAndLeavesValuesAlone) {
    const std::pair<std::string, const char*> cases[] = {
        {FillPlaceholders("文件“%s”第%d行的方向“%s”", {"a.csv", "7", "x"}), "文件“a.csv”第7行的方向“x”"},
        {FillPlaceholders("“%s”的文件名", {"100%s.csv"}), "“100%s.csv”的文件名"},
        {FillPlaceholders("5% of %s", {"b"}), "5% of b"},
        {FillPlaceholders("%s and %s", {"one"}), "one and %s"},
        {FillPlaceholders("no placeholder", {"x"}), "no placeholder"},
        {FillPlaceholders("ends in %", {"x"}), "ends in %"},
    };
    for (const auto& [filled, expected] : cases) EXPECT_EQ(filled, expected);
}

}  // namespace
}  // namespace moxtel
