#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/data/CAdoDatabase.h"

namespace moxtel::test {

// A database of one test: a fresh temporary folder, the door pointed at <folder>/db/moxtel.db
// (created on first use) and an error reporter that records every message. Everything is undone
// when it goes.
class TestDatabase {
public:
    TestDatabase() {
        std::string pattern = (std::filesystem::temp_directory_path() / "moxtel-test-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        EXPECT_NE(made, nullptr);
        m_folder = pattern;
        CAdoDatabase::SetDatabaseFile(File());
        CAdoDatabase::SetErrorReporter([this](const std::string& message) { messages.push_back(message); });
    }
    ~TestDatabase() {
        CAdoDatabase::SetErrorReporter(nullptr);
        CAdoDatabase::SetDatabaseFile("");
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& Folder() const { return m_folder; }
    std::string File() const { return m_folder + "/db/moxtel.db"; }

    // Connects once, which creates the database with its tables when missing.
    static void Touch() { CAdoDatabase().Execute("select 1"); }

    // First column of the first row of a query run through a door of its own ("" without rows).
    static std::string Scalar(const std::string& sql, const SqlParams& params = {}) {
        CAdoDatabase db;
        db.OpenRecordset(sql, params);
        return db.IsEOF() ? std::string() : db.GetFieldText(0);
    }
    static int Count(const std::string& table) { return std::stoi(Scalar("select count(*) from " + table)); }

    // Every row of a query, each column as text.
    static std::vector<std::vector<std::string>> Rows(const std::string& sql, const SqlParams& params = {}) {
        std::vector<std::vector<std::string>> rows;
        Touch();
        sqlite3* db = nullptr;
        sqlite3_open_v2(CAdoDatabase::DatabaseFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        for (int i = 0; i < static_cast<int>(params.size()); ++i) {
            sqlite3_bind_text(stmt, i + 1, params[static_cast<std::size_t>(i)].c_str(), -1, SQLITE_TRANSIENT);
        }
        while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.emplace_back(text != nullptr ? text : "");
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return rows;
    }

    // Runs SQL on a raw connection of its own (setting up triggers, locks and the like).
    static void Raw(const std::string& sql) {
        Touch();
        sqlite3* db = nullptr;
        sqlite3_open(CAdoDatabase::DatabaseFile().c_str(), &db);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    std::vector<std::string> messages;

private:
    std::string m_folder;
};

}  // namespace moxtel::test
