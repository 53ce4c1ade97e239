#include "core/layout/TickLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <utility>

namespace moxtel {
namespace {

struct RoleCase {
    const char* header;
    int role;
};
void PrintTo(const RoleCase& c, std::ostream* os) { *os << '"' << c.header << '"'; }

class HeaderRole : public ::testing::TestWithParam<RoleCase> {};

TEST_P(HeaderRole, NamesItsColumn) { EXPECT_EQ(HeaderRoleOf(GetParam().header), GetParam().role) << GetParam().header; }

INSTANTIATE_TEST_SUITE_P(Spellings, HeaderRole,
                         ::testing::Values(RoleCase{"成交时间", 1}, RoleCase{"时间", 1}, RoleCase{"成交价格", 2},
                                           RoleCase{"成交价", 2}, RoleCase{"价格", 2}, RoleCase{"成交量", 3},
                                           RoleCase{"成交量(手)", 3}, RoleCase{"成交量（手）", 3},
                                           RoleCase{"成交量(手）", 3}, RoleCase{"性质", 4}, RoleCase{"买卖方向", 4},
                                           RoleCase{"类型", 4}, RoleCase{"  成交时间\t", 1},
                                           RoleCase{"\xEF\xBB\xBF成交时间", 1},
                                           // Optional or foreign columns name nothing the run needs.
                                           RoleCase{"价格变动", 0}, RoleCase{"成交额", 0}, RoleCase{"成交金额", 0},
                                           RoleCase{"成交额(元)", 0}, RoleCase{"", 0}, RoleCase{"Unnamed: 0", 0},
                                           RoleCase{"成交量(股)", 0}, RoleCase{"时 间", 0}));

// The English names pandas and the data libraries write, in any case; the amount and change
// columns name nothing the run reads.
INSTANTIATE_TEST_SUITE_P(English, HeaderRole,
                         ::testing::Values(RoleCase{"time", 1}, RoleCase{"Timestamp", 1}, RoleCase{"DATETIME", 1},
                                           RoleCase{"price", 2}, RoleCase{"Volume", 3}, RoleCase{"vol", 3},
                                           RoleCase{"type", 4}, RoleCase{"Direction", 4}, RoleCase{"side", 4},
                                           RoleCase{"BS", 4}, RoleCase{"BuyOrSell", 4}, RoleCase{"date", 5},
                                           RoleCase{"日期", 5}, RoleCase{"amount", 0}, RoleCase{"turnover", 0},
                                           RoleCase{"money", 0}, RoleCase{"change", 0}, RoleCase{"times", 0},
                                           RoleCase{"buy_or_sell", 0}));

// The frames of the data libraries, the exchanges' Level-2 records and their code columns.
INSTANTIATE_TEST_SUITE_P(Feeds, HeaderRole,
                         ::testing::Values(RoleCase{"买卖盘性质", 4}, RoleCase{"内外盘", 4}, RoleCase{"BSFlag", 4},
                                           RoleCase{"TradeBSFlag", 4}, RoleCase{"bsflag", 4},
                                           RoleCase{"TradeTime", 1}, RoleCase{"TradePrice", 2},
                                           RoleCase{"TradeQty", 3}, RoleCase{"股票代码", 6}, RoleCase{"代码", 6},
                                           RoleCase{"证券代码", 6}, RoleCase{"Symbol", 6}, RoleCase{"code", 6},
                                           RoleCase{"SecurityID", 6},
                                           // When the data was fetched is no trade date; nor is an order number.
                                           RoleCase{"采集时间", 0}, RoleCase{"TradeAmount", 0}, RoleCase{"BuyNo", 0}));

struct WordCase {
    const char* word;
    bool known;
    const char* standard;
};
void PrintTo(const WordCase& c, std::ostream* os) { *os << '"' << c.word << '"'; }

class DirectionWords : public ::testing::TestWithParam<WordCase> {};

TEST_P(DirectionWords, MapToTheStandardLetters) {
    std::string standard = "unchanged";
    EXPECT_EQ(StandardDirectionOf(GetParam().word, standard), GetParam().known) << GetParam().word;
    if (GetParam().known) {
        EXPECT_EQ(standard, GetParam().standard) << GetParam().word;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, DirectionWords,
    ::testing::Values(WordCase{"买盘", true, "B"}, WordCase{"买入", true, "B"}, WordCase{"B", true, "B"},
                      WordCase{" 买盘 ", true, "B"}, WordCase{"卖盘", true, "S"}, WordCase{"卖出", true, "S"},
                      WordCase{"S", true, "S"}, WordCase{"s", true, "S"}, WordCase{"中性盘", true, ""},
                      WordCase{"中性", true, ""}, WordCase{"N", true, ""}, WordCase{"", true, ""},
                      WordCase{" ", true, ""}, WordCase{"--", true, ""},
                      // The English words of the data libraries, in any case.
                      WordCase{"Buy", true, "B"}, WordCase{"SELL", true, "S"}, WordCase{"neutral", true, ""},
                      WordCase{"n", true, ""}, WordCase{"b", true, "B"},
                      // 外盘 is bought at the ask, 内盘 sold at the bid.
                      WordCase{"外盘", true, "B"}, WordCase{"内盘", true, "S"},
                      // Anything else would silently count as inflow in the standard layout: refused.
                      // Numbers are codes, read through DirectionCodes, never words.
                      WordCase{"买", false, ""}, WordCase{"1", false, ""}, WordCase{"-1", false, ""},
                      WordCase{"buyer", false, ""}, WordCase{"买盘卖盘", false, ""}));

TEST(TimeOrder, ReadsClockTimesAndComparesThemNotTheirTexts) {
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds("09:30:01"), 9 * 3600 + 30 * 60 + 1);
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds("9:30"), 9 * 3600 + 30 * 60);
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds("2024-12-04 14:59:58.5"), 14 * 3600 + 59 * 60 + 58.5);
    EXPECT_DOUBLE_EQ(TimeOfDaySeconds("2024-12-04T10:00:00"), 10 * 3600);
    EXPECT_LT(TimeOfDaySeconds("abc"), 0);
    EXPECT_LT(TimeOfDaySeconds("0930"), 0);
    EXPECT_LT(TimeOfDaySeconds("09:30x"), 0);

