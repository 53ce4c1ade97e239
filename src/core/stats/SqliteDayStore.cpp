#include "core/stats/SqliteDayStore.h"

#include <array>
#include <filesystem>
#include <string_view>

#include "core/data/CDataFolder.h"
#include "core/data/Schema.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/FlowFigure.h"

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

constexpr std::size_t kTradeFields = 11;
constexpr const char* kInsertTrades =
    "insert into transun (pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,transunknow,price,"
    "datet) values";
constexpr const char* kTradeRow = "(?,?,?,?,?,?,?,?,?,?,?)";

// The insert of one uncertain trade, and of kTradesPerInsert at once.
const std::string& InsertTradesSql(bool many) {
    static const std::string one = std::string(kInsertTrades) + kTradeRow;
    static const std::string all = [] {
        std::string sql = kInsertTrades;
        for (int i = 0; i < SqliteDayStore::kTradesPerInsert; ++i) sql += (i == 0 ? "" : ",") + std::string(kTradeRow);
        return sql;
    }();
    return many ? all : one;
}

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

constexpr const char* kDeleteTrades = "delete from transun where masterid=?";

// Every row of a stored day but its uncertain trades.
bool DeleteDayButTrades(CAdoDatabase& db, const std::string& id) {
    static constexpr std::array<const char*, 5> kDeletes{
        "delete from gpmaster where rowid=?",     "delete from transin where masterid=?",
        "delete from transout where masterid=?",  "delete from transinun where masterid=?",
        "delete from transoutun where masterid=?",
    };
    bool ok = true;
    for (const char* sql : kDeletes) ok = db.Execute(sql, {id}) && ok;
    return DeleteDayFlowRow(db, id) && ok;
}

}  // namespace

bool DeleteStoredDay(CAdoDatabase& db, const std::string& id) {
    const bool rest = DeleteDayButTrades(db, id);
    return db.Execute(kDeleteTrades, {id}) && rest;
}

bool SqliteDayStore::LoadEarlierTrades(const std::string& masterId) {
    m_masterId = masterId;
    m_earlier = UncertainTrades();
    m_earlierIds.clear();
    m_kept = 0;
    const std::string_view id = masterId;
    const bool ok = m_db.ForEachRow(
        "select oid,pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,transunknow,price,datet "
        "from transun where masterid=? order by oid",
        SqlTexts(&id, 1), [this](SqlTexts c) {
            m_earlierIds.emplace_back(c[0]);
            UncertainTradeView t;
            t.pricebefor = c[1], t.priceend = c[2], t.transbef = c[3], t.transend = c[4], t.flagbef = c[5];
            t.flagend = c[6], t.masterid = c[7], t.gpcode = c[8], t.transunknow = c[9], t.price = c[10];
            t.datet = c[11];
            m_earlier.Add(t);
        });
    m_comparing = ok;
    return ok;
}

bool SqliteDayStore::DropEarlierTrades() {
    m_comparing = false;
    bool ok = true;
    if (m_kept == 0) {
        ok = m_db.Execute(kDeleteTrades, {m_masterId});
    } else if (m_kept < m_earlierIds.size()) {
        ok = m_db.Execute("delete from transun where masterid=? and oid>=cast(? as integer)",
                          {m_masterId, m_earlierIds[m_kept]});
    }
    m_earlier = UncertainTrades();
    m_earlierIds = {};
    return ok;
}

SqliteDayStore::SqliteDayStore(const StoreContext& store, bool readOnly)
    : m_store(store),
      m_db(store, readOnly ? CAdoDatabase::OpenMode::ReadOnly : CAdoDatabase::OpenMode::ReadWrite),
      m_readOnly(readOnly) {}

SqliteDayStore::~SqliteDayStore() { m_db.Rollback(); }

// Finds the day's previous day (yesId) and its stored close, and removes this day's earlier copy.
// A re-run keeps the previous day its earlier copy named, even one cleared since (its close is then
// "0"). A new day takes the stock's newest stored day before tradeDate: dates are 8-digit texts, so
// text order is date order, and a day run after a later one still gets its true previous day.
bool SqliteDayStore::FindHeader(const std::string& stockCode, const std::string& tradeDate,
                                const std::string& masterId, DayHeaderInfo& info, std::string& storedClose) {
    if (!m_db.OpenRecordset("select rowid,yesid from gpmaster where rowid=?", {masterId})) return false;
    info.replaced = !m_db.IsEOF();
    storedClose = std::string("0");  // not = "0": GCC 12 warns falsely (-Wrestrict) on that
    if (info.replaced) {
        m_db.MoveFirst();
        info.yesId = m_db.GetFieldText(1);
        if (!m_readOnly && !(DeleteDayButTrades(m_db, masterId) && LoadEarlierTrades(masterId))) return false;
        if (!m_db.OpenRecordset("select priceend from gpmaster where rowid=?", {info.yesId})) return false;
    } else if (!m_db.OpenRecordset(
                   "select priceend,rowid from gpmaster where code=? and datet<?  order by datet desc limit 1",
                   {stockCode, tradeDate})) {
        return false;
    }
    if (!m_db.IsEOF()) {
        m_db.MoveFirst();
        storedClose = m_db.GetFieldText(0);  // "" when that day's close was never written
        if (!info.replaced) info.yesId = m_db.GetFieldText(1);
    }
    return true;
}

