#include "core/query/FlowCharts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/query/MainNetChart.h"
#include "core/query/QueryTestDb.h"
#include "core/stats/FlowFigure.h"

namespace moxtel {
namespace {

using test::Put;
using test::QueryTestDb;

// A history query's state with default interval texts and one listed day per entry: date, five
// interval lots, total lots, each as the query keeps it (rounded as the grid shows it).
struct Day {
    const char* date;
    std::array<double, 5> intervals;
    double total;
};

HistoryQueryState StateOf(const std::vector<Day>& days) {
    HistoryQueryState state;
    for (const Day& d : days) {
        HistoryDayFigures figures{d.date, {}, ShownLots(d.total)};
        for (std::size_t k = 0; k < 5; ++k) figures.intervalLots[k] = ShownLots(d.intervals[k]);
        state.days.push_back(figures);
    }
    state.rowCount = static_cast<int>(days.size());
    return state;
}

TEST(HistoryChartAxis, RangeIsHundredsOfThousandsOfTheLargestTotal) {
    struct Case {
        double total;
        double maximum;
    };
    for (const Case c :
         {Case{999, 0}, Case{1000, 100}, Case{1234, 100}, Case{2999.4, 200}, Case{2999.5, 300}, Case{-5000, 0}}) {
        const HistoryQueryState state = StateOf({{"2000-01-01", {}, c.total}});
        CMSChart chart;
        SetupHistoryChart(chart, state);
        const ChartValueScale& scale = chart.Axis(AxisId::Value).ValueScale;
        EXPECT_EQ(scale.Maximum, c.maximum) << c.total;
        EXPECT_EQ(scale.Minimum, -c.maximum) << c.total;
        EXPECT_FALSE(scale.Auto);
        EXPECT_EQ(scale.MajorDivision, 10);
    }
}

// Every fitted axis holds its values with a little room, in round steps, never ten times too large.
TEST(ValueAxisFit, HoldsEveryValueInRoundSteps) {
    struct Case {
        double low, high;
        int most;
        bool symmetric;
        ValueAxisFit expected;
    };
    const Case cases[] = {
        // The history line chart of days at 9586 and 13867 lots, once drawn on a ±8800 axis.
        {-2000, 13867, 10, true, {-15000, 15000, 6}},
        {-9586, 4000, 10, true, {-12500, 12500, 10}},
        // Values up to about 1.05 million, once on ±11,603,300.
        {-1050000, 1000000, 10, true, {-1250000, 1250000, 10}},
        // Bars up to 145,052 lots, once on 0-441,500.
        {0, 145052, 10, false, {0, 160000, 8}},
        {0, 1235, 5, false, {0, 1500, 3}},
        // A value exactly on a step still gets room above it.
        {0, 1000, 5, false, {0, 1250, 5}},
        {0, 100, 10, false, {0, 120, 6}},
        // Negative bars keep zero on a tick.
        {-30, 120, 5, false, {-50, 150, 4}},
        // Nothing to draw: small whole steps rather than an empty axis.
        {0, 0, 10, false, {0, 10, 10}},
        {0, 0, 10, true, {-5, 5, 10}},
        {0.4, 0.6, 10, false, {0, 1, 1}},
        // Not a number to draw.
        {0, std::numeric_limits<double>::infinity(), 10, false, {0, 10, 10}},
    };
    for (const Case& c : cases) {
        const ValueAxisFit fit = FitValueAxis(c.low, c.high, c.most, c.symmetric);
        const std::string label = std::to_string(c.low) + ".." + std::to_string(c.high);
        EXPECT_EQ(fit.minimum, c.expected.minimum) << label;
        EXPECT_EQ(fit.maximum, c.expected.maximum) << label;
        EXPECT_EQ(fit.divisions, c.expected.divisions) << label;
        if (!std::isfinite(c.high)) continue;
        EXPECT_LE(fit.minimum, std::min(c.low, 0.0)) << label;
        EXPECT_GT(fit.maximum, c.high) << label;
        EXPECT_LE(fit.divisions, c.most) << label;
    }
}

// Steps are 1, 2, 2.5 or 5 times a power of ten and every tick lands on a whole lot, across
// magnitudes; the axis is never more than twice what it must hold.
TEST(ValueAxisFit, StepsAreRoundAcrossMagnitudes) {
    for (double high = 3; high < 1e9; high *= 1.37) {
        for (const bool symmetric : {false, true}) {
            const ValueAxisFit fit = FitValueAxis(symmetric ? -high / 3 : 0, high, 10, symmetric);
            const double step = (fit.maximum - fit.minimum) / fit.divisions;
            const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            const double factor = step / power;
            EXPECT_TRUE(factor == 1 || factor == 2 || factor == 5 || (factor == 2.5 && power >= 10)) << step;
            EXPECT_EQ(step, std::round(step)) << high;
            EXPECT_GE(fit.maximum, high * 1.04) << high;
            EXPECT_LE(fit.maximum, high * 2) << high;
        }
    }
}

TEST(HistoryChartAxis, LargestTotalLooksOnlyAtListedRows) {
    const HistoryQueryState state =
        StateOf({{"2000-01-01", {}, 1500}, {"2000-01-02", {}, 2600}, {"2000-01-03", {}, 9000}});
    EXPECT_EQ(FindMaxTotal(state.days, 2), 2600);
    EXPECT_EQ(FindMaxTotal(state.days, 0), 0);
}

TEST(HistoryChartSetup, TitleSeriesAndPens) {
    HistoryQueryState state = StateOf({});
    CMSChart chart;
    state.rowCount = 12;
    SetupHistoryChart(chart, state);
    EXPECT_EQ(chart.TitleText(), "12日流向曲线图（单位:手）");
    state.rowCount = 0;
    SetupHistoryChart(chart, state);
    EXPECT_EQ(chart.TitleText(), "日流向曲线图（单位:手）");
    EXPECT_EQ(chart.ColumnCount(), 5);
    EXPECT_EQ(chart.ColumnLabelAt(1), "0-300(手)");
    EXPECT_EQ(chart.ColumnLabelAt(5), "1000-1000+(手)");
    EXPECT_TRUE(chart.ShowLegend());
    EXPECT_FALSE(chart.Stacking());
    EXPECT_EQ(chart.Axis(AxisId::Value).AxisTitle, "流向");
    EXPECT_EQ(chart.SeriesAt(2).PenColor, RgbColor(128, 20, 128));
    EXPECT_EQ(chart.SeriesAt(5).PenWidth, 100);
    EXPECT_EQ(chart.SeriesAt(5).LabelLocationType, kLabelLocationAbove);
    EXPECT_EQ(chart.BackdropFillStyle(), kFillStyleBrush);
    EXPECT_EQ(chart.BackdropFillColor(), kColorWhite);
}

TEST(HistoryChartFill, OneCategoryPerDayAndHiddenIntervalsGetZeros) {
    const HistoryQueryState state =
        StateOf({{"2000-01-01", {1, -2, 3, 4, 5}, 10}, {"2000-12-31", {-6, 7, 8, 9, 10}, 20}});
    CMSChart chart;
    SetupHistoryChart(chart, state);
    HistoryChartOptions options;
    options.chartMode = 1;
    options.showInterval[2] = false;
    FillHistoryChart(chart, state, options);
    EXPECT_EQ(chart.ChartType(), kChartType2dBar);
    EXPECT_EQ(chart.RowCount(), 2);
    EXPECT_EQ(chart.RowLabelAt(2), "12-31");
    EXPECT_EQ(chart.DataAt(1, 2), -2);
    EXPECT_EQ(chart.DataAt(2, 1), -6);
    EXPECT_EQ(chart.DataAt(1, 3), 0);
    EXPECT_EQ(chart.DataAt(2, 3), 0);
    EXPECT_EQ(chart.Axis(AxisId::Category).AxisTitle, "日期");
    // The fill fits the axis to the intervals drawn, not to the total.
    EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Maximum, 15);
    EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Minimum, -15);
    EXPECT_EQ(chart.RefreshCount(), 1);

