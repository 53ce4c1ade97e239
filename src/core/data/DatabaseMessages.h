#pragma once

#include <string>

namespace moxtel {

// What a user meets when the database fails, in words a user understands. Each message names
// the file and says what to do next; SQLite's own description follows in parentheses.
enum class DatabaseFault { Damaged, DiskFull, IoError, Locked, Other };

// SQLITE_CORRUPT and SQLITE_NOTADB: Damaged; SQLITE_FULL: DiskFull; SQLITE_IOERR (any extended
// code): IoError; SQLITE_BUSY and SQLITE_LOCKED: Locked; anything else: Other.
DatabaseFault FaultOf(int sqliteCode);

// The message for a failure with SQLite's (extended) result code and description on the database
// file at path. Other faults (a syntax error, a read-only file) keep SQLite's description alone.
std::string DescribeDatabaseFailure(int sqliteCode, const std::string& sqliteMessage, const std::string& path);

}  // namespace moxtel
