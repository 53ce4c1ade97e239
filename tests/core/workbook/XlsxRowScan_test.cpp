#include "core/workbook/XlsxRowScan.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/TextUtil.h"
#include "core/workbook/XlsxCells.h"
#include "core/workbook/XmlPull.h"

namespace moxtel::xlsx {
namespace {

using namespace std::string_view_literals;

std::string Worksheet(std::string_view sheetData) {
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
           std::string(sheetData) + "</sheetData></worksheet>";
}

// Markup after the rows, as a sheet has, so that the last cells are far enough from the end of the
// bytes for the scanner to read them its quickest way.
constexpr std::string_view kAfterRows =
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
    "<pageSetup orientation=\"portrait\" horizontalDpi=\"300\" verticalDpi=\"300\"/>";

std::string WorksheetWithMore(std::string_view sheetData) {
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
           std::string(sheetData) + "</sheetData>" + std::string(kAfterRows) + "</worksheet>";
}

// Everything a reading of a sheet leaves behind, to compare two readings by.
struct Outcome {
    std::string error;  // empty when the reading succeeded
    std::vector<std::string> cells;
    std::vector<std::string> formats;

    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    out << (o.error.empty() ? "ok" : o.error) << ", " << o.cells.size() << " cells:";
    for (const std::string& cell : o.cells) out << " [" << cell << "]";
    return out;
}

// The sheet part read with the given row reading, its bytes served piece bytes at a time.
Outcome Read(const std::string& part, RowReading reading, std::size_t piece) {
    static const std::vector<std::string> kShared = {"B", "S", "浦发银行"};
    const std::vector<std::string_view> strings(kShared.begin(), kShared.end());
    SheetModel sheet;
    const FormatOfStyle formatOf = [&](std::uint64_t style) { return sheet.AddFormat("0." + std::to_string(style)); };
    std::size_t at = 0;
    const XmlSource source = [&](char* buffer, std::size_t size) -> long {
        const std::size_t n = std::min({size, piece, part.size() - at});
        std::memcpy(buffer, part.data() + at, n);
        at += n;
        return static_cast<long>(n);
    };
    const Status status = ReadSheetCells([&](XmlHandler& handler) { return ReadXml(source, handler); }, sheet, strings,
                                         formatOf, reading);
    Outcome out;
    if (!status) out.error = status.error().message;
    for (const StoredCell& cell : sheet.cells) {
        const CellValue::Kind kind = SheetModel::KindOf(cell);
        const bool text = kind == CellValue::Kind::Text || kind == CellValue::Kind::Error;
        std::ostringstream line;
        line << cell.row << ':' << cell.column << " kind " << static_cast<int>(kind) << " format "
             << SheetModel::FormatOf(cell) << ' ';
        if (text)
            line << '\'' << sheet.TextOf(cell) << '\'';
        else
            line << cell.value;  // the number's bits
        out.cells.push_back(line.str());
    }
    out.formats = sheet.formatCodes;
    return out;
}

// The quick reading must leave exactly what the XML reader leaves, however the bytes arrive.
void ExpectSameReading(const std::string& part, const std::string& label) {
    const Outcome expected = Read(part, RowReading::Reader, part.size() + 1);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, part.size() + 1}) {
        EXPECT_EQ(Read(part, RowReading::Quick, piece), expected) << label << ", pieces of " << piece;
    }
}

// The same for rows with more markup after them, whole or in pieces of 200 bytes: there every cell
// is far enough from the end of the bytes to be read the quickest way.
void ExpectSameReadingWithMore(std::string_view sheetData, const std::string& label) {
    const std::string part = WorksheetWithMore(sheetData);
    const Outcome expected = Read(part, RowReading::Reader, part.size() + 1);
    for (const std::size_t piece : {std::size_t{200}, part.size() + 1}) {
        EXPECT_EQ(Read(part, RowReading::Quick, piece), expected) << label << ", more after, pieces of " << piece;
    }
}

struct Shape {
    const char* name;
    std::string_view sheetData;
};

