#include "core/stats/IntervalRules.h"

#include <gtest/gtest.h>

namespace moxtel {
namespace {

TEST(ParseIntervalText, GivesBucketBounds) {
    const struct {
        const char* text;
        int a, b;
    } cases[] = {
        {"0-300", 0, 3},     {"300-500", 3, 5},     {"500-800", 5, 8},   {"800-1000", 8, 10},
        {"1000---", 10, 11}, {"100-1000+", 1, 11},  {"1000-1000+", 10, 11}, {"0-0", 0, 0},
        {" 0-300 ", 0, 3},   {"300", 0, 3},         {"", 0, 11},         {"500-", 5, 11},
        {"250-350", 2, 3},   {"x-y", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseIntervalText(c.text), std::make_pair(c.a, c.b)) << c.text;
    }
}

TEST(BucketOf, BoundsBelongToTheNextBucket) {
    EXPECT_EQ(bucketOf(99.9), 1);
    EXPECT_EQ(bucketOf(100), 2);
    EXPECT_EQ(bucketOf(999), 10);
    EXPECT_EQ(bucketOf(1000), 11);
    EXPECT_EQ(bucketOf(2500), 11);
    EXPECT_EQ(bucketOf(0), 1);
    EXPECT_EQ(bucketOf(-5), 1);
}

DayFlowResult DayWithOneLotPerBucket() {
    DayFlowResult day;
    for (int k = 1; k <= kBucketCount; ++k) {
        day.inflow[k] = {10.0 * k, 1.0 * k};
        day.outflow[k] = {1.0 * k, 0.1 * k};
        day.uncertain[k] = {2.0, 0.2};
        day.uncertainUp[k] = {1.5, 0.15};
        day.uncertainDown[k] = {0.5, 0.05};
    }
    return day;
}

TEST(SumBucketRange, CoversBucketsAfterTheLowerBoundUpToTheUpper) {
    const DayFlowResult day = DayWithOneLotPerBucket();
    const RangeFigures r = SumBucketRange(day, 0, 3);
    EXPECT_DOUBLE_EQ(r.inflow.lots, 60);
    EXPECT_DOUBLE_EQ(r.outflow.lots, 6);
    EXPECT_DOUBLE_EQ(r.uncertain.lots, 6);
    EXPECT_DOUBLE_EQ(r.net.lots, 54);
    EXPECT_DOUBLE_EQ(r.netWithUncertain.lots, 57);
    EXPECT_DOUBLE_EQ(r.total.lots, 72);
    EXPECT_DOUBLE_EQ(SumBucketRange(day, 10, 11).inflow.lots, 110);
}

TEST(SumBucketRange, EmptyAndOutOfRangeBoundsReadNothingOutside) {
    const DayFlowResult day = DayWithOneLotPerBucket();
    EXPECT_EQ(SumBucketRange(day, 5, 5).total.Text(), "0(0.0万元)");
    EXPECT_EQ(SumBucketRange(day, 8, 3).inflow.Text(), "0(0.0万元)");
    EXPECT_DOUBLE_EQ(SumBucketRange(day, -4, 99).inflow.lots, 660);
    EXPECT_DOUBLE_EQ(SumBucketRange(day, 50, 90).inflow.lots, 0);
}

TEST(SumBucketRange, DefaultIntervalsCoverTheWholeDay) {
    const DayFlowResult day = DayWithOneLotPerBucket();
    double lots = 0;
    for (auto text : kDefaultIntervalTexts) {
        const auto [a, b] = ParseIntervalText(text);
        lots += SumBucketRange(day, a, b).inflow.lots;
    }
    EXPECT_DOUBLE_EQ(lots, SumBucketRange(day, 0, 11).inflow.lots);
}

}  // namespace
}  // namespace moxtel
