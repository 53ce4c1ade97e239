#pragma once

#include <array>
#include <string>

namespace moxtel {

inline constexpr int kBucketCount = 11;

// One trade-size bucket: lots (手, 100 shares) and amount (万元, ten thousand yuan).
struct BucketSum {
    double lots = 0.0;
    double amount = 0.0;
};

// Eleven trade-size buckets numbered 1 to 11: bucket k (1..10) holds trades of 100(k-1) up to
// below 100k lots, bucket 11 trades of 1000 lots and more. Index 0 exists but is never used,
// so the bucket numbers of the stored columns (one .. ten, more) index the array directly.
struct FlowBuckets {
    std::array<BucketSum, kBucketCount + 1> bucket{};

    BucketSum& operator[](int k) { return bucket[static_cast<std::size_t>(k)]; }
    const BucketSum& operator[](int k) const { return bucket[static_cast<std::size_t>(k)]; }

    void Clear() { bucket.fill(BucketSum{}); }
    // Sum of buckets first..last (both inclusive, clamped to 1..11); zero when last < first.
    BucketSum Sum(int first, int last) const;
};

// Bucket number 1..11 of a trade of the given lots: the first of 100, 200, ... 1000 that lots is
// strictly below gives bound/100; otherwise 11. Zero and negative lots fall into bucket 1.
int bucketOf(double lots);

// Order classes by size, in this order everywhere: 小单, 中单, 大单, 超大单 (see stats/OrderClasses.h).
inline constexpr int kOrderClassCount = 4;

// Lots (手) and amount (万元) of a day's trades per order class and direction.
struct OrderClassFlows {
    std::array<BucketSum, kOrderClassCount> inflow{};
    std::array<BucketSum, kOrderClassCount> outflow{};
    std::array<BucketSum, kOrderClassCount> uncertain{};
};

// The two ways of drawing the order-class lines; the values are stored with each day.
enum class OrderClassConvention { SharesOrAmount = 0, AmountOnly = 1 };

// The current day: five bucket sets and the day's texts.
struct DayFlowResult {
    FlowBuckets inflow;         // direction text non-empty and not "S" (table transin)
    FlowBuckets outflow;        // direction text exactly "S" (table transout)
    FlowBuckets uncertain;      // empty direction text (never stored as buckets)
    FlowBuckets uncertainUp;    // uncertain and priced above the trade before (transinun)
    FlowBuckets uncertainDown;  // uncertain and priced below the trade before (transoutun)

    std::string titleText;       // cell A1 unchanged
    std::string tradeDate;       // YYYYMMDD from A1
    std::string stockCode;       // stock identification from A1
    std::string masterId;        // stockCode + tradeDate
    std::string yesId;           // masterId of the stock's previous stored day, "0" if none
    std::string previousClose;   // previous closing price text, "0" when unknown
    std::string turnoverText;    // turnover as typed, " " when nothing was typed
    std::string firstPriceText;  // price text of workbook row 7
    std::string lastPriceText;   // price text of the last trade row

    // Order classes of the day; false for a day stored before they were kept.
    bool hasOrderClasses = false;
    OrderClassConvention orderConvention = OrderClassConvention::SharesOrAmount;
    OrderClassFlows orderClasses;
    // The directions were inferred from the prices (tick rule), the list having none (推断方向).
    bool inferredDirection = false;

    void ClearBuckets();
};

}  // namespace moxtel
