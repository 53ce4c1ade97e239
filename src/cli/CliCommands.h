#pragma once

#include <atomic>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/common/Result.h"
#include "core/data/StoreContext.h"
#include "core/layout/TickLayout.h"

namespace moxtel {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The command line after the global options: the command's positional words and its options.
struct CliArgs {
    std::vector<std::string> positional;         // without the command word
    std::map<std::string, std::string> options;  // "--template" -> "大单"
    std::set<std::string> flags;                 // "--json", "--no-store", ...

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::string Option(const std::string& name) const {
        const auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
    bool HasOption(const std::string& name) const { return options.count(name) != 0; }
};

// Where a command writes and how it asks; tests replace the question.
struct CliContext {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool interactive;     // standard input is a terminal
    std::string command;  // the command word, named in error messages
    // Set by the database door's reporter, which has already said why (once). A command that
    // finds nothing after a database failure stops there rather than report "not found".
    std::atomic<bool> databaseFailed{false};
    // The database of --db (else the user's own) and its reporter, set up before a command runs.
    StoreContext& store;
};

using CliCommandFunction = int (*)(const CliArgs& args, CliContext& ctx);

// One command of moxtel-flow with its help. A new command is one more entry of CliCommandTable().
struct CliCommand {
    const char* name;
    const char* synopsis;  // the arguments after the name
    const char* summary;   // one line for the command list
    const char* details;   // the options and rules, lines indented by two blanks
    const char* example;   // lines of example calls
    CliCommandFunction run;
    // The options the command takes, blank-separated ("--template --json --csv"); any other is
    // a usage error. --db, --help, -h and --version go with every command.
    const char* options;
    const char* more = nullptr;  // a further paragraph after the example, or none
};

const std::vector<CliCommand>& CliCommandTable();
const CliCommand* FindCliCommand(const std::string& name);
// Whether command takes option (a flag or an option with a value), by its declaration.
bool TakesOption(const CliCommand& command, const std::string& option);
// "usage: moxtel-flow [--db PATH] COMMAND ..." with the list of commands.
void WriteUsage(std::ostream& out);
// Synopsis, details and example of one command, for "moxtel-flow COMMAND --help".
void WriteCommandHelp(std::ostream& out, const CliCommand& command);
// The version moxtel-flow reports.
std::string CliVersion();

// Each returns an exit status: 0 success, 1 failure (message on err), 2 wrong usage.
int RunStatsCommand(const CliArgs& args, CliContext& ctx);
int RunClearCommand(const CliArgs& args, CliContext& ctx);
int RunBackupCommand(const CliArgs& args, CliContext& ctx);
int RunRestoreCommand(const CliArgs& args, CliContext& ctx);
int RunTemplatesCommand(const CliArgs& args, CliContext& ctx);
int RunHistoryCommand(const CliArgs& args, CliContext& ctx);
int RunDayCommand(const CliArgs& args, CliContext& ctx);
int RunImportCommand(const CliArgs& args, CliContext& ctx);
int RunRankCommand(const CliArgs& args, CliContext& ctx);

// Write "moxtel-flow: <what>: <why>" on err and return kExitUsage or kExitFailure. The short forms
// name the current command as <what>. An empty why writes nothing: the failure was already reported
// (the database door's reporter). A usage error adds where to find the command's help.
int UsageError(CliContext& ctx, const std::string& why);
int UsageError(CliContext& ctx, const std::string& what, const std::string& why);
int Failure(CliContext& ctx, const std::string& why);
int Failure(CliContext& ctx, const std::string& what, const std::string& why);
// A question answered with no: says on err that nothing changed; returns kExitOk (declining is
// no failure).
inline constexpr const char* kMsgNotConfirmed = "not confirmed; nothing changed";
int NotConfirmed(CliContext& ctx);
// A failed run of the workbook at path: "moxtel-flow: <path>: <message>", then its detail (the path
// and the reader's reason) on the lines beneath; returns kExitFailure.
int RunFailure(CliContext& ctx, const std::string& path, const Error& error);

// --direction-codes BUY,SELL,NEUTRAL into codes; false (after the usage error, whose status is in
// status) when the text is not three different whole numbers.
bool DirectionCodesOption(const CliArgs& args, CliContext& ctx, DirectionCodes& codes, int& status);
// --infer-direction tick-rule into infer; false (after the usage error, whose status is in status)
// for any other rule.
bool InferDirectionOption(const CliArgs& args, CliContext& ctx, bool& infer, int& status);

// YYYYMMDD or YYYY-MM-DD of a real calendar day as eight digits; nullopt for anything else.
std::optional<std::string> ParseCliDate(const std::string& text);
// A price or a rate as typed: digits with at most one decimal point ("10", "10.05", ".5").
bool IsPlainNumber(const std::string& text);
// The stored stock codes that contain text (bytewise, so "600999" finds "岚谷示例(600999)").
std::vector<std::string> StoredCodesContaining(const StoreContext& store, const std::string& text);
// Fails unless code is a stored stock code: says so and lists the stored codes containing it.
// Returns kExitOk when code is stored.
int RequireStoredCode(CliContext& ctx, const std::string& code);

// Display width of UTF-8 text in a terminal (CJK and full-width characters count two).
std::size_t DisplayWidth(const std::string& text);
// text padded with blanks to the display width.
std::string PadRight(const std::string& text, std::size_t width);
// Writes rows under a header as columns aligned by display width, two blanks apart.
void WriteTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);
// The same as CSV: UTF-8, CRLF line ends, fields quoted per RFC 4180 where they need it.
void WriteCsv(std::ostream& out, const std::vector<std::string>& header,
              const std::vector<std::vector<std::string>>& rows);

}  // namespace moxtel