    // "9:31" is later than "10:00" as text but earlier as a time.
    EXPECT_FALSE(IsLatestFirst("9:31:00", "10:00:00"));
    EXPECT_TRUE(IsLatestFirst("15:00:00", "9:25:00"));
    EXPECT_FALSE(IsLatestFirst("09:30:00", "09:30:00"));  // one second only: kept as listed
    EXPECT_TRUE(IsLatestFirst("b", "a"));                 // unreadable times compare as texts
}

// Some sources write the trade time as digits without a leading zero: 92525 is 09:25:25 and earlier
// than 100000, though later as a text.
TEST(TimeOrder, TradeTimesWithoutSeparatorsAreTimesOfTheDay) {
    struct Case {
        const char* text;
        double seconds;  // negative: no time
    };
    for (const Case& c : {Case{"92525", 9 * 3600 + 25 * 60 + 25}, Case{"092525", 9 * 3600 + 25 * 60 + 25},
                          Case{"104347", 10 * 3600 + 43 * 60 + 47}, Case{" 150000 ", 15 * 3600},
                          Case{"09:30:01", 9 * 3600 + 30 * 60 + 1}, Case{"235959", 23 * 3600 + 59 * 60 + 59},
                          Case{"240000", -1}, Case{"96000", -1}, Case{"95960", -1}, Case{"0930", -1},
                          Case{"1234567", -1}, Case{"9252", -1}, Case{"合计", -1}, Case{"", -1},
                          Case{"-92525", -1}, Case{"92525.5", -1}}) {
        if (c.seconds < 0) {
            EXPECT_LT(TradeTimeSeconds(c.text), 0) << c.text;
        } else {
            EXPECT_DOUBLE_EQ(TradeTimeSeconds(c.text), c.seconds) << c.text;
        }
    }
    EXPECT_FALSE(IsLatestFirst("92525", "104347"));
    EXPECT_TRUE(IsLatestFirst("104347", "92525"));
    EXPECT_TRUE(IsLatestFirst("150000", "09:25:00"));
}

