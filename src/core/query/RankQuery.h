#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/data/StoreContext.h"

namespace moxtel {

// One stock's figures over a date range, amounts in 万元.
struct RankRow {
    std::string stockCode;
    int days = 0;                         // stored days in the range
    double netAmount = 0.0;               // sum of the history grid's 流向 amounts
    double netWithUncertainAmount = 0.0;  // sum of its 流向(加未知流向) amounts
    int classDays = 0;                    // of those, days stored with order classes
    // Sums over the class days only: net (inflow - outflow) per class and 主力 (大单 + 超大单).
    double mainNetAmount = 0.0;
    double superNetAmount = 0.0;
    double largeNetAmount = 0.0;
    double mediumNetAmount = 0.0;
    double smallNetAmount = 0.0;
    double totalAmount = 0.0;            // the amount of all trades of the class days
    std::optional<double> mainNetShare;  // mainNetAmount / totalAmount x 100; none without class days
};

// The figure a ranking sorts by.
enum class RankKey { Net, NetWithUncertain, Main, Super, Large, Medium, Small };

// "net", "netWithUncertain", "main", "super", "large", "medium", "small".
std::string_view RankKeyName(RankKey key);
std::optional<RankKey> ParseRankKey(std::string_view name);
double RankValue(const RankRow& row, RankKey key);

// Sorts rows by key, largest first, ties by stock code; keeps the first top (0: all).
void SortRankRows(std::vector<RankRow>& rows, RankKey key, std::size_t top = 0);

inline constexpr const char* kMsgNoDaysInRange = "所选时间段内没有保存的数据";

// Every stored stock's figures over from..to (yyyymmdd, both inclusive), unsorted. Fails with
// kMsgNoDaysInRange when no day of the range is stored, and with an empty message when the
// database failed (already reported).
// With twoConnections a long range is read as two halves of the stocks on two threads, each
// through its own connection (a year of a market: half the wall time on two cores); database
// failures are then reported from either thread, so only for reporters that allow that (the
// command line's, not the windows' message boxes). The rows and figures are the same either way,
// and come from one committed state of the database either way. betweenSnapshots (for tests) runs
// after the first connection's snapshot and before the second's.
Result<std::vector<RankRow>> LoadRankRows(const StoreContext& store, const std::string& from, const std::string& to,
                                          bool twoConnections = false,
                                          const std::function<void()>& betweenSnapshots = {});

}  // namespace moxtel
