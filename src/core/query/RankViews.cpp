#include "core/query/RankViews.h"

#include <algorithm>

#include "core/stats/FlowFigure.h"

namespace moxtel {
namespace {

constexpr const char* kNoFigure = "—";
constexpr std::size_t kChartEach = 10;

// The figure of a column (1..11); class figures of a stock without class days count as 0.
double ColumnValue(const RankRow& r, int column) {
    switch (column) {
        case 1:
            return r.days;
        case 2:
            return r.netAmount;
        case 3:
            return r.netWithUncertainAmount;
        case 4:
            return r.classDays;
        case 5:
            return r.mainNetAmount;
        case 6:
            return r.superNetAmount;
        case 7:
            return r.largeNetAmount;
        case 8:
            return r.mediumNetAmount;
        case 9:
            return r.smallNetAmount;
        case 10:
            return r.totalAmount;
        default:
            return r.mainNetShare.value_or(0.0);
    }
}

bool IsNetColumn(int column) { return column == 2 || column == 3 || (column >= 5 && column <= 9) || column == 11; }

}  // namespace

const std::vector<std::string>& RankColumnCaptions() {
    static const std::vector<std::string> captions = {
        "股票",           "天数",           "流向(万元)",       "流向(加未知流向)(万元)",
        "分类天数",       "主力净额(万元)", "超大单净额(万元)", "大单净额(万元)",
        "中单净额(万元)", "小单净额(万元)", "成交额(万元)",     "主力净占比(%)"};
    return captions;
}

std::vector<std::string> RankRowTexts(const RankRow& r) {
    const bool classes = r.classDays > 0;
    auto amount = [](double value) { return FormatFixed(value, 1); };
    auto classAmount = [&](double value) { return classes ? amount(value) : std::string(kNoFigure); };
    return {r.stockCode,
            std::to_string(r.days),
            amount(r.netAmount),
            amount(r.netWithUncertainAmount),
            std::to_string(r.classDays),
            classAmount(r.mainNetAmount),
            classAmount(r.superNetAmount),
            classAmount(r.largeNetAmount),
            classAmount(r.mediumNetAmount),
            classAmount(r.smallNetAmount),
            classAmount(r.totalAmount),
            r.mainNetShare ? FormatFixed(*r.mainNetShare, 2) : std::string(kNoFigure)};
}

void SortRankRowsByColumn(std::vector<RankRow>& rows, int column) {
    std::stable_sort(rows.begin(), rows.end(), [column](const RankRow& a, const RankRow& b) {
        if (column <= 0) return a.stockCode < b.stockCode;
        const double x = ColumnValue(a, column);
        const double y = ColumnValue(b, column);
        return x != y ? x > y : a.stockCode < b.stockCode;
    });
}

void FillRankGrid(CMSFlexGrid& grid, const std::vector<RankRow>& rows) {
    grid.Clear();
    grid.SetCols(kRankColumns);
    grid.SetRows(static_cast<int>(rows.size()) + 2);  // one empty row after the last, as every grid
    const auto& captions = RankColumnCaptions();
    for (int c = 0; c < kRankColumns; ++c) {
        grid.SetTextAt(0, c, captions[static_cast<std::size_t>(c)]);
        grid.SetColWidth(c, c == 0 || c == 3 ? 2600 : 1500);  // the stock and 流向(加未知流向)(万元) need room
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        const auto texts = RankRowTexts(rows[i]);
        for (int c = 0; c < kRankColumns; ++c) {
            grid.SetRow(r);
            grid.SetCol(c);
            grid.SetText(texts[static_cast<std::size_t>(c)]);
            if (IsNetColumn(c) && texts[static_cast<std::size_t>(c)] != kNoFigure) {
                grid.SetCellForeColor(ColumnValue(rows[i], c) > 0 ? kColorRed : kColorGreen);
            }
        }
    }
}

void FillRankChart(CMSChart& chart, const std::vector<RankRow>& rows, int column) {
    std::vector<const RankRow*> shown;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i < kChartEach || i + kChartEach >= rows.size()) shown.push_back(&rows[i]);
    }
    if (column <= 0) shown.clear();
    chart.SetChartType(kChartType2dBar);
    chart.SetShowLegend(false);
    chart.SetColumnCount(1);
    chart.SetRowCount(static_cast<int>(shown.size()));
    chart.SetColumn(1);
    chart.SetColumnLabel(column > 0 ? RankColumnCaptions()[static_cast<std::size_t>(column)] : std::string());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        chart.SetRow(r);
        chart.SetRowLabel(shown[i]->stockCode);
        chart.SetData(r, 1, ColumnValue(*shown[i], column), 0);
    }
    chart.SetTitleText(column > 0 ? RankColumnCaptions()[static_cast<std::size_t>(column)] : std::string());
}

}  // namespace moxtel
