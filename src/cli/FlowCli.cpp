#include "cli/FlowCli.h"

#include <istream>
#include <ostream>

#include "cli/CliCommands.h"
#include "core/data/CAdoDatabase.h"

namespace moxtel {
namespace {

const std::set<std::string> kValueOptions = {
    "--db",   "--previous-close",  "--turnover",      "--template", "--from", "--date",           "--stock",
    "--jobs", "--direction-codes", "--order-classes", "--by",       "--top",  "--infer-direction"};
const std::set<std::string> kFlags = {"--no-store", "--json", "--csv", "--yes", "--help", "-h", "--version"};
// Taken whatever the command; the command table declares the others per command.
const std::set<std::string> kGlobalOptions = {"--db", "--help", "-h", "--version"};

// Splits argv into the command word, its positional words, options and flags; given receives
// the option and flag names in the order they came.
int ParseArguments(const std::vector<std::string>& argv, CliContext& ctx, CliArgs& args,
                   std::vector<std::string>& given) {
    bool endOfOptions = false;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        std::string word = argv[i];
        if (!endOfOptions && word == "--") {
            endOfOptions = true;
            continue;
        }
        // A word like "-300" is an interval without a lower bound, not an option.
        const bool looksNumeric = word.size() > 1 && word[1] >= '0' && word[1] <= '9';
        if (endOfOptions || word.size() < 2 || word[0] != '-' || looksNumeric) {
            if (ctx.command.empty()) {
                ctx.command = word;
            } else {
                args.positional.push_back(word);
            }
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const auto eq = word.find('='); eq != std::string::npos && word.rfind("--", 0) == 0) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        if (kValueOptions.count(word)) {
            if (!hasValue) {
                if (i + 1 >= argv.size()) return UsageError(ctx, word, "needs a value");
                value = argv[++i];
            }
            args.options[word] = value;
        } else if (kFlags.count(word)) {
            if (hasValue) return UsageError(ctx, word, "takes no value");
            args.flags.insert(word);
        } else {
            return UsageError(ctx, word, "unknown option");
        }
        given.push_back(word);
    }
    return kExitOk;
}

// An option the command does not take is refused rather than ignored.
int CheckOptions(const CliCommand& command, const std::vector<std::string>& given, CliContext& ctx) {
    for (const auto& option : given) {
        if (!kGlobalOptions.count(option) && !TakesOption(command, option)) {
            return UsageError(ctx, option + " is not an option of " + command.name);
        }
    }
    return kExitOk;
}

int RunWithDatabase(const CliCommand& command, const CliArgs& args, CliContext& ctx) {
    if (args.HasOption("--db")) {
        if (args.Option("--db").empty()) return UsageError(ctx, "--db", "needs a file name");
        ctx.store.SetDatabaseFile(args.Option("--db"));
    }
    // A command that met a database failure does not end with success, even where it goes on
    // with an empty result as the windows do. The first failure is reported; those after it
    // (every later query of a damaged file fails the same way) would only repeat it. A stats run
    // that stores while it reads may report from its storing thread.
    ctx.store.SetErrorReporter([&ctx](const std::string& description) {
        if (ctx.databaseFailed.exchange(true)) return;
        ctx.err << "moxtel-flow: " << ctx.store.DatabaseFile() << ": " << description << "\n";
    });
    const int status = command.run(args, ctx);
    ctx.store.SetErrorReporter(nullptr);
    return status == kExitOk && ctx.databaseFailed ? kExitFailure : status;
}

}  // namespace

int RunFlowCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, std::istream& in,
               bool interactive) {
    StoreContext store;
    CliContext ctx{out, err, in, interactive, {}, {}, store};
    CliArgs args;
    std::vector<std::string> given;
    if (const int status = ParseArguments(argv, ctx, args, given); status != kExitOk) return status;
    const bool wantsHelp = args.Has("--help") || args.Has("-h");
    if (ctx.command == "help" || (wantsHelp && ctx.command.empty())) {
        if (args.positional.empty()) {
            WriteUsage(out);
            return kExitOk;
        }
        const CliCommand* command = FindCliCommand(args.positional[0]);
        if (!command) return UsageError(ctx, args.positional[0], "unknown command");
        WriteCommandHelp(out, *command);
        return kExitOk;
    }
    if (args.Has("--version")) {
        out << "moxtel-flow " << CliVersion() << "\n";
        return kExitOk;
    }
    if (ctx.command.empty()) {
        WriteUsage(err);
        return kExitUsage;
    }
    const CliCommand* command = FindCliCommand(ctx.command);
    if (!command) return UsageError(ctx, ctx.command, "unknown command");
    if (wantsHelp) {
        WriteCommandHelp(out, *command);
        return kExitOk;
    }
    if (const int status = CheckOptions(*command, given, ctx); status != kExitOk) return status;
    return RunWithDatabase(*command, args, ctx);
}

}  // namespace moxtel
