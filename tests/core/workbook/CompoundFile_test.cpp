// The compound file reader against files built here sector by sector, so that every chain, table
// and directory link can be laid out scattered or damaged on purpose.
#include "core/workbook/CompoundFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

using Bytes = std::vector<std::uint8_t>;  // zeroed when resized, unlike ByteBuffer
using EntryType = CompoundFile::EntryType;

constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSector = 0xFFFFFFFD, kDifatSector = 0xFFFFFFFC;

ByteBuffer Buffer(const Bytes& bytes) { return ByteBuffer(bytes.begin(), bytes.end()); }

void PutU16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 131 + seed * 7 + i / 251) & 0xFF);
    return data;
}

// Writes a compound file: header, then the streams' sectors, the mini stream, the mini FAT, the
// directory, the FAT and the DIFAT sectors. A scattered stream has its sectors (or mini sectors)
// chained in reverse order. After Write() the offsets of every table are known for damaging them.
class CompoundWriter {
  public:
    struct Item {
        std::u16string name;
        EntryType type;
        Bytes data;
        bool scattered;
        std::uint32_t start = kEnd;
        std::vector<std::uint32_t> sectors;  // the chain, regular or mini
    };

    explicit CompoundWriter(int version, std::uint32_t minFatSectors = 1)
        : m_version(version), m_size(version == 4 ? 4096 : 512), m_minFat(minFatSectors) {}

    CompoundWriter& Stream(std::u16string name, Bytes data, bool scattered = false) {
        m_items.push_back({std::move(name), EntryType::Stream, std::move(data), scattered, kEnd, {}});
        return *this;
    }
    CompoundWriter& Storage(std::u16string name) {
        m_items.push_back({std::move(name), EntryType::Storage, {}, false, kEnd, {}});
        return *this;
    }

    Bytes Write() {
        Bytes mini;
        std::vector<std::uint32_t> miniFat;
        for (Item& item : m_items) {
            if (item.type != EntryType::Stream || item.data.empty()) continue;
            const bool small = item.data.size() < 4096;
            const std::size_t unit = small ? 64 : m_size;
            const auto count = static_cast<std::uint32_t>((item.data.size() + unit - 1) / unit);
            const auto base = static_cast<std::uint32_t>(small ? miniFat.size() : m_fat.size());
            for (std::uint32_t i = 0; i < count; ++i)
                item.sectors.push_back(item.scattered ? base + count - 1 - i : base + i);
            std::vector<std::uint32_t>& table = small ? miniFat : m_fat;
            table.resize(base + count);
            Bytes& target = small ? mini : m_body;
            target.resize(std::size_t{base + count} * unit);
            for (std::uint32_t i = 0; i < count; ++i) {
                table[item.sectors[i]] = i + 1 < count ? item.sectors[i + 1] : kEnd;
                const std::size_t from = i * unit, length = std::min(unit, item.data.size() - from);
                std::copy_n(item.data.begin() + from, length, target.begin() + item.sectors[i] * unit);
            }
            item.start = item.sectors[0];
        }
        m_miniStreamStart = mini.empty() ? kEnd : AddRun(mini);
        m_miniStreamSize = mini.size();
        Bytes miniFatBytes(miniFat.size() * 4);
        for (std::size_t i = 0; i < miniFat.size(); ++i) PutU32(miniFatBytes, 4 * i, miniFat[i]);
        m_miniFatStart = miniFat.empty() ? kEnd : AddRun(miniFatBytes);
        m_directoryStart = AddRun(Directory());

        const std::uint32_t perFat = static_cast<std::uint32_t>(m_size / 4);
        std::uint32_t fats = m_minFat, difats = 0;
        for (;;) {
            difats = fats > 109 ? (fats - 109 + perFat - 2) / (perFat - 1) : 0;
            if (m_fat.size() + fats + difats <= std::size_t{fats} * perFat) break;
            ++fats;
        }
        m_firstFat = static_cast<std::uint32_t>(m_fat.size());
        m_firstDifat = difats ? m_firstFat + fats : kEnd;
        m_fat.resize(m_firstFat + fats, kFatSector);
        m_fat.resize(m_fat.size() + difats, kDifatSector);
        m_fat.resize(std::size_t{fats} * perFat, kFree);

        Bytes file(m_size * (1 + m_firstFat + fats + difats));
        std::copy(std::begin(CompoundFile::kSignature), std::end(CompoundFile::kSignature), file.begin());
        PutU16(file, 0x18, 0x3E);
        PutU16(file, 0x1A, static_cast<std::uint16_t>(m_version));
        PutU16(file, 0x1C, 0xFFFE);
        PutU16(file, 0x1E, m_version == 4 ? 12 : 9);
        PutU16(file, 0x20, 6);
        PutU32(file, 0x2C, fats);
        PutU32(file, 0x30, m_directoryStart);
        PutU32(file, 0x38, 4096);
        PutU32(file, 0x3C, m_miniFatStart);
        PutU32(file, 0x40, static_cast<std::uint32_t>((miniFatBytes.size() + m_size - 1) / m_size));
        PutU32(file, 0x44, m_firstDifat);
        PutU32(file, 0x48, difats);
        for (std::uint32_t i = 0; i < 109; ++i) PutU32(file, 0x4C + 4 * i, i < fats ? m_firstFat + i : kFree);
        std::copy(m_body.begin(), m_body.end(), file.begin() + m_size);
        for (std::size_t i = 0; i < m_fat.size(); ++i) PutU32(file, FatEntry(static_cast<std::uint32_t>(i)), m_fat[i]);
        for (std::uint32_t d = 0; d < difats; ++d) {
            const std::size_t at = Offset(m_firstDifat + d);
            for (std::uint32_t i = 0; i + 1 < perFat; ++i) {
                const std::uint32_t fat = 109 + d * (perFat - 1) + i;
                PutU32(file, at + 4 * i, fat < fats ? m_firstFat + fat : kFree);
            }
            PutU32(file, at + 4 * (perFat - 1), d + 1 < difats ? m_firstDifat + d + 1 : kEnd);
        }
        return file;
    }

