#pragma once

#include <string>

struct sqlite3;

namespace moxtel {

// What a user meets when the database fails, in words a user understands. Each message names
// the file and says what to do next; SQLite's own description follows in parentheses.
enum class DatabaseFault { Damaged, DiskFull, IoError, Locked, ReadOnly, CantOpen, Other };

// SQLITE_CORRUPT and SQLITE_NOTADB: Damaged; SQLITE_FULL: DiskFull; SQLITE_IOERR (any extended
// code): IoError, but DiskFull when the system's error behind it (sqlite3_system_errno) is ENOSPC
// or EDQUOT; SQLITE_BUSY and SQLITE_LOCKED: Locked; SQLITE_READONLY and SQLITE_PERM: ReadOnly;
// SQLITE_CANTOPEN: CantOpen; anything else: Other.
DatabaseFault FaultOf(int sqliteCode, int systemErrno = 0);

// The system's error (errno) behind the last failure on a connection: SQLite's record of it
// (sqlite3_system_errno), else the database file's last error (a failed sync or write); 0 when
// neither is known.
int SystemErrorOf(sqlite3* db);

// The command that restores the database file at path from its backup: "moxtel-flow restore",
// with "--db PATH" (quoted for a shell where needed) when path is not the default database.
std::string RestoreCommandFor(const std::string& path);

// The message for a failure with SQLite's (extended) result code and description on the database
// file at path; systemErrno as in FaultOf. Other faults (a syntax error) keep SQLite's
// description alone.
std::string DescribeDatabaseFailure(int sqliteCode, const std::string& sqliteMessage, const std::string& path,
                                    int systemErrno = 0);

}  // namespace moxtel
