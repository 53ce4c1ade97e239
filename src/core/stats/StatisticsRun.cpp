#include "core/stats/StatisticsRun.h"

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
// still reading rows: the store is opened at once, the header follows as soon as the title is
// read, and the trades are taken in batches as they come. The calls on the store are the same,
// in the same order, as a run that stores after reading.
class StoreWhileReading final : public TradeFeed {
public:
    StoreWhileReading(IDayStore& store, const std::string& previousCloseText, const std::string& turnoverText)
        : m_store(store), m_previousCloseText(previousCloseText), m_turnoverText(turnoverText),
          m_header(HeaderWithoutStore(previousCloseText, turnoverText)), m_thread([this] { Store(); }) {}
    ~StoreWhileReading() override { End(); }

    void Begin(const DayFlowResult& day, const UncertainTrades& trades) override {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_trades = &trades;
            m_stockCode = day.stockCode;
            m_tradeDate = day.tradeDate;
            m_masterId = day.masterId;
            m_begun = true;
        }
        m_wake.notify_one();
    }

    // Only this thread changes trades; the taker gets views of them, handed over in batches.
    void Add(UncertainTrades& trades, const UncertainTradeView& trade, bool fromFirstRow) override {
        trades.Add(trade);
        if (trades.size() == 1) m_firstFromFirstRow = fromFirstRow;
        if (trades.size() - m_handed >= kBatch) HandOver(trades);
    }

    // Once: the trades may move after it.
    void End() override {
        if (!m_thread.joinable()) return;
        if (m_trades && m_handed < m_trades->size()) HandOver(*m_trades);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
            m_trades = nullptr;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    // After End: whether the header and every trade were stored, and what the header found.
    bool Stored() const { return m_begun && m_ok; }
    const DayHeaderInfo& Header() const { return m_header; }

private:
    static constexpr std::size_t kBatch = 64;

    void Store() {
        m_ok = m_store.OpenEarly();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_begun || m_ended; });
            if (!m_begun) return;
        }
        m_ok = m_ok && m_store.StoreDayHeader(m_stockCode, m_tradeDate, m_masterId, m_previousCloseText,
                                              m_turnoverText, m_header);
        std::vector<UncertainTradeView> batch;
        std::size_t taken = 0;
        while (m_ok && Take(taken, batch)) {
            for (const UncertainTradeView& trade : batch) {
                if (!(m_ok = m_store.StoreUncertainTrade(trade))) break;
            }
        }
    }

    // Views of the trades added since the last hand-over: their texts never move while the day grows.
    void HandOver(const UncertainTrades& trades) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            for (std::size_t i = m_handed; i < trades.size(); ++i) m_handedOver.push_back(trades.View(i));
        }
        m_handed = trades.size();
        m_wake.notify_one();
    }

    // The next batch of trades; false once the reader has ended and every trade is taken. Row 6's
    // trade has no trade above: its price before is the previous close.
    bool Take(std::size_t& taken, std::vector<UncertainTradeView>& batch) {
        batch.clear();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_ended || !m_handedOver.empty(); });
            batch.swap(m_handedOver);
            if (taken == 0 && !batch.empty() && m_firstFromFirstRow) {
                batch[0].pricebefor = m_header.previousClose;
            }
        }
        taken += batch.size();
        return !batch.empty();
    }

    IDayStore& m_store;
    const std::string& m_previousCloseText;
    const std::string& m_turnoverText;
    DayHeaderInfo m_header;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // The day, once its title is read (under m_mutex until then).
    const UncertainTrades* m_trades = nullptr;
    std::string m_stockCode, m_tradeDate, m_masterId;
    bool m_begun = false;
    std::vector<UncertainTradeView> m_handedOver;
    bool m_ended = false;
    // Whether the first trade is row 6's: set by the reader before the first hand-over.
    bool m_firstFromFirstRow = false;
    std::size_t m_handed = 0;  // the reader's own: trades handed over so far
    bool m_ok = false;
    std::thread m_thread;  // last: it starts once everything above is ready
};

// The rest of a stored run once the header and the trades are stored: the buckets, then commit.
Result<StatisticsOutcome> FinishStoredDay(StatisticsOutcome&& outcome, IDayStore* store, RunGuard& guard) {
    const DayFlowResult& day = outcome.day;
    if (store && !store->StoreDayBuckets(day, day.masterId, day.firstPriceText, day.lastPriceText)) {
        return Error::Reported();
    }
    if (!guard.Commit()) return Error::Reported();
    return outcome;
}

}  // namespace

Result<StatisticsOutcome> StoreTickDay(TickDay&& tick, const std::string& previousCloseText,
                                       const std::string& turnoverText, IDayStore* store,
                                       DayHeaderInfo* headerOut, OrderClassConvention convention) {
    RunGuard guard(store);
    DayHeaderInfo header = HeaderWithoutStore(previousCloseText, turnoverText);
    const DayFlowResult& read = tick.day;
    if (store && !store->StoreDayHeader(read.stockCode, read.tradeDate, read.masterId, previousCloseText,
                                        turnoverText, header)) {
        return Error::Reported();
    }
    if (headerOut) *headerOut = header;
    StatisticsOutcome outcome = ResolveTickDay(std::move(tick), header, convention);
    if (store) {
        const UncertainTrades& trades = outcome.uncertainTrades;
        for (std::size_t i = 0; i < trades.size(); ++i) {
            if (!store->StoreUncertainTrade(trades.View(i))) return Error::Reported();
        }
    }
    return FinishStoredDay(std::move(outcome), store, guard);
}

Result<StatisticsOutcome> RunStatistics(const StatisticsInputs& inputs, IDayStore* store,
                                        const StatisticsObserver& observer) {
    if (inputs.workbookPath.empty()) return Error{kMsgNoWorkbook, {}, ErrorKind::NoWorkbook};
    if (!store || !inputs.storeWhileReading) {
        const bool keepTrades = inputs.keepUncertainTrades || (store && store->KeepsTrades());
        Result<TickDay> tick = ReadTickDay(inputs.workbookPath, observer, inputs.dayOverrides, nullptr, keepTrades);
        if (!tick) return tick.error();
        return StoreTickDay(std::move(*tick), inputs.previousCloseText, inputs.turnoverText, store, nullptr,
                            inputs.orderConvention);
    }

    // Warnings wait for the store's thread to end, so that they never meet its failure reports.
    std::vector<FileWarning> warnings;
    StatisticsObserver held = observer;
    if (observer.warning) held.warning = [&warnings](const FileWarning& warning) { warnings.push_back(warning); };
    RunGuard guard(store);
    StoreWhileReading writer(*store, inputs.previousCloseText, inputs.turnoverText);
    Result<TickDay> tick = ReadTickDay(inputs.workbookPath, held, inputs.dayOverrides, &writer);
    writer.End();
    for (const FileWarning& warning : warnings) observer.warning(warning);
    if (!tick) return tick.error();
    if (!writer.Stored()) return Error::Reported();
    return FinishStoredDay(ResolveTickDay(std::move(*tick), writer.Header(), inputs.orderConvention), store, guard);
}

}  // namespace moxtel
