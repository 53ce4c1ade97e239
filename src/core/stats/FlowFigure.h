#pragma once

#include <string>

namespace moxtel {

// printf("%0.<decimals>f") of value, except that a value exactly half-way between two outputs
// rounds away from zero (glibc would round it to even): 26.25 -> "26.3", 1234.5 -> "1235".
std::string FormatFixed(double value, int decimals);

// The number FormatFixed(value, decimals) shows, for a chart that draws a figure as it is shown;
// 0 for what is not a finite number.
double RoundFixed(double value, int decimals);

// A flow figure: lots (手) and amount (万元). Shown everywhere as lots "%0.0f", "(",
// amount "%0.1f", "万元)", e.g. 1234(56.8万元).
struct FlowFigure {
    double lots = 0.0;
    double amount = 0.0;

    std::string Text() const;
};

inline FlowFigure operator+(FlowFigure a, FlowFigure b) { return {a.lots + b.lots, a.amount + b.amount}; }
inline FlowFigure operator-(FlowFigure a, FlowFigure b) { return {a.lots - b.lots, a.amount - b.amount}; }

}  // namespace moxtel
