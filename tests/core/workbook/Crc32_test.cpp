#include "core/workbook/Crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>

namespace moxtel {
namespace {

std::uint32_t ZlibCrc(const std::string& bytes, std::size_t from, std::size_t size) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + from), static_cast<uInt>(size)));
}

std::string Noise(std::size_t size) {
    std::string out(size, '\0');
    std::uint32_t seed = 2463534242u;
    for (char& c : out) {
        seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc32(0, "", 0), 0u);
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    const std::string zeros(4096, '\0');
    EXPECT_EQ(Crc32(0, zeros.data(), zeros.size()), ZlibCrc(zeros, 0, zeros.size()));
}

// Every length around the 16- and 64-byte blocks, from every alignment, agrees with zlib.
TEST(Crc32, AgreesWithZlibAtEveryLengthAndAlignment) {
    const std::string bytes = Noise(4096 + 64);
    for (std::size_t from = 0; from < 16; ++from) {
        for (std::size_t size = 0; size <= 300; ++size)
            ASSERT_EQ(Crc32(0, bytes.data() + from, size), ZlibCrc(bytes, from, size)) << from << " " << size;
        for (const std::size_t size : {1023u, 1024u, 1025u, 4095u, 4096u})
            ASSERT_EQ(Crc32(0, bytes.data() + from, size), ZlibCrc(bytes, from, size)) << from << " " << size;
    }
}

// Fed in pieces of any size, as an entry inflates, it gives the value of the whole.
TEST(Crc32, PiecesGiveTheWhole) {
    const std::string bytes = Noise(1 << 20);
    const std::uint32_t whole = ZlibCrc(bytes, 0, bytes.size());
    for (const std::size_t piece : {1u, 15u, 63u, 64u, 100u, 4096u, 262144u, 1u << 20}) {
        std::uint32_t crc = 0;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            crc = Crc32(crc, bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(crc, whole) << piece;
    }
}

}  // namespace
}  // namespace moxtel
