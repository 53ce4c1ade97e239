#include "cli/Json.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace moxtel {
namespace {

Json Element(std::size_t i) {
    return Json::MakeObject().Add("i", static_cast<int>(i)).Add("text", "第" + std::to_string(i) + "\n\"");
}

// A document holding `count` elements in a nested array, built whole or made while written.
Json Document(std::size_t count, bool generated) {
    Json array = Json::MakeArray();
    if (!generated) {
        for (std::size_t i = 0; i < count; ++i) array.Push(Element(i));
    }
    Json list = generated ? Json(Json::Generated{count, Element}) : std::move(array);
    return Json::MakeObject().Add("before", 1.5).Add("nested", Json::MakeObject().Add("list", std::move(list))).Add(
        "after", Json::MakeArray());
}

// The same text whichever way the array is made and wherever it goes: counts around the pieces
// the stream is written in (some 64 KiB, a few hundred elements here).
TEST(Json, GeneratedArraysReadAsTheArrayTheyStandFor) {
    for (const std::size_t count : {0u, 1u, 3u, 1500u, 5000u}) {
        const std::string whole = Document(count, false).Dump();
        EXPECT_EQ(Document(count, true).Dump(), whole) << count;
        std::ostringstream streamed;
        Document(count, true).Dump(streamed);
        EXPECT_EQ(streamed.str(), whole) << count;
    }
    EXPECT_EQ(Json(Json::Generated{0, Element}).Dump(), "[]\n");
}

// Text that is not UTF-8 (a GBK file name) still gives valid UTF-8: each byte that starts no
// well-formed character becomes U+FFFD; well-formed characters pass unchanged.
TEST(Json, StringsThatAreNotUtf8BecomeValidUtf8) {
    const std::string bad = "\xEF\xBF\xBD";
    struct Case {
        std::string text;
        std::string written;
    };
    const std::vector<Case> cases{
        {"平安", "平安"},
        {"\xC6\xBD\xB0\xB2.xls", "\xC6\xBD" + bad + bad + ".xls"},  // GBK 平安: its first pair happens to be UTF-8
        {"a\x80" "b", "a" + bad + "b"},
        {"\xE5\xB9", bad + bad},                  // cut short at the end
        {"\xE5\xB9\x22", bad + bad + "\\\""},     // cut short before a quote, which is still escaped
        {"\xC0\xAF", bad + bad},                  // overlong '/'
        {"\xED\xA0\x80", bad + bad + bad},       // a surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad},  // above U+10FFFF
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xFF", bad},
    };
    for (const Case& c : cases) EXPECT_EQ(Json(c.text).Dump(), "\"" + c.written + "\"\n") << c.text;
}

// Numbers in the shortest text that reads back exactly, whatever the library would choose itself
// (its Grisu2 gives 1430.0453439999999 and "150.0"); nothing that is not a JSON number.
TEST(Json, NumbersAreShortestExactText) {
    struct Case {
        double value;
        const char* written;
    };
    const std::vector<Case> cases{
        {150, "150"},         {-0.0, "0"},           {0.1, "0.1"},         {1430.045344, "1430.045344"},
        {4290.591399999995, "4290.591399999995"},    {-1200.5, "-1200.5"}, {1e21, "1e+21"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},                {-std::numeric_limits<double>::infinity(), "null"},
    };
    for (const Case& c : cases) EXPECT_EQ(Json(c.value).Dump(), std::string(c.written) + "\n") << c.written;
    EXPECT_EQ(Json(-7).Dump(), "-7\n");
}

// What JSON requires escaped is escaped, keys included; DEL and non-ASCII pass unchanged.
TEST(Json, StringsAndKeysAreEscaped) {
    const Json doc = Json::MakeObject().Add("a\"b", "q\"\\\n\r\t\b\f\x01\x1f\x7f 岚").Add("", Json());
    EXPECT_EQ(doc.Dump(), "{\n  \"a\\\"b\": \"q\\\"\\\\\\n\\r\\t\\b\\f\\u0001\\u001f\x7f 岚\",\n  \"\": null\n}\n");
}

// Generated arrays at several places of one document, some inside elements that are themselves
// made while written, each write the elements of their own generator.
TEST(Json, EveryGeneratedArrayKeepsItsOwnElements) {
    const auto numbers = [](int base, std::size_t count) {
        return Json::Generated{count, [base](std::size_t i) { return Json(base + static_cast<int>(i)); }};
    };
    const auto whole = [](int base, std::size_t count) {
        Json array = Json::MakeArray();
        for (std::size_t i = 0; i < count; ++i) array.Push(base + static_cast<int>(i));
        return array;
    };
    const Json::Generated rows{2, [&](std::size_t i) {
        return Json::MakeObject().Add("row", static_cast<int>(i)).Add("cells", numbers(10 * static_cast<int>(i + 1), 2));
    }};
    Json inner = Json::MakeObject().Add("a", numbers(100, 3)).Add("b", numbers(200, 1));
    const Json made = Json::MakeObject().Add("x", numbers(0, 2)).Add("inner", std::move(inner)).Add("rows", rows);
    const Json copy = made;  // a copy writes the same generators

    Json wholeRows = Json::MakeArray();
    for (int i = 0; i < 2; ++i) wholeRows.Push(Json::MakeObject().Add("row", i).Add("cells", whole(10 * (i + 1), 2)));
    const Json expected = Json::MakeObject()
                              .Add("x", whole(0, 2))
                              .Add("inner", Json::MakeObject().Add("a", whole(100, 3)).Add("b", whole(200, 1)))
                              .Add("rows", std::move(wholeRows));
    EXPECT_EQ(made.Dump(), expected.Dump());
    EXPECT_EQ(copy.Dump(), expected.Dump());
    EXPECT_EQ(Json(Json::Array{Json(1), Json(Json::Object{{"k", Json("v")}})}).Dump(), "[\n  1,\n  {\n    \"k\": \"v\"\n  }\n]\n");
}

}  // namespace
}  // namespace moxtel
