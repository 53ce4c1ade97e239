#include "layout/CTickTable.h"

#include <gtest/gtest.h>

#include <ostream>

#include "LayoutTestSupport.h"
#include "stats/CExcelReader.h"

namespace moxtel::test {
namespace {

constexpr int kFixtureTrades = 60;

struct ContainerCase {
    const char* file;
    bool needsDay;  // the file name carries no date
};
void PrintTo(const ContainerCase& c, std::ostream* os) { *os << c.file; }

class HeaderContainers : public ::testing::TestWithParam<ContainerCase> {
  protected:
    StatisticsInputs Inputs() const {
        StatisticsInputs inputs{Fixture(GetParam().file), "11.49", "0.8"};
        // The date comes from the file name where it has one; the name of the stock never does.
        inputs.dayOverrides = GetParam().needsDay ? FixtureDay() : DayOverrides{"", "平安银行(000001)"};
        return inputs;
    }
};

// The same 60 trades as the standard export and as each container and spelling of a header table:
// every figure, every uncertain trade and every stored row must come out the same.
TEST_P(HeaderContainers, GiveTheFiguresAndStoredRowsOfTheStandardLayout) {
    const StoredRun standard = RunAndStore({Fixture("layout-standard-day.xls"), "11.49", "0.8"});
    const StoredRun header = RunAndStore(Inputs());
    ASSERT_TRUE(standard.run.ok()) << standard.run.error().message;
    ASSERT_TRUE(header.run.ok()) << header.run.error().message << " " << header.run.error().detail;
    EXPECT_EQ(header.run->day.masterId, "平安银行(000001)20241204");
    EXPECT_EQ(header.run->day.titleText, "20241204 平安银行 (000001)");
    EXPECT_FALSE(header.run->uncertainTrades.empty());
    ExpectSameDay(*standard.run, *header.run);
    ASSERT_EQ(standard.tables.size(), header.tables.size());
    for (std::size_t t = 0; t < standard.tables.size(); ++t) EXPECT_EQ(standard.tables[t], header.tables[t]) << t;
    EXPECT_EQ(header.tables[0].size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, HeaderContainers,
                         ::testing::Values(ContainerCase{"header-bom-sz000001_20241204.csv", false},
                                           ContainerCase{"header-pandas-index-000001-2024-12-04.csv", false},
                                           ContainerCase{"header-gbk-tab-20241204_000001.xls", false},
                                           ContainerCase{"header-openpyxl-no-date.xlsx", true}));

TEST(CTickTable, PresentsALatestFirstTableInTimeOrderAsTheStandardLayout) {
    CExcelReader standard;
    ASSERT_TRUE(standard.OpenWorkbook(Fixture("layout-standard-day.xls")));
    CTickTable table;
    ASSERT_TRUE(table.Open(Fixture("header-gbk-tab-20241204_000001.xls")).ok());
    EXPECT_EQ(table.Kind(), TickLayoutKind::Header);
    EXPECT_EQ(table.TradeCount(), kFixtureTrades);
    EXPECT_EQ(table.Identity().stock, "000001(000001)");  // no stored day names the code
    EXPECT_EQ(table.GetCellText(1, 1), "20241204 000001 (000001)");
    for (int row = 6; row < 6 + kFixtureTrades + 2; ++row) {
        for (int column : {1, 2, 3, 5}) {
            EXPECT_EQ(table.GetCellText(row, column), standard.GetCellText(row, column)) << row << "," << column;
        }
        EXPECT_EQ(table.GetCellText(row, 4), row == 8 ? "-" : "") << row;
        EXPECT_EQ(table.GetCellText(row, 6), "") << row;
    }
    for (int row = 2; row <= 5; ++row) EXPECT_EQ(table.GetCellText(row, 1), "") << row;
    EXPECT_EQ(table.GetCellText(0, 0), "");
}

TEST(CTickTable, AShortTableStillTakesItsDirectionsFromColumnFive) {
    const TestFolder folder;
    // With fewer than three trades row 8 is empty, yet the mark in (8, 4) must stay.
    const std::string path =
        folder.Write("600000_20241204.csv", "成交时间,成交价格,成交量,性质\n09:30:00,10.00,5,卖盘\n");
    const auto run = RunStatistics({path, "10.00", ""}, nullptr);
    ASSERT_TRUE(run.ok()) << run.error().message;
    EXPECT_EQ(run->day.outflow[1].lots, 5);
    EXPECT_EQ(run->day.firstPriceText, "");  // the standard layout's row 7: the second trade
    EXPECT_EQ(run->day.lastPriceText, "10.00");
}

TEST(CTickTable, EqualTimesKeepTheirTrueOrderInALatestFirstTable) {
    const TestFolder folder;
    const std::string path =
        folder.Write("600000_20241204.csv",
                     "时间,价格,成交量,性质\n09:30:02,10.02,3,中性盘\n09:30:01,10.01,2,买盘\n09:30:01,10.00,1,卖盘\n");
    const auto run = RunStatistics({path, "10.00", ""}, nullptr);
    ASSERT_TRUE(run.ok()) << run.error().message;
    ASSERT_EQ(run->uncertainTrades.size(), 1u);
    const UncertainTrade& t = run->uncertainTrades[0];
    EXPECT_EQ(t.pricebefor, "10.01");  // the trade before it in time
    EXPECT_EQ(t.flagbef, "入");
    EXPECT_EQ(t.transbef, "2");
    EXPECT_EQ(t.priceend, "0");
    EXPECT_EQ(run->day.uncertainUp[1].lots, 3);
    EXPECT_EQ(run->day.firstPriceText, "10.01");
    EXPECT_EQ(run->day.lastPriceText, "10.02");
}

TEST(CTickTable, RefusalsNameTheFileAndStoreNothing) {
    const TestFolder folder;
    const StoredRun missing = RunAndStore({Fixture("header-missing-direction.csv"), "", ""});
    ASSERT_FALSE(missing.run.ok());
    EXPECT_EQ(missing.run.error().message, "无法识别文件“header-missing-direction.csv”的格式：找不到列 性质。");
    EXPECT_TRUE(missing.tables[0].empty());

    const std::string odd = folder.Write("600000_20241204.csv",
                                         "成交时间,成交价格,成交量,性质\n09:30:00,10.00,5,买盘\n"
                                         "09:30:01,10.00,5,主动买\n");
    const StoredRun word = RunAndStore({odd, "", ""});
    ASSERT_FALSE(word.run.ok());
    EXPECT_EQ(word.run.error().message,
              "文件“600000_20241204.csv”第3行的方向“主动买”无法识别，应为 买盘、卖盘 或 中性盘。");
    EXPECT_TRUE(word.tables[0].empty());

    // Placeholders in the file name or the word are text, not places to fill.
    const std::string odd2 = folder.Write("a%d%s_20241204_600000.csv", "时间,价格,成交量,性质\n09:30:00,10.00,5,%s\n");
    EXPECT_EQ(RunStatistics({odd2, "", ""}, nullptr).error().message,
              "文件“a%d%s_20241204_600000.csv”第2行的方向“%s”无法识别，应为 买盘、卖盘 或 中性盘。");

    const StoredRun noDate = RunAndStore({Fixture("header-openpyxl-no-date.xlsx"), "", ""});
    ASSERT_FALSE(noDate.run.ok());
    EXPECT_EQ(noDate.run.error().message,
              "“header-openpyxl-no-date.xlsx”的文件名中没有日期，请用 --date YYYYMMDD 指定交易日期。");
    EXPECT_TRUE(noDate.tables[0].empty());

    const auto unreadable = RunStatistics({folder.Write("empty.csv", ""), "", ""}, nullptr);
    EXPECT_EQ(unreadable.error().message, kMsgOpenFailed);
    EXPECT_FALSE(unreadable.error().detail.empty());
}

TEST(CTickTable, TheConfirmHookSeesTheGuessAndDecides) {
    TestDatabase db;
    DayIdentity seen;
    StatisticsInputs inputs{Fixture("header-bom-sz000001_20241204.csv"), "", ""};
    inputs.dayOverrides.storedStockOf = [](const std::string& code) { return "平安银行(" + code + ")"; };
    inputs.dayOverrides.confirm = [&seen](const DayIdentity& guess) -> std::optional<DayIdentity> {
        seen = guess;
        return std::nullopt;
    };
    const auto cancelled = RunStatistics(inputs, nullptr);
    ASSERT_FALSE(cancelled.ok());
    EXPECT_EQ(cancelled.error().message, "");
    EXPECT_EQ(seen.tradeDate, "20241204");
    EXPECT_EQ(seen.stock, "平安银行(000001)");

    inputs.dayOverrides.confirm = [](const DayIdentity&) -> std::optional<DayIdentity> {
        return DayIdentity{"20241205", "万科A（000002）"};
    };
    const auto confirmed = RunStatistics(inputs, nullptr);
    ASSERT_TRUE(confirmed.ok()) << confirmed.error().message;
    EXPECT_EQ(confirmed->day.masterId, "万科A(000002)20241205");

    inputs.dayOverrides.confirm = [](const DayIdentity&) -> std::optional<DayIdentity> {
        return DayIdentity{"20241232", "万科A(000002)"};
    };
    EXPECT_EQ(RunStatistics(inputs, nullptr).error().message, "日期“20241232”无效，应为 YYYYMMDD，例如 20241204。");
}

TEST(CTickTable, TheStandardLayoutPassesThroughUntouched) {
    CExcelReader reader;
    CTickTable table;
    ASSERT_TRUE(reader.OpenWorkbook(Fixture("worked-day.xls")));
    ASSERT_TRUE(table.Open(Fixture("worked-day.xls"), FixtureDay()).ok());
    EXPECT_EQ(table.Kind(), TickLayoutKind::Standard);
    for (int row = 1; row <= 12; ++row) {
        for (int column = 1; column <= 6; ++column) {
            EXPECT_EQ(table.GetCellText(row, column), reader.GetCellText(row, column)) << row << "," << column;
        }
    }
}

}  // namespace
}  // namespace moxtel::test

namespace moxtel::test {
namespace {

TEST(InspectTickTable, TellsTheLayoutAndTheGuessWithoutAsking) {
    auto info = InspectTickTable(Fixture("header-openpyxl-no-date.xlsx"));
    ASSERT_TRUE(info.ok()) << info.error().message;
    EXPECT_EQ(info->kind, TickLayoutKind::Header);
    EXPECT_EQ(info->tradeCount, kFixtureTrades);
    EXPECT_EQ(info->guess.tradeDate, "");  // unknown, not refused
    EXPECT_EQ(info->guess.stock, "");

    info = InspectTickTable(Fixture("header-pandas-index-000001-2024-12-04.csv"),
                            {"", "", [](const std::string& code) { return "平安银行(" + code + ")"; }});
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->guess.tradeDate, "20241204");
    EXPECT_EQ(info->guess.stock, "平安银行(000001)");

    info = InspectTickTable(Fixture("worked-day.xlsx"));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->kind, TickLayoutKind::Standard);

    EXPECT_EQ(InspectTickTable(Fixture("header-missing-direction.csv")).error().message,
              "无法识别文件“header-missing-direction.csv”的格式：找不到列 性质。");
    EXPECT_EQ(InspectTickTable(Fixture("missing.csv")).error().message, kMsgOpenFailed);
}

}  // namespace
}  // namespace moxtel::test
