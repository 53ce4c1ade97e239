#include "core/layout/DayIdentity.h"

#include <gtest/gtest.h>

#include <ostream>

#include "core/stats/TitleCell.h"

namespace moxtel {
namespace {

struct NameCase {
    const char* path;
    const char* date;
    const char* code;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.path; }

class FileNameHintsTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameHintsTest, FindsDateAndCode) {
    const FileNameHints hints = HintsFromFileName(GetParam().path);
    EXPECT_EQ(hints.tradeDate, GetParam().date) << GetParam().path;
    EXPECT_EQ(hints.code, GetParam().code) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameHintsTest,
    ::testing::Values(NameCase{"sz000001_20241204.csv", "20241204", "000001"},
                      NameCase{"/data/600000-2024-12-04.xlsx", "20241204", "600000"},
                      NameCase{"20241204_600000.xls", "20241204", "600000"},
                      NameCase{"sh600000.2024.12.04.csv", "20241204", "600000"},
                      NameCase{"600000_2024_12_04.csv", "20241204", "600000"}, NameCase{"tick.csv", "", ""},
                      NameCase{"000001.csv", "", "000001"}, NameCase{"20241204.csv", "20241204", ""},
                      // The folder says nothing; only the file name counts.
                      NameCase{"/20241204/000001/tick.csv", "", ""},
                      // Not a calendar day, and digits running on are not a code.
                      NameCase{"20241340_000001.csv", "", "000001"}, NameCase{"0000012_20241204.csv", "20241204", ""},
                      NameCase{"2024-02-30_000001.csv", "", "000001"}, NameCase{"2024-2-4_000001.csv", "", "000001"},
                      // Two different dates or codes say nothing for sure; the same one twice does.
                      NameCase{"20241204-20241205_600000.csv", "", "600000"},
                      NameCase{"20241204_000001_600000.csv", "20241204", ""},
                      NameCase{"2024-12-04_600000_20241204.csv", "20241204", "600000"},
                      NameCase{"600000_20241204_600000.csv", "20241204", "600000"},
                      // A quote site's seven digits: the exchange (0 Shanghai, 1 Shenzhen), then the code.
                      NameCase{"0600000.xls", "", "600000"}, NameCase{"1000001.xls", "", "000001"},
                      NameCase{"1300750_20241204.xls", "20241204", "300750"},
                      NameCase{"2600000.xls", "", ""}, NameCase{"0000001.xls", "", ""}));

TEST(TradeDate, AcceptsCalendarDaysOnly) {
    for (const char* good : {"20241204", "20240229", "20000229", "19000101", "20991231"}) {
        EXPECT_TRUE(IsTradeDate(good)) << good;
    }
    for (const char* bad : {"20230229", "19000229", "20241131", "20241200", "20241301", "18991231", "2024124",
                            "202412045", "2024-12-4", "20241204 ", ""}) {
        EXPECT_FALSE(IsTradeDate(bad)) << bad;
    }
}

std::string NoStoredStock(const std::string&) { return {}; }

TEST(StockText, EndsInTheCodeInParentheses) {
    const auto stored = [](const std::string& code) { return code == "000001" ? std::string("平安银行(000001)") : ""; };
    EXPECT_EQ(NormalisedStock(" 平安银行(000001) ", stored), "平安银行(000001)");
    EXPECT_EQ(NormalisedStock("平安银行（000001）", stored), "平安银行(000001)");
    EXPECT_EQ(NormalisedStock("ST 某某 (600001)", stored), "ST 某某(600001)");
    EXPECT_EQ(NormalisedStock("平安银行 （000001）", stored), "平安银行(000001)");
    EXPECT_EQ(NormalisedStock("000001", stored), "平安银行(000001)");
    EXPECT_EQ(NormalisedStock("600000", stored), "600000(600000)");
    EXPECT_EQ(NormalisedStock("600000", NoStoredStock), "600000(600000)");
    for (const char* bad :
         {"", "平安银行", "(000001)", "  (000001)", "平安银行()", "平安银行(000001", "平安(银行)(1)x", "00001"}) {
        EXPECT_FALSE(NormalisedStock(bad, stored).has_value()) << bad;
    }
}

TEST(ResolveDayIdentity, OverridesWinThenTheFileNameElseItSaysWhichOptionToGive) {
    const auto stored = [](const std::string& code) { return code == "000001" ? std::string("平安银行(000001)") : ""; };
    auto day = ResolveDayIdentity("/x/sz000001_20241204.csv", {"", "", stored});
    ASSERT_TRUE(day.ok());
    EXPECT_EQ(day->tradeDate, "20241204");
    EXPECT_EQ(day->stock, "平安银行(000001)");

    day = ResolveDayIdentity("/x/sz000001_20241204.csv", {"20241205", "万科A(000002)", stored});
    ASSERT_TRUE(day.ok());
    EXPECT_EQ(day->tradeDate, "20241205");
    EXPECT_EQ(day->stock, "万科A(000002)");

    day = ResolveDayIdentity("600000-2024-12-04.csv", {});
    ASSERT_TRUE(day.ok());
    EXPECT_EQ(day->stock, "600000(600000)");

    EXPECT_EQ(ResolveDayIdentity("/x/tick.csv", {"", "万科A(000002)"}).error().message,
              "“tick.csv”的文件名中没有日期，请用 --date YYYYMMDD 指定交易日期。");
    EXPECT_EQ(ResolveDayIdentity("/x/20241204.csv", {}).error().message,
              "“20241204.csv”的文件名中没有股票代码，请用 --stock 名称(代码) 指定股票。");
    EXPECT_EQ(ResolveDayIdentity("/x/tick.csv", {"2024-12-04", "万科A(000002)"}).error().message,
              "日期“2024-12-04”无效，应为 YYYYMMDD，例如 20241204。");
    EXPECT_EQ(ResolveDayIdentity("/x/sz000001_20241204.csv", {"", "万科A"}).error().message,
              "股票“万科A”无效，应为 名称(代码) 或六位代码，例如 平安银行(000001)。");
}

// A name with two dates or two codes is refused naming them and the option that settles it; the
// option, once given, wins without a word.
TEST(ResolveDayIdentity, AnAmbiguousFileNameIsRefusedUnlessTheOptionSettlesIt) {
    struct Case {
        const char* path;
        DayOverrides overrides;
        const char* message;  // "" when resolved
        const char* date;
        const char* stock;
    };
    const Case cases[] = {
        {"/x/20241204-20241205_600000.csv", {}, "“20241204-20241205_600000.csv”的文件名中有多个日期(20241204、20241205)，请用 --date YYYYMMDD 指定交易日期。", "", ""},
        {"000001_20241204_2024-12-05.csv", {}, "“000001_20241204_2024-12-05.csv”的文件名中有多个日期(20241204、20241205)，请用 --date YYYYMMDD 指定交易日期。", "", ""},
        {"/x/20241204_000001_600000.csv", {}, "“20241204_000001_600000.csv”的文件名中有多个股票代码(000001、600000)，请用 --stock 名称(代码) 指定股票。", "", ""},
        {"/x/20241204_000001_600000_300750.csv", {"20241204", ""}, "“20241204_000001_600000_300750.csv”的文件名中有多个股票代码(000001、600000、300750)，请用 --stock 名称(代码) 指定股票。", "", ""},
        {"/x/20241204-20241205_600000.csv", {"20241205", ""}, "", "20241205", "600000(600000)"},
        {"/x/20241204_000001_600000.csv", {"", "600000"}, "", "20241204", "600000(600000)"},
        {"/x/20241204-20241205_000001_600000.csv", {"20241204", "万科A(000002)"}, "", "20241204", "万科A(000002)"},
    };
    for (const Case& c : cases) {
        const auto day = ResolveDayIdentity(c.path, c.overrides);
        if (*c.message) {
            ASSERT_FALSE(day.ok()) << c.path;
            EXPECT_EQ(day.error().message, c.message);
            continue;
        }
        ASSERT_TRUE(day.ok()) << c.path << ": " << day.error().message;
        EXPECT_EQ(day->tradeDate, c.date) << c.path;
        EXPECT_EQ(day->stock, c.stock) << c.path;
    }
    // What the desktop dialog is prefilled with: the unsettled part stays empty.
    const DayIdentity guess = GuessDayIdentity("/x/20241204-20241205_600000.csv", {});
    EXPECT_EQ(guess.tradeDate, "");
    EXPECT_EQ(guess.stock, "600000(600000)");
}

// Folders named just a date or a code say what the file name does not; the nearest wins, three
// folders up at most, and a folder whose name merely holds digits says nothing.
TEST(HintsFromFolders, NearestFolderNamedJustADateOrACode) {
    struct Case {
        const char* path;
        const char* date;
        const char* code;
    };
    for (const Case& c : {Case{"/d/sz/300027/tick/2018-01-15.csv", "", "300027"},
                          Case{"/d/600000/20180115.csv", "", "600000"},
                          Case{"/d/2014-09-25/sz300397.dat", "20140925", ""},
                          Case{"/d/SZ300397/2014_09_25/x.csv", "20140925", "300397"},
                          Case{"/d/600000.SH/x.csv", "", "600000"},
                          Case{"/d/000001/600000/x.csv", "", "600000"},  // the nearest
                          Case{"/d/600000/a/b/c/x.csv", "", ""},         // four folders up: too far
                          Case{"/d/backup_202412/x.csv", "", ""}, Case{"/d/data-20180115/x.csv", "", ""},
                          Case{"/d/2018-02-30/x.csv", "", ""}, Case{"/d/12345/x.csv", "", ""},
                          Case{"/d/sh6000001/x.csv", "", ""}}) {
        const FileNameHints hints = HintsFromFolders(c.path);
        EXPECT_EQ(hints.tradeDate, c.date) << c.path;
        EXPECT_EQ(hints.code, c.code) << c.path;
    }
}

// The overrides first, then the file name, then the table's one date, then the folders.
TEST(GuessDayIdentity, TheFileNameAndTheTableComeBeforeTheFolders) {
    const std::vector<std::string> oneDate{"20180116"};
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/600000/x.csv", {}).tradeDate, "20180117");
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/600000/x.csv", {}, oneDate).tradeDate, "20180116");
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/600000/x_20180115.csv", {}, oneDate).tradeDate, "20180115");
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/600000/x.csv", {"20180118", ""}, oneDate).tradeDate, "20180118");
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/600000/x.csv", {}).stock, "600000(600000)");
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/600000/000001.csv", {}).stock, "000001(000001)");
    // A table of several dates: only the overrides choose; the name's date does not.
    EXPECT_EQ(GuessDayIdentity("/d/x_20180115.csv", {}, {"20180115", "20180116"}).tradeDate, "");
    // A name with two codes is left to the user rather than to a folder.
    EXPECT_EQ(GuessDayIdentity("/d/600000/000001_000002.csv", {}).stock, "");
    // The sheet's name after the file's, before the table and the folders; a dot in it is no extension.
    const std::string sheet = "0600000_成交明细_2016.05.23";
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/000001/x.xls", {}, oneDate, {}, sheet).tradeDate, "20160523");
    EXPECT_EQ(GuessDayIdentity("/d/2018-01-17/000001/x.xls", {}, oneDate, {}, sheet).stock, "600000(600000)");
    EXPECT_EQ(GuessDayIdentity("/d/x_20180115_000001.xls", {}, {}, {}, sheet).tradeDate, "20180115");
    EXPECT_EQ(GuessDayIdentity("/d/x_20180115_000001.xls", {}, {}, {}, sheet).stock, "000001(000001)");
    EXPECT_EQ(GuessDayIdentity("/d/x.xls", {"20180118", "000002"}, {}, {}, sheet).tradeDate, "20180118");
    EXPECT_EQ(GuessDayIdentity("/d/600000/x.xls", {}, {}, {}, "Sheet1").stock, "600000(600000)");
}

TEST(TitleFor, ReadsBackAsTheSameDateAndStock) {
    for (const char* stock :
         {"平安银行(000001)", "ABC(600000)", "600000(600000)", "ST 某某(600001)", "A  B (1)", "O'Neil \"A\"(600000)"}) {
        const std::string title = TitleFor({"20241204", stock});
        const TitleParts parts = ParseTitleCell(title);
        EXPECT_EQ(parts.tradeDate, "20241204") << title;
        EXPECT_EQ(parts.stockCode, stock) << title;
    }
    EXPECT_EQ(TitleFor({"20241204", "平安银行(000001)"}), "20241204 平安银行 (000001)");
}

}  // namespace
}  // namespace moxtel
