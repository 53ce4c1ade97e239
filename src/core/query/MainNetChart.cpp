#include "core/query/MainNetChart.h"

#include "core/query/FlowCharts.h"

namespace moxtel {

void FillMainNetChart(CMSChart& chart, const HistoryQueryState& history) {
    const int rowCount = history.rowCount;
    chart.SetChartType(kChartType2dBar);
    chart.SetStacking(false);
    chart.SetShowLegend(true);
    chart.SetTitleText("主力净额(万元)");
    chart.SetColumnCount(2);
    chart.SetRowCount(rowCount);
    chart.Axis(AxisId::Category).AxisTitle = DateAxisTitle(history.days, rowCount);
    chart.SetColumn(1);
    chart.SetColumnLabel("当日主力净额");
    chart.SetColumn(2);
    chart.SetColumnLabel("累计主力净额");
    chart.SetPenColor(1, 255, 0, 0);
    chart.SetPenColor(2, 0, 0, 255);
    chart.Series(1).LabelLocationType = 0;
    chart.Series(2).LabelLocationType = 0;
    chart.Series(2).DrawAsLine = true;
    double sum = 0.0;
    int without = 0;
    for (int r = 1; r <= rowCount; ++r) {
        chart.SetRow(r);
        const HistoryDayFigures& day = DayAt(history.days, r);
        chart.SetRowLabel(DayLabel(day));
        const bool known = day.mainNetAmount.has_value();
        const double value = day.mainNetAmount.value_or(0.0);
        without += known ? 0 : 1;
        sum += value;
        chart.SetData(r, 1, value, known ? 0 : 1);
        chart.SetData(r, 2, sum, 0);
    }
    // Days stored before the order classes were kept have no bar: the title says how many.
    if (without > 0) {
        chart.SetTitleText("主力净额(万元)，其中 " + std::to_string(without) + " 天保存时尚未按金额分类，重新导入后显示");
    }
    chart.Axis(AxisId::Value).ValueScale.Auto = true;
    chart.Axis(AxisId::Value).AxisTitle = "万元";
}

}  // namespace moxtel
