#include <algorithm>

#include "CliTestSupport.h"
#include "cli/CliCommands.h"

namespace moxtel::test {
namespace {

using CliHelp = CliTest;
using CliMistakes = CliTest;

TEST_F(CliHelp, EveryCommandHasItsOwnHelpWithAnExampleAndTouchesNoDatabase) {
    for (const auto& command : CliCommandTable()) {
        const std::string name = command.name;
        for (const auto& args : {std::vector<std::string>{name, "--help"}, std::vector<std::string>{"help", name},
                                 std::vector<std::string>{name, "-h", "extra", "words"}}) {
            const auto r = Run(args);
            EXPECT_EQ(r.status, 0) << name;
            EXPECT_EQ(r.err, "") << name;
            EXPECT_EQ(r.out.rfind("usage: moxtel-flow [--db PATH] " + name, 0), 0u) << r.out;
            EXPECT_NE(r.out.find("example:\n  moxtel-flow " + name), std::string::npos) << r.out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(m_db));
}

TEST_F(CliHelp, UsageListsEveryCommandAndVersionNamesTheProgram) {
    auto r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const auto& command : CliCommandTable()) {
        EXPECT_NE(r.out.find("\n  " + std::string(command.name)), std::string::npos) << command.name;
    }
    r = Run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "moxtel-flow " + CliVersion() + "\n");
    EXPECT_FALSE(CliVersion().empty());
    r = Run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: moxtel-flow"), std::string::npos);
}

TEST_F(CliMistakes, ErrorsNameWhatFailedAndWhy) {
    auto r = Run({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "moxtel-flow: frobnicate: unknown command\nTry 'moxtel-flow --help'.\n");
    r = Run({"history", "ABC", "20000101", "20000102", "--colour"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "moxtel-flow: --colour: unknown option\nTry 'moxtel-flow history --help'.\n");
    r = Run({"stats", "--template"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("moxtel-flow: --template: needs a value\n", 0), 0u);
    r = Run({"stats", (m_dir / "missing.xls").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("moxtel-flow: " + (m_dir / "missing.xls").string() + ": ", 0), 0u) << r.err;
}

TEST_F(CliMistakes, DayThatIsNotAStoredMasterIdFails) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    for (const std::string id : {"600000", "ABC(600000)", "ABC(600000)20000102", ""}) {
        const auto r = Run({"day", id});
        EXPECT_EQ(r.status, 1) << id;
        EXPECT_EQ(r.out, "") << id;
        EXPECT_EQ(r.err.rfind("moxtel-flow: day: " + id + ": no such stored day", 0), 0u) << r.err;
    }
    EXPECT_EQ(Run({"day", "ABC(600000)20000101"}).status, 0);
}

TEST_F(CliMistakes, HistoryOfAnUnstoredCodeListsTheCodesContainingIt) {
    ASSERT_EQ(Run({"stats", WorkedDayText("a.xls", "20000101 ABC (600000)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("b.xls", "20000101 XYZ (600001)")}).status, 0);
    ASSERT_EQ(Run({"stats", WorkedDayText("c.xls", "20000101 QRS (300001)")}).status, 0);
    auto r = Run({"history", "60000", "20000101", "20000102"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no stored stock has the code 60000"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n  ABC(600000)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n  XYZ(600001)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("QRS"), std::string::npos) << r.err;
    r = Run({"history", "abc(600000)", "20000101", "20000102"});  // codes match exactly, case included
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("stored codes containing it"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"history", "ABC(600000)", "20000101", "20000102"}).status, 0);
}

struct DateCase {
    const char* text;
    const char* digits;  // "" when the text is no date
};

class CliDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(CliDates, AcceptOnlyRealCalendarDays) {
    const auto parsed = ParseCliDate(GetParam().text);
    EXPECT_EQ(parsed.value_or(""), GetParam().digits) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, CliDates,
                         ::testing::Values(DateCase{"20261207", "20261207"}, DateCase{"2026-12-07", "20261207"},
                                           DateCase{"20261301", ""}, DateCase{"20261200", ""}, DateCase{"20261131", ""},
                                           DateCase{"20261130", "20261130"}, DateCase{"20240229", "20240229"},
                                           DateCase{"20230229", ""}, DateCase{"19000229", ""},
                                           DateCase{"20000229", "20000229"}, DateCase{"00000101", ""},
                                           DateCase{"2026-1-07", ""}, DateCase{"2026/12/07", ""},
                                           DateCase{"202612071", ""}, DateCase{"2026-12-0a", ""}, DateCase{"", ""}));

TEST_F(CliMistakes, ImpossibleOrReversedDatesAreWrongUsage) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    for (const auto& args : {std::vector<std::string>{"history", "ABC(600000)", "20000102", "20000101"},
                             std::vector<std::string>{"history", "ABC(600000)", "20000101", "20261301"},
                             std::vector<std::string>{"history", "ABC(600000)", "20000230", "20000301"},
                             std::vector<std::string>{"clear", "ABC(600000)", "20261301", "--yes"}}) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 2) << args[2] << " " << args[3];
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Run({"history", "ABC(600000)", "20000101", "20000101"}).status, 0);  // one day is a range
}

TEST_F(CliMistakes, NothingMatchedIsNotReportedAsDone) {
    auto r = Run({"templates", "delete", "nope"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nope: no template has this name; nothing deleted"), std::string::npos) << r.err;

    ASSERT_EQ(Run({"stats", WorkedDayText("a.xls", "20000105 ABC (600000)")}).status, 0);
    r = Run({"clear", "XYZ(600001)", "20000110", "--yes"});  // a stock never stored
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("数据清除完毕!"), std::string::npos);
    r = Run({"clear", "ABC(600000)", "20000104", "--yes"});  // stored, but only after the date
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nothing deleted"), std::string::npos);
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Run({"clear", "ABC(600000)", "20000105", "--yes"}).status, 0);
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);
}

struct NumberCase {
    const char* text;
    bool number;
};

class CliNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(CliNumbers, PricesAndRatesAreDigitsWithOnePoint) {
    EXPECT_EQ(IsPlainNumber(GetParam().text), GetParam().number) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, CliNumbers,
                         ::testing::Values(NumberCase{"10", true}, NumberCase{"10.25", true}, NumberCase{".5", true},
                                           NumberCase{"5.", true}, NumberCase{"0", true}, NumberCase{".", false},
                                           NumberCase{"", false}, NumberCase{"abc", false}, NumberCase{"10abc", false},
                                           NumberCase{"1e3", false}, NumberCase{"-1", false}, NumberCase{"10,5", false},
                                           NumberCase{" 10", false}, NumberCase{"1.2.3", false},
                                           NumberCase{"3%", false}));

TEST_F(CliMistakes, PreviousCloseAndTurnoverTakeNumbersOnly) {
    for (const char* option : {"--previous-close", "--turnover"}) {
        const auto r = Run({"stats", WorkedDayText(), option, "abc"});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_EQ(r.err.rfind(std::string("moxtel-flow: ") + option + ": takes a number", 0), 0u) << r.err;
    }
    EXPECT_EQ(Count("select rowid from gpmaster"), 0);  // refused before anything was stored
    const auto r = Run({"stats", WorkedDayText(), "--previous-close=9.98", "--turnover", "1.5", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"previousClose\": \"9.98\""), std::string::npos);
    EXPECT_NE(r.out.find("\"turnover\": \"1.5\""), std::string::npos);
}

TEST_F(CliMistakes, TurnoverTakesAPercentSignAndIsStoredAsTyped) {
    const auto r = Run({"stats", WorkedDayText(), "--turnover", "1.23%", "--json", "--no-store"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"turnover\": \"1.23%\""), std::string::npos) << r.out;
    for (const auto& [option, text] : {std::pair{"--turnover", "1.2%%"}, std::pair{"--turnover", "%"},
                                       std::pair{"--previous-close", "9.98%"}}) {
        const auto refused = Run({"stats", WorkedDayText(), option, text});
        EXPECT_EQ(refused.status, 2) << option << " " << text;
    }
}

TEST_F(CliMistakes, DayAsCsvHasTotalsIntervalsAndBuckets) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    const auto r = Run({"day", "ABC(600000)20000101", "--csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("区间,流入(手),流入(万元),流出(手),流出(万元),流向(手),流向(万元),流向(含未知流向)(手),"
                          "流向(含未知流向)(万元),总量(手),总量(万元),未知流向(手),未知流向(万元)\r\n汇总,",
                          0),
              0u)
        << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 1 + 5 + 11);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\r'), 1 + 1 + 5 + 11);
    EXPECT_NE(r.out.find("\r\n1000----,"), std::string::npos);
    EXPECT_EQ(Run({"day", "ABC(600000)20000101", "--csv", "--json"}).status, 2);
}

}  // namespace
}  // namespace moxtel::test
