#include "core/stats/OrderClasses.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/data/TestDatabase.h"
#include "core/maintenance/ClearData.h"
#include "core/query/DetailQuery.h"
#include "core/stats/DayFlowTable.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"

namespace moxtel {
namespace {

using test::TestDatabase;
constexpr auto kShares = OrderClassConvention::SharesOrAmount;
constexpr auto kAmount = OrderClassConvention::AmountOnly;

// Trades at and next to every threshold, worked out by hand: shares = lots x 100, amount = price x shares.
struct Boundary {
    const char* what;
    double lots;
    double price;
    OrderClass sharesOrAmount;
    OrderClass amountOnly;
};

TEST(OrderClassesClassify, BoundaryTradesFallInTheirClassByEitherConvention) {
    const Boundary cases[] = {
        {"199 lots at 1.00: 19,900 shares, 1.99万", 199, 1.00, kSmallOrder, kSmallOrder},
        {"200 lots at 1.00: 20,000 shares, 2万", 200, 1.00, kMediumOrder, kSmallOrder},
        {"133 lots at 3.00: 3.99万", 133, 3.00, kSmallOrder, kSmallOrder},
        {"100 lots at 4.00: 4万", 100, 4.00, kMediumOrder, kSmallOrder},
        {"125 lots at 3.20: 4万, price not exact in binary", 125, 3.20, kMediumOrder, kSmallOrder},
        {"100 lots at 4.99: 4.99万", 100, 4.99, kMediumOrder, kSmallOrder},
        {"100 lots at 5.00: 5万", 100, 5.00, kMediumOrder, kMediumOrder},
        {"500 lots at 3.998: 19.99万", 500, 3.998, kMediumOrder, kMediumOrder},
        {"500 lots at 4.00: 20万", 500, 4.00, kLargeOrder, kLargeOrder},
        {"999 lots at 1.00: 99,900 shares", 999, 1.00, kMediumOrder, kMediumOrder},
        {"1000 lots at 1.00: 100,000 shares, 10万", 1000, 1.00, kLargeOrder, kMediumOrder},
        {"1999 lots at 5.00: 99.95万", 1999, 5.00, kLargeOrder, kLargeOrder},
        {"2000 lots at 5.00: 100万", 2000, 5.00, kSuperOrder, kSuperOrder},
        {"2000 lots at 10.00: 200万", 2000, 10.00, kSuperOrder, kSuperOrder},
        {"4999 lots at 1.99: 499,900 shares", 4999, 1.99, kLargeOrder, kLargeOrder},
        {"5000 lots at 1.99: 500,000 shares under 100万", 5000, 1.99, kSuperOrder, kLargeOrder},
        {"1 lot at 10,000.00: 100万 in one lot", 1, 10000.00, kSuperOrder, kSuperOrder},
        {"0 lots", 0, 10.00, kSmallOrder, kSmallOrder},
        {"negative lots", -5000, 10.00, kSmallOrder, kSmallOrder},
        {"price 0", 5000, 0.0, kSuperOrder, kSmallOrder},
        {"beyond any 64-bit amount", 1e12, 1e9, kSuperOrder, kSuperOrder},
    };
    for (const Boundary& c : cases) {
        SCOPED_TRACE(c.what);
        const ExactTrade trade = ToExactTrade(c.lots, c.price);
        EXPECT_EQ(ClassifyTrade(trade, kShares), c.sharesOrAmount);
        EXPECT_EQ(ClassifyTrade(trade, kAmount), c.amountOnly);
    }
}

TEST(OrderClassesClassify, ConventionNamesReadBackAndNothingElseIsOne) {
    for (const auto convention : {kShares, kAmount}) {
        EXPECT_EQ(ParseConvention(ConventionName(convention)), convention);
    }
    EXPECT_EQ(ConventionName(kShares), "shares-or-amount");
    EXPECT_EQ(ParseConvention("amount"), std::nullopt);
    EXPECT_EQ(ParseConvention(""), std::nullopt);
}

TEST(OrderClassesRows, MainIsLargePlusSuperAndSharesAreOfTheWholeDay) {
    OrderClassFlows flows;
    flows.inflow = {{{10, 1.0}, {20, 2.0}, {30, 30.0}, {40, 50.0}}};
    flows.outflow = {{{5, 0.5}, {25, 2.5}, {35, 10.0}, {0, 0.0}}};
    flows.uncertain = {{{1, 0.5}, {0, 0.0}, {0, 0.0}, {0, 3.0}}};
    EXPECT_DOUBLE_EQ(OrderClassTotalAmount(flows), 99.5);
    const auto rows = OrderClassRows(flows);
    EXPECT_DOUBLE_EQ(rows[kLargeOrder].net.amount, 20.0);
    EXPECT_DOUBLE_EQ(rows[kMediumOrder].net.lots, -5.0);
    EXPECT_DOUBLE_EQ(rows[4].inflow.amount, 80.0);
    EXPECT_DOUBLE_EQ(rows[4].outflow.lots, 35.0);
    EXPECT_DOUBLE_EQ(rows[4].net.amount, 70.0);
    EXPECT_DOUBLE_EQ(*rows[4].netShare, 70.0 / 99.5 * 100.0);
    EXPECT_EQ(OrderClassRows(OrderClassFlows{})[4].netShare, std::nullopt);
}

class OrderClassesRun : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::path(m_db.Folder()) / "days";
        std::filesystem::create_directories(m_dir);
    }

