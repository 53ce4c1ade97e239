#pragma once

#include <string>

// Decimal digits of a number as the spreadsheet keeps it: 15 significant digits, rounded half away
// from zero on that decimal form (2.675, stored as 2.67499999..., shows 2.68 with two decimals).
namespace moxtel::numfmt {

struct DecimalDigits {
    std::string digits;  // significant digits without leading or trailing zeros; empty for zero
    int point = 0;       // value = 0.d1d2d3... x 10^point

    bool IsZero() const { return digits.empty(); }
};

// |value| to 15 significant digits; value must be finite.
DecimalDigits ToDecimal(double value);

// Keeps `decimals` digits after the point (may be negative), rounding half away from zero.
void RoundDecimals(DecimalDigits& number, int decimals);

// Keeps `count` significant digits, rounding half away from zero.
void RoundSignificant(DecimalDigits& number, int count);

// The digits before the point ("" for a number below 1) and `count` digits after it.
std::string IntegerDigits(const DecimalDigits& number);
std::string FractionDigits(const DecimalDigits& number, int count);

// The General format as a wide-enough column shows it: at most 11 characters besides the sign,
// fewer decimals when needed, scientific notation ("1.23457E+12") beyond that. value is finite.
std::string GeneralText(double value);

}  // namespace moxtel::numfmt
