#include "core/layout/CTickTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

#include "LayoutTestSupport.h"
#include "core/common/TextUtil.h"
#include "core/workbook/CExcelReader.h"

namespace moxtel::test {
namespace {

constexpr int kFixtureTrades = 60;

struct ContainerCase {
    const char* file;
    bool needsDay;                // neither the file name nor the table carries one date
    const char* codes = nullptr;  // --direction-codes, where the numbers are not 1/-1/0
};
void PrintTo(const ContainerCase& c, std::ostream* os) { *os << c.file; }

class HeaderContainers : public ::testing::TestWithParam<ContainerCase> {
  protected:
    StatisticsInputs Inputs() const {
        StatisticsInputs inputs{Fixture(GetParam().file), "11.49", "0.8"};
        // The date comes from the file name where it has one; the name of the stock never does.
        inputs.dayOverrides = GetParam().needsDay ? FixtureDay() : DayOverrides{"", "平安银行(000001)"};
        if (GetParam().codes) inputs.dayOverrides.directionCodes = *ParseDirectionCodes(GetParam().codes);
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
                                           ContainerCase{"header-openpyxl-no-date.xlsx", true},
                                           // English headers; numbers 1/-1/0 and a date in the time cell.
                                           ContainerCase{"by-folder/sz/000001/tick/2024-12-04.csv", false},
                                           // Rows in neither order (whole seconds moved): sorted by time.
                                           ContainerCase{"header-english-shuffled-000001-20241204.csv", false},
                                           // The date from a date column, B/S/N in lower case.
                                           ContainerCase{"header-date-and-time-000001.csv", false},
                                           // Real date-time cells and the codes 0/1/2 the user explained.
                                           ContainerCase{"header-datetime-codes-012-000001.xlsx", false, "0,1,2"},
                                           // Two days in one table: the one asked for.
                                           ContainerCase{"header-two-days-000001.csv", true},
                                           // A quote site's download named by its seven-digit code.
                                           ContainerCase{"1000001.xls", true},
                                           // The site's workbook: code and date in its sheet's name.
                                           ContainerCase{"quote-download.xls", false},
                                           // A data library's frame: 买卖盘性质, a code and a fetch time.
                                           ContainerCase{"frame-20241204.csv", false},
                                           // Level-2 records: shares, milliseconds, N, and a second stock.
                                           ContainerCase{"level2-two-stocks.csv", false}));

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
    EXPECT_EQ(
        missing.run.error().message,
        "无法识别文件“header-missing-direction.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 "
        "性质(买盘/卖盘) 列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。");
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

// Header tables as saved by hand or by odd tools: footers, blank lines, bad cells. Warnings name the
// file's own lines; rows that are no trades never change the figures.
struct OddTableCase {
    const char* name;
    const char* text;                   // after the header line 成交时间,成交价格,成交量,性质
    std::vector<std::string> warnings;  // "@" stands for the path
    double lots;                        // all trades together
    const char* firstPrice;
    const char* lastPrice;
};
void PrintTo(const OddTableCase& c, std::ostream* os) { *os << c.name; }

class OddHeaderTables : public ::testing::TestWithParam<OddTableCase> {};

double AllLots(const DayFlowResult& day) {
    double lots = 0;
    for (int k = 1; k <= kBucketCount; ++k) lots += day.inflow[k].lots + day.outflow[k].lots + day.uncertain[k].lots;
    return lots;
}

TEST_P(OddHeaderTables, WarnWithTheFileLinesAndKeepEveryTrade) {
    const TestFolder folder;
    const std::string path =
        folder.Write("600000_20241204.csv", std::string("成交时间,成交价格,成交量,性质\n") + GetParam().text);
    std::vector<std::string> warnings;
    StatisticsObserver observer;
    observer.warning = [&warnings](const FileWarning& w) { warnings.push_back(w.Text()); };
    const auto run = RunStatistics({path, "10.00", ""}, nullptr, observer);
    ASSERT_TRUE(run.ok()) << run.error().message;
    std::vector<std::string> expected;
    for (std::string w : GetParam().warnings) expected.push_back(w.replace(0, 1, path));
    EXPECT_EQ(warnings, expected);
    EXPECT_EQ(AllLots(run->day), GetParam().lots);
    EXPECT_EQ(run->day.firstPriceText, GetParam().firstPrice);
    EXPECT_EQ(run->day.lastPriceText, GetParam().lastPrice);
}

INSTANTIATE_TEST_SUITE_P(
    Crafted, OddHeaderTables,
    ::testing::Values(
        OddTableCase{"BadPriceLatestFirst",
                     "09:30:04,10.00,100,买盘\n09:30:03,abc,200,卖盘\n09:30:02,10.02,300,中性盘\n09:30:01,10.01,400,买盘\n",
                     {"@: 1 行成交的价格或成交量不是数字，按 0 计算(第 3 行)"}, 1000, "10.02", "10.00"},
        OddTableCase{"BadCellsEarliestFirst",
                     "09:30:01,10.01,1,买盘\n09:30:02,--,2,买盘\n09:30:03,10.03,x,卖盘\n09:30:04,10.04,4,卖盘\n",
                     {"@: 2 行成交的价格或成交量不是数字，按 0 计算(第 3, 4 行)"}, 7, "--", "10.04"},
        // The first lines of the file are the last trades in time.
        OddTableCase{"ManyBadCellsLatestFirst",
                     "09:30:07,x,1,买盘\n09:30:06,x,1,买盘\n09:30:05,x,1,买盘\n09:30:04,x,1,买盘\n09:30:03,x,1,买盘\n"
                     "09:30:02,10.02,1,买盘\n09:30:01,x,1,买盘\n",
                     {"@: 6 行成交的价格或成交量不是数字，按 0 计算(第 2, 3, 4, 5, 6, ... 行)"}, 7, "10.02", "x"},
        OddTableCase{"OnlyTheHeader", "", {"@: 没有成交记录(表头下没有成交行)"}, 0, "", ""},
        OddTableCase{"OnlyAFooter", "合计,,0,\n", {"@: 没有成交记录(表头下没有成交行)", "@: 1 行不是成交(空行、合计或说明)，已跳过(第 2 行)"}, 0, "", ""},
        OddTableCase{"FooterEarliestFirst", "09:30:01,10.01,1,买盘\n09:30:02,10.02,2,卖盘\n09:30:03,10.03,4,中性盘\n合计,,7,\n",
                     {"@: 1 行不是成交(空行、合计或说明)，已跳过(第 5 行)"}, 7, "10.02", "10.03"},
        OddTableCase{"FootersLatestFirst",
                     "09:31:25,9.93,4,买盘\n09:31:11,9.92,2,卖盘\n09:30:46,9.96,1,中性盘\n\n合计,,7,\n数据来源：新浪财经\n\n",
                     {"@: 2 行不是成交(空行、合计或说明)，已跳过(第 6, 7 行)"}, 7, "9.92", "9.93"},
        OddTableCase{"FooterWithoutTime", "09:30:01,10.01,1,买盘\n09:30:02,10.02,2,卖盘\n,,3,\n",
                     {"@: 1 行不是成交(空行、合计或说明)，已跳过(第 4 行)"}, 3, "10.02", "10.02"},
        OddTableCase{"BlankLinesBetweenTrades",
                     "09:30:01,10.01,1,买盘\n\n09:30:02,10.02,2,卖盘\n , , , \n09:30:03,10.03,4,中性盘\n",
                     {"@: 2 行不是成交(空行、合计或说明)，已跳过(第 3, 5 行)"}, 7, "10.02", "10.03"},
        OddTableCase{"BlankLinesLatestFirst",
                     "09:30:03,10.03,4,中性盘\n\n09:30:02,10.02,2,卖盘\n\n\n09:30:01,10.01,1,买盘\n",
                     {"@: 3 行不是成交(空行、合计或说明)，已跳过(第 3, 5, 6 行)"}, 7, "10.02", "10.03"},
        OddTableCase{"ManySkippedLines",
                     "09:30:01,10.01,1,买盘\n\n\n\n\n\n\n09:30:02,10.02,2,卖盘\n",
                     {"@: 6 行不是成交(空行、合计或说明)，已跳过(第 3, 4, 5, 6, 7, ... 行)"}, 3, "10.02", "10.02"},
        OddTableCase{"TrailingBlankLinesSayNothing", "09:30:01,10.01,1,买盘\n09:30:02,10.02,2,卖盘\n\n\n\n", {}, 3, "10.02", "10.02"},
        // Neither earliest nor latest first: sorted by time, one warning with the number of trades moved.
        OddTableCase{"OutOfOrderIsSorted", "09:30:02,10.02,2,卖盘\n09:30:01,10.01,1,买盘\n09:30:03,10.03,4,中性盘\n",
                     {"@: 2 行成交不按时间先后排列，已按成交时间排序"}, 7, "10.02", "10.03"},
        // Within one second the file's order stands (10.05 before 10.06), not its reverse.
        OddTableCase{"EqualSecondsKeepTheFilesOrder",
                     "09:30:02,10.05,1,买盘\n09:30:01,10.01,1,买盘\n09:30:02,10.06,2,卖盘\n",
                     {"@: 2 行成交不按时间先后排列，已按成交时间排序"}, 4, "10.05", "10.06"},
        OddTableCase{"OneSecondOnlyIsInOrder", "09:30:01,10.01,1,买盘\n09:30:01,10.02,2,卖盘\n", {}, 3, "10.02", "10.02"},
        OddTableCase{"DigitTimesLatestFirst",
                     "104347,10.27,1,买盘\n100000,10.10,2,卖盘\n92525,10.00,4,中性盘\n",
                     {}, 7, "10.10", "10.27"},
        OddTableCase{"DigitTimesWithFooter",
                     "92525,10.00,4,中性盘\n100000,10.10,2,卖盘\n104347,10.27,1,买盘\n合计,,7,\n",
                     {"@: 1 行不是成交(空行、合计或说明)，已跳过(第 5 行)"}, 7, "10.10", "10.27"}));

// A row between trades that is not blank yet holds no time cannot be read either way: refused, naming
// the line, and nothing is stored.
TEST(CTickTable, ARowWithoutATimeBetweenTradesIsRefused) {
    const TestFolder folder;
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case& c : {Case{"09:30:01,10.01,1,买盘\n小计,,1,\n09:30:02,10.02,2,卖盘\n",
                               "文件“600000_20241204.csv”第3行的成交时间“小计”不是时间，请改正或删去这一行。"},
                          Case{"09:30:01,10.01,1,买盘\n\n,10.05,1,买盘\n09:30:02,10.02,2,卖盘\n",
                               "文件“600000_20241204.csv”第4行的成交时间“”不是时间，请改正或删去这一行。"},
                          Case{"时,元,手,\n09:30:01,10.01,1,买盘\n",
                               "文件“600000_20241204.csv”第2行的成交时间“时”不是时间，请改正或删去这一行。"}}) {
        const std::string path = folder.Write("600000_20241204.csv", std::string("成交时间,成交价格,成交量,性质\n") + c.text);
        const StoredRun stored = RunAndStore({path, "", ""});
        ASSERT_FALSE(stored.run.ok()) << c.text;
        EXPECT_EQ(stored.run.error().message, c.message);
        for (const auto& table : stored.tables) EXPECT_TRUE(table.empty()) << c.text;
    }
}

// Numbers whose meaning is open and a table of several dates without one chosen are refused
// naming what was found and the option that settles it; nothing is stored.
TEST(CTickTable, OpenCodesAndSeveralDatesAreRefusedNamingThem) {
    const TestFolder folder;
    struct Case {
        const char* text;  // after the header line
        DayOverrides overrides;
        const char* message;
    };
    const char* codes012 = "文件“600000_20241204.csv”的方向是数字代码(0、1、2)，无法确定哪个是买盘、卖盘和中性盘："
                           "请用 --direction-codes BUY,SELL,NEUTRAL 依次指定，例如 --direction-codes 0,1,2。";
    DayOverrides withCodes;
    withCodes.directionCodes = *ParseDirectionCodes("0,1,2");
    for (const Case& c :
         {Case{"09:30:01,10.01,1,0\n09:30:02,10.02,2,1\n09:30:03,10.03,2,2\n", {}, codes012},
          Case{"09:30:01,10.01,1,1\n09:30:02,10.02,2,0\n", {},
               "文件“600000_20241204.csv”的方向是数字代码(1、0)，无法确定哪个是买盘、卖盘和中性盘："
               "请用 --direction-codes BUY,SELL,NEUTRAL 依次指定，例如 --direction-codes 0,1,2。"},
          Case{"09:30:01,10.01,1,0\n09:30:02,10.02,2,3\n", withCodes,
               "文件“600000_20241204.csv”的方向是数字代码(0、3)，无法确定哪个是买盘、卖盘和中性盘："
               "请用 --direction-codes BUY,SELL,NEUTRAL 依次指定，例如 --direction-codes 0,1,2。"},
          // The name's date does not choose among the table's own.
          Case{"2024-12-04 09:30:01,10.01,1,1\n2024-12-05 09:30:02,10.02,2,-1\n", {},
               "文件“600000_20241204.csv”中有多个交易日期(20241204、20241205)，请用 --date YYYYMMDD 指定统计哪一天。"},
          Case{"2024-12-04 09:30:01,10.01,1,1\n2024-12-05 09:30:02,10.02,2,-1\n", DayOverrides{"20241206", ""},
               "文件“600000_20241204.csv”中有多个交易日期(20241204、20241205)，请用 --date YYYYMMDD 指定统计哪一天。"}}) {
        const std::string path = folder.Write("600000_20241204.csv", std::string("time,price,volume,type\n") + c.text);
        StatisticsInputs inputs{path, "", ""};
        inputs.dayOverrides = c.overrides;
        const StoredRun stored = RunAndStore(inputs);
        ASSERT_FALSE(stored.run.ok()) << c.text;
        EXPECT_EQ(stored.run.error().message, c.message);
        for (const auto& table : stored.tables) EXPECT_TRUE(table.empty()) << c.text;
    }
}

// Of a table of several dates the day chosen is read alone, in its own time order, under its date.
TEST(CTickTable, TheDayChosenOfSeveralIsReadAlone) {
    const TestFolder folder;
    const std::string path = folder.Write("600000.csv", "datetime,price,volume,bs\n"
                                                        "2024-12-05 09:30:02,20.02,20,S\n"
                                                        "2024-12-04 09:30:02,10.02,2,B\n"
                                                        "2024-12-05 09:30:01,20.01,10,B\n"
                                                        "2024-12-04 09:30:01,10.01,1,S\n");
    CTickTable table;
    ASSERT_TRUE(table.Open(path, DayOverrides{"20241205", ""}).ok());
    EXPECT_EQ(table.TableDates(), (std::vector<std::string>{"20241205", "20241204"}));
    EXPECT_EQ(table.TradeCount(), 2);
    EXPECT_EQ(table.Identity().tradeDate, "20241205");
    EXPECT_EQ(table.Identity().stock, "600000(600000)");
    EXPECT_EQ(table.GetCellText(6, 1), "09:30:01");
    EXPECT_EQ(table.GetCellText(6, 2), "20.01");
    EXPECT_EQ(table.GetCellText(6, 5), "B");
    EXPECT_EQ(table.GetCellText(7, 2), "20.02");
    EXPECT_EQ(table.GetCellText(8, 2), "");
    EXPECT_EQ(table.SourceLine(6), 4);
    EXPECT_EQ(table.SortedTrades(), 0);  // the day's own rows ran latest first

    // Open without a day: every trade of every date, and the dates to ask about.
    const auto info = InspectTickTable(path);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->tradeCount, 4);
    EXPECT_EQ(info->dates.size(), 2u);
    EXPECT_EQ(info->guess.tradeDate, "");
}

