#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/data/StoreContext.h"

struct sqlite3;
struct sqlite3_stmt;

namespace moxtel {

// Values bound to the ? placeholders of a statement, in order. Every value is text.
using SqlParams = std::vector<std::string>;
// The same as views; what they show must live until the call returns (nothing is copied).
using SqlTexts = std::span<const std::string_view>;

// The one door to the database (SQLite). Short-lived: an operation constructs one on the stack,
// runs its statements (the first one connects), reads result columns by position as text and lets
// it go. It works on the database of the store context it is given, which must outlive it.
// Failures are shown through the store's reporter: a damaged file, a full disk, an I/O error and
// a lock held too long in a user's words with the file's path and what to do next
// (DescribeDatabaseFailure), any other failure with SQLite's own description; the operation then
// returns false, and a failed query reads as no rows (IsEOF true). Every connection first checks
// that the file is this program's database (OpenSchema) and refuses one that is not, untouched.
// Values are always bound, never pasted into the SQL text.
class CAdoDatabase {
public:
    // ReadWrite creates the file, its folder and the tables when missing. ReadOnly opens an
    // existing file without any right to write and never creates anything.
    enum class OpenMode { ReadWrite, ReadOnly };

    explicit CAdoDatabase(const StoreContext& store, OpenMode mode = OpenMode::ReadWrite);
    virtual ~CAdoDatabase();
    CAdoDatabase(const CAdoDatabase&) = delete;
    CAdoDatabase& operator=(const CAdoDatabase&) = delete;

    // Runs a query (SQL trimmed first) and keeps all its rows; replaces the rows of an earlier query.
    bool OpenRecordset(std::string_view sql, const SqlParams& params = {});
    // Runs an INSERT, UPDATE or DELETE (SQL trimmed first).
    bool Execute(std::string_view sql, const SqlParams& params = {});
    // Execute with the values as views, for statements run once per row: no string is built.
    bool ExecuteTexts(std::string_view sql, SqlTexts values);
    // Runs a query and hands each row to visit as views of its columns (NULL reads ""), valid
    // during the call; keeps no rows. For reading many rows without holding them.
    using RowVisitor = std::function<void(SqlTexts columns)>;
    bool ForEachRow(std::string_view sql, SqlTexts values, const RowVisitor& visit);

    bool IsEOF() const;    // true past the last row, with no rows, and after any failure
    bool MoveFirst();      // false when there is no recordset
    bool MoveNext();       // false when there is no recordset or it is at its end
    // Column by position (from 0) of the current row as text; NULL, missing or past the end read "".
    std::string GetFieldText(int column) const;

    // Ends the connection; a closed object does not reconnect.
    void Close();

    // Transactions for operations that must be all or nothing (a statistics run, a clearing).
    // BeginTransaction takes the write lock at once (in ReadOnly mode: a read snapshot), waiting
    // up to the busy timeout. Rollback does nothing when no transaction is open; destruction or
    // Close without Commit rolls back. When SQLite ends a transaction on its own (it may after a
    // full disk or an I/O error), every later statement and Commit fail until Rollback, so
    // nothing of the operation takes effect.
    bool BeginTransaction();
    bool Commit();
    void Rollback();
    bool InTransaction() const;

    // Folder of the running program file without a trailing '/'; "" when it lies in "/".
    static std::string GetProgramFolder();

    static constexpr int kBusyTimeoutMs = StoreContext::kBusyTimeoutMs;

private:
    bool Connect(int attempt = 0);
    static constexpr int kReconnects = 2;
    bool Run(std::string_view sql, SqlTexts params, bool keepRows);
    bool Step(sqlite3_stmt* stmt, SqlTexts params, std::size_t& nextParam, bool keepRows, bool last);
    sqlite3_stmt* CachedStatement(std::string_view text) const;
    bool KeepStatement(std::string_view text, sqlite3_stmt* stmt, bool whole);
    void FinalizeStatements();
    static constexpr std::size_t kKeptStatements = 24;
    void Report(const std::string& description) const;
    // Reports the connection's last failure in a user's words (DescribeDatabaseFailure).
    void ReportFailure() const;
    // A transaction begun here was ended by SQLite itself, not by Commit or Rollback.
    bool TransactionLost() const;

    const StoreContext& m_store;
    OpenMode m_mode = OpenMode::ReadWrite;
    sqlite3* m_connection = nullptr;
    bool m_closed = false;
    bool m_transactionBegun = false;
    std::vector<std::vector<std::optional<std::string>>> m_rows;
    std::size_t m_current = 0;
    bool m_hasRecordset = false;
    const RowVisitor* m_visitor = nullptr;  // set while ForEachRow runs
    std::vector<std::pair<std::string, sqlite3_stmt*>> m_statements;  // prepared once per connection
};

}  // namespace moxtel
