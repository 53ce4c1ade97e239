#include "ui/app/StartupCheck.h"

#include "core/data/CDataFolder.h"
#include "core/data/DatabaseCheck.h"
#include "core/data/Restore.h"
#include "core/data/StoreContext.h"
#include "ui/app/WindowServices.h"

namespace moxtel {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

void Restore(IWindowServices& services, QWidget* owner, const std::string& backup, const std::string& file) {
    const auto restored = RestoreDatabase(backup, file);
    if (!restored) {
        const Error& error = restored.error();
        services.ShowMessage(owner, Text(error.message + (error.detail.empty() ? "" : "\n（" + error.detail + "）")));
        return;
    }
    std::string done = "数据库已从备份恢复：\n" + file;
    if (!restored->keptAs.empty()) done += "\n原文件改名保留为：\n" + restored->keptAs;
    services.ShowMessage(owner, Text(done));
}

}  // namespace

void CheckDatabaseAtStartup(const StoreContext& store, IWindowServices& services, QWidget* owner) {
    const std::string file = store.DatabaseFile();
    const DatabaseInspection inspection = InspectDatabaseFile(file);
    if (inspection.state != DatabaseState::Damaged) return;

    const std::string backup = BackupFileOf(file);
    if (const Status usable = VerifyDatabaseFile(backup, true); !usable) {
        services.ShowMessage(owner, Text(inspection.message + "\n\n没有可用的备份：\n" + backup + "\n（" +
                                         usable.error().detail + "）"));
        return;
    }
    const std::string question =
        inspection.message + "\n\n是否用备份\n" + backup + "\n恢复数据库？原文件会改名保留，不会删除。";
    if (services.Ask(owner, Text(question))) Restore(services, owner, backup, file);
}

}  // namespace moxtel