// Only a database that is there already is opened early: a new one is made only once the workbook
// has proved to be a day.
bool SqliteDayStore::OpenEarly() {
    std::error_code ec;
    if (!std::filesystem::exists(m_store.DatabaseFile(), ec)) return true;
    return m_readOnly ? m_db.OpenRecordset("select 1") : (m_db.InTransaction() || m_db.BeginTransaction());
}

bool SqliteDayStore::StoreDayHeader(const std::string& stockCode, const std::string& tradeDate,
                                    const std::string& masterId, const std::string& previousCloseText,
                                    const std::string& turnoverText, DayHeaderInfo& info) {
    info = HeaderWithoutStore(previousCloseText, turnoverText);
    m_stockCode = stockCode;
    m_tradeDate = tradeDate;
    if (m_readOnly && !CDataFolder::FolderExists(m_store.DatabaseFile(), false)) {
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

// The trades wait and go in kTradesPerInsert rows to a statement, which costs far less per row
// than a statement each. Their texts are copied, as the caller's may not outlive the call.
bool SqliteDayStore::StoreUncertainTrade(const UncertainTradeView& t) {
    if (m_readOnly) return true;
    if (m_comparing) {
        if (m_kept < m_earlier.size() && m_earlier.View(m_kept) == t) {
            ++m_kept;
            ++m_uncertainCount;
            return true;
        }
        if (!DropEarlierTrades()) return false;
    }
    for (const std::string_view field : {t.pricebefor, t.priceend, t.transbef, t.transend, t.flagbef, t.flagend,
                                         t.masterid, t.gpcode, t.transunknow, t.price, t.datet}) {
        m_pendingTexts += field;
        m_pendingEnds.push_back(m_pendingTexts.size());
    }
    ++m_uncertainCount;  // a failure to insert it later fails the run
    if (m_pendingEnds.size() < kTradeFields * kTradesPerInsert) return true;
    return FlushTrades();
}

bool SqliteDayStore::FlushTrades() {
    m_pendingViews.clear();
    std::size_t begin = 0;
    for (const std::size_t end : m_pendingEnds) {
        m_pendingViews.emplace_back(m_pendingTexts.data() + begin, end - begin);
        begin = end;
    }
    const std::size_t rows = m_pendingEnds.size() / kTradeFields;
    bool ok = true;
    if (rows == static_cast<std::size_t>(kTradesPerInsert)) {
        ok = m_db.ExecuteTexts(InsertTradesSql(true), m_pendingViews);
    } else {
        const SqlTexts views(m_pendingViews);
        for (std::size_t row = 0; ok && row < rows; ++row) {
            ok = m_db.ExecuteTexts(InsertTradesSql(false), views.subspan(row * kTradeFields, kTradeFields));
        }
    }
    m_pendingTexts.clear();
    m_pendingEnds.clear();
    return ok;
}

bool SqliteDayStore::StoreDayBuckets(const DayFlowResult& day, const std::string& masterId,
                                     const std::string& firstPriceText, const std::string& lastPriceText) {
    if (m_readOnly) return true;
    if (m_comparing && !DropEarlierTrades()) return false;
    if (!FlushTrades()) return false;
    for (const BucketTable& table : kBucketTables) {
        const std::string sql = std::string("insert into ") + table.name + kBucketColumns + kBucketValues;
        if (!m_db.Execute(sql, BucketRow(day.*table.buckets, masterId + table.suffix, masterId))) return false;
    }
    if (!StoreDayFlowRow(m_db, day, masterId, m_stockCode, m_tradeDate)) return false;
    return m_db.Execute(
        "update gpmaster set transindr=?,transoutdr=?,pricebeg=?,priceend=?,transoutundr=?,transinundr=? "
        "where rowid=?",
        {masterId + "in", masterId + "o", firstPriceText, lastPriceText, masterId + "oun", masterId + "inun",
         masterId});
}

bool SqliteDayStore::Commit() {
    bool ok = true;
    if (!m_readOnly) {
        ok = (!m_comparing || DropEarlierTrades()) && FlushTrades() && m_db.Commit();
        m_db.Rollback();  // a failed COMMIT leaves the transaction open
    }
    if (!m_keepConnection) m_db.Close();
    return ok;
}

void SqliteDayStore::Rollback() {
    m_pendingTexts.clear();
    m_pendingEnds.clear();
    m_comparing = false;
    m_earlier = UncertainTrades();
    m_earlierIds = {};
    m_db.Rollback();
    if (!m_keepConnection) m_db.Close();
}

}  // namespace moxtel
