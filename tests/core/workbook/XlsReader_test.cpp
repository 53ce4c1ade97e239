// The .xls reader against fixtures from tests/data/make_xls_fixtures.py: workbooks written by
// xlwt and hand-assembled BIFF records for the traps an ordinary writer does not produce.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/workbook/NumberFormat.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

std::string Fixture(const std::string& name) { return std::string(MOXTEL_TEST_DATA_DIR) + "/" + name; }

std::vector<char> Bytes(const std::string& name) {
    std::ifstream in(Fixture(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WriteTemp(const std::string& name, const char* data, std::size_t size) {
    const std::string path = testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(data, static_cast<std::streamsize>(size));
    return path;
}

// A file in memory with a path of its own, so the loops below rewrite it without waiting for a disk.
class MemoryFile {
  public:
    MemoryFile() : m_fd(memfd_create("xls-test", 0)), m_path("/proc/self/fd/" + std::to_string(m_fd)) {}
    ~MemoryFile() { close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& Holding(const char* data, std::size_t size) {
        EXPECT_EQ(ftruncate(m_fd, 0), 0);
        EXPECT_EQ(pwrite(m_fd, data, size, 0), static_cast<ssize_t>(size));
        return m_path;
    }

  private:
    int m_fd;
    std::string m_path;
};

SheetModel Load(const std::string& name) {
    auto sheet = ReadXlsWorkbook(Fixture(name));
    EXPECT_TRUE(sheet.ok()) << name << ": " << (sheet.ok() ? "" : sheet.error().message);
    return sheet.ok() ? std::move(*sheet) : SheetModel{};
}

std::string Text(const SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
    const CellValue* cell = sheet.Find(row, column);
    if (!cell) return "<none>";
    if (cell->kind != CellValue::Kind::Text && cell->kind != CellValue::Kind::Error) return "<not text>";
    return std::string(cell->text);
}

double Number(const SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
    const CellValue* cell = sheet.Find(row, column);
    EXPECT_TRUE(cell && cell->kind == CellValue::Kind::Number) << "(" << row << "," << column << ")";
    return cell ? cell->number : -1.0;
}

std::string Format(const SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
    const CellValue* cell = sheet.Find(row, column);
    return cell ? sheet.formatCodes.at(cell->formatId) : "<none>";
}

double TimeOfDay(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

TEST(XlsReader, WorkedDayCellsAndFormats) {
    const SheetModel sheet = Load("worked-day.xls");
    EXPECT_EQ(sheet.maxRows, 65536u);
    EXPECT_EQ(sheet.maxColumns, 256u);
    EXPECT_FALSE(sheet.date1904);
    EXPECT_EQ(Text(sheet, 1, 1), "20000101 ABC (600000)");
    EXPECT_EQ(Text(sheet, 5, 2), "成交价");

    struct Row {
        double time, price, lots, count;
        const char* direction;
    };
    const Row rows[] = {{TimeOfDay(9, 30, 1), 10.00, 50, 3, "<none>"},
                        {TimeOfDay(9, 30, 5), 10.04, 150, 5, "B"},
                        {TimeOfDay(9, 30, 9), 10.00, 1200, 9, "S"},
                        {TimeOfDay(9, 30, 12), 10.02, 300, 4, "<none>"}};
    std::uint32_t r = 6;
    for (const Row& row : rows) {
        SCOPED_TRACE(r);
        EXPECT_NEAR(Number(sheet, r, 1), row.time, 1e-12);
        EXPECT_EQ(Format(sheet, r, 1), "hh:mm:ss");
        EXPECT_DOUBLE_EQ(Number(sheet, r, 2), row.price);
        EXPECT_EQ(Format(sheet, r, 2), "0.00");
        EXPECT_DOUBLE_EQ(Number(sheet, r, 3), row.lots);
        EXPECT_EQ(Format(sheet, r, 3), "General");
        EXPECT_DOUBLE_EQ(Number(sheet, r, 4), row.count);
        EXPECT_EQ(Text(sheet, r, 5), row.direction);
        ++r;
    }
    EXPECT_EQ(sheet.Find(10, 1), nullptr);
}

TEST(XlsReader, SharedStringsInChineseAndBeyond) {
    const SheetModel sheet = Load("chinese-text.xls");
    EXPECT_EQ(Text(sheet, 1, 1), "岚谷股票资金流向分析");
    EXPECT_EQ(Text(sheet, 2, 1), "买盘 卖盘 中性盘");
    EXPECT_EQ(Text(sheet, 3, 1), "한국어 㐀 €");
    EXPECT_EQ(Text(sheet, 4, 1), "Zürich");
    std::string long_text;
    for (int i = 0; i < 5000; ++i) long_text += "长";
    EXPECT_EQ(Text(sheet, 5, 1), long_text);  // runs over CONTINUE records
    EXPECT_EQ(Text(sheet, 6, 1), "尾");
}

// Each string breaks into a CONTINUE record in another way; a wrong step shifts every later string.
TEST(XlsReader, SharedStringsSplitOverContinueRecords) {
    const SheetModel sheet = Load("sst-continue.xls");
    EXPECT_EQ(Text(sheet, 1, 1), "ab中文");  // 8-bit part, then 16-bit
    EXPECT_EQ(Text(sheet, 2, 1), "中文ab");  // 16-bit part, then 8-bit
    EXPECT_EQ(Text(sheet, 3, 1), "rich");    // rich-text runs split
    EXPECT_EQ(Text(sheet, 4, 1), "音");      // phonetic block split
    EXPECT_EQ(Text(sheet, 5, 1), "café");    // 8-bit is Latin-1 though the code page is 936
    EXPECT_EQ(Text(sheet, 6, 1), "😀𠀀");
    EXPECT_EQ(Text(sheet, 7, 1), "");  // starts a CONTINUE record: no flags byte there
    EXPECT_EQ(Text(sheet, 8, 1), "end");
}

TEST(XlsReader, EveryCellRecordKind) {
    const SheetModel sheet = Load("cell-kinds.xls");
    EXPECT_TRUE(sheet.date1904);
    EXPECT_EQ(Text(sheet, 1, 1), "标签label");
    EXPECT_EQ(Text(sheet, 1, 2), "富文本");
    EXPECT_EQ(Text(sheet, 1, 3), "naïve");

    ASSERT_NE(sheet.Find(2, 1), nullptr);
    EXPECT_EQ(sheet.Find(2, 1)->kind, CellValue::Kind::Boolean);
    EXPECT_EQ(sheet.Find(2, 1)->number, 1.0);
    EXPECT_EQ(sheet.Find(2, 2)->number, 0.0);
    EXPECT_EQ(Text(sheet, 2, 3), "#DIV/0!");
    EXPECT_EQ(Text(sheet, 2, 4), "#N/A");

    // Cached formula results; a STRING record may come after SHRFMLA or ARRAY and run on.
    EXPECT_DOUBLE_EQ(Number(sheet, 3, 1), 3.5);
    EXPECT_EQ(Text(sheet, 3, 2), "公式文本");
    EXPECT_EQ(sheet.Find(3, 3)->kind, CellValue::Kind::Boolean);
    EXPECT_EQ(Text(sheet, 3, 4), "#NAME?");
    EXPECT_EQ(Text(sheet, 3, 5), "");
    EXPECT_EQ(Text(sheet, 3, 6), "abc中");

    const double rk[] = {123, -5, 10.04, 0.5, 0.015, 12345.678};
    for (std::uint32_t c = 1; c <= 6; ++c) EXPECT_DOUBLE_EQ(Number(sheet, 4, c), rk[c - 1]) << c;
    EXPECT_DOUBLE_EQ(Number(sheet, 5, 1), 1);  // MULRK
    EXPECT_DOUBLE_EQ(Number(sheet, 5, 2), 2);
    EXPECT_DOUBLE_EQ(Number(sheet, 5, 3), 3.25);
    for (std::uint32_t c = 4; c <= 7; ++c) EXPECT_EQ(sheet.Find(5, c), nullptr) << c;  // blanks

    EXPECT_EQ(Format(sheet, 6, 1), "0.000");  // the file's FORMAT 2 before the built-in one
    EXPECT_EQ(Format(sheet, 6, 2), "hh:mm:ss");
    EXPECT_EQ(Format(sheet, 6, 3), std::string(BuiltinFormatCode(14)));
    EXPECT_EQ(Format(sheet, 6, 4), "General");  // XF index beyond the XF records
    EXPECT_EQ(Format(sheet, 6, 5), "General");  // format id neither in the file nor built in

    EXPECT_DOUBLE_EQ(Number(sheet, 65536, 256), 7);
    EXPECT_EQ(sheet.Find(10, 1), nullptr);  // inside an embedded chart
    for (const auto& cell : sheet.cells) EXPECT_NE(sheet.Find(cell.row, cell.column)->text, "stray");
}

TEST(XlsReader, Biff5StringsInTheWorkbookCodePage) {
    const SheetModel sheet = Load("biff5-gbk.xls");
    EXPECT_EQ(sheet.maxRows, 16384u);
    EXPECT_EQ(Text(sheet, 1, 1), "20000101 浦发银行 (600000)");
    EXPECT_DOUBLE_EQ(Number(sheet, 2, 1), 10.5);
    EXPECT_EQ(Format(sheet, 2, 1), "0.00\"元\"");
    EXPECT_DOUBLE_EQ(Number(sheet, 3, 1), 42);
    EXPECT_EQ(Text(sheet, 4, 1), "坏\xEF\xBF\xBD");  // a cut double-byte character
    EXPECT_EQ(Text(sheet, 5, 1), "买");
}

TEST(XlsReader, ActiveSheetFromWindow1) {
    EXPECT_EQ(Text(Load("several-sheets.xls"), 1, 1), "sheet two");
    EXPECT_EQ(Text(Load("active-chart.xls"), 1, 1), "first worksheet");  // active tab is a chart
}

// The active sheet's tab name, which may carry a table's date and code: BIFF8 8- and 16-bit, BIFF5 in its code page.
TEST(XlsReader, TheSheetNameIsTheActiveTabs) {
    for (const auto& [file, name] : {std::pair{"several-sheets.xls", "two"},
                                     {"worked-day.xls", "Ticks"},
                                     {"chinese-text.xls", "文本"},
                                     {"biff5-gbk.xls", "数据"}}) {
        EXPECT_EQ(Load(file).name, name) << file;
    }
}

struct BadFile {
    const char* name;
    const char* message;  // nullptr: any message
    friend void PrintTo(const BadFile& file, std::ostream* out) { *out << '"' << file.name << '"'; }
};

class XlsReaderRefuses : public testing::TestWithParam<BadFile> {};

TEST_P(XlsReaderRefuses, WithAMessage) {
    const auto sheet = ReadXlsWorkbook(Fixture(GetParam().name));
    ASSERT_FALSE(sheet.ok());
    if (GetParam().message)
        EXPECT_EQ(sheet.error().message, GetParam().message);
    else
        EXPECT_FALSE(sheet.error().message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, XlsReaderRefuses,
    testing::Values(BadFile{"encrypted.xls", "The workbook is encrypted (password protected) and cannot be read."},
                    BadFile{"no-workbook-stream.xls",
                            "The file is not an Excel workbook: it holds no workbook stream."},
                    BadFile{"sheet-without-eof.xls", "The workbook is truncated: its data ends early."},
                    BadFile{"bad-sst-index.xls", "The workbook is damaged (record 0x00FD at offset 127)."},
                    BadFile{"truncated-sst.xls", nullptr}, BadFile{"missing-file.xls", nullptr},
                    BadFile{"", nullptr} /* the fixture folder itself */));

TEST(XlsReader, RefusesEmptyAndForeignFiles) {
    EXPECT_EQ(ReadXlsWorkbook(WriteTemp("empty.xls", "", 0)).error().message, "The file is empty.");
    const std::string text = "时间\t价格\n09:30:01\t10.00\n";
    EXPECT_EQ(ReadXlsWorkbook(WriteTemp("text.xls", text.data(), text.size())).error().message,
              "The file is not an Excel 97-2003 (.xls) workbook.");
    std::vector<char> garbage(4096, '\x5A');
    std::copy_n("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8, garbage.begin());
    EXPECT_FALSE(ReadXlsWorkbook(WriteTemp("garbage.xls", garbage.data(), garbage.size())).ok());
}

TEST(XlsReader, TruncatedCopiesFail) {
    const std::vector<char> bytes = Bytes("worked-day.xls");
    MemoryFile file;
    ASSERT_GT(bytes.size(), 2048u);
    for (const std::size_t size : {std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{511}, std::size_t{512},
                                   std::size_t{1000}, bytes.size() / 2, bytes.size() - 512, bytes.size() - 1}) {
        const auto sheet = ReadXlsWorkbook(file.Holding(bytes.data(), size));
        EXPECT_FALSE(sheet.ok()) << "cut at " << size;
    }
}

// Container fields that lie about sizes and chains, patched into a fixture whose layout the
// generator fixes: header, stream sectors 0-7, directory sector 8, FAT sector 9.
TEST(XlsReader, RefusesLyingContainerFields) {
    const std::vector<char> original = Bytes("sst-continue.xls");
    MemoryFile file;
    ASSERT_EQ(original.size(), 5632u);
    constexpr std::size_t kDirectory = 512 + 8 * 512, kFat = kDirectory + 512;
    struct Patch {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    };
    const Patch patches[] = {
        {"stream size beyond the file", kDirectory + 128 + 120, 0xFFFFFFF0u},
        {"stream chain loops on itself", kFat + 3 * 4, 3},
        {"stream chain loops back", kFat + 5 * 4, 1},
        {"stream chain leaves the file", kFat + 2 * 4, 0x00FFFFFF},
        {"FAT sector count", 0x2C, 0x7FFFFFFF},
        {"sector size", 0x1E, 0x1F},
        {"directory sector", 0x30, 0xFFFFFFF0u},
    };
    for (const Patch& patch : patches) {
        std::vector<char> bytes = original;
        for (int i = 0; i < 4; ++i) bytes[patch.at + i] = static_cast<char>(patch.value >> (8 * i));
        const auto sheet = ReadXlsWorkbook(file.Holding(bytes.data(), bytes.size()));
        EXPECT_FALSE(sheet.ok()) << patch.what;
    }
}

// Damaged copies must fail or load, never crash, hang or run away with memory (run it under ASan).
TEST(XlsReader, SurvivesDamagedBytes) {
    MemoryFile file;
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (const char* name : {"worked-day.xls", "sst-continue.xls", "cell-kinds.xls", "biff5-gbk.xls"}) {
        const std::vector<char> original = Bytes(name);
        ASSERT_GT(original.size(), 1024u) << name;
        for (int round = 0; round < 300; ++round) {
            std::vector<char> bytes = original;
            // Half the rounds hit the container header, half the records of the workbook stream.
            const std::size_t at = round % 2 ? next() % 512 : 512 + next() % 1024;
            bytes[at] = static_cast<char>(round % 3 == 0 ? 0xFF : next() & 0xFF);
            if (round % 5 == 0) bytes[at + 1] = static_cast<char>(next() & 0xFF);
            const std::size_t size = round % 7 == 0 ? 512 + next() % (bytes.size() - 512) : bytes.size();
            const auto sheet = ReadXlsWorkbook(file.Holding(bytes.data(), size));
            if (!sheet.ok()) {
                EXPECT_FALSE(sheet.error().message.empty()) << name << " byte " << at;
            }
        }
    }
}

}  // namespace
}  // namespace moxtel
