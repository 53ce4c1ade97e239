#include "CliTestSupport.h"

namespace moxtel::test {
namespace {

using StatsLayouts = CliTest;

std::string Fixture(const std::string& name) { return std::string(MOXTEL_TEST_DATA_DIR) + "/" + name; }

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

TEST_F(StatsLayouts, HeaderTablesOfEveryContainerGiveTheStandardDaysFigures) {
    const auto standard = Run({"stats", Fixture("layout-standard-day.xls"), "--no-store", "--json"});
    ASSERT_EQ(standard.status, 0) << standard.err;
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{Fixture("header-bom-sz000001_20241204.csv"), "--stock", "平安银行(000001)"},
          {Fixture("header-pandas-index-000001-2024-12-04.csv"), "--stock", "平安银行(000001)"},
          {Fixture("header-gbk-tab-20241204_000001.xls"), "--stock", "平安银行（000001）"},
          {Fixture("header-openpyxl-no-date.xlsx"), "--date", "20241204", "--stock", "平安银行(000001)"},
          {Fixture("header-openpyxl-no-date.xlsx"), "--date=20241204", "--stock=平安银行(000001)"},
          // The English shapes: a folder gives the code, the table its date, --date one of two days.
          {Fixture("by-folder/sz/000001/tick/2024-12-04.csv"), "--stock", "平安银行(000001)"},
          {Fixture("header-english-shuffled-000001-20241204.csv"), "--stock", "平安银行(000001)"},
          {Fixture("header-date-and-time-000001.csv"), "--stock", "平安银行(000001)"},
          {Fixture("header-datetime-codes-012-000001.xlsx"), "--stock", "平安银行(000001)", "--direction-codes", "0,1,2"},
          {Fixture("header-two-days-000001.csv"), "--date", "2024-12-04", "--stock", "平安银行(000001)"},
          // A quote site's download, a data library's frame, Level-2 records of two stocks.
          {Fixture("1000001.xls"), "--date", "20241204", "--stock", "平安银行(000001)"},
          {Fixture("frame-20241204.csv"), "--stock", "平安银行(000001)"},
          {Fixture("level2-two-stocks.csv"), "--stock", "平安银行(000001)"}}) {
        std::vector<std::string> args{"stats", "--no-store", "--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = Run(args);
        ASSERT_EQ(r.status, 0) << extra[0] << "\n" << r.err;
        EXPECT_EQ(r.out, standard.out) << extra[0];
    }
}

TEST_F(StatsLayouts, TheFileNameGivesDateAndCodeAndAStoredDayGivesTheName) {
    auto r = Run({"stats", Fixture("header-bom-sz000001_20241204.csv"), "--no-store", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"000001(000001)20241204\"")) << r.out;

    // Once a day of 平安银行(000001) is stored, its name is used for the code.
    ASSERT_EQ(Run({"stats", WorkedDayText("old.xls", "20241203 平安银行 (000001)")}).status, 0);
    r = Run({"stats", Fixture("header-bom-sz000001_20241204.csv"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"平安银行(000001)20241204\"")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\"yesId\": \"平安银行(000001)20241203\"")) << r.out;
    EXPECT_EQ(Count("select rowid from gpmaster where code=?", {"平安银行(000001)"}), 2);

    // A bare code in --stock is looked up the same way.
    r = Run({"stats", Fixture("header-openpyxl-no-date.xlsx"), "--date", "20241205", "--stock", "000001", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"平安银行(000001)20241205\"")) << r.out;
}

TEST_F(StatsLayouts, RefusalsSayWhatIsMissingAndStoreNothing) {
    auto r = Run({"stats", Fixture("header-openpyxl-no-date.xlsx")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "请用 --date YYYYMMDD 指定交易日期")) << r.err;

    r = Run({"stats", Fixture("header-openpyxl-no-date.xlsx"), "--date", "20241204"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "请用 --stock 名称(代码) 指定股票")) << r.err;

    // An impossible day is wrong usage, as every date on the command line.
    r = Run({"stats", Fixture("header-openpyxl-no-date.xlsx"), "--date", "2024-12-32", "--stock", "平安银行(000001)"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "--date: 2024-12-32 is not a date YYYYMMDD or YYYY-MM-DD")) << r.err;

    r = Run({"stats", Fixture("header-bom-sz000001_20241204.csv"), "--stock", "平安银行"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "股票“平安银行”无效")) << r.err;

    r = Run({"stats", Fixture("header-missing-direction.csv"), "--date", "20241204", "--stock", "000001"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(
        r.err,
        "无法识别文件“header-missing-direction.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 "
        "性质(买盘/卖盘) 列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。"))
        << r.err;

    EXPECT_EQ(Run({"stats", Fixture("header-bom-sz000001_20241204.csv"), "--date"}).status, 2);
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);
}

// Codes where such files keep them: seven digits in the name, a code column; a table of two stocks
// asks which; what is no trade list is refused saying why.
TEST_F(StatsLayouts, FeedShapesFindTheirCodeOrSayWhatIsMissing) {
    auto r = Run({"stats", Fixture("1000001.xls"), "--date", "20241204", "--no-store", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"000001(000001)20241204\"")) << r.out;
    // The site's workbook names neither in the file's name, both in its sheet's; --date still comes first.
    r = Run({"stats", Fixture("quote-download.xls"), "--no-store", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"000001(000001)20241204\"")) << r.out;
    r = Run({"stats", Fixture("quote-download.xls"), "--date", "20241205", "--no-store", "--json"});
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"000001(000001)20241205\"")) << r.out;
    r = Run({"stats", Fixture("frame-20241204.csv"), "--no-store", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"000001(000001)20241204\"")) << r.out;

    r = Run({"stats", Fixture("level2-two-stocks.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "中有多只股票(000001、600000)，请用 --stock 代码 指定统计哪一只。")) << r.err;
    for (const char* file : {"snapshot-000001-20241204.csv", "no-direction-000001-20241204.csv"}) {
        r = Run({"stats", Fixture(file)});
        EXPECT_EQ(r.status, 1) << file;
        EXPECT_TRUE(Contains(r.err, std::string("无法识别文件“") + file + "”的格式：")) << r.err;
    }
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);

    r = Run({"stats", Fixture("level2-two-stocks.csv"), "--stock", "600000", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"600000(600000)20241204\"")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\"inferredDirection\": false")) << r.out;
}

