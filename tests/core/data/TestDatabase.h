#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/data/CAdoDatabase.h"

namespace moxtel::test {

// A database of one test: a fresh temporary folder, a store of <folder>/db/moxtel.db (created on
// first use) whose error reporter records every message. The folder goes with it.
class TestDatabase {
public:
    TestDatabase() {
        std::string pattern = (std::filesystem::temp_directory_path() / "moxtel-test-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        EXPECT_NE(made, nullptr);
        m_folder = pattern;
        store.SetDatabaseFile(File());
        store.SetErrorReporter([this](const std::string& message) { messages.push_back(message); });
    }
    ~TestDatabase() {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& Folder() const { return m_folder; }
    std::string File() const { return m_folder + "/db/moxtel.db"; }

    // Connects once, which creates the database with its tables when missing.
    void Touch() const { CAdoDatabase(store).Execute("select 1"); }

    // First column of the first row of a query run through a door of its own ("" without rows).
    std::string Scalar(const std::string& sql, const SqlParams& params = {}) const {
        CAdoDatabase db(store);
        db.OpenRecordset(sql, params);
        return db.IsEOF() ? std::string() : db.GetFieldText(0);
    }
    int Count(const std::string& table) const { return std::stoi(Scalar("select count(*) from " + table)); }

    // Every row of a query, each column as text.
    std::vector<std::vector<std::string>> Rows(const std::string& sql, const SqlParams& params = {}) const {
        std::vector<std::vector<std::string>> rows;
        Touch();
        sqlite3* db = nullptr;
        sqlite3_open_v2(store.DatabaseFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
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
    void Raw(const std::string& sql) const {
        Touch();
        RawOn(store.DatabaseFile(), sql);
    }
    static void RawOn(const std::string& file, const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    StoreContext store;  // what the test hands to everything that opens its database
    std::vector<std::string> messages;

private:
    std::string m_folder;
};

}  // namespace moxtel::test