    // Where things went, for damaging them.
    std::size_t SectorSize() const { return m_size; }
    std::size_t Offset(std::uint32_t sector) const { return (std::size_t{sector} + 1) * m_size; }
    std::size_t FatEntry(std::uint32_t sector) const {
        const std::size_t perFat = m_size / 4;
        return Offset(m_firstFat + static_cast<std::uint32_t>(sector / perFat)) + 4 * (sector % perFat);
    }
    std::size_t EntryAt(std::uint32_t id) const { return Offset(m_directoryStart) + 128 * id; }  // one run
    std::size_t MiniFatEntry(std::uint32_t mini) const { return Offset(m_miniFatStart) + 4 * mini; }
    std::uint32_t DirectoryStart() const { return m_directoryStart; }
    // The first sector after the streams' sectors and the mini stream.
    std::uint32_t FirstTable() const { return m_miniFatStart != kEnd ? m_miniFatStart : m_directoryStart; }
    const Item& At(std::size_t i) const { return m_items[i]; }

  private:
    // Appends bytes as consecutive sectors chained in order; returns the first.
    std::uint32_t AddRun(const Bytes& data) {
        const auto first = static_cast<std::uint32_t>(m_fat.size());
        const auto count = static_cast<std::uint32_t>((data.size() + m_size - 1) / m_size);
        for (std::uint32_t i = 0; i < count; ++i) m_fat.push_back(i + 1 < count ? first + i + 1 : kEnd);
        m_body.resize(m_fat.size() * m_size);
        std::copy(data.begin(), data.end(), m_body.begin() + std::size_t{first} * m_size);
        return first;
    }

