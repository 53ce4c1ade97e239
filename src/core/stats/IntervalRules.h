#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "core/stats/FlowBuckets.h"
#include "core/stats/FlowFigure.h"

namespace moxtel {

// The six figures of a range of buckets.
struct RangeFigures {
    FlowFigure inflow;
    FlowFigure outflow;
    FlowFigure uncertain;
    FlowFigure net;               // inflow - outflow
    FlowFigure netWithUncertain;  // inflow - outflow + uncertainUp - uncertainDown
    FlowFigure total;             // inflow + outflow + uncertain
};

// Figures of buckets a+1..b of day (trades from a*100 lots up to b*100 lots, b = 11 open upward).
// b <= a gives an empty range with every figure zero. Bounds outside 0..11 are clamped, so no
// bucket outside 1..11 is ever read.
RangeFigures SumBucketRange(const DayFlowResult& day, int a, int b);

// Bucket bounds (a, b) of an interval text such as "300-500", "800-1000+" or "1000---".
std::pair<int, int> ParseIntervalText(std::string_view text);

// The five interval texts shown when no template is chosen.
inline constexpr std::array<std::string_view, 5> kDefaultIntervalTexts = {"0-300", "300-500", "500-800", "800-1000",
                                                                          "1000---"};

}  // namespace moxtel