    std::string Workbook(const std::string& name, const std::string& a1, const std::vector<std::string>& rows) {
        const auto path = m_dir / name;
        std::ofstream out(path, std::ios::binary);
        out << a1 << "\n\n\n\n\n";
        for (const auto& row : rows) out << row << "\n";
        return path.string();
    }

    // In: 200 lots at 1.00 (中单 / 小单) and 2000 lots at 10.00 (超大单); out: 500 lots at 4.00
    // (大单 either way); uncertain: 5000 lots at 1.99 (超大单 / 大单).
    std::string Day(const std::string& date, const std::string& name = "day.xls") {
        return Workbook(name, date + " ABC (600000)",
                        {"09:30:01\t1.00\t200\t1\tB", "09:30:02\t10.00\t2000\t1\tB", "09:30:03\t4.00\t500\t1\tS",
                         "09:30:04\t1.99\t5000\t1\t"});
    }

    Result<StatisticsOutcome> Run(const std::string& path, OrderClassConvention convention) const {
        SqliteDayStore store(m_db.store);
        StatisticsInputs inputs{path, "1.00", ""};
        inputs.orderConvention = convention;
        return RunStatistics(inputs, &store);
    }

    TestDatabase m_db;
    std::filesystem::path m_dir;
};

TEST_F(OrderClassesRun, ARunSumsEachDirectionByItsConventionAndStoresIt) {
    struct Case {
        OrderClassConvention convention;
        std::array<double, 4> inflowLots, uncertainLots;
    };
    for (const Case& c :
         {Case{kShares, {0, 200, 0, 2000}, {0, 0, 0, 5000}}, Case{kAmount, {200, 0, 0, 2000}, {0, 0, 5000, 0}}}) {
        SCOPED_TRACE(std::string(ConventionName(c.convention)));
        const auto run = Run(Day("20000103"), c.convention);
        ASSERT_TRUE(run.ok());
        const DayFlowResult& day = run->day;
        ASSERT_TRUE(day.hasOrderClasses);
        for (std::size_t k = 0; k < kOrderClassCount; ++k) {
            EXPECT_EQ(day.orderClasses.inflow[k].lots, c.inflowLots[k]) << k;
            EXPECT_EQ(day.orderClasses.uncertain[k].lots, c.uncertainLots[k]) << k;
            EXPECT_EQ(day.orderClasses.outflow[k].lots, k == kLargeOrder ? 500.0 : 0.0) << k;
        }
        // The class amounts are the buckets' own: 2000 x 10.00 / 100 = 200 万元.
        EXPECT_DOUBLE_EQ(day.orderClasses.inflow[kSuperOrder].amount, 200.0);

        CAdoDatabase db(m_db.store);
        const auto stored = LoadStoredOrderClasses(db, "ABC(600000)20000103");
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->convention, c.convention);
        for (std::size_t k = 0; k < kOrderClassCount; ++k) {
            EXPECT_EQ(stored->flows.inflow[k].amount, day.orderClasses.inflow[k].amount);
            EXPECT_EQ(stored->flows.uncertain[k].amount, day.orderClasses.uncertain[k].amount);
        }
        EXPECT_EQ(m_db.Count("dayflow"), 1);  // the re-run replaced its rows
        EXPECT_EQ(m_db.Count("dayclass"), 1);
    }
    EXPECT_TRUE(m_db.messages.empty());
}