    // The root entry, then the items as a balanced tree whose in-order walk is the items' order.
    Bytes Directory() const {
        const std::size_t entries = 1 + m_items.size();
        Bytes dir((entries * 128 + m_size - 1) / m_size * m_size);
        for (std::size_t id = 0; id < dir.size() / 128; ++id)
            for (const std::size_t field : {0x44, 0x48, 0x4C}) PutU32(dir, 128 * id + field, kFree);
        const auto entry = [&](std::size_t id, const std::u16string& name, EntryType type, std::uint32_t start,
                               std::uint64_t size) {
            const std::size_t at = 128 * id;
            for (std::size_t i = 0; i < name.size(); ++i) PutU16(dir, at + 2 * i, name[i]);
            PutU16(dir, at + 0x40, static_cast<std::uint16_t>(2 * name.size() + 2));
            dir[at + 0x42] = static_cast<std::uint8_t>(type);
            PutU32(dir, at + 0x74, start);
            PutU32(dir, at + 0x78, static_cast<std::uint32_t>(size));
            PutU32(dir, at + 0x7C, static_cast<std::uint32_t>(size >> 32));
        };
        entry(0, u"Root Entry", EntryType::Root, m_miniStreamStart, m_miniStreamSize);
        for (std::size_t i = 0; i < m_items.size(); ++i)
            entry(1 + i, m_items[i].name, m_items[i].type, m_items[i].start, m_items[i].data.size());
        const auto tree = [&](auto& self, std::size_t lo, std::size_t hi) -> std::uint32_t {
            if (lo >= hi) return kFree;
            const std::size_t mid = (lo + hi) / 2;
            PutU32(dir, 128 * (1 + mid) + 0x44, self(self, lo, mid));
            PutU32(dir, 128 * (1 + mid) + 0x48, self(self, mid + 1, hi));
            return static_cast<std::uint32_t>(1 + mid);
        };
        PutU32(dir, 0x4C, tree(tree, 0, m_items.size()));
        return dir;
    }

    int m_version;
    std::size_t m_size;
    std::uint32_t m_minFat;
    std::vector<Item> m_items;
    Bytes m_body;  // sectors 0, 1, ... before the FAT
    std::vector<std::uint32_t> m_fat;
    std::uint32_t m_miniStreamStart = kEnd, m_miniFatStart = kEnd, m_directoryStart = kEnd;
    std::uint64_t m_miniStreamSize = 0;
    std::uint32_t m_firstFat = 0, m_firstDifat = kEnd;
};

// "ok", or the error of the first step that failed.
std::string ReadOutcome(const Bytes& file, const char* name = "Workbook", Bytes* out = nullptr) {
    auto parsed = CompoundFile::Parse(Buffer(file));
    if (!parsed) return parsed.error().message;
    const CompoundFile::Entry* entry = parsed->FindStream(name);
    if (!entry) return "no stream";
    auto stream = parsed->ReadStream(*entry);
    if (!stream) return stream.error().message;
    if (out) out->assign(stream->bytes().begin(), stream->bytes().end());
    return "ok";
}

