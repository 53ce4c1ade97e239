#pragma once

#include <array>
#include <string_view>

#include "core/stats/FlowBuckets.h"
#include "core/stats/IntervalRules.h"

namespace moxtel {

// Labels of the eleven fixed buckets as the interval detail window shows them.
inline constexpr std::array<std::string_view, kBucketCount> kBucketLabels = {
    "0--100",   "100--200", "200--300", "300--400",  "400--500", "500--600",
    "600--700", "700--800", "800--900", "900--1000", "1000----"};

// The six figures of each bucket (1..11 at 0..10) on its own, as the interval detail window shows
// them: inflow, outflow, net, net with uncertain, total and uncertain. Reads day only. The window's
// title line is MasterIdTitle of the current master id.
std::array<RangeFigures, kBucketCount> FillIntervalDetail(const DayFlowResult& day);

}  // namespace moxtel
