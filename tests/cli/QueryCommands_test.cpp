#include <nlohmann/json.hpp>

#include <algorithm>

#include "CliTestSupport.h"

namespace moxtel::test {
namespace {

using HistoryCommand = CliTest;
using DayCommand = CliTest;

TEST_F(HistoryCommand, ListsStoredDaysInTheRangeAsJsonCsvAndText) {
    ASSERT_EQ(Run({"stats", WorkedDayText("a.xls", "20000101 ABC (600000)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("b.xls", "20000102 ABC (600000)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("c.xls", "20000103 ABC (600000)")}).status, 0);

    auto r = Run({"history", "ABC(600000)", "20000102", "2000-01-03", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* piece : {"\"日期\"", "\"0-300(手)\"", "\"1000-1000+(手)\"", "\"流向(加未知流向)\"",
                              "\"date\": \"2000-01-02\"", "\"date\": \"2000-01-03\"",
                              "\"masterId\": \"ABC(600000)20000103\"", "\"-1200(-120.0万元)\"", "16777215",
                              "65280"}) {
        EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;
    }
    EXPECT_EQ(r.out.find("2000-01-01"), std::string::npos);
    // The history total leaves uncertain trades out: 150 in + 1200 out.
    EXPECT_NE(r.out.find("\"1350(135.1万元)\""), std::string::npos);

    r = Run({"history", "ABC(600000)", "20000101", "20000103", "--csv"});
    ASSERT_EQ(r.status, 0);
    // One column per number: lots and 万元 apart, a spreadsheet reads them as numbers.
    EXPECT_EQ(r.out.rfind("日期,0-300(手),0-300(万元),300-500(手),300-500(万元),500-800(手),500-800(万元),"
                          "800-1000(手),800-1000(万元),1000-1000+(手),1000-1000+(万元),流向(手),流向(万元),"
                          "流向(加未知流向)(手),流向(加未知流向)(万元),总量(手),总量(万元),主力净额(万元),主力净占比(%)\r\n",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("\r\n2000-01-03,"), std::string::npos);
    // The last day's total, then 主力: the 1200 lots at 10.00 out (120万元, 超大单) of the day's 170.12万元.
    EXPECT_NE(r.out.find(",1350,135.1,-120.0,-70.54\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("万元", r.out.find("\r\n")), std::string::npos);  // numbers only below the header
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4);
}

TEST_F(HistoryCommand, EmptyRangesAndMissingInputs) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    auto r = Run({"history", "ABC(600000)", "20000103", "20000101", "--json"});
    EXPECT_EQ(r.status, 2);  // FROM after TO is wrong usage, not an empty list
    EXPECT_EQ(r.out, "");
    r = Run({"history", "ABC(600000)", "20000102", "20000103", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"rows\": []"), std::string::npos);
    r = Run({"history", "", "20000101", "20000103"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("请选择需要统计的股票!"), std::string::npos);
    EXPECT_EQ(Run({"history", "ABC(600000)", "20000101"}).status, 2);
    EXPECT_EQ(Run({"history", "ABC(600000)", "20000101", "20000102", "--json", "--csv"}).status, 2);
    EXPECT_EQ(Run({"history", "ABC(600000)", "20000101", "20000102", "--template", "none"}).status, 1);
}

TEST_F(DayCommand, ShowsAStoredDayWithUncertainTradesNewestFirst) {
    ASSERT_EQ(Run({"stats", WorkedDayText(), "--previous-close", "10.00"}).status, 0);
    const auto r = Run({"day", "ABC(600000)20000101", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* piece : {"\"title\": \"ABC(600000)2000-01-01\"",
                              // Stored amounts have one decimal: 15.1 + 120.0 + the trades' 35.06.
                              "\"total\": \"1700(170.2万元)\"",
                              "\"label\": \"0--100\"", "\"label\": \"1000----\"", "\"label\": \"1000---\"",
                              "\"before\": \"-1200\"", "\"after\": \"150\"", "\"transunknow\": \"300\""}) {
        EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;
    }
    EXPECT_LT(r.out.find("09:30:12"), r.out.find("09:30:01"));
}

// An uncertain trade reads the same from a run and from the stored day: the same fields in the same
// order with the same values, the neighbours' signed lots included.
TEST_F(DayCommand, UncertainTradesHaveTheShapeOfARunsTrades) {
    const auto run = Run({"stats", WorkedDayText(), "--previous-close", "10.00", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto day = Run({"day", "ABC(600000)20000101", "--json"});
    ASSERT_EQ(day.status, 0) << day.err;
    const auto ran = nlohmann::ordered_json::parse(run.out)["uncertainTrades"];
    auto stored = nlohmann::ordered_json::parse(day.out)["uncertainTrades"];
    ASSERT_EQ(ran.size(), 2u);
    ASSERT_EQ(stored.size(), 2u);
    std::reverse(stored.begin(), stored.end());  // the day lists the newest first
    EXPECT_EQ(stored, ran);
    const std::vector<std::string> keys{"pricebefor", "priceend", "transbef",    "transend", "flagbef",
                                        "flagend",    "masterid", "gpcode",      "transunknow", "price",
                                        "datet",      "before",   "after"};
    for (const auto& trade : ran) {
        std::vector<std::string> names;
        for (const auto& item : trade.items()) names.push_back(item.key());
        EXPECT_EQ(names, keys);
    }
    // The first trade follows the previous close; the last one an outflow of 1200 and nothing after it.
    EXPECT_EQ(ran[0].dump(), R"j({"pricebefor":"10.00","priceend":"10.04","transbef":"0","transend":"150",)j"
                             R"j("flagbef":"未知","flagend":"入","masterid":"ABC(600000)20000101",)j"
                             R"j("gpcode":"ABC(600000)","transunknow":"50","price":"10.00","datet":"09:30:01",)j"
                             R"j("before":"0","after":"150"})j");
    EXPECT_EQ(ran[1]["before"], "-1200");
    EXPECT_EQ(ran[1]["flagbef"], "出");
    EXPECT_EQ(ran[1]["after"], "0");
}

TEST_F(DayCommand, UnknownDayIsAFailureWithoutATableOfZeros) {
    const auto r = Run({"day", "NOPE20000101", "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no such stored day"), std::string::npos);
}

}  // namespace
}  // namespace moxtel::test
