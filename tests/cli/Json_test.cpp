#include "Json.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

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

}  // namespace
}  // namespace moxtel
