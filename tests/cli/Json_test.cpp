#include "Json.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace moxtel
