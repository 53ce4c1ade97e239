#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/Json.h"
#include "core/query/QueryViews.h"
#include "core/stats/FlowBuckets.h"
#include "core/stats/IntervalRules.h"
#include "core/stats/UncertainTrade.h"

namespace moxtel {

// The six display texts {"inflow", "outflow", "uncertain", "net", "netWithUncertain", "total"}, after
// "label" when one is given; uncertainLast puts "uncertain" at the end, as the bucket rows list it.
Json FigureTextsJson(const RangeTexts& texts, const std::optional<std::string>& label = std::nullopt,
                     bool uncertainLast = false);
// The five interval rows of a day: label and the six display texts each.
Json IntervalsJson(const DayFlowResult& day, const std::array<std::string, 5>& labels);
// One trade of uncertain direction, the same fields wherever a command writes one: the eleven
// stored transun columns, then "before" and "after", the neighbours' lots signed as the
// uncertain-direction window shows them ("-1200" after an outflow).
Json UncertainTradeJson(const UncertainTradeView& trade);
// A stored trade as listed for a day, viewed as the row it was stored as.
UncertainTradeView StoredTradeOf(const UncertainDetailRow& row, const std::string& masterId);
// Captions of the main window's totals row; interval and bucket rows sit under the same columns.
inline const std::vector<std::string> kFiguresHeader = {"区间", "流入", "流出", "流向",
                                                        "流向(含未知流向)", "总量", "未知流向"};
// One row under kFiguresHeader: label and the six display texts in the captions' order.
std::vector<std::string> FiguresRow(const std::string& label, const RangeTexts& texts);
// The totals row and the five interval rows as a table under kFiguresHeader.
void WriteFiguresTable(std::ostream& out, const DayFlowResult& day, const std::array<std::string, 5>& labels);

}  // namespace moxtel
