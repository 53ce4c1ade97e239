#pragma once

#include "core/query/CMSChart.h"
#include "core/query/CMSFlexGrid.h"

namespace moxtel {

// The history's 主力净额 chart from the grid's rows 1..rowCount: series 1 the day's 主力净额 as bars
// (missing on a day stored without order classes, which the title counts), series 2 its running sum
// as a line, in 万元.
void FillMainNetChart(CMSChart& chart, const CMSFlexGrid& grid, int rowCount);

}  // namespace moxtel