TEST(DirectionCodes, NumbersAreReadInTheirPlainFormWhateverTheirSpelling) {
    struct Case {
        const char* cell;
        const char* code;  // "" when the cell holds no integer
    };
    for (const Case& c : {Case{"1", "1"}, Case{" -1 ", "-1"}, Case{"+1", "1"}, Case{"1.0", "1"}, Case{"-1.00", "-1"},
                          Case{"-0", "0"}, Case{"007", "7"}, Case{"2", "2"}, Case{"1.5", ""}, Case{"1e0", ""},
                          Case{"", ""}, Case{"-", ""}, Case{"B", ""}, Case{"1234567890", ""}}) {
        EXPECT_EQ(DirectionCodeOf(c.cell), c.code) << c.cell;
    }
}

TEST(DirectionCodes, TheOptionTakesThreeDifferentWholeNumbers) {
    const auto codes = ParseDirectionCodes("0,1,2");
    ASSERT_TRUE(codes.has_value());
    EXPECT_EQ(codes->buy, "0");
    EXPECT_EQ(codes->sell, "1");
    EXPECT_EQ(codes->neutral, "2");
    EXPECT_TRUE(codes->given);
    EXPECT_EQ(ParseDirectionCodes(" 1 , -1 ,0")->sell, "-1");
    for (const char* bad : {"0,1", "0,1,2,3", "0,0,1", "1,-1,+1", "a,b,c", "0,1,", "", "0;1;2"}) {
        EXPECT_FALSE(ParseDirectionCodes(bad).has_value()) << bad;
    }
}

// 1/-1/0 are read without a word only where a -1 shows they are those codes: a column of 0 and 1
// alone may mean buy and sell, and guessing would turn every sell into a buy.
TEST(DirectionCodes, TheDefaultsExplainOnlyAColumnWithASell) {
    using Found = std::vector<std::string>;
    const DirectionCodes defaults;
    EXPECT_TRUE(CodesExplain({}, defaults));
    EXPECT_TRUE(CodesExplain(Found{"1", "-1", "0"}, defaults));
    EXPECT_TRUE(CodesExplain(Found{"-1"}, defaults));
    EXPECT_FALSE(CodesExplain(Found{"0", "1"}, defaults));
    EXPECT_FALSE(CodesExplain(Found{"1"}, defaults));
    EXPECT_FALSE(CodesExplain(Found{"0", "1", "2"}, defaults));
    EXPECT_FALSE(CodesExplain(Found{"1", "-1", "2"}, defaults));
    const DirectionCodes given = *ParseDirectionCodes("0,1,2");
    EXPECT_TRUE(CodesExplain(Found{"0", "1", "2"}, given));
    EXPECT_TRUE(CodesExplain(Found{"0", "1"}, given));
    EXPECT_FALSE(CodesExplain(Found{"0", "1", "2", "3"}, given));
    EXPECT_FALSE(CodesExplain(Found{"-1"}, given));

    std::string_view standard = "x";
    ASSERT_TRUE(StandardDirectionOfCode("1", given, standard));
    EXPECT_EQ(standard, "S");
    ASSERT_TRUE(StandardDirectionOfCode("2", given, standard));
    EXPECT_EQ(standard, "");
    EXPECT_FALSE(StandardDirectionOfCode("-1", given, standard));
}

