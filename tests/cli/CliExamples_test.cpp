// The examples of --help, the man page and the manual's command-line page, run as written.
#include <algorithm>

#include "CliTestSupport.h"
#include "cli/CliCommands.h"

namespace moxtel::test {
namespace {

namespace fs = std::filesystem;

const std::string kSourceDir = std::string(MOXTEL_TEST_DATA_DIR) + "/../..";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string ManText() { return ReplaceAll(ReplaceAll(Slurp(kSourceDir + "/share/man/moxtel-flow.1"), "\\-", "-"), "\\(aq", "'"); }

std::vector<std::string> HelpExamples() {
    std::vector<std::string> examples;
    for (const auto& command : CliCommandTable()) {
        for (const auto& line : Lines(command.example)) examples.push_back(line.substr(line.find_first_not_of(' ')));
    }
    return examples;
}

// The lines between .nf and .fi of the EXAMPLES section.
std::vector<std::string> ManExamples() {
    const std::string man = ManText();
    const auto from = man.find(".nf\n", man.find(".SH EXAMPLES"));
    return Lines(man.substr(from + 4, man.find(".fi\n", from) - from - 4));
}

// The lines of the manual's <pre> blocks that call moxtel-flow; the synopsis block (COMMAND ...)
// and transcripts ("$ ...") are not examples to run.
std::vector<std::string> ManualExamples() {
    const std::string page = Slurp(kSourceDir + "/docs/manual/command-line.html");
    std::vector<std::string> examples;
    for (auto open = page.find("<pre>"); open != std::string::npos; open = page.find("<pre>", open + 1)) {
        const std::string block = page.substr(open + 5, page.find("</pre>", open) - open - 5);
        if (block.find("COMMAND") != std::string::npos) continue;
        for (const auto& line : Lines(block)) {
            if (line.rfind("moxtel-flow ", 0) == 0) examples.push_back(ReplaceAll(line, "&gt;", ">"));
        }
    }
    return examples;
}

// Shell words of an example: single quotes as the shell reads them; a redirection ("> file") is
// left out, since the test reads the output itself.
std::vector<std::string> ShellWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false, redirect = false;
    const auto finish = [&] {
        if (!inWord) return;
        const bool isRedirect = word == ">";
        if (!redirect && !isRedirect) words.push_back(word);
        redirect = isRedirect;
        word.clear();
        inWord = false;
    };
    for (const char c : line) {
        if (c == '\'') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            finish();
        } else {
            word += c;
            inWord = true;
        }
    }
    finish();
    return words;
}

struct ExampleSource {
    const char* name;
    std::vector<std::string> (*examples)();
};

class CliExamples : public CliTest, public ::testing::WithParamInterface<ExampleSource> {
protected:
    // The files and folders the examples name, in this test's folder.
    std::string Place(const std::string& word) {
        if (word == "day.xls") return (m_dir / "day.xls").string();
        if (word == "~/ticks/2026" || word == "~/导出") return (m_dir / "ticks").string();
        if (word == "/usr/share/moxtel/sample-day.xls") return kSourceDir + "/samples/sample-day.xls";
        if (word == "/tmp/try.db") return (m_dir / "try.db").string();
        return word;
    }
};

TEST_P(CliExamples, RunAsWritten) {
    // Days before and after the examples' clear date, and the workbook they name.
    fs::create_directories(m_dir / "ticks");
    WorkedDayText("ticks/a.xls", "20261129 岚谷示例 (600999)");
    WorkedDayText("ticks/b.xls", "20261204 岚谷示例 (600999)");
    WorkedDayText("day.xls", "20261204 岚谷示例 (600999)");
    ASSERT_EQ(Run({"import", (m_dir / "ticks").string()}).status, 0);

    auto examples = GetParam().examples();
    ASSERT_FALSE(examples.empty());
    // A template is added before the examples that use it.
    std::stable_partition(examples.begin(), examples.end(),
                          [](const std::string& e) { return e.find(" templates add ") != std::string::npos; });
    for (const auto& example : examples) {
        auto words = ShellWords(example);
        ASSERT_EQ(words.front(), "moxtel-flow") << example;
        words.erase(words.begin());
        std::transform(words.begin(), words.end(), words.begin(), [this](const auto& w) { return Place(w); });
        const auto r = Run(words);
        EXPECT_EQ(r.status, 0) << example << "\n" << r.err;
        if (words[0] != "templates" || words[1] != "add") {
            EXPECT_NE(r.out, "") << example;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, CliExamples,
                         ::testing::Values(ExampleSource{"help", HelpExamples}, ExampleSource{"man", ManExamples},
                                           ExampleSource{"manual", ManualExamples}),
                         [](const auto& tested) { return std::string(tested.param.name); });

using IntervalForms = CliTest;

// The interval forms the templates help and the man page show, "(0-300, ..., -)", are accepted.
TEST_F(IntervalForms, TheFormsTheHelpShowsAreAccepted) {
    const auto* templates = FindCliCommand("templates");
    ASSERT_NE(templates, nullptr);
    int n = 0;
    for (const std::string& text : {std::string(templates->details), ManText()}) {
        const auto open = text.find("(0-300");
        ASSERT_NE(open, std::string::npos);
        std::string list = text.substr(open + 1, text.find(')', open) - open - 1);
        std::replace(list.begin(), list.end(), ';', ',');
        for (std::string form : Lines(ReplaceAll(list, ",", "\n"))) {
            form = form.substr(form.find_first_not_of(' '));
            form = form.substr(0, form.find(' '));
            const auto r = Run({"templates", "add", "t" + std::to_string(++n), form, "-", "-", "-", "-"});
            EXPECT_EQ(r.status, 0) << form << "\n" << r.err;
        }
    }
    EXPECT_EQ(Run({"templates", "add", "t0", "500-", "-", "-", "-", "-"}).status, 1);  // an empty TO is 0
}

}  // namespace
}  // namespace moxtel::test
