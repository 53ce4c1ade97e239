#pragma once

#include <array>
#include <string>

struct sqlite3;

namespace moxtel {

// Version written to PRAGMA user_version once the tables below exist.
inline constexpr int kSchemaVersion = 1;
// Version once the table of per-day numbers (dayflow) exists too. A database of version 1 gains it
// when opened with the right to write, filled from the stored bucket rows.
inline constexpr int kDayFlowVersion = 2;
// Version once the table of days whose directions were inferred (dayinferred) exists too: masterid,
// and the rule the directions were inferred by ("tick-rule"). A day without a row there was read
// with the directions of its file. Added, empty, to a database of an earlier version when opened
// with the right to write; written and deleted with the day's other rows.
inline constexpr int kInferredVersion = 3;

// Two tables of per-day numbers (REAL), one row per stored day with all four bucket rows, written
// and deleted in the same transaction as the day's other rows:
// - dayflow, keyed and ordered by (code, datet) and indexed by datet, for questions across stocks:
//   the net flow and net flow with uncertain trades in 万元 as the history grid sums them from the
//   stored buckets; classday 1 for a day stored with order classes (0 for one stored before they
//   were kept, whose class columns are NULL), the amount of all its trades and the net amount
//   (inflow - outflow) of 主力, 超大单, 大单, 中单 and 小单.
// - dayclass, by masterid: the convention and lots and amount per class and direction.
inline constexpr std::array<const char*, 4> kDayFlowClassPrefixes{"small", "medium", "large", "super"};
inline constexpr std::array<const char*, 3> kDayFlowSidePrefixes{"in", "out", "un"};

// gpmaster and queryconfig are read with "select *" and then by column position, so the
// order of their columns is fixed. gpmaster:
//   0 rowid, 1 code, 2 datet, 3 transchange, 4 transindr, 5 pricebeg, 6 priceend,
//   7 transoutdr, 8 yesid, 9 transinundr, 10 transoutundr
inline constexpr int kGpmasterRowId = 0;
inline constexpr int kGpmasterPriceEnd = 6;
inline constexpr int kGpmasterYesId = 8;

// queryconfig: 0 id (filled by the database), then code and value of intervals one to five
// alternating (1 flagonecode, 2 flagonevalue, ... 9 flagfivecode, 10 flagfivevalue), 11 flagdesc.
inline constexpr int QueryconfigCodeColumn(int interval) { return 2 * interval - 1; }   // interval 1..5
inline constexpr int QueryconfigValueColumn(int interval) { return 2 * interval; }      // interval 1..5
inline constexpr int kQueryconfigName = 11;

// Creates the seven tables and their indexes where they are missing and sets user_version, all in
// one transaction. Never drops or alters anything that exists. A database that already carries a
// user_version is left untouched. On failure returns false with SQLite's description in error.
bool EnsureSchema(sqlite3* db, std::string& error);

// Outcome of checking an open database: code SQLITE_OK, or the SQLite result code of the failure
// (SQLITE_NOTADB, SQLITE_CORRUPT for a file that is damaged or of another shape, SQLITE_BUSY, ...)
// with its reason.
struct SchemaCheck {
    int code = 0;
    std::string reason;
    bool ok() const { return code == 0; }
};

// Run once on every new connection. Reads the file's stamp (which fails on a file that is no
// database or is truncated), adds the missing tables to an unstamped database when mayCreate,
// then checks that the seven tables exist with their columns in their defined order. A stamped
// database with a table missing or of another shape is reported as damaged; nothing is written
// to it.
// A file that has tables but none of this program's is refused the same way (another
// program's database), stamped or not.
SchemaCheck OpenSchema(sqlite3* db, bool mayCreate);

// The check of a file that is to become the database or its backup (a restore's source, a backup
// copy): all seven tables must be there with their columns, stamped or not. A file without any
// table (an empty file, a new database) fails as well as a foreign one.
SchemaCheck CheckWholeSchema(sqlite3* db);

}  // namespace moxtel
