#include "core/workbook/NumberFormatDecimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace moxtel::numfmt {
namespace {

constexpr int kSignificantDigits = 15;
constexpr int kGeneralWidth = 11;  // characters General shows at most, the sign aside

void StripTrailingZeros(DecimalDigits& number) {
    const auto last = number.digits.find_last_not_of('0');
    number.digits.resize(last == std::string::npos ? 0 : last + 1);
    if (number.digits.empty()) number.point = 0;
}

// Keeps the first `keep` digits, rounding half away from zero on the digits dropped.
void RoundKeeping(DecimalDigits& number, long keep) {
    if (keep >= static_cast<long>(number.digits.size())) return;
    if (keep < 0) {
        number.digits.clear();
        number.point = 0;
        return;
    }
    const bool up = number.digits[static_cast<std::size_t>(keep)] >= '5';
    number.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        long i = keep - 1;
        for (; i >= 0 && number.digits[static_cast<std::size_t>(i)] == '9'; --i) {
            number.digits[static_cast<std::size_t>(i)] = '0';
        }
        if (i < 0) {
            number.digits.insert(number.digits.begin(), '1');
            ++number.point;
        } else {
            ++number.digits[static_cast<std::size_t>(i)];
        }
    }
    StripTrailingZeros(number);
}

std::string Scientific(DecimalDigits number) {
    const int exponentDigits = std::abs(number.point - 1) >= 100 ? 3 : 2;
    const int decimals = std::max(0, kGeneralWidth - 2 - 2 - exponentDigits);  // "d." and "E+"
    RoundSignificant(number, 1 + decimals);
    const int exponent = number.point - 1;
    std::string text(1, number.digits[0]);
    if (number.digits.size() > 1) text += "." + number.digits.substr(1);
    std::string power = std::to_string(std::abs(exponent));
    if (power.size() < 2) power.insert(0, "0");
    return text + (exponent < 0 ? "E-" : "E+") + power;
}

}  // namespace

DecimalDigits ToDecimal(double value) {
    DecimalDigits out;
    value = std::fabs(value);
    if (value == 0.0 || !std::isfinite(value)) return out;
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    for (std::size_t i = 0; i < e && i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') out.digits.push_back(text[i]);
    }
    std::string_view power = text.substr(std::min(e + 1, text.size()));
    const bool negative = power.starts_with('-');
    if (!power.empty() && (power[0] == '-' || power[0] == '+')) power.remove_prefix(1);
    int exponent = 0;
    std::from_chars(power.data(), power.data() + power.size(), exponent);
    out.point = (negative ? -exponent : exponent) + 1;
    StripTrailingZeros(out);
    return out;
}

void RoundDecimals(DecimalDigits& number, int decimals) {
    if (!number.IsZero()) RoundKeeping(number, static_cast<long>(number.point) + decimals);
}

void RoundSignificant(DecimalDigits& number, int count) { RoundKeeping(number, count); }

std::string IntegerDigits(const DecimalDigits& number) {
    if (number.IsZero() || number.point <= 0) return {};
    const auto length = static_cast<std::size_t>(number.point);
    std::string text = number.digits.substr(0, length);
    text.append(length - text.size(), '0');
    return text;
}

std::string FractionDigits(const DecimalDigits& number, int count) {
    std::string text(static_cast<std::size_t>(std::max(count, 0)), '0');
    for (int i = 0; i < count; ++i) {
        const long at = static_cast<long>(number.point) + i;
        if (at >= 0 && at < static_cast<long>(number.digits.size()))
            text[static_cast<std::size_t>(i)] = number.digits[static_cast<std::size_t>(at)];
    }
    return text;
}

std::string GeneralText(double value) {
    const std::string sign = value < 0 ? "-" : "";
    const DecimalDigits number = ToDecimal(value);
    if (number.IsZero()) return "0";
    // Plain notation from 0.0001 up to 11 integer digits, with as many decimals as fit.
    const int lead = number.point - 1;
    if (lead >= -5 && lead <= kGeneralWidth - 1) {
        const int decimals = lead >= 0 ? std::max(0, kGeneralWidth - 1 - number.point) : kGeneralWidth - 2;
        DecimalDigits rounded = number;
        RoundDecimals(rounded, decimals);
        const int roundedLead = rounded.point - 1;
        if (!rounded.IsZero() && roundedLead >= -4 && roundedLead <= kGeneralWidth - 1) {
            std::string text = IntegerDigits(rounded);
            if (text.empty()) text = "0";
            std::string fraction = FractionDigits(rounded, decimals);
            fraction.resize(fraction.find_last_not_of('0') == std::string::npos ? 0
                                                                                : fraction.find_last_not_of('0') + 1);
            if (!fraction.empty()) text += "." + fraction;
            return sign + text;
        }
    }
    return sign + Scientific(number);
}

}  // namespace moxtel::numfmt
