#include "stats/StatisticsRun.h"

namespace moxtel {
namespace {

// Keeps the store's transaction honest: anything but an explicit commit rolls back.
class RunGuard {
public:
    explicit RunGuard(IDayStore* store) : m_store(store) {}
    ~RunGuard() {
        if (m_store && !m_committed) m_store->Rollback();
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;
    bool Commit() {
        m_committed = !m_store || m_store->Commit();
        return m_committed;
    }

private:
    IDayStore* m_store;
    bool m_committed = false;
};

}  // namespace

Result<StatisticsOutcome> StoreTickDay(TickDay&& tick, const std::string& previousCloseText,
                                       const std::string& turnoverText, IDayStore* store,
                                       DayHeaderInfo* headerOut) {
    RunGuard guard(store);
    DayHeaderInfo header = HeaderWithoutStore(previousCloseText, turnoverText);
    const DayFlowResult& read = tick.day;
    if (store && !store->StoreDayHeader(read.stockCode, read.tradeDate, read.masterId, previousCloseText,
                                        turnoverText, header)) {
        return Error{};
    }
    if (headerOut) *headerOut = header;
    StatisticsOutcome outcome = ResolveTickDay(std::move(tick), header);
    if (store) {
        const UncertainTrades& trades = outcome.uncertainTrades;
        for (std::size_t i = 0; i < trades.size(); ++i) {
            if (!store->StoreUncertainTrade(trades.View(i))) return Error{};
        }
        const DayFlowResult& day = outcome.day;
        if (!store->StoreDayBuckets(day, day.masterId, day.firstPriceText, day.lastPriceText)) return Error{};
    }
    if (!guard.Commit()) return Error{};
    return outcome;
}

Result<StatisticsOutcome> RunStatistics(const StatisticsInputs& inputs, IDayStore* store,
                                        const StatisticsObserver& observer) {
    if (inputs.workbookPath.empty()) return Error{kMsgNoWorkbook};
    Result<TickDay> tick = ReadTickDay(inputs.workbookPath, observer, inputs.dayOverrides);
    if (!tick) return tick.error();
    return StoreTickDay(std::move(*tick), inputs.previousCloseText, inputs.turnoverText, store);
}

}  // namespace moxtel
