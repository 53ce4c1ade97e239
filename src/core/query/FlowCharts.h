#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/data/StoreContext.h"
#include "core/query/CMSChart.h"
#include "core/query/CMSFlexGrid.h"
#include "core/query/DetailQuery.h"
#include "core/query/HistoryQuery.h"
#include "core/query/SessionState.h"

namespace moxtel {

// The history chart, the five comparison charts and the day chart, computed into CMSChart models from
// the figures of the last history query (HistoryQueryState: rowCount days of days, interval texts)
// and the detail panel. Values are lots (手). Rows 1..rowCount; a row beyond the days held counts as
// an empty day (no label, zero lots).

// Day r (1-based) of the listed days; an empty day (no date, zero lots, no 主力净额) for a row beyond them.
const HistoryDayFigures& DayAt(const std::vector<HistoryDayFigures>& days, int r);

// History chart set-up after every query: title "<n>日流向曲线图（单位:手）" (no number for 0 days),
// one series per interval labelled "<interval text>(手)", value axis ±(m/1000 truncated)×100 where m
// is FindMaxTotal.
void SetupHistoryChart(CMSChart& chart, const HistoryQueryState& history);

// Largest total lots of days 1..rowCount, at least 0.
double FindMaxTotal(const std::vector<HistoryDayFigures>& days, int rowCount);

// One category per listed day (label mm-dd), the interval lots of each day; an interval whose show
// flag is off gets zeros. Line chart for chartMode 0, bar chart for 1. The value axis is fitted to
// the values drawn, symmetric around zero.
void FillHistoryChart(CMSChart& chart, const HistoryQueryState& history, const HistoryChartOptions& options);

// Comparison window start: repeats the last history query of session.history into the hidden grid
// (headers, rows, rowCount, currentMasterId and session.day as the query does), then sets up and fills
// the five charts; charts[k-1] shows interval k.
void LoadCompareData(const StoreContext& store, SessionState& session, CMSFlexGrid& hiddenGrid,
                     std::array<CMSChart, 5>& charts);

// Two bar series per chart, "<header>入" red and "<header>出" blue; value axis 0..largest absolute lots.
void SetupCompareCharts(std::array<CMSChart, 5>& charts, const HistoryQueryState& history);

// Largest absolute lots of interval k (1..5) over days 1..rowCount, at least 0.
double FindMaxAbsInterval(const std::vector<HistoryDayFigures>& days, int k, int rowCount);

// Per day and interval: a positive figure as series 1, anything else as series 2 with its sign turned.
// Each chart's value axis is fitted to its own bars, from zero.
void FillCompareCharts(std::array<CMSChart, 5>& charts, const HistoryQueryState& history);

// Day chart of the detail window: five series (inflow, outflow, with uncertain up/down, uncertain)
// with the value axis 0..(larger of the day's inflow and outflow lots as shown, cut to the hundred below).
void SetupDayChart(CMSChart& chart, const DetailPanelFigures& panel);

// One category per interval, labelled with its interval text; inflow, outflow and uncertain lots as
// the panel shows them (ShownLots). The value axis fitted to the bars, from zero.
void FillDayChart(CMSChart& chart, const DetailPanelFigures& panel);

// Ends and division count of a value axis that holds every value in [low, high] (zero always
// included) with about 5% room beyond the outermost value, in round steps of 1, 2 or 5 (or 25) times
// a power of ten, whole lots at least, with at most mostDivisions divisions. A symmetric axis runs
// from -maximum to maximum with as many divisions on each side. An all-zero range gets steps of 1.
struct ValueAxisFit {
    double minimum = 0.0;
    double maximum = 0.0;
    int divisions = 1;
};
ValueAxisFit FitValueAxis(double low, double high, int mostDivisions, bool symmetric);

// Lowest and highest value of the chart's points (missing points left out), zero included.
std::pair<double, double> PlottedRange(const CMSChart& chart);

// Sets the chart's value axis to hold every point it holds now (see FitValueAxis).
void FitChartValueAxis(CMSChart& chart, int mostDivisions, bool symmetric);

// "2000-01-01" -> "01-01": the text after the first "-", the whole text when there is none.
std::string MonthDayLabel(std::string_view date);

// A listed day's category label: MonthDayLabel, with kInferredDayMark after a day whose directions
// were inferred; the date axis says what the mark means when any of the first rowCount days has it.
inline constexpr const char* kInferredDayMark = "*";
std::string DayLabel(const HistoryDayFigures& day);
std::string DateAxisTitle(const std::vector<HistoryDayFigures>& days, int rowCount);

}  // namespace moxtel
