#include "core/query/HistoryQuery.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "core/query/QueryTestDb.h"

namespace moxtel {
namespace {

using test::Put;
using test::QueryTestDb;

CMSFlexGrid DefaultHeaderGrid() {
    const QueryTestDb t;
    CMSFlexGrid grid(1, kHistoryGridCols);
    HistoryQueryState state;
    ApplyTemplateHeaders(t.store, state, grid, "");
    return grid;
}

TEST(HistoryHeaderBounds, MapsTheTwelveBoundsAndKeepsOthersInsideTheBuckets) {
    struct Case {
        const char* header;
        int lower;
        int upper;
    };
    const Case cases[] = {
        {"0-300(手)", 0, 3},          {"300-500(手)", 3, 5},       {"800-1000(手)", 8, 10},
        {"1000-1000+(手)", 10, 11},   {"100-1000+(手)", 1, 11},    {"500-0(手)", 5, 0},
        {"0--300(手)", 0, 3},         {"300(手)", 0, 3},           {"(手)", 0, 0},
        {"150-250(手)", 1, 2},        {"0-1001(手)", 0, 11},       {"0-1200(手)", 0, 11},
        {"0-99999999999(手)", 0, 11}, {"1000+-1000+(手)", 11, 11}, {"300-500", 3, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderBucketBounds(c.header), std::make_pair(c.lower, c.upper)) << c.header;
    }
}

// 主力 cells: coloured by sign; a day stored without classes shows the dash in a colour that
// stands out from the grid's black cells.
TEST(HistoryGridCells, MainCellsShowFiguresOrAVisibleDash) {
    CMSFlexGrid grid = DefaultHeaderGrid();
    grid.SetRows(4);
    FillMainCells(grid, 1, true, -12.5, 250.0);
    FillMainCells(grid, 2, false, 0.0, 0.0);
    EXPECT_EQ(grid.TextAt(1, kHistoryMainNetCol), "-12.5");
    EXPECT_EQ(grid.TextAt(1, kHistoryMainShareCol), "-5.00");
    EXPECT_EQ(grid.CellForeColorAt(1, kHistoryMainNetCol), kColorGreen);
    for (int col : {kHistoryMainNetCol, kHistoryMainShareCol}) {
        EXPECT_EQ(grid.TextAt(2, col), kNoClassFigure);
        EXPECT_EQ(grid.CellForeColorAt(2, col), kColorWhite);
    }
}

TEST(HistoryGridCells, IntervalCellIsInflowMinusOutflowColouredBySign) {
    CMSFlexGrid grid = DefaultHeaderGrid();
    DayFlowResult day;
    Put(day.inflow, 1, 50, 5.0);
    Put(day.outflow, 3, 50, 5.0);        // interval 1: equal in and out
    Put(day.inflow, 4, 320, 32.04);      // interval 2: positive
    Put(day.outflow, 7, 150, 15.06);     // interval 3: negative
    Put(day.uncertainUp, 9, 999, 99.9);  // never in an interval cell
    Put(day.inflow, 11, 1200, 120.0);    // interval 5: bucket 11 alone
    grid.SetRows(3);
    for (int k = 1; k <= 5; ++k) FillIntervalCell(grid, day, k, 1);

    EXPECT_EQ(grid.TextAt(1, 1), "0(0.0万元)");
    EXPECT_EQ(grid.CellForeColorAt(1, 1), kColorGreen);
    EXPECT_EQ(grid.TextAt(1, 2), "320(32.0万元)");
    EXPECT_EQ(grid.CellForeColorAt(1, 2), kColorRed);
    EXPECT_EQ(grid.TextAt(1, 3), "-150(-15.1万元)");
    EXPECT_EQ(grid.CellForeColorAt(1, 3), kColorGreen);
    EXPECT_EQ(grid.TextAt(1, 4), "0(0.0万元)");
    EXPECT_EQ(grid.TextAt(1, 5), "1200(120.0万元)");
}

TEST(HistoryGridCells, HeaderBoundOutsideTheTwelveValuesReadsOnlyBuckets1To11) {
    CMSFlexGrid grid(3, kHistoryGridCols);
    DayFlowResult day;
    day.inflow[0] = {1e9, 1e9};  // the unused slot must never be summed
    for (int k = 1; k <= 11; ++k) Put(day.inflow, k, 1, 0.1);
    grid.SetTextAt(0, 1, "0-5000(手)");
    grid.SetTextAt(0, 2, "-100-300(手)");
    grid.SetTextAt(0, 3, "5000-9000(手)");
    grid.SetTextAt(0, 4, "abc-xyz(手)");
    for (int k = 1; k <= 4; ++k) FillIntervalCell(grid, day, k, 1);
    EXPECT_EQ(grid.TextAt(1, 1), "11(1.1万元)");
    EXPECT_EQ(grid.TextAt(1, 2), "1(0.1万元)");  // lower "", upper "100-300" read as 100
    EXPECT_EQ(grid.TextAt(1, 3), "0(0.0万元)");
    EXPECT_EQ(grid.TextAt(1, 4), "0(0.0万元)");
}

TEST(HistoryGridCells, TotalCellsLeaveOutUncertainAndColourTheTotalWhite) {
    CMSFlexGrid grid = DefaultHeaderGrid();
    grid.SetRows(3);
    DayFlowResult day;
    Put(day.inflow, 2, 150, 15.06);
    Put(day.outflow, 11, 1200, 120.0);
    Put(day.uncertainUp, 1, 300, 30.0);
    Put(day.uncertainDown, 1, 50, 5.0);
    FillTotalCells(grid, day, 1);
    EXPECT_EQ(grid.TextAt(1, 6), "-1050(-104.9万元)");
    EXPECT_EQ(grid.CellForeColorAt(1, 6), kColorGreen);
    EXPECT_EQ(grid.TextAt(1, 7), "-800(-79.9万元)");
    EXPECT_EQ(grid.CellForeColorAt(1, 7), kColorGreen);
    EXPECT_EQ(grid.TextAt(1, 8), "1350(135.1万元)");
    EXPECT_EQ(grid.CellForeColorAt(1, 8), kColorWhite);
}

TEST(HistoryGridRows, DayRowShowsTheDateKeepsTheMasterIdHiddenAndEndsWithAnEmptyRow) {
    CMSFlexGrid grid = DefaultHeaderGrid();
    DayFlowResult day;
    AddDayRow(grid, day, "20000101", 1, "ABC(600000)20000101");
    AddDayRow(grid, day, "20000102", 2, "ABC(600000)20000102");
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.TextAt(2, 0), "2000-01-02");
    EXPECT_EQ(grid.ColWidth(kHistoryMasterIdCol), 0);
    EXPECT_EQ(MasterIdOfGridRow(grid, 2), "ABC(600000)20000102");
    EXPECT_EQ(MasterIdOfGridRow(grid, 0), "");
    EXPECT_EQ(MasterIdOfGridRow(grid, 3), "");
}

TEST(HistoryGridRows, DateDashesNeverFailOnShortOrWideText) {
    EXPECT_EQ(InsertDateDashes("20000101"), "2000-01-01");
    EXPECT_EQ(InsertDateDashes("2000"), "2000--");
    EXPECT_EQ(InsertDateDashes(""), "--");
    EXPECT_EQ(InsertDateDashes("二〇〇〇年一月一"), "二〇〇〇-年一-月一");
}

TEST(HistoryFigureText, LotsAreTheLeadingNumberBeforeTheBracket) {
    EXPECT_EQ(LotsOfFigureText("-1234(-56.7万元)"), -1234);
    EXPECT_EQ(LotsOfFigureText("0(0.0万元)"), 0);
    EXPECT_EQ(LotsOfFigureText(""), 0);
    EXPECT_EQ(LotsOfFigureText("(5万元)"), 0);
}

// The charts draw the lots a figure cell shows: rounding halves away from zero, signs, and what no
// text shows as a number.
TEST(HistoryFigureText, ShownLotsAreTheLotsOfTheFigureText) {
    for (const double lots : {0.0, -0.0, 0.4, -0.4, 0.5, -0.5, 1.5, 2.5, -2.5, 1234.5, -1234.6, 26.49999, 1e15 + 0.5,
                              1e300, std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(ShownLots(lots), LotsOfFigureText(FlowFigure{lots, 0.0}.Text())) << lots;
    }
}

TEST(HistoryHeaders, DefaultsTemplateAndUnknownTemplate) {
    QueryTestDb t;
    t.InsertTemplate("大单", {"0-500", "500-1000", "1000-1000+", "0-0", "100-0"});
    HistoryQueryState state;
    CMSFlexGrid grid(1, 2);

    EXPECT_TRUE(ApplyTemplateHeaders(t.store, state, grid, ""));
    EXPECT_EQ(grid.Cols(), kHistoryGridCols);
    EXPECT_EQ(grid.ColWidth(0), 1500);
    EXPECT_EQ(grid.ColWidth(8), 2500);
    EXPECT_EQ(grid.TextAt(0, 0), "日期");
    EXPECT_EQ(grid.TextAt(0, 5), "1000-1000+(手)");
    EXPECT_EQ(grid.TextAt(0, 7), "流向(加未知流向)");
    EXPECT_EQ(grid.TextAt(0, 9), "");

    EXPECT_TRUE(ApplyTemplateHeaders(t.store, state, grid, "大单"));
    EXPECT_EQ(state.templateName, "大单");
    EXPECT_EQ(grid.TextAt(0, 1), "0-500(手)");
    EXPECT_EQ(state.intervalTexts[4], "100-0");

    // A template deleted meanwhile keeps the previous headers and texts.
    EXPECT_FALSE(ApplyTemplateHeaders(t.store, state, grid, "已删除"));
    EXPECT_EQ(state.templateName, "已删除");
    EXPECT_EQ(grid.TextAt(0, 1), "0-500(手)");
    EXPECT_EQ(state.intervalTexts[0], "0-500");
    EXPECT_TRUE(t.messages.empty());
}

// A database that fails is reported once and is no missing template: the headers keep the
// previous texts, as for a deleted template, but the name is not called unknown.
TEST(HistoryHeaders, AFailingDatabaseIsNoMissingTemplate) {
    QueryTestDb t;
    t.InsertTemplate("大单", {"0-500", "500-1000", "1000-1000+", "0-0", "100-0"});
    HistoryQueryState state;
    CMSFlexGrid grid(1, kHistoryGridCols);
    ASSERT_TRUE(ApplyTemplateHeaders(t.store, state, grid, "大单"));
    std::ofstream(t.File(), std::ios::binary | std::ios::trunc) << std::string(4096, '#');
    EXPECT_TRUE(ApplyTemplateHeaders(t.store, state, grid, "大单"));
    EXPECT_EQ(grid.TextAt(0, 1), "0-500(手)");
    EXPECT_EQ(state.intervalTexts[4], "100-0");
    EXPECT_EQ(t.messages.size(), 1u);
}

TEST(HistoryHeaders, ALaterTemplateRowOfTheSameNameWins) {
    QueryTestDb t;
    t.InsertTemplate("双", {"0-100", "100-200", "200-300", "300-400", "400-500"});
    t.InsertTemplate("双", {"0-500", "500-600", "600-700", "700-800", "800-1000+"});
    HistoryQueryState state;
    CMSFlexGrid grid(1, kHistoryGridCols);
    EXPECT_TRUE(ApplyTemplateHeaders(t.store, state, grid, "双"));
    EXPECT_EQ(grid.TextAt(0, 1), "0-500(手)");
    EXPECT_EQ(state.intervalTexts[4], "800-1000+");
}

// Three stored days of ABC, one of another stock, one of ABC without its bucket rows.
class HistoryQueryDb : public ::testing::Test {
  protected:
    void SetUp() override {
        DayFlowResult d1;
        Put(d1.inflow, 2, 150, 15.06);
        Put(d1.outflow, 11, 1200, 120.0);
        Put(d1.uncertainUp, 4, 300, 30.0);
        id1 = t.InsertDay("ABC", "20000103", d1);
        t.InsertUncertain(id1, "09:30:01", "500", "10.00");

        DayFlowResult d2;
        Put(d2.inflow, 5, 2500, 250.0);
        Put(d2.outflow, 3, 100, 10.0);
        id2 = t.InsertDay("ABC", "20000101", d2);

        DayFlowResult d3;
        Put(d3.outflow, 1, 20, 2.0);
        id3 = t.InsertDay("ABC", "20001231", d3);
        t.InsertDay("XYZ", "20000102", d2);
        t.InsertDay("ABC", "20000104", d2, false);
    }

    Result<int> Query(const std::string& code, const std::string& from, const std::string& to) {
        return QueryHistory(t.store, session, {code, from, to, ""}, grid, chart, {});
    }

    QueryTestDb t;
    std::string id1, id2, id3;
    SessionState session;
    CMSFlexGrid grid;
    CMSChart chart;
};

TEST_F(HistoryQueryDb, ListsTheStocksDaysInDateOrderAndLeavesTheLastAsCurrent) {
    const auto n = Query("ABC", "20000101", "20001231");
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 3);
    EXPECT_EQ(session.history.rowCount, 3);
    EXPECT_EQ(grid.Rows(), 5);
    EXPECT_EQ(grid.TextAt(1, 0), "2000-01-01");
    EXPECT_EQ(grid.TextAt(2, 0), "2000-01-03");
    EXPECT_EQ(grid.TextAt(3, 0), "2000-12-31");
    EXPECT_EQ(MasterIdOfGridRow(grid, 2), id1);
    EXPECT_EQ(grid.TextAt(1, 5), "0(0.0万元)");
    EXPECT_EQ(grid.TextAt(1, 2), "2500(250.0万元)");
    EXPECT_EQ(grid.TextAt(1, 1), "-100(-10.0万元)");
    EXPECT_EQ(session.currentMasterId, id3);
    EXPECT_EQ(session.day.outflow[1].lots, 20);
    EXPECT_EQ(session.day.inflow[5].lots, 0);
    EXPECT_EQ(session.history.stockCode, "ABC");
    EXPECT_EQ(session.history.endDate, "20001231");
    EXPECT_EQ(chart.TitleText(), "3日流向曲线图（单位:手）");
    EXPECT_EQ(chart.RowCount(), 3);
    EXPECT_TRUE(t.messages.empty());
}

// The figures the charts draw are the numbers of the grid's cells, day by day, under a template.
TEST_F(HistoryQueryDb, ChartFiguresAreTheGridCellsAsNumbers) {
    t.InsertTemplate("T", {"0-100", "100-200", "200-500", "500-1000", "0-1000+"});
    // 主力净额 at the rounding edges: an exact half goes away from zero, 0.15 is just below its half.
    const char* classSql =
        "insert or replace into dayflow(code,datet,classday,mainnetamount,totalamount) values('ABC',?,1,?,100)";
    t.Exec(classSql, {"20000101", "-26.25"});
    t.Exec(classSql, {"20000103", "0.15"});
    ASSERT_EQ(*QueryHistory(t.store, session, {"ABC", "20000101", "20001231", "T"}, grid, chart, {}), 3);
    ASSERT_EQ(session.history.days.size(), 3U);
    for (int r = 1; r <= 3; ++r) {
        const HistoryDayFigures& day = session.history.days[static_cast<std::size_t>(r - 1)];
        EXPECT_EQ(day.date, grid.TextAt(r, 0));
        for (int k = 1; k <= 5; ++k) {
            EXPECT_EQ(day.intervalLots[static_cast<std::size_t>(k - 1)], LotsOfFigureText(grid.TextAt(r, k))) << r << k;
        }
        EXPECT_EQ(day.totalLots, LotsOfFigureText(grid.TextAt(r, kHistoryTotalCol))) << r;
        const std::string mainNet = grid.TextAt(r, kHistoryMainNetCol);
        EXPECT_EQ(day.mainNetAmount.has_value(), mainNet != kNoClassFigure) << r;
        if (day.mainNetAmount) {
            EXPECT_EQ(*day.mainNetAmount, std::stod(mainNet)) << r;
        }
    }
    EXPECT_EQ(session.history.days[1].intervalLots[4], -1050);
    EXPECT_EQ(session.history.days[0].mainNetAmount, -26.3);
    EXPECT_EQ(session.history.days[1].mainNetAmount, 0.1);
    EXPECT_EQ(session.history.days[2].mainNetAmount, std::nullopt);
    EXPECT_EQ(*QueryHistory(t.store, session, {"ABC", "20010101", "20011231", "T"}, grid, chart, {}), 0);
    EXPECT_TRUE(session.history.days.empty());
}

TEST_F(HistoryQueryDb, UncertainTradesStayOutOfTheTotalButUpAndDownCountInColumn7) {
    ASSERT_TRUE(Query("ABC", "20000103", "20000103").ok());
    EXPECT_EQ(grid.TextAt(1, 8), "1350(135.1万元)");
    EXPECT_EQ(grid.TextAt(1, 7), "-750(-74.9万元)");
    for (int k = 1; k <= 11; ++k) EXPECT_EQ(session.day.uncertain[k].lots, 0);
}

TEST_F(HistoryQueryDb, BothEndsAreInclusiveAndTextOrdered) {
    ASSERT_EQ(*Query("ABC", "20000101", "20000103"), 2);
    ASSERT_EQ(*Query("ABC", "20000102", "20000102"), 0);
}

TEST_F(HistoryQueryDb, EmptyRangeSetsUpTheChartOnlyAndKeepsItsOldRows) {
    ASSERT_EQ(*Query("ABC", "20000101", "20001231"), 3);
    const double before = chart.DataAt(1, 2);
    session.currentMasterId = "kept";
    const auto n = Query("ABC", "20010101", "20011231");
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 0);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(session.history.rowCount, 0);
    EXPECT_EQ(session.currentMasterId, "kept");
    EXPECT_EQ(chart.TitleText(), "日流向曲线图（单位:手）");
    EXPECT_EQ(chart.RowCount(), 3);
    EXPECT_EQ(chart.DataAt(1, 2), before);
    EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Maximum, 0);
    EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Minimum, 0);
}

