#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "XlsxTestPackage.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

using moxtel::testing::MinimalWorkbook;
using moxtel::testing::ZipBytes;
using moxtel::testing::ZipPart;
using Kind = CellValue::Kind;

class XlsxReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::path(::testing::TempDir()) /
                ("xlsx-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    Result<SheetModel> Read(const std::vector<ZipPart>& parts) {
        const auto path = m_dir / "book.xlsx";
        moxtel::testing::WriteFile(path, ZipBytes(parts));
        return ReadXlsxWorkbook(path.string());
    }

    static const CellValue& At(const SheetModel& sheet, std::uint32_t row, std::uint32_t column) {
        static const CellValue kEmpty;
        const CellValue* cell = sheet.Find(row, column);
        return cell ? *cell : kEmpty;
    }

    static std::vector<ZipPart> Without(std::vector<ZipPart> parts, const std::string& name) {
        std::erase_if(parts, [&](const ZipPart& p) { return p.name == name; });
        return parts;
    }

    std::filesystem::path m_dir;
};

TEST_F(XlsxReaderTest, ReadsEveryCellKind) {
    const std::string strings =
        "<si><t>plain</t></si>"
        "<si><r><rPr><b/></rPr><t>浦发</t></r><r><t xml:space=\"preserve\"> 银行</t></r>"
        "<rPh sb=\"0\" eb=\"2\"><t>ぷはつ</t></rPh></si>"
        "<si><t>a_x000D_b_x005F_x0041_</t></si>"
        "<si><t xml:space=\"preserve\"> </t></si>";
    const auto sheet = Read(MinimalWorkbook(
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
        "<c r=\"B2\" t=\"str\"><f>A1&amp;\"\"</f><v>formula text</v></c>"
        "<c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"e\"><v>#DIV/0!</v></c>"
        "<c r=\"E2\"><v>10.5</v></c><c r=\"F2\" t=\"n\"><v>-1.25E-3</v></c>"
        "<c r=\"G2\" s=\"0\"/><c r=\"H2\" t=\"d\"><v>2000-01-01T12:00:00</v></c></row>",
        strings));
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(At(*sheet, 1, 1).text, "plain");
    EXPECT_EQ(At(*sheet, 1, 2).text, "浦发 银行");
    EXPECT_EQ(At(*sheet, 1, 3).text, "a\rb_x0041_");
    EXPECT_EQ(At(*sheet, 1, 4).text, " ");
    EXPECT_EQ(At(*sheet, 1, 4).kind, Kind::Text);
    EXPECT_EQ(At(*sheet, 2, 1).text, "inline");
    EXPECT_EQ(At(*sheet, 2, 2).text, "formula text");
    EXPECT_EQ(At(*sheet, 2, 3).kind, Kind::Boolean);
    EXPECT_EQ(At(*sheet, 2, 3).number, 1.0);
    EXPECT_EQ(At(*sheet, 2, 4).kind, Kind::Error);
    EXPECT_EQ(At(*sheet, 2, 4).text, "#DIV/0!");
    EXPECT_EQ(At(*sheet, 2, 5).number, 10.5);
    EXPECT_EQ(At(*sheet, 2, 6).number, -0.00125);
    EXPECT_EQ(sheet->Find(2, 7), nullptr);  // styled but no value
    EXPECT_EQ(At(*sheet, 2, 8).kind, Kind::Number);
    EXPECT_DOUBLE_EQ(At(*sheet, 2, 8).number, 36526.5);
    EXPECT_EQ(sheet->maxRows, 1048576u);
    EXPECT_EQ(sheet->maxColumns, 16384u);
}

TEST_F(XlsxReaderTest, CellsWithoutReferencesFollowTheirNeighbours) {
    // Some writers leave out r on rows and cells, and the dimension element may lie.
    const auto parts = MinimalWorkbook(
        "<row><c t=\"inlineStr\"><is><t>A1</t></is></c><c><v>2</v></c></row>"
        "<row r=\"4\"><c r=\"C4\"><v>3</v></c><c><v>4</v></c><c r=\"zz4\"><v>5</v></c></row>"
        "<row><c><v>6</v></c></row>"
        "<row r=\"7\"><c r=\"A7\"><f t=\"shared\" ref=\"A7:A8\" si=\"0\">B7*2</f><v>14</v></c></row>"
        "<row r=\"8\"><c r=\"A8\"><f t=\"shared\" si=\"0\"/><v>16</v></c></row>");
    auto lying = parts;
    lying[3].data.insert(lying[3].data.find("<sheetData>"), "<dimension ref=\"A1:A1\"/>");
    const auto sheet = Read(lying);
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(At(*sheet, 1, 1).text, "A1");
    EXPECT_EQ(At(*sheet, 1, 2).number, 2.0);
    EXPECT_EQ(At(*sheet, 4, 3).number, 3.0);
    EXPECT_EQ(At(*sheet, 4, 4).number, 4.0);
    EXPECT_EQ(At(*sheet, 4, 702).number, 5.0);  // ZZ, lower case accepted
    EXPECT_EQ(At(*sheet, 5, 1).number, 6.0);
    EXPECT_EQ(At(*sheet, 7, 1).number, 14.0);
    EXPECT_EQ(At(*sheet, 8, 1).number, 16.0);
    EXPECT_EQ(sheet->cells.size(), 8u);
}

