#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/Result.h"
#include "layout/DayIdentity.h"
#include "stats/DayStore.h"
#include "stats/FlowBuckets.h"
#include "stats/UncertainTrade.h"

namespace moxtel {

// The three texts a statistics run takes from the main window (or the command line).
struct StatisticsInputs {
    std::string workbookPath;       // edit 1185
    std::string previousCloseText;  // edit 1159, may be empty
    std::string turnoverText;       // edit 1126, may be empty
    // Date and stock of a header-layout tick table (it carries neither); unused for the standard layout.
    DayOverrides dayOverrides{};
};

// The filled day and its uncertain trades in workbook order.
struct StatisticsOutcome {
    DayFlowResult day;
    std::vector<UncertainTrade> uncertainTrades;
};

// Optional hooks of a run: progress (trade rows read so far) and the reader's out-of-grid warnings.
struct StatisticsObserver {
    std::function<void(int rowsRead)> progress;
    std::function<void(const std::string& message)> warning;
};

inline constexpr const char* kMsgNoWorkbook = "请选择需要统计的文件（Excel文件）!";
inline constexpr const char* kMsgOpenFailed = "文件打开错误，请检查文件是否正确选择!";

// Reads the workbook, classifies and buckets every trade and stores the day through store
// (nullptr: nothing stored, header rules without a database). On failure nothing is kept in the
// store and the Error carries the message to show (empty when the store already reported it).
Result<StatisticsOutcome> RunStatistics(const StatisticsInputs& inputs, IDayStore* store,
                                        const StatisticsObserver& observer = {});

}  // namespace moxtel
