#include "core/stats/StatisticsRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/stats/FlowFigure.h"
#include "core/stats/IntervalRules.h"

namespace moxtel {
namespace {

namespace fs = std::filesystem;

// Records what a run stores; can be told to fail at one call.
class RecordingStore : public IDayStore {
public:
    std::string previousDayClose = "10.00";  // what a stored previous day would give
    std::string failAt;                      // "header", "trade", "buckets", "commit"
    bool keeps = true;                       // keeps the uncertain trades
    std::vector<std::string> calls;
    std::vector<UncertainTrade> trades;
    std::string first, last;

    bool StoreDayHeader(const std::string&, const std::string&, const std::string& masterId,
                        const std::string& previousCloseText, const std::string& turnoverText,
                        DayHeaderInfo& info) override {
        calls.push_back("header:" + masterId);
        info = {"prev", previousCloseText.empty() ? previousDayClose : previousCloseText,
                turnoverText.empty() ? " " : turnoverText};
        return failAt != "header";
    }
    bool StoreUncertainTrade(const UncertainTradeView& trade) override {
        calls.push_back("trade");
        trades.push_back(trade.Copy());
        return failAt != "trade";
    }
    bool StoreDayBuckets(const DayFlowResult&, const std::string&, const std::string& firstPrice,
                         const std::string& lastPrice) override {
        calls.push_back("buckets");
        first = firstPrice;
        last = lastPrice;
        return failAt != "buckets";
    }
    bool Commit() override {
        calls.push_back("commit");
        return failAt != "commit";
    }
    void Rollback() override { calls.push_back("rollback"); }
    bool KeepsTrades() const override { return keeps; }
};

class StatisticsRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("moxtel-run-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A tab-separated workbook: A1, rows 2..5 empty, then the trade rows from row 6.
    std::string Workbook(const std::string& a1, const std::vector<std::string>& tradeRows,
                         const std::string& row5 = "") {
        const fs::path path = m_dir / "day.xls";
        std::ofstream out(path, std::ios::binary);
        out << a1 << "\n\n\n\n" << row5 << "\n";
        for (const auto& row : tradeRows) out << row << "\n";
        return path.string();
    }

    std::string WorkedDay() {
        return Workbook("20000101 ABC (600000)", {"09:30:01\t10.00\t50\t3\t", "09:30:05\t10.04\t150\t5\tB",
                                                  "09:30:09\t10.00\t1200\t9\tS", "09:30:12\t10.02\t300\t4\t"});
    }

    fs::path m_dir;
};

TEST_F(StatisticsRunTest, WorkedDayGivesItsFiguresAndUncertainTrades) {
    RecordingStore store;
    const auto run = RunStatistics({WorkedDay(), "", ""}, &store);
    ASSERT_TRUE(run.ok()) << run.error().message;
    const DayFlowResult& day = run->day;
    EXPECT_EQ(day.masterId, "ABC(600000)20000101");
    EXPECT_EQ(day.tradeDate, "20000101");
    EXPECT_EQ(day.previousClose, "10.00");
    EXPECT_EQ(day.turnoverText, " ");
    EXPECT_EQ(day.firstPriceText, "10.04");
    EXPECT_EQ(day.lastPriceText, "10.02");

    EXPECT_DOUBLE_EQ(day.uncertain[1].lots, 50);
    EXPECT_DOUBLE_EQ(day.uncertain[1].amount, 5.0);
    EXPECT_DOUBLE_EQ(day.uncertainUp[1].lots + day.uncertainDown[1].lots, 0);
    EXPECT_DOUBLE_EQ(day.inflow[2].lots, 150);
    EXPECT_NEAR(day.inflow[2].amount, 15.06, 1e-12);
    EXPECT_DOUBLE_EQ(day.outflow[11].lots, 1200);
    EXPECT_DOUBLE_EQ(day.outflow[11].amount, 120);
    EXPECT_DOUBLE_EQ(day.uncertain[4].lots, 300);
    EXPECT_DOUBLE_EQ(day.uncertainUp[4].lots, 300);
    EXPECT_NEAR(day.uncertainUp[4].amount, 30.06, 1e-12);

    const RangeFigures all = SumBucketRange(day, 0, 11);
    EXPECT_EQ(all.inflow.Text(), "150(15.1万元)");
    EXPECT_EQ(all.outflow.Text(), "1200(120.0万元)");
    EXPECT_EQ(all.uncertain.Text(), "350(35.1万元)");
    EXPECT_EQ(all.net.Text(), "-1050(-104.9万元)");
    EXPECT_EQ(all.netWithUncertain.Text(), "-750(-74.9万元)");
    EXPECT_EQ(all.total.Text(), "1700(170.1万元)");

    ASSERT_EQ(run->uncertainTrades.size(), 2u);
    EXPECT_EQ(run->uncertainTrades[0], (UncertainTrade{"10.00", "10.04", "0", "150", "未知", "入", "ABC(600000)20000101",
                                                       "ABC(600000)", "50", "10.00", "09:30:01"}));
    EXPECT_EQ(run->uncertainTrades[1], (UncertainTrade{"10.00", "0", "1200", "0", "出", "未知", "ABC(600000)20000101",
                                                       "ABC(600000)", "300", "10.02", "09:30:12"}));
    EXPECT_EQ(store.trades, run->uncertainTrades);
    EXPECT_EQ(store.calls, (std::vector<std::string>{"header:ABC(600000)20000101", "trade", "trade", "buckets",
                                                     "commit"}));
    EXPECT_EQ(store.first, "10.04");
    EXPECT_EQ(store.last, "10.02");
}

TEST_F(StatisticsRunTest, SecondRunOfTheSameWorkbookGivesTheSameSums) {
    const std::string path = WorkedDay();
    const auto a = RunStatistics({path, "", ""}, nullptr);
    const auto b = RunStatistics({path, "", ""}, nullptr);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(SumBucketRange(a->day, 0, 11).total.Text(), SumBucketRange(b->day, 0, 11).total.Text());
    EXPECT_DOUBLE_EQ(b->day.outflow[11].lots, 1200);
}

TEST_F(StatisticsRunTest, WithoutStoreThePreviousCloseIsTypedOrZero) {
    const std::string path = Workbook("20000101 ABC (600000)", {"09:30:01\t10.00\t50\t\t"});
    const auto run = RunStatistics({path, "", "1.5"}, nullptr);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run->day.yesId, "0");
    EXPECT_EQ(run->day.previousClose, "0");
    EXPECT_EQ(run->day.turnoverText, "1.5");
    // Reference price 0: a positive first price goes up, and the trade above is "0".
    EXPECT_DOUBLE_EQ(run->day.uncertainUp[1].lots, 50);
    EXPECT_EQ(run->uncertainTrades.at(0).pricebefor, "0");
    EXPECT_EQ(run->uncertainTrades.at(0).flagend, "未知");
    EXPECT_EQ(run->uncertainTrades.at(0).priceend, "0");
    EXPECT_EQ(run->uncertainTrades.at(0).transend, "0");

