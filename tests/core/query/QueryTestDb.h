#pragma once

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

#include "core/data/TestDatabase.h"
#include "data/CAdoDatabase.h"
#include "stats/FlowBuckets.h"

namespace moxtel::test {

// A throw-away database for one test (see TestDatabase) with helpers that fill it with plain SQL.
class QueryTestDb : public TestDatabase {
  public:
    static std::string Num(double value) {
        std::ostringstream out;
        out.precision(15);
        out << value;
        return out.str();
    }

    static void Exec(const std::string& sql, const SqlParams& params = {}) {
        CAdoDatabase db;
        Exec(db, sql, params);
    }
    static void Exec(CAdoDatabase& db, const std::string& sql, const SqlParams& params) {
        EXPECT_TRUE(db.Execute(sql, params)) << sql;
    }

    static void InsertBuckets(CAdoDatabase& db, const std::string& table, const std::string& suffix,
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

    // A stored day: its master row and, unless left out, its four bucket rows. Returns the master id.
    static std::string InsertDay(const std::string& code, const std::string& date, const DayFlowResult& day,
                                 bool withBucketRows = true) {
        const std::string id = code + date;
        CAdoDatabase db;
        db.BeginTransaction();
        Exec(db,
             "insert into gpmaster(rowid,code,datet,yesid,transchange,pricebeg,priceend) values(?,?,?,'0',' ','1','1')",
             {id, code, date});
        if (withBucketRows) {
            InsertBuckets(db, "transin", "in", id, day.inflow);
            InsertBuckets(db, "transout", "o", id, day.outflow);
            InsertBuckets(db, "transinun", "inun", id, day.uncertainUp);
            InsertBuckets(db, "transoutun", "oun", id, day.uncertainDown);
        }
        EXPECT_TRUE(db.Commit());
        return id;
    }

    static void InsertUncertain(const std::string& masterId, const std::string& time, const std::string& lots,
                                const std::string& price, const std::string& flagbef = "入",
                                const std::string& transbef = "10", const std::string& flagend = "入",
                                const std::string& transend = "20") {
        Exec(
            "insert into transun(pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,"
            "transunknow,price,datet) values('9.99','10.01',?,?,?,?,?,'X',?,?,?)",
            {transbef, transend, flagbef, flagend, masterId, lots, price, time});
    }

    static void InsertTemplate(const std::string& name, const std::array<std::string, 5>& values) {
        Exec(
            "insert into queryconfig(flagonecode,flagonevalue,flagtwocode,flagtwovalue,flagthreecode,"
            "flagthreevalue,flagfourcode,flagfourvalue,flagfivecode,flagfivevalue,flagdesc) "
            "values('0-1',?,'1-2',?,'2-3',?,'3-4',?,'4-5',?,?)",
            {values[0], values[1], values[2], values[3], values[4], name});
    }

};

// A day with the given lots and amount in one bucket of one set.
inline void Put(FlowBuckets& buckets, int k, double lots, double amount) {
    buckets[k].lots = lots;
    buckets[k].amount = amount;
}

}  // namespace moxtel::test
