#include "core/query/CMSChart.h"

#include <gtest/gtest.h>

namespace moxtel {
namespace {

TEST(CMSChartData, GrowingKeepsValuesAndNewCellsReadZero) {
    CMSChart chart;
    chart.SetColumnCount(2);
    chart.SetRowCount(2);
    chart.SetData(1, 1, 11, 0);
    chart.SetData(2, 2, 22, 1);
    chart.SetRowCount(4);
    chart.SetColumnCount(5);
    EXPECT_EQ(chart.DataAt(1, 1), 11);
    EXPECT_EQ(chart.DataAt(2, 2), 22);
    EXPECT_TRUE(chart.IsNullAt(2, 2));
    EXPECT_EQ(chart.DataAt(4, 5), 0);
    EXPECT_FALSE(chart.IsNullAt(4, 5));
}

TEST(CMSChartData, ShrinkingDropsCellsBeyondAndRegrowingReadsZero) {
    CMSChart chart;
    chart.SetColumnCount(1);
    chart.SetRowCount(3);
    chart.SetData(3, 1, 5, 0);
    chart.SetRowCount(2);
    EXPECT_EQ(chart.DataAt(3, 1), 0);
    chart.SetRowCount(3);
    EXPECT_EQ(chart.DataAt(3, 1), 0);
}

TEST(CMSChartData, OutOfRangeWritesAreIgnored) {
    CMSChart chart;
    chart.SetColumnCount(2);
    chart.SetRowCount(2);
    chart.SetData(0, 1, 1, 0);
    chart.SetData(3, 1, 1, 0);
    chart.SetData(1, 3, 1, 0);
    chart.SetData(-1, -1, 1, 0);
    EXPECT_EQ(chart.DataAt(1, 1), 0);
    EXPECT_EQ(chart.DataAt(3, 1), 0);
}

TEST(CMSChartLabels, ColumnLabelMaySetBeforeTheCountGrows) {
    CMSChart chart;
    for (int k = 1; k <= 5; ++k) {
        chart.SetColumn(k);
        chart.SetColumnLabel("s" + std::to_string(k));
    }
    chart.SetColumnCount(5);
    EXPECT_EQ(chart.ColumnLabelAt(5), "s5");
    EXPECT_EQ(chart.ColumnLabelAt(6), "");
    chart.SetRow(2);
    chart.SetRowLabel("01-02");
    EXPECT_EQ(chart.RowLabelAt(2), "01-02");
    EXPECT_EQ(chart.RowLabelAt(1), "");
    chart.SetRow(0);
    chart.SetRowLabel("ignored");
    EXPECT_EQ(chart.RowLabelAt(0), "");
}

TEST(CMSChartSeries, PenColourIsRgbWithRedInTheLowByte) {
    CMSChart chart;
    chart.SetPenColor(3, 0, 153, 0);
    EXPECT_EQ(chart.SeriesAt(3).PenColor, 39168u);
    EXPECT_TRUE(chart.SeriesAt(3).HasPenColor);
    EXPECT_FALSE(chart.SeriesAt(1).HasPenColor);
    EXPECT_FALSE(chart.SeriesAt(9).HasPenColor);
    chart.SetBackdrop(kFillStyleBrush, 255, 255, 255);
    EXPECT_EQ(chart.BackdropFillColor(), 16777215u);
}

TEST(CMSChartRefresh, NotifiesTheView) {
    CMSChart chart;
    int calls = 0;
    chart.SetRefreshCallback([&calls] { ++calls; });
    chart.Refresh();
    chart.Refresh();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(chart.RefreshCount(), 2);
}

}  // namespace
}  // namespace moxtel
