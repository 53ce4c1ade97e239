#include "core/data/CAdoDatabase.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "core/common/TextUtil.h"
#include "core/data/CDataFolder.h"
#include "core/data/ColumnSums.h"
#include "core/data/DatabaseMessages.h"
#include "core/data/Schema.h"

namespace moxtel {
namespace {

// Creates the folder of a database file that does not exist yet. A failure shows up when SQLite
// then cannot open the file, with its own message.
void PrepareFolderOf(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file(path);
    if (std::filesystem::exists(file, ec) || !file.has_parent_path()) return;
    std::filesystem::create_directories(file.parent_path(), ec);
}

using Row = std::vector<std::optional<std::string>>;

Row ReadRow(sqlite3_stmt* stmt) {
    const int columns = sqlite3_column_count(stmt);
    Row row(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        if (sqlite3_column_type(stmt, i) == SQLITE_NULL) continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        const int bytes = sqlite3_column_bytes(stmt, i);
        row[static_cast<std::size_t>(i)] =
            text != nullptr ? std::string(text, static_cast<std::size_t>(bytes)) : std::string();
    }
    return row;
}

// The path of the open database names another file now (SQLite's own test: the inode differs).
bool FileMoved(sqlite3* db) {
    int moved = 0;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

// Views of a list of values, for the one binding path.
std::vector<std::string_view> ViewsOf(const SqlParams& params) { return {params.begin(), params.end()}; }

}  // namespace

CAdoDatabase::CAdoDatabase(const StoreContext& store, OpenMode mode) : m_store(store), m_mode(mode) {}

CAdoDatabase::~CAdoDatabase() {
    FinalizeStatements();
    // Closing with a transaction still open rolls it back.
    if (m_connection != nullptr) sqlite3_close_v2(m_connection);
}

bool CAdoDatabase::Connect(int attempt) {
    const std::string path = m_store.DatabaseFile();
    // One object is used by one thread at a time, so SQLite's lock around every call on the
    // connection is not needed (other connections may still be used on other threads).
    int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    bool newFile = false;
    if (m_mode == OpenMode::ReadWrite) {
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        PrepareFolderOf(path);
        std::error_code ec;
        newFile = !std::filesystem::exists(path, ec) || std::filesystem::file_size(path, ec) == 0;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        Report(DescribeDatabaseFailure(rc, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc), path,
                                       SystemErrorOf(db)));
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    RegisterColumnSums(db);
    // Write-ahead log with NORMAL sync: a commit is one append to the log, synced at checkpoints
    // (the last connection to close makes one). A killed process keeps every committed day whole;
    // a power cut may lose the last commits but never corrupts the file. An empty file is ours to
    // shape: it gets the log before its tables, so that creating them is one cheap commit to the
    // log rather than two synced rollback-journal commits. Any other file gets it only once it
    // is known to be ours.
    constexpr const char* kJournal = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL";
    if (newFile) sqlite3_exec(db, kJournal, nullptr, nullptr, nullptr);
    // Also the check that the file is a database of this program at all: a foreign, truncated or
    // reshaped file fails here, untouched.
    const SchemaCheck check = OpenSchema(db, m_mode == OpenMode::ReadWrite);
    if (!check.ok()) {
        Report(DescribeDatabaseFailure(check.code, check.reason, path, SystemErrorOf(db)));
        sqlite3_close(db);
        return false;
    }
    // A restore that swapped the file while this connection waited for its first lock leaves it
    // on the file set aside; what it wrote there would be lost to the user. It connects again,
    // to the file now at the path.
    if (FileMoved(db) && attempt < kReconnects) {
        sqlite3_close(db);
        return Connect(attempt + 1);
    }
    if (m_mode == OpenMode::ReadWrite && !newFile) sqlite3_exec(db, kJournal, nullptr, nullptr, nullptr);
    m_connection = db;
    return true;
}

// Runs every statement of sql in turn, binding params to their placeholders in order. With
// keepRows the rows of the statements that return columns are collected into m_rows.
bool CAdoDatabase::Run(std::string_view sql, SqlTexts params, bool keepRows) {
    if (m_connection == nullptr) {
        if (m_closed) {
            Report(sqlite3_errstr(SQLITE_MISUSE));
            return false;
        }
        if (!Connect()) return false;
    }
    // After a full disk or an I/O error SQLite may roll the whole transaction back on its own.
    // The statements after it must not then take effect one by one: they fail as well (the
    // failure that ended the transaction has been reported).
    if (TransactionLost()) return false;
    const std::string_view text = TrimView(sql);
    const char* tail = text.data();
    const char* const end = tail + text.size();
    std::size_t nextParam = 0;
    while (tail < end) {
        sqlite3_stmt* stmt = tail == text.data() ? CachedStatement(text) : nullptr;
        const bool cached = stmt != nullptr;
        if (cached) {
            tail = end;
        } else if (sqlite3_prepare_v2(m_connection, tail, static_cast<int>(end - tail), &stmt, &tail) != SQLITE_OK) {
            ReportFailure();
            return false;
        }
        if (stmt == nullptr) continue;  // only blanks or a comment were left
        const bool keep = cached || KeepStatement(text, stmt, tail == end && nextParam == 0);
        const bool ok = Step(stmt, params, nextParam, keepRows, tail == end);
        if (keep) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        } else {
            sqlite3_finalize(stmt);
        }
        if (!ok) return false;
    }
    if (nextParam != params.size()) {
        Report(sqlite3_errstr(SQLITE_RANGE));
        return false;
    }
    return true;
}

// Binds the statement's share of params and steps it to the end. The texts are bound without a
// copy: SQLite reads them while stepping, and the caller keeps them alive until Run returns. The
// last statement must take all the values left; too many fail before it runs, so that nothing of
// a call with the wrong values takes effect.
bool CAdoDatabase::Step(sqlite3_stmt* stmt, SqlTexts params, std::size_t& nextParam, bool keepRows, bool last) {
    const int count = sqlite3_bind_parameter_count(stmt);
    const std::size_t needed = nextParam + static_cast<std::size_t>(count);
    if (needed > params.size() || (last && needed != params.size())) {
        Report(sqlite3_errstr(SQLITE_RANGE));
        return false;
    }
    for (int i = 1; i <= count; ++i) {
        const std::string_view value = params[nextParam++];
        // A null pointer would bind NULL; an empty text stays an empty text.
        sqlite3_bind_text(stmt, i, value.empty() ? "" : value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    }
    int rc = SQLITE_ROW;
    std::vector<std::string_view> columns;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (keepRows) m_rows.push_back(ReadRow(stmt));
        if (m_visitor) {
            columns.resize(static_cast<std::size_t>(sqlite3_column_count(stmt)));
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, static_cast<int>(i)));
                columns[i] = text ? std::string_view(text, static_cast<std::size_t>(
                                                               sqlite3_column_bytes(stmt, static_cast<int>(i))))
                                  : std::string_view();
            }
            (*m_visitor)(columns);
        }
    }
    if (rc != SQLITE_DONE) {
        ReportFailure();
        return false;
    }
    return true;
}