// A table of two stocks is read one stock at a time: the stock must be named, and a quantity in
// shares that is no whole lot reads as its fraction of a lot.
TEST(CTickTable, ALevel2TableOfTwoStocksIsReadOneStockAtATime) {
    const std::string path = Fixture("level2-two-stocks.csv");
    const StoredRun none = RunAndStore({path, "", ""});
    ASSERT_FALSE(none.run.ok());
    EXPECT_EQ(none.run.error().message,
              "文件“level2-two-stocks.csv”中有多只股票(000001、600000)，请用 --stock 代码 指定统计哪一只。");
    for (const auto& table : none.tables) EXPECT_TRUE(table.empty());
    StatisticsInputs other{path, "", ""};
    other.dayOverrides.stock = "万科A(000002)";  // a stock the table does not hold
    const StoredRun absent = RunAndStore(other);
    ASSERT_FALSE(absent.run.ok());
    EXPECT_EQ(absent.run.error().message, none.run.error().message);

    CTickTable table;
    ASSERT_TRUE(table.Open(path, DayOverrides{"", "600000"}).ok());
    EXPECT_EQ(table.TableCodes(), (std::vector<std::string>{"000001", "600000"}));
    EXPECT_EQ(table.Identity().stock, "600000(600000)");
    EXPECT_EQ(table.Identity().tradeDate, "20241204");
    EXPECT_EQ(table.TradeCount(), 20);
    EXPECT_EQ(table.GetCellText(6, 1), "09:30:01");
    EXPECT_EQ(table.GetCellText(6, 3), "1.5");
    EXPECT_EQ(table.GetCellNumber(6, 3).value, 1.5);
    EXPECT_EQ(table.GetCellText(6, 5), "B");
    EXPECT_EQ(table.SourceLine(6), 3);
    EXPECT_EQ(table.GetCellText(7, 3), "1.53");

    const auto info = InspectTickTable(path);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->days, (std::vector<std::pair<std::string, std::string>>{{"000001", "20241204"},
                                                                             {"600000", "20241204"}}));
    EXPECT_EQ(info->guess.stock, "");
}

