// Lookups of stored days on the database of a store context: the stored name and newest date of
// a code, from several threads at once, and a damaged database reported one call at a time.
#include "core/stats/StoredDays.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "core/data/TestDatabase.h"
#include "core/stats/SqliteDayStore.h"

namespace moxtel {
namespace {

void StoreHeader(const StoreContext& context, const std::string& stock, const std::string& date) {
    SqliteDayStore store(context);
    DayHeaderInfo info;
    ASSERT_TRUE(store.StoreDayHeader(stock, date, stock + date, "", "", info));
    ASSERT_TRUE(store.Commit());
}

TEST(StoredDays, TakesTheNewestStoredNameAndDateOfTheCode) {
    test::TestDatabase db;
    StoreContext context(db.File());
    const StoredDays stored(context);
    EXPECT_EQ(stored.StockText("000001"), "");  // no database file yet: nothing, and nothing created
    EXPECT_EQ(stored.NewestDate("000001"), "");
    EXPECT_FALSE(std::filesystem::exists(db.File()));
    StoreHeader(context, "平安银行(000001)", "20241203");
    StoreHeader(context, "深发展A(000001)", "20100101");
    StoreHeader(context, "万科A(000002)", "20241204");
    EXPECT_EQ(stored.StockText("000001"), "平安银行(000001)");
    EXPECT_EQ(stored.NewestDate("000001"), "20241203");
    EXPECT_EQ(stored.StockTextHook()("000002"), "万科A(000002)");
    EXPECT_EQ(stored.StockText("600000"), "");
    EXPECT_EQ(stored.NewestDate("600000"), "");
    EXPECT_EQ(stored.StockText("00000"), "");  // a part of a code is no code

    // Another store's database is another database, whatever the test's database holds.
    StoreContext other(db.Folder() + "/other.db");
    EXPECT_EQ(StoredDays(other).StockText("000001"), "");
    EXPECT_TRUE(db.messages.empty());
}

// Readers of an import look names up on several threads at once; a damaged file fails each of
// them, and the store hands every report to the reporter one at a time (the reporter here keeps
// them in a plain vector, as a window would, which a thread sanitizer checks).
TEST(StoredDays, ReportsAFailingDatabaseFromEveryThreadOneAtATime) {
    test::TestDatabase db;
    std::filesystem::create_directories(db.Folder() + "/db");
    std::ofstream(db.File(), std::ios::binary) << std::string(4096, 'x');
    std::vector<std::string> reports;
    StoreContext context(db.File(), [&reports](const std::string& text) { reports.push_back(text); });
    const StoredDays stored(context);
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&stored] { EXPECT_EQ(stored.StockText("000001"), ""); });
    }
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(reports.size(), std::size_t{kThreads});
    EXPECT_NE(reports.front().find(db.File()), std::string::npos) << reports.front();
    EXPECT_TRUE(db.messages.empty());  // the test database's reporter heard nothing of it
}

}  // namespace
}  // namespace moxtel
