#include "stats/FlowFigure.h"

#include <gtest/gtest.h>

namespace moxtel {
namespace {

TEST(FormatFixed, ExactHalvesRoundAwayFromZero) {
    EXPECT_EQ(FormatFixed(26.25, 1), "26.3");
    EXPECT_EQ(FormatFixed(-26.25, 1), "-26.3");
    EXPECT_EQ(FormatFixed(1234.5, 0), "1235");
    EXPECT_EQ(FormatFixed(-1234.5, 0), "-1235");
    EXPECT_EQ(FormatFixed(0.5, 0), "1");
    EXPECT_EQ(FormatFixed(2.5, 0), "3");
    EXPECT_EQ(FormatFixed(26.75, 1), "26.8");
    EXPECT_EQ(FormatFixed(0.25, 1), "0.3");
}

TEST(FormatFixed, NonHalvesKeepTheExactBinaryValue) {
    // 0.15 and 2.675 lie just below their decimal halves in binary, so they round down.
    EXPECT_EQ(FormatFixed(0.15, 1), "0.1");
    EXPECT_EQ(FormatFixed(15.06, 1), "15.1");
    EXPECT_EQ(FormatFixed(26.5, 1), "26.5");
    EXPECT_EQ(FormatFixed(1234.4999, 0), "1234");
    EXPECT_EQ(FormatFixed(-104.94, 1), "-104.9");
    EXPECT_EQ(FormatFixed(0.0, 1), "0.0");
    EXPECT_EQ(FormatFixed(1e20, 0), "100000000000000000000");
}

TEST(FlowFigure, TextJoinsLotsAndAmount) {
    EXPECT_EQ((FlowFigure{1234, 56.78}).Text(), "1234(56.8万元)");
    EXPECT_EQ((FlowFigure{-1234, -56.7}).Text(), "-1234(-56.7万元)");
    EXPECT_EQ((FlowFigure{}).Text(), "0(0.0万元)");
    EXPECT_EQ((FlowFigure{1234.5, 26.25}).Text(), "1235(26.3万元)");
}

}  // namespace
}  // namespace moxtel
