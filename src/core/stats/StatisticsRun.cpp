#include "stats/StatisticsRun.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

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

// Stores the day's header and its uncertain trades on a thread of its own while the reader is
// still reading rows: the trades are taken in batches as they come. The calls on the store are
// the same, in the same order, as a run that stores after reading.
class StoreWhileReading final : public TradeFeed {
public:
    StoreWhileReading(IDayStore& store, const std::string& previousCloseText, const std::string& turnoverText)
        : m_store(store), m_previousCloseText(previousCloseText), m_turnoverText(turnoverText),
          m_header(HeaderWithoutStore(previousCloseText, turnoverText)) {}
    ~StoreWhileReading() override { End(); }

    void Begin(const DayFlowResult& day, const UncertainTrades& trades) override {
        m_trades = &trades;
        m_begun = true;
        m_thread = std::thread([this, stock = day.stockCode, date = day.tradeDate, id = day.masterId] {
            Store(stock, date, id);
        });
    }

    void Add(UncertainTrades& trades, const UncertainTradeView& trade, bool fromFirstRow) override {
        std::size_t count = 0;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            trades.Add(trade);
            count = trades.size();
            if (count == 1) m_firstFromFirstRow = fromFirstRow;
            m_added = count;
        }
        if (count % kBatch == 0) m_wake.notify_one();
    }

    void End() override {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable()) m_thread.join();
    }

    // After End: whether the header and every trade were stored, and what the header found.
    bool Began() const { return m_begun; }
    bool Stored() const { return m_begun && m_ok; }
    const DayHeaderInfo& Header() const { return m_header; }

private:
    static constexpr std::size_t kBatch = 64;

    void Store(const std::string& stockCode, const std::string& tradeDate, const std::string& masterId) {
        m_ok = m_store.StoreDayHeader(stockCode, tradeDate, masterId, m_previousCloseText, m_turnoverText, m_header);
        std::vector<UncertainTradeView> batch;
        std::size_t taken = 0;
        while (m_ok && Take(taken, batch)) {
            for (const UncertainTradeView& trade : batch) {
                if (!(m_ok = m_store.StoreUncertainTrade(trade))) break;
            }
        }
    }

    // The views of the trades added since taken (their texts never move while the day grows);
    // false once the reader has ended and every trade is taken. Row 6's trade has no trade above:
    // its price before is the previous close.
    bool Take(std::size_t& taken, std::vector<UncertainTradeView>& batch) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [&] { return m_ended || m_added >= taken + kBatch; });
        batch.clear();
        for (std::size_t i = taken; i < m_added; ++i) batch.push_back(m_trades->View(i));
        if (taken == 0 && !batch.empty() && m_firstFromFirstRow) batch[0].pricebefor = m_header.previousClose;
        taken = m_added;
        return !batch.empty();
    }

    IDayStore& m_store;
    const std::string& m_previousCloseText;
    const std::string& m_turnoverText;
    DayHeaderInfo m_header;
    const UncertainTrades* m_trades = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_added = 0;
    bool m_ended = false;
    bool m_firstFromFirstRow = false;
    bool m_begun = false;
    bool m_ok = false;
};

// The rest of a stored run once the header and the trades are stored: the buckets, then commit.
Result<StatisticsOutcome> FinishStoredDay(TickDay&& tick, const DayHeaderInfo& header, IDayStore* store,
                                          RunGuard& guard) {
    StatisticsOutcome outcome = ResolveTickDay(std::move(tick), header);
    const DayFlowResult& day = outcome.day;
    if (store && !store->StoreDayBuckets(day, day.masterId, day.firstPriceText, day.lastPriceText)) return Error{};
    if (!guard.Commit()) return Error{};
    return outcome;
}

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
    if (store) {
        UncertainTrades& trades = tick.uncertainTrades;
        if (tick.firstRowUncertain) trades.SetFirstPriceBefore(header.previousClose);
        for (std::size_t i = 0; i < trades.size(); ++i) {
            if (!store->StoreUncertainTrade(trades.View(i))) return Error{};
        }
    }
    return FinishStoredDay(std::move(tick), header, store, guard);
}

Result<StatisticsOutcome> RunStatistics(const StatisticsInputs& inputs, IDayStore* store,
                                        const StatisticsObserver& observer) {
    if (inputs.workbookPath.empty()) return Error{kMsgNoWorkbook};
    if (!store || !inputs.storeWhileReading) {
        Result<TickDay> tick = ReadTickDay(inputs.workbookPath, observer, inputs.dayOverrides);
        if (!tick) return tick.error();
        return StoreTickDay(std::move(*tick), inputs.previousCloseText, inputs.turnoverText, store);
    }

    // Warnings wait for the store's thread to end, so that they never meet its failure reports.
    std::vector<std::string> warnings;
    StatisticsObserver held = observer;
    if (observer.warning) held.warning = [&warnings](const std::string& message) { warnings.push_back(message); };
    StoreWhileReading writer(*store, inputs.previousCloseText, inputs.turnoverText);
    Result<TickDay> tick = ReadTickDay(inputs.workbookPath, held, inputs.dayOverrides, &writer);
    writer.End();
    for (const std::string& message : warnings) observer.warning(message);
    // A workbook refused before its trades never reached the store.
    RunGuard guard(writer.Began() ? store : nullptr);
    if (!tick) return tick.error();
    if (!writer.Stored()) return Error{};
    return FinishStoredDay(std::move(*tick), writer.Header(), store, guard);
}

}  // namespace moxtel
