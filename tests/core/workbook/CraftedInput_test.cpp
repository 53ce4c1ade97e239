// Small files crafted to cost far more than their size: each is either read within a bound of
// memory and time, or refused with a message; none may exhaust the machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "MemoryProbe.h"
#include "XlsxTestPackage.h"
#include "core/workbook/BiffWorkbook.h"
#include "core/workbook/CExcelReader.h"
#include "core/workbook/NumberFormat.h"
#include "core/workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

using moxtel::testing::MinimalWorkbook;
using moxtel::testing::PeakGrowthKb;
using moxtel::testing::ZipBytes;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;  // its allocator and shadow memory make memory figures meaningless
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

class CraftedInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::path(::testing::TempDir()) /
                ("crafted-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const auto path = m_dir / name;
        moxtel::testing::WriteFile(path, bytes);
        return path.string();
    }
    // Writes bytes and lets go of them, so that a memory measurement afterwards counts only the
    // reader: the file's path, and its size in KiB.
    struct Written {
        std::string path;
        std::size_t kb;
    };
    Written WriteAndRelease(const std::string& name, std::string& bytes) {
        const std::size_t kb = bytes.size() / 1024;
        std::string path = Write(name, bytes);
        bytes.clear();
        bytes.shrink_to_fit();
        return {std::move(path), kb};
    }
    std::string WriteXlsx(const std::string& sheetData, const std::string& strings = "",
                          const std::string& styles = "") {
        return Write("book.xlsx", ZipBytes(MinimalWorkbook(sheetData, strings, styles)));
    }

    std::filesystem::path m_dir;
};

std::string StylesWithCode(const std::string& code) {
    return "<numFmts><numFmt numFmtId=\"164\" formatCode=\"" + code +
           "\"/></numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs>";
}

// Each "@" of a text format repeats the text, "[" and "," cost the parser per byte of the code:
// codes far past the spreadsheet's own 255 characters are refused, never parsed.
TEST_F(CraftedInputTest, OverlongFormatCodesAreRefused) {
    const std::string title = "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>20000101 ABC</t></is></c></row>";
    for (const std::string& code : {std::string(100000, '@'), std::string(1000000, '['), std::string(200000, ','),
                                    std::string(kMaxFormatCodeBytes + 1, '0')}) {
        const auto sheet = ReadXlsxWorkbook(WriteXlsx(title, "", StylesWithCode(code)));
        ASSERT_FALSE(sheet.ok()) << code.substr(0, 8);
        EXPECT_NE(sheet.error().message.find("format code is too long"), std::string::npos);
    }
    // At the bound the code is read, and the text it repeats is cut at the rendering bound.
    const std::string longTitle = "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>" + std::string(200, 'x') +
                                  "</t></is></c></row>";
    const auto sheet =
        ReadXlsxWorkbook(WriteXlsx(longTitle, "", StylesWithCode(std::string(kMaxFormatCodeBytes, '@'))));
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    const CellValue* a1 = sheet->Find(1, 1);
    ASSERT_NE(a1, nullptr);
    EXPECT_EQ(sheet->Format(a1->formatId).Text(a1->text).size(), kMaxRenderedBytes);
}

TEST(CraftedFormatCode, OverlongCodesRenderAsGeneralThroughTheTextInterface) {
    EXPECT_EQ(FormatNumber(10.5, std::string(1000000, '[')), "10.5");
    EXPECT_EQ(FormatText("abc", std::string(100000, '@')), "abc");
    EXPECT_EQ(CompiledFormat(std::string(200000, ',')).Number(1234.5, false), "1234.5");
    EXPECT_EQ(FormatText("ab", "@@@"), "ababab");  // below the bound a code works as written
}

// One long shared string shown by many cells is stored once, not once per cell.
TEST_F(CraftedInputTest, SharedStringIsStoredOnceForAllItsCells) {
    const std::string big(200000, 'x');
    std::string rows;
    for (int r = 1; r <= 2000; ++r) {
        const std::string n = std::to_string(r);
        rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>0</v></c></row>";
    }
    const auto sheet = ReadXlsxWorkbook(WriteXlsx(rows, "<si><t>" + big + "</t></si>"));
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(sheet->cells.size(), 2000u);
    EXPECT_LT(sheet->texts.Bytes(), 2 * big.size());
    EXPECT_EQ(sheet->Find(2000, 1)->text.data(), sheet->Find(1, 1)->text.data());
}

// A sheet of nothing but empty cells inflates to many times its package; it streams through
// without a tree of the whole part.
TEST_F(CraftedInputTest, SheetOfEmptyCellsStreamsInBoundedMemory) {
    if (kAddressSanitizer) GTEST_SKIP() << "memory is measured without AddressSanitizer";
    std::string rows = "<row r=\"1\">";
    for (int i = 0; i < 2'000'000; ++i) rows += "<c/>";
    rows += "</row>";
    const std::string path = WriteXlsx(rows);
    rows.clear();
    const long growth = PeakGrowthKb([&] {
        const auto sheet = ReadXlsxWorkbook(path);
        return sheet.ok() && sheet->cells.empty();
    });
    ASSERT_GE(growth, 0);
    EXPECT_LT(growth, 16 * 1024);  // a tree of the 8 MB part took over 100 MB
}

