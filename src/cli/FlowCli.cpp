#include "FlowCli.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "CliCommands.h"
#include "LayoutsHelp.h"
#include "data/CAdoDatabase.h"

namespace moxtel {
namespace {

constexpr const char* kUsage =
    "usage: moxtel-flow [--db PATH] COMMAND ...\n"
    "\n"
    "commands:\n"
    "  stats WORKBOOK [--previous-close P] [--turnover T] [--template NAME] [--no-store] [--json]\n"
    "        [--date YYYYMMDD] [--stock 名称(代码)]\n"
    "      classify and bucket one day's trades and store the day (see 'moxtel-flow stats --help')\n"
    "  import PATH... [--jobs N] [--json]\n"
    "      store many workbooks (files and folders) per stock in trade-date order\n"
    "  history CODE FROM TO [--template NAME] [--json | --csv]\n"
    "      list the stored days of a stock between two dates (YYYYMMDD)\n"
    "  day MASTERID [--template NAME] [--json]\n"
    "      show one stored day\n"
    "  clear CODE DATE [--yes]\n"
    "      delete the stored days of a stock up to and including DATE\n"
    "  backup\n"
    "      copy the database into its BACKUP folder\n"
    "  restore [--from PATH] [--yes]\n"
    "      put the checked BACKUP copy (or PATH) back; the present file is kept as FILE.damaged-DATE-TIME\n"
    "  templates list [--json]\n"
    "  templates add|update NAME I1 I2 I3 I4 I5   (each FROM-TO, e.g. 0-300, 1000-1000+, 500-)\n"
    "  templates delete NAME\n"
    "\n"
    "--db PATH   database file (default $XDG_DATA_HOME/moxtel/data/moxtel.db)\n"
    "--version   print the version\n";

const std::set<std::string> kValueOptions = {"--db",   "--previous-close", "--turnover", "--template",
                                             "--from", "--date",           "--stock",    "--jobs"};
const std::set<std::string> kFlags = {"--no-store", "--json", "--csv", "--yes", "--help", "-h", "--version"};

}  // namespace

int UsageError(CliContext& ctx, const std::string& message) {
    ctx.err << "moxtel-flow: " << message << "\n" << "Try 'moxtel-flow --help'.\n";
    return kExitUsage;
}

int Failure(CliContext& ctx, const std::string& message) {
    if (!message.empty()) ctx.err << "moxtel-flow: " << message << "\n";
    return kExitFailure;
}

int RunFailure(CliContext& ctx, const Error& error) {
    const int status = Failure(ctx, error.message);
    if (!error.detail.empty()) ctx.err << error.detail << "\n";
    return status;
}

int RunFlowCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, std::istream& in,
               bool interactive) {
    CliContext ctx{out, err, in, interactive};
    std::string command;
    CliArgs args;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        std::string word = argv[i];
        if (!endOfOptions && word == "--") {
            endOfOptions = true;
            continue;
        }
        // A word like "-300" is an interval without a lower bound, not an option.
        const bool looksNumeric = word.size() > 1 && word[1] >= '0' && word[1] <= '9';
        if (!endOfOptions && word.size() > 1 && word[0] == '-' && !looksNumeric) {
            std::string value;
            bool hasValue = false;
            if (const auto eq = word.find('='); eq != std::string::npos && word.rfind("--", 0) == 0) {
                value = word.substr(eq + 1);
                word = word.substr(0, eq);
                hasValue = true;
            }
            if (kValueOptions.count(word)) {
                if (!hasValue) {
                    if (i + 1 >= argv.size()) return UsageError(ctx, "option " + word + " needs a value");
                    value = argv[++i];
                }
                args.options[word] = value;
                continue;
            }
            if (kFlags.count(word) && !hasValue) {
                args.flags.insert(word);
                continue;
            }
            return UsageError(ctx, "unknown option " + word);
        }
        if (command.empty()) {
            command = word;
        } else {
            args.positional.push_back(word);
        }
    }
    if (args.Has("--help") || args.Has("-h") || command == "help") {
        out << kUsage;
        if (command == "stats") out << "\n" << kStatsLayoutsHelp;
        return kExitOk;
    }
    if (args.Has("--version")) {
        out << "moxtel-flow 1.0\n";
        return kExitOk;
    }
    if (command.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    if (args.HasOption("--db")) {
        if (args.Option("--db").empty()) return UsageError(ctx, "--db needs a file name");
        CAdoDatabase::SetDatabaseFile(args.Option("--db"));
    }
    // A command that met a database failure does not end with success, even where it goes on
    // with an empty result as the windows do.
    bool databaseFailed = false;
    CAdoDatabase::SetErrorReporter([&err, &databaseFailed](const std::string& description) {
        databaseFailed = true;
        err << "moxtel-flow: " << description << "\n";
    });

    int status = kExitUsage;
    if (command == "stats") {
        status = RunStatsCommand(args, ctx);
    } else if (command == "import") {
        status = RunImportCommand(args, ctx);
    } else if (command == "history") {
        status = RunHistoryCommand(args, ctx);
    } else if (command == "day") {
        status = RunDayCommand(args, ctx);
    } else if (command == "clear") {
        status = RunClearCommand(args, ctx);
    } else if (command == "backup") {
        status = RunBackupCommand(args, ctx);
    } else if (command == "restore") {
        status = RunRestoreCommand(args, ctx);
    } else if (command == "templates") {
        status = RunTemplatesCommand(args, ctx);
    } else {
        status = UsageError(ctx, "unknown command " + command);
    }
    CAdoDatabase::SetErrorReporter(nullptr);
    return status == kExitOk && databaseFailed ? kExitFailure : status;
}

std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = 1;
        if (c >= 0xF0) {
            len = 4;
        } else if (c >= 0xE0) {
            len = 3;
        } else if (c >= 0xC0) {
            len = 2;
        }
        width += len >= 3 ? 2 : 1;  // three- and four-byte characters here are CJK or full width
        i += len;
    }
    return width;
}

std::string PadRight(const std::string& text, std::size_t width) {
    const std::size_t w = DisplayWidth(text);
    return w >= width ? text : text + std::string(width - w, ' ');
}

void WriteTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        widths[c] = DisplayWidth(header[c]);
        for (const auto& row : rows) {
            if (c < row.size()) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    }
    auto writeRow = [&](const std::vector<std::string>& row) {
        std::string line;
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
            line += c + 1 < row.size() ? PadRight(row[c], widths[c] + 2) : row[c];
        }
        out << line << "\n";
    };
    writeRow(header);
    for (const auto& row : rows) writeRow(row);
}

}  // namespace moxtel