    const auto typed = RunStatistics({path, "10.50", ""}, nullptr);
    ASSERT_TRUE(typed.ok());
    EXPECT_EQ(typed->day.previousClose, "10.50");
    EXPECT_DOUBLE_EQ(typed->day.uncertainDown[1].lots, 50);
    EXPECT_EQ(typed->uncertainTrades.at(0).pricebefor, "10.50");
}

TEST_F(StatisticsRunTest, OnlyExactlyCapitalSIsOutflowAndOnlyEmptyIsUncertain) {
    const std::string path = Workbook("20000101 ABC (600000)",
                                      {"09:30:01\t10.00\t10\t1\tS", "09:30:02\t10.00\t20\t1\ts", "09:30:03\t10.00\t30\t1\tb",
                                       "09:30:04\t10.00\t40\t1\t ", "09:30:05\t10.00\t50\t1\tB", "09:30:06\t10.00\t60\t1\t"});
    const auto run = RunStatistics({path, "10.00", ""}, nullptr);
    ASSERT_TRUE(run.ok());
    EXPECT_DOUBLE_EQ(run->day.outflow[1].lots, 10);
    EXPECT_DOUBLE_EQ(run->day.inflow[1].lots, 20 + 30 + 40 + 50);
    EXPECT_DOUBLE_EQ(run->day.uncertain[1].lots, 60);
    EXPECT_EQ(run->uncertainTrades.at(0).flagbef, "入");
}

TEST_F(StatisticsRunTest, FlagEndReadsInOnlyForCapitalB) {
    const std::string path = Workbook("20000101 ABC (600000)", {"09:30:01\t10.00\t10\t", "09:30:02\t10.00\t20\tb",
                                                                "09:30:03\t10.00\t30\t", "09:30:04\t9.00\t40\tS"});
    const auto run = RunStatistics({path, "10.00", ""}, nullptr);
    ASSERT_TRUE(run.ok());
    ASSERT_EQ(run->uncertainTrades.size(), 2u);
    EXPECT_EQ(run->uncertainTrades[0].flagend, "未知");  // "b" counts as inflow but is not "B"
    EXPECT_EQ(run->uncertainTrades[1].flagend, "出");
    EXPECT_EQ(run->uncertainTrades[1].flagbef, "入");
    EXPECT_EQ(run->uncertainTrades[1].transbef, "20");
    EXPECT_EQ(run->uncertainTrades[1].priceend, "9.00");
}

TEST_F(StatisticsRunTest, RowEightColumnFourSwitchesDirectionsToColumnFive) {
    // Column 4 holds numbers on every row; only row 8's decides, and rows 6 and 7 follow too.
    const std::string path = Workbook("20000101 ABC (600000)", {"09:30:01\t10.00\t100\tS\tB", "09:30:02\t10.00\t200\tS\t",
                                                                "09:30:03\t10.00\t300\t7\tS"});
    const auto run = RunStatistics({path, "10.00", ""}, nullptr);
    ASSERT_TRUE(run.ok());
    EXPECT_DOUBLE_EQ(run->day.inflow[2].lots, 100);
    EXPECT_DOUBLE_EQ(run->day.uncertain[3].lots, 200);
    EXPECT_DOUBLE_EQ(run->day.outflow[4].lots, 300);
}

TEST_F(StatisticsRunTest, NoTradeRowsStoresZerosAndTakesTheLastPriceFromB5) {
    RecordingStore store;
    const std::string path = Workbook("20000101 ABC (600000)", {}, "x\t9.99");
    const auto run = RunStatistics({path, "", ""}, &store);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run->day.lastPriceText, "9.99");
    EXPECT_EQ(SumBucketRange(run->day, 0, 11).total.Text(), "0(0.0万元)");
    EXPECT_EQ(store.calls, (std::vector<std::string>{"header:ABC(600000)20000101", "buckets", "commit"}));
}