// Rows of the shapes writers produce, which the scanner reads itself, and rows it leaves to the
// XML reader; both must read alike.
const Shape kShapes[] = {
    {"numbers and styles",
     "<row r=\"6\"><c r=\"A6\" s=\"1\" t=\"n\"><v>0.3958333333333333</v></c>"
     "<c r=\"B6\" s=\"2\"><v>10.01</v></c><c r=\"C6\"><v>-1.25E-3</v></c></row>"},
    {"every cell type",
     "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>2</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>B</t></is></c>"
     "<c r=\"C1\" t=\"str\"><f>A1&amp;\"\"</f><v>formula text</v></c><c r=\"D1\" t=\"b\"><v>1</v></c>"
     "<c r=\"E1\" t=\"e\"><v>#DIV/0!</v></c><c r=\"F1\" t=\"d\"><v>2000-01-01T09:30:00</v></c>"
     "<c r=\"G1\" t=\"x\"><v>7</v></c></row>"},
    {"attributes in any order and quotes",
     "<row spans='1:3' r='2' x14ac:dyDescent=\"0.25\"><c t='s' s = \"3\" r='C2'>"
     "<v>1</v></c><c\tr=\"D2\"\n t=\"n\"><v>4</v></c></row>"},
    {"first of an attribute counts", "<row r=\"3\" r=\"9\"><c x:r=\"B3\" r=\"C3\" s=\"1\" s=\"2\"><v>1</v></c></row>"},
    {"entities and references in text",
     "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>&#26102;&#x95F4;&lt;&amp;&gt;"
     "&bogus;</t></is></c><c r=\"B4\"><v>1&#48;</v></c>"
     "<c r=\"C4\" t=\"str\"><v>a\r\nb\rc</v></c></row>"},
    {"escapes and blanks kept",
     "<row r=\"5\"><c r=\"A5\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> a_x000D_b </t>"
     "</is></c><c r=\"B5\"><v> 12 </v></c></row>"},
    {"no references",
     "<row><c t=\"inlineStr\"><is><t>A1</t></is></c><c><v>2</v></c></row><row r=\"4\"><c r=\"C4\">"
     "<v>3</v></c><c><v>4</v></c><c r=\"zz4\"><v>5</v></c></row><row><c><v>6</v></c></row>"},
    {"references and their row's number",
     "<row r=\"5\"><c r=\"A5\"><v>1</v></c><c r=\"b5\"><v>2</v></c><c r=\"AAA5\"><v>3</v></c><c r=\"AAAA5\"><v>4</v>"
     "</c><c r=\"XFE5\"><v>5</v></c><c r=\"C05\"><v>6</v></c><c r=\"D6\"><v>7</v></c><c r=\"5\"><v>8</v></c>"
     "<c r=\"E 5\"><v>9</v></c></row><row r=\"07\"><c r=\"A07\"><v>1</v></c><c r=\"B7\"><v>2</v></c></row>"
     "<row r=\"0\"><c r=\"A0\"><v>1</v></c></row><row r=\"1048577\"><c r=\"A1048577\"><v>1</v></c></row>"
     "<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c><c r=\"B1048576\"><v>2</v></c></row>"},
    {"references outside the grid",
     "<row r=\"2000000\"><c><v>1</v></c><c r=\"XFE1\"><v>2</v></c>"
     "<c r=\"A0\"><v>3</v></c><c r=\"AAAA1\"><v>4</v></c></row>"},
    {"formulas",
     "<row r=\"7\"><c r=\"A7\"><f t=\"shared\" ref=\"A7:A8\" si=\"0\">B7*2</f><v>14</v></c>"
     "<c r=\"B7\"><f>1+1</f></c><c r=\"C7\"><f t=\"shared\" si=\"0\"/><v>16</v></c></row>"},
    {"cells without values",
     "<row r=\"8\"><c r=\"A8\" s=\"4\"/><c r=\"B8\"></c><c r=\"C8\"><v></v></c>"
     "<c r=\"D8\" t=\"inlineStr\"><v>1</v></c><c r=\"E8\"><is><t>x</t></is></c></row><row/>"
     "<row r=\"10\"/>"},
    {"blanks between elements", "<row r=\"9\">\r\n  <c r=\"A9\">\r\n    <v>1</v>\r\n  </c>\n</row>\n"},
    {"other markup between rows",
     "<row r=\"1\"><c><v>1</v></c></row><!-- note --><row><c><v>2</v></c></row>"
     "<?pi x?><row><c><v>3</v></c></row>"},
    {"CDATA", "<row r=\"1\"><c t=\"inlineStr\"><is><t><![CDATA[a<b]]></t></is></c><c><v>2</v></c></row>"},
    {"comment in a cell", "<row r=\"1\"><c r=\"A1\"><v>1</v><!-- x --></c><c><v>2</v></c></row>"},
    {"prefixed elements", "<x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c></x:row><row><c><v>2</v></c></row>"},
    {"rich and phonetic text",
     "<row r=\"1\"><c t=\"inlineStr\"><is><r><rPr><b/></rPr><t>in</t></r><r><t>line</t></r>"
     "<rPh sb=\"0\" eb=\"1\"><t>yomi</t></rPh></is></c></row>"},
    {"unknown elements",
     "<row r=\"1\"><c r=\"A1\"><v>1</v><extLst/></c><c r=\"B1\"><is/></c></row>"
     "<row r=\"2\"><c r=\"A2\"><v t=\"x\">3</v></c><x/></row>"},
    {"attribute values the reader resolves",
     "<row r=\"1\"><c r=\"A&#49;\"><v>1</v></c><c r=\"B1\" s=\"&#50;\">"
     "<v>2</v></c><c r=\"C\t1\"><v>3</v></c><c a=\"<\"><v>4</v></c></row>"},
    {"form feeds in tags", "<row r=\"1\"><c r=\"A1\" \f\ft=\"s\"><v>1</v></c><c\f r=\"B1\"><v>2</v></c></row>"},
    {"NUL bytes in attribute values",
     "<row r=\"1\"><c r=\"A1\" s=\"16\0\0\"><v>1</v></c></row><row><!-- --><c s=\"16\0\"><v>2</v></c></row>"sv},
    {"bad number", "<row r=\"1\"><c><v>1</v></c></row><row r=\"2\"><c><v>1</v></c><c><v>1x</v></c></row>"},
    {"bad shared string index", "<row r=\"1\"><c t=\"s\"><v>3</v></c></row>"},
    {"bad date", "<row r=\"1\"><c t=\"d\"><v>soon</v></c></row>"},
    {"infinite number", "<row r=\"1\"><c><v>1e999</v></c></row>"},
    {"bad value after bad markup", "<row r=\"1\"><c><v>x</v></c><c><v>1</v></row>"},
    {"mismatched end tags", "<row r=\"1\"><c><v>1</c></v></row>"},
    {"unquoted attribute", "<row r=\"1\"><c r=A1><v>1</v></c></row>"},
    {"nested row", "<row r=\"1\"><c><row><c><v>1</v></c></row></c></row>"},
    {"unclosed row", "<row r=\"1\"><c><v>1</v></c>"},
    {"references read quickly or left to the cells' reader",
     "<row r=\"7\"><c r=\"B7\"><v>1</v></c><c r=\"D9\"><v>2</v></c><c r=\"A7\"><v>3</v></c><c r=\"c7\"><v>4</v></c>"
     "<c r=\"aB7\"><v>5</v></c><c r=\"XFD1048576\"><v>6</v></c><c r=\"XFE7\"><v>7</v></c><c r=\"A0\"><v>8</v></c>"
     "<c r=\"A1048577\"><v>9</v></c><c r=\"A07\"><v>10</v></c><c r=\"A00000007\"><v>11</v></c>"
     "<c r=\"AAAA7\"><v>12</v></c><c r=\"7\"><v>13</v></c><c r=\"G\"><v>14</v></c><c r=\"\"><v>15</v></c>"
     "<c r=\"H 7\"><v>16</v></c><c r=\"I7 \"><v>17</v></c><c r=\"J7x\"><v>18</v></c><c r=\"K7\"/><c r=\"L7\"></c>"
     "</row><row r=\"9999999\"><c r=\"A9999999\"><v>1</v></c><c><v>2</v></c></row>"},
    {"attributes in other orders, twice, or of other names",
     "<row r=\"2\"><c t=\"n\" s=\"2\" r=\"C2\"><v>1</v></c><c s=\"3\" r=\"D2\"><v>2</v></c>"
     "<c r=\"E2\" r=\"A2\"><v>3</v></c><c s=\"1\" s=\"2\" r=\"F2\"><v>4</v></c><c t=\"s\" t=\"n\"><v>1</v></c>"
     "<c r=\"G2\" x=\"1\"><v>5</v></c><c r=\"H2\" s=\"4\" t=\"n\" x=\"1\"><v>6</v></c>"
     "<c r=\"I2\" s=\"0\"><v>7</v></c><c r=\"J2\" s=\"0000001\"><v>8</v></c><c r=\"K2\" s=\"12345678\"><v>9</v></c>"
     "<c r=\"L2\" s=\"\"><v>10</v></c><c r=\"M2\" s=\" 5\"><v>11</v></c><c r=\"N2\" s=\"5x\"><v>12</v></c>"
     "<c r=\"O2\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"P2\" t=\"inlineStrX\"><v>13</v></c>"
     "<c r=\"Q2\" t=\"\"><v>14</v></c><c r=\"R2\" t=\"abcdefghijklmnopq\"><v>15</v></c><c r=\"S2\" t=\"s\"/></row>"},
    {"a point without digits after it", "<row r=\"1\"><c><v>2.5</v></c><c><v>12.</v></c></row>"},
    {"a point without digits before it", "<row r=\"1\"><c><v>2.5</v></c><c><v>.5</v></c></row>"},
    {"two points", "<row r=\"1\"><c><v>2.5</v></c><c><v>1.2.3</v></c></row>"},
    {"numbers long and short",
     "<row r=\"3\"><c><v>12345678</v></c><c><v>123456789</v></c><c><v>00000000</v></c><c><v>-12345678</v></c>"
     "<c><v>1234567890123456789012345</v></c><c><v>0.00000000000000001234</v></c><c><v>1.2345678901234567</v></c>"
     "<c><v>12345678.87654321</v></c><c><v>1234567a</v></c><c><v>1234 5678</v></c><c><v>9007199254740993.5</v></c>"
     "<c t=\"inlineStr\"><is><t>B</t></is></c><c t=\"inlineStr\"><is><t>B</t></is></c><c t=\"str\"><v>S</v></c>"
     "<c t=\"inlineStr\"><is><t>\xC3</t></is></c><c t=\"e\"><v>#N/A</v></c></row>"},
};

