#include "core/query/MainNetChart.h"

#include <gtest/gtest.h>

#include "core/query/SessionState.h"

namespace moxtel {
namespace {

// Days with and without class figures: the bars miss the latter, the running sum carries over them.
TEST(MainNetChart, DailyBarsAndARunningSumOverDaysWithoutClasses) {
    HistoryQueryState history;
    history.rowCount = 3;
    history.days.resize(3);
    history.days[0] = {.date = "2000-01-03", .mainNetAmount = 12.5};
    history.days[1] = {.date = "2000-01-04"};
    history.days[2] = {.date = "2000-01-05", .mainNetAmount = -20.0};
    CMSChart chart;
    chart.Series(2).LabelLocationType = kLabelLocationAbove;  // left by the flow chart
    FillMainNetChart(chart, history);
    EXPECT_EQ(chart.ChartType(), kChartType2dBar);
    EXPECT_EQ(chart.ColumnCount(), 2);
    EXPECT_FALSE(chart.SeriesAt(1).DrawAsLine);
    EXPECT_TRUE(chart.SeriesAt(2).DrawAsLine);
    EXPECT_EQ(chart.SeriesAt(2).LabelLocationType, 0);
    EXPECT_EQ(chart.RowLabelAt(2), "01-04");
    EXPECT_EQ(chart.DataAt(1, 1), 12.5);
    EXPECT_TRUE(chart.IsNullAt(2, 1));
    EXPECT_FALSE(chart.IsNullAt(3, 1));
    EXPECT_EQ(chart.DataAt(2, 2), 12.5);
    EXPECT_EQ(chart.DataAt(3, 2), -7.5);
    EXPECT_EQ(chart.TitleText(), "主力净额(万元)，其中 1 天保存时尚未按金额分类，重新导入后显示");
}

}  // namespace
}  // namespace moxtel