TEST_F(StatisticsRunTest, AmountsUseLotsTimesPriceOverHundred) {
    const std::string path = Workbook("20000101 ABC (600000)", {"09:30:01\t10.52\t250\tB"});
    const auto run = RunStatistics({path, "", ""}, nullptr);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ((FlowFigure{run->day.inflow[3].lots, run->day.inflow[3].amount}).Text(), "250(26.3万元)");
}

TEST_F(StatisticsRunTest, NonNumericCellsCountAsZero) {
    const std::string path = Workbook("20000101 ABC (600000)", {"09:30:01\tabc\t-\tB", "09:30:02\t10\tx12\tS"});
    const auto run = RunStatistics({path, "", ""}, nullptr);
    ASSERT_TRUE(run.ok());
    EXPECT_DOUBLE_EQ(run->day.inflow[1].lots, 0);
    EXPECT_DOUBLE_EQ(run->day.outflow[1].amount, 0);
}

TEST_F(StatisticsRunTest, MissingOrUnreadableWorkbookFailsWithTheRunMessages) {
    RecordingStore store;
    const auto none = RunStatistics({"", "", ""}, &store);
    EXPECT_EQ(none.error().message, kMsgNoWorkbook);
    EXPECT_EQ(none.error().kind, ErrorKind::NoWorkbook);
    const std::string missing = (m_dir / "missing.xls").string();
    const auto run = RunStatistics({missing, "", ""}, &store);
    EXPECT_EQ(run.error().message, kMsgOpenFailed);
    EXPECT_EQ(run.error().kind, ErrorKind::OpenFailed);
    // The path and the reader's reason stand beneath the message.
    EXPECT_EQ(run.error().detail.rfind(missing + "\n", 0), 0u) << run.error().detail;
    EXPECT_GT(run.error().detail.size(), missing.size() + 1);
    EXPECT_TRUE(store.calls.empty());
}

// A title without an 8-digit date or without a stock would store a day keyed by nothing.
struct RefusedTitle {
    const char* a1;
    const char* missing;  // what the message says is missing
};

class RefusedTitleTest : public StatisticsRunTest, public ::testing::WithParamInterface<RefusedTitle> {};

