// moxtel-flow clear, backup and templates: keeping the database without the desktop program.
#include <algorithm>
#include <array>
#include <istream>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "core/common/TextUtil.h"
#include "core/data/CDataFolder.h"
#include "core/maintenance/ClearData.h"
#include "core/templates/TemplateStore.h"

namespace moxtel {
namespace {

bool IsFromItem(const std::string& s) {
    if (s.empty()) return true;
    for (int v = 0; v <= 1000; v += 100) {
        if (s == std::to_string(v)) return true;
    }
    return false;
}

bool IsToItem(const std::string& s) {
    if (s.empty() || s == "1000+") return true;
    for (int v = 100; v <= 1000; v += 100) {
        if (s == std::to_string(v)) return true;
    }
    return false;
}

// "FROM-TO" with FROM one of 0..1000 or empty and TO one of 100..1000, 1000+ or empty.
bool ParseIntervalChoice(const std::string& text, IntervalChoice& choice) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) return false;
    choice.fromItem = text.substr(0, dash);
    choice.toItem = text.substr(dash + 1);
    return IsFromItem(choice.fromItem) && IsToItem(choice.toItem);
}

int ListTemplates(const CliArgs& args, CliContext& ctx) {
    const auto templates = LoadTemplates(ctx.store);
    if (ctx.databaseFailed) return kExitFailure;
    if (args.Has("--json")) {
        Json array = Json::MakeArray();
        for (const auto& t : templates) {
            Json values = Json::MakeArray();
            Json codes = Json::MakeArray();
            for (int i = 0; i < 5; ++i) {
                values.Push(t.values[static_cast<std::size_t>(i)]);
                codes.Push(t.codes[static_cast<std::size_t>(i)]);
            }
            array.Push(
                Json::MakeObject().Add("name", t.name).Add("values", std::move(values)).Add("codes", std::move(codes)));
        }
        ctx.out << array.Dump();
        return kExitOk;
    }
    std::size_t width = DisplayWidth("模板名称");
    for (const auto& t : templates) width = std::max(width, DisplayWidth(t.name));
    ctx.out << PadRight("模板名称", width + 2) << "区间一      区间二      区间三      区间四      区间五\n";
    for (const auto& t : templates) {
        std::string line = PadRight(t.name, width + 2);
        for (const auto& v : t.values) line += PadRight(v, 12);
        ctx.out << Trim(line) << "\n";
    }
    return kExitOk;
}

int SaveTemplateCommand(SaveMode mode, const CliArgs& args, CliContext& ctx) {
    if (args.positional.size() != 7) return UsageError(ctx, "add and update need NAME I1 I2 I3 I4 I5");
    const std::string& name = args.positional[1];
    std::array<IntervalChoice, 5> intervals;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        if (!ParseIntervalChoice(args.positional[i + 2], intervals[i])) {
            return UsageError(ctx, args.positional[i + 2],
                              "is not an interval FROM-TO (FROM 0..1000 or empty, TO 100..1000, 1000+ or empty)");
        }
    }
    if (name.empty()) return Failure(ctx, kMsgTemplateNameEmpty);
    const Status saved = SaveTemplate(ctx.store, mode, name, intervals);
    if (!saved) return Failure(ctx, saved.error().message);
    return kExitOk;
}

int DeleteTemplateCommand(const std::string& name, CliContext& ctx) {
    if (name.empty()) return Failure(ctx, kMsgTemplateNameEmpty);
    // Deleting an unknown name changes nothing; say so rather than report a deletion.
    const bool found = LoadTemplateValues(ctx.store, name).has_value();
    if (ctx.databaseFailed) return kExitFailure;
    if (!found) return Failure(ctx, name + ": no template has this name; nothing deleted");
    const Status deleted = DeleteTemplate(ctx.store, name);
    return deleted ? kExitOk : Failure(ctx, deleted.error().message);
}

}  // namespace

int RunTemplatesCommand(const CliArgs& args, CliContext& ctx) {
    const std::string verb = args.positional.empty() ? std::string() : args.positional[0];
    if (args.Has("--json") && verb != "list") return UsageError(ctx, "--json goes with templates list only");
    if (verb == "list") {
        if (args.positional.size() != 1) return UsageError(ctx, "list takes no arguments");
        return ListTemplates(args, ctx);
    }
    if (verb == "add") return SaveTemplateCommand(SaveMode::Insert, args, ctx);
    if (verb == "update") return SaveTemplateCommand(SaveMode::Update, args, ctx);
    if (verb == "delete") {
        if (args.positional.size() != 2) return UsageError(ctx, "delete needs one NAME");
        return DeleteTemplateCommand(args.positional[1], ctx);
    }
    return UsageError(ctx, "needs list, add, update or delete");
}

int RunClearCommand(const CliArgs& args, CliContext& ctx) {
    if (args.positional.size() != 2) return UsageError(ctx, "needs CODE DATE");
    const std::string& code = args.positional[0];
    const auto date = ParseCliDate(args.positional[1]);
    if (code.empty()) return UsageError(ctx, "needs a stock CODE");
    if (!date) return UsageError(ctx, args.positional[1] + " is not a date YYYYMMDD or YYYY-MM-DD");
    if (const int status = RequireStoredCode(ctx, code); status != kExitOk) return status;
    if (!args.Has("--yes")) {
        if (!ctx.interactive) return UsageError(ctx, "not on a terminal: confirm the deletion with --yes");
        ctx.out << kMsgConfirmClear << " [y/N] " << std::flush;
        std::string answer;
        std::getline(ctx.in, answer);
        answer = Trim(answer);
        if (answer != "y" && answer != "Y" && answer != "yes" && answer != "是") return NotConfirmed(ctx);
    }
    const auto cleared = ClearStoredDays(ctx.store, code, *date);
    if (ctx.databaseFailed) return kExitFailure;
    if (!cleared) return Failure(ctx, cleared.error().message);
    if (*cleared == 0) return Failure(ctx, code + ": no stored day up to " + *date + "; nothing deleted");
    ctx.out << kMsgClearDone << "\n";
    return kExitOk;
}

int RunBackupCommand(const CliArgs& args, CliContext& ctx) {
    if (!args.positional.empty()) return UsageError(ctx, "backup takes no arguments");
    const Status done = BackupDatabase(ctx.store);
    if (!done) return Failure(ctx, done.error().message + "\n" + done.error().detail);
    ctx.out << BackupFileOf(ctx.store.DatabaseFile()) << "\n";
    return kExitOk;
}

}  // namespace moxtel
