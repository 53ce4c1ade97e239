#include "core/query/DetailQuery.h"

#include <gtest/gtest.h>

#include "core/query/CMSChart.h"
#include "core/query/IntervalDetail.h"
#include "core/query/QueryTestDb.h"

namespace moxtel {
namespace {

using test::Put;
using test::QueryTestDb;

std::array<FlowFigure, 6> SixFigures(const RangeFigures& r) {
    return {r.inflow, r.outflow, r.net, r.netWithUncertain, r.total, r.uncertain};
}

TEST(MasterIdTitle, DateAfterTheFirstParenthesisOrFromTheStart) {
    EXPECT_EQ(MasterIdTitle("ABC(600000)20000101"), "ABC(600000)2000-01-01");
    EXPECT_EQ(MasterIdTitle("浦发银行(600000)20071231"), "浦发银行(600000)2007-12-31");
    EXPECT_EQ(MasterIdTitle("(1)(2)20000101"), "(1)(2)2-00-00101");
    EXPECT_EQ(MasterIdTitle("20000101"), "2000-01-01");
    EXPECT_EQ(MasterIdTitle("60000020000101"), "6000-00-20000101");
    EXPECT_EQ(MasterIdTitle("ABC(1)"), "ABC(1)--");
    EXPECT_EQ(MasterIdTitle(""), "");
}

// A stored day with figures in every table and uncertain trades at the bucket edges.
class StoredDay : public ::testing::Test {
  protected:
    void SetUp() override {
        DayFlowResult d;
        Put(d.inflow, 2, 150, 15.06);
        Put(d.outflow, 11, 1200, 120.0);
        Put(d.uncertainUp, 2, 100, 10.2);
        Put(d.uncertainDown, 11, 1000, 99.0);
        id = t.InsertDay("ABC(600000)", "20000101", d);
        t.InsertUncertain(id, "09:30:01", "99.9", "10.00");
        t.InsertUncertain(id, "09:30:02", "100", "10.20");
        t.InsertUncertain(id, "09:30:03", "1000", "9.90");
        t.InsertUncertain("other", "09:30:04", "300", "10.00");
    }
    QueryTestDb t;
    std::string id;
};

TEST_F(StoredDay, LoadRebuildsBucketsAndUncertainFromItsTrades) {
    DayFlowResult day;
    day.titleText = "kept";
    day.uncertain[5] = {7, 7};
    EXPECT_TRUE(LoadStoredDay(t.store, day, id));
    EXPECT_EQ(day.titleText, "kept");
    EXPECT_EQ(day.inflow[2].amount, 15.06);
    EXPECT_EQ(day.outflow[11].lots, 1200);
    EXPECT_EQ(day.uncertainUp[2].lots, 100);
    EXPECT_EQ(day.uncertainDown[11].amount, 99.0);
    EXPECT_DOUBLE_EQ(day.uncertain[1].lots, 99.9);
    EXPECT_EQ(day.uncertain[2].lots, 100);
    EXPECT_DOUBLE_EQ(day.uncertain[2].amount, 100 * (10.20 / 100));
    EXPECT_EQ(day.uncertain[10].lots, 0);
    EXPECT_EQ(day.uncertain[11].lots, 1000);
    EXPECT_EQ(day.uncertain[5].lots, 0);
    EXPECT_TRUE(t.messages.empty());
}

TEST(StoredDayAmounts, UncertainAmountIsLotsTimesPriceThenDividedBy100) {
    QueryTestDb t;
    const std::string id = t.InsertDay("ABC(600000)", "20000101", DayFlowResult{});
    // 3 × 5.00 / 100 is the double nearest 0.15, just below it, so it shows 0.1; dividing the
    // price first would give 0.15000000000000002 and show 0.2.
    t.InsertUncertain(id, "09:30:01", "3", "5.00");
    DayFlowResult day;
    LoadStoredDay(t.store, day, id);
    EXPECT_EQ(day.uncertain[1].amount, 3 * 5.00 / 100);
    DetailPanelFigures panel;
    FillDaySummary(panel, day);
    EXPECT_EQ(panel.total.uncertain.Text(), "3(0.1万元)");
}

TEST_F(StoredDay, UnknownOrEmptyIdGivesZeros) {
    DayFlowResult day;
    day.inflow[3] = {5, 5};
    EXPECT_FALSE(LoadStoredDay(t.store, day, "ABC(600000)20000102"));
    EXPECT_EQ(day.inflow[3].lots, 0);
    EXPECT_FALSE(LoadStoredDay(t.store, day, ""));
}

TEST_F(StoredDay, DetailWindowCountsUncertainTradesInTheTotal) {
    SessionState session;
    session.currentMasterId = id;
    session.history.intervalTexts = {"0-300", "300-500", "500-800", "800-1000", "1000-1000+"};
    CMSChart chart;
    const DetailPanelFigures panel = LoadDetailDay(t.store, session, chart);

    EXPECT_EQ(panel.title, "ABC(600000)2000-01-01");
    EXPECT_EQ(panel.total.inflow.Text(), "150(15.1万元)");
    EXPECT_EQ(panel.total.uncertain.Text(), "1200(119.2万元)");  // 9.99 + 10.2 + 99.0
    EXPECT_EQ(panel.total.total.Text(), "2550(254.3万元)");
    EXPECT_EQ(panel.total.net.Text(), "-1050(-104.9万元)");
    EXPECT_EQ(panel.total.netWithUncertain.Text(), "-1950(-193.7万元)");

    EXPECT_EQ(panel.intervalTexts[4], "1000-1000+");
    EXPECT_EQ(panel.intervals[0].uncertain.Text(), "200(20.2万元)");
    EXPECT_EQ(panel.intervals[4].uncertain.Text(), "1000(99.0万元)");
    EXPECT_EQ(panel.intervals[0].total.Text(), "350(35.3万元)");
    EXPECT_EQ(panel.intervalInPlusUp[0], 250);
    EXPECT_EQ(panel.intervalOutPlusDown[4], 2200);
    EXPECT_EQ(panel.intervalOutPlusDown[0], 0);

    EXPECT_EQ(session.day.uncertain[11].lots, 1000);
    EXPECT_EQ(session.currentMasterId, id);
    EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Maximum, 2500);  // holds the 2200 lots bar
    EXPECT_EQ(chart.DataAt(5, 4), 2200);
    EXPECT_EQ(chart.DataAt(1, 5), 200);
}

TEST_F(StoredDay, IntervalsComeFromTheLastHistoryQuery) {
    SessionState session;
    session.currentMasterId = id;
    session.history.intervalTexts = {"0-0", "100-200", "500-0", "0-1000+", "1000---"};
    CMSChart chart;
    const DetailPanelFigures panel = LoadDetailDay(t.store, session, chart);
    EXPECT_EQ(panel.intervalTexts[0], "0-0");
    for (const FlowFigure& figure : SixFigures(panel.intervals[0])) EXPECT_EQ(figure.Text(), "0(0.0万元)");
    EXPECT_EQ(panel.intervals[1].inflow.Text(), "150(15.1万元)");
    EXPECT_EQ(panel.intervals[2].total.Text(), "0(0.0万元)");  // "500-0": nothing
    EXPECT_EQ(panel.intervals[3].total.Text(), "2550(254.3万元)");
    EXPECT_EQ(panel.intervals[4].outflow.Text(), "1200(120.0万元)");
}

TEST(DetailWindow, EmptyIdShowsZerosAndAnEmptyTitle) {
    QueryTestDb t;
    SessionState session;
    session.day.inflow[1] = {9, 9};
    CMSChart chart;
    const DetailPanelFigures panel = LoadDetailDay(t.store, session, chart);
    EXPECT_EQ(panel.title, "");
    for (const FlowFigure& figure : SixFigures(panel.total)) EXPECT_EQ(figure.Text(), "0(0.0万元)");
    for (const RangeFigures& interval : panel.intervals)
        for (const FlowFigure& figure : SixFigures(interval)) EXPECT_EQ(figure.Text(), "0(0.0万元)");
    EXPECT_EQ(chart.RowCount(), 5);
    for (int r = 1; r <= 5; ++r)
        for (int c = 1; c <= 5; ++c) EXPECT_EQ(chart.DataAt(r, c), 0);
    EXPECT_TRUE(t.messages.empty());
}

TEST(IntervalDetail, SixFiguresPerBucketOnItsOwn) {
    DayFlowResult day;
    Put(day.inflow, 1, 50, 5.0);
    Put(day.outflow, 1, 80, 8.0);
    Put(day.uncertain, 1, 30, 3.0);
    Put(day.uncertainUp, 1, 20, 2.0);
    Put(day.inflow, 11, 1200, 120.0);
    const auto buckets = FillIntervalDetail(day);
    EXPECT_EQ(buckets[0].inflow.Text(), "50(5.0万元)");
    EXPECT_EQ(buckets[0].outflow.Text(), "80(8.0万元)");
    EXPECT_EQ(buckets[0].net.Text(), "-30(-3.0万元)");
    EXPECT_EQ(buckets[0].netWithUncertain.Text(), "-10(-1.0万元)");
    EXPECT_EQ(buckets[0].total.Text(), "160(16.0万元)");
    EXPECT_EQ(buckets[0].uncertain.Text(), "30(3.0万元)");
    EXPECT_EQ(buckets[10].inflow.Text(), "1200(120.0万元)");
    EXPECT_EQ(buckets[10].total.Text(), "1200(120.0万元)");
    for (const FlowFigure& figure : SixFigures(buckets[5])) EXPECT_EQ(figure.Text(), "0(0.0万元)");
    EXPECT_EQ(kBucketLabels[10], "1000----");
}

}  // namespace
}  // namespace moxtel
