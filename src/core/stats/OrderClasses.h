#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/stats/FlowBuckets.h"

namespace moxtel {

// Order classes, the index into OrderClassFlows' arrays.
enum OrderClass : int { kSmallOrder = 0, kMediumOrder = 1, kLargeOrder = 2, kSuperOrder = 3 };

// "小单", "中单", "大单", "超大单".
inline constexpr std::array<const char*, kOrderClassCount> kOrderClassNames{"小单", "中单", "大单", "超大单"};
inline constexpr const char* kMainOrderName = "主力";

// The convention's name on the command line, in JSON and in the database.
std::string_view ConventionName(OrderClassConvention convention);
std::optional<OrderClassConvention> ParseConvention(std::string_view name);

// A trade in exact decimal units: shares (lots x 100, rounded to a whole share) and price in
// 1/10000 yuan. Workbooks give prices with at most 3 decimals and whole or 2-decimal lots, so
// rounding the read value to these units recovers the decimal exactly, whatever its binary form.
struct ExactTrade {
    std::int64_t shares = 0;
    std::int64_t priceUnits = 0;
};
ExactTrade ToExactTrade(double lots, double price);

// The class of one trade: compared in whole shares and in amounts of 1/10000 yuan, so 2,000 lots
// at 10.00 is exactly 200万元. Zero, negative and unreadable trades are 小单.
OrderClass ClassifyTrade(const ExactTrade& trade, OrderClassConvention convention);

// The five rows of the panel: 小单, 中单, 大单, 超大单 and 主力 (大单 + 超大单).
inline constexpr int kOrderClassRows = kOrderClassCount + 1;
struct OrderClassRow {
    BucketSum inflow, outflow, net;  // net = inflow - outflow (lots and 万元)
    std::optional<double> netShare;  // net amount / the day's amount of all trades x 100; none for an empty day
};
std::array<OrderClassRow, kOrderClassRows> OrderClassRows(const OrderClassFlows& flows);

// The day's amount of all trades (in, out and uncertain) in 万元.
double OrderClassTotalAmount(const OrderClassFlows& flows);

}  // namespace moxtel