    options.chartMode = 0;
    options.showInterval[2] = true;
    FillHistoryChart(chart, state, options);
    EXPECT_EQ(chart.ChartType(), kChartType2dLine);
    EXPECT_EQ(chart.DataAt(2, 3), 8);
}

TEST(HistoryChartFill, MonthDayLabel) {
    EXPECT_EQ(MonthDayLabel("2000-01-01"), "01-01");
    EXPECT_EQ(MonthDayLabel("20000101"), "20000101");
    EXPECT_EQ(MonthDayLabel(""), "");
}

// A day whose directions were inferred is marked in every chart of the history window, and the date
// axis says what the mark means; a marked day past the listed rows says nothing.
TEST(HistoryCharts, DaysWithInferredDirectionsAreMarked) {
    HistoryQueryState state = StateOf({{"2000-01-01", {1, 2, 3, 4, 5}, 10}, {"2000-01-02", {1, 2, 3, 4, 5}, 10}});
    state.days[1].inferredDirection = true;
    CMSChart history;
    FillHistoryChart(history, state, {});
    std::array<CMSChart, 5> compare;
    FillCompareCharts(compare, state);
    CMSChart mainNet;
    FillMainNetChart(mainNet, state);
    for (const CMSChart* chart : {&history, &compare[0], &compare[4], &mainNet}) {
        EXPECT_EQ(chart->RowLabelAt(1), "01-01");
        EXPECT_EQ(chart->RowLabelAt(2), "01-02*");
        EXPECT_EQ(chart->Axis(AxisId::Category).AxisTitle, "日期(* 推断方向)");
    }
    state.rowCount = 1;
    FillHistoryChart(history, state, {});
    EXPECT_EQ(history.Axis(AxisId::Category).AxisTitle, "日期");
}