TEST_F(HistoryQueryDb, StartAfterEndListsNothingWithoutMessage) {
    const auto n = Query("ABC", "20001231", "20000101");
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 0);
    EXPECT_TRUE(t.messages.empty());
}

TEST_F(HistoryQueryDb, MissingStockOrDateStopsWithItsMessageAndTouchesNeitherGridNorChart) {
    ASSERT_EQ(*Query("ABC", "20000101", "20001231"), 3);
    const int refreshes = chart.RefreshCount();
    const std::string title = chart.TitleText();

    auto n = Query("", "20000101", "20001231");
    ASSERT_FALSE(n.ok());
    EXPECT_EQ(n.error().message, "请选择需要统计的股票!");
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(chart.TitleText(), title);
    EXPECT_EQ(chart.RefreshCount(), refreshes);

    n = Query("ABC", "", "20001231");
    ASSERT_FALSE(n.ok());
    EXPECT_EQ(n.error().message, "请选择要查询的时间段!");
    n = Query("ABC", "20000101", "");
    ASSERT_FALSE(n.ok());
    EXPECT_EQ(n.error().message, "请选择要查询的时间段!");
    EXPECT_EQ(session.history.stockCode, "ABC");
    EXPECT_EQ(chart.TitleText(), title);
}

TEST_F(HistoryQueryDb, QuotesInTheFiltersAreData) {
    const auto n = Query("ABC' or '1'='1", "20000101", "20001231");
    ASSERT_TRUE(n.ok());
    EXPECT_EQ(*n, 0);
    EXPECT_TRUE(t.messages.empty());
}

}  // namespace
}  // namespace moxtel
