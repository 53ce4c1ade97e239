#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/data/CAdoDatabase.h"
#include "core/data/TestDatabase.h"
#include "core/stats/FlowBuckets.h"
#include "support/StoredDaySql.h"

namespace moxtel::test {

// A throw-away database for one test (see TestDatabase) with helpers that fill it with plain SQL.
class QueryTestDb : public TestDatabase {
  public:
    void Exec(const std::string& sql, const SqlParams& params = {}) const {
        CAdoDatabase db(store);
        EXPECT_TRUE(db.Execute(sql, params)) << sql;
    }

    // A stored day: its master row and, unless left out, its four bucket rows. Returns the master id.
    std::string InsertDay(const std::string& code, const std::string& date, const DayFlowResult& day,
                          bool withBucketRows = true) const {
        EXPECT_TRUE(InsertStoredDay(store, code, date, day, withBucketRows)) << code << date;
        return code + date;
    }

    void InsertUncertain(const std::string& masterId, const std::string& time, const std::string& lots,
                         const std::string& price, const std::string& flagbef = "入",
                         const std::string& transbef = "10", const std::string& flagend = "入",
                         const std::string& transend = "20") const {
        EXPECT_TRUE(InsertUncertainTrade(store, masterId, time, lots, price, flagbef, transbef, flagend, transend));
    }

    void InsertTemplate(const std::string& name, const std::array<std::string, 5>& values) const {
        Exec(
            "insert into queryconfig(flagonecode,flagonevalue,flagtwocode,flagtwovalue,flagthreecode,"
            "flagthreevalue,flagfourcode,flagfourvalue,flagfivecode,flagfivevalue,flagdesc) "
            "values('0-1',?,'1-2',?,'2-3',?,'3-4',?,'4-5',?,?)",
            {values[0], values[1], values[2], values[3], values[4], name});
    }
};

}  // namespace moxtel::test
