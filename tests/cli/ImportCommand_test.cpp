#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "CliTestSupport.h"
#include "ImportProgressBar.h"

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
        CAdoDatabase db;
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

// Every row of every day table, uncertain trades in their stored order per day.
std::vector<std::string> AllRows(const std::string& file) {
    CAdoDatabase::SetDatabaseFile(file);
    std::vector<std::string> rows;
    CAdoDatabase db;
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
        ASSERT_TRUE(WIFEXITED(status));  // the import stops after the day in flight and reports
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