TEST(CompoundFile, ReadsStreamsOfEveryLayout) {
    struct Case {
        const char* what;
        std::size_t size;
        bool scattered;
        bool copied;  // consecutive sectors are viewed in place
    };
    const Case cases[] = {
        {"one sector's worth at the cutoff", 4096, false, false},
        {"many sectors in order", 70'000, false, false},
        {"sectors out of order", 70'000, true, true},
        {"a part sector at the end", 9'999, false, false},
        {"in the mini stream", 1'000, false, false},
        {"mini sectors out of order", 1'000, true, true},
        {"one byte under the cutoff", 4095, false, false},
        {"one mini sector", 1, false, false},
    };
    for (const int version : {3, 4}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", version " + std::to_string(version));
            CompoundWriter writer(version);
            const Bytes data = Pattern(c.size, 1);
            // Neighbours before and after, so that a wrong offset or a wrong chain reads their bytes.
            writer.Stream(u"Before", Pattern(c.size, 2), c.scattered).Stream(u"Workbook", data, c.scattered);
            writer.Stream(u"After", Pattern(c.size + 100, 3));
            auto file = CompoundFile::Parse(Buffer(writer.Write()));
            ASSERT_TRUE(file.ok()) << file.error().message;
            EXPECT_EQ(file->Version(), version);
            const CompoundFile::Entry* entry = file->FindStream("Workbook");
            ASSERT_NE(entry, nullptr);
            auto stream = file->ReadStream(*entry);
            ASSERT_TRUE(stream.ok()) << stream.error().message;
            EXPECT_TRUE(std::ranges::equal(stream->bytes(), data));
            EXPECT_EQ(stream->copied(), c.copied);

            // Taking the stream out of the file gives the same bytes, which outlive the file.
            StreamBytes taken;
            {
                auto consumed = std::move(*file).ReadStream(*file->FindStream("Workbook"));
                ASSERT_TRUE(consumed.ok());
                taken = std::move(*consumed);
            }
            EXPECT_TRUE(std::ranges::equal(taken.bytes(), data));
        }
    }
}

TEST(CompoundFile, EmptyStreamAndDirectoryOverSeveralSectors) {
    CompoundWriter writer(3);
    for (int i = 0; i < 30; ++i)
        writer.Stream(std::u16string{u'S', static_cast<char16_t>(u'A' + i)}, Pattern(5000 + i, i));
    writer.Stream(u"Empty", {});
    const Bytes bytes = writer.Write();
    auto file = CompoundFile::Parse(Buffer(bytes));
    ASSERT_TRUE(file.ok()) << file.error().message;
    ASSERT_EQ(file->RootChildren().size(), 31u);  // 32 entries: eight directory sectors, tree in order
    for (int i = 0; i < 30; ++i) EXPECT_EQ(file->RootChildren()[i].name[1], static_cast<char16_t>(u'A' + i));
    Bytes last;
    EXPECT_EQ(ReadOutcome(bytes, "SD", &last), "ok");
    EXPECT_EQ(last, Pattern(5003, 3));
    auto empty = file->ReadStream(*file->FindStream("empty"));
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->bytes().empty());
}

// Past 109 FAT sectors the header's list runs on in DIFAT sectors; a stream whose sectors lie
// beyond what the header's FAT sectors cover is read through them.
TEST(CompoundFile, FatListedInDifatSectors) {
    CompoundWriter writer(3);
    const Bytes tail = Pattern(6000, 5);
    writer.Stream(u"Filler", Bytes(109 * 128 * 512, 0)).Stream(u"Workbook", tail, true);
    Bytes out;
    EXPECT_EQ(ReadOutcome(writer.Write(), "Workbook", &out), "ok");
    EXPECT_EQ(out, tail);
    ASSERT_GT(writer.At(1).sectors.front(), 109u * 128);

    CompoundWriter small(3, 300);  // DIFAT sectors holding mostly unused FAT sectors
    small.Stream(u"Workbook", tail);
    EXPECT_EQ(ReadOutcome(small.Write(), "Workbook", &out), "ok");
    EXPECT_EQ(out, tail);
}

TEST(CompoundFile, FindsStreamsByNameWithoutCase) {
    CompoundWriter writer(3);
    writer.Storage(u"Workbook").Stream(u"BOOK", Pattern(10, 1)).Stream(u"wOrKbOoK", Pattern(20, 2));
    writer.Stream(u"Wörkbook", Pattern(30, 3)).Stream(u"Workbook2", Pattern(40, 4));
    auto file = CompoundFile::Parse(Buffer(writer.Write()));
    ASSERT_TRUE(file.ok()) << file.error().message;
    ASSERT_NE(file->FindStream("Workbook"), nullptr);
    EXPECT_EQ(file->FindStream("Workbook")->size, 20u);  // the storage of that name is passed over
    EXPECT_EQ(file->FindStream("book")->size, 10u);
    EXPECT_EQ(file->FindStream("Workboo"), nullptr);
    EXPECT_EQ(file->FindStream("WORKBOOK2")->size, 40u);
    EXPECT_EQ(file->FindStream("W\xC3\xB6rkbook"), nullptr);  // only ASCII is compared without case
}

// A good file with one field patched: every damage is an error, never a crash or an endless walk.
TEST(CompoundFile, RefusesDamage) {
    struct Damage {
        const char* what;
        int version;
        std::size_t streamSize;  // of "Workbook", scattered
        std::function<void(const CompoundWriter&, Bytes&)> patch;
        const char* error;  // a part of the message
    };
    const auto field = [](std::size_t at, std::uint32_t value) {
        return [=](const CompoundWriter&, Bytes& b) { PutU32(b, at, value); };
    };
    const auto fat = [](std::uint32_t sector, std::uint32_t value) {
        return [=](const CompoundWriter& w, Bytes& b) { PutU32(b, w.FatEntry(sector), value); };
    };
    const auto stream = [](const CompoundWriter& w) { return w.At(0).sectors; };
    const Damage damages[] = {
        {"header cut short", 3, 9000, [](const CompoundWriter&, Bytes& b) { b.resize(300); }, "header is truncated"},
        {"version 4 header sector cut short", 4, 9000, [](const CompoundWriter&, Bytes& b) { b.resize(3000); },
         "header is truncated"},
        {"signature", 3, 9000, [](const CompoundWriter&, Bytes& b) { b[7] = 0; }, "not a compound file"},
        {"version 5", 3, 9000, [](const CompoundWriter&, Bytes& b) { PutU16(b, 0x1A, 5); }, "not supported"},
        {"version 3 with 4096-byte sectors", 3, 9000, [](const CompoundWriter&, Bytes& b) { PutU16(b, 0x1E, 12); },
         "not supported"},
        {"sector shift 31", 4, 9000, [](const CompoundWriter&, Bytes& b) { PutU16(b, 0x1E, 31); }, "not supported"},
        {"mini sector size", 3, 9000, [](const CompoundWriter&, Bytes& b) { PutU16(b, 0x20, 12); }, "mini sector"},
        {"mini stream cutoff", 3, 9000, field(0x38, 0), "cutoff"},
        {"no FAT sector", 3, 9000, field(0x2C, 0), "no FAT"},
        {"FAT sector count", 3, 9000, field(0x2C, 0x7FFFFFFF), "FAT is larger than the file"},
        {"FAT sector index", 3, 9000, field(0x4C, 0x00FFFFFF), "FAT lies past the end"},
        {"DIFAT needed but missing", 3, 9000, field(0x2C, 110), "FAT is larger"},
        {"DIFAT chain leaves the file", 3, 9000,
         [](const CompoundWriter&, Bytes& b) {
             b.resize(b.size() + 120 * 512);  // room for 110 FAT sectors
             PutU32(b, 0x2C, 110);
             PutU32(b, 0x44, 0x0FFFFFFF);
         },
         "DIFAT chain"},
        {"directory sector past the file", 3, 9000, field(0x30, 0x00FFFFF0), "leaves the file"},
        {"directory sector free", 3, 9000, field(0x30, kFree), "broken"},
        {"directory chain loops", 3, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.FatEntry(w.DirectoryStart()), w.DirectoryStart()); },
         "loops"},
        {"root entry's type", 3, 9000, [](const CompoundWriter& w, Bytes& b) { b[w.EntryAt(0) + 0x42] = 1; },
         "no root entry"},
        {"child past the directory", 3, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(0) + 0x4C, 4); }, "past the directory"},
        {"sibling points to itself", 3, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(1) + 0x48, 1); }, "tree loops"},
        {"sibling points to the root", 3, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(1) + 0x44, 0); }, "tree loops"},
        {"stream size beyond the file", 3, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(1) + 0x78, 0xFFFFFFF0u); }, "larger than"},
        {"version 4 stream size beyond the file", 4, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(1) + 0x7C, 1); }, "larger than"},
        {"stream chain loops", 3, 9000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.FatEntry(stream(w)[5]), stream(w)[2]); }, "loops"},
        {"stream chain ends early", 3, 9000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.FatEntry(stream(w)[5]), kEnd); }, "shorter"},
        {"stream chain reaches a free sector", 4, 9000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.FatEntry(stream(w)[1]), kFree); }, "broken"},
        {"stream chain reaches a FAT sector mark", 3, 9000, fat(17, kFatSector), "broken"},
        {"stream chain leaves the file", 3, 9000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.FatEntry(stream(w)[3]), 0x00FFFFFF); },
         "leaves the file"},
        {"stream start past the file", 4, 9000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(1) + 0x74, 0x7FFFFFFF); }, "leaves the file"},
        {"mini chain loops", 3, 2000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.MiniFatEntry(stream(w)[3]), stream(w)[1]); }, "loops"},
        {"mini chain ends early", 4, 2000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.MiniFatEntry(stream(w)[3]), kEnd); }, "shorter"},
        {"mini chain leaves the mini stream", 3, 2000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.MiniFatEntry(stream(w)[3]), 40); }, "leaves the mini"},
        {"mini sector free", 3, 2000,
         [&](const CompoundWriter& w, Bytes& b) { PutU32(b, w.MiniFatEntry(stream(w)[3]), kFree); }, "leaves the mini"},
        {"mini stream larger than its sectors", 3, 2000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(0) + 0x78, 5000); }, "mini stream is shorter"},
        {"mini FAT start past the file", 3, 2000, field(0x3C, 0x0FFFFFFF), "leaves the file"},
        {"mini stream start free", 3, 2000,
         [](const CompoundWriter& w, Bytes& b) { PutU32(b, w.EntryAt(0) + 0x74, kFree); }, "broken"},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        CompoundWriter writer(damage.version);
        writer.Stream(u"Workbook", Pattern(damage.streamSize, 1), true);
        Bytes bytes = writer.Write();
        ASSERT_EQ(ReadOutcome(bytes), "ok");
        damage.patch(writer, bytes);
        const std::string outcome = ReadOutcome(bytes);
        EXPECT_NE(outcome, "ok");
        if (damage.error) {
            EXPECT_NE(outcome.find(damage.error), std::string::npos) << outcome;
        }
    }
}

