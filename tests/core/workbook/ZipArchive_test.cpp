#include "core/workbook/ZipArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "XlsxTestPackage.h"

namespace moxtel {
namespace {

using moxtel::testing::ZipBytes;
using moxtel::testing::ZipEnd;
using moxtel::testing::ZipPart;

class ZipArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::path(::testing::TempDir()) /
                ("zip-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    Result<ZipArchive> OpenBytes(const std::string& bytes) {
        const auto path = m_dir / "archive.zip";
        moxtel::testing::WriteFile(path, bytes);
        return ZipArchive::Open(path.string());
    }

    // The entry read whole, or the error of opening the archive or reading it.
    Result<std::string> ReadEntry(const std::string& bytes, const std::string& name) {
        Result<ZipArchive> zip = OpenBytes(bytes);
        if (!zip) return zip.error();
        const ZipEntry* entry = zip->Find(name);
        if (!entry) return Error{"no entry " + name};
        return zip->Read(*entry);
    }

    // The entry streamed in pieces of the given size.
    static Result<std::string> StreamEntry(const ZipArchive& zip, const ZipEntry& entry, std::size_t piece) {
        Result<ZipEntryStream> stream = zip.Stream(entry);
        if (!stream) return stream.error();
        std::string out;
        std::string buffer(piece, '\0');
        while (true) {
            const long n = stream->Read(buffer.data(), buffer.size());
            if (n < 0) return Error{stream->Error()};
            if (n == 0) return out;
            out.append(buffer.data(), static_cast<std::size_t>(n));
        }
    }

