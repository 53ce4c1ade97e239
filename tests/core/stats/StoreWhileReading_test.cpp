// A run that stores its uncertain trades on a second thread while reading must make the very same
// calls on the store, store the very same rows and give the very same outcome as one that stores
// after reading.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/data/StoreFaultsSupport.h"
#include "core/data/TestDatabase.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"

namespace moxtel {
namespace {

// Records the calls a run makes; fails at the nth call of one kind when told to.
class CallLog : public IDayStore {
public:
    std::string failAt;  // "header", "trade", "buckets", "commit"
    int failAtTrade = 1;
    std::vector<std::string> calls;

    bool StoreDayHeader(const std::string& code, const std::string& date, const std::string& masterId,
                        const std::string& previousCloseText, const std::string& turnoverText,
                        DayHeaderInfo& info) override {
        calls.push_back("header " + code + " " + date + " " + masterId);
        info = {"prev", previousCloseText.empty() ? "9.87" : previousCloseText,
                turnoverText.empty() ? " " : turnoverText};
        return failAt != "header";
    }
    bool StoreUncertainTrade(const UncertainTradeView& t) override {
        calls.push_back(std::string("trade ").append(t.pricebefor).append("|").append(t.priceend).append("|")
                            .append(t.transbef).append("|").append(t.transend).append("|").append(t.flagbef)
                            .append("|").append(t.flagend).append("|").append(t.masterid).append("|")
                            .append(t.gpcode).append("|").append(t.transunknow).append("|").append(t.price)
                            .append("|").append(t.datet));
        return !(failAt == "trade" && --failAtTrade == 0);
    }
    bool StoreDayBuckets(const DayFlowResult& day, const std::string& masterId, const std::string& first,
                         const std::string& last) override {
        calls.push_back("buckets " + masterId + " " + first + " " + last + " " + std::to_string(day.uncertain[1].lots));
        return failAt != "buckets";
    }
    bool Commit() override {
        calls.push_back("commit");
        return failAt != "commit";
    }
    void Rollback() override { calls.push_back("rollback"); }
};

class StoreWhileReadingTest : public ::testing::Test {
protected:
    std::string Day(const std::string& name, const std::vector<std::string>& rows) {
        const std::string path = m_db.Folder() + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out << "20000103 ABC (600000)\n\n\n\n\n";
        for (const std::string& row : rows) out << row << "\n";
        return path;
    }

    // n trades; every third has no direction, and row 6 is one of them. From trade changedFrom on
    // the lots are one more.
    std::string ManyTrades(int n, const std::string& name = "many.xls", int changedFrom = -1) {
        std::vector<std::string> rows;
        for (int i = 0; i < n; ++i) {
            const char* direction = i % 3 == 0 ? "" : (i % 3 == 1 ? "B" : "S");
            const int lots = 1 + i * 37 % 900 + (changedFrom >= 0 && i >= changedFrom ? 1 : 0);
            rows.push_back("09:" + std::to_string(30 + i / 3600) + ":" + std::to_string(i / 60 % 60) + "\t" +
                           std::to_string(10 + i % 9) + ".0" + std::to_string(i % 10) + "\t" +
                           std::to_string(lots) + "\t1\t" + direction);
        }
        return Day(name, rows);
    }

