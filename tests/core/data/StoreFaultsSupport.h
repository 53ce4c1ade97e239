#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/data/TestDatabase.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"

namespace moxtel::test {

// A tab-separated day of stock A in the test's folder: title cell, four empty rows, then trades
// (every third one without a direction, so the run stores uncertain trades as well).
inline std::string WriteDay(const TestDatabase& t, const std::string& date, int trades) {
    const std::string path = t.Folder() + "/day-" + date + ".xls";
    std::ofstream out(path, std::ios::binary);
    out << date << " AAA (600001)\n\n\n\n\n";
    for (int i = 0; i < trades; ++i) {
        const char* direction = i % 3 == 0 ? "" : (i % 3 == 1 ? "B" : "S");
        out << "09:" << 30 + i / 60 % 30 << ":" << i % 60 << "\t" << 10 + (i % 7) / 100.0 << "\t" << 50 + i * 7 % 1500
            << "\t1\t" << direction << "\n";
    }
    return path;
}

// Stores a day into the test's database; the turnover text marks which run stored it.
inline Result<StatisticsOutcome> StoreDay(const TestDatabase& t, const std::string& workbook,
                                          const std::string& turnover) {
    SqliteDayStore store(t.store);
    return RunStatistics({workbook, "", turnover}, &store);
}

// Every row of the flow tables, sorted: two equal snapshots hold the same stored days.
inline std::vector<std::vector<std::string>> StoredRows(const TestDatabase& t) {
    std::vector<std::vector<std::string>> all;
    for (const char* table : {"gpmaster", "transin", "transout", "transinun", "transoutun", "transun"}) {
        for (auto& row : t.Rows(std::string("select * from ") + table)) {
            row.insert(row.begin(), table);
            all.push_back(std::move(row));
        }
    }
    std::sort(all.begin(), all.end());
    return all;
}

// Compares two snapshots and names the first row that differs instead of printing both in full.
inline std::string FirstDifference(const std::vector<std::vector<std::string>>& a,
                                   const std::vector<std::vector<std::string>>& b) {
    auto joined = [](const std::vector<std::string>& row) {
        std::string text;
        for (const auto& v : row) text += v + "|";
        return text;
    };
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) return "row " + std::to_string(i) + ": " + joined(a[i]) + " vs " + joined(b[i]);
    }
    if (a.size() != b.size()) return std::to_string(a.size()) + " rows vs " + std::to_string(b.size());
    return {};
}

}  // namespace moxtel::test
