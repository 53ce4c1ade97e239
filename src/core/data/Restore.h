#pragma once

#include <ctime>
#include <string>

#include "core/common/Result.h"

namespace moxtel {

// The name a replaced database file is kept under: file + ".damaged-YYYYMMDD-HHMMSS" in local
// time, for example moxtel.db.damaged-20261207-143000.
std::string DamagedNameFor(const std::string& file, std::time_t when);

struct RestoreOutcome {
    std::string keptAs;  // where the replaced file now lies; "" when there was none
};

// Puts a checked copy of the database at source (normally the BACKUP copy) in place of the
// database file target. source must be this program's database and pass PRAGMA integrity_check,
// or nothing changes. The copy is made and checked under a temporary name beside target first;
// only then is the present file (with any journal SQLite left beside it, which belongs to it and
// must not be applied to the copy) kept aside under DamagedNameFor (made unique with "-2", "-3",
// ...; a hard link where possible, so that the database path is never without a file) and the
// copy renamed into place. Nothing is ever deleted. Errors carry a user's text.
// While the present file is kept aside and the copy renamed into place, the file is locked as
// SQLite locks it for writing, after waiting as long as a statement would
// (CAdoDatabase::kBusyTimeoutMs); another program that keeps it open or in use longer makes the
// restore fail with the message about the database being used, and nothing moves. A connection
// that opened the file before the swap and waited for the lock connects again to the new file.
Result<RestoreOutcome> RestoreDatabase(const std::string& source, const std::string& target);

}  // namespace moxtel
