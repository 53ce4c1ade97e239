#include "core/data/Schema.h"

#include <sqlite3.h>

#include <array>
#include <string_view>
#include <vector>

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

// The per-day numbers tables, and the first filling of dayflow from the days stored before it: the
// The per-day numbers tables, and the first filling of dayflow from the days stored before it: the
// net flows from the stored bucket texts (read by their leading number, as every query reads them),
// no class figures. Only days with all four bucket rows have a row, as only those are listed.
std::string DayFlowDdl() {
    std::string ddl =
        "CREATE TABLE IF NOT EXISTS dayflow(code TEXT, datet TEXT, netamount REAL, netunamount REAL, "
        "classday INTEGER, totalamount REAL, mainnetamount REAL, supernetamount REAL, largenetamount REAL, "
        "mediumnetamount REAL, smallnetamount REAL, PRIMARY KEY(code, datet)) WITHOUT ROWID;\n"
        // The date index holds every figure: a few dates are summed from it alone.
        "CREATE INDEX IF NOT EXISTS dayflow_datet ON dayflow(datet, code, netamount, netunamount, classday, "
        "totalamount, mainnetamount, supernetamount, largenetamount, mediumnetamount, smallnetamount);\n"
        "CREATE TABLE IF NOT EXISTS dayclass(masterid TEXT PRIMARY KEY, convention TEXT";
    for (const char* c : kDayFlowClassPrefixes) {
        for (const char* side : kDayFlowSidePrefixes) {
            ddl += std::string(", ") + c + side + "lots REAL, " + c + side + "amount REAL";
        }
    }
    ddl += ");\n";
    auto sum = [](const char* alias) {
        std::string text = "(";
        for (const char* column :
             {"onep", "twop", "threep", "fourp", "fivep", "sixp", "sevenp", "eightp", "ninep", "tenp", "morep"}) {
            text += std::string(text.size() > 1 ? "+" : "") + "cast(" + alias + "." + column + " as real)";
        }
        return text + ")";
    };
    ddl += "INSERT OR IGNORE INTO dayflow(code,datet,netamount,netunamount,classday) select a.code,a.datet," +
           sum("c") + "-" + sum("b") + "," + sum("c") + "-" + sum("b") + "+" + sum("d") + "-" + sum("e") +
           ",0 from gpmaster a join transin c on c.masterid=a.rowid join transout b on b.masterid=a.rowid"
           " join transinun d on d.masterid=a.rowid join transoutun e on e.masterid=a.rowid"
           " where a.code is not null and a.datet is not null;\n"
           "PRAGMA user_version = " +
           std::to_string(kDayFlowVersion) + ";\n";
    return ddl;
}

constexpr const char* kInferredDdl =
    "CREATE TABLE IF NOT EXISTS dayinferred(masterid TEXT PRIMARY KEY, method TEXT);\n"
    "PRAGMA user_version = 3;\n";
static_assert(kInferredVersion == 3, "update the PRAGMA in kInferredDdl");

bool Run(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

// user_version of the open database, or -1 with the error when it cannot be read (not a
// database, locked, unreadable).
int UserVersion(sqlite3* db, std::string& error, int* code = nullptr) {
    sqlite3_stmt* stmt = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        version = sqlite3_column_int(stmt, 0);
    } else {
        error = sqlite3_errmsg(db);
        if (code != nullptr) *code = sqlite3_extended_errcode(db);
    }
    sqlite3_finalize(stmt);
    return version;
}

using ColumnList = std::vector<std::string>;

constexpr std::array<const char*, 7> kTableNames{"gpmaster",   "transin", "transout",   "transinun",
                                                 "transoutun", "transun", "queryconfig"};