TEST(XlsxRowScan, QuickRowsReadAsTheXmlReaderReadsThem) {
    for (const Shape& shape : kShapes) {
        ExpectSameReading(Worksheet(shape.sheetData), shape.name);
        ExpectSameReadingWithMore(shape.sheetData, shape.name);
    }
}

// A part cut anywhere, as a damaged package gives it, fails alike or reads alike.
TEST(XlsxRowScan, EveryCutOfAPartReadsAlike) {
    const std::string part = Worksheet(
        "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"n\"><v>0.5</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>B</t></is></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c></row><row r='2'><c r='A2'><f>1</f><v>1</v></c><c r=\"B2\"/></row>");
    for (std::size_t size = 0; size <= part.size(); ++size) {
        const std::string cut = part.substr(0, size);
        const Outcome expected = Read(cut, RowReading::Reader, cut.size() + 1);
        EXPECT_EQ(Read(cut, RowReading::Quick, cut.size() + 1), expected) << "cut at " << size;
        EXPECT_EQ(Read(cut, RowReading::Quick, 5), expected) << "cut at " << size << ", pieces of 5";
    }
}

// Bytes changed, dropped or doubled here and there: whatever the XML reader makes of them, the
// quick reading makes the same.
TEST(XlsxRowScan, DamagedRowsReadAlike) {
    const std::string base =
        "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"n\"><v>0.5</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>B</t></is></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\"><f>1</f><v>1</v></c><c r=\"E1\"/></row>"
        "<row r='2'><c r='A2' t='str'><v>x&amp;y</v></c></row>";
    const std::string alphabet = "<>/=\"' &;:xrcvt1\r\n!?";
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string data = base;
        for (int edits = 1 + static_cast<int>(next() % 3); edits > 0; --edits) {
            const std::size_t at = next() % data.size();
            switch (next() % 3) {
                case 0:
                    data[at] = alphabet[next() % alphabet.size()];
                    break;
                case 1:
                    data.erase(at, 1 + next() % 4);
                    break;
                default:
                    data.insert(at, data.substr(at, 1 + next() % 6));
                    break;
            }
        }
        const std::string part = Worksheet(data);
        const Outcome expected = Read(part, RowReading::Reader, part.size() + 1);
        ASSERT_EQ(Read(part, RowReading::Quick, part.size() + 1), expected) << data;
        ASSERT_EQ(Read(part, RowReading::Quick, 9), expected) << data << ", pieces of 9";
        const std::string withMore = WorksheetWithMore(data);
        ASSERT_EQ(Read(withMore, RowReading::Quick, withMore.size() + 1),
                  Read(withMore, RowReading::Reader, withMore.size() + 1))
            << data << ", more after";
    }
}

