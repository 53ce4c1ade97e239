#pragma once

#include <string>
#include <vector>

#include "core/data/StoreContext.h"
#include "core/query/CMSChart.h"

namespace moxtel {

// One stock's line of a watch-list chart: the running sum over the range, day by day, of its 主力净额
// (its 流向 on a day stored without order classes), in 万元.
struct WatchLine {
    std::string stockCode;
    std::vector<double> cumulative;  // one value per date of the chart; carried over a date without a day
    int daysWithoutClasses = 0;      // days summed by 流向 for want of class figures
    int inferredDays = 0;            // days whose directions were inferred (推断方向)
};

struct WatchListData {
    std::vector<std::string> dates;  // every date in the range on which any of the stocks has a stored day
    std::vector<WatchLine> lines;    // in the order of the codes given
};

// Reads the stocks' per-day numbers between from and to (yyyymmdd, inclusive). Stocks without a day
// in the range keep a line of zeros.
WatchListData LoadWatchList(const StoreContext& store, const std::vector<std::string>& codes, const std::string& from,
                            const std::string& to);

// A line chart with a legend: one series per stock, the dates as categories (mm-dd); a stock's
// legend says how many of its days were summed by 流向 and how many had their directions inferred.
void FillWatchListChart(CMSChart& chart, const WatchListData& data);

}  // namespace moxtel
