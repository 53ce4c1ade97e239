#include "core/import/BulkImport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/data/TestDatabase.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"
#include "core/stats/StoredDays.h"
#include "core/workbook/XlsxTestPackage.h"
#include "support/FilePermissions.h"

namespace moxtel {
namespace {

namespace fs = std::filesystem;
using test::TestDatabase;
using Rows = std::vector<std::vector<std::string>>;

// Every stored row of every day table, in a fixed order (uncertain trades in their stored order per day).
Rows AllRows(const TestDatabase& t) {
    Rows all;
    for (const char* sql :
         {"select * from gpmaster order by rowid", "select * from transin order by rowid",
          "select * from transout order by rowid", "select * from transinun order by rowid",
          "select * from transoutun order by rowid", "select * from transun order by masterid, _rowid_"}) {
        for (auto& row : t.Rows(sql)) all.push_back(std::move(row));
    }
    return all;
}

class BulkImportTest : public ::testing::Test {
protected:
    // A tab-separated tick export of a few trades; seed varies prices and directions.
    std::string Day(const std::string& name, const std::string& title, int seed) {
        const fs::path path = fs::path(m_db.Folder()) / "in" / name;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out << title << "\n\n\n\n\n";
        const char* directions[] = {"", "B", "S", "", "b"};
        for (int i = 0; i < 6; ++i) {
            out << "09:30:0" << i << "\t" << 10 + ((seed * 7 + i * 3) % 11) / 100.0 << "\t" << 50 + seed * 37 + i * 90
                << "\t" << i + 1 << "\t" << directions[(seed + i) % 5] << "\n";
        }
        return path.string();
    }

    // The same files run one at a time in date order, as a user would by hand, into a database of
    // their own.
    // stock: as --stock gives it to every header table (the standard layout keeps its A1).
    Rows ByHand(const std::vector<std::string>& inDateOrder, const std::string& stock = "") {
        TestDatabase other;
        for (const std::string& path : inDateOrder) {
            SqliteDayStore store(other.store);
            StatisticsInputs inputs{path, "", ""};
            inputs.dayOverrides.stock = stock;
            // As the command line's stats does.
            inputs.dayOverrides.storedStockOf = StoredDays(other.store).StockTextHook();
            EXPECT_TRUE(RunStatistics(inputs, &store).ok()) << path;
        }
        return AllRows(other);
    }

    ImportSummary Import(const TestDatabase& t, std::vector<std::string> paths, int jobs = 2,
                         std::size_t keptBytes = 1u << 30) {
        ImportOptions options;
        options.paths = std::move(paths);
        options.jobs = jobs;
        options.keptBytes = keptBytes;
        return ImportWorkbooks(t.store, options);
    }