// Numbers read as the nearest double, as from_chars reads them, whichever way they are written:
// around the 19 digits and the powers of ten that are exact doubles, and 2^53.
TEST(XlsxRowScan, NumbersAreTheNearestDoubles) {
    const char* const numbers[] = {"0",
                                   "-0",
                                   "0.3958333333333333",
                                   "10.01",
                                   "000123.4500",
                                   "1234567890123456789",
                                   "12345678901234567890",
                                   "0.0000000000000000000001",
                                   "0.00000000000000000000001",
                                   "0.000000000000000000000010E1",
                                   "1E22",
                                   "1e23",
                                   "-1.25E-3",
                                   "9007199254740992",
                                   "9007199254740993",
                                   "0.1000000000000000055511151231257827",
                                   "1.7976931348623157e308",
                                   "4.9e-324",
                                   " 42 ",
                                   "12345678",
                                   "99999999",
                                   "123456789",
                                   "00000000",
                                   "-12345678",
                                   "0.00000000000000001234",
                                   "12345678.87654321",
                                   "0000000000000000000012345678",
                                   "1234567890123456789012345",
                                   "0.1",
                                   "0.12345678",
                                   "123456789.12345678",
                                   "12.3456789012",
                                   "9007199254740993.0",
                                   "1234567890.123456789",
                                   "00.000000000000000001",
                                   "1.0e5"};
    std::string rows;
    for (std::size_t i = 0; i < std::size(numbers); ++i)
        rows += "<row r=\"" + std::to_string(i + 1) + "\"><c><v>" + numbers[i] + "</v></c></row>";
    const Outcome read = Read(WorksheetWithMore(rows), RowReading::Quick, 1 << 20);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.cells.size(), std::size(numbers));
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        const std::string_view text = TrimView(numbers[i]);
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const std::string bits = std::to_string(std::bit_cast<std::uint64_t>(expected));
        EXPECT_TRUE(read.cells[i].ends_with(" " + bits)) << numbers[i] << ": " << read.cells[i];
    }
}