TEST_P(RefusedTitleTest, IsRefusedNamingTheFileAndStoresNothing) {
    RecordingStore store;
    const std::string path = Workbook(GetParam().a1, {"09:30:01\t10.00\t50\t\tB"});
    const auto run = RunStatistics({path, "", ""}, &store);
    ASSERT_FALSE(run.ok());
    EXPECT_NE(run.error().message.find(path), std::string::npos) << run.error().message;
    EXPECT_NE(run.error().message.find(GetParam().missing), std::string::npos) << run.error().message;
    EXPECT_TRUE(store.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Titles, RefusedTitleTest,
                         ::testing::Values(RefusedTitle{"hello", "交易日期"}, RefusedTitle{"", "交易日期"},
                                           RefusedTitle{"2000010 ABC (600000)", "交易日期"},
                                           RefusedTitle{"2000-01-01 ABC", "交易日期"},
                                           RefusedTitle{"２０００0101 ABC", "交易日期"},
                                           RefusedTitle{"20000101", "股票代码"}, RefusedTitle{"20000101 A", "股票代码"}));

TEST_F(StatisticsRunTest, ShortestAcceptedTitleKeepsItsStock) {
    const auto run = RunStatistics({Workbook("  20000101 AB", {}), "", ""}, nullptr);
    ASSERT_TRUE(run.ok()) << run.error().message;
    EXPECT_EQ(run->day.masterId, "B20000101");
}

TEST_F(StatisticsRunTest, WarningsForADayWithoutTradesAndForTextsThatAreNotNumbers) {
    std::vector<std::string> warnings;
    std::vector<std::vector<int>> warnedRows;
    StatisticsObserver observer;
    observer.warning = [&](const FileWarning& w) {
        warnings.push_back(w.Text());
        warnedRows.push_back(w.rows);
    };
    const std::string empty = Workbook("20000101 ABC (600000)", {});
    ASSERT_TRUE(RunStatistics({empty, "", ""}, nullptr, observer).ok());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(empty), std::string::npos);
    EXPECT_NE(warnings[0].find("没有成交记录"), std::string::npos) << warnings[0];

    EXPECT_EQ(warnedRows[0], std::vector<int>{6});
    warnings.clear();
    std::vector<std::string> rows;
    for (int i = 0; i < 9; ++i) rows.push_back(i % 2 == 0 ? "09:30:01\tx\t5\t1\tB" : "09:30:02\t10\t5\t1\tS");
    rows.push_back("09:31:00\t-.5\t +7\t1\tB");  // signs, blanks and a bare point still read as numbers
    rows.push_back("09:31:01\t10\t\t1\tB");      // empty lots
    const auto run = RunStatistics({Workbook("20000101 ABC (600000)", rows), "", ""}, nullptr, observer);
    ASSERT_TRUE(run.ok());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("6 行"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("(第 6, 8, 10, 12, 14, ... 行)"), std::string::npos) << warnings[0];
    EXPECT_EQ(warnedRows[1], (std::vector<int>{6, 8, 10, 12, 14}));  // the rows named, as numbers
    EXPECT_DOUBLE_EQ(run->day.inflow[1].lots, 5 * 5 + 7);  // the figures stay as they were
}

// The first trade's up/down share is settled once the previous close is known; the sums must be
// the very same doubles as counting row 6 first.
TEST_F(StatisticsRunTest, FirstUncertainRowFollowsThePreviousCloseExactly) {
    const std::string path = Workbook("20000101 ABC (600000)",
                                      {"09:30:01\t10.03\t10.1\t", "09:30:02\t10.07\t20.3\t", "09:30:03\t10.01\t30.7\t",
                                       "09:30:04\t10.09\t40.9\t", "09:30:05\t10.00\t50.3\tB"});
    struct Case {
        const char* close;
        double up;
        double down;
    };
    for (const Case& c : {Case{"10.00", ((10.1 + 20.3) + 40.9), 30.7}, Case{"10.05", 20.3 + 40.9, 10.1 + 30.7},
                          Case{"10.03", 20.3 + 40.9, 30.7}, Case{"", 10.1 + 20.3 + 40.9, 30.7}}) {
        RecordingStore store;
        store.previousDayClose = c.close;
        const auto run = RunStatistics({path, "", ""}, &store);
        ASSERT_TRUE(run.ok());
        EXPECT_EQ(run->day.uncertainUp[1].lots, c.up) << c.close;
        EXPECT_EQ(run->day.uncertainDown[1].lots, c.down) << c.close;
        EXPECT_EQ(run->uncertainTrades.at(0).pricebefor, c.close);
        EXPECT_EQ(store.trades.at(0).pricebefor, c.close);
        EXPECT_EQ(run->uncertainTrades.at(1).pricebefor, "10.03");
    }
}