    TestDatabase m_db;
};

// Two stocks interleaved and out of order give the database a run by hand in date order gives.
TEST_F(BulkImportTest, DaysOutOfOrderAndInterleavedStocksMatchARunByHandInDateOrder) {
    const std::string a3 = Day("a3.xls", "20240103 甲 (600001)", 1);
    const std::string b1 = Day("b1.xls", "20240101 乙 (600002)", 2);
    const std::string a1 = Day("a1.xls", "20240101 甲 (600001)", 3);
    const std::string b2 = Day("b2.xls", "20240102 乙 (600002)", 4);
    const std::string a2 = Day("a2.xls", "20240102 甲 (600001)", 5);
    const std::vector<std::string> given{a3, b1, a1, b2, a2};
    const Rows byHand = ByHand({a1, a2, a3, b1, b2});
    // Both ways of holding the read days: kept in memory, and read again when stored.
    for (const std::size_t kept : {std::size_t{1} << 30, std::size_t{0}}) {
        for (const int jobs : {1, 3}) {
            TestDatabase t;
            const ImportSummary s = Import(t, given, jobs, kept);
            EXPECT_EQ(s.imported, 5);
            EXPECT_TRUE(s.failures.empty());
            EXPECT_EQ(t.Scalar("select yesid from gpmaster where rowid='甲(600001)20240103'"), "甲(600001)20240102");
            EXPECT_EQ(AllRows(t), byHand) << "jobs " << jobs << " kept " << kept;
        }
    }
}

TEST_F(BulkImportTest, SameDayTwiceTheLaterInTheOrderGivenWins) {
    const std::string first = Day("x/first.xls", "20240101 甲 (600001)", 1);
    const std::string second = Day("x/second.xls", "20240101 甲 (600001)", 2);
    const Rows byHand = ByHand({first});
    TestDatabase t;
    const ImportSummary s = Import(t, {second, first});
    EXPECT_EQ(s.imported, 1);
    ASSERT_EQ(s.duplicates.size(), 1u);
    EXPECT_EQ(s.duplicates[0].kept, first);
    EXPECT_EQ(s.duplicates[0].dropped, second);
    EXPECT_EQ(s.duplicates[0].masterId, "甲(600001)20240101");
    EXPECT_EQ(AllRows(t), byHand);
}

TEST_F(BulkImportTest, DamagedFileIsReportedAndTheOthersAreImported) {
    const std::string good1 = Day("1.xls", "20240101 甲 (600001)", 1);
    const fs::path damaged = fs::path(m_db.Folder()) / "in" / "2.xls";
    std::ofstream(damaged, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "broken";
    // Trades from row 6 under a title that names no day: a tick export refused for its title.
    const std::string bad = Day("3.xls", "hello", 3);
    const std::string good2 = Day("4.xls", "20240102 甲 (600001)", 4);
    const ImportSummary s = Import(m_db, {good1, damaged.string(), bad, good2, "/nonexistent/moxtel"});
    EXPECT_EQ(s.imported, 2);
    EXPECT_EQ(s.skipped, 0);
    ASSERT_EQ(s.failures.size(), 3u);
    EXPECT_EQ(s.failures[0].path, "/nonexistent/moxtel");
    EXPECT_EQ(s.failures[1].path, damaged.string());
    EXPECT_FALSE(s.failures[1].reason.empty());
    EXPECT_EQ(s.failures[2].path, bad);
    EXPECT_NE(s.failures[2].reason.find("交易日期"), std::string::npos);
    ASSERT_TRUE(s.lastDay.has_value());
    EXPECT_EQ(s.lastDay->day.masterId, "甲(600001)20240102");
    EXPECT_EQ(m_db.Count("gpmaster"), 2);
}

TEST_F(BulkImportTest, FolderIsWalkedRecursivelyAndFilesThatAreNoWorkbooksAreSkipped) {
    Day("year/01/a.xls", "20240101 甲 (600001)", 1);
    Day("year/02/deeper/no-extension", "20240102 甲 (600001)", 2);  // recognised by content, not by name
    const fs::path year = fs::path(m_db.Folder()) / "in" / "year";
    std::ofstream(year / "README.txt") << "hello\nworld\n";
    std::ofstream(year / "empty.xls");
    std::ofstream(year / "02" / "picture.png", std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0", 10);
    const ImportSummary s = Import(m_db, {year.string()});
    EXPECT_EQ(s.imported, 2);
    EXPECT_EQ(s.skipped, 3);
    EXPECT_TRUE(s.failures.empty());
    EXPECT_EQ(m_db.Scalar("select yesid from gpmaster where datet='20240102'"), "甲(600001)20240101");
}

TEST_F(BulkImportTest, ImportingAgainReplacesEveryDayAndChangesNothing) {
    const std::vector<std::string> days{Day("1.xls", "20240101 甲 (600001)", 1), Day("2.xls", "20240102 甲 (600001)", 2)};
    EXPECT_EQ(Import(m_db, days).replaced, 0);
    const Rows once = AllRows(m_db);
    const ImportSummary again = Import(m_db, days);
    EXPECT_EQ(again.imported, 2);
    EXPECT_EQ(again.replaced, 2);
    EXPECT_EQ(AllRows(m_db), once);
}

// A file in the database's place that is no database: every day is reported, the file untouched.
TEST_F(BulkImportTest, DatabaseThatFailsStopsTheImportAndReportsEveryDay) {
    const std::vector<std::string> days{Day("1.xls", "20240101 甲 (600001)", 1), Day("2.xls", "20240102 甲 (600001)", 2),
                                        Day("3.xls", "20240101 乙 (600002)", 3)};
    fs::create_directories(fs::path(m_db.File()).parent_path());
    const std::string junk(5000, 'x');
    std::ofstream(m_db.File(), std::ios::binary) << junk;
    const ImportSummary s = Import(m_db, days);
    EXPECT_EQ(s.imported, 0);
    ASSERT_EQ(s.failures.size(), 3u);
    EXPECT_EQ(s.failures[0].reason, "not stored: the database failed");
    EXPECT_EQ(s.failures[2].reason, "not stored: stopped after the database failed");
    EXPECT_FALSE(m_db.messages.empty());
    std::ifstream in(m_db.File(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), junk);
}

// A cancel stops before the next day: the days stored are whole, the rest absent.
TEST_F(BulkImportTest, CancelKeepsTheDaysStoredWholeAndStoresNoMore) {
    std::vector<std::string> days;
    for (int d = 1; d <= 6; ++d) days.push_back(Day(std::to_string(d) + ".xls", "2024010" + std::to_string(d) + " 甲 (600001)", d));
    ImportOptions options;
    options.paths = days;
    options.jobs = 2;
    int stored = 0;
    options.progress = [&stored](const ImportProgress& p) {
        if (p.stage == ImportProgress::Stage::Storing) stored = p.done;
    };
    options.cancelled = [&stored] { return stored >= 2; };
    const ImportSummary s = ImportWorkbooks(m_db.store, options);
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.imported, 2);
    EXPECT_EQ(m_db.Count("gpmaster"), 2);
    EXPECT_EQ(m_db.Count("transin"), 2);
    EXPECT_EQ(m_db.Scalar("select count(*) from gpmaster where priceend is null or transindr is null"), "0");
    EXPECT_EQ(m_db.Scalar("select max(datet) from gpmaster"), "20240102");
}

// A header table names no stock: it takes the name of its code's newest day named by a file of this
// import (one stock text per code within an import, even for a day before that one), unless the store
// holds a newer day of the code, whose name it then takes, as stats gives it.
TEST_F(BulkImportTest, UnnamedHeaderDayTakesTheNameOfTheNewestNamedDayBeforeIt) {
    const fs::path in = fs::path(m_db.Folder()) / "in";
    fs::create_directories(in);
    auto header = [&in](const std::string& date) {
        const fs::path path = in / ("sz000001_" + date + ".csv");
        fs::copy_file(fs::path(MOXTEL_TEST_DATA_DIR) / "header-bom-sz000001_20241204.csv", path,
                      fs::copy_options::overwrite_existing);
        return path.string();
    };
    const std::string h02 = header("20241202"), h04 = header("20241204"), h05 = header("20241205");
    const std::string n03 = Day("n03.txt", "20241203 平安银行 (000001)", 1);
    const std::string n10 = Day("n10.txt", "20241210 平安新 (000001)", 2);
    struct Case {
        std::vector<std::string> storedBefore;
        std::vector<std::string> given;
        std::vector<std::string> inDateOrder;
        const char* stock = "";  // the stock text every header table takes
    };
    const std::vector<Case> cases{
        {{}, {n03, h04}, {n03, h04}},
        {{}, {h04, n03}, {n03, h04}},
        // h02, the day before n03, named as n03 names it.
        {{}, {h05, h04, h02, n03}, {h02, n03, h04, h05}, "平安银行(000001)"},
        {{n03}, {h04}, {n03, h04}},
        {{n10}, {n03, h04}, {n10, n03, h04}},  // the store's newest day is later still: its name wins
    };
    for (const Case& c : cases) {
        const Rows byHand = ByHand(c.inDateOrder, c.stock);
        for (const std::size_t kept : {std::size_t{1} << 30, std::size_t{0}}) {
            TestDatabase t;
            for (const std::string& path : c.storedBefore) {
                SqliteDayStore store(t.store);
                ASSERT_TRUE(RunStatistics({path, "", ""}, &store).ok());
            }
            const ImportSummary s = Import(t, c.given, 2, kept);
            EXPECT_TRUE(s.failures.empty());
            EXPECT_TRUE(s.duplicates.empty());
            EXPECT_EQ(AllRows(t), byHand) << c.given.front() << " kept " << kept;
        }
    }
    TestDatabase t;
    Import(t, {n03, h04});
    EXPECT_EQ(t.Scalar("select yesid from gpmaster where rowid='平安银行(000001)20241204'"),
              "平安银行(000001)20241203");
}

// One entry per file left out, each naming the file whose day was stored.
TEST_F(BulkImportTest, SameDayThriceEveryDroppedFileNamesTheOneKept) {
    const std::string x1 = Day("dup/x1.txt", "20240101 甲 (600001)", 1);
    const std::string x2 = Day("dup/x2.txt", "20240101 甲 (600001)", 2);
    const std::string x3 = Day("dup/x3.txt", "20240101 甲 (600001)", 3);
    const Rows byHand = ByHand({x3});
    TestDatabase t;
    const ImportSummary s = Import(t, {x1, x2, x3});
    EXPECT_EQ(s.imported, 1);
    ASSERT_EQ(s.duplicates.size(), 2u);
    EXPECT_EQ(s.duplicates[0].dropped, x1);
    EXPECT_EQ(s.duplicates[1].dropped, x2);
    EXPECT_EQ(s.duplicates[0].kept, x3);
    EXPECT_EQ(s.duplicates[1].kept, x3);
    EXPECT_EQ(AllRows(t), byHand);
}

// A file named twice (by itself and inside a folder given) is read once and is no duplicate of itself.
TEST_F(BulkImportTest, FileGivenTwiceIsImportedOnce) {
    const std::string five = Day("A/5.txt", "20240105 甲 (600001)", 1);
    const ImportSummary s = Import(m_db, {(fs::path(m_db.Folder()) / "in" / "A").string(), five});
    EXPECT_EQ(s.imported, 1);
    EXPECT_TRUE(s.duplicates.empty());
    EXPECT_TRUE(s.failures.empty());
}

// What is no workbook is skipped; a workbook that cannot be read as a tick table fails, its reason
// in the import's plain style (or the program's own message).
TEST_F(BulkImportTest, ContainersThatHoldNoWorkbookAreSkippedAndWorkbooksThatFailAreReported) {
    const fs::path in = fs::path(m_db.Folder()) / "in";
    fs::create_directories(in);
    auto write = [&in](const std::string& name, const std::string& bytes) {
        std::ofstream(in / name, std::ios::binary) << bytes;
        return (in / name).string();
    };
    auto copy = [&in](const std::string& fixture, const std::string& name) {
        fs::copy_file(fs::path(MOXTEL_TEST_DATA_DIR) / fixture, in / name);
        return (in / name).string();
    };
    using testing::ZipBytes;
    struct Case {
        std::string path;
        std::string reason;  // "" when skipped
        ImportIssue issue;   // of the failure, or of the skip
        std::string skipReason = {};  // a skipped text file: the reason stats gives
    };
    std::vector<Case> cases{
        {write("archive.zip", ZipBytes({{"readme.txt", "hello"}})), "", ImportIssue::Unreadable},
        {write("letter.docx", ZipBytes({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", "<w/>"}})), "",
         ImportIssue::Unreadable},
        {copy("no-workbook-stream.xls", "memo.doc"), "", ImportIssue::Unreadable},
        {write("notes.txt", "just some notes\n"), "", ImportIssue::Refused,
         "无法识别文件“notes.txt”的格式：找不到列 成交时间、成交价格、成交量、性质。"},
        {write("no-side.csv", "time,price,volume\n09:30:00,10.00,5\n"), "", ImportIssue::NoDirection,
         "无法识别文件“no-side.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 性质(买盘/卖盘) "
         "列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。"},
        {write("damaged.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "broken"),
         "the workbook is damaged: its header is truncated", ImportIssue::Unreadable},
        {copy("encrypted.xls", "locked.xls"), "the workbook is encrypted (password protected) and cannot be read",
         ImportIssue::Unreadable},
        {copy("several-sheets.xls", "budget.xls"),
         "无法识别文件“budget.xls”的格式：找不到列 成交时间、成交价格、成交量、性质。", ImportIssue::Refused},
    };
    const test::FilePermissionsApply permissions;  // root too meets the file's mode
    if (permissions.Hold()) {
        const std::string locked = Day("unreadable.xls", "20240101 甲 (600001)", 1);
        chmod(locked.c_str(), 0);
        cases.push_back({locked, "cannot read the file: permission denied", ImportIssue::Unreadable});
    }
    for (const Case& c : cases) {
        const ImportSummary s = Import(m_db, {c.path});
        EXPECT_EQ(s.imported, 0);
        EXPECT_EQ(s.skipped, c.reason.empty() ? 1 : 0) << c.path;
        ASSERT_EQ(s.skippedFiles.size(), c.reason.empty() ? 1u : 0u) << c.path;
        if (c.reason.empty()) {
            EXPECT_EQ(s.skippedFiles[0].path, c.path);
            EXPECT_EQ(s.skippedFiles[0].issue, c.issue) << c.path;
            EXPECT_FALSE(s.skippedFiles[0].reason.empty()) << c.path;
            if (!c.skipReason.empty()) {
                EXPECT_EQ(s.skippedFiles[0].reason, c.skipReason);
            }
        }
        ASSERT_EQ(s.failures.size(), c.reason.empty() ? 0u : 1u) << c.path;
        if (!c.reason.empty()) {
            EXPECT_EQ(s.failures[0].reason, c.reason) << c.path;
            EXPECT_EQ(s.failures[0].issue, c.issue) << c.path;
        }
    }
}

// Real tick files as people keep them: English CSVs in folders by code, named by date, numbers for
// directions, and one table of two days. Each day is stored under its folder's code and its date,
// linked to the day before, whether kept in memory or read again before it is stored.
class BulkImportShapes : public BulkImportTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(BulkImportShapes, FoldersDatesAndCodesGiveOneLinkedDayEach) {
    const fs::path in = fs::path(m_db.Folder()) / "in";
    auto write = [&in](const std::string& name, const std::string& text) {
        fs::create_directories((in / name).parent_path());
        std::ofstream(in / name, std::ios::binary) << text;
    };
    const std::string header = "timestamp,price,volume,turnover,direction\n";
    write("sz/600001/tick/2024-01-02.csv", header + "2024-01-02 09:30:01,10.00,5,5000,1\n2024-01-02 09:30:02,9.99,6,6000,-1\n");
    write("sz/600001/tick/2024-01-03.csv", header + "2024-01-03 09:30:02,10.01,7,7000,0\n2024-01-03 09:30:01,10.02,8,8000,1\n"
                                                    "2024-01-03 09:30:03,10.03,9,9000,-1\n");
    write("2024-01-02/sh600002.csv", "time,price,volume,type\n09:30:01,20.00,1,buy\n09:30:02,20.01,2,sell\n");
    write("600003/ticks.csv", "datetime,price,vol,bs\n2024-01-03 09:30:01,30.00,1,B\n2024-01-02 09:30:01,29.00,2,S\n"
                              "2024-01-03 09:30:02,30.01,3,N\n");
    ImportOptions options;
    options.paths = {in.string()};
    options.jobs = 2;
    options.keptBytes = GetParam();
    const ImportSummary s = ImportWorkbooks(m_db.store, options);
    for (const ImportFailure& f : s.failures) ADD_FAILURE() << f.path << ": " << f.reason;
    EXPECT_EQ(s.imported, 5);
    EXPECT_EQ(s.skipped, 0);
    EXPECT_EQ(m_db.Rows("select code, datet, yesid from gpmaster order by code, datet"),
              (Rows{{"600001(600001)", "20240102", "0"},
                    {"600001(600001)", "20240103", "600001(600001)20240102"},
                    {"600002(600002)", "20240102", "0"},
                    {"600003(600003)", "20240102", "0"},
                    {"600003(600003)", "20240103", "600003(600003)20240102"}}));
    // The sorted day's first and last price are those of its earliest and latest trade.
    EXPECT_EQ(m_db.Rows("select pricebeg, priceend from gpmaster where datet = '20240103' and code = '600001(600001)'"),
              (Rows{{"10.01", "10.03"}}));
    ASSERT_EQ(s.warnings.size(), 1u);
    EXPECT_EQ(s.warnings[0].what, "2 行成交不按时间先后排列，已按成交时间排序");
}

INSTANTIATE_TEST_SUITE_P(KeptOrReadAgain, BulkImportShapes, ::testing::Values(std::size_t{1} << 30, std::size_t{0}));

// Numbers other than 1/-1/0 are a failure naming them until the codes are given.
TEST_F(BulkImportTest, DirectionCodesAreAFailureUntilGiven) {
    const fs::path file = fs::path(m_db.Folder()) / "in" / "600001_20240102.csv";
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << "time,price,volume,side\n09:30:01,10.00,5,0\n09:30:02,9.99,6,1\n";
    ImportSummary s = Import(m_db, {file.string()});
    EXPECT_EQ(s.imported, 0);
    ASSERT_EQ(s.failures.size(), 1u);
    EXPECT_NE(s.failures[0].reason.find("(0、1)"), std::string::npos) << s.failures[0].reason;
    EXPECT_EQ(s.failures[0].issue, ImportIssue::Refused);

    ImportOptions options;
    options.paths = {file.string()};
    options.directionCodes = *ParseDirectionCodes("1,0,2");
    s = ImportWorkbooks(m_db.store, options);
    EXPECT_EQ(s.imported, 1);
    EXPECT_TRUE(s.failures.empty());
    EXPECT_EQ(m_db.Rows("select one from transin"), (Rows{{"6"}}));  // 1 is the buy
}

// The warnings of the days stored reach the summary with the file and the rows they belong to.
TEST_F(BulkImportTest, WarningsOfTheStoredDaysAreInTheSummary) {
    const fs::path in = fs::path(m_db.Folder()) / "in";
    fs::create_directories(in);
    std::ofstream(in / "bad.txt", std::ios::binary) << "20240101 甲 (600001)\n\n\n\n\n09:30:00\tx\t10\t1\tB\n";
    const std::string good = Day("good.txt", "20240102 甲 (600001)", 1);
    const ImportSummary s = Import(m_db, {(in / "bad.txt").string(), good});
    EXPECT_EQ(s.imported, 2);
    ASSERT_EQ(s.warnings.size(), 1u);
    EXPECT_EQ(s.warnings[0].file, (in / "bad.txt").string());
    EXPECT_EQ(s.warnings[0].rows, std::vector<int>{6});
    EXPECT_EQ(s.warnings[0].what, "1 行成交的价格或成交量不是数字，按 0 计算(第 6 行)");
}

// A list without directions is set aside as such; imported again with the directions inferred, the
// two summaries read as one import of every file.
TEST_F(BulkImportTest, ListsWithoutDirectionsCanBeImportedAgainInferred) {
    const std::string good = Day("good.txt", "20240102 甲 (600001)", 1);
    const fs::path noSide = fs::path(m_db.Folder()) / "in" / "600001_20240103.csv";
    std::ofstream(noSide, std::ios::binary) << "time,price,volume\n09:30:00,10.00,5\n09:30:01,10.01,7\n";
    const ImportSummary first = Import(m_db, {good, noSide.string(), noSide.string() + ".missing"});
    ASSERT_EQ(FilesWithoutDirection(first), std::vector<std::string>{noSide.string()});

    ImportOptions options;
    options.paths = FilesWithoutDirection(first);
    options.inferDirection = true;
    const ImportSummary s = WithInferredRetry(first, ImportWorkbooks(m_db.store, options));
    EXPECT_EQ(s.imported, 2);
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.skipped, 0);
    EXPECT_TRUE(s.skippedFiles.empty());
    EXPECT_TRUE(FilesWithoutDirection(s).empty());
    ASSERT_EQ(s.failures.size(), 1u);  // the missing path stays a failure
    EXPECT_EQ(s.failures[0].issue, ImportIssue::NoSuchPath);
    ASSERT_EQ(s.storedDays.size(), 2u);
    EXPECT_FALSE(s.storedDays[0].inferredDirection);
    EXPECT_TRUE(s.storedDays[1].inferredDirection);
    ASSERT_TRUE(s.lastDay.has_value());
    EXPECT_EQ(s.lastDay->day.tradeDate, "20240103");
}

}  // namespace
}  // namespace moxtel
