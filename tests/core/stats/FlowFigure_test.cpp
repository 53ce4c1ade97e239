#include "core/stats/FlowFigure.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "core/common/TextUtil.h"

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

// A chart draws the number a figure shows: the same rounding, halves away from zero included.
TEST(RoundFixed, IsTheNumberTheTextShows) {
    struct Case {
        double value;
        int decimals;
        double shown;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case c : {Case{26.25, 1, 26.3}, Case{-26.25, 1, -26.3}, Case{0.15, 1, 0.1}, Case{-104.94, 1, -104.9},
                         Case{1234.5, 0, 1235}, Case{-0.04, 1, 0.0}, Case{1e20, 1, 1e20}, Case{std::nan(""), 1, 0.0},
                         Case{-inf, 1, 0.0}}) {
        EXPECT_EQ(RoundFixed(c.value, c.decimals), c.shown) << c.value;
    }
}

// Figures are formatted apart from printf; away from exact halves they must agree with it digit
// for digit, as the stored texts of earlier days were written with it.
TEST(FormatFixed, AgreesWithPrintfAwayFromHalves) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> lots(0, 2e6);
    for (int n = 0; n < 20000; ++n) {
        double value = n % 2 ? lots(random) : std::round(lots(random)) / 100.0;
        if (n % 3 == 0) value = -value;
        for (const int decimals : {0, 1, 2}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
            const std::string text = FormatFixed(value, decimals);
            if (text != expected) {
                // Only a tie may differ, and then by the rounding away from zero.
                ASSERT_EQ(FormatFixed(std::nextafter(value, value > 0 ? 1e300 : -1e300), decimals), text) << value;
            }
        }
    }
    EXPECT_EQ(FormatFixed(1e300, 1).size(), 303u);
}

// A user's locale may write a comma for the decimal point; figures, which are also stored and read
// back, never follow it. Runs where such a locale is installed (LOCPATH may point at one).
TEST(FormatFixed, IgnoresTheUsersDecimalComma) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            comma = name;
            break;
        }
    }
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string text = FlowFigure{150, 15.06}.Text();
    const double huge = ParseLeadingDouble("1.5e400");
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(text, "150(15.1万元)") << comma;
    EXPECT_EQ(huge, HUGE_VAL) << comma;
}

TEST(FlowFigure, TextJoinsLotsAndAmount) {
    EXPECT_EQ((FlowFigure{1234, 56.78}).Text(), "1234(56.8万元)");
    EXPECT_EQ((FlowFigure{-1234, -56.7}).Text(), "-1234(-56.7万元)");
    EXPECT_EQ((FlowFigure{}).Text(), "0(0.0万元)");
    EXPECT_EQ((FlowFigure{1234.5, 26.25}).Text(), "1235(26.3万元)");
}

}  // namespace
}  // namespace moxtel