// Version 3 keeps only the low 32 bits of a stream size; the high ones may hold anything.
TEST(CompoundFile, Version3SizeIsItsLow32Bits) {
    CompoundWriter writer(3);
    const Bytes data = Pattern(5000, 4);
    writer.Stream(u"Workbook", data);
    Bytes bytes = writer.Write();
    PutU32(bytes, writer.EntryAt(1) + 0x7C, 0xDEADBEEF);
    Bytes out;
    EXPECT_EQ(ReadOutcome(bytes, "Workbook", &out), "ok");
    EXPECT_EQ(out, data);
}

// Damage at every 4-byte field of the tables, byte by byte in the header: an error or bytes, never
// a crash or a read out of bounds (run under ASan).
TEST(CompoundFile, SurvivesEveryFieldDamaged) {
    for (const bool mini : {false, true}) {
        CompoundWriter writer(3);
        writer.Stream(u"Workbook", Pattern(mini ? 3000 : 9000, 1), true).Stream(u"Other", Pattern(700, 2), true);
        const Bytes good = writer.Write();
        // The header byte by byte, then the tables after the streams' own sectors.
        for (std::size_t at = 0; at + 4 <= good.size();
             at = at + 1 == 512 ? writer.Offset(writer.FirstTable()) : at + (at < 512 ? 1 : 4)) {
            for (const std::uint32_t value : {0u, 1u, 7u, 0x7FFFFFFFu, kEnd, kFree}) {
                Bytes bytes = good;
                PutU32(bytes, at, value);
                (void)ReadOutcome(bytes);
            }
        }
    }
}