TEST(TradeTime, ADateBeforeTheTimeIsTheTradeDate) {
    struct Case {
        const char* text;
        double seconds;  // negative: no trade time
        int date;
    };
    constexpr double k93003 = 9 * 3600 + 30 * 60 + 3;
    for (const Case& c : {Case{"2018-01-15 09:30:03", k93003, 20180115}, Case{"2018/1/15 9:30:03", k93003, 20180115},
                          Case{"2018-01-15T09:30:03", k93003, 20180115}, Case{"20180115093003", k93003, 20180115},
                          Case{"2018-01-15 09:30:03.000", k93003, 20180115}, Case{"09:30:03", k93003, 0},
                          Case{"93003", k93003, 0}, Case{"上午 09:30:03", k93003, 0},
                          // No such day or no such clock: no trade time at all.
                          Case{"20180230093003", -1, 0}, Case{"20180115243003", -1, 0},
                          Case{"2018-01-15 24:00:00", -1, 0}, Case{"9:60:00", -1, 0}, Case{"09:30:60", -1, 0},
                          Case{"2018-01-15", -1, 0}, Case{"201801150930", -1, 0}}) {
        const TradeTime time = ParseTradeTime(c.text);
        if (c.seconds < 0) {
            EXPECT_LT(time.seconds, 0) << c.text;
            continue;
        }
        EXPECT_DOUBLE_EQ(time.seconds, c.seconds) << c.text;
        EXPECT_EQ(time.date, c.date) << c.text;
    }
    std::string scratch;
    EXPECT_EQ(TimeOfDayText("2018-01-15 09:30:03", scratch), "09:30:03");
    EXPECT_EQ(TimeOfDayText("20180115093003", scratch), "09:30:03");
    EXPECT_EQ(TimeOfDayText("9:30:03", scratch), "9:30:03");
}

TEST(TradeTime, DateCellsInTheUsualSpellings) {
    for (const char* text : {"2018-01-15", "2018/1/15", "2018.01.15", "20180115", " 2018-1-5 ", "2018-01-15 00:00:00"}) {
        EXPECT_EQ(ParseTradeDate(text), std::string_view(text).find("1-5 ") != std::string_view::npos ? 20180105
                                                                                                        : 20180115)
            << text;
    }
    for (const char* text : {"2018-02-30", "2018/13/01", "2018-01/15", "18-01-15", "2018-001-15", "", "日期", "1516000000"}) {
        EXPECT_EQ(ParseTradeDate(text), 0) << text;
    }
}

// A sheet held in a map, read like a workbook.
class SheetCells {
  public:
    SheetCells& Row(int row, std::vector<std::string> cells) {
        for (std::size_t c = 0; c < cells.size(); ++c) m_cells[{row, static_cast<int>(c) + 1}] = cells[c];
        return *this;
    }
    CellSource Source() const {
        return [this](int row, int column) {
            const auto it = m_cells.find({row, column});
            return it == m_cells.end() ? std::string() : it->second;
        };
    }

  private:
    std::map<std::pair<int, int>, std::string> m_cells;
};

TEST(RecognizeLayout, TheStandardTitleWinsOverAnyHeaderBelowIt) {
    SheetCells sheet;
    sheet.Row(1, {"20000101 ABC (600000)"}).Row(5, {"成交时间", "成交价格", "成交量", "性质"});
    const auto layout = RecognizeLayout(sheet.Source(), "a.xls");
    ASSERT_TRUE(layout.ok());
    EXPECT_EQ(layout->kind, TickLayoutKind::Standard);
}

TEST(RecognizeLayout, FindsTheHeaderRowAndItsColumnsInAnyOrder) {
    SheetCells sheet;
    sheet.Row(1, {"", "性质", "成交量(手)", "价格变动", "成交价", "时间"})
        .Row(2, {"0", "买盘", "5", "0.01", "10.00", "09:30:00"});
    const auto layout = RecognizeLayout(sheet.Source(), "a.csv");
    ASSERT_TRUE(layout.ok()) << layout.error().message;
    EXPECT_EQ(layout->kind, TickLayoutKind::Header);
    EXPECT_EQ(layout->columns.headerRow, 1);
    EXPECT_EQ(layout->columns.time, 6);
    EXPECT_EQ(layout->columns.price, 5);
    EXPECT_EQ(layout->columns.lots, 3);
    EXPECT_EQ(layout->columns.direction, 2);
}

TEST(RecognizeLayout, TakesAHeaderBelowAFewLinesOfPreamble) {
    SheetCells near;
    near.Row(1, {"平安银行 分笔成交"}).Row(kHeaderScanRows, {"成交时间", "成交价格", "成交量", "性质"});
    const auto found = RecognizeLayout(near.Source(), "a.csv");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->columns.headerRow, kHeaderScanRows);
}

