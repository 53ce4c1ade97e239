// What moxtel-flow's commands share in checking their input and reporting errors.
#include <ostream>

#include "cli/CliCommands.h"
#include "core/maintenance/ClearData.h"
#include "core/stats/DayFlowTable.h"

namespace moxtel {
namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool IsCalendarDay(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

int UsageError(CliContext& ctx, const std::string& what, const std::string& why) {
    ctx.err << "moxtel-flow: " << what << ": " << why << "\n";
    if (FindCliCommand(ctx.command)) {
        ctx.err << "Try 'moxtel-flow " << ctx.command << " --help'.\n";
    } else {
        ctx.err << "Try 'moxtel-flow --help'.\n";
    }
    return kExitUsage;
}

int UsageError(CliContext& ctx, const std::string& why) {
    return UsageError(ctx, ctx.command.empty() ? std::string("usage") : ctx.command, why);
}

int Failure(CliContext& ctx, const std::string& what, const std::string& why) {
    if (!why.empty()) ctx.err << "moxtel-flow: " << what << ": " << why << "\n";
    return kExitFailure;
}

int Failure(CliContext& ctx, const std::string& why) { return Failure(ctx, ctx.command, why); }

int NotConfirmed(CliContext& ctx) {
    ctx.err << "moxtel-flow: " << ctx.command << ": " << kMsgNotConfirmed << "\n";
    return kExitOk;
}

int RunFailure(CliContext& ctx, const std::string& path, const Error& error) {
    // A refusal that already begins with the path is not named twice.
    const std::string prefix = path + ": ";
    const bool named = error.message.rfind(prefix, 0) == 0;
    const int status = Failure(ctx, path, named ? error.message.substr(prefix.size()) : error.message);
    if (!error.detail.empty()) ctx.err << error.detail << "\n";
    return status;
}

bool DirectionCodesOption(const CliArgs& args, CliContext& ctx, DirectionCodes& codes, int& status) {
    if (!args.HasOption("--direction-codes")) return true;
    const std::string text = args.Option("--direction-codes");
    const std::optional<DirectionCodes> parsed = ParseDirectionCodes(text);
    if (!parsed) {
        status = UsageError(ctx, "--direction-codes",
                            "takes three different whole numbers BUY,SELL,NEUTRAL such as 0,1,2, not " + text);
        return false;
    }
    codes = *parsed;
    return true;
}

bool InferDirectionOption(const CliArgs& args, CliContext& ctx, bool& infer, int& status) {
    infer = false;
    if (!args.HasOption("--infer-direction")) return true;
    if (args.Option("--infer-direction") != kTickRule) {
        status = UsageError(ctx, "--infer-direction", "takes tick-rule, not " + args.Option("--infer-direction"));
        return false;
    }
    infer = true;
    return true;
}

std::optional<std::string> ParseCliDate(const std::string& text) {
    std::string digits;
    if (text.size() == 8) {
        digits = text;
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    }
    if (digits.size() != 8 || !AllDigits(digits)) return std::nullopt;
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    if (!IsCalendarDay(year, month, day)) return std::nullopt;
    return digits;
}

bool IsPlainNumber(const std::string& text) {
    const auto dot = text.find('.');
    if (dot == std::string::npos) return AllDigits(text);
    const std::string whole = text.substr(0, dot);
    const std::string fraction = text.substr(dot + 1);
    if (whole.empty() && fraction.empty()) return false;
    return (whole.empty() || AllDigits(whole)) && (fraction.empty() || AllDigits(fraction));
}

std::vector<std::string> StoredCodesContaining(const StoreContext& store, const std::string& text) {
    std::vector<std::string> matches;
    for (const auto& code : LoadStockCodes(store)) {
        if (!text.empty() && code.find(text) != std::string::npos) matches.push_back(code);
    }
    return matches;
}

int RequireStoredCode(CliContext& ctx, const std::string& code) {
    const auto codes = LoadStockCodes(ctx.store);
    if (ctx.databaseFailed) return kExitFailure;
    for (const auto& stored : codes) {
        if (stored == code) return kExitOk;
    }
    const auto similar = StoredCodesContaining(ctx.store, code);
    std::string why = "no stored stock has the code " + code;
    if (similar.empty()) {
        why += " (the code is as in A1 of the workbook, e.g. 岚谷示例(600999))";
    } else {
        why += "; stored codes containing it:";
        for (const auto& s : similar) why += "\n  " + s;
    }
    return Failure(ctx, why);
}

}  // namespace moxtel
