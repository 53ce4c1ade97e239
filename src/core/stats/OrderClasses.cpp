#include "core/stats/OrderClasses.h"

#include <cmath>
#include <limits>

namespace moxtel {
namespace {

constexpr std::int64_t kPriceScale = 10000;         // price units per yuan
constexpr std::int64_t kWan = 10000 * kPriceScale;  // amount units per 万元

// Thresholds from the largest class down: the class is the first whose shares or amount is reached.
struct Threshold {
    OrderClass orderClass;
    std::int64_t shares;  // 0: amount alone decides
    std::int64_t amount;  // in amount units
};
constexpr std::array<Threshold, 3> kSharesOrAmount{{
    {kSuperOrder, 500'000, 100 * kWan},
    {kLargeOrder, 100'000, 20 * kWan},
    {kMediumOrder, 20'000, 4 * kWan},
}};
constexpr std::array<Threshold, 3> kAmountOnly{{
    {kSuperOrder, 0, 100 * kWan},
    {kLargeOrder, 0, 20 * kWan},
    {kMediumOrder, 0, 5 * kWan},
}};

// value x scale to the nearest whole number; a value beyond the range saturates, NaN gives 0.
std::int64_t Units(double value, double scale) {
    const double scaled = std::round(value * scale);
    if (!(scaled == scaled)) return 0;
    constexpr double kLimit = 9.0e18;
    if (scaled >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (scaled <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(scaled);
}

std::int64_t AmountUnits(const ExactTrade& t) {
    if (t.shares <= 0 || t.priceUnits <= 0) return 0;
    std::int64_t amount = 0;
    if (__builtin_mul_overflow(t.shares, t.priceUnits, &amount)) return std::numeric_limits<std::int64_t>::max();
    return amount;
}

}  // namespace

std::string_view ConventionName(OrderClassConvention convention) {
    return convention == OrderClassConvention::AmountOnly ? "amount-only" : "shares-or-amount";
}

std::optional<OrderClassConvention> ParseConvention(std::string_view name) {
    if (name == "shares-or-amount") return OrderClassConvention::SharesOrAmount;
    if (name == "amount-only") return OrderClassConvention::AmountOnly;
    return std::nullopt;
}

ExactTrade ToExactTrade(double lots, double price) {
    return {Units(lots, 100.0), Units(price, static_cast<double>(kPriceScale))};
}

OrderClass ClassifyTrade(const ExactTrade& trade, OrderClassConvention convention) {
    const auto& thresholds = convention == OrderClassConvention::AmountOnly ? kAmountOnly : kSharesOrAmount;
    const std::int64_t amount = AmountUnits(trade);
    for (const Threshold& t : thresholds) {
        if ((t.shares > 0 && trade.shares >= t.shares) || amount >= t.amount) return t.orderClass;
    }
    return kSmallOrder;
}

double OrderClassTotalAmount(const OrderClassFlows& flows) {
    double total = 0.0;
    for (int c = 0; c < kOrderClassCount; ++c) {
        const auto i = static_cast<std::size_t>(c);
        total += flows.inflow[i].amount + flows.outflow[i].amount + flows.uncertain[i].amount;
    }
    return total;
}

std::array<OrderClassRow, kOrderClassRows> OrderClassRows(const OrderClassFlows& flows) {
    std::array<OrderClassRow, kOrderClassRows> rows{};
    auto add = [](BucketSum& sum, const BucketSum& part) {
        sum.lots += part.lots;
        sum.amount += part.amount;
    };
    for (std::size_t c = 0; c < kOrderClassCount; ++c) {
        rows[c].inflow = flows.inflow[c];
        rows[c].outflow = flows.outflow[c];
    }
    OrderClassRow& main = rows[kOrderClassCount];
    for (const std::size_t c : {std::size_t{kLargeOrder}, std::size_t{kSuperOrder}}) {
        add(main.inflow, flows.inflow[c]);
        add(main.outflow, flows.outflow[c]);
    }
    const double total = OrderClassTotalAmount(flows);
    for (OrderClassRow& row : rows) {
        row.net = {row.inflow.lots - row.outflow.lots, row.inflow.amount - row.outflow.amount};
        if (total != 0.0) row.netShare = row.net.amount / total * 100.0;
    }
    return rows;
}

}  // namespace moxtel
