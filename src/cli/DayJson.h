#pragma once

#include <array>
#include <iosfwd>
#include <string>

#include "Json.h"
#include "stats/FlowBuckets.h"
#include "stats/IntervalRules.h"

namespace moxtel {

// {"inflow", "outflow", "uncertain", "net", "netWithUncertain", "total"} as display texts.
Json RangeFiguresJson(const RangeFigures& r);
// The five interval rows: label and the six display texts each.
Json IntervalsJson(const DayFlowResult& day, const std::array<std::string, 5>& labels);
// The totals row and the five interval rows as a table under the main window's captions.
void WriteFiguresTable(std::ostream& out, const DayFlowResult& day, const std::array<std::string, 5>& labels);

}  // namespace moxtel