    test::TestDatabase m_db;
};

// The log of calls and the outcome of one run, overlapped or not.
struct Logged {
    std::vector<std::string> calls;
    bool ok = false;
    std::vector<UncertainTrade> trades;
    std::string previousClose;
};

Logged RunLogged(const std::string& path, bool overlapped, const std::string& failAt = "", int failAtTrade = 1,
                 const std::string& previousClose = "") {
    CallLog store;
    store.failAt = failAt;
    store.failAtTrade = failAtTrade;
    StatisticsInputs inputs{path, previousClose, ""};
    inputs.storeWhileReading = overlapped;
    const auto run = RunStatistics(inputs, &store);
    Logged logged{store.calls, run.ok(), {}, {}};
    if (run) {
        logged.trades = run->uncertainTrades.ToVector();
        logged.previousClose = run->day.previousClose;
    }
    return logged;
}

TEST_F(StoreWhileReadingTest, MakesTheSameCallsAsStoringAfterReading) {
    struct Case {
        const char* what;
        std::string path;
        std::string failAt;
        int failAtTrade;
        std::string previousClose;
    };
    const std::string many = ManyTrades(1000);  // 334 uncertain trades: several batches
    const std::string firstKnown = Day("first-known.xls", {"09:30:01\t10.00\t5\t1\tB", "09:30:02\t10.01\t7\t1\t",
                                                           "09:30:03\t9.99\t9\t1\tS"});
    const std::string none = Day("none.xls", {});
    const std::string noUncertain = Day("all-known.xls", {"09:30:01\t10.00\t5\t1\tB", "09:30:02\t10.01\t7\t1\tS"});
    for (const Case& c : {
             Case{"many trades, row 6 uncertain", many, "", 1, ""},
             Case{"a typed previous close reaches row 6's trade", many, "", 1, "11.11"},
             Case{"row 6 known", firstKnown, "", 1, ""},
             Case{"no trade rows", none, "", 1, ""},
             Case{"no uncertain trade", noUncertain, "", 1, ""},
             Case{"header fails", many, "header", 1, ""},
             Case{"first trade fails", many, "trade", 1, ""},
             Case{"a trade in a later batch fails", many, "trade", 200, ""},
             Case{"buckets fail", many, "buckets", 1, ""},
             Case{"commit fails", many, "commit", 1, ""},
         }) {
        const Logged after = RunLogged(c.path, false, c.failAt, c.failAtTrade, c.previousClose);
        const Logged during = RunLogged(c.path, true, c.failAt, c.failAtTrade, c.previousClose);
        EXPECT_EQ(during.calls, after.calls) << c.what;
        EXPECT_EQ(during.ok, after.ok) << c.what;
        EXPECT_EQ(during.ok, c.failAt.empty()) << c.what;
        EXPECT_EQ(during.trades, after.trades) << c.what;
        EXPECT_EQ(during.previousClose, after.previousClose) << c.what;
    }
}

// The store may have been opened early; it is then rolled back, and nothing is stored.
TEST_F(StoreWhileReadingTest, UnreadableWorkbookFailsWithoutStoringAnything) {
    const std::string noTitle = m_db.Folder() + "/no-title.xls";
    std::ofstream(noTitle, std::ios::binary) << "ABC\n\n\n\n\n09:30:01\t10.00\t5\t1\t\n";
    for (const std::string& path : {m_db.Folder() + "/missing.xls", noTitle}) {
        const Logged after = RunLogged(path, false);
        const Logged during = RunLogged(path, true);
        EXPECT_FALSE(during.ok) << path;
        EXPECT_TRUE(after.calls.empty()) << path;
        for (const std::string& call : during.calls) EXPECT_EQ(call, "rollback") << path;
    }
}

// Through the program's own store: a first store, a re-run of the same day that keeps its stored
// trades, and a re-run of a changed day that rewrites them from the first difference.
TEST_F(StoreWhileReadingTest, StoresTheSameRowsAsStoringAfterReading) {
    const std::string original = ManyTrades(1000);
    const std::string changed = ManyTrades(1000, "changed.xls", 700);

    auto storedAfterRuns = [&](bool overlapped) {
        std::vector<std::vector<std::vector<std::string>>> snapshots;
        for (const std::string& path : {original, original, changed}) {
            SqliteDayStore store(m_db.store);
            StatisticsInputs inputs{path, "", ""};
            inputs.storeWhileReading = overlapped;
            EXPECT_TRUE(RunStatistics(inputs, &store).ok());
            snapshots.push_back(test::StoredRows(m_db));
        }
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(m_db.File() + suffix);
        return snapshots;
    };
    const auto after = storedAfterRuns(false);
    const auto during = storedAfterRuns(true);
    ASSERT_EQ(after.size(), during.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(test::FirstDifference(during[i], after[i]), "") << "run " << i;
    }
    EXPECT_GT(after[0].size(), 300u);
    EXPECT_TRUE(m_db.messages.empty());
}

// The database is opened while the workbook is read, but only one that is there already, and a
// failure to open it is reported once, as a run that opens it after reading reports it.
TEST_F(StoreWhileReadingTest, OpensOnlyAnExistingDatabaseAndReportsItsFailureOnce) {
    const std::string day = ManyTrades(10);
    const std::string refused = m_db.Folder() + "/refused.xls";
    std::ofstream(refused, std::ios::binary) << "no title\n";
    auto run = [&](const std::string& path, bool overlapped) {
        SqliteDayStore store(m_db.store);
        StatisticsInputs inputs{path, "", ""};
        inputs.storeWhileReading = overlapped;
        return RunStatistics(inputs, &store).ok();
    };
    for (const bool overlapped : {false, true}) {
        m_db.messages.clear();
        EXPECT_FALSE(run(refused, overlapped));
        EXPECT_FALSE(std::filesystem::exists(m_db.File())) << "a refused workbook made the database";

        std::filesystem::create_directories(std::filesystem::path(m_db.File()).parent_path());
        std::ofstream(m_db.File(), std::ios::binary) << std::string(4096, 'x');
        EXPECT_FALSE(run(day, overlapped));
        EXPECT_EQ(m_db.messages.size(), 1u) << overlapped;
        std::ifstream in(m_db.File(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(4096, 'x')) << overlapped;
        in.close();
        std::filesystem::remove(m_db.File());
    }
}

}  // namespace
}  // namespace moxtel
