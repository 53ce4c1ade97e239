#pragma once

#include <ctime>
#include <string>

#include "common/Result.h"

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
// Run it while no other program uses the database: one that keeps its file open goes on
// writing to the renamed file.
Result<RestoreOutcome> RestoreDatabase(const std::string& source, const std::string& target);

}  // namespace moxtel
