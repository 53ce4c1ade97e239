#include "data/CDataFolder.h"

#include <pwd.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "data/CAdoDatabase.h"

namespace moxtel {
namespace {

constexpr int kBackupBusyMs = 2000;

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

// Copies the whole database at source into the (new, empty) file at target in one step, so the
// copy is one consistent snapshot.
bool CopyDatabase(const std::string& source, const std::string& target) {
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    bool ok = sqlite3_open_v2(source.c_str(), &src, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
              sqlite3_open_v2(target.c_str(), &dst, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(src, kBackupBusyMs);
        sqlite3_busy_timeout(dst, kBackupBusyMs);
        sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
        ok = backup != nullptr && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
        if (backup != nullptr) ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
    }
    ok = sqlite3_close(dst) == SQLITE_OK && ok;
    sqlite3_close(src);
    return ok;
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

Status BackupDatabase() {
    CDataFolder folder;
    const std::string source = CAdoDatabase::DatabaseFile();
    const std::string target = BackupFileOf(source);
    if (!CDataFolder::FolderExists(source, false) || CDataFolder::FolderExists(source, true)) {
        return Error{kMsgBackupFailed};
    }
    std::error_code ec;
    std::filesystem::create_directories(FolderOf(target), ec);
    if (!CDataFolder::FolderExists(FolderOf(target), true)) return Error{kMsgBackupFailed};

    // A fresh empty file under a unique name: SQLite takes it as an empty database.
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return Error{kMsgBackupFailed};
    close(fd);
    if (!CopyDatabase(source, temp) || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        std::remove((temp + "-journal").c_str());
        return Error{kMsgBackupFailed};
    }
    return Done{};
}

}  // namespace moxtel