    std::filesystem::path m_dir;
};

// Text that deflates well but not trivially, larger than one buffer of packed input.
std::string SheetLikeText(int rows) {
    std::string text;
    for (int r = 1; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        text += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + std::to_string(r * 7919 % 10007) + "</v></c></row>";
    }
    return text;
}

TEST_F(ZipArchiveTest, ReadsStoredAndDeflatedEntriesWholeAndInPieces) {
    const std::string big = SheetLikeText(40000);  // ~2 MB, several reads of packed input
    const std::vector<ZipPart> parts = {
        {"stored.xml", "<a>stored</a>"},
        {"xl/deflated.xml", big, 0, 8},
        {"empty-stored", ""},
        {"empty-deflated", "", 0, 8},
        {"xl/folder/", ""},
    };
    auto zip = OpenBytes(ZipBytes(parts));
    ASSERT_TRUE(zip.ok()) << zip.error().message;
    EXPECT_EQ(zip->Entries().size(), parts.size());
    for (const ZipPart& part : parts) {
        if (part.name.back() == '/') continue;
        const ZipEntry* entry = zip->Find(part.name);
        ASSERT_NE(entry, nullptr) << part.name;
        EXPECT_EQ(entry->size, part.data.size());
        const auto whole = zip->Read(*entry);
        ASSERT_TRUE(whole.ok()) << part.name << ": " << whole.error().message;
        EXPECT_EQ(*whole, part.data) << part.name;
        for (const std::size_t piece : {std::size_t{1}, std::size_t{4093}, std::size_t{1} << 20}) {
            if (piece == 1 && part.data.size() > 100000) continue;
            const auto streamed = StreamEntry(*zip, *entry, piece);
            ASSERT_TRUE(streamed.ok()) << part.name << ": " << streamed.error().message;
            EXPECT_EQ(*streamed, part.data) << part.name << " in pieces of " << piece;
        }
    }
}

TEST_F(ZipArchiveTest, FindsPartsBySegmentExactNamesFirst) {
    const std::vector<ZipPart> parts = {
        {"xl/worksheets/sheet1.xml", "lower"},
        {"Docs/Read.ME", "upper"},
        {"xl/Sheet3.xml", "exact case"},
        {"xl/sheet3.xml", "other case"},
        {"empty/", ""},
        {"Other/x.xml", "in Other"},
        {"other/y.xml", "in other"},
    };
    auto zip = OpenBytes(ZipBytes(parts));
    ASSERT_TRUE(zip.ok()) << zip.error().message;
    const auto dataOf = [&](const std::string& path) -> std::string {
        const ZipEntry* entry = zip->Find(path);
        if (!entry) return "(none)";
        const auto bytes = zip->Read(*entry);
        return bytes.ok() ? *bytes : "(error)";
    };
    EXPECT_EQ(dataOf("xl/worksheets/sheet1.xml"), "lower");
    EXPECT_EQ(dataOf("XL/WORKSHEETS/SHEET1.XML"), "lower");
    EXPECT_EQ(dataOf("/xl//worksheets/sheet1.xml"), "lower");  // empty segments are skipped
    EXPECT_EQ(dataOf("docs/read.me"), "upper");
    EXPECT_EQ(dataOf("xl/sheet3.xml"), "other case");
    EXPECT_EQ(dataOf("xl/Sheet3.xml"), "exact case");
    EXPECT_EQ(dataOf("XL/SHEET3.XML"), "exact case");  // the first of the case-blind matches
    // Each segment is settled before the next: an exact folder name wins, with no way back.
    EXPECT_EQ(dataOf("other/y.xml"), "in other");
    EXPECT_EQ(dataOf("OTHER/x.xml"), "in Other");
    EXPECT_EQ(dataOf("other/x.xml"), "(none)");
    EXPECT_EQ(dataOf("xl"), "(none)");  // a folder is no part
    EXPECT_EQ(dataOf("empty"), "(none)");
    EXPECT_EQ(dataOf("xl/worksheets"), "(none)");
    EXPECT_EQ(dataOf("xl/missing.xml"), "(none)");
    EXPECT_EQ(dataOf(""), "(none)");
}

TEST_F(ZipArchiveTest, ReadsZip64SizesAndArchiveComments) {
    const std::string big = SheetLikeText(2000);
    const std::vector<ZipPart> parts = {
        {"stored64.xml", "<a>wide</a>", 0, 0, 0, 0, true},
        {"deflated64.xml", big, 0, 8, 0, 0, true},
        {"plain.xml", "<a>plain</a>"},
    };
    // A comment may itself hold the end record's signature: the record whose comment reaches the
    // end of the file exactly is the real one.
    const std::string tricky = std::string("note PK\x05\x06", 9) + std::string(30, 'x');
    const std::vector<std::pair<const char*, ZipEnd>> ends = {
        {"no comment", {}},
        {"comment", {"written by a test"}},
        {"comment holding a signature", {tricky}},
        {"longest comment", {std::string(65535, 'c')}},
        {"Zip64 end records", {"", true}},
    };
    for (const auto& [label, end] : ends) {
        const std::string bytes = ZipBytes(parts, end);
        for (const ZipPart& part : parts) {
            const auto read = ReadEntry(bytes, part.name);
            ASSERT_TRUE(read.ok()) << label << ", " << part.name << ": " << read.error().message;
            EXPECT_EQ(*read, part.data) << label << ", " << part.name;
        }
    }
}

// Offset of the n-th central directory entry of a built archive.
std::size_t DirectoryEntry(const std::string& zip, int n) {
    std::size_t at = zip.find("PK\x01\x02");
    while (n-- > 0) at = zip.find("PK\x01\x02", at + 4);
    return at;
}

void Poke32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST_F(ZipArchiveTest, DamagedArchivesAreErrorsNeverCrashes) {
    const std::string text = SheetLikeText(300);
    const std::vector<ZipPart> good = {{"a.xml", "<a/>"}, {"b.xml", text, 0, 8}};
    const std::string bytes = ZipBytes(good);
    ASSERT_TRUE(ReadEntry(bytes, "b.xml").ok());
    const std::size_t directory = DirectoryEntry(bytes, 0);
    const std::size_t endRecord = bytes.rfind("PK\x05\x06");

    const auto withPart = [&](ZipPart changed) {
        std::vector<ZipPart> parts = good;
        parts[1] = std::move(changed);
        return ZipBytes(parts);
    };
    const auto poked = [&](std::size_t at, std::uint32_t value) {
        std::string damaged = bytes;
        Poke32(damaged, at, value);
        return damaged;
    };
    std::string flipped = bytes;  // a byte in the middle of b.xml's deflated data
    flipped[DirectoryEntry(bytes, 0) / 2 + 40] ^= 0x55;
    std::string badLocal = bytes;  // b.xml's local header signature
    badLocal[bytes.find("PK\x03\x04", 4)] = 'X';
    ZipPart stored{"b.xml", text};
    stored.claimedSize = static_cast<std::uint32_t>(text.size() + 1);
    ZipPart longer{"b.xml", text, 0, 8};
    longer.claimedSize = static_cast<std::uint32_t>(text.size() - 1);
    ZipPart shorter{"b.xml", text, 0, 8};
    shorter.claimedSize = static_cast<std::uint32_t>(text.size() + 1);
    ZipPart wrongCrc{"b.xml", text, 0, 8};
    wrongCrc.crcXor = 1;
    ZipPart encrypted{"b.xml", text, 0, 8, 1};
    ZipPart bzip2{"b.xml", text, 0, 12};

    struct Case {
        const char* name;
        std::string bytes;
        const char* message;  // a part of the error expected
    };
    const std::vector<Case> cases = {
        {"empty file", "", "no end of central directory"},
        {"no end record", bytes.substr(0, endRecord), "no end of central directory"},
        {"central directory cut short", bytes.substr(0, directory + 20) + bytes.substr(endRecord), "outside the file"},
        {"directory size larger than the file", poked(endRecord + 12, 0x00FFFFFF), "outside the file"},
        {"more entries than the directory holds", poked(endRecord + 8, 0x00090009), "cut short"},
        {"split over disks", poked(endRecord + 4, 0x00010001), "disks"},
        {"Zip64 sizes without the Zip64 record", poked(endRecord + 16, 0xFFFFFFFF), "Zip64"},
        {"directory signature damaged", poked(directory, 0x12345678), "damaged"},
        {"local header offset past the end", poked(DirectoryEntry(bytes, 1) + 42, 0x7FFFFFF0), "no local header"},
        {"local header damaged", badLocal, "no local header"},
        {"packed size past the directory", poked(DirectoryEntry(bytes, 1) + 20, 0x00FFFFFF), "outside the file"},
        {"wrong CRC-32", withPart(wrongCrc), "CRC-32"},
        {"deflated data damaged", flipped, "b.xml is damaged"},
        {"stored size differs from declared", withPart(stored), "declared size"},
        {"declared size too large", withPart(shorter), "shorter than declared"},
        {"declared size too small", withPart(longer), "longer than declared"},
        {"encrypted entry", withPart(encrypted), "encrypted"},
        {"unknown method", withPart(bzip2), "method 12"},
    };
    for (const Case& c : cases) {
        const auto read = ReadEntry(c.bytes, "b.xml");
        ASSERT_FALSE(read.ok()) << c.name;
        EXPECT_NE(read.error().message.find(c.message), std::string::npos) << c.name << ": " << read.error().message;
    }
}

// Whatever byte is damaged, an entry read back is either refused or exactly what was written:
// the CRC-32 and size checks leave no way for changed bytes through.
TEST_F(ZipArchiveTest, ADamagedByteNeverYieldsOtherBytes) {
    const std::string text = SheetLikeText(60);
    const std::string bytes = ZipBytes({{"a.xml", "<a/>"}, {"b.xml", text, 0, 8}}, {"comment"});
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x21);
        const auto read = ReadEntry(damaged, "b.xml");
        if (read.ok()) {
            EXPECT_EQ(*read, text) << "byte " << at;
        }
    }
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_FALSE(ReadEntry(bytes.substr(0, size), "b.xml").ok()) << "cut to " << size;
    }
}

TEST_F(ZipArchiveTest, RefusesWhatIsNoFile) {
    EXPECT_FALSE(ZipArchive::Open((m_dir / "missing.zip").string()).ok());
    const auto folder = ZipArchive::Open(m_dir.string());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().message, "not a regular file");
}

}  // namespace
}  // namespace moxtel
