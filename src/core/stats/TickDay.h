#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/common/FileWarning.h"
#include "core/common/Result.h"
#include "core/layout/CTickTable.h"
#include "core/layout/DayIdentity.h"
#include "core/stats/DayStore.h"
#include "core/stats/FlowBuckets.h"
#include "core/stats/UncertainTrade.h"

namespace moxtel {

// Optional hooks of a run: progress (trade rows read so far) and warnings (the reader's out-of-grid
// messages, a day without trades, trade rows whose price or lots are not numbers).
struct StatisticsObserver {
    std::function<void(int rowsRead)> progress;
    std::function<void(const FileWarning& warning)> warning;
};

// One day as read from its workbook, before the stock's stored previous day is known. Everything
// is final except what depends on the previous close: the up/down share of an uncertain first
// trade row and that trade's pricebefor. ResolveTickDay fills those in.
struct TickDay {
    DayFlowResult day;                           // texts and buckets; yesId, previousClose, turnover unset
    UncertainTrades uncertainTrades;  // in workbook order
    int tradeRows = 0;

    // Row 6 uncertain: its price and bucket, and the sums of uncertainUp/Down[firstBucket] as they
    // would be with row 6 counted first (the same additions in the same order as a run in one pass).
    bool firstRowUncertain = false;
    double firstPrice = 0.0;
    int firstBucket = 1;
    BucketSum upWithFirst;
    BucketSum downWithFirst;

    // The order classes by either convention, indexed by OrderClassConvention: the run keeps one.
    std::array<OrderClassFlows, 2> orderClasses{};
};

// The filled day and its uncertain trades in workbook order.
struct StatisticsOutcome {
    DayFlowResult day;
    UncertainTrades uncertainTrades;
};

// Lets the uncertain trades of a day be stored on another thread while its rows are still being
// read. ReadTickDay calls Begin once the title is read and checked, Add for every uncertain trade
// in workbook order, and End after the last row; End returns only once the taker has let go of
// trades, so the day may then move.
class TradeFeed {
public:
    virtual ~TradeFeed() = default;
    virtual void Begin(const DayFlowResult& day, const UncertainTrades& trades) = 0;
    // Adds trade to trades. fromFirstRow: the trade is row 6's, whose pricebefor is the previous close.
    virtual void Add(UncertainTrades& trades, const UncertainTradeView& trade, bool fromFirstRow) = 0;
    virtual void End() = 0;
};

// Opens the tick table at path (either layout; a header table takes its date and stock from
// overrides or its file name), checks its title cell and reads every trade row into a TickDay.
// Fails with kMsgOpenFailed (detail: the path and the reader's reason) when the file cannot be
// read, and with a message naming the file when its title gives no 8-digit trade date or no
// stock code. Safe to call from several threads at once (one reader per call). With a feed, the
// uncertain trades go through it as they are read. Without keepTrades they are summed into the
// buckets like every trade, but their texts are not made and uncertainTrades stays empty.
Result<TickDay> ReadTickDay(const std::string& path, const StatisticsObserver& observer = {},
                            const DayOverrides& overrides = {}, TradeFeed* feed = nullptr, bool keepTrades = true);

// Completes a read day with the header's yesId, previous close and turnover text, and the order
// classes of the given convention.
StatisticsOutcome ResolveTickDay(TickDay&& tick, const DayHeaderInfo& header,
                                 OrderClassConvention convention = OrderClassConvention::SharesOrAmount);

}  // namespace moxtel
