#include "common/TextUtil.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace moxtel