class FileTest : public testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::path(::testing::TempDir()) /
                ("compound-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::filesystem::path m_dir;
};

using ReadWholeFileTest = FileTest;

TEST_F(ReadWholeFileTest, ReadsRegularFilesOnly) {
    const Bytes data = Pattern(100'000, 9);
    auto bytes = ReadWholeFile(Write("file", data));
    ASSERT_TRUE(bytes.ok());
    EXPECT_TRUE(std::ranges::equal(*bytes, data));
    EXPECT_TRUE(ReadWholeFile(Write("empty", {}))->empty());

    EXPECT_EQ(ReadWholeFile((m_dir / "missing").string()).error().message,
              "Cannot open the file: No such file or directory");
    EXPECT_FALSE(ReadWholeFile(m_dir.string()).ok());
    const std::string fifo = (m_dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadWholeFile(fifo).ok());  // refused at once, not waiting for a writer
}

// A fixture's workbook stream moved into other containers reads to the same cells.
using XlsContainers = FileTest;

std::vector<std::string> Cells(const SheetModel& sheet) {
    std::vector<std::string> out;
    for (const StoredCell& stored : sheet.cells) {
        const CellValue& c = *sheet.Find(stored.row, stored.column);
        out.push_back(std::to_string(c.row) + "," + std::to_string(c.column) + ":" + std::to_string(int(c.kind)) + ":" +
                      std::to_string(c.number) + ":" + std::string(c.text) + ":" + sheet.formatCodes.at(c.formatId));
    }
    return out;
}

TEST_F(XlsContainers, SameCellsInEveryContainer) {
    for (const char* fixture : {"sst-continue.xls", "biff5-gbk.xls"}) {
        SCOPED_TRACE(fixture);
        const std::string path = std::string(MOXTEL_TEST_DATA_DIR) + "/" + fixture;
        auto original = ReadXlsWorkbook(path);
        ASSERT_TRUE(original.ok()) << original.error().message;
        auto file = CompoundFile::Parse(*ReadWholeFile(path));
        ASSERT_TRUE(file.ok());
        const bool book = file->FindStream("Workbook") == nullptr;
        auto stream = file->ReadStream(*file->FindStream(book ? "Book" : "Workbook"));
        ASSERT_TRUE(stream.ok());
        Bytes padded(stream->bytes().begin(), stream->bytes().end());
        // The fixtures pad the stream with zeros to 4096 bytes; the last record (EOF) ends in zeros.
        Bytes trimmed = padded;
        while (!trimmed.empty() && trimmed.back() == 0) trimmed.pop_back();
        trimmed.resize(trimmed.size() + 3);
        ASSERT_LT(trimmed.size(), 4096u);
        const std::u16string name = book ? u"book" : u"WORKBOOK";

        struct Variant {
            const char* what;
            int version;
            const Bytes& data;
            bool scattered;
        };
        for (const Variant& v : {Variant{"version 4", 4, padded, false}, Variant{"scattered", 3, padded, true},
                                 Variant{"mini stream", 3, trimmed, false},
                                 Variant{"mini stream, version 4, scattered", 4, trimmed, true}}) {
            SCOPED_TRACE(v.what);
            CompoundWriter writer(v.version);
            // A storage named like the stream stands first and is passed over.
            writer.Storage(book ? u"Book" : u"Workbook").Stream(u"\x05SummaryInformation", Pattern(200, 1));
            writer.Stream(name, v.data, v.scattered);
            auto sheet = ReadXlsWorkbook(Write("variant.xls", writer.Write()));
            ASSERT_TRUE(sheet.ok()) << sheet.error().message;
            EXPECT_EQ(Cells(*sheet), Cells(*original));
        }
    }
}

TEST_F(XlsContainers, MessagesOfContainerFaults) {
    CompoundWriter storageOnly(3);
    storageOnly.Storage(u"Workbook").Stream(u"Contents", Pattern(5000, 1));
    EXPECT_EQ(ReadXlsWorkbook(Write("storage.xls", storageOnly.Write())).error().message,
              "The file is not an Excel workbook: it holds no workbook stream.");

    CompoundWriter writer(3);
    writer.Stream(u"Workbook", Pattern(9000, 1), true);
    Bytes bytes = writer.Write();
    PutU32(bytes, writer.FatEntry(writer.At(0).sectors[4]), writer.At(0).sectors[1]);
    EXPECT_EQ(ReadXlsWorkbook(Write("loop.xls", bytes)).error().message,
              "The workbook is damaged or truncated: its stream cannot be read.");
    PutU32(bytes, writer.EntryAt(1) + 0x78, 1u << 30);
    EXPECT_EQ(ReadXlsWorkbook(Write("large.xls", bytes)).error().message,
              "The workbook is damaged: its stream is larger than the file.");
    PutU32(bytes, writer.FatEntry(writer.DirectoryStart()), kFree);
    EXPECT_EQ(ReadXlsWorkbook(Write("directory.xls", bytes)).error().message,
              "The workbook is damaged: a sector chain is broken.");
    bytes.resize(511);
    EXPECT_EQ(ReadXlsWorkbook(Write("header.xls", bytes)).error().message,
              "The workbook is damaged: its header is truncated.");
}

}  // namespace
}  // namespace moxtel
