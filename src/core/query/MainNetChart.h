#pragma once

#include "core/query/CMSChart.h"
#include "core/query/SessionState.h"

namespace moxtel {

// The history's 主力净额 chart from days 1..rowCount of the last query: series 1 the day's 主力净额 as
// bars (missing on a day stored without order classes, which the title counts), series 2 its running
// sum as a line, in 万元 as the grid shows them.
void FillMainNetChart(CMSChart& chart, const HistoryQueryState& history);

}  // namespace moxtel
