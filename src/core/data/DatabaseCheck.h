#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/common/Result.h"

namespace moxtel {

// Checks of whole database files, for the backup, the restore and the desktop start-up. They
// open files of their own (never through CAdoDatabase and its error reporter) and never write to
// the file they check.

// Opens path read-only and checks that it is this program's database (OpenSchema) and, with
// thorough, that it holds all seven tables (CheckWholeSchema: an empty or foreign file fails)
// and that PRAGMA integrity_check finds every page sound. The Error's message is a user's
// text naming the file (DescribeDatabaseFailure); detail is SQLite's or the check's reason.
// A missing file is an Error too.
Status VerifyDatabaseFile(const std::string& path, bool thorough);

// How many days (gpmaster rows) the database file at path holds: 0 for a database without any
// table (an empty file); -1 when it cannot be read (a missing, damaged or foreign file). Opens it
// read-only.
long long StoredDayCount(const std::string& path);

// What the desktop program finds at start-up.
enum class DatabaseState {
    Missing,   // created with its tables on first use
    Good,      // opens and has the shape of this program's database
    Damaged,   // not a database, truncated, or tables missing or of another shape
    Unusable,  // cannot be read now for another reason (locked, no right to read, I/O error)
};
struct DatabaseInspection {
    DatabaseState state = DatabaseState::Good;
    std::string message;  // for Damaged and Unusable: what the user is shown
};
// The cheap check every connection makes, without its error reporting: opens, reads the stamp
// and the tables' columns.
DatabaseInspection InspectDatabaseFile(const std::string& path);

// Copies the database at source through SQLite's online backup into a fresh file at target (which
// must not exist yet or be empty), so the copy is one consistent snapshot even while another
// program writes. The copy is in rollback-journal mode whatever the source's mode, one file
// without companions. On failure the Error's detail holds the reason and message the user's
// text about the failing file; target may then hold a partial copy that the caller removes.
// progress, when given, is told the bytes copied so far and the whole size after each part of the
// copy, never going back, and last with copied == total.
using CopyProgress = std::function<void(std::int64_t copied, std::int64_t total)>;
Status CopyDatabaseSnapshot(const std::string& source, const std::string& target,
                            const CopyProgress& progress = {});

// A new empty file beside path (path + ".XXXXXX", made unique); "" when it cannot be made.
std::string TemporaryFileBeside(const std::string& path);
// Removes a temporary database file and the journal files SQLite may have left beside it.
void RemoveTemporaryDatabase(const std::string& path);

}  // namespace moxtel
