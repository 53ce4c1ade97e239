#include "data/Schema.h"

#include <sqlite3.h>

namespace moxtel {
namespace {

// Every column is TEXT: values are written as texts and must read back exactly as written.
// A declared column named rowid hides SQLite's implicit rowid in SQL, which is what the
// statements mean by it; the implicit one stays reachable as oid.
constexpr const char* kCreateTables = R"sql(
CREATE TABLE IF NOT EXISTS gpmaster(
  rowid TEXT, code TEXT, datet TEXT, transchange TEXT, transindr TEXT, pricebeg TEXT,
  priceend TEXT, transoutdr TEXT, yesid TEXT, transinundr TEXT, transoutundr TEXT);
CREATE TABLE IF NOT EXISTS transin(
  rowid TEXT, one TEXT, two TEXT, three TEXT, four TEXT, five TEXT, six TEXT, seven TEXT,
  eight TEXT, nine TEXT, ten TEXT, more TEXT, onep TEXT, twop TEXT, threep TEXT, fourp TEXT,
  fivep TEXT, sixp TEXT, sevenp TEXT, eightp TEXT, ninep TEXT, tenp TEXT, morep TEXT, masterid TEXT);
CREATE TABLE IF NOT EXISTS transout(
  rowid TEXT, one TEXT, two TEXT, three TEXT, four TEXT, five TEXT, six TEXT, seven TEXT,
  eight TEXT, nine TEXT, ten TEXT, more TEXT, onep TEXT, twop TEXT, threep TEXT, fourp TEXT,
  fivep TEXT, sixp TEXT, sevenp TEXT, eightp TEXT, ninep TEXT, tenp TEXT, morep TEXT, masterid TEXT);
CREATE TABLE IF NOT EXISTS transinun(
  rowid TEXT, one TEXT, two TEXT, three TEXT, four TEXT, five TEXT, six TEXT, seven TEXT,
  eight TEXT, nine TEXT, ten TEXT, more TEXT, onep TEXT, twop TEXT, threep TEXT, fourp TEXT,
  fivep TEXT, sixp TEXT, sevenp TEXT, eightp TEXT, ninep TEXT, tenp TEXT, morep TEXT, masterid TEXT);
CREATE TABLE IF NOT EXISTS transoutun(
  rowid TEXT, one TEXT, two TEXT, three TEXT, four TEXT, five TEXT, six TEXT, seven TEXT,
  eight TEXT, nine TEXT, ten TEXT, more TEXT, onep TEXT, twop TEXT, threep TEXT, fourp TEXT,
  fivep TEXT, sixp TEXT, sevenp TEXT, eightp TEXT, ninep TEXT, tenp TEXT, morep TEXT, masterid TEXT);
CREATE TABLE IF NOT EXISTS transun(
  pricebefor TEXT, priceend TEXT, transbef TEXT, transend TEXT, flagbef TEXT, flagend TEXT,
  masterid TEXT, gpcode TEXT, transunknow TEXT, price TEXT, datet TEXT);
CREATE TABLE IF NOT EXISTS queryconfig(
  id INTEGER PRIMARY KEY, flagonecode TEXT, flagonevalue TEXT, flagtwocode TEXT, flagtwovalue TEXT,
  flagthreecode TEXT, flagthreevalue TEXT, flagfourcode TEXT, flagfourvalue TEXT,
  flagfivecode TEXT, flagfivevalue TEXT, flagdesc TEXT);
CREATE INDEX IF NOT EXISTS gpmaster_code_datet ON gpmaster(code, datet);
CREATE INDEX IF NOT EXISTS gpmaster_rowid ON gpmaster(rowid);
CREATE INDEX IF NOT EXISTS transin_masterid ON transin(masterid);
CREATE INDEX IF NOT EXISTS transout_masterid ON transout(masterid);
CREATE INDEX IF NOT EXISTS transinun_masterid ON transinun(masterid);
CREATE INDEX IF NOT EXISTS transoutun_masterid ON transoutun(masterid);
CREATE INDEX IF NOT EXISTS transun_masterid ON transun(masterid);
CREATE INDEX IF NOT EXISTS queryconfig_flagdesc ON queryconfig(flagdesc);
PRAGMA user_version = 1;
)sql";

static_assert(kSchemaVersion == 1, "update the PRAGMA in kCreateTables");

bool Run(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

// user_version of the open database, or -1 with the error when it cannot be read (not a
// database, locked, unreadable).
int UserVersion(sqlite3* db, std::string& error) {
    sqlite3_stmt* stmt = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        version = sqlite3_column_int(stmt, 0);
    } else {
        error = sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
    return version;
}

}  // namespace

bool EnsureSchema(sqlite3* db, std::string& error) {
    const int version = UserVersion(db, error);
    if (version < 0) return false;
    if (version >= kSchemaVersion) return true;
    // Two programs may meet a new file at once; IMMEDIATE serialises them and IF NOT EXISTS
    // makes the second one a no-op.
    if (!Run(db, "BEGIN IMMEDIATE", error)) return false;
    if (Run(db, kCreateTables, error) && Run(db, "COMMIT", error)) return true;
    if (sqlite3_get_autocommit(db) == 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

}  // namespace moxtel
