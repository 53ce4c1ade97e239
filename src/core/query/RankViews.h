#pragma once

#include <string>
#include <vector>

#include "core/query/CMSChart.h"
#include "core/query/CMSFlexGrid.h"
#include "core/query/RankQuery.h"

namespace moxtel {

// The ranking's columns in order: 股票, 天数, 流向, 流向(加未知流向), 分类天数, 主力净额, 超大单净额,
// 大单净额, 中单净额, 小单净额, 成交额, 主力净占比.
inline constexpr int kRankColumns = 12;
const std::vector<std::string>& RankColumnCaptions();

// The texts of a row under those captions: amounts to 0.1 万元, the share to 0.01%; the class
// figures of a stock without class days, and a share without them, as "—".
std::vector<std::string> RankRowTexts(const RankRow& row);

// Sorts rows by column (0..11): the stock code A to Z, every other column largest first; ties by code.
void SortRankRowsByColumn(std::vector<RankRow>& rows, int column);

// The grid: the captions as row 0, one row per stock, net figures red above 0 and green below.
void FillRankGrid(CMSFlexGrid& grid, const std::vector<RankRow>& rows);

// A bar chart of the column's figure for the first 10 and the last 10 of rows (all of them when
// there are 20 or fewer), in the rows' order. Nothing for the stock-code column.
void FillRankChart(CMSChart& chart, const std::vector<RankRow>& rows, int column);

}  // namespace moxtel
