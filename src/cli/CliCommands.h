#pragma once

#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/Result.h"

namespace moxtel {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The command line after the global options: the command's positional words and its options.
struct CliArgs {
    std::vector<std::string> positional;          // without the command word
    std::map<std::string, std::string> options;   // "--template" -> "大单"
    std::set<std::string> flags;                  // "--json", "--no-store", ...

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
    bool interactive;  // standard input is a terminal
};

// Each returns an exit status: 0 success, 1 failure (message on err), 2 wrong usage.
int RunStatsCommand(const CliArgs& args, CliContext& ctx);
int RunClearCommand(const CliArgs& args, CliContext& ctx);
int RunBackupCommand(const CliArgs& args, CliContext& ctx);
int RunRestoreCommand(const CliArgs& args, CliContext& ctx);
int RunTemplatesCommand(const CliArgs& args, CliContext& ctx);
int RunHistoryCommand(const CliArgs& args, CliContext& ctx);
int RunDayCommand(const CliArgs& args, CliContext& ctx);
int RunImportCommand(const CliArgs& args, CliContext& ctx);

// Writes "moxtel-flow: <message>" and returns kExitUsage or kExitFailure.
int UsageError(CliContext& ctx, const std::string& message);
int Failure(CliContext& ctx, const std::string& message);
// A failed run: its message, then its detail (the path and the reason) beneath it; returns kExitFailure.
int RunFailure(CliContext& ctx, const Error& error);

// Display width of UTF-8 text in a terminal (CJK and full-width characters count two).
std::size_t DisplayWidth(const std::string& text);
// text padded with blanks to the display width.
std::string PadRight(const std::string& text, std::size_t width);
// Writes rows under a header as columns aligned by display width, two blanks apart.
void WriteTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);

}  // namespace moxtel
