#include "core/query/IntervalDetail.h"

#include "core/stats/IntervalRules.h"

namespace moxtel {

std::map<int, std::string> FillIntervalDetail(const DayFlowResult& day) {
    std::map<int, std::string> cells;
    for (int k = 1; k <= kBucketCount; ++k) {
        const RangeFigures r = SumBucketRange(day, k - 1, k);
        const auto& ids = kIntervalDetailIds[static_cast<std::size_t>(k - 1)];
        cells[ids[0]] = r.inflow.Text();
        cells[ids[1]] = r.outflow.Text();
        cells[ids[2]] = r.net.Text();
        cells[ids[3]] = r.netWithUncertain.Text();
        cells[ids[4]] = r.total.Text();
        cells[ids[5]] = r.uncertain.Text();
    }
    return cells;
}

}  // namespace moxtel
