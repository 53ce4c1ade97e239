#include "core/workbook/CExcelReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "XlsxTestPackage.h"

namespace moxtel {
namespace {

namespace fs = std::filesystem;
using moxtel::testing::ReadFile;
using moxtel::testing::WriteFile;

const fs::path kData = MOXTEL_TEST_DATA_DIR;

class CExcelReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(::testing::TempDir()) /
                ("excel-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(m_dir);
        m_reader.SetWarningSink([this](const std::string& message) { m_warnings.push_back(message); });
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Write(const std::string& name, const std::string& bytes) {
        WriteFile(m_dir / name, bytes);
        return m_dir / name;
    }

    bool Open(const fs::path& path) { return m_reader.OpenWorkbook(path.string()); }

    fs::path m_dir;
    CExcelReader m_reader;
    std::vector<std::string> m_warnings;
};

// The worked trading day as every export of it must read, rows 1 to 10, columns 1 to 5.
const std::vector<std::vector<std::string>> kWorkedDay = {
    {"20000101 ABC (600000)", "", "", "", ""},
    {"", "", "", "", ""},
    {"分笔成交明细", "", "", "", ""},
    {"", "", "", "", ""},
    {"时间", "价格", "现手", "笔数", "性质"},
    {"09:30:01", "10.00", "50", "3", ""},
    {"09:30:05", "10.04", "150", "5", "B"},
    {"09:30:09", "10.00", "1200", "9", "S"},
    {"09:30:12", "10.02", "300", "4", ""},
    {"", "", "", "", ""},
};

void ExpectWorkedDay(CExcelReader& reader, const std::string& name) {
    for (int r = 1; r <= 10; ++r) {
        for (int c = 1; c <= 5; ++c) {
            EXPECT_EQ(reader.GetCellText(r, c), kWorkedDay[r - 1][c - 1]) << name << " row " << r << " column " << c;
        }
    }
}

TEST_F(CExcelReaderTest, WorkedDayReadsAlikeFromEveryContainer) {
    // The container is found from the content: the names below are deliberately the wrong ones.
    const std::vector<std::pair<std::string, std::string>> files = {
        {"worked-day.xlsx", "worked-day.xlsx"},
        {"worked-day.xlsx", "xlsx-named.xls"},
        {"gbk-tab-export.xls", "gbk-tab-export.xls"},
        {"gbk-tab-export.xls", "text-named.xlsx"},
        {"gbk-tab-export.xls", "no-extension"},
    };
    for (const auto& [fixture, name] : files) {
        const fs::path path = m_dir / name;
        fs::copy_file(kData / fixture, path, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(Open(path)) << name << ": " << m_reader.LastError();
        ExpectWorkedDay(m_reader, name);
        m_reader.CloseWorkbook();
    }
    EXPECT_TRUE(m_warnings.empty());
}

TEST_F(CExcelReaderTest, OleContainerGoesToTheBiffReaderWithItsSmallerGrid) {
    const fs::path path = m_dir / "biff-named.xlsx";
    fs::copy_file(kData / "worked-day.xls", path);
    ASSERT_TRUE(Open(path)) << m_reader.LastError();
    EXPECT_EQ(m_reader.GetCellText(1, 1), "20000101 ABC (600000)");
    for (int r = 6; r <= 10; ++r) {
        for (int c = 1; c <= 5; ++c) EXPECT_EQ(m_reader.GetCellText(r, c), kWorkedDay[r - 1][c - 1]) << r << "," << c;
    }
    EXPECT_EQ(m_reader.GetCellText(65536, 256), "");
    EXPECT_TRUE(m_warnings.empty());
    EXPECT_EQ(m_reader.GetCellText(65537, 256), "");
    EXPECT_EQ(m_reader.GetCellText(7, 257), "");
    EXPECT_EQ(m_warnings, (std::vector<std::string>{"由于(65537,256)已经超过了(65536,256)的范围,所以返回空值",
                                                    "由于(7,257)已经超过了(65536,256)的范围,所以返回空值"}));
}

TEST_F(CExcelReaderTest, ChineseTitleSurvivesEveryTextEncoding) {
    const std::string title = "20000101 浦发银行 (600000)";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"gb18030-chinese-title.xls", title + " 𠀀"},
        {"utf16le-bom-export.xls", title},
        {"utf16be-bom-export.xls", title},
        {"utf8-bom-export.csv", title},
    };
    for (const auto& [fixture, a1] : files) {
        ASSERT_TRUE(Open(kData / fixture)) << fixture << ": " << m_reader.LastError();
        EXPECT_EQ(m_reader.GetCellText(1, 1), a1) << fixture;
        EXPECT_EQ(m_reader.GetCellText(5, 5), "性质") << fixture;
        EXPECT_EQ(m_reader.GetCellText(7, 2), "10.04") << fixture;
        EXPECT_EQ(m_reader.GetCellText(8, 5), "S") << fixture;
        EXPECT_EQ(m_reader.GetCellText(9, 5), "") << fixture;
        EXPECT_EQ(m_reader.GetCellText(10, 1), "") << fixture;
    }
    ASSERT_TRUE(Open(kData / "utf8-bom-export.csv"));
    EXPECT_EQ(m_reader.GetCellText(3, 1), "备注, \"含逗号\"");
    EXPECT_EQ(m_reader.GetCellText(4, 1), "两行\n文字");
}

TEST_F(CExcelReaderTest, RendersCellsAsDisplayed) {
    const std::string styles = "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"2\"/></cellXfs>";
    const auto path = Write("kinds.xlsx", moxtel::testing::ZipBytes(moxtel::testing::MinimalWorkbook(
                                              "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>10.5</v></c>"
                                              "<c r=\"B1\" t=\"b\"><v>1</v></c><c r=\"C1\" t=\"b\"><v>0</v></c>"
                                              "<c r=\"D1\" t=\"e\"><v>#N/A</v></c><c r=\"E1\"><v>50</v></c>"
                                              "<c r=\"F1\" t=\"s\"><v>0</v></c><c r=\"G1\" s=\"1\"/></row>",
                                              "<si><t>09:30:01</t></si>", styles)));
    ASSERT_TRUE(Open(path)) << m_reader.LastError();
    EXPECT_EQ(m_reader.GetCellText(1, 1), "10.50");
    EXPECT_EQ(m_reader.GetCellText(1, 2), "TRUE");
    EXPECT_EQ(m_reader.GetCellText(1, 3), "FALSE");
    EXPECT_EQ(m_reader.GetCellText(1, 4), "#N/A");
    EXPECT_EQ(m_reader.GetCellText(1, 5), "50");
    EXPECT_EQ(m_reader.GetCellText(1, 6), "09:30:01");
    EXPECT_EQ(m_reader.GetCellText(1, 7), "");
    EXPECT_EQ(m_reader.GetCellText(0, 1), "");
    EXPECT_EQ(m_reader.GetCellText(1, -3), "");
}

TEST_F(CExcelReaderTest, CellsBeyondTheGridWarnAndReadEmpty) {
    for (const char* fixture : {"worked-day.xlsx", "gbk-tab-export.xls"}) {
        m_warnings.clear();
        ASSERT_TRUE(Open(kData / fixture));
        EXPECT_EQ(m_reader.GetCellText(1048576, 16384), "");
        EXPECT_TRUE(m_warnings.empty()) << fixture;
        EXPECT_EQ(m_reader.GetCellText(1048577, 1), "");
        EXPECT_EQ(m_reader.GetCellText(6, 16385), "");
        ASSERT_EQ(m_warnings.size(), 2u) << fixture;
        EXPECT_EQ(m_warnings[0], "由于(1048577,1)已经超过了(1048576,16384)的范围,所以返回空值");
        EXPECT_EQ(m_warnings[1], "由于(6,16385)已经超过了(1048576,16384)的范围,所以返回空值");
    }
}

TEST_F(CExcelReaderTest, LifecycleOfOpenReadReplaceClose) {
    m_reader.CloseWorkbook();  // nothing open yet: harmless
    EXPECT_EQ(m_reader.GetCellText(1, 1), "");
    EXPECT_EQ(m_reader.Sheet(), nullptr);

    ASSERT_TRUE(Open(kData / "worked-day.xlsx"));
    ASSERT_TRUE(Open(kData / "utf16le-bom-export.xls"));  // replaces the first workbook
    EXPECT_EQ(m_reader.GetCellText(1, 1), "20000101 浦发银行 (600000)");
    EXPECT_EQ(m_reader.GetCellText(6, 1), "09:30:01");

    EXPECT_FALSE(Open(m_dir / "missing.xls"));  // a failed open leaves nothing open
    EXPECT_FALSE(m_reader.LastError().empty());
    EXPECT_EQ(m_reader.Sheet(), nullptr);
    EXPECT_EQ(m_reader.GetCellText(1, 1), "");

    ASSERT_TRUE(Open(kData / "gbk-tab-export.xls"));
    EXPECT_TRUE(m_reader.LastError().empty());
    m_reader.CloseWorkbook();
    m_reader.CloseWorkbook();
    EXPECT_EQ(m_reader.GetCellText(1, 1), "");
}

TEST_F(CExcelReaderTest, RefusesWhatIsNoWorkbook) {
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    auto noSheet = moxtel::testing::MinimalWorkbook("<row r=\"1\"/>");
    noSheet.pop_back();

    const std::vector<std::pair<const char*, fs::path>> cases = {
        {"missing", m_dir / "missing.xlsx"},
        {"folder", m_dir},
        {"empty", Write("empty.xls", "")},
        {"binary noise", Write("noise.xls", noise)},
        {"OLE2 signature then noise", Write("ole.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + noise)},
        {"ZIP signature then noise", Write("zip.xls", "PK\x03\x04" + noise)},
        {"ZIP without the sheet", Write("nosheet.xlsx", moxtel::testing::ZipBytes(noSheet))},
    };
    for (const auto& [name, path] : cases) {
        EXPECT_FALSE(Open(path)) << name;
        EXPECT_FALSE(m_reader.LastError().empty()) << name;
        EXPECT_EQ(m_reader.GetCellText(1, 1), "") << name;
    }
}

TEST_F(CExcelReaderTest, DamagedWorkbooksNeverCrash) {
    const std::string whole = ReadFile(kData / "worked-day.xlsx");
    ASSERT_GT(whole.size(), 1000u);
    // Every prefix that still starts with the ZIP signature lacks the directory at the file's end,
    // so each one is refused. Every cut inside the last 200 bytes (the directory), a sample before.
    // (Each prefix gets its own file: truncating one file over and over is slow on some disks.)
    for (std::size_t size = 4; size < whole.size(); size += size + 200 < whole.size() ? 7 : 1) {
        const fs::path path = Write("cut-" + std::to_string(size) + ".xlsx", whole.substr(0, size));
        EXPECT_FALSE(Open(path)) << "truncated to " << size;
    }
    // A damaged byte may or may not be noticed, but the reader must stay sound either way.
    const fs::path path = Write("damaged.xlsx", whole);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (std::size_t at = 0; at < whole.size(); at += 11) {
        file.seekp(static_cast<std::streamoff>(at)).put(static_cast<char>(whole[at] ^ 0x5A)).flush();
        if (Open(path)) m_reader.GetCellText(6, 1);
        file.seekp(static_cast<std::streamoff>(at)).put(whole[at]).flush();
    }
}

}  // namespace
}  // namespace moxtel
