#pragma once

#include <string>

#include "core/common/Result.h"
#include "core/layout/DayIdentity.h"
#include "core/stats/DayStore.h"
#include "core/stats/TickDay.h"

namespace moxtel {

// The three texts a statistics run takes from the main window (or the command line).
struct StatisticsInputs {
    std::string workbookPath;       // edit 1185
    std::string previousCloseText;  // edit 1159, may be empty
    std::string turnoverText;       // edit 1126, may be empty
    // Date and stock of a header-layout tick table (it carries neither); unused for the standard layout.
    DayOverrides dayOverrides{};
    // Store the uncertain trades on a second thread while the rows are read, which hides most of
    // the store's cost on a large day. The store then reports database failures from that thread:
    // only for error reporters that may be called from any thread (the command line's, not the
    // windows' message boxes). Warnings still reach the observer on the caller's thread, after
    // the read.
    bool storeWhileReading = false;
    // False when the caller does not show the uncertain trades: unless the store keeps them, they
    // are then summed as ever but their texts are not made, and the outcome holds none.
    bool keepUncertainTrades = true;
    // How the day's trades fall into 小单 .. 超大单; the day is stored with it.
    OrderClassConvention orderConvention = OrderClassConvention::SharesOrAmount;
};

inline constexpr const char* kMsgNoWorkbook = "请选择需要统计的文件（Excel文件）!";

// Reads the workbook, classifies and buckets every trade and stores the day through store
// (nullptr: nothing stored, header rules without a database). On failure nothing is kept in the
// store and the Error carries the message to show (empty when the store already reported it).
Result<StatisticsOutcome> RunStatistics(const StatisticsInputs& inputs, IDayStore* store,
                                        const StatisticsObserver& observer = {});

// Stores a read day as one transaction of store: header, uncertain trades, buckets, commit.
// header (optional) receives what the store found out about the day's previous and earlier copy.
Result<StatisticsOutcome> StoreTickDay(TickDay&& tick, const std::string& previousCloseText,
                                       const std::string& turnoverText, IDayStore* store,
                                       DayHeaderInfo* header = nullptr,
                                       OrderClassConvention convention = OrderClassConvention::SharesOrAmount);

}  // namespace moxtel
