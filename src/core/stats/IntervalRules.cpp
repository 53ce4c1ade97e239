#include "core/stats/IntervalRules.h"

#include <algorithm>

#include "core/common/TextUtil.h"

namespace moxtel {
namespace {

FlowFigure Figure(const BucketSum& s) { return {s.lots, s.amount}; }

}  // namespace

RangeFigures SumBucketRange(const DayFlowResult& day, int a, int b) {
    a = std::clamp(a, 0, kBucketCount);
    b = std::clamp(b, 0, kBucketCount);
    RangeFigures r;
    if (b <= a) return r;
    r.inflow = Figure(day.inflow.Sum(a + 1, b));
    r.outflow = Figure(day.outflow.Sum(a + 1, b));
    r.uncertain = Figure(day.uncertain.Sum(a + 1, b));
    const FlowFigure up = Figure(day.uncertainUp.Sum(a + 1, b));
    const FlowFigure down = Figure(day.uncertainDown.Sum(a + 1, b));
    r.net = r.inflow - r.outflow;
    r.netWithUncertain = r.inflow - r.outflow + up - down;
    r.total = r.inflow + r.outflow + r.uncertain;
    return r;
}

std::pair<int, int> ParseIntervalText(std::string_view text) {
    text = TrimView(text);
    std::string_view from;
    std::string_view to = text;
    const std::size_t dash = text.find('-');
    if (dash != std::string_view::npos) {
        from = text.substr(0, dash);
        to = text.substr(dash);
        while (!to.empty() && to.front() == '-') to.remove_prefix(1);
    }
    std::string toText(to);
    if (toText == "1000+" || toText.empty()) toText = "1100";
    return {ParseLeadingDigits(from) / 100, ParseLeadingDigits(toText) / 100};
}

}  // namespace moxtel