// An uncertain trade of a fraction of a lot is counted and shown as that fraction.
TEST(CTickTable, AFractionOfALotIsCountedAsSuch) {
    const TestFolder folder;
    const std::string path = folder.Write("l2-600000.csv", "TradeTime,TradePrice,TradeQty,BSFlag\n"
                                                           "2021.01.04T09:25:00.630,10.00,150,N\n"
                                                           "2021.01.04T09:30:00.010,10.00,9950,B\n");
    StatisticsInputs inputs{path, "", ""};
    const StoredRun stored = RunAndStore(inputs);
    ASSERT_TRUE(stored.run.ok()) << stored.run.error().message;
    EXPECT_EQ(stored.run->day.uncertain[1].lots, 1.5);
    EXPECT_EQ(stored.run->day.inflow[1].lots, 99.5);
    ASSERT_EQ(stored.run->uncertainTrades.size(), 1u);
    EXPECT_EQ(stored.run->uncertainTrades[0].transunknow, "1.5");
    EXPECT_EQ(stored.run->uncertainTrades[0].transend, "99.5");
    EXPECT_EQ(stored.run->uncertainTrades[0].datet, "09:25:00");
}

// A text export larger than the reader keeps whole is read through a window of lines: sorted, its
// trades are still read right (from a copy taken in one forward pass), giving the day in order.
TEST(CTickTable, ALargeTextExportOutOfOrderGivesTheDayInOrder) {
    const TestFolder folder;
    std::vector<std::string> seconds;  // the trades of each second, in order
    for (int i = 0; i < 60000; ++i) {
        const int t = 9 * 3600 + 30 * 60 + i / 4;
        if (i % 4 == 0) seconds.emplace_back();
        char line[64];
        std::snprintf(line, sizeof line, "%02d:%02d:%02d,%d.%02d,%d,%s\n", t / 3600, t / 60 % 60, t % 60, 10 + i % 3,
                      i % 100, 1 + i * 7 % 1500, i % 3 == 0 ? "买盘" : i % 3 == 1 ? "卖盘" : "中性盘");
        seconds.back() += line;
    }
    std::string inOrder = "成交时间,成交价格,成交量,性质\n";
    std::string shuffled = inOrder;
    for (const std::string& second : seconds) inOrder += second;
    for (std::size_t k = 0; k < seconds.size(); ++k) shuffled += seconds[(k * 7919) % seconds.size()];
    ASSERT_GT(shuffled.size(), std::size_t{1} << 20);
    const auto ordered = RunStatistics({folder.Write("600000_20241204.csv", inOrder), "10.00", ""}, nullptr);
    std::vector<std::string> warnings;
    StatisticsObserver observer;
    observer.warning = [&warnings](const FileWarning& w) { warnings.push_back(w.Text()); };
    const auto sorted = RunStatistics({folder.Write("600000_20241205.csv", shuffled), "10.00", ""}, nullptr, observer);
    ASSERT_TRUE(ordered.ok()) << ordered.error().message;
    ASSERT_TRUE(sorted.ok()) << sorted.error().message;
    EXPECT_EQ(sorted->uncertainTrades.size(), ordered->uncertainTrades.size());
    EXPECT_EQ(sorted->day.firstPriceText, ordered->day.firstPriceText);
    EXPECT_EQ(sorted->day.lastPriceText, ordered->day.lastPriceText);
    for (int k = 1; k <= kBucketCount; ++k) {
        EXPECT_EQ(sorted->day.uncertainUp[k].lots, ordered->day.uncertainUp[k].lots) << k;
        EXPECT_EQ(sorted->day.inflow[k].amount, ordered->day.inflow[k].amount) << k;
    }
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("行成交不按时间先后排列，已按成交时间排序"), std::string::npos) << warnings[0];
}