// Column names of a table in their order; empty when the table does not exist.
bool ReadColumns(sqlite3* db, const char* table, ColumnList& columns) {
    columns.clear();
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = std::string("PRAGMA table_info(") + table + ")";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return false;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        std::string lower = name != nullptr ? name : "";
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        columns.push_back(std::move(lower));
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

// The columns every table must have, read from the one definition above: after "CREATE TABLE IF
// NOT EXISTS name(" the first word of each comma-separated item, up to ");". Reading our own text
// costs next to nothing; building it in an in-memory database cost a fifth of a small run.
const std::array<ColumnList, kTableNames.size()>& ExpectedColumns() {
    static const auto expected = [] {
        std::array<ColumnList, kTableNames.size()> columns;
        const std::string_view ddl = kCreateTables;
        for (std::size_t i = 0; i < kTableNames.size(); ++i) {
            const std::string head = std::string("CREATE TABLE IF NOT EXISTS ") + kTableNames[i] + "(";
            std::size_t at = ddl.find(head) + head.size();
            const std::size_t end = ddl.find(");", at);
            while (at < end) {
                while (at < end && (ddl[at] == ' ' || ddl[at] == '\n' || ddl[at] == ',')) ++at;
                std::size_t word = at;
                while (word < end && ddl[word] != ' ' && ddl[word] != ',' && ddl[word] != '\n') ++word;
                if (word > at) columns[i].emplace_back(ddl.substr(at, word - at));
                at = ddl.find(',', word);
                if (at == std::string_view::npos || at > end) at = end;
            }
        }
        return columns;
    }();
    return expected;
}

std::string Joined(const ColumnList& columns) {
    std::string text;
    for (const std::string& c : columns) text += (text.empty() ? "" : ",") + c;
    return text;
}

// The text SQLite keeps in sqlite_master for each of the seven tables as this program creates them:
// its CREATE TABLE statement without "IF NOT EXISTS" and the closing ";".
const std::array<std::string, kTableNames.size()>& WrittenTableTexts() {
    static const auto texts = [] {
        std::array<std::string, kTableNames.size()> written;
        const std::string_view ddl = kCreateTables;
        for (std::size_t i = 0; i < kTableNames.size(); ++i) {
            const std::string head = std::string("CREATE TABLE IF NOT EXISTS ") + kTableNames[i] + "(";
            const std::size_t at = ddl.find(head) + head.size();
            const std::string_view columns = ddl.substr(at, ddl.find(");", at) - at);
            written[i] = std::string("CREATE TABLE ") + kTableNames[i] + "(" + std::string(columns) + ")";
        }
        return written;
    }();
    return texts;
}

// True when all seven tables stand in the file exactly as this program wrote them: SQLite rewrites
// a table's text with every change of its columns, so the same text means the same columns. One
// read of sqlite_master where seven PRAGMA table_info cost a twentieth of a small stored run; any
// other text (a key column of queryconfig named otherwise, a table missing or reshaped) goes on to
// the column by column check.
bool TablesAsWritten(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    constexpr const char* kSql = "select name,sql from sqlite_master where type='table'";
    if (sqlite3_prepare_v2(db, kSql, -1, &stmt, nullptr) != SQLITE_OK) return false;
    std::size_t matched = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        for (std::size_t i = 0; i < kTableNames.size(); ++i) {
            if (name != nullptr && sql != nullptr && std::string_view(name) == kTableNames[i] &&
                std::string_view(sql) == WrittenTableTexts()[i])
                ++matched;
        }
    }
    sqlite3_finalize(stmt);
    return matched == kTableNames.size();
}

// Compares the seven tables of an open database with their definition. The key column of
// queryconfig may carry any name (the database fills it; nobody names it). With allowMissing
// only the tables that exist are compared.
SchemaCheck CheckShape(sqlite3* db, bool allowMissing) {
    const auto& expected = ExpectedColumns();
    ColumnList found;
    for (std::size_t i = 0; i < kTableNames.size(); ++i) {
        if (!ReadColumns(db, kTableNames[i], found)) {
            return {sqlite3_extended_errcode(db), sqlite3_errmsg(db)};
        }
        if (found.empty() && allowMissing) continue;
        if (found.empty()) return {SQLITE_CORRUPT, std::string("表 ") + kTableNames[i] + " 不存在"};
        if (std::string(kTableNames[i]) == "queryconfig") found[0] = expected[i][0];
        if (found != expected[i]) {
            return {SQLITE_CORRUPT,
                    std::string("表 ") + kTableNames[i] + " 的列是 " + Joined(found) + "，应为 " + Joined(expected[i])};
        }
    }
    return {};
}

// The names of the file's own tables (not SQLite's), sorted, split into this program's and others.
struct TableInventory {
    int code = SQLITE_OK;
    std::string error;
    int ours = 0;
    std::vector<std::string> others;
};

