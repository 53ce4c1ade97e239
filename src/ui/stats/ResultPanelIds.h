#pragma once

#include <array>
#include <cstddef>

namespace moxtel {

// Control ids of a day's result panel, shared by the main window and the detail query window:
// the title line, the totals row and the six groups of five interval rows. Groups are indexed in
// the order of ResultGroup (ui/stats/ResultPanel.h).

// The title line and the totals row.
inline constexpr int kIdDayTitle = 1001;
inline constexpr int kIdSumInflow = 1002;
inline constexpr int kIdSumOutflow = 1003;
inline constexpr int kIdSumUncertain = 1004;
inline constexpr int kIdSumNet = 1005;
inline constexpr int kIdSumNetWithUncertain = 1006;
inline constexpr int kIdSumTotal = 1007;

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

// group a ResultGroup, n = 1..5
constexpr int IntervalValueId(int group, int n) {
    return kIntervalValueIds[static_cast<std::size_t>(group)][static_cast<std::size_t>(n - 1)];
}
constexpr int IntervalLabelId(int group, int n) {
    return kIntervalLabelIds[static_cast<std::size_t>(group)][static_cast<std::size_t>(n - 1)];
}

// Totals-row edits in the order of ResultGroup.
inline constexpr std::array<int, 6> kTotalIds = {kIdSumInflow, kIdSumOutflow, kIdSumNet,
                                                 kIdSumNetWithUncertain, kIdSumTotal, kIdSumUncertain};

}  // namespace moxtel