// The dialog is shown the codes it has to ask about, and its answer decides the directions.
TEST(CTickTable, TheConfirmHookIsAskedForOpenCodes) {
    const TestFolder folder;
    const std::string path = folder.Write("600000_20241204.csv", "time,price,volume,side\n09:30:01,10.01,1,0\n"
                                                                 "09:30:02,10.02,2,1\n09:30:03,10.03,4,2\n");
    DayOverrides overrides;
    std::vector<std::string> asked;
    overrides.confirm = [&asked](const DayIdentity& guess) -> std::optional<DayIdentity> {
        asked = guess.codesToExplain;
        DayIdentity answer = guess;
        answer.directionCodes = *ParseDirectionCodes("2,0,1");
        return answer;
    };
    CTickTable table;
    ASSERT_TRUE(table.Open(path, overrides).ok());
    EXPECT_EQ(asked, (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(table.GetCellText(6, 5), "S");
    EXPECT_EQ(table.GetCellText(7, 5), "");
    EXPECT_EQ(table.GetCellText(8, 5), "B");

    // Codes the defaults explain are not asked about.
    const std::string plain = folder.Write("600000_20241205.csv", "time,price,volume,side\n09:30:01,10.01,1,1\n"
                                                                  "09:30:02,10.02,2,-1\n");
    asked = {"unchanged"};
    overrides.confirm = [&asked](const DayIdentity& guess) -> std::optional<DayIdentity> {
        asked = guess.codesToExplain;
        return guess;
    };
    ASSERT_TRUE(table.Open(plain, overrides).ok());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(table.GetCellText(7, 5), "S");
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
    EXPECT_EQ(cancelled.error().kind, ErrorKind::Cancelled);
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

// The tick rule in the order the trades are presented (time order), within the stock chosen.
struct TickRuleCase {
    const char* name;
    const char* text;  // a list without a direction column, named 600000_20241204.csv
    const char* stock;
    std::vector<std::string> directions;  // presented column 5, earliest first
};
void PrintTo(const TickRuleCase& c, std::ostream* os) { *os << c.name; }

class TickRule : public ::testing::TestWithParam<TickRuleCase> {};

TEST_P(TickRule, InfersTheDirectionsOfAListWithoutThem) {
    const TestFolder folder;
    const std::string path = folder.Write("600000_20241204.csv", GetParam().text);
    DayOverrides overrides{"", GetParam().stock};
    CTickTable refused;
    EXPECT_EQ(refused.Open(path, overrides).error().message,
              FillPlaceholders(kMsgNoDirection, {std::string("600000_20241204.csv")}));
    overrides.inferDirection = true;
    CTickTable table;
    ASSERT_TRUE(table.Open(path, overrides).ok());
    EXPECT_TRUE(table.InferredDirection());
    std::vector<std::string> directions;
    for (int row = 6; row < 6 + table.TradeCount(); ++row) directions.push_back(table.GetCellText(row, 5));
    EXPECT_EQ(directions, GetParam().directions);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, TickRule,
    ::testing::Values(
        TickRuleCase{"UpDownAndEqual",
                     "Time,Price,Volume\n09:30:00,10.00,1\n09:30:01,10.01,1\n09:30:02,10.01,1\n09:30:03,10.00,1\n"
                     "09:30:04,10.00,1\n09:30:05,10.02,1\n",
                     "",
                     {"", "B", "B", "S", "S", "B"}},
        // Equal prices before the first change stay neutral.
        TickRuleCase{"EqualAtTheStart",
                     "Time,Price,Volume\n09:30:00,10.00,1\n09:30:01,10.00,1\n09:30:02,9.99,1\n",
                     "",
                     {"", "", "S"}},
        // Latest first: the rule runs in time order, not in the file's.
        TickRuleCase{"LatestFirst",
                     "Time,Price,Volume\n09:30:03,10.00,1\n09:30:02,10.02,1\n09:30:01,10.01,1\n09:30:00,10.01,1\n",
                     "",
                     {"", "", "B", "S"}},
        // Two stocks interleaved: each stock's trades compared with its own.
        TickRuleCase{"OneStockOfTwo",
                     "Symbol,Time,Price,Volume\n600000,09:30:00,10.00,1\n000001,09:30:00,20.00,1\n"
                     "600000,09:30:01,10.01,1\n000001,09:30:01,5.00,1\n600000,09:30:02,10.01,1\n",
                     "600000",
                     {"", "B", "B"}}));

TEST(CTickTable, TheConfirmHookDecidesWhetherToInferDirections) {
    const std::string path = Fixture("no-direction-000001-20241204.csv");
    StatisticsInputs inputs{path, "", ""};
    bool asked = false;
    inputs.dayOverrides.confirm = [&asked](const DayIdentity& guess) -> std::optional<DayIdentity> {
        asked = guess.directionMissing && !guess.inferDirection;
        return guess;
    };
    EXPECT_EQ(RunStatistics(inputs, nullptr).error().message,
              FillPlaceholders(kMsgNoDirection, {std::string("no-direction-000001-20241204.csv")}));
    EXPECT_TRUE(asked);
    // An answer that knows nothing of the missing column still leaves the list refused, not all neutral.
    inputs.dayOverrides.confirm = [](const DayIdentity&) -> std::optional<DayIdentity> {
        return DayIdentity{"20241204", "000001"};
    };
    EXPECT_FALSE(RunStatistics(inputs, nullptr).ok());
    inputs.dayOverrides.confirm = [](const DayIdentity& guess) -> std::optional<DayIdentity> {
        DayIdentity chosen = guess;
        chosen.inferDirection = true;
        return chosen;
    };
    const auto run = RunStatistics(inputs, nullptr);
    ASSERT_TRUE(run.ok()) << run.error().message;
    EXPECT_TRUE(run->day.inferredDirection);
    EXPECT_EQ(run->day.masterId, "000001(000001)20241204");
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

    EXPECT_EQ(
        InspectTickTable(Fixture("header-missing-direction.csv")).error().message,
        "无法识别文件“header-missing-direction.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 "
        "性质(买盘/卖盘) 列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。");
    EXPECT_EQ(InspectTickTable(Fixture("missing.csv")).error().message, kMsgOpenFailed);
}

}  // namespace
}  // namespace moxtel::test