// A caller that shows no uncertain trades spares their texts, unless the store keeps them: the sums
// are the same either way, and a store that keeps trades never loses one.
TEST_F(StatisticsRunTest, UncertainTradesAreMadeOnlyWhenShownOrKept) {
    RecordingStore full;
    const auto all = RunStatistics({WorkedDay(), "", ""}, &full);
    ASSERT_TRUE(all.ok());
    for (const bool keeps : {true, false}) {
        RecordingStore store;
        store.keeps = keeps;
        StatisticsInputs inputs{WorkedDay(), "", ""};
        inputs.keepUncertainTrades = false;
        const auto run = RunStatistics(inputs, &store);
        ASSERT_TRUE(run.ok()) << keeps;
        EXPECT_EQ(store.trades, keeps ? full.trades : std::vector<UncertainTrade>{}) << "a keeping store gets every trade";
        EXPECT_EQ(run->uncertainTrades.size(), keeps ? 2u : 0u);
        for (const auto member : {&DayFlowResult::inflow, &DayFlowResult::outflow, &DayFlowResult::uncertain,
                                  &DayFlowResult::uncertainUp, &DayFlowResult::uncertainDown}) {
            for (int k = 1; k <= kBucketCount; ++k) {
                EXPECT_EQ((run->day.*member)[k].lots, (all->day.*member)[k].lots) << k;
                EXPECT_EQ((run->day.*member)[k].amount, (all->day.*member)[k].amount) << k;
            }
        }
        EXPECT_EQ(run->day.lastPriceText, all->day.lastPriceText);
    }
}

TEST_F(StatisticsRunTest, StoreFailureStopsTheRunAndRollsBack) {
    for (const char* where : {"header", "trade", "buckets", "commit"}) {
        RecordingStore store;
        store.failAt = where;
        const auto run = RunStatistics({WorkedDay(), "", ""}, &store);
        ASSERT_FALSE(run.ok()) << where;
        EXPECT_EQ(run.error().message, "") << where;
        EXPECT_EQ(store.calls.back(), "rollback") << where;
        EXPECT_EQ(std::count(store.calls.begin(), store.calls.end(), "commit"), std::string(where) == "commit" ? 1 : 0);
    }
}

}  // namespace
}  // namespace moxtel

namespace moxtel {
namespace {

// The worked day as the three containers carry it: BIFF8, xlsx and GB18030 text under an .xls name.
class WorkedDayFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(WorkedDayFixture, GivesTheSameFiguresAndStoredTrades) {
    RecordingStore store;
    const auto run = RunStatistics({std::string(MOXTEL_TEST_DATA_DIR) + "/" + GetParam(), "", ""}, &store);
    ASSERT_TRUE(run.ok()) << run.error().message << " " << run.error().detail;
    const RangeFigures all = SumBucketRange(run->day, 0, 11);
    EXPECT_EQ(run->day.titleText, "20000101 ABC (600000)");
    EXPECT_EQ(run->day.masterId, "ABC(600000)20000101");
    EXPECT_EQ(run->day.firstPriceText, "10.04");
    EXPECT_EQ(run->day.lastPriceText, "10.02");
    EXPECT_EQ(all.inflow.Text(), "150(15.1万元)");
    EXPECT_EQ(all.outflow.Text(), "1200(120.0万元)");
    EXPECT_EQ(all.uncertain.Text(), "350(35.1万元)");
    EXPECT_EQ(all.net.Text(), "-1050(-104.9万元)");
    EXPECT_EQ(all.netWithUncertain.Text(), "-750(-74.9万元)");
    EXPECT_EQ(all.total.Text(), "1700(170.1万元)");
    ASSERT_EQ(store.trades.size(), 2u);
    EXPECT_EQ(store.trades[0], (UncertainTrade{"10.00", "10.04", "0", "150", "未知", "入", "ABC(600000)20000101",
                                               "ABC(600000)", "50", "10.00", "09:30:01"}));
    EXPECT_EQ(store.trades[1], (UncertainTrade{"10.00", "0", "1200", "0", "出", "未知", "ABC(600000)20000101",
                                               "ABC(600000)", "300", "10.02", "09:30:12"}));
}

INSTANTIATE_TEST_SUITE_P(Containers, WorkedDayFixture,
                         ::testing::Values("worked-day.xls", "worked-day.xlsx", "gbk-tab-export.xls"));

}  // namespace
}  // namespace moxtel
