#include "stats/SqliteDayStore.h"

#include <array>

#include "data/CDataFolder.h"
#include "data/Schema.h"
#include "stats/FlowFigure.h"

namespace moxtel {
namespace {

// The four bucket tables in the order their rows are written, with the suffix of their row key.
struct BucketTable {
    const char* name;
    FlowBuckets DayFlowResult::*buckets;
    const char* suffix;
};
constexpr std::array<BucketTable, 4> kBucketTables{{
    {"transin", &DayFlowResult::inflow, "in"},
    {"transout", &DayFlowResult::outflow, "o"},
    {"transoutun", &DayFlowResult::uncertainDown, "oun"},
    {"transinun", &DayFlowResult::uncertainUp, "inun"},
}};

constexpr const char* kBucketColumns =
    "(rowid,one,two,three,four,five,six,seven,eight,nine,ten,more,onep,twop,threep,fourp,fivep,sixp,sevenp,eightp,"
    "ninep,tenp,morep,masterid) ";
constexpr const char* kBucketValues = " values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

// rowid, the eleven lots (whole numbers), the eleven amounts in 万元 (one decimal), masterid.
SqlParams BucketRow(const FlowBuckets& buckets, const std::string& rowId, const std::string& masterId) {
    SqlParams row{rowId};
    for (int k = 1; k <= kBucketCount; ++k) row.push_back(FormatFixed(buckets[k].lots, 0));
    for (int k = 1; k <= kBucketCount; ++k) row.push_back(FormatFixed(buckets[k].amount, 1));
    row.push_back(masterId);
    return row;
}

}  // namespace

bool DeleteStoredDay(CAdoDatabase& db, const std::string& id) {
    static constexpr std::array<const char*, 6> kDeletes{
        "delete from gpmaster where rowid=?",     "delete from transin where masterid=?",
        "delete from transout where masterid=?",  "delete from transun where masterid=?",
        "delete from transinun where masterid=?", "delete from transoutun where masterid=?",
    };
    bool ok = true;
    for (const char* sql : kDeletes) ok = db.Execute(sql, {id}) && ok;
    return ok;
}

SqliteDayStore::SqliteDayStore(bool readOnly)
    : m_db(readOnly ? CAdoDatabase::OpenMode::ReadOnly : CAdoDatabase::OpenMode::ReadWrite), m_readOnly(readOnly) {}

SqliteDayStore::~SqliteDayStore() { m_db.Rollback(); }

// Finds the stock's newest stored day before tradeDate (yesId) and its stored close, and removes
// this day's earlier copy. Dates are 8-digit texts, so text order is date order. A day run after a
// later one thus still gets its true previous day, never one from its future.
bool SqliteDayStore::FindHeader(const std::string& stockCode, const std::string& tradeDate,
                                const std::string& masterId, DayHeaderInfo& info, std::string& storedClose) {
    if (!m_db.OpenRecordset("select rowid from gpmaster where rowid=?", {masterId})) return false;
    info.replaced = !m_db.IsEOF();
    if (info.replaced && !m_readOnly && !DeleteStoredDay(m_db, masterId)) return false;
    if (!m_db.OpenRecordset("select rowid,priceend from gpmaster where code=? and datet<?  order by datet desc limit 1",
                            {stockCode, tradeDate})) {
        return false;
    }
    storedClose = std::string("0");  // not = "0": GCC 12 warns falsely (-Wrestrict) on that
    if (!m_db.IsEOF()) {
        m_db.MoveFirst();
        info.yesId = m_db.GetFieldText(0);
        storedClose = m_db.GetFieldText(1);  // "" when that day's close was never written
    }
    return true;
}

bool SqliteDayStore::StoreDayHeader(const std::string& stockCode, const std::string& tradeDate,
                                    const std::string& masterId, const std::string& previousCloseText,
                                    const std::string& turnoverText, DayHeaderInfo& info) {
    info = HeaderWithoutStore(previousCloseText, turnoverText);
    if (m_readOnly && !CDataFolder::FolderExists(CAdoDatabase::DatabaseFile(), false)) {
        return true;
    }
    if (!m_readOnly && !m_db.InTransaction() && !m_db.BeginTransaction()) return false;
    std::string storedClose;
    if (!FindHeader(stockCode, tradeDate, masterId, info, storedClose)) return false;
    // A stored previous day whose close is an empty text gives the empty text (reference price 0).
    if (previousCloseText.empty()) info.previousClose = storedClose;
    if (m_readOnly) return true;
    return m_db.Execute("insert into gpmaster(code,yesid,datet,transchange,rowid) values(?,?,?,?,?)",
                        {stockCode, info.yesId, tradeDate, info.turnoverText, masterId});
}

bool SqliteDayStore::StoreUncertainTrade(const UncertainTradeView& t) {
    if (m_readOnly) return true;
    const bool ok = m_db.Execute(
        "insert into transun (pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,transunknow,"
        "price,datet) values(?,?,?,?,?,?,?,?,?,?,?)",
        {std::string(t.pricebefor), std::string(t.priceend), std::string(t.transbef), std::string(t.transend),
         std::string(t.flagbef), std::string(t.flagend), std::string(t.masterid), std::string(t.gpcode),
         std::string(t.transunknow), std::string(t.price), std::string(t.datet)});
    if (ok) ++m_uncertainCount;
    return ok;
}

bool SqliteDayStore::StoreDayBuckets(const DayFlowResult& day, const std::string& masterId,
                                     const std::string& firstPriceText, const std::string& lastPriceText) {
    if (m_readOnly) return true;
    for (const BucketTable& table : kBucketTables) {
        const std::string sql = std::string("insert into ") + table.name + kBucketColumns + kBucketValues;
        if (!m_db.Execute(sql, BucketRow(day.*table.buckets, masterId + table.suffix, masterId))) return false;
    }
    return m_db.Execute(
        "update gpmaster set transindr=?,transoutdr=?,pricebeg=?,priceend=?,transoutundr=?,transinundr=? "
        "where rowid=?",
        {masterId + "in", masterId + "o", firstPriceText, lastPriceText, masterId + "oun", masterId + "inun",
         masterId});
}

bool SqliteDayStore::Commit() {
    bool ok = true;
    if (!m_readOnly) {
        ok = m_db.Commit();
        m_db.Rollback();  // a failed COMMIT leaves the transaction open
    }
    if (!m_keepConnection) m_db.Close();
    return ok;
}

void SqliteDayStore::Rollback() {
    m_db.Rollback();
    if (!m_keepConnection) m_db.Close();
}

}  // namespace moxtel
