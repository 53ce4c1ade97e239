#include "core/stats/SqliteDayStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/data/CDataFolder.h"
#include "core/data/TestDatabase.h"

namespace moxtel {
namespace {

using test::TestDatabase;
using Rows = std::vector<std::vector<std::string>>;

UncertainTrade Trade(const std::string& masterId, const std::string& code, const std::string& time) {
    return {"10.00", "10.04", "0", "150", "未知", "入", masterId, code, "50", "10.00", time};
}

// One whole statistics run through the store: header, uncertain trades, buckets, commit.
struct DayRun {
    std::string code = "ABC(600000)";
    std::string date = "20000101";
    std::string previousClose;
    std::string turnover;
    std::string lastPrice = "10.02";
    int uncertainTrades = 0;
    double inflowLots = 150;

    std::string MasterId() const { return code + date; }

    DayHeaderInfo Store(const TestDatabase& t, bool readOnly = false) const {
        SqliteDayStore store(t.store, readOnly);
        DayHeaderInfo info;
        EXPECT_TRUE(store.StoreDayHeader(code, date, MasterId(), previousClose, turnover, info));
        for (int i = 0; i < uncertainTrades; ++i) {
            EXPECT_TRUE(store.StoreUncertainTrade(Trade(MasterId(), code, "09:30:0" + std::to_string(i))));
        }
        DayFlowResult day;
        day.inflow[2] = {inflowLots, 15.06};
        EXPECT_TRUE(store.StoreDayBuckets(day, MasterId(), "10.04", lastPrice));
        EXPECT_EQ(store.StoredUncertainCount(), readOnly ? 0 : uncertainTrades);
        EXPECT_TRUE(store.Commit());
        return info;
    }
};

// Every stored row of one day, all six tables, for comparing before and after.
Rows DayRows(const TestDatabase& t, const std::string& masterId) {
    Rows all = t.Rows("select * from gpmaster where rowid=?", {masterId});
    for (const char* table : {"transin", "transout", "transinun", "transoutun", "transun"}) {
        for (auto& row : t.Rows(std::string("select * from ") + table + " where masterid=?", {masterId})) {
            all.push_back(std::move(row));
        }
    }
    return all;
}

int ChildRows(const TestDatabase& t, const std::string& masterId) {
    int n = 0;
    for (const char* table : {"transin", "transout", "transinun", "transoutun", "transun"}) {
        n += std::stoi(t.Scalar(std::string("select count(*) from ") + table + " where masterid=?", {masterId}));
    }
    return n;
}

TEST(SqliteDayStoreHeader, FirstDayOfAStock) {
    TestDatabase t;
    DayRun run;
    const DayHeaderInfo info = run.Store(t);
    EXPECT_EQ(info.yesId, "0");
    EXPECT_EQ(info.previousClose, "0");
    EXPECT_EQ(info.turnoverText, " ");

    const Rows master = t.Rows(
        "select rowid,code,yesid,datet,transchange,pricebeg,priceend,transindr,transoutdr,transinundr,transoutundr "
        "from gpmaster");
    EXPECT_EQ(master, (Rows{{"ABC(600000)20000101", "ABC(600000)", "0", "20000101", " ", "10.04", "10.02",
                             "ABC(600000)20000101in", "ABC(600000)20000101o", "ABC(600000)20000101inun",
                             "ABC(600000)20000101oun"}}));
    EXPECT_EQ(ChildRows(t, run.MasterId()), 4);
    EXPECT_TRUE(t.messages.empty());
}

TEST(SqliteDayStoreHeader, TypedTextsWinOverStoredOnes) {
    TestDatabase t;
    DayRun first;
    first.Store(t);
    DayRun second = first;
    second.date = "20000102";
    second.previousClose = "9.87";
    second.turnover = "1.5%";
    const DayHeaderInfo info = second.Store(t);
    EXPECT_EQ(info.yesId, first.MasterId());
    EXPECT_EQ(info.previousClose, "9.87");
    EXPECT_EQ(info.turnoverText, "1.5%");
    EXPECT_EQ(t.Scalar("select transchange from gpmaster where rowid=?", {second.MasterId()}), "1.5%");
}

TEST(SqliteDayStoreHeader, SecondDayTakesThePreviousDaysKeyAndClose) {
    TestDatabase t;
    DayRun first;
    first.lastPrice = "10.55";
    first.Store(t);
    DayRun second = first;
    second.date = "20000102";
    const DayHeaderInfo info = second.Store(t);
    EXPECT_EQ(info.yesId, "ABC(600000)20000101");
    EXPECT_EQ(info.previousClose, "10.55");
    EXPECT_EQ(t.Scalar("select yesid from gpmaster where rowid=?", {second.MasterId()}), first.MasterId());
}

// The previous day is the newest stored day before the trade date, never a later one.
TEST(SqliteDayStoreHeader, EarlierDayAfterALaterOneTakesItsTruePreviousDay) {
    TestDatabase t;
    DayRun before;
    before.date = "20001220";
    before.lastPrice = "10.10";
    before.Store(t);
    DayRun later = before;
    later.date = "20010105";
    later.lastPrice = "11.20";
    later.Store(t);
    DayRun earlier = later;
    earlier.date = "20001229";  // an earlier year: text order is date order
    const DayHeaderInfo info = earlier.Store(t);
    EXPECT_EQ(info.yesId, before.MasterId());
    EXPECT_EQ(info.previousClose, "10.10");
    EXPECT_FALSE(info.replaced);

    DayRun first = later;
    first.date = "20000103";  // before every stored day: no previous day at all
    const DayHeaderInfo none = first.Store(t);
    EXPECT_EQ(none.yesId, "0");
    EXPECT_EQ(none.previousClose, "0");
}

TEST(SqliteDayStoreHeader, UsualOrderAndRerunsKeepTheirPreviousDay) {
    TestDatabase t;
    DayRun d1;
    d1.lastPrice = "10.55";
    d1.Store(t);
    DayRun d2 = d1;
    d2.date = "20000102";
    d2.lastPrice = "10.60";
    EXPECT_EQ(d2.Store(t).yesId, d1.MasterId());
    DayRun d3 = d1;
    d3.date = "20000103";
    EXPECT_EQ(d3.Store(t).yesId, d2.MasterId());
    // Re-running the middle day after the last one still takes the first day, and replaces itself.
    const DayHeaderInfo rerun = d2.Store(t);
    EXPECT_EQ(rerun.yesId, d1.MasterId());
    EXPECT_EQ(rerun.previousClose, "10.55");
    EXPECT_TRUE(rerun.replaced);
    EXPECT_EQ(t.Scalar("select count(*) from gpmaster"), "3");
}

// A re-run keeps the previous day its earlier copy named, whatever was stored or cleared since;
// the close comes from that day while it is stored, else "0". Only a new day looks for one.
TEST(SqliteDayStoreHeader, RerunKeepsItsStoredPreviousDay) {
    struct Case {
        const char* what;
        std::vector<const char*> storedFirst;  // dates stored in this order before the re-run of 20000103
        const char* cleared;                   // a date deleted before the re-run, or nullptr
        const char* yesDate;                   // the re-run's previous day, or nullptr for "0"
        const char* previousClose;
    };
    const Case cases[] = {
        {"usual order", {"20000101", "20000102", "20000103"}, nullptr, "20000102", "10.02"},
        {"previous day cleared since", {"20000102", "20000103"}, "20000102", "20000102", "0"},
        {"earlier days stored after it", {"20000103", "20000101", "20000102"}, nullptr, nullptr, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDatabase t;
        DayRun day;
        for (const char* date : c.storedFirst) {
            day.date = date;
            day.Store(t);
        }
        if (c.cleared) t.Raw(std::string("delete from gpmaster where datet='") + c.cleared + "'");
        day.date = "20000103";
        const std::string yesId = c.yesDate ? day.code + c.yesDate : "0";
        for (const bool readOnly : {true, false}) {
            const DayHeaderInfo rerun = day.Store(t, readOnly);
            EXPECT_EQ(rerun.yesId, yesId);
            EXPECT_EQ(rerun.previousClose, c.previousClose);
        }
        EXPECT_EQ(t.Scalar("select yesid from gpmaster where rowid=?", {day.MasterId()}), yesId);
    }
}

TEST(SqliteDayStoreHeader, PreviousDayWithAnEmptyCloseGivesTheEmptyText) {
    TestDatabase t;
    DayRun first;
    first.lastPrice = "";
    first.Store(t);
    DayRun second = first;
    second.date = "20000102";
    const DayHeaderInfo info = second.Store(t);
    EXPECT_EQ(info.yesId, first.MasterId());
    EXPECT_EQ(info.previousClose, "");
    second.previousClose = "9.50";  // a typed close still wins
    EXPECT_EQ(second.Store(t).previousClose, "9.50");
}

TEST(SqliteDayStoreHeader, OtherStocksAreNoPreviousDay) {
    TestDatabase t;
    DayRun other;
    other.code = "XYZ(000001)";
    other.Store(t);
    DayRun run;
    EXPECT_EQ(run.Store(t).yesId, "0");
}

TEST(SqliteDayStoreReplace, RerunLeavesOneCopyWithTheSecondRunsFiguresAndTheSameYesId) {
    TestDatabase t;
    DayRun day1;
    day1.Store(t);
    DayRun day2 = day1;
    day2.date = "20000102";
    day2.uncertainTrades = 3;
    day2.Store(t);

    DayRun again = day2;
    again.uncertainTrades = 1;
    again.inflowLots = 1234.5;
    const DayHeaderInfo info = again.Store(t);
    EXPECT_EQ(info.yesId, day1.MasterId());
    EXPECT_EQ(t.Scalar("select count(*) from gpmaster where rowid=?", {day2.MasterId()}), "1");
    EXPECT_EQ(ChildRows(t, day2.MasterId()), 4 + 1);
    EXPECT_EQ(t.Scalar("select two from transin where masterid=?", {day2.MasterId()}), "1235");
    EXPECT_EQ(t.Scalar("select yesid from gpmaster where rowid=?", {day2.MasterId()}), day1.MasterId());

    // Re-running the older day while a newer one is stored keeps its own previous day ("0").
    EXPECT_EQ(day1.Store(t).yesId, "0");
    EXPECT_EQ(t.Count("gpmaster"), 2);
}

TEST(SqliteDayStoreBuckets, EachSetGoesToItsTableWithHalvesRoundedAwayFromZero) {
    TestDatabase t;
    const std::string id = "ABC(600000)20000101";
    SqliteDayStore store(t.store);
    DayHeaderInfo info;
    ASSERT_TRUE(store.StoreDayHeader("ABC(600000)", "20000101", id, "", "", info));
    DayFlowResult day;
    day.inflow[1] = {1234.5, 26.25};
    day.inflow[11] = {2500, 250.04};
    day.outflow[11] = {1200, 120};
    day.uncertainUp[4] = {300, 30.06};
    day.uncertainDown[10] = {999.4999, 0.05};
    day.uncertain[5] = {777, 77};  // never stored as buckets
    ASSERT_TRUE(store.StoreDayBuckets(day, id, "10.04", "10.02"));
    ASSERT_TRUE(store.Commit());

    const auto row = [&](const char* table) {
        return t.Rows(std::string("select * from ") + table + " where masterid=?", {id}).at(0);
    };
    const std::vector<std::string> transin{id + "in", "1235", "0",   "0",    "0",    "0",   "0",     "0",
                                           "0",       "0",    "0",   "2500", "26.3", "0.0", "0.0",   "0.0",
                                           "0.0",     "0.0",  "0.0", "0.0",  "0.0",  "0.0", "250.0", id};
    EXPECT_EQ(row("transin"), transin);
    EXPECT_EQ(row("transout")[0], id + "o");
    EXPECT_EQ(row("transout")[11], "1200");
    EXPECT_EQ(row("transout")[22], "120.0");
    EXPECT_EQ(row("transinun")[0], id + "inun");
    EXPECT_EQ(row("transinun")[4], "300");
    EXPECT_EQ(row("transinun")[15], "30.1");
    EXPECT_EQ(row("transoutun")[0], id + "oun");
    EXPECT_EQ(row("transoutun")[10], "999");
    EXPECT_EQ(row("transoutun")[21], "0.1");
}

TEST(SqliteDayStoreUncertain, TradesAreStoredInOrderWithEveryField) {
    TestDatabase t;
    const std::string id = "ABC(600000)20000101";
    SqliteDayStore store(t.store);
    DayHeaderInfo info;
    ASSERT_TRUE(store.StoreDayHeader("ABC(600000)", "20000101", id, "", "", info));
    const UncertainTrade first{"10.00", "10.04",       "0",  "150",   "未知",    "入",
                               id,      "ABC(600000)", "50", "10.00", "09:30:01"};
    const UncertainTrade last{"10.00", "0", "1200", "0", "出", "未知", id, "ABC(600000)", "300", "10.02", "09:30:12"};
    ASSERT_TRUE(store.StoreUncertainTrade(first));
    ASSERT_TRUE(store.StoreUncertainTrade(last));
    EXPECT_EQ(store.StoredUncertainCount(), 2);
    ASSERT_TRUE(store.StoreDayBuckets(DayFlowResult{}, id, "10.04", "10.02"));
    ASSERT_TRUE(store.Commit());

    const Rows rows = t.Rows(
        "select pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,transunknow,price,datet "
        "from transun order by oid");
    EXPECT_EQ(rows, (Rows{{"10.00", "10.04", "0", "150", "未知", "入", id, "ABC(600000)", "50", "10.00", "09:30:01"},
                          {"10.00", "0", "1200", "0", "出", "未知", id, "ABC(600000)", "300", "10.02", "09:30:12"}}));
}

// Stores a day of n uncertain trades (times "t0", "t1", ...) and returns whether every call succeeded.
bool StoreTrades(SqliteDayStore& store, const std::string& id, int n, int flagbefLength = 2) {
    DayHeaderInfo info;
    bool ok = store.StoreDayHeader("ABC(600000)", "20000101", id, "", "", info);
    for (int i = 0; ok && i < n; ++i) {
        // Texts of varying length, so a row shifted against its neighbours would show.
        UncertainTrade trade = Trade(id, "ABC(600000)", "t" + std::to_string(i));
        trade.flagbef = std::string(static_cast<std::size_t>(flagbefLength + i % 3), 'x');
        trade.transunknow = std::to_string(i * 7);
        ok = store.StoreUncertainTrade(trade);
    }
    return ok && store.StoreDayBuckets(DayFlowResult{}, id, "10.04", "10.02") && store.Commit();
}

TEST(SqliteDayStoreUncertain, EveryCountOfTradesIsStoredWholeAndInOrder) {
    constexpr int kBatch = SqliteDayStore::kTradesPerInsert;
    for (const int n : {0, 1, kBatch - 1, kBatch, kBatch + 1, 2 * kBatch, 3 * kBatch + 5}) {
        SCOPED_TRACE(std::to_string(n) + " trades");
        TestDatabase t;
        const std::string id = "ABC(600000)20000101";
        for (const int run : {1, 2}) {  // the second run replaces the first copy
            SqliteDayStore store(t.store);
            ASSERT_TRUE(StoreTrades(store, id, n + run - 1));
            EXPECT_EQ(store.StoredUncertainCount(), n + run - 1);
        }
        const Rows rows = t.Rows("select datet,flagbef,transunknow,masterid,price from transun order by oid");
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(n + 1));
        for (int i = 0; i <= n; ++i) {
            EXPECT_EQ(rows[static_cast<std::size_t>(i)],
                      (std::vector<std::string>{"t" + std::to_string(i), std::string(2 + i % 3, 'x'),
                                                std::to_string(i * 7), id, "10.00"}));
        }
        EXPECT_TRUE(t.messages.empty());
    }
}

// A re-run keeps the earlier copy's trades it gives again and rewrites from the first that
// differs: whatever changed, the day's rows afterwards are exactly the new run's, in its order,
// and no other day's rows move.
TEST(SqliteDayStoreReplace, RerunStoresExactlyItsOwnTradesWhateverChanged) {
    using Trades = std::vector<UncertainTrade>;
    const std::string id = "ABC(600000)20000101";
    Trades earlier;
    for (int i = 0; i < 70; ++i) {
        UncertainTrade trade = Trade(id, "ABC(600000)", "t" + std::to_string(i));
        trade.transunknow = std::to_string(i * 7);
        earlier.push_back(trade);
    }
    const auto changedAt = [&](std::size_t k) {
        Trades t = earlier;
        t[k].priceend = "9.99";
        return t;
    };
    const struct {
        const char* name;
        Trades again;
        std::size_t kept;  // rows of the earlier copy left in place
    } cases[] = {
        {"the same trades", earlier, 70},
        {"first changed", changedAt(0), 0},
        {"one in the middle changed", changedAt(40), 40},
        {"last changed", changedAt(69), 69},
        {"fewer", Trades(earlier.begin(), earlier.begin() + 33), 33},
        {"more", [&] { Trades t = earlier; t.push_back(Trade(id, "ABC(600000)", "t70")); return t; }(), 70},
        {"none", Trades{}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase t;
        DayRun other;  // another stock's day, stored in between
        other.code = "XYZ(600001)";
        other.uncertainTrades = 3;
        const auto storeDay = [&](const Trades& trades) {
            SqliteDayStore store(t.store);
            DayHeaderInfo info;
            ASSERT_TRUE(store.StoreDayHeader("ABC(600000)", "20000101", id, "", "", info));
            for (const UncertainTrade& trade : trades) ASSERT_TRUE(store.StoreUncertainTrade(trade));
            ASSERT_TRUE(store.StoreDayBuckets(DayFlowResult{}, id, "10.04", "10.02"));
            EXPECT_EQ(store.StoredUncertainCount(), static_cast<int>(trades.size()));
            ASSERT_TRUE(store.Commit());
        };
        storeDay(earlier);
        other.Store(t);
        const Rows otherRows = DayRows(t, other.MasterId());
        const Rows oidsBefore = t.Rows("select oid from transun where masterid=? order by oid", {id});
        storeDay(c.again);

        Rows expected;
        for (const UncertainTrade& x : c.again) {
            expected.push_back({x.pricebefor, x.priceend, x.transbef, x.transend, x.flagbef, x.flagend, x.masterid,
                                x.gpcode, x.transunknow, x.price, x.datet});
        }
        EXPECT_EQ(t.Rows("select * from transun where masterid=? order by oid", {id}), expected);
        const Rows oidsAfter = t.Rows("select oid from transun where masterid=? order by oid", {id});
        ASSERT_GE(oidsAfter.size(), c.kept);
        EXPECT_EQ(Rows(oidsAfter.begin(), oidsAfter.begin() + static_cast<long>(c.kept)),
                  Rows(oidsBefore.begin(), oidsBefore.begin() + static_cast<long>(c.kept)));
        EXPECT_EQ(DayRows(t, other.MasterId()), otherRows);
        EXPECT_EQ(t.Scalar("select count(*) from gpmaster where rowid=?", {id}), "1");
        EXPECT_TRUE(t.messages.empty());
    }
}

// One connection serving many days in turn (bulk import): each re-run compares with its own day.
TEST(SqliteDayStoreReplace, KeptConnectionComparesEachDayWithItsOwnCopy) {
    TestDatabase t;
    SqliteDayStore store(t.store);
    store.KeepConnection();
    for (int pass = 0; pass < 2; ++pass) {
        for (const char* id : {"ABC(600000)20000101", "ABC(600000)20000102"}) {
            ASSERT_TRUE(StoreTrades(store, id, pass == 0 ? 5 : 3));
        }
    }
    for (const char* id : {"ABC(600000)20000101", "ABC(600000)20000102"}) {
        EXPECT_EQ(t.Scalar("select count(*) from transun where masterid=?", {id}), "3") << id;
    }
}

TEST(SqliteDayStoreFailure, FailingTradeInsertFailsTheRunWhereverItLies) {
    constexpr int kBatch = SqliteDayStore::kTradesPerInsert;
    // The failing trade in the first full statement, in a later one, and among the rows left over.
    for (const int bad : {0, kBatch + 3, 2 * kBatch + 1}) {
        SCOPED_TRACE("failing trade " + std::to_string(bad));
        TestDatabase t;
        DayRun stored;
        stored.code = "ABC(600000)";
        stored.uncertainTrades = 3;
        stored.Store(t);
        const Rows before = DayRows(t, stored.MasterId());
        t.Raw("create trigger fail_trade before insert on transun when new.datet='t" + std::to_string(bad) +
              "' begin select raise(abort, 'disk gone'); end");
        SqliteDayStore store(t.store);
        EXPECT_FALSE(StoreTrades(store, stored.MasterId(), 2 * kBatch + 2));
        store.Rollback();
        EXPECT_EQ(t.messages, std::vector<std::string>{"disk gone"});
        EXPECT_EQ(DayRows(t, stored.MasterId()), before);
    }
}

TEST(SqliteDayStoreFailure, DayCommittedByAKilledProcessIsWholeAndInEveryCopy) {
    TestDatabase t;
    DayRun earlier;
    earlier.uncertainTrades = 2;
    earlier.Store(t);
    const std::string id = "ABC(600000)20000102";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SqliteDayStore store(t.store);
        store.KeepConnection();  // Commit leaves the connection open, so no checkpoint follows
        DayHeaderInfo info;
        bool ok = store.StoreDayHeader("ABC(600000)", "20000102", id, "", "", info);
        for (int i = 0; ok && i < 2 * SqliteDayStore::kTradesPerInsert + 7; ++i) {
            ok = store.StoreUncertainTrade(Trade(id, "ABC(600000)", "09:31:" + std::to_string(i)));
        }
        ok = ok && store.StoreDayBuckets(DayFlowResult{}, id, "10.04", "10.02") && store.Commit();
        _exit(ok ? 0 : 1);  // killed right after the commit: no close, no checkpoint
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The committed day lies only in the write-ahead log so far.
    ASSERT_GT(std::filesystem::file_size(t.File() + "-wal"), 0u);

    // A copy made now through the backup holds it, as does the database itself.
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const int expected = 2 * SqliteDayStore::kTradesPerInsert + 7;
    for (const std::string& file : {t.File(), BackupFileOf(t.File())}) {
        SCOPED_TRACE(file);
        t.store.SetDatabaseFile(file);
        EXPECT_EQ(t.Scalar("select count(*) from transun where masterid=?", {id}), std::to_string(expected));
        EXPECT_EQ(t.Scalar("select yesid from gpmaster where rowid=?", {id}), earlier.MasterId());
        EXPECT_EQ(ChildRows(t, id), 4 + expected);
        EXPECT_EQ(t.Scalar("PRAGMA integrity_check"), "ok");
    }
    EXPECT_TRUE(t.messages.empty());
}

TEST(SqliteDayStoreValues, QuotesInCodesAndTextsAreStoredAndFound) {
    TestDatabase t;
    DayRun first;
    first.code = "O'NEIL'S(60'0)";
    first.turnover = "3'5";
    first.lastPrice = "1'0";
    first.uncertainTrades = 2;
    first.Store(t);
    DayRun second = first;
    second.date = "20000102";
    second.turnover = "";
    const DayHeaderInfo info = second.Store(t);
    EXPECT_EQ(info.yesId, first.MasterId());
    EXPECT_EQ(info.previousClose, "1'0");
    EXPECT_EQ(t.Scalar("select transchange from gpmaster where rowid=?", {first.MasterId()}), "3'5");
    EXPECT_EQ(ChildRows(t, first.MasterId()), 4 + 2);
    EXPECT_TRUE(t.messages.empty());
}

TEST(SqliteDayStoreFailure, RollbackOrDestructionKeepsTheEarlierCopy) {
    TestDatabase t;
    DayRun stored;
    stored.uncertainTrades = 2;
    stored.Store(t);
    const Rows before = DayRows(t, stored.MasterId());

    {
        SqliteDayStore store(t.store);
        DayHeaderInfo info;
        ASSERT_TRUE(store.StoreDayHeader(stored.code, stored.date, stored.MasterId(), "", "", info));
        ASSERT_TRUE(store.StoreUncertainTrade(Trade(stored.MasterId(), stored.code, "10:00:00")));
        store.Rollback();
    }
    EXPECT_EQ(DayRows(t, stored.MasterId()), before);
    {
        SqliteDayStore store(t.store);  // a run that stops without a word
        DayHeaderInfo info;
        ASSERT_TRUE(store.StoreDayHeader(stored.code, stored.date, stored.MasterId(), "", "", info));
        ASSERT_TRUE(store.StoreUncertainTrade(Trade(stored.MasterId(), stored.code, "10:00:00")));
    }
    EXPECT_EQ(DayRows(t, stored.MasterId()), before);
    EXPECT_EQ(t.Scalar("PRAGMA integrity_check"), "ok");
}

TEST(SqliteDayStoreFailure, FailingStatementMidwayReportsAndLeavesNothing) {
    TestDatabase t;
    DayRun stored;
    stored.Store(t);
    const Rows before = DayRows(t, stored.MasterId());
    t.Raw("create trigger fail_inun before insert on transinun begin select raise(abort, 'disk gone'); end");

    SqliteDayStore store(t.store);
    DayHeaderInfo info;
    ASSERT_TRUE(store.StoreDayHeader(stored.code, stored.date, stored.MasterId(), "", "", info));
    EXPECT_FALSE(store.StoreDayBuckets(DayFlowResult{}, stored.MasterId(), "1", "2"));
    store.Rollback();
    EXPECT_EQ(t.messages, std::vector<std::string>{"disk gone"});
    EXPECT_EQ(DayRows(t, stored.MasterId()), before);
    EXPECT_EQ(t.Scalar("PRAGMA integrity_check"), "ok");
}

TEST(SqliteDayStoreFailure, KilledRunLeavesTheDatabaseAsBefore) {
    TestDatabase t;
    DayRun stored;
    stored.uncertainTrades = 1;
    stored.Store(t);
    const Rows before = DayRows(t, stored.MasterId());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Enough rows that SQLite must spill changes into the file before the end.
        SqliteDayStore store(t.store);
        DayHeaderInfo info;
        store.StoreDayHeader(stored.code, stored.date, stored.MasterId(), "", "", info);
        for (int i = 0; i < 40000; ++i) store.StoreUncertainTrade(Trade(stored.MasterId(), stored.code, "x"));
        _exit(0);  // no destructor, no rollback: as if killed
    }
    int status = 0;
    waitpid(child, &status, 0);
    // The dead run left its uncommitted pages in the write-ahead log beside the file.
    EXPECT_GT(std::filesystem::file_size(t.File() + "-wal"), 0u);
    EXPECT_EQ(DayRows(t, stored.MasterId()), before);
    EXPECT_EQ(t.Scalar("PRAGMA integrity_check"), "ok");
}

TEST(SqliteDayStoreFailure, LockedDatabaseFailsTheHeader) {
    TestDatabase t;
    t.Touch();
    sqlite3* other = nullptr;
    sqlite3_open(t.File().c_str(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    SqliteDayStore store(t.store);
    DayHeaderInfo info;
    EXPECT_FALSE(store.StoreDayHeader("A", "20000101", "A20000101", "", "", info));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find("database is locked"), std::string::npos) << t.messages[0];
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST(SqliteDayStoreReadOnly, MissingDatabaseIsAnEmptyStoreAndStaysMissing) {
    TestDatabase t;
    DayRun run;
    run.previousClose = "9.5";
    run.uncertainTrades = 2;
    const DayHeaderInfo info = run.Store(t, /*readOnly=*/true);
    EXPECT_EQ(info.yesId, "0");
    EXPECT_EQ(info.previousClose, "9.5");
    EXPECT_EQ(info.turnoverText, " ");
    EXPECT_FALSE(std::filesystem::exists(t.File()));
    EXPECT_FALSE(std::filesystem::exists(t.Folder() + "/db"));
    EXPECT_TRUE(t.messages.empty());
}

TEST(SqliteDayStoreReadOnly, FindsThePreviousDayButWritesNothing) {
    TestDatabase t;
    DayRun first;
    first.lastPrice = "10.55";
    first.uncertainTrades = 1;
    first.Store(t);
    const Rows before = DayRows(t, first.MasterId());

    DayRun second = first;
    second.date = "20000102";
    const DayHeaderInfo info = second.Store(t, /*readOnly=*/true);
    EXPECT_EQ(info.yesId, first.MasterId());
    EXPECT_EQ(info.previousClose, "10.55");
    EXPECT_EQ(t.Count("gpmaster"), 1);

    // A stored day run again without storing keeps its earlier copy and its own previous day.
    EXPECT_EQ(first.Store(t, /*readOnly=*/true).yesId, "0");
    EXPECT_EQ(DayRows(t, first.MasterId()), before);
    EXPECT_TRUE(t.messages.empty());
}

}  // namespace
}  // namespace moxtel
