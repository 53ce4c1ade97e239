#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

using namespace std::string_literals;

const char* const kTitle = "20000101 浦发银行 (600000)";

// Text of a cell, "" when the cell is missing; fails the test for a cell that is not text.
std::string Cell(const SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
    const CellValue* cell = sheet.Find(row, column);
    if (!cell) return {};
    EXPECT_EQ(cell->kind, CellValue::Kind::Text);
    EXPECT_EQ(cell->formatId, 0u);
    return std::string(cell->text);
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

TEST(TextTableReader, KeepsCellsAsTheyStand) {
    const auto sheet = ReadTextTable("title\r\n\r\n 09:30:01\t10.00\t050 \t3\t\r\nB\t\t\tx\r"s);
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(Cell(*sheet, 1, 1), "title");
    EXPECT_EQ(sheet->Find(2, 1), nullptr);
    EXPECT_EQ(Cell(*sheet, 3, 1), " 09:30:01");
    EXPECT_EQ(Cell(*sheet, 3, 2), "10.00");
    EXPECT_EQ(Cell(*sheet, 3, 3), "050 ");
    EXPECT_EQ(sheet->Find(3, 5), nullptr);  // empty last field
    EXPECT_EQ(Cell(*sheet, 4, 1), "B");
    EXPECT_EQ(Cell(*sheet, 4, 4), "x");  // trailing CR is not part of the cell
    EXPECT_EQ(sheet->cells.size(), 7u);
    EXPECT_EQ(sheet->maxRows, 1048576u);
    EXPECT_EQ(sheet->maxColumns, 16384u);
}

TEST(TextTableReader, AcceptsEveryLineBreak) {
    for (const std::string_view newline : {"\n", "\r\n", "\r"}) {
        std::string text = "a\tb";
        text += newline;
        text += newline;
        text += "c\td";
        const auto sheet = ReadTextTable(text);
        ASSERT_TRUE(sheet.ok());
        EXPECT_EQ(Cell(*sheet, 1, 2), "b");
        EXPECT_EQ(Cell(*sheet, 3, 1), "c");
        EXPECT_EQ(sheet->cells.size(), 4u);
    }
}

TEST(TextTableReader, DecodesEveryAcceptedEncoding) {
    const std::string utf8 = std::string(kTitle) + "\t𠀀\r\n";
    const std::u16string utf16 = u"20000101 浦发银行 (600000)\t𠀀\r\n";
    const std::string gb18030 = "20000101 \xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0 (600000)\t\x95\x32\x82\x36\r\n";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"UTF-8", utf8},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8},
        {"UTF-16 LE", Utf16Bytes(utf16, false)},
        {"UTF-16 BE", Utf16Bytes(utf16, true)},
        {"GB18030", gb18030},
    };
    for (const auto& [name, bytes] : cases) {
        const auto sheet = ReadTextTable(bytes);
        ASSERT_TRUE(sheet.ok()) << name << ": " << sheet.error().message;
        EXPECT_EQ(Cell(*sheet, 1, 1), kTitle) << name;
        EXPECT_EQ(Cell(*sheet, 1, 2), "𠀀") << name;
    }
}

// A long export decodes piece by piece; characters of two and four bytes fall across every
// piece boundary, and a file read as bytes or taken over reads the same, in cells or in lines.
TEST(TextTableReader, LongExportsDecodeWhole) {
    std::string gb18030;
    std::string utf8;
    for (int row = 0; gb18030.size() < 300'000; ++row) {
        const std::string pad(static_cast<std::size_t>(row % 3), 'x');  // shifts the characters' offsets
        gb18030 += pad + "\xC6\xD6\t\x95\x32\x82\x36\t" + std::to_string(row) + "\r\n";
        utf8 += pad + "浦\t𠀀\t" + std::to_string(row) + "\r\n";
    }
    for (const std::size_t linesAbove : {std::size_t{0}, gb18030.size() * 2}) {
        const auto viewed = ReadTextTable(std::string_view(gb18030), linesAbove);
        const auto taken = ReadTextTable(std::string(gb18030), linesAbove);
        const auto expected = ReadTextTable(std::string_view(utf8), linesAbove);
        ASSERT_TRUE(viewed.ok() && taken.ok() && expected.ok());
        for (std::uint32_t row = 1; row < 30000; row += 997) {
            for (std::uint32_t column = 1; column <= 3; ++column) {
                ASSERT_EQ(Cell(*viewed, row, column), Cell(*expected, row, column)) << row;
                ASSERT_EQ(Cell(*taken, row, column), Cell(*expected, row, column)) << row;
            }
        }
    }
    EXPECT_FALSE(ReadTextTable(gb18030 + "\xC6").ok());  // a character cut off at the very end
}