// A list without directions by the tick rule, on request: stored marked, and day and history say so.
TEST_F(StatsLayouts, InferredDirectionsAreStoredMarkedAndShownSo) {
    const std::string list = Fixture("no-direction-000001-20241204.csv");
    EXPECT_EQ(Run({"stats", list, "--infer-direction", "lee-ready"}).status, 2);
    auto r = Run({"stats", list, "--infer-direction", "tick-rule"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "20241204 000001 (000001)  (推断方向：")) << r.out;
    // The same 60 trades with their true directions: equal volumes, other sides.
    const auto standard = Run({"stats", Fixture("layout-standard-day.xls"), "--no-store", "--json"});
    const auto inferred = Run({"stats", list, "--infer-direction", "tick-rule", "--no-store", "--json"});
    EXPECT_TRUE(Contains(inferred.out, "\"inferredDirection\": true")) << inferred.out;
    EXPECT_NE(inferred.out, standard.out);

    for (const std::vector<std::string>& command : {std::vector<std::string>{"day", "000001(000001)20241204"},
                                                    {"day", "000001(000001)20241204", "--json"},
                                                    {"history", "000001(000001)", "20241204", "20241204"},
                                                    {"history", "000001(000001)", "20241204", "20241204", "--json"}}) {
        r = Run(command);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, "推断方向") || Contains(r.out, "\"inferredDirection\": true")) << r.out;
    }
    // Read again with its directions, the day loses the mark.
    ASSERT_EQ(Run({"stats", Fixture("header-bom-sz000001_20241204.csv")}).status, 0);
    r = Run({"day", "000001(000001)20241204", "--json"});
    EXPECT_TRUE(Contains(r.out, "\"inferredDirection\": false")) << r.out;
    EXPECT_EQ(Count("select masterid from dayinferred"), 0);
}

// What stats cannot settle alone it refuses, naming what it found and the option to give.
TEST_F(StatsLayouts, OpenCodesSeveralDatesAndSortedRowsAreSaidOnce) {
    auto r = Run({"stats", Fixture("header-datetime-codes-012-000001.xlsx"), "--stock", "000001"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "的方向是数字代码(2、1、0)")) << r.err;
    EXPECT_TRUE(Contains(r.err, "--direction-codes 0,1,2")) << r.err;

    r = Run({"stats", Fixture("header-two-days-000001.csv"), "--stock", "000001"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "中有多个交易日期(20241204、20241205)，请用 --date YYYYMMDD 指定统计哪一天。")) << r.err;
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);

    for (const char* bad : {"0,1", "0,1,1", "buy,sell,none"}) {
        r = Run({"stats", Fixture("header-datetime-codes-012-000001.xlsx"), "--direction-codes", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(Contains(r.err, "--direction-codes: takes three different whole numbers")) << r.err;
    }

    // The second day of the two, stored under its own date; the sorted table warns once.
    r = Run({"stats", Fixture("header-two-days-000001.csv"), "--date", "20241205", "--stock", "000001", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"000001(000001)20241205\"")) << r.out;
    r = Run({"stats", Fixture("header-english-shuffled-000001-20241204.csv"), "--no-store"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "moxtel-flow: " + Fixture("header-english-shuffled-000001-20241204.csv") + ": " +
                         "60 行成交不按时间先后排列，已按成交时间排序\n");
}

TEST_F(StatsLayouts, TheStandardLayoutKeepsItsOwnTitleWhateverTheOptionsSay) {
    const auto r = Run({"stats", WorkedDayText("20241204_000001.xls"), "--date", "20241204", "--stock",
                        "平安银行(000001)", "--json", "--no-store"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"masterId\": \"ABC(600000)20000101\"")) << r.out;
}

TEST_F(StatsLayouts, StatsHelpDescribesBothLayouts) {
    const auto r = Run({"stats", "--help"});
    ASSERT_EQ(r.status, 0);
    for (const char* piece : {"--date YYYYMMDD", "--stock 名称(代码)", "20241204 平安银行 (000001)",
                              "成交时间,成交价格,价格变动,成交量,成交金额,性质", "sz000001_20241204.csv"}) {
        EXPECT_TRUE(Contains(r.out, piece)) << piece;
    }
    EXPECT_FALSE(Contains(Run({"--help"}).out, "成交时间,成交价格"));
}

}  // namespace
}  // namespace moxtel::test
