#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/StoreContext.h"
#include "core/query/CMSFlexGrid.h"

namespace moxtel {

// Colours of a neighbour's lots: an outflow neighbour green, any other (inflow or uncertain) red.
inline constexpr std::uint32_t kColorNeighbourOut = RgbColor(0, 153, 0);
inline constexpr std::uint32_t kColorNeighbourOther = RgbColor(255, 0, 0);

// One stored trade of uncertain direction as the uncertain-direction window shows it: the stored
// texts, with the neighbours' lots signed ("-" for an outflow neighbour) and coloured.
struct UncertainDetailRow {
    std::string time;    // datet
    std::string price;   // price
    std::string lots;    // transunknow
    std::string before;  // transbef, signed by flagbef
    std::uint32_t beforeColor = kColorNeighbourOther;
    std::string beforePrice;  // pricebefor
    std::string after;        // transend, signed by flagend
    std::uint32_t afterColor = kColorNeighbourOther;
    std::string afterPrice;  // priceend
    // The rest of the stored row, for output that gives every stored field.
    std::string lotsBefore, lotsAfter;  // transbef, transend unsigned
    std::string flagBefore, flagAfter;  // flagbef, flagend: "入", "出" or "未知"
    std::string stockCode;              // gpcode
};

// A neighbour's lots as shown beside an uncertain trade: "-" in front for an outflow neighbour.
std::string SignedNeighbourLots(std::string_view flag, std::string_view lots);

// The day's uncertain trades, newest time text first; none for an empty master id.
std::vector<UncertainDetailRow> LoadUncertainDetail(const StoreContext& store, const std::string& masterId);

// Seven columns with their widths and the header row.
void SetUncertainGridHeaders(CMSFlexGrid& grid);

// Rows 1..n from LoadUncertainDetail, one empty row after the last; only headers for an empty id.
void FillUncertainGrid(const StoreContext& store, CMSFlexGrid& grid, const std::string& masterId);

}  // namespace moxtel
