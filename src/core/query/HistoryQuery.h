#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/data/StoreContext.h"
#include "core/query/CMSChart.h"
#include "core/query/CMSFlexGrid.h"
#include "core/query/SessionState.h"
#include "core/stats/FlowBuckets.h"
#include "core/stats/FlowFigure.h"

namespace moxtel {

inline constexpr const char* kMsgChooseStock = "请选择需要统计的股票!";
inline constexpr const char* kMsgChoosePeriod = "请选择要查询的时间段!";

// Interval texts of the history grid when no template is chosen.
inline constexpr std::array<std::string_view, 5> kHistoryDefaultIntervalTexts = {"0-300", "300-500", "500-800",
                                                                                 "800-1000", "1000-1000+"};

// History grid: column 0 the date, 1..5 the interval cells, 6..8 the totals, 9 the hidden master id,
// 10 主力净额 and 11 主力净占比 (of days stored with order classes; "—" for the others).
inline constexpr int kHistoryGridCols = 12;
inline constexpr int kHistoryMasterIdCol = 9;
inline constexpr int kHistoryTotalCol = 8;
inline constexpr int kHistoryMainNetCol = 10;
inline constexpr int kHistoryMainShareCol = 11;
inline constexpr const char* kNoClassFigure = "—";

// What the history window hands to a query: the texts of its combos and date pickers (dates as yyyymmdd).
struct HistoryQueryInput {
    std::string stockCode;
    std::string startDate;
    std::string endDate;
    std::string templateName;  // "" for none
};

// Chart choices of the history window: 0 line chart, 1 bar chart; which interval series get data.
struct HistoryChartOptions {
    int chartMode = 0;
    std::array<bool, 5> showInterval{true, true, true, true, true};
};

// Grid columns, widths and header row for the named template ("" for the defaults); records the
// template name and its interval texts in state. A name without a stored template keeps the interval
// texts of state (the previous headers), and so does a database that fails (reported, and not
// taken for a missing template). Returns false only for an unknown name.
bool ApplyTemplateHeaders(const StoreContext& store, HistoryQueryState& state, CMSFlexGrid& grid,
                          const std::string& templateName);

// One query as the query button runs it: clears the previous filters and rows, applies the template
// headers, then RunHistoryQuery. The Error carries the message to show when the query stopped.
Result<int> QueryHistory(const StoreContext& store, SessionState& session, const HistoryQueryInput& input,
                         CMSFlexGrid& grid, CMSChart& chart, const HistoryChartOptions& options);

// Checks the inputs (kMsgChooseStock, kMsgChoosePeriod), lists the stored days of the stock between
// the dates (both inclusive) into grid rows 1..n, sets up the chart and, when days were found, fills it.
// Returns n. session.day ends as the last listed day (uncertain buckets zero) and currentMasterId as
// its master id. A stop leaves grid and chart untouched.
Result<int> RunHistoryQuery(const StoreContext& store, SessionState& session, const HistoryQueryInput& input,
                            CMSFlexGrid& grid, CMSChart& chart, const HistoryChartOptions& options);

// Lists the stored days for the filters of session.history into grid rows 1..n and returns n; no checks,
// no chart. A day is listed only when all four of its bucket rows exist. days, when given, gets the
// figures of the n days.
int LoadHistoryRows(const StoreContext& store, SessionState& session, CMSFlexGrid& grid,
                    std::vector<HistoryDayFigures>* days = nullptr);

// Marks the date cell of day row j as a day whose directions were inferred ("2016-05-23 推断方向").
void MarkInferredDate(CMSFlexGrid& grid, int j);
// The date of a history date cell without its mark; inferred tells whether it had one.
std::string_view DateOfDateCell(std::string_view cell, bool& inferred);

// Writes day row j: date as yyyy-mm-dd, the hidden master id, the five interval cells; the grid then
// has j + 2 rows (one empty row after the last day).
void AddDayRow(CMSFlexGrid& grid, const DayFlowResult& day, const std::string& dateText, int j,
               const std::string& masterId);

// Interval cell (j, k), k = 1..5: inflow minus outflow over the interval named by header (0, k), e.g.
// "300-500(手)"; red when the lots are above 0, else green. Bounds 0, 100, ... 1000 and "1000+" map to
// bucket bounds 0..11; any other bound is taken as its hundreds, clamped to 0..11, so only buckets
// 1..11 are ever read.
void FillIntervalCell(CMSFlexGrid& grid, const DayFlowResult& day, int k, int j);

// Net figure (inflow minus outflow) of the day over the interval named by a header or interval text.
FlowFigure IntervalNet(const DayFlowResult& day, std::string_view header);

// Lots as a figure text shows them: rounded to whole lots, halves away from zero; 0 for what is not
// a finite number.
double ShownLots(double lots);

// 主力 cells of row j from the day's per-day numbers: net amount in 万元 "12.3" and its share of the
// day's amount in % "1.23", red/green by sign; "—" for a day stored without order classes.
void FillMainCells(CMSFlexGrid& grid, int j, bool hasClasses, double mainNetAmount, double totalAmount);

// Total cells of row j: net (6), net with uncertain (7), both red/green; total (8) white.
void FillTotalCells(CMSFlexGrid& grid, const DayFlowResult& day, int j);

// Bucket bounds (lower, upper) of a history header or interval text such as "300-500(手)".
std::pair<int, int> HeaderBucketBounds(std::string_view header);

// "20000101" -> "2000-01-01"; also used for master ids after their ")". Short texts get their
// dashes at the end instead of failing.
std::string InsertDateDashes(std::string_view text);

// Master id kept in the hidden column of a grid row ("" for the header and the empty last row).
std::string MasterIdOfGridRow(const CMSFlexGrid& grid, int row);

// Lots figure of a figure cell text: its leading number ("-12(-3.4万元)" -> -12), 0 when none.
double LotsOfFigureText(std::string_view text);

}  // namespace moxtel
