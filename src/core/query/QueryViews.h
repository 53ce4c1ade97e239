#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/common/Result.h"
#include "core/data/StoreContext.h"
#include "core/query/UncertainDetail.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/IntervalRules.h"

namespace moxtel {

// Read-only views of stored days for the command line: the same rows, texts and figures the history
// and detail windows show, as plain structs. Nothing here touches a session.

// One listed day: grid columns 1..8, 10 and 11 of its history row with their text colours.
struct HistoryRowView {
    std::string date;  // yyyy-mm-dd
    bool inferredDirection = false;  // the day's directions were inferred from its prices
    std::string masterId;
    std::array<std::string, 10> cells;  // 5 intervals, net, net with uncertain, total, 主力净额, 主力净占比
    std::array<std::uint32_t, 10> colors{};
};

struct HistoryView {
    bool templateFound = true;            // false: the named template does not exist, default headers used
    std::array<std::string, 11> headers;  // grid header row, columns 0..8, 10 and 11
    std::vector<HistoryRowView> rows;    // ascending date
};

// Stored days of code between from and to (yyyymmdd or yyyy-mm-dd, both inclusive) with the intervals
// of the named template ("" for the defaults). Error: kMsgChooseStock or kMsgChoosePeriod for an empty
// code or date.
Result<HistoryView> LoadHistoryView(const StoreContext& store, const std::string& code, const std::string& from,
                                    const std::string& to, const std::string& templateName);

// The six figures of a range with their display texts.
struct RangeTexts {
    std::string inflow, outflow, uncertain, net, netWithUncertain, total;
};
RangeTexts TextsOf(const RangeFigures& figures);

struct FigureView {
    RangeFigures figures;
    RangeTexts texts;
};

struct DayIntervalView {
    std::string label;  // the interval text, e.g. "300-500"
    FigureView figures;
};

struct DayBucketView {
    std::string label;  // "0--100" .. "1000----"
    FigureView figures;
};

struct DayView {
    std::string masterId;
    std::string title;          // MasterIdTitle
    bool stored = false;        // some bucket row of the day exists
    bool templateFound = true;  // false: the named template does not exist, default intervals used
    FigureView totals;          // buckets 1..11, uncertain trades included
    std::array<DayIntervalView, 5> intervals;
    std::array<DayBucketView, 11> buckets;
    std::vector<UncertainDetailRow> uncertainTrades;  // newest time first
    std::optional<StoredOrderClasses> orderClasses;   // none for a day stored before they were kept
    bool inferredDirection = false;                   // its directions were inferred from its prices
};

// The stored day of masterId as the detail windows show it, with the intervals of the named template
// ("" for the default texts "0-300" .. "1000---"). An unknown id gives all zeros and stored false.
DayView LoadDayView(const StoreContext& store, const std::string& masterId, const std::string& templateName);

}  // namespace moxtel
