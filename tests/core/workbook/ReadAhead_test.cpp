#include "core/workbook/ReadAhead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace moxtel {
namespace {

// A source giving text in pieces of at most `most` bytes, then failing or ending.
struct Source {
    std::string text;
    std::size_t most = 1000;
    bool failsAtEnd = false;
    std::size_t at = 0;
    std::atomic<int> callsAfterEnd{0};
    bool ended = false;

    long Read(char* buffer, std::size_t size) {
        if (ended) ++callsAfterEnd;
        const std::size_t n = std::min({size, most, text.size() - at});
        if (n == 0) {
            ended = true;
            return failsAtEnd ? -1 : 0;
        }
        text.copy(buffer, n, at);
        at += n;
        return static_cast<long>(n);
    }
};

std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return text;
}

// Every byte arrives once and in order, whatever the sizes of the pieces and of the reads, and
// the end or the failure comes after the last byte, as often as it is asked for.
TEST(ReadAhead, GivesTheSourceInOrderThenItsEndOrFailure) {
    const struct {
        std::size_t textBytes, sourceMost, pieceBytes, pieces, readBytes;
    } cases[] = {
        {0, 10, 16, 1, 8},          {1, 10, 16, 1, 8},        {100000, 1000, 4096, 4, 1},
        {100000, 1, 7, 2, 4096},    {300000, 65536, 1 << 18, 4, 100}, {50000, 333, 1000, 1, 50000},
    };
    for (const auto& c : cases) {
        for (const bool fails : {false, true}) {
            SCOPED_TRACE(std::to_string(c.textBytes) + " bytes, read by " + std::to_string(c.readBytes));
            Source source{Pattern(c.textBytes), c.sourceMost, fails};
            ReadAhead ahead([&](char* b, std::size_t n) { return source.Read(b, n); }, c.pieceBytes, c.pieces);
            std::string got;
            std::string buffer(c.readBytes, '\0');
            long n = 0;
            while ((n = ahead.Read(buffer.data(), buffer.size())) > 0) got.append(buffer.data(), static_cast<std::size_t>(n));
            EXPECT_EQ(n, fails ? -1 : 0);
            EXPECT_EQ(ahead.Read(buffer.data(), buffer.size()), n);
            EXPECT_EQ(got, source.text);
            EXPECT_EQ(source.callsAfterEnd, 0);
        }
    }
}

// A reader that stops early (a malformed sheet) ends the read-ahead at once, never hangs.
TEST(ReadAhead, ReaderThatStopsEarlyEndsItWithoutWaiting) {
    Source source{Pattern(10 << 20), 4096};
    {
        ReadAhead ahead([&](char* b, std::size_t n) { return source.Read(b, n); }, 4096, 2);
        char buffer[10];
        ASSERT_EQ(ahead.Read(buffer, sizeof buffer), 10);
    }
    EXPECT_LT(source.at, std::size_t{1} << 20);  // no more than a few pieces ahead were read
}

}  // namespace
}  // namespace moxtel
