// libFuzzer target: any bytes as a day's tick table, through the whole statistics run without a
// store: layout recognition (title or header row), the day's date and stock, classification and
// bucketing, the uncertain trades and the panel's interval sums. The first byte picks the options.
// Never a crash, a hang or an unbounded allocation; and the buckets must not depend on whether the
// uncertain trades' texts are kept.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSheet.h"
#include "core/stats/FlowFigure.h"
#include "core/stats/IntervalRules.h"
#include "core/stats/TickDay.h"

namespace {

bool SameBuckets(const moxtel::FlowBuckets& a, const moxtel::FlowBuckets& b) {
    return std::memcmp(a.bucket.data(), b.bucket.data(), sizeof(a.bucket)) == 0;
}

bool SameDay(const moxtel::DayFlowResult& a, const moxtel::DayFlowResult& b) {
    return SameBuckets(a.inflow, b.inflow) && SameBuckets(a.outflow, b.outflow) &&
           SameBuckets(a.uncertain, b.uncertain) && SameBuckets(a.uncertainUp, b.uncertainUp) &&
           SameBuckets(a.uncertainDown, b.uncertainDown) && a.masterId == b.masterId &&
           a.firstPriceText == b.firstPriceText && a.lastPriceText == b.lastPriceText;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t options = data[0];
    const std::string& path = moxtel::fuzz::WriteTempFile(data + 1, size - 1);
    moxtel::DayOverrides overrides;
    if (options & 1) {
        overrides.tradeDate = "20241204";
        overrides.stock = (options & 2) ? "000001" : "平安银行(000001)";
        overrides.storedStockOf = [](const std::string&) { return std::string("平安银行(000001)"); };
    }
    moxtel::StatisticsObserver observer;
    observer.warning = [](const moxtel::FileWarning&) {};
    auto kept = moxtel::ReadTickDay(path, observer, overrides, nullptr, true);
    auto summed = moxtel::ReadTickDay(path, observer, overrides, nullptr, false);
    if (kept.ok() != summed.ok()) std::abort();
    if (!kept.ok()) return 0;
    if (!SameDay(kept->day, summed->day) || kept->tradeRows != summed->tradeRows) std::abort();

    const moxtel::DayHeaderInfo header = moxtel::HeaderWithoutStore((options & 4) ? "10.00" : "", "");
    const moxtel::StatisticsOutcome outcome = moxtel::ResolveTickDay(std::move(*kept), header);
    for (std::size_t i = 0; i < outcome.uncertainTrades.size(); ++i) (void)outcome.uncertainTrades.View(i);
    for (int a = 0; a <= moxtel::kBucketCount; a += 3) {
        const auto figures = moxtel::SumBucketRange(outcome.day, a, a + 4);
        (void)figures;
    }
    (void)moxtel::FormatFixed(outcome.day.inflow.Sum(1, moxtel::kBucketCount).lots, 0);
    return 0;
}
