#include "core/stats/FlowBuckets.h"

#include <algorithm>

namespace moxtel {

BucketSum FlowBuckets::Sum(int first, int last) const {
    first = std::max(first, 1);
    last = std::min(last, kBucketCount);
    BucketSum sum;
    for (int k = first; k <= last; ++k) {
        sum.lots += bucket[static_cast<std::size_t>(k)].lots;
        sum.amount += bucket[static_cast<std::size_t>(k)].amount;
    }
    return sum;
}

int bucketOf(double lots) {
    for (int k = 1; k <= 10; ++k) {
        if (lots < 100.0 * k) return k;
    }
    return kBucketCount;
}

void DayFlowResult::ClearBuckets() {
    inflow.Clear();
    outflow.Clear();
    uncertain.Clear();
    uncertainUp.Clear();
    uncertainDown.Clear();
    hasOrderClasses = false;
    orderClasses = OrderClassFlows{};
    inferredDirection = false;
}

}  // namespace moxtel