TEST_F(XlsxReaderTest, NumberFormatsComeFromCellStyles) {
    const std::string styles =
        "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"hh:mm:ss\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"0.000&quot;元&quot;\"/></numFmts>"
        "<cellXfs count=\"5\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"2\"/>"
        "<xf numFmtId=\"165\"/><xf numFmtId=\"164\"/></cellXfs>";
    const auto sheet = Read(MinimalWorkbook(
        "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0.5</v></c><c r=\"B1\" s=\"2\"><v>10</v></c>"
        "<c r=\"C1\" s=\"3\"><v>1</v></c><c r=\"D1\" s=\"4\"><v>0.25</v></c>"
        "<c r=\"E1\" s=\"99\"><v>7</v></c><c r=\"F1\"><v>8</v></c></row>",
        "", styles));
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    const auto code = [&](std::uint32_t column) { return sheet->formatCodes.at(At(*sheet, 1, column).formatId); };
    EXPECT_EQ(code(1), "hh:mm:ss");
    EXPECT_EQ(code(2), "0.00");
    EXPECT_EQ(code(3), "0.000\"元\"");
    EXPECT_EQ(At(*sheet, 1, 4).formatId, At(*sheet, 1, 1).formatId);  // same code, one entry
    EXPECT_EQ(code(5), "General");                                       // style beyond cellXfs
    EXPECT_EQ(code(6), "General");
    EXPECT_EQ(sheet->formatCodes.size(), 4u);
}

TEST_F(XlsxReaderTest, WithoutStylesEverythingIsGeneral) {
    const auto sheet = Read(MinimalWorkbook("<row r=\"1\"><c r=\"A1\" s=\"3\"><v>10.5</v></c></row>"));
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(At(*sheet, 1, 1).formatId, 0u);
    EXPECT_EQ(sheet->formatCodes, std::vector<std::string>{"General"});
}

TEST_F(XlsxReaderTest, ReadsTheActiveSheetThroughItsRelationship) {
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
    auto parts = MinimalWorkbook("");
    parts[1].data = std::string("<workbook xmlns=\"") + moxtel::testing::kMainNs + "\" xmlns:r=\"" +
                    moxtel::testing::kRelNs +
                    "\"><workbookPr date1904=\"1\"/><bookViews><workbookView activeTab=\"2\"/></bookViews><sheets>"
                    "<sheet name=\"a\" sheetId=\"1\" r:id=\"rId7\"/><sheet name=\"b\" sheetId=\"2\" r:id=\"rId5\"/>"
                    "<sheet name=\"c\" sheetId=\"3\" r:id=\"rId1\"/></sheets></workbook>";
    parts[2].data = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId7\" Type=\"" + rel + "\" Target=\"worksheets/sheet1.xml\"/>"
                    "<Relationship Id=\"rId5\" Type=\"" + rel + "\" Target=\"worksheets/sheet2.xml\"/>"
                    "<Relationship Id=\"rId1\" Type=\"" + rel + "\" Target=\"/xl/worksheets/../Third.XML\"/>"
                    "</Relationships>";
    const auto sheetXml = [](const std::string& text) {
        return std::string("<worksheet xmlns=\"") + moxtel::testing::kMainNs +
               "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text +
               "</t></is></c></row></sheetData></worksheet>";
    };
    parts[3].data = sheetXml("first");
    parts.push_back({"xl/worksheets/sheet2.xml", sheetXml("second")});
    parts.push_back({"xl/third.xml", sheetXml("third")});  // part names compare without case
    const auto sheet = Read(parts);
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(At(*sheet, 1, 1).text, "third");
    EXPECT_EQ(sheet->name, "c");
    EXPECT_TRUE(sheet->date1904);
}