// Digits with and without a point, of every length around 8 and 19 digits, read as from_chars
// reads them.
TEST(XlsxRowScan, DecimalsOfAnyLengthAreTheNearestDoubles) {
    std::uint32_t seed = 2024;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    std::vector<std::string> numbers;
    for (int round = 0; round < 4000; ++round) {
        std::string whole = "0", fraction;  // a whole part of 1 to 12 digits, a fraction of 0 to 21
        for (std::size_t i = next() % 12; i > 0; --i) whole += static_cast<char>('0' + next() % 10);
        for (std::size_t i = next() % 22; i > 0; --i) fraction += static_cast<char>('0' + next() % 10);
        if (whole.size() > 1 && next() % 2) whole.erase(0, 1);  // without the leading 0 too
        numbers.push_back(fraction.empty() ? whole : whole + "." + fraction);
    }
    std::string rows;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        rows += "<row r=\"" + std::to_string(i + 1) + "\"><c><v>" + numbers[i] + "</v></c></row>";
    const Outcome read = Read(WorksheetWithMore(rows), RowReading::Quick, 1 << 20);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.cells.size(), numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        double expected = 0;
        std::from_chars(numbers[i].data(), numbers[i].data() + numbers[i].size(), expected);
        const std::string bits = std::to_string(std::bit_cast<std::uint64_t>(expected));
        EXPECT_TRUE(read.cells[i].ends_with(" " + bits)) << numbers[i] << ": " << read.cells[i];
    }
}

