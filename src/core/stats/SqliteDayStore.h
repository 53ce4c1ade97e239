#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/data/CAdoDatabase.h"
#include "core/stats/DayStore.h"

namespace moxtel {

// The day store on the database of a store context (which must outlive the object). One object
// serves one statistics run: it holds one connection, and its statements form one transaction that begins
// before the header's queries and ends with Commit. Rollback, or destruction without Commit,
// leaves the database exactly as before the run, the earlier copy of a re-run day included.
//
// In read-only mode (statistics without storing) the header's queries run to find yesId and the
// previous close, but nothing is written and nothing is created: a missing database file reads
// as an empty store.
class SqliteDayStore : public IDayStore {
public:
    explicit SqliteDayStore(const StoreContext& store, bool readOnly = false);
    ~SqliteDayStore() override;
    SqliteDayStore(const SqliteDayStore&) = delete;
    SqliteDayStore& operator=(const SqliteDayStore&) = delete;

    bool OpenEarly() override;
    bool KeepsTrades() const override { return !m_readOnly; }
    bool StoreDayHeader(const std::string& stockCode, const std::string& tradeDate, const std::string& masterId,
                        const std::string& previousCloseText, const std::string& turnoverText,
                        DayHeaderInfo& info) override;
    bool StoreUncertainTrade(const UncertainTradeView& trade) override;
    bool StoreDayBuckets(const DayFlowResult& day, const std::string& masterId, const std::string& firstPriceText,
                         const std::string& lastPriceText) override;
    bool Commit() override;
    void Rollback() override;

    // Keeps the connection (and its prepared statements) open across Commit and Rollback, so one
    // store can serve many days in turn, each in its own transaction (bulk import).
    void KeepConnection() { m_keepConnection = true; }

    // Uncertain trades stored by this run so far (0 in read-only mode). Some may still wait to be
    // inserted by StoreDayBuckets or Commit, which then fail if they cannot be. The caller sets its
    // current master id to the day's masterId when this is non-zero after the run.
    int StoredUncertainCount() const { return m_uncertainCount; }

    // Uncertain trades go in this many rows to a statement.
    static constexpr int kTradesPerInsert = 32;

private:
    bool FindHeader(const std::string& stockCode, const std::string& tradeDate, const std::string& masterId,
                    DayHeaderInfo& info, std::string& storedClose);
    // Inserts the uncertain trades that wait; false when that failed (already reported).
    bool FlushTrades();
    // A re-run day keeps the stored uncertain trades that the run gives again, in the same order:
    // the trades of the earlier copy are read first, and rewritten only from the first that differs.
    bool LoadEarlierTrades(const std::string& masterId);
    // Deletes the earlier copy's trades from the kept-th on and stops comparing.
    bool DropEarlierTrades();

    const StoreContext& m_store;
    CAdoDatabase m_db;
    bool m_readOnly;
    std::string m_stockCode, m_tradeDate;  // of the day whose header was stored
    bool m_keepConnection = false;
    int m_uncertainCount = 0;
    // Uncertain trades not yet inserted: their texts back to back, and where each one ends.
    std::string m_pendingTexts;
    std::vector<std::size_t> m_pendingEnds;
    std::vector<std::string_view> m_pendingViews;
    // The earlier copy's trades while the run still matches them: their texts and row ids.
    bool m_comparing = false;
    std::string m_masterId;
    UncertainTrades m_earlier;
    std::vector<std::string> m_earlierIds;
    std::size_t m_kept = 0;
};

// Removes the master row with rowid id, every child row with masterid id and the day's per-day
// numbers (seven statements; each runs even after an earlier one failed). False when any failed (already reported).
bool DeleteStoredDay(CAdoDatabase& db, const std::string& id);

}  // namespace moxtel
