// moxtel-flow restore: puts a checked backup copy back in place of a damaged database.
#include <istream>
#include <ostream>

#include "cli/CliCommands.h"
#include "core/common/TextUtil.h"
#include "core/data/CDataFolder.h"
#include "core/data/Restore.h"

namespace moxtel {
namespace {

bool Confirmed(CliContext& ctx, const std::string& source, const std::string& target) {
    ctx.out << "用备份\n  " << source << "\n替换数据库\n  " << target << "\n原文件改名保留为 " << target
            << ".damaged-日期-时间。继续吗？ [y/N] " << std::flush;
    std::string answer;
    std::getline(ctx.in, answer);
    answer = Trim(answer);
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "是";
}

}  // namespace

int RunRestoreCommand(const CliArgs& args, CliContext& ctx) {
    if (!args.positional.empty()) return UsageError(ctx, "takes no arguments");
    if (args.HasOption("--from") && args.Option("--from").empty())
        return UsageError(ctx, "--from", "needs a file name");
    const std::string target = ctx.store.DatabaseFile();
    const std::string source = args.HasOption("--from") ? args.Option("--from") : BackupFileOf(target);
    if (!args.Has("--yes")) {
        if (!ctx.interactive) return UsageError(ctx, "not on a terminal: confirm the restore with --yes");
        if (!Confirmed(ctx, source, target)) return NotConfirmed(ctx);
    }
    const auto restored = RestoreDatabase(source, target);
    if (!restored) {
        // The reason is added unless the message already gives it.
        const Error& error = restored.error();
        const bool told = error.detail.empty() || error.message.find(error.detail) != std::string::npos;
        return Failure(ctx, error.message + (told ? "" : "\n(" + error.detail + ")"));
    }
    ctx.out << "数据库已从备份恢复：" << target << "\n";
    if (!restored->keptAs.empty()) ctx.out << "原文件改名保留为：" << restored->keptAs << "\n";
    return kExitOk;
}

}  // namespace moxtel