// Bytes that are not UTF-8 in any kind of xlsx text become U+FFFD, so what reaches --json is UTF-8.
TEST_F(CraftedInputTest, XlsxTextIsMadeValidUtf8) {
    const std::string bad = "a\xff\xc3(b\xed\xa0\x80";
    const std::string fixed = "a\xEF\xBF\xBD\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD";
    const auto sheet = ReadXlsxWorkbook(WriteXlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
                                                  "<c r=\"B1\" t=\"inlineStr\"><is><t>" + bad + "</t></is></c>"
                                                  "<c r=\"C1\" t=\"str\"><v>" + bad + "</v></c>"
                                                  "<c r=\"D1\" t=\"e\"><v>" + bad + "</v></c></row>",
                                                  "<si><t>" + bad + "</t></si>"));
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    for (std::uint32_t column = 1; column <= 4; ++column) EXPECT_EQ(sheet->Find(1, column)->text, fixed) << column;
}

// BIFF: thousands of distinct FORMAT records (the spreadsheet keeps some 250) are refused.
std::string Record(std::uint16_t type, const std::string& body) {
    std::string out{static_cast<char>(type & 0xFF), static_cast<char>(type >> 8),
                    static_cast<char>(body.size() & 0xFF), static_cast<char>(body.size() >> 8)};
    return out + body;
}

TEST(CraftedBiff, TooManyNumberFormatsAreRefused) {
    const std::string bof = Record(0x0809, std::string("\x00\x06\x05\x00", 4) + std::string(12, '\0'));
    for (const std::size_t count : {kMaxSheetFormats, kMaxSheetFormats + 1}) {
        std::string stream = bof;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string code = "0." + std::to_string(i);
            std::string body{static_cast<char>(i & 0xFF), static_cast<char>((i >> 8) & 0xFF),
                             static_cast<char>(code.size()), '\0', '\0'};
            stream += Record(0x041E, body + code);
        }
        stream += Record(0x000A, "");
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());
        const auto globals = biff::ReadGlobals({bytes, stream.size()}, false);
        if (count <= kMaxSheetFormats) {
            EXPECT_TRUE(globals.ok()) << count;
        } else {
            ASSERT_FALSE(globals.ok());
            EXPECT_NE(globals.error().message.find("too many number formats"), std::string::npos);
        }
    }
}

// A text export of millions of one-letter fields keeps its text and one offset per line, never a
// record per field: memory stays a small multiple of the file.
TEST_F(CraftedInputTest, TextExportOfTinyFieldsReadsInBoundedMemory) {
    if (kAddressSanitizer) GTEST_SKIP() << "memory is measured without AddressSanitizer";
    std::string fields;
    fields.reserve(2 * (kMaxSheetCells + 10));
    for (std::size_t i = 0; i <= kMaxSheetCells; ++i) fields += (i % 1000 == 999) ? "b\n" : "a\t";
    const Written file = WriteAndRelease("tiny.xls", fields);
    const long growth = PeakGrowthKb([&] {
        CExcelReader reader;
        return reader.OpenWorkbook(file.path) && reader.GetCellText(3000, 1000) == "b" &&
               reader.GetCellText(3000, 999) == "a" && reader.GetCellText(3000, 1001).empty();
    });
    ASSERT_GE(growth, 0) << "the file was not read";
    EXPECT_LT(growth, static_cast<long>(3 * file.kb));
}

// A text export on one long line has to be held whole to be read, but only once: the line is
// decoded in pieces into room made for the rest of the text, not regrown by doubling beside a
// piece read as long as the line.
TEST_F(CraftedInputTest, TextExportOnOneLineIsHeldOnce) {
    if (kAddressSanitizer) GTEST_SKIP() << "memory is measured without AddressSanitizer";
    constexpr std::size_t kFields = 4u << 20;
    std::string fields;
    fields.reserve(2 * kFields);
    for (std::size_t i = 0; i < kFields; ++i) fields += "a\t";
    const Written file = WriteAndRelease("one-line.xls", fields);
    const long growth = PeakGrowthKb([&] {
        CExcelReader reader;
        return reader.OpenWorkbook(file.path) && reader.GetCellText(1, 3) == "a" && reader.GetCellText(2, 1).empty();
    });
    ASSERT_GE(growth, 0) << "the file was not read";
    EXPECT_LT(growth, static_cast<long>(file.kb * 3 / 2));
}

// Out of memory while reading is the reader's error with its reason, never an abort.
TEST_F(CraftedInputTest, OutOfMemoryIsReportedNotThrown) {
    if (kAddressSanitizer) GTEST_SKIP() << "no address-space cap under AddressSanitizer";
    std::string fields;
    // Larger than the cap even as one text. A large export is read through a window of its lines:
    // it opens and reads forward within the cap; reading backwards past the window needs the whole
    // text.
    for (int i = 0; i < 20'000'000; ++i) fields += (i % 1000 == 999) ? "a\n" : "a\t";
    const std::string path = Write("big.txt", fields);
    const bool reported = moxtel::testing::RunWithMemoryCap(32 * 1024, [&] {
        CExcelReader reader;
        if (!reader.OpenWorkbook(path) || reader.GetCellText(19'999, 1000) != "a") return false;
        for (int row = 19'998; row > 0 && reader.ReadError().empty(); --row) reader.GetCellText(row, 1);
        return reader.ReadError() == "text table: not enough memory";
    });
    EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace moxtel
