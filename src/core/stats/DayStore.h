#pragma once

#include <string>

#include "core/stats/FlowBuckets.h"
#include "core/stats/UncertainTrade.h"

namespace moxtel {

// What StoreDayHeader finds out about the day before storing its master row.
struct DayHeaderInfo {
    std::string yesId;          // masterId of the stock's newest stored day before this one, "0" if none
    std::string previousClose;  // the typed text, else the previous day's priceend (may be ""), else "0"
    std::string turnoverText;   // the typed text, else " "
    bool replaced = false;      // an earlier copy of this day was stored and is being replaced
};

// Where a statistics run stores its day. One run: StoreDayHeader, StoreUncertainTrade per uncertain
// trade in workbook order, StoreDayBuckets, then Commit; Rollback when the run fails anywhere.
// Implementations keep the whole run in one transaction, so a failed run leaves the store as it was.
// A false return means the failure was already reported to the user; the run stops and rolls back.
class IDayStore {
public:
    virtual ~IDayStore() = default;

    // Opens the store ahead of StoreDayHeader, while the workbook is still being read, so that the
    // run does not wait for it later. False when that failed (already reported): the run fails.
    // Rollback closes what it opened when the run goes no further.
    virtual bool OpenEarly() { return true; }
    // False for a store that keeps no uncertain trades (a read-only one looks up the header only).
    virtual bool KeepsTrades() const { return true; }
    virtual bool StoreDayHeader(const std::string& stockCode, const std::string& tradeDate,
                                const std::string& masterId, const std::string& previousCloseText,
                                const std::string& turnoverText, DayHeaderInfo& info) = 0;
    virtual bool StoreUncertainTrade(const UncertainTradeView& trade) = 0;
    virtual bool StoreDayBuckets(const DayFlowResult& day, const std::string& masterId,
                                 const std::string& firstPriceText, const std::string& lastPriceText) = 0;
    virtual bool Commit() = 0;
    virtual void Rollback() = 0;
};

// Header rules without a database: no previous day, so yesId "0" and previousClose typed or "0".
DayHeaderInfo HeaderWithoutStore(const std::string& previousCloseText, const std::string& turnoverText);

}  // namespace moxtel