TEST(RecognizeLayout, RefusesAHeaderRowThatLacksColumnsNamingThemAndTheFile) {
    SheetCells sheet;
    sheet.Row(1, {"成交时间", "成交价格", "成交量", "成交金额"});
    for (int r = 2; r <= 9; ++r) sheet.Row(r, {"09:30:00", "10.00", "5", "5000"});
    const auto layout = RecognizeLayout(sheet.Source(), "tick.csv");
    ASSERT_FALSE(layout.ok());
    EXPECT_EQ(layout.error().message,
              "无法识别文件“tick.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 性质(买盘/卖盘) "
              "列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。");

    SheetCells two;
    two.Row(1, {"时间", "性质"}).Row(6, {"09:30:00"});
    EXPECT_EQ(RecognizeLayout(two.Source(), "b.csv").error().message,
              "无法识别文件“b.csv”的格式：找不到列 成交价格、成交量。");
}

TEST(RecognizeLayout, KeepsAnExportWithAnOddTitleAndRefusesAnEmptySheet) {
    SheetCells odd;
    odd.Row(1, {"ABC"}).Row(6, {"09:30:01", "10.00", "5", "", "B"});
    const auto layout = RecognizeLayout(odd.Source(), "odd.xls");
    ASSERT_TRUE(layout.ok());
    EXPECT_EQ(layout->kind, TickLayoutKind::Standard);

    // Text in row 6 that is no time (a script or a letter saved as .xls) is no tick table at all.
    SheetCells script;
    script.Row(1, {"#!/usr/bin/env python3"}).Row(6, {"import csv"});
    EXPECT_FALSE(RecognizeLayout(script.Source(), "make.py").ok());

    SheetCells empty;
    EXPECT_EQ(RecognizeLayout(empty.Source(), "e.csv").error().message,
              "无法识别文件“e.csv”的格式：找不到列 成交时间、成交价格、成交量、性质。");
}

// A header that names one column twice leaves the run guessing which one holds the trades.
TEST(RecognizeLayout, RefusesAHeaderThatNamesOneColumnTwiceNamingBoth) {
    struct Case {
        std::vector<std::string> header;
        const char* message;
    };
    for (const Case& c :
         {Case{{"成交时间", "成交价", "价格", "成交量", "性质"},
               "无法识别文件“t.csv”的格式：表头有多个成交价格列(第2列“成交价”、第3列“价格”)，请只留下一列。"},
          Case{{"", "时间", "成交价格", "成交量", "成交时间", "性质", "类型"},
               "无法识别文件“t.csv”的格式：表头有多个成交时间列(第2列“时间”、第5列“成交时间”)，请只留下一列。"},
          Case{{"成交时间", "成交价格", "成交量(手)", "成交量（手）", "性质"},
               "无法识别文件“t.csv”的格式：表头有多个成交量列(第3列“成交量(手)”、第4列“成交量（手）”)，请只留下一列。"}}) {
        SheetCells sheet;
        sheet.Row(1, c.header).Row(2, {"09:30:00", "10.00", "10.00", "5", "买盘"});
        const auto layout = RecognizeLayout(sheet.Source(), "t.csv");
        ASSERT_FALSE(layout.ok()) << c.message;
        EXPECT_EQ(layout.error().message, c.message);
    }
}