TEST_F(OrderClassesRun, PerDayRowFollowsTheDayThroughRerunFailureAndClearing) {
    ASSERT_TRUE(Run(Day("20000103"), kShares).ok());
    ASSERT_TRUE(Run(Day("20000104", "b.xls"), kShares).ok());
    // Net flows as the history grid reads the stored buckets: in 2 + 200, out 20, uncertain down 99.5.
    EXPECT_EQ(m_db.Scalar("select netamount from dayflow where datet='20000104'"), "182.0");
    EXPECT_EQ(m_db.Scalar("select netunamount from dayflow where datet='20000104'"), "82.5");
    EXPECT_EQ(m_db.Scalar("select typeof(netamount)||typeof(supernetamount)||typeof(superinamount) "
                          "from dayflow, dayclass limit 1"),
              "realrealreal");

    // A re-run that fails at its end keeps the earlier row.
    struct FailingCommit : SqliteDayStore {
        using SqliteDayStore::SqliteDayStore;
        bool Commit() override {
            Rollback();
            return false;
        }
    } failing(m_db.store);
    StatisticsInputs inputs{Day("20000104", "c.xls"), "1.00", ""};
    inputs.orderConvention = kAmount;
    EXPECT_FALSE(RunStatistics(inputs, &failing).ok());
    EXPECT_EQ(m_db.Scalar("select convention from dayclass where masterid='ABC(600000)20000104'"), "shares-or-amount");

    ASSERT_TRUE(ClearStoredDays(m_db.store, "ABC(600000)", "20000103").ok());
    EXPECT_EQ(m_db.Scalar("select group_concat(datet) from dayflow"), "20000104");
    EXPECT_EQ(m_db.Scalar("select group_concat(masterid) from dayclass"), "ABC(600000)20000104");
}

// A day whose directions were inferred keeps its mark while it is stored, and only then.
TEST_F(OrderClassesRun, TheInferredMarkFollowsTheDayThroughRerunAndClearing) {
    const auto list = (m_dir / "600000_20000105.csv").string();
    std::ofstream(list, std::ios::binary) << "Time,Price,Volume\n09:30:01,1.00,200\n09:30:02,1.01,2000\n";
    const auto inferred = [this, &list] {
        SqliteDayStore store(m_db.store);
        StatisticsInputs inputs{list, "1.00", ""};
        inputs.dayOverrides = {"", "ABC(600000)"};
        inputs.dayOverrides.inferDirection = true;
        return RunStatistics(inputs, &store);
    };
    const auto marked = [this] {
        DayFlowResult day;  // as the detail window and the day command load it
        EXPECT_TRUE(LoadStoredDay(m_db.store, day, "ABC(600000)20000105"));
        return day.inferredDirection;
    };
    ASSERT_TRUE(Run(Day("20000104"), kShares).ok());
    const auto run = inferred();
    ASSERT_TRUE(run.ok()) << run.error().message;
    EXPECT_EQ(run->day.inflow[11].lots, 2000);   // up from the trade before: a buy
    EXPECT_EQ(run->day.uncertain[3].lots, 200);  // the first trade: neutral
    EXPECT_TRUE(marked());
    EXPECT_EQ(m_db.Scalar("select method from dayinferred"), "tick-rule");

    // Read again from a file with directions, the day loses its mark; inferred again, it has it back.
    ASSERT_TRUE(Run(Day("20000105", "e.xls"), kShares).ok());
    EXPECT_FALSE(marked());
    ASSERT_TRUE(inferred().ok());
    EXPECT_TRUE(marked());
    ASSERT_TRUE(ClearStoredDays(m_db.store, "ABC(600000)", "20000105").ok());
    EXPECT_EQ(m_db.Count("dayinferred"), 0);
    EXPECT_TRUE(m_db.messages.empty());
}

TEST_F(OrderClassesRun, DatabaseOfTheEarlierVersionGainsTheTableWithoutClasses) {
    ASSERT_TRUE(Run(Day("20000103"), kShares).ok());
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(m_db.File().c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "drop table dayflow; drop table dayclass; PRAGMA user_version=1", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    EXPECT_EQ(m_db.Scalar("PRAGMA user_version"), "3");
    EXPECT_EQ(m_db.Count("dayinferred"), 0);  // the table of marks is there, empty
    EXPECT_EQ(m_db.Scalar("select netamount||' '||netunamount||' '||classday||' '||ifnull(mainnetamount,'-') "
                          "from dayflow"),
              "182.0 82.5 0 -");
    CAdoDatabase db(m_db.store);
    EXPECT_EQ(LoadStoredOrderClasses(db, "ABC(600000)20000103"), std::nullopt);
    EXPECT_TRUE(m_db.messages.empty());
}

}  // namespace
}  // namespace moxtel
