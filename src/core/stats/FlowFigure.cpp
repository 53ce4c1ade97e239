#include "core/stats/FlowFigure.h"

#include <cmath>
#include <charconv>
#include <limits>

namespace moxtel {
namespace {

// True when value lies exactly half-way between two outputs with the given decimals.
// Such a value is (2j+1) / (2 * 10^d); being a double it must equal odd / 2^(d+1), so the test
// is whether value * 2^(d+1), which ldexp computes exactly, is an odd integer.
bool IsExactHalf(double value, int decimals) {
    const double scaled = std::ldexp(value, decimals + 1);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9007199254740992.0) return false;  // 2^53: all even
    if (scaled != std::trunc(scaled)) return false;
    return std::fmod(std::fabs(scaled), 2.0) == 1.0;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
    if (IsExactHalf(value, decimals)) {
        // One step away from zero leaves the tie; no other rounding boundary lies that close.
        value = std::nextafter(value, value > 0 ? std::numeric_limits<double>::infinity()
                                                : -std::numeric_limits<double>::infinity());
    }
    // to_chars, not printf: the C library's decimal point follows the user's locale (a comma in
    // many), and these texts are shown, stored and read back.
    std::string text(32, '\0');
    for (;;) {
        const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed,
                                             decimals);
        if (ec == std::errc()) {
            text.resize(static_cast<std::size_t>(end - text.data()));
            return text;
        }
        text.resize(text.size() * 4);  // 1e308 has 309 digits
    }
}

double RoundFixed(double value, int decimals) {
    if (!std::isfinite(value)) return 0.0;
    const std::string text = FormatFixed(value, decimals);
    double shown = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), shown);
    return shown;
}

std::string FlowFigure::Text() const { return FormatFixed(lots, 0) + "(" + FormatFixed(amount, 1) + "万元)"; }

}  // namespace moxtel
