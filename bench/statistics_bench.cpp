// Speed of the statistics run on the bundled sample day (about 3,000 trades), reading only and
// reading with storing into a fresh database.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/data/CAdoDatabase.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"
#include "core/workbook/CExcelReader.h"

namespace {

const std::string kSample = std::string(MOXTEL_SOURCE_DIR) + "/samples/sample-day.xls";

void BM_OpenSampleWorkbook(benchmark::State& state) {
    for (auto _ : state) {
        moxtel::CExcelReader reader;
        benchmark::DoNotOptimize(reader.OpenWorkbook(kSample));
    }
}
BENCHMARK(BM_OpenSampleWorkbook)->Unit(benchmark::kMillisecond);

void BM_RunWithoutStore(benchmark::State& state) {
    for (auto _ : state) {
        auto run = moxtel::RunStatistics({kSample, "12.00", ""}, nullptr);
        if (!run) state.SkipWithError("run failed");
        benchmark::DoNotOptimize(run);
    }
}
BENCHMARK(BM_RunWithoutStore)->Unit(benchmark::kMillisecond);

void BM_RunAndStore(benchmark::State& state) {
    const auto db = std::filesystem::temp_directory_path() / "moxtel-bench" / "moxtel.db";
    std::filesystem::remove_all(db.parent_path());
    const moxtel::StoreContext database(db.string());
    for (auto _ : state) {
        moxtel::SqliteDayStore store(database);
        auto run = moxtel::RunStatistics({kSample, "12.00", ""}, &store);
        if (!run) state.SkipWithError("run failed");
    }
    std::filesystem::remove_all(db.parent_path());
}
BENCHMARK(BM_RunAndStore)->Unit(benchmark::kMillisecond);

}  // namespace
