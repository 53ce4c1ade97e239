#include "core/data/CDataFolder.h"

#include <pwd.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/data/CAdoDatabase.h"
#include "core/data/DatabaseCheck.h"

namespace moxtel {
namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return ".";
}

// Folder part of a path: "." for a bare file name, "/" for a file in the root.
std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A database cut to nothing is taken by SQLite for a new one and gets empty tables; its copy must
// not push out a backup that still holds the days.
Status KeepsTheStoredDays(const std::string& source, const std::string& copy, const std::string& backup) {
    const long long kept = StoredDayCount(backup);
    if (kept <= 0 || StoredDayCount(copy) != 0) return Done{};
    return Error{"数据库中没有保存任何一天的数据：\n" + source + "\n而原有备份中有 " + std::to_string(kept) +
                 " 天的数据：\n" + backup +
                 "\n为免被没有数据的副本替换，不作备份。如确实要让备份为空，请先把原有备份移到别处。"};
}

}  // namespace

std::string DefaultDatabaseFile() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string base = (xdg != nullptr && xdg[0] == '/') ? std::string(xdg) : HomeFolder() + "/.local/share";
    return base + "/moxtel/data/moxtel.db";
}

std::string BackupFileOf(const std::string& databaseFile) {
    return FolderOf(databaseFile) + "/BACKUP/" + FileNameOf(databaseFile);
}

std::vector<std::string> HelpFolderCandidates(const std::string& programFolder, const std::string& sourceManualFolder) {
    std::vector<std::string> candidates;
    if (!programFolder.empty()) {
        const std::string prefix = ProgramFolderOf(programFolder);
        candidates.push_back((prefix.empty() ? programFolder + "/.." : prefix) + "/share/moxtel/help");
    }
    if (!sourceManualFolder.empty()) candidates.push_back(sourceManualFolder);
    return candidates;
}

std::optional<std::string> FindHelpIndex(const std::vector<std::string>& candidates) {
    for (const std::string& folder : candidates) {
        const std::string index = folder + "/index.html";
        struct stat info {};
        if (stat(index.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return index;
    }
    return std::nullopt;
}

std::string ProgramFolderOf(std::string_view programFile) {
    const auto slash = programFile.rfind('/');
    if (slash == std::string_view::npos || slash == 0) return {};
    return std::string(programFile.substr(0, slash));
}

CDataFolder::CDataFolder() { EnsureDataFolder(GetProgramFolder()); }

std::string CDataFolder::GetProgramFolder() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
    return ProgramFolderOf(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

bool CDataFolder::FolderExists(const std::string& path, bool mustBeFolder) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return false;
    return !mustBeFolder || S_ISDIR(info.st_mode);
}

void CDataFolder::EnsureDataFolder(const std::string& programFolder) {
    const std::string path = programFolder + "/data";
    if (!FolderExists(path, true)) mkdir(path.c_str(), 0777);
}

namespace {

// The backup carries the database's modification time once it is complete: a database with the
// same size and time and no pending write-ahead log has not changed since, and needs no new copy.
// Any doubt (a file missing, a time not readable) makes the copy.
bool BackupIsCurrent(const std::string& source, const std::string& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto walSize = fs::file_size(source + "-wal", ec);
    if (!ec && walSize > 0) return false;
    ec.clear();
    const auto sourceSize = fs::file_size(source, ec);
    if (ec) return false;
    const auto targetSize = fs::file_size(target, ec);
    if (ec || sourceSize != targetSize) return false;
    const auto sourceTime = fs::last_write_time(source, ec);
    if (ec) return false;
    const auto targetTime = fs::last_write_time(target, ec);
    return !ec && sourceTime == targetTime;
}

void MarkBackupCurrent(const std::string& source, const std::string& target) {
    std::error_code ec;
    const auto sourceTime = std::filesystem::last_write_time(source, ec);
    // A file system keeping times in whole seconds would not tell a write in the same second from
    // none: a database written this recently is copied again next time.
    if (ec || std::filesystem::file_time_type::clock::now() - sourceTime < std::chrono::seconds(3)) return;
    std::filesystem::last_write_time(target, sourceTime, ec);  // failing, the next close copies again
}

}  // namespace

Status BackupDatabase(const StoreContext& store, const CopyProgress& progress) {
    CDataFolder folder;
    const std::string source = store.DatabaseFile();
    const std::string target = BackupFileOf(source);
    if (!CDataFolder::FolderExists(source, false) || CDataFolder::FolderExists(source, true)) {
        return Error{kMsgBackupFailed, "数据库文件不存在：" + source};
    }
    if (BackupIsCurrent(source, target)) return Done{};  // nothing changed since the last copy
    std::error_code ec;
    std::filesystem::create_directories(FolderOf(target), ec);
    if (!CDataFolder::FolderExists(FolderOf(target), true)) {
        return Error{kMsgBackupFailed, "无法建立备份文件夹：" + FolderOf(target)};
    }
    // The copy lands in a fresh file and replaces the earlier backup only once it is complete
    // and has passed the checks: a damaged database never pushes out a sound backup.
    const std::string temp = TemporaryFileBeside(target);
    if (temp.empty()) return Error{kMsgBackupFailed, "无法在备份文件夹中建立文件：" + FolderOf(target)};
    Status copied = CopyDatabaseSnapshot(source, temp, progress);
    if (copied) copied = KeepsTheStoredDays(source, temp, target);
    if (copied) copied = VerifyDatabaseFile(temp, true);
    if (copied && std::rename(temp.c_str(), target.c_str()) != 0) {
        copied = Error{"无法替换原有备份：" + target, std::strerror(errno)};
    }
    if (copied) MarkBackupCurrent(source, target);
    if (!copied) {
        RemoveTemporaryDatabase(temp);
        const Error& failed = copied.error();
        // The reason is told once: the messages about the database file already hold SQLite's.
        const bool told = failed.detail.empty() || failed.message.find(failed.detail) != std::string::npos;
        return Error{kMsgBackupFailed,
                     failed.message + (told ? "" : "\n（" + failed.detail + "）") + "\n原有备份保持不变。"};
    }
    return Done{};
}

}  // namespace moxtel