// A statement prepared earlier on this connection for exactly this text, or nullptr.
sqlite3_stmt* CAdoDatabase::CachedStatement(std::string_view text) const {
    for (const auto& [sql, stmt] : m_statements) {
        if (sql == text) return stmt;
    }
    return nullptr;
}

// Keeps a single-statement text prepared for the next call with the same text: a statistics run
// repeats a handful of statements thousands of times.
bool CAdoDatabase::KeepStatement(std::string_view text, sqlite3_stmt* stmt, bool whole) {
    if (!whole || m_statements.size() >= kKeptStatements) return false;
    m_statements.emplace_back(std::string(text), stmt);
    return true;
}

void CAdoDatabase::FinalizeStatements() {
    for (auto& entry : m_statements) sqlite3_finalize(entry.second);
    m_statements.clear();
}

bool CAdoDatabase::ForEachRow(std::string_view sql, SqlTexts values, const RowVisitor& visit) {
    struct Visiting {
        const RowVisitor*& slot;
        ~Visiting() { slot = nullptr; }
    } visiting{m_visitor = &visit};
    return Run(sql, values, false);
}

bool CAdoDatabase::OpenRecordset(std::string_view sql, const SqlParams& params) {
    m_rows.clear();
    m_current = 0;
    m_hasRecordset = false;
    if (!Run(sql, ViewsOf(params), true)) {
        m_rows.clear();
        return false;
    }
    m_hasRecordset = true;
    return true;
}

bool CAdoDatabase::Execute(std::string_view sql, const SqlParams& params) { return Run(sql, ViewsOf(params), false); }

bool CAdoDatabase::ExecuteTexts(std::string_view sql, SqlTexts values) { return Run(sql, values, false); }

bool CAdoDatabase::IsEOF() const { return !m_hasRecordset || m_current >= m_rows.size(); }

bool CAdoDatabase::MoveFirst() {
    if (!m_hasRecordset) return false;
    m_current = 0;
    return true;
}

bool CAdoDatabase::MoveNext() {
    if (IsEOF()) return false;
    ++m_current;
    return true;
}

std::string CAdoDatabase::GetFieldText(int column) const {
    if (IsEOF() || column < 0) return {};
    const Row& row = m_rows[m_current];
    const auto index = static_cast<std::size_t>(column);
    if (index >= row.size() || !row[index]) return {};
    return *row[index];
}

void CAdoDatabase::Close() {
    FinalizeStatements();
    if (m_connection != nullptr) sqlite3_close_v2(m_connection);
    m_connection = nullptr;
    m_closed = true;
    m_transactionBegun = false;
    m_rows.clear();
    m_hasRecordset = false;
}

bool CAdoDatabase::BeginTransaction() {
    m_transactionBegun = Execute(m_mode == OpenMode::ReadOnly ? "BEGIN" : "BEGIN IMMEDIATE");
    return m_transactionBegun;
}

bool CAdoDatabase::Commit() {
    const bool ok = Execute("COMMIT");
    if (ok) m_transactionBegun = false;
    return ok;
}

bool CAdoDatabase::TransactionLost() const {
    return m_transactionBegun && m_connection != nullptr && sqlite3_get_autocommit(m_connection) != 0;
}

void CAdoDatabase::Rollback() {
    m_transactionBegun = false;
    if (!InTransaction()) return;
    if (sqlite3_exec(m_connection, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK) ReportFailure();
}

bool CAdoDatabase::InTransaction() const {
    return m_connection != nullptr && sqlite3_get_autocommit(m_connection) == 0;
}

std::string CAdoDatabase::GetProgramFolder() { return CDataFolder::GetProgramFolder(); }

void CAdoDatabase::ReportFailure() const {
    // A write through a connection opened read-only is the caller's mistake, not the file's.
    const int code = sqlite3_extended_errcode(m_connection);
    if (m_mode == OpenMode::ReadOnly && code == SQLITE_READONLY) {
        Report(sqlite3_errmsg(m_connection));
        return;
    }
    Report(DescribeDatabaseFailure(code, sqlite3_errmsg(m_connection),
                                   sqlite3_db_filename(m_connection, "main"), SystemErrorOf(m_connection)));
}

void CAdoDatabase::Report(const std::string& description) const { m_store.Report(description); }

}  // namespace moxtel
