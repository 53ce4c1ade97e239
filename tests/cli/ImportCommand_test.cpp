#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "CliTestSupport.h"
#include "cli/ImportProgressBar.h"
#include "core/workbook/Utf8Check.h"

namespace moxtel::test {
namespace {

class ImportCommand : public CliTest {
protected:
    // A text export of `trades` rows for one stock and day.
    std::string Day(const std::string& name, const std::string& date, int trades = 4) {
        const auto path = m_dir / "in" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out << date << " 甲 (600001)\n\n\n\n\n";
        for (int i = 0; i < trades; ++i) {
            out << "09:30:00\t" << 10 + (i % 7) / 100.0 << "\t" << 30 + i % 1200 << "\t1\t" << (i % 3 ? "B" : "") << "\n";
        }
        return path.string();
    }

    // Every day stored is whole: its master row completed and its four bucket rows present.
    void ExpectEveryStoredDayWhole() {
        EXPECT_EQ(Count("select rowid from gpmaster where priceend is null or transindr is null"), 0);
        const int days = Count("select rowid from gpmaster");
        for (const char* table : {"transin", "transout", "transinun", "transoutun"}) {
            EXPECT_EQ(Count(std::string("select masterid from ") + table), days) << table;
        }
        EXPECT_EQ(Count("select masterid from transun where masterid not in (select rowid from gpmaster)"), 0);
        CAdoDatabase db(m_store);
        db.OpenRecordset("PRAGMA integrity_check");
        EXPECT_EQ(db.GetFieldText(0), "ok");
    }
};

TEST_F(ImportCommand, SummaryTextAndExitStatuses) {
    Day("b.xls", "20240102");
    Day("a.xls", "20240101");
    std::ofstream(m_dir / "in" / "notes.txt") << "not a workbook\n";
    auto r = Run({"import", (m_dir / "in").string(), "--jobs", "2"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("imported 2 days (0 replaced an earlier copy), 0 failed, 1 skipped"), std::string::npos) << r.out;
    EXPECT_EQ(Count("select rowid from gpmaster where yesid=?", {"甲(600001)20240101"}), 1);

    r = Run({"import", (m_dir / "in").string(), (m_dir / "missing").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("2 replaced"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("failed: " + (m_dir / "missing").string() + ": "), std::string::npos) << r.out;
}

// An import that stores nothing of what was given fails and says why in one line; each skipped
// file is listed with the reason stats gives for it, the first ten in text and all in JSON.
TEST_F(ImportCommand, NothingStoredFailsAndEverySkippedFileHasItsReason) {
    const auto in = m_dir / "in";
    std::filesystem::create_directories(in);
    for (int i = 0; i < 12; ++i) {
        std::ofstream(in / ("n" + std::to_string(10 + i) + ".csv")) << "timestamp,price,volume,amount\n09:30:01,10,5,5000\n";
    }
    auto r = Run({"import", in.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "moxtel-flow: import: no tick table found: 12 files skipped\n");
    EXPECT_NE(r.out.find("skipped: " + (in / "n10.csv").string() +
                         ": 无法识别文件“n10.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 "
                         "性质(买盘/卖盘) 列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("n19.csv"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("n20.csv"), std::string::npos) << r.out;  // the eleventh is counted, not named
    EXPECT_NE(r.out.find("skipped: 2 more (--json lists every one)\n"), std::string::npos) << r.out;

    r = Run({"import", in.string(), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"path\": \"" + (in / "n21.csv").string() + "\""), std::string::npos) << r.out;
    EXPECT_NE(
        r.out.find("\"reason\": \"无法识别文件“n21.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 "
                   "性质(买盘/卖盘) 列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。\""),
        std::string::npos)
        << r.out;

    const auto empty = m_dir / "empty";
    std::filesystem::create_directories(empty);
    r = Run({"import", empty.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "moxtel-flow: import: no files found\n");

    // Files that only fail: their failures, then the one line.
    std::ofstream(in / "600001_20240102.csv") << "time,price,volume,side\n09:30:01,10.00,5,0\n09:30:02,9.99,6,2\n";
    r = Run({"import", (in / "600001_20240102.csv").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("moxtel-flow: import: nothing imported: 1 file failed\n"), std::string::npos) << r.err;
    r = Run({"import", (in / "600001_20240102.csv").string(), "--direction-codes", "2,0,1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Run({"import", in.string(), "--direction-codes", "1,-1"}).status, 2);
}

// Every row of every day table, uncertain trades in their stored order per day.
std::vector<std::string> AllRows(const std::string& file) {
    const StoreContext store(file);
    std::vector<std::string> rows;
    CAdoDatabase db(store);
    for (const char* table : {"gpmaster", "transin", "transout", "transinun", "transoutun", "transun"}) {
        const std::string order = std::string(table) == "transun" ? " order by masterid, _rowid_" : " order by 1";
        db.OpenRecordset(std::string("select * from ") + table + order);
        for (db.MoveFirst(); !db.IsEOF(); db.MoveNext()) {
            std::string row = table;
            for (int c = 0; c < 24; ++c) row += "|" + db.GetFieldText(c);
            rows.push_back(row);
        }
    }
    return rows;
}

// A folder of every shape: each file is stored, refused or skipped with its reason, a table of two
// stocks as two days.
TEST_F(ImportCommand, AFolderMixingEveryShapeSaysPerFileWhatItDid) {
    const auto in = m_dir / "mixed";
    std::filesystem::create_directories(in);
    for (const char* name : {"1000001.xls", "frame-20241204.csv", "level2-two-stocks.csv", "snapshot-000001-20241204.csv",
                             "no-direction-000001-20241204.csv", "layout-standard-day.xls"}) {
        std::filesystem::copy_file(std::string(MOXTEL_TEST_DATA_DIR) + "/" + name, in / name);
    }
    const auto r = Run({"import", in.string(), "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    // The frame, the Level-2 table's first stock and the export are one day of 000001, stored once
    // under the export's name; the second stock its own.
    EXPECT_EQ(Count("select rowid from gpmaster where code like '%(600000)'"), 1);
    EXPECT_EQ(Count("select rowid from gpmaster where code like '%(000001)'"), 1);
    EXPECT_EQ(Count("select rowid from gpmaster where code='平安银行(000001)'"), 1);
    EXPECT_NE(r.out.find("\"imported\": 2,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("“1000001.xls”的文件名中没有日期"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("这是行情快照，不是逐笔成交"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("“no-direction-000001-20241204.csv”的格式：找不到列 性质。"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"path\": \"" + (in / "level2-two-stocks.csv").string() +
                         "\",\n      \"masterId\": \"600000(600000)20241204\""),
              std::string::npos)
        << r.out;

    // Asked to infer directions, the list without them is stored too, marked.
    const auto inferred =
        Run({"import", (in / "no-direction-000001-20241204.csv").string(), "--infer-direction", "tick-rule"});
    EXPECT_EQ(inferred.status, 0) << inferred.err;
    EXPECT_NE(inferred.out.find("no-direction-000001-20241204.csv: 平安银行(000001)20241204 推断方向\n"),
              std::string::npos)
        << inferred.out;
    EXPECT_EQ(Count("select masterid from dayinferred where masterid like '%(000001)20241204'"), 1);
    // A Level-2 table of two stocks without directions: one day per stock, each by its own trades.
    const auto twoStocks = m_dir / "l2-no-flag.csv";
    std::ofstream(twoStocks) << "SecurityID,TradeTime,TradePrice,TradeQty\n"
                                "000002,2021.01.04T09:30:00.100,10.00,100\n600002,2021.01.04T09:30:00.200,5.00,200\n"
                                "000002,2021.01.04T09:30:01.100,10.01,300\n600002,2021.01.04T09:30:01.200,4.99,400\n";
    EXPECT_EQ(Run({"import", twoStocks.string(), "--infer-direction", "tick-rule"}).status, 0);
    EXPECT_EQ(Count("select masterid from dayinferred where masterid like '%20210104'"), 2);
}

TEST_F(ImportCommand, OutOfOrderStocksGiveTheDatabaseOfStatsRunInDateOrder) {
    std::vector<std::string> files;
    for (const char* date : {"20240105", "20240102", "20240104", "20240103"}) files.push_back(Day(date + std::string(".xls"), date, 7));
    const auto other = m_dir / "in" / "other.xls";
    std::ofstream(other, std::ios::binary) << "20240103 乙 (600002)\n\n\n\n\n09:30:00\t5.00\t10\t1\t\n";
    files.insert(files.begin() + 2, other.string());

    const std::string byHand = m_db;
    for (const char* date : {"20240102", "20240103", "20240104", "20240105"}) {
        ASSERT_EQ(Run({"stats", (m_dir / "in" / (date + std::string(".xls"))).string()}).status, 0);
    }
    ASSERT_EQ(Run({"stats", other.string()}).status, 0);
    m_db = (m_dir / "imported.db").string();
    std::vector<std::string> args{"import"};
    args.insert(args.end(), files.begin(), files.end());
    const auto r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto imported = AllRows(m_db);
    EXPECT_EQ(imported.size(), 5u * 5 + 4u * 3);  // five days of 5 rows; 3 uncertain trades in each of four
    EXPECT_EQ(imported, AllRows(byHand));
}

TEST_F(ImportCommand, JsonHasOneEntryPerFailureAndTheDuplicates) {
    const std::string first = Day("1.xls", "20240101");
    const std::string again = Day("2.xls", "20240101");
    const auto damaged = m_dir / "in" / "3.xlsx";
    std::ofstream(damaged, std::ios::binary) << "PK\x03\x04 not really a package";
    const auto r = Run({"import", first, again, damaged.string(), "--json"});
    EXPECT_EQ(r.status, 1);
    for (const std::string& piece : std::vector<std::string>{
             "\"imported\": 1", "\"failed\": 1", "\"skipped\": 0", "\"interrupted\": false", "\"path\": \"" + damaged.string() + "\"",
          "\"kept\": \"" + again + "\"", "\"dropped\": \"" + first + "\"", "\"masterId\": \"甲(600001)20240101\""}) {
        EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;
    }
}

TEST_F(ImportCommand, WrongUsage) {
    EXPECT_EQ(Run({"import"}).status, 2);
    for (const char* jobs : {"0", "-1", "x", "2x", "1000"}) EXPECT_EQ(Run({"import", "a", "--jobs", jobs}).status, 2) << jobs;
    EXPECT_EQ(Run({"import", "a", "--jobs"}).status, 2);
}

// A fast import redraws the bar at most ten times a second, yet always shows where it ended.
TEST(ImportProgressBarTest, RedrawsRarelyAndAlwaysTheLastCount) {
    std::ostringstream out;
    ImportProgressBar bar(out);
    const auto start = std::chrono::steady_clock::now();
    for (int done = 1; done <= 1000; ++done) bar.Update({ImportProgress::Stage::Storing, done, 1000});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const std::string text = out.str();
    const auto draws = std::count(text.begin(), text.end(), '\r');
    EXPECT_LE(draws, 2 + std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100) << text;
    EXPECT_NE(text.rfind("1000/1000"), std::string::npos);
    EXPECT_NE(text.find("storing"), std::string::npos);
    bar.Finish();
    EXPECT_EQ(out.str().substr(out.str().size() - 4), "\r\x1b[K");
}

// Each failure is also an error line on stderr, in the form every command uses; stdout keeps the list.
TEST_F(ImportCommand, FailuresAreErrorLinesOnStderr) {
    const std::string good = Day("1.xls", "20240101");
    const auto damaged = m_dir / "in" / "2.xls";
    std::ofstream(damaged, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "broken";
    const std::string missing = (m_dir / "missing").string();
    const auto r = Run({"import", good, damaged.string(), missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "moxtel-flow: " + missing + ": no such file or folder\n" + "moxtel-flow: " + damaged.string() +
                         ": the workbook is damaged: its header is truncated\n");
    EXPECT_NE(r.out.find("imported 1 day (0 replaced an earlier copy), 2 failed, 0 skipped"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("failed: " + missing + ": no such file or folder\n"), std::string::npos) << r.out;
}

// The summary as text: one day or several, each duplicate naming the file kept, an interrupted run.
TEST_F(ImportCommand, SummaryTextNamesTheFileKeptForEveryDuplicate) {
    const std::string x1 = Day("x1.xls", "20240101"), x2 = Day("x2.xls", "20240101"), x3 = Day("x3.xls", "20240101");
    const auto r = Run({"import", x1, x2, x3, (m_dir / "in").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "imported 1 day (0 replaced an earlier copy), 0 failed, 0 skipped (not workbooks)\n"
              "stored: " +
                  x3 +
                  ": 甲(600001)20240101\n"
                  "same day twice: 甲(600001)20240101 from " +
                  x3 + " (not " + x1 +
                  ")\n"
                  "same day twice: 甲(600001)20240101 from " +
                  x3 + " (not " + x2 + ")\n");
}

// A file name that is not UTF-8 (GBK, from a Windows archive) still gives JSON that is valid UTF-8.
TEST_F(ImportCommand, JsonIsValidUtf8WhateverTheFileNames) {
    const auto gbk = m_dir / "in" / "\xC6\xBD\xB0\xB2.xls";  // 平安 in GBK
    std::filesystem::create_directories(gbk.parent_path());
    std::ofstream(gbk, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "broken";
    const auto r = Run({"import", gbk.string(), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ValidUtf8Prefix(r.out), r.out.size()) << r.out;
    EXPECT_NE(r.out.find("\"path\": \"" + (m_dir / "in").string() + "/\xC6\xBD\xEF\xBF\xBD\xEF\xBF\xBD.xls\""),
              std::string::npos) << r.out;
}

TEST_F(ImportCommand, UsageErrorsSayWhatIsMissing) {
    const auto r = Run({"import"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.starts_with("moxtel-flow: import: needs one or more PATHs\n")) << r.err;
}

// The line on a terminal: the stage named, files while reading and days while storing, a time left
// that covers storing too, and never as wide as an 80-column terminal, whatever the counts.
TEST(ImportProgressBarTest, NamesTheStageAndEstimatesWhatIsLeftWithinEightyColumns) {
    using Clock = ImportProgressBar::Clock;
    using std::chrono::milliseconds;
    const Clock::time_point t0{};
    struct Step {
        ImportProgress progress;
        milliseconds at;
        std::string shows;
    };
    using Stage = ImportProgress::Stage;
    const std::vector<std::vector<Step>> runs{
        // 100 of 200 files in 1 s: 1 s more to read, and some 2 s to store 200 days at the same pace.
        {{{Stage::Reading, 100, 200}, milliseconds(1000), "reading [###############...............] 100/200 files  100 files/s  ~3s left"},
         {{Stage::Reading, 200, 200}, milliseconds(2000), "reading"},
         {{Stage::Storing, 50, 200}, milliseconds(3000), "storing [#######.......................] 50/200 days  50 days/s  ~3s left"}},
        {{{Stage::Reading, 1, 1000000}, milliseconds(7000), "1/1000000 files  0.1 files/s  ~3889h left"}},
        {{{Stage::Storing, 2147483646, 2147483647}, milliseconds(1), "2147483646/2147483647 days"}},
        {{{Stage::Reading, 123456, 1234567}, milliseconds(61500), "~19m29s left"}},
        {{{Stage::Storing, 1000, 100000}, milliseconds(61500), "16 days/s  ~1h41m left"}},
        {{{Stage::Storing, 0, 10}, milliseconds(5), "0/10 days  0.0 days/s"}},
    };
    for (const std::vector<Step>& run : runs) {
        std::ostringstream out;
        ImportProgressBar bar(out, t0);
        for (const Step& step : run) {
            out.str("");
            bar.Update(step.progress, t0 + step.at);
            const std::string text = out.str();
            ASSERT_TRUE(text.starts_with("\r") && text.ends_with("\x1b[K")) << text;
            const std::string line = text.substr(1, text.size() - 4);
            EXPECT_LT(line.size(), 80u) << line;
            EXPECT_NE(line.find(step.shows), std::string::npos) << line;
        }
    }
}

// The real program interrupted while it stores (Ctrl-C) and killed outright: what is stored is whole.
class ImportInterrupted : public ImportCommand, public ::testing::WithParamInterface<int> {};

TEST_P(ImportInterrupted, LeavesEveryStoredDayWhole) {
    for (int d = 0; d < 120; ++d) {
        char date[9];
        std::snprintf(date, sizeof date, "2024%02d%02d", 1 + d / 28, 1 + d % 28);
        Day(std::string(date) + ".xls", date, 600);
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string in = (m_dir / "in").string();
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(MOXTEL_FLOW_EXE, MOXTEL_FLOW_EXE, "--db", m_db.c_str(), "import", in.c_str(), "--jobs", "1",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until some days are stored, then interrupt.
    for (int i = 0; i < 400 && Count("select rowid from gpmaster") < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    kill(child, GetParam());
    int status = 0;
    waitpid(child, &status, 0);
    if (GetParam() == SIGINT) {
        ASSERT_TRUE(WIFEXITED(status));  // the import stops after the day in flight, reports and fails
        EXPECT_EQ(WEXITSTATUS(status), 1);
    } else {
        EXPECT_TRUE(WIFSIGNALED(status));
    }
    const int stored = Count("select rowid from gpmaster");
    EXPECT_GE(stored, 3);
    EXPECT_LT(stored, 120);
    ExpectEveryStoredDayWhole();
}

INSTANTIATE_TEST_SUITE_P(Signals, ImportInterrupted, ::testing::Values(SIGINT, SIGKILL));

}  // namespace
}  // namespace moxtel::test
