// A long range ranked on two connections must read one committed state: an import committing
// between the two connections' first reads would otherwise land in one half of the stocks only.
#include <gtest/gtest.h>

#include <map>

#include "core/data/TestDatabase.h"
#include "core/query/RankQuery.h"

namespace moxtel {
namespace {

using test::TestDatabase;

void StoreDay(CAdoDatabase& db, const std::string& code, const std::string& date) {
    ASSERT_TRUE(db.Execute("insert into dayflow(code,datet,netamount,netunamount,classday) values(?,?,1,1,0)",
                           {code, date}));
}

std::map<std::string, int> DaysPerStock(const std::vector<RankRow>& rows) {
    std::map<std::string, int> days;
    for (const RankRow& row : rows) days[row.stockCode] = row.days;
    return days;
}

TEST(RankQuery, TwoConnectionsReadOneCommittedState) {
    const TestDatabase database;
    {
        CAdoDatabase db(database.store);
        for (const char* code : {"A(600001)", "B(600002)", "C(600003)", "D(600004)"}) {
            StoreDay(db, code, "20240102");
            StoreDay(db, code, "20240301");
        }
    }
    // A day of the lowest and of the highest stock, committed together while the ranking opens its
    // two connections (the first time only): both halves see it, or neither.
    for (const int commits : {0, 1, 5}) {
        int left = commits;
        const auto importer = [&left, &database] {
            if (left-- <= 0) return;
            CAdoDatabase db(database.store);
            ASSERT_TRUE(db.BeginTransaction());
            StoreDay(db, "A(600001)", "202402" + std::to_string(10 + left));
            StoreDay(db, "D(600004)", "202402" + std::to_string(10 + left));
            ASSERT_TRUE(db.Commit());
        };
        const auto rows = LoadRankRows(database.store, "20240101", "20240331", /*twoConnections=*/true, importer);
        ASSERT_TRUE(rows.ok()) << rows.error().message;
        const std::map<std::string, int> days = DaysPerStock(*rows);
        ASSERT_EQ(days.size(), 4u);
        EXPECT_EQ(days.at("A(600001)"), days.at("D(600004)")) << commits << " commits";
        EXPECT_EQ(days.at("B(600002)"), 2);
        const auto oneConnection = LoadRankRows(database.store, "20240101", "20240331");
        ASSERT_TRUE(oneConnection.ok());
        EXPECT_EQ(DaysPerStock(*oneConnection), days) << commits << " commits";
    }
    EXPECT_TRUE(database.messages.empty());
}

}  // namespace
}  // namespace moxtel