// A first row of names the program does not know is a header, not the standard layout's title, even
// when row 6 holds a time: the refusal says which names it looks for.
TEST(RecognizeLayout, RefusesAnUnknownHeaderNamingTheColumnsItLooksFor) {
    SheetCells english;
    english.Row(1, {"ticktime", "price", "volume", "prev_price", "kind"});
    for (int r = 2; r <= 8; ++r) english.Row(r, {"09:25:35", "9.99", "5000", "0", "D"});
    EXPECT_EQ(RecognizeLayout(english.Source(), "p8_eng.csv").error().message,
              "无法识别文件“p8_eng.csv”的格式：找不到列 成交时间、性质。");

    SheetCells partly;
    partly.Row(1, {"time", "成交价", "volume", "kind"}).Row(6, {"09:30:00", "10.00", "5", "B"});
    EXPECT_EQ(RecognizeLayout(partly.Source(), "q.csv").error().message,
              "无法识别文件“q.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 性质(买盘/卖盘) "
              "列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。");

    // A title cell beside a number (a code, a count) is still an export with an odd title.
    for (const std::vector<std::string>& first :
         {std::vector<std::string>{"平安银行", "000001"}, std::vector<std::string>{"ABC", "", "12.5"},
          std::vector<std::string>{"逐笔成交"}}) {
        SheetCells odd;
        odd.Row(1, first).Row(6, {"09:30:01", "10.00", "5", "", "B"});
        const auto layout = RecognizeLayout(odd.Source(), "odd.xls");
        ASSERT_TRUE(layout.ok()) << first[0];
        EXPECT_EQ(layout->kind, TickLayoutKind::Standard) << first[0];
    }
}

// The export names its columns in row 5 in its own words (现手 is no name for 成交量 here). With its
// date damaged it is still the export, so the run can say the title lacks a date; a preamble that
// is no "name (code)" title over the same row stays a header short of a column.
TEST(RecognizeLayout, TheExportWithADamagedDateIsStillTheExport) {
    struct Case {
        const char* a1;
        bool standard;
    };
    for (const Case& c : {Case{"2026124 岚谷示例 (600999)", true}, Case{"岚谷示例 (600999)", true},
                          Case{"  2026-12-04 岚谷示例（600999） ", true}, Case{"平安银行 分笔成交", false},
                          Case{"岚谷示例 (60099)", false}, Case{"", false}}) {
        SheetCells sheet;
        sheet.Row(1, {c.a1}).Row(3, {"逐笔成交明细"}).Row(5, {"时间", "成交价", "现手", "笔数", "性质"});
        sheet.Row(6, {"09:30:06", "11.99", "27", "4", "S"});
        const auto layout = RecognizeLayout(sheet.Source(), "day.xls");
        if (c.standard) {
            ASSERT_TRUE(layout.ok()) << c.a1 << ": " << layout.error().message;
            EXPECT_EQ(layout->kind, TickLayoutKind::Standard) << c.a1;
        } else {
            ASSERT_FALSE(layout.ok()) << c.a1;
            EXPECT_EQ(layout.error().message, "无法识别文件“day.xls”的格式：找不到列 成交量。") << c.a1;
        }
    }
}

// A snapshot or a list without directions cannot give money flow; the refusal says what is needed.
TEST(RecognizeLayout, RefusesWhatIsNoTradeListSayingWhy) {
    struct Case {
        std::vector<std::string> header;
        const char* message;
    };
    for (const Case& c :
         {Case{{"时间", "最新价", "成交笔数", "成交额", "成交量", "方向", "买一价", "卖一价"},
               "无法识别文件“x.csv”的格式：这是行情快照，不是逐笔成交。请导出该股票当天的逐笔成交明细("
               "成交时间、成交价格、成交量、性质)。"},
          Case{{"时间", "买一价", "买一量", "卖一价", "卖一量"},
               "无法识别文件“x.csv”的格式：这是行情快照，不是逐笔成交。请导出该股票当天的逐笔成交明细("
               "成交时间、成交价格、成交量、性质)。"},
          Case{{"Symbol", "Datetime", "Price", "Volume"},
               "无法识别文件“x.csv”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 性质(买盘/卖盘) "
               "列的逐笔成交，或用 --infer-direction tick-rule 按价格涨跌推断方向。"}}) {
        SheetCells sheet;
        sheet.Row(1, c.header).Row(2, {"09:30:03", "11.50", "12", "138000", "120", "B", "11.49", "11.50"});
        const auto layout = RecognizeLayout(sheet.Source(), "x.csv");
        ASSERT_FALSE(layout.ok()) << c.header[1];
        EXPECT_EQ(layout.error().message, c.message);
        // Asked to do without directions, only the list without them is taken: a snapshot stays refused.
        const auto without = RecognizeLayout(sheet.Source(), "x.csv", true);
        EXPECT_EQ(without.ok(), c.header[0] == "Symbol") << c.header[1];
        if (without.ok()) {
            EXPECT_EQ(without->columns.direction, 0);
        }
    }
    // An export with a damaged date keeps the export's layout, though its row 5 names no direction.
    SheetCells export5;
    export5.Row(1, {"2024120 平安银行 (000001)"}).Row(5, {"时间", "价格", "成交量", "笔数"});
    export5.Row(6, {"09:30:01", "11.50", "25", "3"});
    const auto damaged = RecognizeLayout(export5.Source(), "day.xls", true);
    ASSERT_TRUE(damaged.ok()) << damaged.error().message;
    EXPECT_EQ(damaged->kind, TickLayoutKind::Standard);
    // A trade table that also keeps the best bid beside each trade is still a trade table.
    SheetCells trades;
    trades.Row(1, {"成交时间", "成交价格", "成交量", "性质", "买一价"}).Row(2, {"09:30:03", "11.50", "5", "B", "11.49"});
    ASSERT_TRUE(RecognizeLayout(trades.Source(), "t.csv").ok());
}

