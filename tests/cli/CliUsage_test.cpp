#include <regex>
#include <set>

#include "CliTestSupport.h"
#include "cli/CliCommands.h"

namespace moxtel::test {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) { return std::string(MOXTEL_TEST_DATA_DIR) + "/" + name; }

std::size_t Occurrences(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using CliOptions = CliTest;

// Every option a command does not take is refused before anything runs, wherever it stands.
TEST_F(CliOptions, AnOptionOfAnotherCommandIsWrongUsage) {
    const std::string day = WorkedDayText();
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const auto notOf = [](const std::string& command, const std::string& option) {
        return "moxtel-flow: " + command + ": " + option + " is not an option of " + command +
               "\nTry 'moxtel-flow " + command + " --help'.\n";
    };
    const std::vector<Case> cases = {
        {{"import", m_dir.string(), "--no-store"}, notOf("import", "--no-store")},
        {{"--no-store", "import", m_dir.string()}, notOf("import", "--no-store")},
        {{"import", m_dir.string(), "--date", "20241204", "--stock", "000001"}, notOf("import", "--date")},
        {{"stats", day, "--csv", "--no-store"}, notOf("stats", "--csv")},
        {{"stats", day, "--yes"}, notOf("stats", "--yes")},
        {{"templates", "list", "--csv"}, notOf("templates", "--csv")},
        {{"backup", "--json"}, notOf("backup", "--json")},
        {{"day", "X", "--no-store", "--jobs", "3", "--from", "x", "--date", "1"}, notOf("day", "--no-store")},
        {{"history", "ABC(600000)", "20000101", "20000102", "--previous-close", "5"},
         notOf("history", "--previous-close")},
        {{"clear", "ABC(600000)", "20000101", "--yes", "--json"}, notOf("clear", "--json")},
        {{"restore", "--jobs", "2", "--yes"}, notOf("restore", "--jobs")},
        {{"stats", day, "--json=x"}, "moxtel-flow: --json: takes no value\nTry 'moxtel-flow stats --help'.\n"},
        {{"templates", "delete", "x", "--json"},
         "moxtel-flow: templates: --json goes with templates list only\nTry 'moxtel-flow templates --help'.\n"},
    };
    for (const auto& c : cases) {
        const auto r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(m_db));  // refused before the database was opened
}

// The options a command declares are the ones its usage line shows, so the help and the
// completion (which reads the usage line) never offer an option that is refused.
TEST_F(CliOptions, EachCommandTakesTheOptionsItsUsageShows) {
    const std::regex option("--[a-z-]+");
    for (const auto& command : CliCommandTable()) {
        const std::string synopsis = command.synopsis;
        std::set<std::string> shown(std::sregex_token_iterator(synopsis.begin(), synopsis.end(), option), {});
        const std::string declaredText = command.options;
        std::set<std::string> declared(std::sregex_token_iterator(declaredText.begin(), declaredText.end(), option),
                                       {});
        EXPECT_EQ(shown, declared) << command.name;
        for (const auto& name : declared) EXPECT_TRUE(TakesOption(command, name)) << command.name << " " << name;
        EXPECT_FALSE(TakesOption(command, "--")) << command.name;
        EXPECT_FALSE(TakesOption(command, "--js")) << command.name;
    }
}

TEST_F(CliOptions, HelpOfAnUnknownCommandIsWrongUsage) {
    for (const auto& args : {std::vector<std::string>{"help", "nope"}, std::vector<std::string>{"nope", "--help"},
                             std::vector<std::string>{"nope"}}) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "moxtel-flow: nope: unknown command\nTry 'moxtel-flow --help'.\n") << args[0];
    }
    EXPECT_EQ(Run({"help"}).status, 0);
}

struct StatsDateCase {
    const char* date;
    int status;
    const char* masterId;  // of a run that succeeds
};

class StatsDate : public CliTest, public ::testing::WithParamInterface<StatsDateCase> {};

