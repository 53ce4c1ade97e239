#pragma once

#include <array>
#include <string>

#include "core/data/StoreContext.h"
#include "core/query/SessionState.h"
#include "core/stats/FlowBuckets.h"
#include "core/stats/IntervalRules.h"

namespace moxtel {

class CMSChart;


// The figures of the detail window (lots 手 and amounts 万元 as the statistics sum them, unrounded):
// its title, the day's six totals, the five interval texts and the six figures of each interval,
// and the extra lots the day chart draws. The window turns them into the texts of its controls;
// the dynamic rows are computed by the result panel's rule on session.day.
struct DetailPanelFigures {
    std::string title;
    RangeFigures total;                           // buckets 1..11
    std::array<std::string, 5> intervalTexts;     // the labels of intervals 1..5
    std::array<RangeFigures, 5> intervals;        // per interval, as its text names it
    std::array<double, 5> intervalInPlusUp{};     // inflow + uncertainUp lots per interval
    std::array<double, 5> intervalOutPlusDown{};  // outflow + uncertainDown lots per interval
};

// Title line of a master id: the date after its first ")" (or from its start when there is none)
// shown as yyyy-mm-dd, the rest unchanged; "" for an empty id.
std::string MasterIdTitle(const std::string& masterId);

// Rebuilds day's buckets from the stored day: inflow, outflow, uncertainUp, uncertainDown from their
// tables, uncertain from the day's uncertain trades (lots, and lots × price / 100 万元), and its order
// classes when they were stored with it; inferredDirection tells whether its directions were inferred.
// The day's texts are left alone. An unknown or empty id gives all zeros and no classes. Returns whether
// any bucket row was found.
bool LoadStoredDay(const StoreContext& store, DayFlowResult& day, const std::string& masterId);

// The day's totals from buckets 1..11 of day.
void FillDaySummary(DetailPanelFigures& panel, const DayFlowResult& day);

// Texts and figures of intervals 1..5 from the given interval texts, and the chart's per-interval lots.
void FillDayIntervals(DetailPanelFigures& panel, const DayFlowResult& day,
                      const std::array<std::string, 5>& intervalTexts);

// Detail window start: title of session.currentMasterId, session.day reloaded from the stored day,
// summary and intervals (with the texts of the last history query), then the day chart.
DetailPanelFigures LoadDetailDay(const StoreContext& store, SessionState& session, CMSChart& chart);

}  // namespace moxtel