TableInventory ReadTables(sqlite3* db) {
    TableInventory tables;
    sqlite3_stmt* stmt = nullptr;
    constexpr const char* kSql =
        "select name from sqlite_master where type='table' and name not like 'sqlite\\_%' escape '\\' order by name";
    int rc = sqlite3_prepare_v2(db, kSql, -1, &stmt, nullptr);
    while (stmt != nullptr && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        const std::string name = text != nullptr ? text : "";
        bool ours = false;
        for (const char* table : kTableNames) ours = ours || sqlite3_stricmp(name.c_str(), table) == 0;
        if (ours) {
            ++tables.ours;
        } else {
            tables.others.push_back(name);
        }
    }
    if (rc != SQLITE_DONE) {
        tables.code = sqlite3_extended_errcode(db);
        tables.error = sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
    return tables;
}

// A file with tables but none of this program's is another program's database: nothing is added
// to it. Reported as SQLITE_CORRUPT, so that the user reads "not this program's database".
SchemaCheck ForeignCheck(const TableInventory& tables) {
    if (tables.code != SQLITE_OK) return {tables.code, tables.error};
    if (tables.ours > 0 || tables.others.empty()) return {};
    std::string names;
    for (const std::string& name : tables.others) names += (names.empty() ? "" : ", ") + name;
    return {SQLITE_CORRUPT, "文件中没有本程序的表，只有其他的表：" + names};
}

// Two programs may meet a new file at once; IMMEDIATE serialises them and IF NOT EXISTS makes the
// second one a no-op. Adds what a database of version lacks. Returns SQLite's code of the failure
// (SQLITE_OK on success).
int CreateTables(sqlite3* db, std::string& error, int version = 0) {
    int code = SQLITE_OK;
    static const std::string dayFlow = DayFlowDdl();
    for (const char* sql : {"BEGIN IMMEDIATE", version < kSchemaVersion ? kCreateTables : "",
                            version < kDayFlowVersion ? dayFlow.c_str() : "", kInferredDdl, "COMMIT"}) {
        if (Run(db, sql, error)) continue;
        code = sqlite3_extended_errcode(db);
        if (sqlite3_get_autocommit(db) == 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return code == SQLITE_OK ? SQLITE_ERROR : code;
    }
    return code;
}

}  // namespace

SchemaCheck OpenSchema(sqlite3* db, bool mayCreate) {
    std::string error;
    int code = SQLITE_ERROR;
    const int version = UserVersion(db, error, &code);
    if (version < 0) return {code, error};
    if (version >= kSchemaVersion) {
        // The stamped file of this program has every table; the inventory is read only to name
        // a foreign file as such.
        SchemaCheck shape = TablesAsWritten(db) ? SchemaCheck{} : CheckShape(db, false);
        if (!shape.ok()) {
            if (SchemaCheck foreign = ForeignCheck(ReadTables(db)); !foreign.ok()) return foreign;
        }
        // A database of an earlier version gains the per-day numbers and the inferred-direction
        // marks; one opened read-only goes without.
        if (shape.ok() && version < kInferredVersion && mayCreate) {
            if (int added = CreateTables(db, error, version); added != SQLITE_OK) return {added, error};
        }
        return shape;
    }
    // A file without the stamp (made by hand or by an early version) gains the tables it lacks,
    // when it has none at all or already has one of ours; another program's database does not.
    if (SchemaCheck foreign = ForeignCheck(ReadTables(db)); !foreign.ok()) return foreign;
    if (mayCreate) {
        // Nothing is added to a database whose own tables are of another shape.
        if (SchemaCheck existing = CheckShape(db, true); !existing.ok()) return existing;
        code = CreateTables(db, error);
        if (code != SQLITE_OK) return {code, error};
    }
    // Without the right to add them, the missing tables of an unstamped database stay missing.
    return CheckShape(db, !mayCreate);
}

SchemaCheck CheckWholeSchema(sqlite3* db) {
    std::string error;
    int code = SQLITE_ERROR;
    if (UserVersion(db, error, &code) < 0) return {code, error};
    const TableInventory tables = ReadTables(db);
    if (SchemaCheck foreign = ForeignCheck(tables); !foreign.ok()) return foreign;
    if (tables.ours == 0) return {SQLITE_CORRUPT, "文件中没有任何表（空的数据库）"};
    return CheckShape(db, false);
}

bool EnsureSchema(sqlite3* db, std::string& error) {
    const int version = UserVersion(db, error);
    if (version < 0) return false;
    return version >= kInferredVersion || CreateTables(db, error, version) == SQLITE_OK;
}

}  // namespace moxtel
