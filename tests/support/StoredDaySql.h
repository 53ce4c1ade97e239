#pragma once

// Stored days written with plain SQL into a test's database, shared by the GoogleTest and the Qt Test
// suites: each returns whether every statement succeeded, and the suite checks that in its own way.

#include <sstream>
#include <string>

#include "core/data/CAdoDatabase.h"
#include "core/stats/FlowBuckets.h"

namespace moxtel::test {

// A bucket value as its text, with up to fifteen significant digits.
inline std::string Num(double value) {
    std::ostringstream out;
    out.precision(15);
    out << value;
    return out.str();
}

inline bool InsertBucketRow(CAdoDatabase& db, const std::string& table, const std::string& suffix,
                            const std::string& masterId, const FlowBuckets& b) {
    std::string sql = "insert into " + table +
                      "(rowid,one,two,three,four,five,six,seven,eight,nine,ten,more,onep,twop,threep,fourp,"
                      "fivep,sixp,sevenp,eightp,ninep,tenp,morep,masterid) values(?";
    SqlParams params{masterId + suffix};
    for (int k = 1; k <= kBucketCount; ++k) params.push_back(Num(b[k].lots));
    for (int k = 1; k <= kBucketCount; ++k) params.push_back(Num(b[k].amount));
    params.push_back(masterId);
    for (std::size_t i = 1; i < params.size(); ++i) sql += ",?";
    return db.Execute(sql + ")", params);
}

// A stored day (code followed by the date, as a statistics run keys it): its master row and, unless
// left out, its four bucket rows, in one transaction.
inline bool InsertStoredDay(const StoreContext& store, const std::string& code, const std::string& date,
                            const DayFlowResult& day, bool withBucketRows = true) {
    const std::string id = code + date;
    CAdoDatabase db(store);
    bool ok = db.BeginTransaction();
    ok = db.Execute("insert into gpmaster(rowid,code,datet,yesid,transchange,pricebeg,priceend) "
                    "values(?,?,?,'0',' ','1','1')",
                    {id, code, date}) && ok;
    if (withBucketRows) {
        ok = InsertBucketRow(db, "transin", "in", id, day.inflow) && ok;
        ok = InsertBucketRow(db, "transout", "o", id, day.outflow) && ok;
        ok = InsertBucketRow(db, "transinun", "inun", id, day.uncertainUp) && ok;
        ok = InsertBucketRow(db, "transoutun", "oun", id, day.uncertainDown) && ok;
    }
    return db.Commit() && ok;
}

// One stored trade of uncertain direction with its neighbours' texts.
inline bool InsertUncertainTrade(const StoreContext& store, const std::string& masterId, const std::string& time,
                                 const std::string& lots, const std::string& price, const std::string& flagbef,
                                 const std::string& transbef, const std::string& flagend, const std::string& transend) {
    CAdoDatabase db(store);
    return db.Execute(
        "insert into transun(pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,"
        "transunknow,price,datet) values('9.99','10.01',?,?,?,?,?,'X',?,?,?)",
        {transbef, transend, flagbef, flagend, masterId, lots, price, time});
}

// Lots and amount of one bucket.
inline void Put(FlowBuckets& buckets, int k, double lots, double amount) {
    buckets[k].lots = lots;
    buckets[k].amount = amount;
}

}  // namespace moxtel::test