TEST_F(XlsxReaderTest, ReadsStrictAndPrefixedMarkup) {
    const std::string strictRel = "http://purl.oclc.org/ooxml/officeDocument/relationships/";
    auto parts = MinimalWorkbook("", "<si><t>x</t></si>");
    parts[0].data = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"r\" Type=\"" + strictRel + "officeDocument\" Target=\"xl/workbook.xml\"/>"
                    "</Relationships>";
    parts[1].data = "<x:workbook xmlns:x=\"http://purl.oclc.org/ooxml/spreadsheetml/main\" "
                    "xmlns:rel=\"http://purl.oclc.org/ooxml/officeDocument/relationships\"><x:sheets>"
                    "<x:sheet name=\"S\" sheetId=\"1\" rel:id=\"rId1\"/></x:sheets></x:workbook>";
    parts[2].data = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"" + strictRel + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                    "<Relationship Id=\"rId2\" Type=\"" + strictRel + "sharedStrings\" Target=\"sharedStrings.xml\"/>"
                    "</Relationships>";
    parts[3].data = "<x:worksheet xmlns:x=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><x:sheetData>"
                    "<x:row r=\"2\"><x:c r=\"B2\" t=\"s\"><x:v>0</x:v></x:c></x:row></x:sheetData></x:worksheet>";
    const auto sheet = Read(parts);
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(At(*sheet, 2, 2).text, "x");
}

TEST_F(XlsxReaderTest, RefusesBrokenPackages) {
    const std::string row = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>";
    const auto good = MinimalWorkbook(row, "<si><t>x</t></si>");
    ASSERT_TRUE(Read(good).ok());

    auto malformed = good;
    malformed[3].data.resize(malformed[3].data.size() - 20);
    auto badIndex = MinimalWorkbook("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>", "<si><t>x</t></si>");
    auto badNumber = MinimalWorkbook("<row r=\"1\"><c r=\"A1\"><v>12abc</v></c></row>");
    auto infinite = MinimalWorkbook("<row r=\"1\"><c r=\"A1\"><v>inf</v></c></row>");
    auto chart = good;
    chart[3].data = std::string("<chartsheet xmlns=\"") + moxtel::testing::kMainNs + "\"/>";
    auto noSheets = good;
    noSheets[1].data = std::string("<workbook xmlns=\"") + moxtel::testing::kMainNs + "\"><sheets/></workbook>";
    auto oversized = good;
    oversized[3].claimedSize = 0x7FFFFFF0;  // a header promising 2 GiB
    auto shortData = good;
    shortData[3].claimedSize = static_cast<std::uint32_t>(good[3].data.size() + 1000);

    const std::vector<std::pair<const char*, std::vector<ZipPart>>> cases = {
        {"no workbook", Without(good, "xl/workbook.xml")},
        {"no workbook relationships", Without(good, "xl/_rels/workbook.xml.rels")},
        {"no sheet part", Without(good, "xl/worksheets/sheet1.xml")},
        {"no shared strings", Without(good, "xl/sharedStrings.xml")},
        {"shared string index beyond the table", badIndex},
        {"malformed sheet", malformed},
        {"number cell holding text", badNumber},
        {"number cell holding infinity", infinite},
        {"active sheet is a chart", chart},
        {"workbook without sheets", noSheets},
        {"part larger than the bound", oversized},
        {"part shorter than its header says", shortData},
        {"not a workbook at all", {{"readme.txt", "hello"}}},
    };
    for (const auto& [name, parts] : cases) {
        const auto sheet = Read(parts);
        EXPECT_FALSE(sheet.ok()) << name;
        if (!sheet.ok()) {
            EXPECT_FALSE(sheet.error().message.empty()) << name;
        }
    }
}

TEST_F(XlsxReaderTest, DeflatedAndZip64PackagesReadAlike) {
    const auto stored = MinimalWorkbook(
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" s=\"1\"><v>0.5</v></c></row>",
        "<si><t>a</t></si><si><t>b</t></si>", "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"21\"/></cellXfs>");
    auto deflated = stored, wide = stored;
    for (ZipPart& part : deflated) part.method = 8;
    for (ZipPart& part : wide) part.zip64 = true;
    for (const auto& parts : {stored, deflated, wide}) {
        const auto sheet = Read(parts);
        ASSERT_TRUE(sheet.ok()) << sheet.error().message;
        EXPECT_EQ(At(*sheet, 1, 1).text, "b");
        EXPECT_EQ(At(*sheet, 1, 2).number, 0.5);
        EXPECT_EQ(sheet->formatCodes.at(At(*sheet, 1, 2).formatId), "h:mm:ss");
    }
}

