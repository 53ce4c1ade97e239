#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/data/TestDatabase.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"

namespace moxtel::test {

inline std::string Fixture(const std::string& name) { return std::string(MOXTEL_TEST_DATA_DIR) + "/" + name; }

// The date and stock of the generated fixture day.
inline DayOverrides FixtureDay() { return DayOverrides{"20241204", "平安银行(000001)"}; }

// Every figure of two runs must be the same to the last bit: the same trades in the same order.
inline void ExpectSameDay(const StatisticsOutcome& a, const StatisticsOutcome& b) {
    const DayFlowResult& x = a.day;
    const DayFlowResult& y = b.day;
    EXPECT_EQ(x.titleText, y.titleText);
    EXPECT_EQ(x.tradeDate, y.tradeDate);
    EXPECT_EQ(x.stockCode, y.stockCode);
    EXPECT_EQ(x.masterId, y.masterId);
    EXPECT_EQ(x.yesId, y.yesId);
    EXPECT_EQ(x.previousClose, y.previousClose);
    EXPECT_EQ(x.firstPriceText, y.firstPriceText);
    EXPECT_EQ(x.lastPriceText, y.lastPriceText);
    const std::pair<const FlowBuckets*, const FlowBuckets*> sets[] = {{&x.inflow, &y.inflow},
                                                                      {&x.outflow, &y.outflow},
                                                                      {&x.uncertain, &y.uncertain},
                                                                      {&x.uncertainUp, &y.uncertainUp},
                                                                      {&x.uncertainDown, &y.uncertainDown}};
    for (std::size_t s = 0; s < std::size(sets); ++s) {
        for (int k = 1; k <= kBucketCount; ++k) {
            EXPECT_EQ((*sets[s].first)[k].lots, (*sets[s].second)[k].lots) << "set " << s << " bucket " << k;
            EXPECT_EQ((*sets[s].first)[k].amount, (*sets[s].second)[k].amount) << "set " << s << " bucket " << k;
        }
    }
    EXPECT_EQ(a.uncertainTrades, b.uncertainTrades);
}

// Runs one file into a fresh database and gives the run and every stored row of every table.
struct StoredRun {
    Result<StatisticsOutcome> run = Error{};
    std::vector<std::vector<std::vector<std::string>>> tables;
};

inline StoredRun RunAndStore(const StatisticsInputs& inputs) {
    TestDatabase db;
    StoredRun stored;
    {
        SqliteDayStore store(db.store);
        stored.run = RunStatistics(inputs, &store);
    }
    for (const char* table : {"gpmaster", "transin", "transout", "transinun", "transoutun", "transun"}) {
        stored.tables.push_back(db.Rows(std::string("select * from ") + table));
    }
    EXPECT_TRUE(db.messages.empty());
    return stored;
}

// A fresh folder for the files of one test, removed with everything in it when it goes.
class TestFolder {
  public:
    TestFolder() {
        m_path = std::filesystem::temp_directory_path() /
                 ("moxtel-layout-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
                  std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~TestFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const {
        const auto path = m_path / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

  private:
    std::filesystem::path m_path;
};

}  // namespace moxtel::test
