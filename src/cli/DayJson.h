#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>

#include "Json.h"
#include "stats/FlowBuckets.h"
#include "query/QueryViews.h"
#include "stats/IntervalRules.h"

namespace moxtel {

// The six display texts {"inflow", "outflow", "uncertain", "net", "netWithUncertain", "total"}, after
// "label" when one is given; uncertainLast puts "uncertain" at the end, as the bucket rows list it.
Json FigureTextsJson(const RangeTexts& texts, const std::optional<std::string>& label = std::nullopt,
                     bool uncertainLast = false);
// The five interval rows of a day: label and the six display texts each.
Json IntervalsJson(const DayFlowResult& day, const std::array<std::string, 5>& labels);
// The totals row and the five interval rows as a table under the main window's captions.
void WriteFiguresTable(std::ostream& out, const DayFlowResult& day, const std::array<std::string, 5>& labels);

}  // namespace moxtel
