#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

#include "core/stats/FlowBuckets.h"

namespace moxtel {

// Labels of the eleven fixed buckets as the interval detail window shows them.
inline constexpr std::array<std::string_view, kBucketCount> kBucketLabels = {
    "0--100",   "100--200", "200--300", "300--400",  "400--500", "500--600",
    "600--700", "700--800", "800--900", "900--1000", "1000----"};

// Cell ids of the interval detail window per bucket (1..11, top to bottom) and group, the groups
// in the order 流入, 流出, 流向, 流向(加未知流向), 总量, 未知流向.
inline constexpr std::array<std::array<int, 6>, kBucketCount> kIntervalDetailIds = {{
    {1021, 1032, 1054, 1043, 1135, 1144},
    {1019, 1030, 1052, 1041, 1133, 1142},
    {1015, 1028, 1050, 1039, 1131, 1140},
    {1016, 1029, 1051, 1040, 1132, 1141},
    {1020, 1031, 1053, 1042, 1134, 1143},
    {1014, 1027, 1049, 1038, 1130, 1139},
    {1013, 1026, 1048, 1037, 1129, 1138},
    {1012, 1025, 1047, 1036, 1128, 1137},
    {1011, 1024, 1046, 1035, 1127, 1136},
    {1010, 1023, 1045, 1034, 1125, 1126},
    {1009, 1022, 1044, 1033, 1122, 1123},
}};

// The 66 cells of the interval detail window, id -> figure text, for each bucket on its own:
// inflow, outflow, net, net with uncertain, total and uncertain. Reads day only. The title line
// (id 1001) is MasterIdTitle of the current master id.
std::map<int, std::string> FillIntervalDetail(const DayFlowResult& day);

}  // namespace moxtel
