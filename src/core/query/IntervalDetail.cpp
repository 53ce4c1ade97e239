#include "core/query/IntervalDetail.h"

namespace moxtel {

std::array<RangeFigures, kBucketCount> FillIntervalDetail(const DayFlowResult& day) {
    std::array<RangeFigures, kBucketCount> buckets;
    for (int k = 1; k <= kBucketCount; ++k) buckets[static_cast<std::size_t>(k - 1)] = SumBucketRange(day, k - 1, k);
    return buckets;
}

}  // namespace moxtel
