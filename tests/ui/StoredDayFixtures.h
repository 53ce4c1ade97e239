#pragma once

// Stored days for the query windows' tests, written with plain SQL into the test's database.

#include <QTest>
#include <cstdlib>
#include <string>

#include "core/data/CAdoDatabase.h"
#include "core/stats/FlowBuckets.h"
#include "support/StoredDaySql.h"

namespace moxtel::test {

// A stored day: its master row and, unless left out, its four bucket rows. Returns the master id
// (code followed by the date, as a statistics run makes it).
inline std::string StoreDay(const StoreContext& store, const std::string& code, const std::string& date,
                            const DayFlowResult& day, bool withBucketRows = true) {
    if (!InsertStoredDay(store, code, date, day, withBucketRows))
        QTest::qFail("storing a day failed", __FILE__, __LINE__);
    return code + date;
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

inline void StoreUncertainTrade(const StoreContext& store, const std::string& masterId, const StoredTrade& t) {
    QVERIFY(InsertUncertainTrade(store, masterId, t.time, t.lots, t.price, t.flagBefore, t.lotsBefore, t.flagAfter,
                                 t.lotsAfter));
}

inline int CountRows(const StoreContext& store, const std::string& table, const std::string& where = "1=1",
                     const SqlParams& params = {}) {
    CAdoDatabase db(store);
    db.OpenRecordset("select count(*) from " + table + " where " + where, params);
    return std::atoi(db.GetFieldText(0).c_str());
}

}  // namespace moxtel::test