TEST(CompareCharts, BarsBySignAndAxisUpToTheLargestAbsoluteFigure) {
    const HistoryQueryState state =
        StateOf({{"2000-01-01", {120, 0, -30, 5, 0}, 0}, {"2000-01-02", {-1234.6, 0, 20, 5, 0}, 0}});
    std::array<CMSChart, 5> charts;
    SetupCompareCharts(charts, state);
    FillCompareCharts(charts, state);

    EXPECT_EQ(FindMaxAbsInterval(state.days, 1, 2), 1235);  // the cell text is rounded to whole lots
    EXPECT_EQ(charts[0].Axis(AxisId::Value).ValueScale.Maximum, 1500);
    EXPECT_EQ(charts[0].Axis(AxisId::Value).ValueScale.Minimum, 0);
    EXPECT_EQ(charts[0].Axis(AxisId::Value).ValueScale.MajorDivision, 3);
    EXPECT_EQ(charts[1].Axis(AxisId::Value).ValueScale.Maximum, 5);
    EXPECT_EQ(charts[0].ColumnLabelAt(1), "0-300(手)入");
    EXPECT_EQ(charts[0].ColumnLabelAt(2), "0-300(手)出");
    EXPECT_EQ(charts[4].SeriesAt(1).PenColor, RgbColor(255, 0, 0));
    EXPECT_EQ(charts[4].SeriesAt(2).PenColor, RgbColor(0, 0, 255));
    EXPECT_EQ(charts[0].TitleText(), "");

    // Positive: red series 1 only; negative: blue series 2 with the size; zero: two zero bars.
    EXPECT_EQ(charts[0].DataAt(1, 1), 120);
    EXPECT_EQ(charts[0].DataAt(1, 2), 0);
    EXPECT_EQ(charts[0].DataAt(2, 1), 0);
    EXPECT_EQ(charts[0].DataAt(2, 2), 1235);
    EXPECT_EQ(charts[2].DataAt(1, 2), 30);
    EXPECT_EQ(charts[1].DataAt(1, 1), 0);
    EXPECT_EQ(charts[1].DataAt(1, 2), 0);
    for (const CMSChart& chart : charts) {
        EXPECT_EQ(chart.ChartType(), kChartType2dBar);
        EXPECT_EQ(chart.RowCount(), 2);
        EXPECT_EQ(chart.ColumnCount(), 2);
        EXPECT_EQ(chart.RowLabelAt(2), "01-02");
        EXPECT_EQ(chart.RefreshCount(), 1);
    }
}

TEST(CompareCharts, RepeatTheLastHistoryQueryIntoTheHiddenGrid) {
    QueryTestDb t;
    t.InsertTemplate("T", {"0-100", "100-200", "200-300", "300-400", "400-1000+"});
    DayFlowResult d;
    Put(d.inflow, 1, 40, 4.0);
    Put(d.outflow, 2, 150, 15.0);
    const std::string first = t.InsertDay("ABC", "20000101", d);
    Put(d.inflow, 11, 5000, 500.0);
    const std::string last = t.InsertDay("ABC", "20000102", d);

    SessionState session;
    session.history = {"T", "ABC", "20000101", "20000131", 0, {}, {}};
    CMSFlexGrid hidden;
    std::array<CMSChart, 5> charts;
    LoadCompareData(t.store, session, hidden, charts);

    EXPECT_EQ(session.history.rowCount, 2);
    EXPECT_EQ(session.history.intervalTexts[4], "400-1000+");
    EXPECT_EQ(session.currentMasterId, last);
    EXPECT_EQ(MasterIdOfGridRow(hidden, 1), first);
    EXPECT_EQ(hidden.TextAt(0, 2), "100-200(手)");
    EXPECT_EQ(charts[0].DataAt(1, 1), 40);
    EXPECT_EQ(charts[1].DataAt(2, 2), 150);
    EXPECT_EQ(charts[4].DataAt(2, 1), 5000);
    EXPECT_EQ(charts[4].Axis(AxisId::Value).ValueScale.Maximum, 6000);
    EXPECT_TRUE(t.messages.empty());

    // Nothing listed: charts with zero rows.
    session.history.startDate = "20010101";
    session.history.endDate = "20010131";
    LoadCompareData(t.store, session, hidden, charts);
    EXPECT_EQ(session.history.rowCount, 0);
    EXPECT_EQ(charts[0].RowCount(), 0);
}