// --date follows the rules of every other date on the command line.
TEST_P(StatsDate, FollowsTheCommandLinesDateRules) {
    const auto& c = GetParam();
    const auto r = Run({"stats", Fixture("header-openpyxl-no-date.xlsx"), "--date", c.date, "--stock",
                        "平安银行(000001)", "--no-store", "--json"});
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 0) {
        EXPECT_NE(r.out.find(std::string("\"masterId\": \"") + c.masterId + "\""), std::string::npos) << r.out;
    } else {
        EXPECT_EQ(r.err, std::string("moxtel-flow: --date: ") + c.date +
                             " is not a date YYYYMMDD or YYYY-MM-DD\nTry 'moxtel-flow stats --help'.\n");
        EXPECT_EQ(r.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StatsDate,
                         ::testing::Values(StatsDateCase{"20241205", 0, "平安银行(000001)20241205"},
                                           StatsDateCase{"2024-12-05", 0, "平安银行(000001)20241205"},
                                           StatsDateCase{"20240229", 0, "平安银行(000001)20240229"},
                                           StatsDateCase{"20230229", 2, ""}, StatsDateCase{"20261301", 2, ""},
                                           StatsDateCase{"2024-12-5", 2, ""}, StatsDateCase{"2024/12/05", 2, ""},
                                           StatsDateCase{"", 2, ""}));

using DamagedDatabase = CliTest;

// Every command meets the damaged file once, says so once, and adds no "not found" of its own.
TEST_F(DamagedDatabase, IsReportedOnceAndNothingElseIsConcluded) {
    const std::string day = WorkedDayText();
    std::ofstream(m_db, std::ios::binary) << "half a download\n" << std::string(5000, '#');
    const std::vector<std::vector<std::string>> commands = {
        {"day", "x"},
        {"day", "ABC(600000)20000101", "--json"},
        {"history", "ABC(600000)", "20000101", "20000102"},
        {"clear", "ABC(600000)", "20000101", "--yes"},
        {"templates", "delete", "a"},
        {"templates", "list"},
        {"templates", "list", "--json"},
        {"templates", "add", "a", "0-300", "-", "-", "-", "-"},
        {"stats", day},
        {"stats", day, "--template", "大单", "--no-store"},
        {"backup"},
    };
    for (const auto& args : commands) {
        const auto r = Run(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args[1];
        EXPECT_EQ(r.out, "") << args[0] << " " << args[1];
        EXPECT_EQ(Occurrences(r.err, "数据库文件已损坏"), 1u) << r.err;
        for (const char* conclusion : {"no such stored day", "no stored stock", "no template", "nothing deleted"}) {
            EXPECT_EQ(r.err.find(conclusion), std::string::npos) << r.err;
        }
    }
}

using CliQuestions = CliTest;

TEST_F(CliQuestions, DecliningSaysNothingChanged) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    ASSERT_EQ(Run({"backup"}).status, 0);
    const std::string before = Slurp(m_db);
    for (const auto& args : {std::vector<std::string>{"clear", "ABC(600000)", "20000101"},
                             std::vector<std::string>{"restore"}}) {
        for (const char* answer : {"n\n", "", "no\n"}) {
            const auto r = Run(args, answer, true);
            EXPECT_EQ(r.status, 0) << args[0] << " " << answer;
            EXPECT_EQ(r.err, "moxtel-flow: " + args[0] + ": not confirmed; nothing changed\n");
            EXPECT_NE(r.out.find("[y/N]"), std::string::npos);
        }
    }
    EXPECT_EQ(Slurp(m_db), before);
}

// A copy that fails the check is named with its reason once, and the advice to restore is not
// given to someone restoring.
TEST_F(CliQuestions, ARefusedCopyIsExplainedOnce) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    const std::string junk = (m_dir / "junk.db").string();
    std::ofstream(junk, std::ios::binary) << std::string(5000, '#');
    const std::string missing = (m_dir / "absent.db").string();
    for (const auto& [from, reason] : {std::pair{junk, std::string("file is not a database")},
                                       std::pair{missing, std::string("No such file or directory")}}) {
        const auto r = Run({"restore", "--from", from, "--yes"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("moxtel-flow: restore: 备份文件未通过检查，不能用来恢复：\n" + from + "\n", 0), 0u)
            << r.err;
        EXPECT_EQ(Occurrences(r.err, reason), 1u) << r.err;
        EXPECT_EQ(r.err.find("moxtel-flow restore"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
}

}  // namespace
}  // namespace moxtel::test
