#include "core/data/DatabaseMessages.h"

#include <sqlite3.h>

#include <cerrno>

#include <string_view>

#include "core/data/CAdoDatabase.h"
#include "core/data/CDataFolder.h"

namespace moxtel {
namespace {

// A path as one word for a shell: as it is when it holds only safe characters, else in single
// quotes (a quote inside written as '\\'').
std::string ShellWord(const std::string& path) {
    bool safe = !path.empty();
    for (const char c : path) {
        safe = safe && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        std::string_view("/._-+,:@").find(c) != std::string_view::npos);
    }
    if (safe) return path;
    std::string word = "'";
    for (const char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

}  // namespace

std::string RestoreCommandFor(const std::string& path) {
    if (path.empty() || path == DefaultDatabaseFile()) return "moxtel-flow restore";
    return "moxtel-flow restore --db " + ShellWord(path);
}

DatabaseFault FaultOf(int sqliteCode, int systemErrno) {
    switch (sqliteCode & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return DatabaseFault::Damaged;
        case SQLITE_FULL:
            return DatabaseFault::DiskFull;
        case SQLITE_IOERR:
            // A full disk is often met where a file grows outside SQLite's own page writes
            // (the -shm or -wal), which it reports as an I/O error.
            return systemErrno == ENOSPC || systemErrno == EDQUOT ? DatabaseFault::DiskFull : DatabaseFault::IoError;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return DatabaseFault::Locked;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return DatabaseFault::ReadOnly;
        case SQLITE_CANTOPEN:
            return DatabaseFault::CantOpen;
        default:
            return DatabaseFault::Other;
    }
}

int SystemErrorOf(sqlite3* db) {
    if (db == nullptr) return 0;
    if (const int recorded = sqlite3_system_errno(db); recorded != 0) return recorded;
    int last = 0;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &last) == SQLITE_OK ? last : 0;
}

std::string DescribeDatabaseFailure(int sqliteCode, const std::string& sqliteMessage, const std::string& path,
                                    int systemErrno) {
    const std::string reason = "（" + sqliteMessage + "）";
    // A failed write is undone by SQLite (the statement or the whole transaction), so what was
    // stored before stays as it was.
    const std::string undone = "本次操作没有完成，已撤销，之前保存的数据不变。";
    switch (FaultOf(sqliteCode, systemErrno)) {
        case DatabaseFault::Damaged:
            return "数据库文件已损坏，或不是本程序的数据库：\n" + path + "\n" + reason +
                   "\n文件保持原样，未作任何改动。请用 \"" + RestoreCommandFor(path) +
                   "\" 从备份恢复（损坏的文件会改名保留）；"
                   "没有可用的备份时，再把该文件移到别处，程序会新建一个空的数据库。";
        case DatabaseFault::ReadOnly:
            return "数据库文件或文件夹没有写权限，无法写入数据库：\n" + path + "\n" + reason + "\n" + undone +
                   "请检查该文件和它所在文件夹的写权限（文件夹中还要能建立 -wal 和 -shm 文件）后再试。";
        case DatabaseFault::CantOpen:
            return "无法打开数据库文件：\n" + path + "\n" + reason + "\n" + undone +
                   "请检查该路径是一个文件而不是文件夹，它所在的文件夹存在并可以进入，并且有读写权限。";
        case DatabaseFault::DiskFull:
            return "磁盘已满，无法写入数据库：\n" + path + "\n" + reason + "\n" + undone + "请腾出磁盘空间后再试。";
        case DatabaseFault::IoError:
            return "读写数据库文件时磁盘出错（I/O 错误）：\n" + path + "\n" + reason + "\n" + undone +
                   "请检查磁盘或存储设备后再试。";
        case DatabaseFault::Locked:
            return "数据库正被另一个程序（另一个 moxtel 或 moxtel-flow）使用，等待 " +
                   std::to_string(CAdoDatabase::kBusyTimeoutMs / 1000) + " 秒后仍未释放：\n" + path + "\n" + reason +
                   "\n" + undone + "请等另一个程序完成后再试。";
        case DatabaseFault::Other:
            break;
    }
    return sqliteMessage;
}

}  // namespace moxtel