TEST_F(XlsxReaderTest, ErrorsNameThePartAndTheReason) {
    const auto good = MinimalWorkbook("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    const auto changed = [&](std::size_t index, auto change) {
        auto parts = good;
        change(parts[index]);
        return parts;
    };
    const std::vector<std::pair<std::vector<ZipPart>, std::string>> cases = {
        {changed(3, [](ZipPart& p) { p.flags = 1; }), "xlsx: xl/worksheets/sheet1.xml is encrypted"},
        {changed(1, [](ZipPart& p) { p.method = 12; }),
         "xlsx: xl/workbook.xml is packed by method 12, which is not supported"},
        {changed(1, [](ZipPart& p) { p.crcXor = 4; }), "xlsx: corrupt part xl/workbook.xml"},
        {changed(3, [](ZipPart& p) { p.method = 8, p.crcXor = 4; }), "xlsx: corrupt part (xl/worksheets/sheet1.xml)"},
        {changed(3, [](ZipPart& p) { p.claimedSize = 0x7FFFFFF0; }), "xlsx: part too large: xl/worksheets/sheet1.xml"},
    };
    for (const auto& [parts, message] : cases) {
        const auto sheet = Read(parts);
        ASSERT_FALSE(sheet.ok()) << message;
        EXPECT_EQ(sheet.error().message, message);
    }
}

TEST_F(XlsxReaderTest, RefusesFilesThatAreNoZip) {
    const auto path = m_dir / "fake.xlsx";
    for (const std::string& bytes : {std::string("PK\x03\x04garbage", 11), std::string("PK\x03\x04"), std::string()}) {
        moxtel::testing::WriteFile(path, bytes);
        EXPECT_FALSE(ReadXlsxWorkbook(path.string()).ok());
    }
    EXPECT_FALSE(ReadXlsxWorkbook((m_dir / "missing.xlsx").string()).ok());
}

// How fast this is belongs to the benchmarks; here only that a full day's sheet loads whole.
TEST_F(XlsxReaderTest, TwentyThousandRowsLoadWhole) {
    std::string data;
    for (int r = 6; r < 20006; ++r) {
        const std::string n = std::to_string(r);
        data += "<row r=\"" + n + "\"><c r=\"A" + n + "\" s=\"1\"><v>0.39584490740740743</v></c><c r=\"B" + n +
                "\" s=\"2\"><v>10.04</v></c><c r=\"C" + n + "\"><v>150</v></c><c r=\"D" + n +
                "\"><v>5</v></c><c r=\"E" + n + "\" t=\"s\"><v>" + std::to_string(r % 2) + "</v></c></row>";
    }
    const auto parts = MinimalWorkbook(data, "<si><t>B</t></si><si><t>S</t></si>",
                                       "<numFmts><numFmt numFmtId=\"164\" formatCode=\"hh:mm:ss\"/></numFmts>"
                                       "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/>"
                                       "<xf numFmtId=\"2\"/></cellXfs>");
    const auto path = m_dir / "big.xlsx";
    moxtel::testing::WriteFile(path, ZipBytes(parts));

    const auto sheet = ReadXlsxWorkbook(path.string());
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(sheet->cells.size(), 100000u);
    EXPECT_EQ(At(*sheet, 20005, 5).text, "S");
}

}  // namespace
}  // namespace moxtel

namespace moxtel {
namespace {

// The sheet streams through a reader of its own; the shapes of markup writers produce must read as
// before: a byte order mark, an XML declaration, comments, CDATA, entities, single quotes, CR LF.
TEST(XlsxStreamedSheet, ReadsEveryShapeOfMarkup) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "xlsx-streamed";
    std::filesystem::create_directories(dir);
    auto parts = MinimalWorkbook("");
    parts[3].data = std::string("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- written by hand -->") +
                    "<x:worksheet xmlns:x=\"" + moxtel::testing::kMainNs + "\"><x:sheetData>" +
                    "<x:row r='1'><x:c r='A1' t='inlineStr'><x:is><x:t><![CDATA[a<b]]>&amp;&#x41;&#66;\r\nc</x:t>" +
                    "</x:is></x:c><x:c r=\"B1\"><x:f>1+1</x:f><x:v>2</x:v></x:c></x:row></x:sheetData></x:worksheet>";
    const auto path = dir / "shapes.xlsx";
    moxtel::testing::WriteFile(path, ZipBytes(parts));
    const auto sheet = ReadXlsxWorkbook(path.string());
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    ASSERT_NE(sheet->Find(1, 1), nullptr);
    EXPECT_EQ(sheet->Find(1, 1)->text, "a<b&AB\nc");
    ASSERT_NE(sheet->Find(1, 2), nullptr);
    EXPECT_EQ(sheet->Find(1, 2)->number, 2.0);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace moxtel