// A row longer than the scanner holds, in cells or in bytes, is left to the XML reader whole.
TEST(XlsxRowScan, LongRowsAreLeftToTheXmlReader) {
    std::string manyCells = "<row r=\"1\">";
    for (std::size_t i = 0; i < kMaxScannedCells + 10; ++i) manyCells += "<c><v>1</v></c>";
    manyCells += "</row><row r=\"2\"><c><v>2</v></c></row>";
    const std::string longText(3u << 20, 'x');
    const std::string longRow = "<row r=\"1\"><c t=\"inlineStr\"><is><t>" + longText + "</t></is></c></row>";
    for (const std::string& rows : {manyCells, longRow}) {
        const std::string part = Worksheet(rows);
        const Outcome expected = Read(part, RowReading::Reader, part.size() + 1);
        EXPECT_TRUE(expected.error.empty()) << expected.error;
        EXPECT_EQ(Read(part, RowReading::Quick, 256 * 1024), expected);
    }
}

// The shapes the scanner reads itself, so that the readings above compare the quick path and not
// the XML reader with itself; and the ones it must leave alone.
TEST(XlsxRowScan, TellsTheShapesItReads) {
    struct Case {
        const char* row;
        ScanOutcome outcome;
    };
    const Case cases[] = {
        {"<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"n\"><v>1</v></c></row>", ScanOutcome::Complete},
        {"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>B</t></is></c></row>", ScanOutcome::Complete},
        {"<row r='1' spans=\"1:2\"><c t = 's' r='A1'><f>x</f><v>1</v></c><c/><c></c></row>", ScanOutcome::Complete},
        {"<row\n r=\"1\" ><c\tr=\"A1\"\n>\r\n<v>1</v>\r\n</c ></row >", ScanOutcome::Complete},
        {"<row x14ac:dyDescent=\"0.25\"><c x:r=\"A1\"><is><t xml:space=\"preserve\"> a </t></is></c></row>",
         ScanOutcome::Complete},
        {"<row/>", ScanOutcome::Complete},
        {"<row r=\"1\"><c><v>&#49;&amp;</v></c></row>", ScanOutcome::Complete},
        {"<row r=\"1\"><c r=\"A1\"><v>1</v></c>", ScanOutcome::NeedMore},
        {"<row r=\"1\"><c r=\"A1\"><v>1</v></c></ro", ScanOutcome::NeedMore},
        {"<row r=\"1", ScanOutcome::NeedMore},
        {"<ro", ScanOutcome::NeedMore},
        {"</sheetData>", ScanOutcome::Unknown},
        {"<rows/>", ScanOutcome::Unknown},
        {"<x:row/>", ScanOutcome::Unknown},
        {"<!-- x --><row/>", ScanOutcome::Unknown},
        {"<row r=\"1\"><!-- x --></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c><v><![CDATA[1]]></v></c></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><x:c><x:v>1</x:v></x:c></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c><is><r><t>a</t></r></is></c></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c r=\"A&#49;\"><v>1</v></c></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c r=\"A\t1\"><v>1</v></c></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c r=A1><v>1</v></c></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"s=\"2\"></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c><v>1</c></v></row>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c><v>1</v></c></rows>", ScanOutcome::Unknown},
        {"<row r=\"1\"><c><v/></c></row>", ScanOutcome::Unknown},
    };
    ScannedRow row;
    for (const Case& c : cases) EXPECT_EQ(ScanRow(c.row, row), c.outcome) << c.row;

    ASSERT_EQ(ScanRow("<row r=\"7\"><c r=\"B7\" s=\"3\" t=\"s\"><v>12</v></c><c t='inlineStr'><is><t>a&amp;b</t></is>"
                      "</c><c r=\"D7\"/></row>tail",
                      row),
              ScanOutcome::Complete);
    EXPECT_EQ(row.length, std::string_view("<row r=\"7\"><c r=\"B7\" s=\"3\" t=\"s\"><v>12</v></c><c t='inlineStr'>"
                                           "<is><t>a&amp;b</t></is></c><c r=\"D7\"/></row>")
                              .size());
    EXPECT_EQ(row.attributes.r, "7");
    ASSERT_EQ(row.cells.size(), 3u);
    EXPECT_EQ(row.cells[0].attributes.r, "B7");
    EXPECT_EQ(row.cells[0].attributes.s, "3");
    EXPECT_EQ(row.cells[0].attributes.t, "s");
    EXPECT_EQ(row.cells[0].text, "12");
    EXPECT_EQ(row.cells[0].holds, ScannedCell::Holds::Value);
    EXPECT_EQ(row.cells[1].attributes.r.data(), nullptr);
    EXPECT_EQ(row.cells[1].text, "a&amp;b");
    EXPECT_TRUE(row.cells[1].resolve);
    EXPECT_EQ(row.cells[1].holds, ScannedCell::Holds::InlineText);
    EXPECT_EQ(row.cells[2].holds, ScannedCell::Holds::Nothing);
}

