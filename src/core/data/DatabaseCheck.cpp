#include "core/data/DatabaseCheck.h"

#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/data/DatabaseMessages.h"
#include "core/data/Schema.h"

namespace moxtel {
namespace {

constexpr int kCheckBusyMs = 2000;
constexpr int kIntegrityLinesShown = 3;

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Error FailureOn(const std::string& path, int code, const std::string& reason, int systemErrno = 0) {
    return Error{DescribeDatabaseFailure(code, reason, path, systemErrno), reason};
}

// The first lines of PRAGMA integrity_check; "ok" for a sound file.
std::string IntegrityReport(sqlite3* db, int& code) {
    sqlite3_stmt* stmt = nullptr;
    std::string report;
    code = sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
    int lines = 0;
    int rc = SQLITE_ROW;
    while (code == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW && lines++ < kIntegrityLinesShown) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        report += (report.empty() ? "" : "; ") + std::string(text != nullptr ? text : "");
    }
    if (code == SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) code = sqlite3_extended_errcode(db);
    if (code != SQLITE_OK) report = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    return report;
}

// Opens an existing file without creating it. A hot journal left by a killed program is rolled
// back by SQLite on the first read when the file may be written.
// The page size of db's main database; SQLite's default when it cannot be read.
std::int64_t PageSizeOf(sqlite3* db) {
    std::int64_t size = 4096;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
        size = sqlite3_column_int64(stmt, 0);
    }
    sqlite3_finalize(stmt);
    return size > 0 ? size : 4096;
}

sqlite3* OpenExisting(const std::string& path, int flags, int& code, std::string& reason) {
    sqlite3* db = nullptr;
    code = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (code != SQLITE_OK) {
        reason = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kCheckBusyMs);
    return db;
}

}  // namespace

Status VerifyDatabaseFile(const std::string& path, bool thorough) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return Error{"数据库文件不存在：\n" + path, std::strerror(errno)};
    if (!S_ISREG(info.st_mode)) {
        return Error{"不是数据库文件：\n" + path, S_ISDIR(info.st_mode) ? "是一个文件夹" : "不是普通文件"};
    }
    int code = SQLITE_OK;
    std::string reason;
    sqlite3* db = OpenExisting(path, SQLITE_OPEN_READONLY, code, reason);
    if (db == nullptr) return FailureOn(path, code, reason);
    SchemaCheck check = thorough ? CheckWholeSchema(db) : OpenSchema(db, false);
    if (check.ok() && thorough) {
        check.reason = IntegrityReport(db, check.code);
        if (check.code == SQLITE_OK && check.reason != "ok") check.code = SQLITE_CORRUPT;
    }
    sqlite3_close(db);
    if (!check.ok()) return FailureOn(path, check.code, check.reason);
    return Done{};
}

long long StoredDayCount(const std::string& path) {
    if (!FileExists(path)) return -1;
    int code = SQLITE_OK;
    std::string reason;
    sqlite3* db = OpenExisting(path, SQLITE_OPEN_READONLY, code, reason);
    if (db == nullptr) return -1;
    long long count = -1;
    // A database without any table (an empty file) holds no days.
    for (const char* sql : {"select count(*) from sqlite_master", "select count(*) from gpmaster"}) {
        sqlite3_stmt* stmt = nullptr;
        count = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
            count = sqlite3_column_int64(stmt, 0);
        }
        sqlite3_finalize(stmt);
        if (count <= 0) break;
    }
    sqlite3_close(db);
    return count;
}

DatabaseInspection InspectDatabaseFile(const std::string& path) {
    if (!FileExists(path)) return {DatabaseState::Missing, {}};
    int code = SQLITE_OK;
    std::string reason;
    sqlite3* db = OpenExisting(path, SQLITE_OPEN_READWRITE, code, reason);
    SchemaCheck check{code, reason};
    if (db != nullptr) check = OpenSchema(db, false);
    sqlite3_close(db);
    if (check.ok()) return {DatabaseState::Good, {}};
    const bool damaged = FaultOf(check.code) == DatabaseFault::Damaged;
    return {damaged ? DatabaseState::Damaged : DatabaseState::Unusable,
            DescribeDatabaseFailure(check.code, check.reason, path)};
}

Status CopyDatabaseSnapshot(const std::string& source, const std::string& target, const CopyProgress& progress) {
    int code = SQLITE_OK;
    std::string reason;
    // Opened for writing (never created): a journal a killed program left is rolled back first,
    // and a database in WAL mode gets its -wal and -shm files tidied away on close.
    sqlite3* src = OpenExisting(source, SQLITE_OPEN_READWRITE, code, reason);
    if (src == nullptr) return FailureOn(source, code, reason);
    sqlite3* dst = OpenExisting(target, SQLITE_OPEN_READWRITE, code, reason);
    if (dst == nullptr) {
        sqlite3_close(src);
        return FailureOn(target, code, reason);
    }
    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
    if (backup == nullptr) {
        code = sqlite3_extended_errcode(dst);
        reason = sqlite3_errmsg(dst);
    } else {
        // Copied in parts of a few MB, so a caller can show how far a large copy has come.
        constexpr int kPagesPerStep = 1024;
        const std::int64_t pageSize = PageSizeOf(src);
        std::int64_t shown = 0;
        do {
            code = sqlite3_backup_step(backup, progress ? kPagesPerStep : -1);
            if (progress && (code == SQLITE_OK || code == SQLITE_DONE)) {
                const std::int64_t total = std::int64_t{sqlite3_backup_pagecount(backup)} * pageSize;
                const std::int64_t copied = code == SQLITE_DONE ? total : total - std::int64_t{sqlite3_backup_remaining(backup)} * pageSize;
                // A source written meanwhile restarts the copy: the bar never goes back.
                shown = std::min(std::max(shown, copied), total);
                progress(code == SQLITE_DONE ? total : shown, total);
            }
        } while (code == SQLITE_OK);
        const int finished = sqlite3_backup_finish(backup);
        if (code == SQLITE_DONE) code = finished;
        // The copy of a database in WAL mode would be one too; a copy is kept as one
        // self-contained file.
        if (code == SQLITE_OK) code = sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) reason = sqlite3_errstr(code);
    }
    // The system's error of a failed write (a full disk met as an I/O error) on either side.
    const int systemErrno = SystemErrorOf(dst) != 0 ? SystemErrorOf(dst) : SystemErrorOf(src);
    const int closed = sqlite3_close(dst);
    sqlite3_close(src);
    if (code == SQLITE_OK && closed != SQLITE_OK) {
        code = closed;
        reason = sqlite3_errstr(closed);
    }
    if (code == SQLITE_OK) return Done{};
    // A full disk or a write error concerns the copy's side; anything else the file copied.
    const DatabaseFault fault = FaultOf(code, systemErrno);
    const bool readFault = code == SQLITE_IOERR_READ || code == SQLITE_IOERR_SHORT_READ;
    const bool onTarget = fault == DatabaseFault::DiskFull || (fault == DatabaseFault::IoError && !readFault);
    return FailureOn(onTarget ? target : source, code, reason, systemErrno);
}

std::string TemporaryFileBeside(const std::string& path) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return {};
    // mkstemp makes the file private (0600); a database copy gets the mode SQLite gives a new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0644 & ~mask);
    close(fd);
    return temp;
}

void RemoveTemporaryDatabase(const std::string& path) {
    std::remove(path.c_str());
    for (const char* suffix : {"-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

}  // namespace moxtel
