#pragma once

#include <array>
#include <map>
#include <string>

#include "core/data/StoreContext.h"
#include "core/query/SessionState.h"
#include "core/stats/FlowBuckets.h"
#include "core/stats/ResultPanelIds.h"

namespace moxtel {

class CMSChart;


// The texts of the detail window's edits keyed by control id (title, summary, interval labels and
// values), and the lots the day chart draws. The window copies the texts into its controls; the
// dynamic rows are computed by the result panel's rule on session.day.
struct DetailPanelTexts {
    std::map<int, std::string> texts;
    std::array<double, 5> intervalInPlusUp{};     // inflow + uncertainUp lots per interval
    std::array<double, 5> intervalOutPlusDown{};  // outflow + uncertainDown lots per interval
    // Lots as the texts show them (whole lots, half-way away from zero): the day's inflow and
    // outflow, and per interval inflow, outflow and uncertain.
    double sumInflowLots = 0;
    double sumOutflowLots = 0;
    std::array<double, 5> intervalInflowLots{};
    std::array<double, 5> intervalOutflowLots{};
    std::array<double, 5> intervalUncertainLots{};

    std::string Text(int id) const;  // "" for an id never set
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

// Summary edits 1002..1007 from buckets 1..11 of day.
void FillDaySummary(DetailPanelTexts& panel, const DayFlowResult& day);

// Labels and values of intervals 1..5 from the given interval texts, and the chart's per-interval lots.
void FillDayIntervals(DetailPanelTexts& panel, const DayFlowResult& day,
                      const std::array<std::string, 5>& intervalTexts);

// Detail window start: title of session.currentMasterId, session.day reloaded from the stored day,
// summary and intervals (with the texts of the last history query), then the day chart.
DetailPanelTexts LoadDetailDay(const StoreContext& store, SessionState& session, CMSChart& chart);

}  // namespace moxtel