DetailPanelFigures PanelOf(double inflowLots, double outflowLots) {
    DayFlowResult day;
    day.inflow[1] = {inflowLots, 1.0};
    day.outflow[1] = {outflowLots, 1.0};
    DetailPanelFigures panel;
    FillDaySummary(panel, day);
    return panel;
}

TEST(DayChart, AxisIsCutAtTheHundredBelowTheLargerOfInflowAndOutflow) {
    struct Case {
        double in, out, maximum;
    };
    for (const Case c : {Case{1234, 50, 1200}, Case{50, 1299.4, 1200}, Case{99, 0, 0}, Case{0, 0, 0}}) {
        CMSChart chart;
        SetupDayChart(chart, PanelOf(c.in, c.out));
        EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Maximum, c.maximum) << c.in << " " << c.out;
        EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Minimum, 0);
    }
}

TEST(DayChart, SetupAndFillFromThePanel) {
    DetailPanelFigures panel = PanelOf(10, 20);
    panel.intervalTexts = {"0-300", "300-500", "500-800", "800-1000", "1000-1000+"};
    panel.intervals[1].inflow = {300, 30.0};
    panel.intervals[1].outflow = {120, 12.0};
    panel.intervals[4].uncertain = {77, 7.7};
    panel.intervalInPlusUp[1] = 350;
    panel.intervalOutPlusDown[1] = 125;
    CMSChart chart;
    const int typeBefore = chart.ChartType();
    SetupDayChart(chart, panel);
    FillDayChart(chart, panel);

    EXPECT_EQ(chart.TitleText(), "日流量图（单位：手）");
    EXPECT_EQ(chart.ChartType(), typeBefore);
    EXPECT_EQ(chart.ColumnLabelAt(3), "流入(加未知)");
    EXPECT_EQ(chart.SeriesAt(3).PenColor, RgbColor(255, 50, 0));
    EXPECT_EQ(chart.Axis(AxisId::Value).AxisTitle, "流向(手)");
    EXPECT_EQ(chart.Axis(AxisId::Category).AxisTitle, "区间");
    EXPECT_EQ(chart.RowCount(), 5);
    EXPECT_EQ(chart.RowLabelAt(5), "1000-1000+");
    EXPECT_EQ(chart.DataAt(2, 1), 300);
    EXPECT_EQ(chart.DataAt(2, 2), 120);
    EXPECT_EQ(chart.DataAt(2, 3), 350);
    EXPECT_EQ(chart.DataAt(2, 4), 125);
    EXPECT_EQ(chart.DataAt(5, 5), 77);
    EXPECT_EQ(chart.DataAt(1, 1), 0);
}

// The chart draws the lots the panel shows: whole lots, a half rounded away from zero (header
// tables in shares give fractions of a lot).
TEST(DayChart, DrawsTheLotsThePanelShows) {
    for (const double lots : {150.4, 150.5, 0.5, 2.5, 1299.6}) {
        DayFlowResult day;
        day.inflow[1] = {lots, 1.0};
        day.outflow[2] = {lots, 1.0};
        day.uncertain[3] = {lots, 1.0};
        DetailPanelFigures panel;
        FillDaySummary(panel, day);
        FillDayIntervals(panel, day, {"0-300", "300-500", "500-800", "800-1000", "1000-1000+"});
        const std::string shown = panel.intervals[0].inflow.Text();
        const double shownLots = std::stod(shown.substr(0, shown.find('(')));
        CMSChart chart;
        SetupDayChart(chart, panel);
        EXPECT_EQ(chart.Axis(AxisId::Value).ValueScale.Maximum, std::trunc(shownLots / 100) * 100) << shown;
        FillDayChart(chart, panel);
        EXPECT_EQ(chart.DataAt(1, 1), shownLots) << shown;
        EXPECT_EQ(chart.DataAt(1, 2), shownLots) << shown;
        EXPECT_EQ(chart.DataAt(1, 5), shownLots) << shown;
    }
}

}  // namespace
}  // namespace moxtel