TEST(TextTableReader, CommaFilesHonourQuotes) {
    const auto sheet = ReadTextTable(
        "\"20000101 ABC (600000)\"\r\n"
        "\"a, \"\"b\"\"\",x\"y\"z,\"two\r\nlines\",\r\n"
        "\"joined\"tail,,last\r\n"
        "\"open to the end\nstill"s);
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(Cell(*sheet, 1, 1), "20000101 ABC (600000)");
    EXPECT_EQ(Cell(*sheet, 2, 1), "a, \"b\"");
    EXPECT_EQ(Cell(*sheet, 2, 2), "x\"y\"z");  // a quote inside a field is an ordinary character
    EXPECT_EQ(Cell(*sheet, 2, 3), "two\nlines");
    EXPECT_EQ(sheet->Find(2, 4), nullptr);
    EXPECT_EQ(Cell(*sheet, 3, 1), "joinedtail");
    EXPECT_EQ(sheet->Find(3, 2), nullptr);
    EXPECT_EQ(Cell(*sheet, 3, 3), "last");
    EXPECT_EQ(Cell(*sheet, 4, 1), "open to the end\nstill");
}

TEST(TextTableReader, OneTabAnywhereMakesATabFile) {
    // The title line of an export has no tab; commas there stay inside the cell.
    const auto sheet = ReadTextTable("20000101 A,B (600000)\n\n09:30:01\t10,00"s);
    ASSERT_TRUE(sheet.ok());
    EXPECT_EQ(Cell(*sheet, 1, 1), "20000101 A,B (600000)");
    EXPECT_EQ(Cell(*sheet, 3, 2), "10,00");
    // Quotes mean nothing in a tab file.
    EXPECT_EQ(Cell(*ReadTextTable("\"a\tb\"\n"s), 1, 1), "\"a");
}

TEST(TextTableReader, DropsCellsBeyondTheGrid) {
    std::string text(1048575, '\n');
    text += "last row\t";
    text += std::string(16382, '\t');
    text += "last column\tbeyond\n";
    text += "row beyond";
    const auto sheet = ReadTextTable(text, text.size());  // a cell for each field
    ASSERT_TRUE(sheet.ok());
    EXPECT_EQ(Cell(*sheet, 1048576, 1), "last row");
    EXPECT_EQ(Cell(*sheet, 1048576, 16384), "last column");
    EXPECT_EQ(sheet->cells.size(), 2u);
}

TEST(TextTableReader, RefusesWhatIsNoText) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"only a byte order mark", "\xEF\xBB\xBF"},
        {"NUL byte", "20000101\tx\0y\n"s},
        {"UTF-16 without BOM", "2\x00"
                               "0\x00\t\x00"s},
        {"bytes outside GB18030", "abc\x80\tdef"},
        {"GB18030 character cut off", "abc\tdef\xC6"},
        {"invalid after a UTF-8 BOM", "\xEF\xBB\xBF\xC6\xD6"},
        {"UTF-16 with an odd length", Utf16Bytes(u"ab", false) + "c"},
        {"UTF-16 lone surrogate", Utf16Bytes(u"a", false) + "\x00\xD8"s + "b\x00"s},
        {"UTF-16 NUL character", Utf16Bytes(u"a", true) + "\x00\x00"s},
    };
    for (const auto& [name, bytes] : cases) {
        const auto sheet = ReadTextTable(bytes);
        EXPECT_FALSE(sheet.ok()) << name;
    }
}

}  // namespace
}  // namespace moxtel

namespace moxtel {
namespace {

// A large export keeps its lines and cuts a field out when it is read; every field must read the
// same as from the cells a small export gets: quotes, line breaks inside quotes, empty fields,
// every kind of line break, a last line without one.
TEST(TextTableLines, ReadTheSameAsCells) {
    const std::vector<std::string> texts = {
        "20000101 A (600000)\r\n\r\nhead\tx\r\n09:30:01\t10.00\t\t50\tB\r\n09:30:02\t10.01\t7\n\rlast\t\tz",
        "\"20000101 A, B\",x\n\"a \"\"q\"\" b\",\"two\r\nlines\",,end\nplain,\"x\"y,\"\"\n\"open",
        "one line, no break",
        "\t\t\n\n\t",
        "a,b,,d\r\n,x\ny,z,\r\rlast,",  // commas without quotes: each line is split once and kept
    };
    for (const std::string& text : texts) {
        const auto cells = ReadTextTable(text);
        const auto lines = ReadTextTable(text, 0);
        ASSERT_TRUE(cells.ok() && lines.ok());
        ASSERT_NE(lines->lines, nullptr);
        EXPECT_EQ(cells->lines, nullptr);
        for (std::uint32_t row = 0; row <= 8; ++row) {
            for (std::uint32_t column = 0; column <= 7; ++column)
                EXPECT_EQ(Cell(*lines, row, column), Cell(*cells, row, column)) << text << " " << row << "," << column;
        }
        // Column by column too: every cell from another row than the one read before.
        for (std::uint32_t column = 0; column <= 7; ++column) {
            for (std::uint32_t row = 0; row <= 8; ++row)
                EXPECT_EQ(Cell(*lines, row, column), Cell(*cells, row, column)) << text << " " << row << "," << column;
        }
    }
}

}  // namespace
}  // namespace moxtel
