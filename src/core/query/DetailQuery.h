#pragma once

#include <array>
#include <map>
#include <string>

#include "query/SessionState.h"
#include "stats/FlowBuckets.h"

namespace moxtel {

class CMSChart;

// Edits of the detail window's summary line (same ids as the main window's totals row).
inline constexpr int kIdDayTitle = 1001;
inline constexpr int kIdSumInflow = 1002;
inline constexpr int kIdSumOutflow = 1003;
inline constexpr int kIdSumUncertain = 1004;
inline constexpr int kIdSumNet = 1005;
inline constexpr int kIdSumNetWithUncertain = 1006;
inline constexpr int kIdSumTotal = 1007;

// The six groups of the interval panel, in the order of their id tables.
enum class PanelGroup { Inflow, Outflow, Net, NetWithUncertain, Total, Uncertain };

// Value and label edits of intervals 1..5 per group.
inline constexpr std::array<std::array<int, 5>, 6> kIntervalValueIds = {{
    {1059, 1057, 1055, 1056, 1058},
    {1069, 1067, 1065, 1066, 1068},
    {1089, 1087, 1085, 1086, 1088},
    {1116, 1097, 1095, 1096, 1113},
    {1129, 1127, 1122, 1125, 1128},
    {1079, 1077, 1075, 1076, 1078},
}};
inline constexpr std::array<std::array<int, 5>, 6> kIntervalLabelIds = {{
    {1064, 1062, 1060, 1061, 1063},
    {1074, 1072, 1070, 1071, 1073},
    {1094, 1092, 1090, 1091, 1093},
    {1121, 1119, 1117, 1118, 1120},
    {1134, 1132, 1130, 1131, 1133},
    {1084, 1082, 1080, 1081, 1083},
}};

// n = 1..5
constexpr int IntervalValueId(PanelGroup group, int n) {
    return kIntervalValueIds[static_cast<std::size_t>(group)][static_cast<std::size_t>(n - 1)];
}
constexpr int IntervalLabelId(PanelGroup group, int n) {
    return kIntervalLabelIds[static_cast<std::size_t>(group)][static_cast<std::size_t>(n - 1)];
}

// The texts of the detail window's edits keyed by control id (title, summary, interval labels and
// values), and the per-interval lots the day chart needs besides them. The window copies the texts
// into its controls; the dynamic rows are computed by the result panel's rule on session.day.
struct DetailPanelTexts {
    std::map<int, std::string> texts;
    std::array<double, 5> intervalInPlusUp{};     // inflow + uncertainUp lots per interval
    std::array<double, 5> intervalOutPlusDown{};  // outflow + uncertainDown lots per interval

    std::string Text(int id) const;  // "" for an id never set
};

// Title line of a master id: the date after its first ")" (or from its start when there is none)
// shown as yyyy-mm-dd, the rest unchanged; "" for an empty id.
std::string MasterIdTitle(const std::string& masterId);

// Rebuilds day's buckets from the stored day: inflow, outflow, uncertainUp, uncertainDown from their
// tables and uncertain from the day's uncertain trades (lots, and lots × price / 100 万元). The day's
// texts are left alone. An unknown or empty id gives all zeros. Returns whether any bucket row was found.
bool LoadStoredDay(DayFlowResult& day, const std::string& masterId);

// Summary edits 1002..1007 from buckets 1..11 of day.
void FillDaySummary(DetailPanelTexts& panel, const DayFlowResult& day);

// Labels and values of intervals 1..5 from the given interval texts, and the chart's per-interval lots.
void FillDayIntervals(DetailPanelTexts& panel, const DayFlowResult& day,
                      const std::array<std::string, 5>& intervalTexts);

// Detail window start: title of session.currentMasterId, session.day reloaded from the stored day,
// summary and intervals (with the texts of the last history query), then the day chart.
DetailPanelTexts LoadDetailDay(SessionState& session, CMSChart& chart);

}  // namespace moxtel
