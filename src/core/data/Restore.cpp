#include "data/Restore.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "data/DatabaseCheck.h"

namespace moxtel {
namespace {

// SQLite's files that belong to a database file and follow it when it is renamed.
constexpr const char* kCompanions[] = {"-journal", "-wal", "-shm"};

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::string UniqueAsideName(const std::string& file) {
    const std::string base = DamagedNameFor(file, std::time(nullptr));
    std::string name = base;
    for (int n = 2; Exists(name); ++n) name = base + "-" + std::to_string(n);
    return name;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Keeps target under the name aside, with its companions. A hard link keeps the file at both
// names, so that the database path is never empty: the copy then replaces it in one rename, and a
// program killed in between leaves the old file in place rather than no file (which the next
// start would take for a new, empty database). Where hard links are not possible, a rename.
// Returns whether target is still there.
Result<bool> KeepAside(const std::string& target, const std::string& aside) {
    const bool linked = link(target.c_str(), aside.c_str()) == 0;
    // EEXIST: another file took the name meanwhile; a rename would replace it.
    if (!linked && (errno == EEXIST || std::rename(target.c_str(), aside.c_str()) != 0)) {
        return Error{"无法把原数据库文件改名保留：\n" + target, std::strerror(errno)};
    }
    // A journal beside the copy would be applied to it: the companions go with the old file.
    for (const char* suffix : kCompanions) {
        if (Exists(target + suffix)) std::rename((target + suffix).c_str(), (aside + suffix).c_str());
    }
    return linked;
}

// A checked copy of source under a temporary name beside target; "" with the error on failure.
Result<std::string> CheckedCopyBeside(const std::string& source, const std::string& target) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    const std::string temp = TemporaryFileBeside(target);
    if (temp.empty()) return Error{"无法在数据库文件夹中建立文件：\n" + target, std::strerror(errno)};
    Status copied = CopyDatabaseSnapshot(source, temp);
    if (copied) copied = VerifyDatabaseFile(temp, true);
    if (!copied) {
        RemoveTemporaryDatabase(temp);
        return copied.error();
    }
    return temp;
}

}  // namespace

std::string DamagedNameFor(const std::string& file, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return file + ".damaged-" + stamp;
}

Result<RestoreOutcome> RestoreDatabase(const std::string& source, const std::string& target) {
    if (SameFile(source, target)) return Error{"备份文件就是数据库文件本身，无法用它恢复：\n" + source};
    // The check's own text would advise a restore, to a user who is restoring: the file and the
    // reason say enough.
    if (Status sound = VerifyDatabaseFile(source, true); !sound) {
        const std::string& reason = sound.error().detail;
        return Error{"备份文件未通过检查，不能用来恢复：\n" + source + "\n（" + reason + "）", reason};
    }
    Result<std::string> temp = CheckedCopyBeside(source, target);
    if (!temp) return temp.error();

    RestoreOutcome outcome;
    bool targetStays = false;
    if (Exists(target)) {
        outcome.keptAs = UniqueAsideName(target);
        Result<bool> kept = KeepAside(target, outcome.keptAs);
        if (!kept) {
            RemoveTemporaryDatabase(*temp);
            return kept.error();
        }
        targetStays = *kept;
    }
    if (std::rename(temp->c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        if (!outcome.keptAs.empty() && !targetStays) std::rename(outcome.keptAs.c_str(), target.c_str());
        RemoveTemporaryDatabase(*temp);
        return Error{"无法把备份放回原处：\n" + target, reason};
    }
    return outcome;
}

}  // namespace moxtel