TEST(RecognizeLayout, ALevel2TableCountsSharesAndNamesItsCodeColumn) {
    SheetCells sheet;
    sheet.Row(1, {"SecurityID", "TradeTime", "TradePrice", "TradeQty", "TradeAmount", "TradeBSFlag"})
        .Row(2, {"000001", "2021.01.04T09:25:00.630", "11.50", "150", "1725", "N"});
    const auto layout = RecognizeLayout(sheet.Source(), "l2.csv");
    ASSERT_TRUE(layout.ok()) << layout.error().message;
    EXPECT_EQ(layout->columns.code, 1);
    EXPECT_EQ(layout->columns.lots, 4);
    EXPECT_TRUE(layout->columns.lotsInShares);
    SheetCells lots;
    lots.Row(1, {"时间", "价格", "成交量", "性质", "代码"}).Row(2, {"09:30:03", "11.50", "5", "B", "000001"});
    EXPECT_FALSE(RecognizeLayout(lots.Source(), "t.csv")->columns.lotsInShares);
}

TEST(StockCode, TheSpellingsOfCodeColumns) {
    for (const auto& [cell, code] : std::map<std::string, std::string>{
             {"600000", "600000"}, {" 000001 ", "000001"}, {"600000.SH", "600000"}, {"sz000001", "000001"},
             {"SH600000", "600000"}, {"0600000", "600000"}, {"1000001", "000001"}, {"1", "000001"},
             {"600000.0", "600000"}, {"2600000", ""}, {"0000012", ""}, {"12345678", ""}, {"600000.5", ""},
             {"平安银行", ""}, {"", ""}, {"600000sz", ""}, {".sz", ""}}) {
        EXPECT_EQ(StockCodeOf(cell), code) << cell;
    }
}

TEST(LotsOfShares, HundredSharesALotAndTheFractionKept) {
    std::string scratch;
    for (const auto& [shares, lots] : std::map<std::string, std::string>{
             {"100", "1"}, {"150", "1.5"}, {"1", "0.01"}, {"99", "0.99"}, {"100000", "1000"}, {"99990", "999.9"},
             {" 250000 ", "2500"}, {"250.0", "2.5"}, {"", ""}, {"--", "--"}}) {
        EXPECT_EQ(LotsOfShares(shares, scratch), lots) << shares;
    }
}

TEST(TradeTime, PartsOfASecondAreLeftOutOfTheShownTime) {
    std::string scratch;
    EXPECT_EQ(TimeOfDayText("2021.01.04T09:25:00.630", scratch), "09:25:00");
    EXPECT_EQ(ParseTradeTime("2021.01.04T09:25:00.630").date, 20210104);
    EXPECT_DOUBLE_EQ(ParseTradeTime("2021.01.04T09:25:00.630").seconds, 9 * 3600 + 25 * 60 + 0.63);
}

}  // namespace
}  // namespace moxtel
