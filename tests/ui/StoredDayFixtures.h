#pragma once

// Stored days for the query windows' tests, written with plain SQL into the test's database.

#include <QTest>
#include <cstdlib>
#include <sstream>
#include <string>

#include "data/CAdoDatabase.h"
#include "stats/FlowBuckets.h"

namespace moxtel::test {

inline std::string Num(double value) {
    std::ostringstream out;
    out.precision(15);
    out << value;
    return out.str();
}

inline void Exec(CAdoDatabase& db, const std::string& sql, const SqlParams& params) {
    QVERIFY2(db.Execute(sql, params), sql.c_str());
}

inline void InsertBuckets(CAdoDatabase& db, const std::string& table, const std::string& suffix,
                          const std::string& masterId, const FlowBuckets& b) {
    std::string sql = "insert into " + table +
                      "(rowid,one,two,three,four,five,six,seven,eight,nine,ten,more,onep,twop,threep,fourp,"
                      "fivep,sixp,sevenp,eightp,ninep,tenp,morep,masterid) values(?";
    SqlParams params{masterId + suffix};
    for (int k = 1; k <= kBucketCount; ++k) params.push_back(Num(b[k].lots));
    for (int k = 1; k <= kBucketCount; ++k) params.push_back(Num(b[k].amount));
    params.push_back(masterId);
    for (std::size_t i = 1; i < params.size(); ++i) sql += ",?";
    Exec(db, sql + ")", params);
}

// A stored day: its master row and, unless left out, its four bucket rows. Returns the master id
// (code followed by the date, as a statistics run makes it).
inline std::string StoreDay(const std::string& code, const std::string& date, const DayFlowResult& day,
                            bool withBucketRows = true) {
    const std::string id = code + date;
    CAdoDatabase db;
    db.BeginTransaction();
    Exec(db, "insert into gpmaster(rowid,code,datet,yesid,transchange,pricebeg,priceend) values(?,?,?,'0',' ','1','1')",
         {id, code, date});
    if (withBucketRows) {
        InsertBuckets(db, "transin", "in", id, day.inflow);
        InsertBuckets(db, "transout", "o", id, day.outflow);
        InsertBuckets(db, "transinun", "inun", id, day.uncertainUp);
        InsertBuckets(db, "transoutun", "oun", id, day.uncertainDown);
    }
    db.Commit();
    return id;
}

// One stored trade of uncertain direction with its neighbours.
struct StoredTrade {
    std::string time;
    std::string lots;
    std::string price;
    std::string flagBefore = "入";
    std::string lotsBefore = "10";
    std::string flagAfter = "入";
    std::string lotsAfter = "20";
};

inline void StoreUncertainTrade(const std::string& masterId, const StoredTrade& t) {
    CAdoDatabase db;
    Exec(db,
         "insert into transun(pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,"
         "transunknow,price,datet) values('9.99','10.01',?,?,?,?,?,'X',?,?,?)",
         {t.lotsBefore, t.lotsAfter, t.flagBefore, t.flagAfter, masterId, t.lots, t.price, t.time});
}

inline int CountRows(const std::string& table, const std::string& where = "1=1", const SqlParams& params = {}) {
    CAdoDatabase db;
    db.OpenRecordset("select count(*) from " + table + " where " + where, params);
    return std::atoi(db.GetFieldText(0).c_str());
}

// Lots and amount of one bucket.
inline void Put(FlowBuckets& buckets, int k, double lots, double amount) {
    buckets[k].lots = lots;
    buckets[k].amount = amount;
}

}  // namespace moxtel::test
