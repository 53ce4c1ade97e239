// A large text export is read through a window of lines decoded piece by piece: whatever the
// order of reading and wherever a piece ends, every cell must read as in the cells of the whole
// text, and a file that fails late must say so.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>
#include <string>
#include <vector>

#include "XlsxTestPackage.h"
#include "core/layout/CTickTable.h"
#include "core/stats/TickDay.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

using namespace std::string_literals;

constexpr std::size_t kWhole = std::size_t{1} << 30;  // linesAbove that gives a cell per field

std::string Cell(const SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
    const CellValue* cell = sheet.Find(row, column);
    return cell ? std::string(cell->text) : "<none>";
}

std::string Convert(const std::string& utf8, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    std::string out(utf8.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string Encode(const std::string& utf8, const std::string& encoding) {
    if (encoding == "UTF-8") return utf8;
    if (encoding == "UTF-8 BOM") return "\xEF\xBB\xBF" + utf8;
    if (encoding == "UTF-16LE") return "\xFF\xFE" + Convert(utf8, "UTF-16LE");
    if (encoding == "UTF-16BE") return "\xFE\xFF" + Convert(utf8, "UTF-16BE");
    return Convert(utf8, "GB18030");
}

// A tab export whose lines end in CR LF, LF and CR by turns, with characters of two, three and four
// bytes at every offset, empty lines and a last line without a line break.
std::string TabExport(int rows) {
    std::string text = "20000101 浦发银行 (600000)\r\n\r\n时间\t价格\t量\r\n";
    const char* breaks[] = {"\r\n", "\n", "\r", "\r\n\r\n"};
    for (int row = 0; row < rows; ++row) {
        text += std::string(static_cast<std::size_t>(row % 5), 'x') + "09:30:" + std::to_string(row % 60) + "\t¥𠀀" +
                std::to_string(row) + "\t浦" + std::string(static_cast<std::size_t>(row % 3), ' ') + "\tS";
        text += breaks[row % 4];
    }
    return text + "末行\t无换行";
}

// A comma export whose quoted fields hold commas, doubled quotes and line breaks of every kind.
std::string CommaExport(int rows) {
    std::string text = "\"20000101 A, B (600000)\"\r\n";
    for (int row = 0; row < rows; ++row) {
        text += "\"a \"\"" + std::to_string(row) + "\"\" b\",x\"y,\"two\r\nlines\r\",,浦\n";
        text += row % 2 ? "\"\"\r" : "plain,\"\"\"\"\r\n";
    }
    return text + "\"open to the end\n𠀀";
}

struct Order {
    const char* name;
    std::vector<std::uint32_t> rows;
};

std::vector<Order> Orders(std::uint32_t last) {
    std::vector<std::uint32_t> forward, backward, jumps, trades;
    for (std::uint32_t r = 0; r <= last + 2; ++r) forward.push_back(r);
    for (std::uint32_t r = last + 2; r + 1 > 0; --r) backward.push_back(r);
    jumps = {1, 7, 8, last / 2, last - 1, 3, last, 2, last / 3, last / 3 - 20, last + 1, 1};
    trades = {1, 7, 8};  // the statistics run: the title, then each row with the rows beside it
    for (std::uint32_t r = 6; r <= last; ++r) {
        for (std::uint32_t near : {r, r - 1, r, r + 1}) trades.push_back(near);
    }
    trades.push_back(last - 1);
    return {{"forward", forward}, {"backward", backward}, {"far back and forth", jumps}, {"as a run", trades}};
}

// Every encoding, piece sizes that put each character across a piece's end at every offset, every
// order of reading: each cell as in the cells of the whole text in UTF-8.
TEST(TextLineWindow, ReadsEveryCellAsTheWholeText) {
    const std::vector<std::pair<const char*, std::string>> texts = {{"tabs", TabExport(300)},
                                                                     {"commas", CommaExport(200)}};
    for (const auto& [kind, utf8] : texts) {
        const auto cells = ReadTextTable(utf8, kWhole);
        ASSERT_TRUE(cells.ok()) << kind << ": " << cells.error().message;
        std::uint32_t last = 1;
        while (cells->Find(last + 1, 1) || cells->Find(last + 1, 2) || cells->Find(last + 2, 1)) ++last;
        for (const std::string encoding : {"UTF-8", "UTF-8 BOM", "UTF-16LE", "UTF-16BE", "GB18030"}) {
            const std::string bytes = Encode(utf8, encoding);
            for (const std::size_t piece : {16u, 17u, 18u, 19u, 61u, 4096u}) {
                for (const Order& order : Orders(last)) {
                    // Small texts keep their lines once decoded; the window is read with none kept.
                    const std::size_t kept = piece == 17u ? kWhole : 0;
                    const auto lines = ReadTextTable(bytes, TextReadOptions{0, piece, kept});
                    ASSERT_TRUE(lines.ok() && lines->lines) << kind << " " << encoding;
                    for (const std::uint32_t row : order.rows) {
                        for (std::uint32_t column = 1; column <= 6; ++column) {
                            ASSERT_EQ(Cell(*lines, row, column), Cell(*cells, row, column))
                                << kind << " " << encoding << ", pieces of " << piece << ", kept " << kept << ", " << order.name
                                << ", row "
                                << row << " column " << column;
                        }
                    }
                    EXPECT_EQ(lines->ReadError(), "");
                }
            }
        }
    }
}

// Whatever the piece size, a file is refused for what it holds, wherever that stands: the same
// message as when the fault stands in the first piece.
TEST(TextLineWindow, RefusesAFaultInTheLastPiece) {
    const std::string body = Encode(TabExport(2000), "GB18030");
    const std::string utf8 = TabExport(2000);
    const std::vector<std::tuple<const char*, std::string, const char*>> cases = {
        {"GB18030 byte outside it", body + "\x80\t1", "text table: neither UTF-8 nor GB18030 text"},
        {"GB18030 character cut off", body + "\xC6", "text table: neither UTF-8 nor GB18030 text"},
        {"GB18030 four bytes cut off", body + "\x95\x32\x82", "text table: neither UTF-8 nor GB18030 text"},
        {"NUL after GB18030", body + "\x80" + "\0"s, "text table: binary data"},
        {"NUL in UTF-8", utf8 + "\0"s, "text table: binary data"},
        {"invalid UTF-8 after a BOM", "\xEF\xBB\xBF" + utf8 + "\xC6\xD6", "text table: invalid UTF-8"},
        {"NUL after a UTF-8 BOM", "\xEF\xBB\xBF" + utf8 + "\0"s, "text table: invalid UTF-8"},
        {"UTF-16 with an odd length", Encode(utf8, "UTF-16LE") + "a", "text table: invalid UTF-16"},
        {"UTF-16 lone high surrogate", Encode(utf8, "UTF-16BE") + "\xD8\x00"s, "text table: invalid UTF-16"},
        {"UTF-16 NUL character", Encode(utf8, "UTF-16LE") + "\0\0"s, "text table: invalid UTF-16"},
        {"only a BOM", "\xFF\xFE", "text table: empty file"},
    };
    for (const auto& [name, bytes, message] : cases) {
        for (const std::size_t piece : {std::size_t{16}, std::size_t{4096}, kTextPieceBytes}) {
            for (const std::size_t linesAbove : {std::size_t{0}, kWhole}) {
                const auto sheet = ReadTextTable(bytes, TextReadOptions{linesAbove, piece, 0});
                ASSERT_FALSE(sheet.ok()) << name;
                EXPECT_EQ(sheet.error().message, message) << name << ", pieces of " << piece;
            }
        }
    }
}

// The last row of the grid is read; the rows after it are not there, nor the columns beyond the
// grid, whichever way the rows are read.
TEST(TextLineWindow, EndsAtTheGrid) {
    std::string text(1048575, '\n');
    text += "last row\t";
    text += std::string(16382, '\t');
    text += "last column\tbeyond\n";
    text += "row beyond";
    const auto lines = ReadTextTable(text, TextReadOptions{0, 4096, 0});
    ASSERT_TRUE(lines.ok());
    EXPECT_EQ(Cell(*lines, 1048576, 1), "last row");
    EXPECT_EQ(Cell(*lines, 1048576, 16384), "last column");
    EXPECT_EQ(Cell(*lines, 1048576, 16385), "<none>");
    EXPECT_EQ(Cell(*lines, 1048577, 1), "<none>");
    EXPECT_EQ(Cell(*lines, 1048575, 1), "<none>");
    EXPECT_EQ(Cell(*lines, 20, 1), "<none>");  // far back: read again from the start
    EXPECT_EQ(Cell(*lines, 1048576, 1), "last row");
}

class TextFileChange : public ::testing::Test {
  protected:
    void SetUp() override {
        // A file of each test's own: ctest runs the tests of this fixture side by side.
        m_path = std::filesystem::path(::testing::TempDir()) /
                 ("text-window-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  ".xls");
        std::string utf8 = "20000101 浦发银行 (600000)\r\n\r\n\r\n\r\n时间\t价格\t量\t\t方向\r\n";
        for (int row = 0; row < 20000; ++row) utf8 += "09:30:01\t10.00\t" + std::to_string(row) + "\t\t\r\n";
        m_bytes = Encode(utf8, "GB18030");
        moxtel::testing::WriteFile(m_path, m_bytes);
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    std::filesystem::path m_path;
    std::string m_bytes;
};

// A file cut short, or given a byte that is not GB18030, after it was checked: its rows from there
// read as missing, the failure is told, nothing is read out of bounds.
TEST_F(TextFileChange, BetweenTheCheckAndTheRows) {
    const std::string message = "text table: the file changed while it was read";
    for (const bool shorten : {true, false}) {
        auto sheet = ReadTextFile(m_path.string(), TextReadOptions{0, 4096, 0});
        ASSERT_TRUE(sheet.ok()) << sheet.error().message;
        EXPECT_EQ(Cell(*sheet, 6, 3), "0");
        if (shorten) {
            std::filesystem::resize_file(m_path, m_bytes.size() / 2);
        } else {
            moxtel::testing::WriteFile(m_path, m_bytes.substr(0, m_bytes.size() / 2) + "\xFF" +
                                                   m_bytes.substr(m_bytes.size() / 2 + 1));
        }
        EXPECT_EQ(Cell(*sheet, 7, 3), "1");  // still in the window
        EXPECT_EQ(Cell(*sheet, 19000, 3), "<none>");
        EXPECT_EQ(sheet->ReadError().substr(0, message.size()), message);
        EXPECT_EQ(Cell(*sheet, 8, 3), "<none>");  // nothing is read after a failure
        moxtel::testing::WriteFile(m_path, m_bytes);
    }
}

// The statistics run learns of it as of a file it could not open, and stores nothing.
TEST_F(TextFileChange, FailsTheRunAsAnUnreadableFile) {
    CTickTable table;
    ASSERT_TRUE(table.Open(m_path.string()).ok());
    EXPECT_TRUE(table.ReadStatus().ok());
    std::filesystem::resize_file(m_path, 10000);
    EXPECT_EQ(table.GetCellText(19000, 3), "");
    const Status status = table.ReadStatus();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, kMsgOpenFailed);
    EXPECT_EQ(status.error().kind, ErrorKind::OpenFailed);
    EXPECT_NE(status.error().detail.find("changed"), std::string::npos) << status.error().detail;
}

}  // namespace
}  // namespace moxtel