// The numbers a scanned cell carries of its r and s, read on the way where they are written
// plainly; any other spelling is left to the reader of the cells (column 0, style not read).
TEST(XlsxRowScan, ReadsPlainReferencesAndStylesAsNumbers) {
    struct Case {
        std::string_view cell;
        std::uint32_t column, row;  // column 0: not read here
        bool styleRead;
        std::uint64_t style;
    };
    const Case cases[] = {
        {"<c r=\"B7\" s=\"3\" t=\"n\"><v>1</v></c>", 2, 7, true, 3},
        {"<c t=\"n\" s=\"3\" r=\"B7\"><v>1</v></c>", 2, 7, true, 3},
        {"<c r=\"D9\"><v>1</v></c>", 4, 9, false, 0},  // another row's
        {"<c r=\"b7\"/>", 2, 7, false, 0},
        {"<c r=\"aB7\"></c>", 28, 7, false, 0},
        {"<c r=\"XFD1048576\" s=\"0\"><v>1</v></c>", 16384, 1048576, true, 0},
        {"<c r=\"A07\" s=\"0001234\"><v>1</v></c>", 1, 7, true, 1234},
        {"<c r=\"XFE7\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A0\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A1048577\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A00000007\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"AAAA7\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"7\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A 7\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r='A7' s='1'><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A7\" r=\"B7\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A7\" s=\"12345678\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A7\" s=\" 1\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A7\" s=\"1\" t=\"n\" x=\"1\"><v>1</v></c>", 0, 0, false, 0},
        {"<c r=\"A7\"><f>x</f><v>1</v></c>", 0, 0, false, 0},
    };
    ScannedRow row;
    for (const Case& c : cases) {
        const std::string bytes = "<row r=\"7\">" + std::string(c.cell) + "</row>" + std::string(kAfterRows);
        ASSERT_EQ(ScanRow(bytes, row), ScanOutcome::Complete) << c.cell;
        ASSERT_EQ(row.cells.size(), 1u) << c.cell;
        const ScannedCell& cell = row.cells[0];
        EXPECT_EQ(cell.column, c.column) << c.cell;
        EXPECT_EQ(cell.row, c.row) << c.cell;
        EXPECT_EQ(cell.styleRead, c.styleRead) << c.cell;
        if (c.styleRead) {
            EXPECT_EQ(cell.style, c.style) << c.cell;
        }
    }

    // Near the end of the bytes the same cell is read the careful way, and alike.
    ASSERT_EQ(ScanRow("<row r=\"7\"><c r=\"B7\" s=\"3\"><v>1</v></c></row>", row), ScanOutcome::Complete);
    ASSERT_EQ(row.cells.size(), 1u);
    EXPECT_EQ(row.cells[0].column, 0u);
    EXPECT_EQ(row.cells[0].attributes.r, "B7");
    EXPECT_EQ(row.cells[0].attributes.s, "3");
    EXPECT_EQ(row.cells[0].text, "1");
}

}  // namespace
}  // namespace moxtel::xlsx
