#include "core/data/Restore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "core/data/CAdoDatabase.h"
#include "core/data/DatabaseCheck.h"
#include "core/data/DatabaseMessages.h"

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

// SQLite's lock bytes in a database file (its unix locking): the pending byte at 1 GiB, the
// reserved byte after it, then 510 shared bytes. A write lock on all of them is what other
// processes see as an exclusive lock: none can begin to read or write the file, and a process
// with a connection open in WAL mode keeps a shared lock, so it too keeps the lock from us.
constexpr off_t kLockFirst = 0x40000000;
constexpr off_t kLockLength = 2 + 510;
constexpr auto kLockRetry = std::chrono::milliseconds(10);

// Holds that lock on the file it was taken on; closing the descriptor lets it go.
class FileLock {
public:
    explicit FileLock(int fd = -1) : m_fd(fd) {}
    ~FileLock() {
        if (m_fd >= 0) close(m_fd);
    }
    FileLock(FileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileLock& operator=(FileLock&&) = delete;

private:
    int m_fd;
};

// Takes the exclusive lock on target, waiting as long as a statement would. The lock is taken on
// the file, not through SQLite, so that a damaged file can be locked and nothing is read from or
// written to it (a journal beside it is not rolled back into it). A file that cannot be opened
// for writing cannot be written by SQLite either and is not locked.
Result<FileLock> LockDatabaseFile(const std::string& target) {
    const int fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return FileLock{};
    FileLock lock(fd);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = kLockFirst;
    range.l_len = kLockLength;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs);
    while (fcntl(fd, F_SETLK, &range) != 0) {
        if ((errno != EAGAIN && errno != EACCES) || std::chrono::steady_clock::now() >= deadline) {
            const int code = errno == EAGAIN || errno == EACCES ? SQLITE_BUSY : SQLITE_IOERR_LOCK;
            const std::string reason = code == SQLITE_BUSY ? sqlite3_errstr(SQLITE_BUSY) : std::strerror(errno);
            return Error{DescribeDatabaseFailure(code, reason, target), reason};
        }
        std::this_thread::sleep_for(kLockRetry);
    }
    return lock;
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
    // The check's own text is about a damaged database and how to restore it; here the file is
    // the backup, so only its path and the reason are told.
    if (Status sound = VerifyDatabaseFile(source, true); !sound) {
        return Error{"备份文件未通过检查，不能用来恢复：\n" + source, sound.error().detail};
    }
    Result<std::string> temp = CheckedCopyBeside(source, target);
    if (!temp) return temp.error();

    // Held until the copy is in place: a program that opened the file before then waits, and
    // gives up rather than writing to the file set aside.
    Result<FileLock> lock = LockDatabaseFile(target);
    if (!lock) {
        RemoveTemporaryDatabase(*temp);
        return lock.error();
    }
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
