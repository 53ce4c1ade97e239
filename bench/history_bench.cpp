// Speed of reading a whole year of stored days back: the history query with its grid and chart,
// and the comparison window's five charts, over 250 trading days of one stock.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/data/CAdoDatabase.h"
#include "core/query/FlowCharts.h"
#include "core/query/HistoryQuery.h"

namespace {

constexpr int kDays = 250;
constexpr const char* kCode = "岚谷示例(600999)";

// Stores a year of days straight through the door, in one transaction, with every bucket filled.
void StoreYear(const moxtel::StoreContext& store) {
    std::filesystem::remove_all(std::filesystem::path(store.DatabaseFile()).parent_path());
    moxtel::CAdoDatabase door(store);
    door.BeginTransaction();
    for (int d = 0; d < kDays; ++d) {
        char date[9];
        std::snprintf(date, sizeof date, "2026%02d%02d", 1 + d / 25, 1 + d % 25);
        const std::string id = std::string(kCode) + date;
        door.Execute("insert into gpmaster(code,yesid,datet,transchange,rowid) values(?,?,?,?,?)",
                     {kCode, "0", date, " ", id});
        const char* tables[] = {"transin", "transout", "transoutun", "transinun"};
        const char* suffixes[] = {"in", "o", "oun", "inun"};
        for (int t = 0; t < 4; ++t) {
            moxtel::SqlParams values{id + suffixes[t]};
            for (int k = 1; k <= 11; ++k) values.push_back(std::to_string(100 * k + d + t));
            for (int k = 1; k <= 11; ++k) values.push_back(std::to_string(12 * k + t) + ".5");
            values.push_back(id);
            door.Execute(std::string("insert into ") + tables[t] +
                             "(rowid,one,two,three,four,five,six,seven,eight,nine,ten,more,onep,twop,threep,fourp,"
                             "fivep,sixp,sevenp,eightp,ninep,tenp,morep,masterid) values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
                             "?,?,?,?,?,?,?,?,?)",
                         values);
        }
    }
    door.Commit();
}

const std::filesystem::path kDb = std::filesystem::temp_directory_path() / "moxtel-bench-year" / "moxtel.db";

void BM_HistoryQueryYear(benchmark::State& state) {
    const moxtel::StoreContext store(kDb.string());
    StoreYear(store);
    for (auto _ : state) {
        moxtel::SessionState session;
        moxtel::CMSFlexGrid grid;
        moxtel::CMSChart chart;
        auto n = moxtel::QueryHistory(store, session, {kCode, "20260101", "20261231", ""}, grid, chart, {});
        if (!n || *n != kDays) state.SkipWithError("wrong number of days");
    }
}
BENCHMARK(BM_HistoryQueryYear)->Unit(benchmark::kMillisecond);

void BM_CompareChartsYear(benchmark::State& state) {
    const moxtel::StoreContext store(kDb.string());
    StoreYear(store);
    moxtel::SessionState session;
    moxtel::CMSFlexGrid grid;
    moxtel::CMSChart chart;
    if (!moxtel::QueryHistory(store, session, {kCode, "20260101", "20261231", ""}, grid, chart, {})) {
        state.SkipWithError("the history query failed");
    }
    for (auto _ : state) {
        moxtel::CMSFlexGrid hidden;
        std::array<moxtel::CMSChart, 5> charts;
        moxtel::LoadCompareData(store, session, hidden, charts);
        benchmark::DoNotOptimize(charts);
    }
    std::filesystem::remove_all(kDb.parent_path());
}
BENCHMARK(BM_CompareChartsYear)->Unit(benchmark::kMillisecond);

}  // namespace
