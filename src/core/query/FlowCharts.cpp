#include "core/stats/DayFlowTable.h"
#include "core/query/FlowCharts.h"

#include <algorithm>
#include <cmath>

namespace moxtel {
namespace {

struct Rgb {
    int r, g, b;
};

constexpr std::array<Rgb, 5> kHistoryPens = {{{255, 255, 0}, {128, 20, 128}, {0, 255, 0}, {0, 0, 255}, {255, 0, 0}}};
constexpr std::array<int, 5> kHistoryPenWidths = {40, 40, 60, 80, 100};
constexpr std::array<Rgb, 5> kDayPens = {{{255, 0, 0}, {0, 255, 0}, {255, 50, 0}, {0, 255, 50}, {125, 125, 125}}};
constexpr std::array<const char*, 5> kDaySeriesLabels = {"流入", "流出", "流入(加未知)", "流出(加未知)", "未知流向"};

void SetWhiteBackdrop(CMSChart& chart) { chart.SetBackdrop(kFillStyleBrush, 255, 255, 255); }

void SetValueScale(CMSChart& chart, double maximum, double minimum, int major, const std::string& title) {
    ChartAxis& axis = chart.Axis(AxisId::Value);
    axis.ValueScale.Auto = false;
    axis.ValueScale.Maximum = maximum;
    axis.ValueScale.Minimum = minimum;
    axis.ValueScale.MajorDivision = major;
    axis.ValueScale.MinorDivision = 1;
    axis.AxisTitle = title;
}

void SetCategoryScale(CMSChart& chart, const std::string& title) {
    ChartAxis& axis = chart.Axis(AxisId::Category);
    axis.CategoryScale.Auto = false;
    axis.CategoryScale.DivisionsPerLabel = 1;
    axis.CategoryScale.DivisionsPerTick = 1;
    axis.AxisTitle = title;
}

void LabelPointsAbove(CMSChart& chart, int seriesCount) {
    for (int k = 1; k <= seriesCount; ++k) chart.Series(k).LabelLocationType = kLabelLocationAbove;
}

double IntervalLots(const std::vector<HistoryDayFigures>& days, int r, int k) {
    return DayAt(days, r).intervalLots[static_cast<std::size_t>(k - 1)];
}

std::string SeriesLabel(const HistoryQueryState& history, int k) {
    return history.intervalTexts[static_cast<std::size_t>(k - 1)] + "(手)";
}

// The round step after step: 1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, ... (2.5 times a power of
// ten only from 25 on, whose ticks still print as whole lots).
double NextRoundStep(double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double factor = step / power;
    if (factor < 1.5) return 2 * power;
    if (factor < 2.25) return power >= 10.0 ? 2.5 * power : 5 * power;
    if (factor < 4.0) return 5 * power;
    return 10 * power;
}

// A round step not above raw, to count up from: the power of ten at or below it, at least 1.
double FirstRoundStep(double raw) { return raw >= 1.0 ? std::pow(10.0, std::floor(std::log10(raw))) : 1.0; }

constexpr double kAxisRoom = 0.05;
// Most divisions of the value axes: the set-up's counts.
constexpr int kHistoryDivisions = 10;
constexpr int kCompareDivisions = 5;
constexpr int kDayDivisions = 10;

}  // namespace

const HistoryDayFigures& DayAt(const std::vector<HistoryDayFigures>& days, int r) {
    static const HistoryDayFigures empty;
    return r >= 1 && static_cast<std::size_t>(r) <= days.size() ? days[static_cast<std::size_t>(r - 1)] : empty;
}

void SetupHistoryChart(CMSChart& chart, const HistoryQueryState& history) {
    const int rowCount = history.rowCount;
    // The count is printed with "%0.0d", which prints nothing at all for 0.
    chart.SetTitleText((rowCount == 0 ? std::string() : std::to_string(rowCount)) + "日流向曲线图（单位:手）");
    const double m = FindMaxTotal(history.days, rowCount);
    SetWhiteBackdrop(chart);
    chart.SetShowLegend(true);
    for (int k = 1; k <= 5; ++k) {
        chart.SetColumn(k);
        chart.SetColumnLabel(SeriesLabel(history, k));
    }
    chart.SetStacking(false);
    const double t = std::trunc(m / 1000);
    SetValueScale(chart, t * 100, -t * 100, 10, "流向");
    chart.SetColumnCount(5);
    for (int k = 1; k <= 5; ++k) {
        const Rgb& pen = kHistoryPens[static_cast<std::size_t>(k - 1)];
        chart.SetPenColor(k, pen.r, pen.g, pen.b);
        chart.Series(k).PenWidth = kHistoryPenWidths[static_cast<std::size_t>(k - 1)];
        chart.Series(k).DrawAsLine = false;  // as the 主力净额 chart may have left it
    }
    LabelPointsAbove(chart, 5);
}

double FindMaxTotal(const std::vector<HistoryDayFigures>& days, int rowCount) {
    double m = 0;
    for (int r = 1; r <= rowCount; ++r) m = std::max(m, DayAt(days, r).totalLots);
    return m;
}

void FillHistoryChart(CMSChart& chart, const HistoryQueryState& history, const HistoryChartOptions& options) {
    const int rowCount = history.rowCount;
    chart.SetChartType(options.chartMode == 0 ? kChartType2dLine : kChartType2dBar);
    chart.SetRowCount(rowCount);
    SetCategoryScale(chart, DateAxisTitle(history.days, rowCount));
    for (int r = 1; r <= rowCount; ++r) {
        chart.SetRow(r);
        chart.SetRowLabel(DayLabel(DayAt(history.days, r)));
        for (int k = 1; k <= 5; ++k) {
            const bool shown = options.showInterval[static_cast<std::size_t>(k - 1)];
            chart.SetData(r, k, shown ? IntervalLots(history.days, r, k) : 0.0, 0);
        }
    }
    FitChartValueAxis(chart, kHistoryDivisions, true);
    chart.Refresh();
}

void LoadCompareData(const StoreContext& store, SessionState& session, CMSFlexGrid& hiddenGrid,
                     std::array<CMSChart, 5>& charts) {
    ApplyTemplateHeaders(store, session.history, hiddenGrid, session.history.templateName);
    session.history.rowCount = LoadHistoryRows(store, session, hiddenGrid, &session.history.days);
    SetupCompareCharts(charts, session.history);
    FillCompareCharts(charts, session.history);
}

void SetupCompareCharts(std::array<CMSChart, 5>& charts, const HistoryQueryState& history) {
    for (int k = 1; k <= 5; ++k) {
        CMSChart& chart = charts[static_cast<std::size_t>(k - 1)];
        SetWhiteBackdrop(chart);
        chart.SetShowLegend(true);
        const std::string header = SeriesLabel(history, k);
        chart.SetColumn(1);
        chart.SetColumnLabel(header + "入");
        chart.SetColumn(2);
        chart.SetColumnLabel(header + "出");
        chart.SetStacking(false);
        SetValueScale(chart, std::trunc(FindMaxAbsInterval(history.days, k, history.rowCount)), 0, 5, "流向");
        chart.SetColumnCount(2);
        chart.SetPenColor(1, 255, 0, 0);
        chart.SetPenColor(2, 0, 0, 255);
        LabelPointsAbove(chart, 2);
    }
}

double FindMaxAbsInterval(const std::vector<HistoryDayFigures>& days, int k, int rowCount) {
    double m = 0;
    for (int r = 1; r <= rowCount; ++r) m = std::max(m, std::fabs(IntervalLots(days, r, k)));
    return m;
}

void FillCompareCharts(std::array<CMSChart, 5>& charts, const HistoryQueryState& history) {
    const int rowCount = history.rowCount;
    for (CMSChart& chart : charts) {
        chart.SetChartType(kChartType2dBar);
        chart.SetRowCount(rowCount);
        SetCategoryScale(chart, DateAxisTitle(history.days, rowCount));
    }
    for (int r = 1; r <= rowCount; ++r) {
        const std::string label = DayLabel(DayAt(history.days, r));
        for (int k = 1; k <= 5; ++k) {
            CMSChart& chart = charts[static_cast<std::size_t>(k - 1)];
            chart.SetRow(r);
            chart.SetRowLabel(label);
            const double v = IntervalLots(history.days, r, k);
            chart.SetData(r, 1, v > 0 ? v : 0.0, 0);
            chart.SetData(r, 2, v > 0 ? 0.0 : -v, 0);
        }
    }
    for (CMSChart& chart : charts) {
        FitChartValueAxis(chart, kCompareDivisions, false);
        chart.Refresh();
    }
}

void SetupDayChart(CMSChart& chart, const DetailPanelFigures& panel) {
    const double m = std::max(ShownLots(panel.total.inflow.lots), ShownLots(panel.total.outflow.lots));
    chart.SetTitleText("日流量图（单位：手）");
    SetWhiteBackdrop(chart);
    chart.SetShowLegend(true);
    for (int k = 1; k <= 5; ++k) {
        chart.SetColumn(k);
        chart.SetColumnLabel(kDaySeriesLabels[static_cast<std::size_t>(k - 1)]);
    }
    chart.SetStacking(false);
    SetValueScale(chart, std::trunc(m / 100) * 100, 0, 10, "流向(手)");
    chart.SetColumnCount(5);
    for (int k = 1; k <= 5; ++k) {
        const Rgb& pen = kDayPens[static_cast<std::size_t>(k - 1)];
        chart.SetPenColor(k, pen.r, pen.g, pen.b);
    }
    LabelPointsAbove(chart, 5);
}

void FillDayChart(CMSChart& chart, const DetailPanelFigures& panel) {
    chart.SetRowCount(5);
    SetCategoryScale(chart, "区间");
    for (int r = 1; r <= 5; ++r) {
        const auto n = static_cast<std::size_t>(r - 1);
        const RangeFigures& interval = panel.intervals[n];
        chart.SetRow(r);
        chart.SetRowLabel(panel.intervalTexts[n]);
        chart.SetData(r, 1, ShownLots(interval.inflow.lots), 0);
        chart.SetData(r, 2, ShownLots(interval.outflow.lots), 0);
        chart.SetData(r, 3, panel.intervalInPlusUp[n], 0);
        chart.SetData(r, 4, panel.intervalOutPlusDown[n], 0);
        chart.SetData(r, 5, ShownLots(interval.uncertain.lots), 0);
    }
    FitChartValueAxis(chart, kDayDivisions, false);
    chart.Refresh();
}

ValueAxisFit FitValueAxis(double low, double high, int mostDivisions, bool symmetric) {
    low = std::isfinite(low) ? std::min(low, 0.0) : 0.0;  // nothing sensible to draw for the others
    high = std::isfinite(high) ? std::max(high, 0.0) : 0.0;
    const int most = std::max(symmetric ? 2 : 1, mostDivisions);
    if (symmetric) {
        high = std::max(-low, high);
        low = -high;
    }
    const double span = high - low;
    const int perSide = symmetric ? most / 2 : most;
    // Room beyond the outermost values only; zero stays where it is.
    const double room = std::max(high, -low) * kAxisRoom;
    const double top = span == 0 ? perSide : high > 0 ? high + room : 0.0;
    const double bottom = low < 0 ? low - room : 0.0;
    for (double step = FirstRoundStep(span > 0 ? (top - bottom) / most : 1.0);; step = NextRoundStep(step)) {
        if (symmetric) {
            const int n = std::max(1, static_cast<int>(std::ceil(top / step - 1e-9)));
            if (n <= perSide) return {-n * step, n * step, 2 * n};
            continue;
        }
        const double below = std::floor(bottom / step + 1e-9);
        const double above = std::ceil(top / step - 1e-9);
        const int n = std::max(1, static_cast<int>(above - below));
        if (n <= most) return {below * step, below * step + n * step, n};
    }
}

std::pair<double, double> PlottedRange(const CMSChart& chart) {
    double low = 0.0;
    double high = 0.0;
    for (int r = 1; r <= chart.RowCount(); ++r) {
        for (int c = 1; c <= chart.ColumnCount(); ++c) {
            if (chart.IsNullAt(r, c)) continue;
            low = std::min(low, chart.DataAt(r, c));
            high = std::max(high, chart.DataAt(r, c));
        }
    }
    return {low, high};
}

void FitChartValueAxis(CMSChart& chart, int mostDivisions, bool symmetric) {
    const auto [low, high] = PlottedRange(chart);
    const ValueAxisFit fit = FitValueAxis(low, high, mostDivisions, symmetric);
    ChartValueScale& scale = chart.Axis(AxisId::Value).ValueScale;
    scale.Auto = false;
    scale.Minimum = fit.minimum;
    scale.Maximum = fit.maximum;
    scale.MajorDivision = fit.divisions;
}

std::string DayLabel(const HistoryDayFigures& day) {
    return MonthDayLabel(day.date) + (day.inferredDirection ? kInferredDayMark : "");
}

std::string DateAxisTitle(const std::vector<HistoryDayFigures>& days, int rowCount) {
    const std::size_t listed = std::min(days.size(), static_cast<std::size_t>(std::max(rowCount, 0)));
    const bool marked = std::any_of(days.begin(), days.begin() + static_cast<std::ptrdiff_t>(listed),
                                    [](const HistoryDayFigures& day) { return day.inferredDirection; });
    return marked ? std::string("日期(") + kInferredDayMark + " " + kInferredDirectionText + ")" : std::string("日期");
}

std::string MonthDayLabel(std::string_view date) {
    date = date.substr(0, date.find(' '));  // without the mark of a day whose directions were inferred
    const std::size_t dash = date.find('-');
    return std::string(dash == std::string_view::npos ? date : date.substr(dash + 1));
}

}  // namespace moxtel
