#include "core/maintenance/ClearData.h"

#include <gtest/gtest.h>

#include "core/data/TestDatabase.h"
#include "core/stats/SqliteDayStore.h"

namespace moxtel {
namespace {

using test::TestDatabase;

void StoreDay(const TestDatabase& t, const std::string& code, const std::string& date) {
    SqliteDayStore store(t.store);
    DayHeaderInfo info;
    const std::string id = code + date;
    ASSERT_TRUE(store.StoreDayHeader(code, date, id, "", "", info));
    ASSERT_TRUE(store.StoreUncertainTrade(UncertainTrade{"1", "2", "3", "4", "入", "出", id, code, "5", "6", "09:30:00"}));
    ASSERT_TRUE(store.StoreDayBuckets(DayFlowResult{}, id, "1", "2"));
    ASSERT_TRUE(store.Commit());
}

// Rows of one day in all six tables.
int RowsOfDay(const TestDatabase& t, const std::string& id) {
    int n = std::stoi(t.Scalar("select count(*) from gpmaster where rowid=?", {id}));
    for (const char* table : {"transin", "transout", "transinun", "transoutun", "transun"}) {
        n += std::stoi(t.Scalar(std::string("select count(*) from ") + table + " where masterid=?", {id}));
    }
    return n;
}

class ClearStoredDaysTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* date : {"20231231", "20240101", "20240102", "20240103"}) StoreDay(t, "A'1", date);
        StoreDay(t, "B", "20240101");
    }
    TestDatabase t;
};

TEST_F(ClearStoredDaysTest, DeletesTheStocksDaysUpToAndIncludingTheDate) {
    // The count the window shows beforehand is the number deleted; other stocks never count.
    EXPECT_EQ(CountDaysToClear(t.store, "A'1", "20240102"), 3);
    EXPECT_EQ(CountDaysToClear(t.store, "A'1", "20231230"), 0);
    EXPECT_EQ(CountDaysToClear(t.store, "", "20240102"), 0);
    EXPECT_EQ(CountDaysToClear(t.store, "A'1", "2024-01-02"), 0);
    const Result<int> cleared = ClearStoredDays(t.store, "A'1", "20240102");
    ASSERT_TRUE(cleared.ok());
    EXPECT_EQ(*cleared, 3);
    for (const char* date : {"20231231", "20240101", "20240102"}) EXPECT_EQ(RowsOfDay(t, std::string("A'1") + date), 0);
    EXPECT_EQ(RowsOfDay(t, "A'120240103"), 6);
    EXPECT_EQ(RowsOfDay(t, "B20240101"), 6);
    EXPECT_EQ(t.Scalar("PRAGMA integrity_check"), "ok");
    EXPECT_TRUE(t.messages.empty());
}

TEST_F(ClearStoredDaysTest, NothingOnOrBeforeTheDateDeletesNothing) {
    const Result<int> cleared = ClearStoredDays(t.store, "A'1", "20231230");
    ASSERT_TRUE(cleared.ok());
    EXPECT_EQ(*cleared, 0);
    EXPECT_EQ(*ClearStoredDays(t.store, "nobody", "20991231"), 0);
    EXPECT_EQ(t.Count("gpmaster"), 5);
}

TEST_F(ClearStoredDaysTest, MissingStockOrMalformedDateIsRefused) {
    EXPECT_EQ(ClearStoredDays(t.store, "", "20240102").error().message, "请选择需要删除的股票!");
    for (const char* date : {"", "2024-01-02", "2024010", "202401021", "2024O102"}) {
        EXPECT_EQ(ClearStoredDays(t.store, "A'1", date).error().message, "请选择要删除的时间段!") << date;
    }
    EXPECT_EQ(t.Count("gpmaster"), 5);
}

TEST_F(ClearStoredDaysTest, FailureMidwayDeletesNothing) {
    t.Raw(
        "create trigger keep before delete on transun when old.masterid='A''120240102' "
        "begin select raise(abort, 'disk gone'); end");
    const Result<int> cleared = ClearStoredDays(t.store, "A'1", "20240103");
    ASSERT_FALSE(cleared.ok());
    EXPECT_EQ(cleared.error().message, "");
    EXPECT_EQ(cleared.error().kind, ErrorKind::AlreadyReported);
    EXPECT_EQ(t.messages, std::vector<std::string>{"disk gone"});
    EXPECT_EQ(t.Count("gpmaster"), 5);
    EXPECT_EQ(t.Count("transun"), 5);
}

TEST_F(ClearStoredDaysTest, StockCodesAreListedOnce) {
    EXPECT_EQ(LoadStockCodes(t.store), (std::vector<std::string>{"A'1", "B"}));
    ASSERT_TRUE(ClearStoredDays(t.store, "B", "20240101").ok());
    EXPECT_EQ(LoadStockCodes(t.store), std::vector<std::string>{"A'1"});
}

}  // namespace
}  // namespace moxtel
