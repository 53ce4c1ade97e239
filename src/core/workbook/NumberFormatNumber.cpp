#include <algorithm>
#include <cmath>
#include <string>

#include "core/workbook/NumberFormat.h"
#include "core/workbook/NumberFormatDecimal.h"
#include "core/workbook/NumberFormatRender.h"

namespace moxtel::numfmt {
namespace {

// The digits each placeholder zone shows.
struct ZoneDigits {
    std::string integer;
    std::string fraction;
    std::string exponent;
    bool exponentNegative = false;
    std::string numerator;
    std::string denominator;
    bool blankFraction = false;  // a whole number under "# ?/?": the fraction part shows as blanks
};

// Integer-like zones: digits right-aligned under the placeholders, surplus digits before the first.
void EmitInteger(const Token& t, int count, const std::string& digits, bool thousands, std::string& out) {
    const int length = static_cast<int>(digits.size());
    auto emit = [&](int power, char c) {
        out += c;
        if (thousands && power > 0 && power % 3 == 0) out += ',';
    };
    if (t.index == 0) {
        for (int power = length - 1; power >= count; --power)
            emit(power, digits[static_cast<std::size_t>(length - 1 - power)]);
    }
    const int power = count - 1 - t.index;
    if (power < length)
        emit(power, digits[static_cast<std::size_t>(length - 1 - power)]);
    else if (t.kind == Tok::Zero)
        emit(power, '0');
    else if (t.kind == Tok::Question)
        out += ' ';
}

// Decimals: trailing zeros show under 0, as blanks under ?, not at all under #.
void EmitFraction(const Token& t, const std::string& digits, std::string& out) {
    const auto lastNonZero = digits.find_last_not_of('0');
    const bool significant = lastNonZero != std::string::npos && static_cast<std::size_t>(t.index) <= lastNonZero;
    if (significant)
        out += digits[static_cast<std::size_t>(t.index)];
    else if (t.kind == Tok::Zero)
        out += '0';
    else if (t.kind == Tok::Question)
        out += ' ';
}

// Denominators are left-aligned: blanks under ? follow the digits.
void EmitDenominator(const Token& t, int count, const std::string& digits, std::string& out) {
    const auto at = static_cast<std::size_t>(t.index);
    if (at < digits.size()) {
        out += t.index == count - 1 ? digits.substr(at) : digits.substr(at, 1);
    } else if (t.kind == Tok::Question) {
        out += ' ';
    }
}

DecimalDigits Scaled(double magnitude, const NumberLayout& layout) {
    DecimalDigits number = ToDecimal(magnitude);
    if (!number.IsZero()) number.point += 2 * layout.percents - 3 * layout.scalingCommas;
    return number;
}

void FixedDigits(double magnitude, const NumberLayout& layout, ZoneDigits& z) {
    DecimalDigits number = Scaled(magnitude, layout);
    RoundDecimals(number, layout.fractionDigits);
    z.integer = IntegerDigits(number);
    z.fraction = FractionDigits(number, layout.fractionDigits);
}

int FloorDiv(int a, int b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// Mantissa and exponent. With # among several integer placeholders the exponent is a multiple of
// their count ("##0.0E+0": 12345 -> 12.3E+3); otherwise the mantissa fills the integer placeholders.
void ScientificDigits(double magnitude, const NumberLayout& layout, ZoneDigits& z) {
    DecimalDigits number = Scaled(magnitude, layout);
    const int places = layout.integerDigits;
    const bool engineering = layout.integerHasHash && places > 1;
    int exponent = 0;
    DecimalDigits mantissa = number;
    for (int pass = 0; pass < 2 && !number.IsZero(); ++pass) {
        const int lead = number.point - 1;
        exponent = engineering ? FloorDiv(lead, places) * places : lead - (places - 1);
        mantissa = number;
        mantissa.point -= exponent;
        RoundDecimals(mantissa, layout.fractionDigits);
        if (mantissa.IsZero() || mantissa.point <= places) break;
        number = mantissa;  // rounding carried into one more integer digit: place it again
        number.point += exponent;
    }
    z.integer = IntegerDigits(mantissa);
    z.fraction = FractionDigits(mantissa, layout.fractionDigits);
    z.exponentNegative = exponent < 0;
    z.exponent = exponent == 0 ? std::string() : std::to_string(std::abs(exponent));
}

// Closest fraction with a denominator up to maxDenominator; the smaller denominator on a tie.
void BestFraction(double value, int maxDenominator, long long& numerator, long long& denominator) {
    numerator = 0;
    denominator = 1;
    double bestError = value;
    for (long long d = 1; d <= maxDenominator; ++d) {
        const long long n = std::llround(value * static_cast<double>(d));
        const double error = std::fabs(value - static_cast<double>(n) / static_cast<double>(d));
        if (error < bestError) {
            bestError = error;
            numerator = n;
            denominator = d;
        }
    }
}

void FractionParts(double magnitude, const NumberLayout& layout, ZoneDigits& z) {
    const double x = magnitude * std::pow(100.0, layout.percents) / std::pow(1000.0, layout.scalingCommas);
    if (!(x < 1e15)) {  // no room for a fraction part: the whole number alone
        z.integer = IntegerDigits(ToDecimal(x));
        z.blankFraction = true;
        return;
    }
    double whole = std::floor(x);
    long long numerator = 0;
    long long denominator = 1;
    if (layout.fixedDenominator > 0) {
        denominator = layout.fixedDenominator;
        numerator = std::llround((x - whole) * static_cast<double>(denominator));
    } else {
        static constexpr int kLargest[] = {9, 99, 999};
        BestFraction(x - whole, kLargest[std::min(std::max(layout.denominatorDigits, 1), 3) - 1], numerator,
                     denominator);
    }
    if (numerator == denominator) {
        whole += 1;
        numerator = 0;
    }
    if (layout.integerDigits == 0) {
        // The whole part joins the numerator; past the integer range the numerator is worked out in
        // doubles, with the spreadsheet's fifteen significant digits.
        long long wholeParts = 0;
        if (__builtin_mul_overflow(static_cast<long long>(whole), denominator, &wholeParts) ||
            __builtin_add_overflow(numerator, wholeParts, &numerator)) {
            z.integer.clear();
            z.blankFraction = false;
            z.numerator = IntegerDigits(ToDecimal(std::round(x * static_cast<double>(denominator))));
            z.denominator = std::to_string(denominator);
            return;
        }
        whole = 0;
    }
    z.integer = whole > 0 ? std::to_string(static_cast<long long>(whole)) : numerator == 0 ? "0" : "";
    z.blankFraction = numerator == 0 && layout.integerDigits > 0;
    z.numerator = std::to_string(numerator);
    z.denominator = std::to_string(denominator);
}

void EmitPlaceholder(const Token& t, const NumberLayout& layout, const ZoneDigits& z, std::string& out) {
    switch (t.zone) {
        case Zone::Integer:
            EmitInteger(t, layout.integerDigits, z.integer, layout.thousands, out);
            break;
        case Zone::Fraction:
            EmitFraction(t, z.fraction, out);
            break;
        case Zone::Exponent:
            EmitInteger(t, layout.exponentDigits, z.exponent, false, out);
            break;
        case Zone::Numerator:
            if (z.blankFraction)
                out += ' ';
            else
                EmitInteger(t, layout.numeratorDigits, z.numerator, false, out);
            break;
        case Zone::Denominator:
            if (z.blankFraction)
                out += ' ';
            else
                EmitDenominator(t, layout.denominatorDigits, z.denominator, out);
            break;
        case Zone::None:
            break;
    }
}

}  // namespace

std::string RenderNumber(const Section& section, double magnitude, bool minus) {
    const NumberLayout& layout = section.layout;
    ZoneDigits z;
    if (layout.general || !layout.hasDigits) {
        // nothing to prepare
    } else if (layout.scientific) {
        ScientificDigits(magnitude, layout, z);
    } else if (layout.fraction) {
        FractionParts(magnitude, layout, z);
    } else {
        FixedDigits(magnitude, layout, z);
    }
    std::string out = minus ? "-" : "";
    for (const Token& t : section.tokens) {
        switch (t.kind) {
            case Tok::Literal:
                out += t.text;
                break;
            case Tok::Percent:
                out += '%';
                break;
            case Tok::General:
                out += GeneralText(magnitude);
                break;
            case Tok::Point:
                if (layout.integerDigits == 0) out += z.integer;
                out += '.';
                break;
            case Tok::Zero:
            case Tok::Hash:
            case Tok::Question:
                if (!layout.general) EmitPlaceholder(t, layout, z, out);
                break;
            case Tok::Exponent:
                out += t.text[0];
                if (z.exponentNegative)
                    out += '-';
                else if (t.text[1] == '+')
                    out += '+';
                break;
            case Tok::Slash:
                out += z.blankFraction ? ' ' : '/';
                break;
            case Tok::Denominator:
                out += z.blankFraction ? std::string(t.text.size(), ' ') : t.text;
                break;
            default:
                break;  // separators, scaling commas, @
        }
    }
    return out;
}

// Each "@" repeats the whole text, so the result is cut at kMaxRenderedBytes (at a character start).
std::string RenderText(const Section& section, std::string_view text) {
    std::string out;
    for (const Token& t : section.tokens) {
        const std::string_view piece = t.kind == Tok::Literal ? std::string_view(t.text)
                                       : t.kind == Tok::At    ? text
                                                              : std::string_view();
        if (out.size() + piece.size() > kMaxRenderedBytes) {
            std::size_t keep = kMaxRenderedBytes - out.size();
            while (keep > 0 && (static_cast<unsigned char>(piece[keep]) & 0xC0) == 0x80) --keep;
            out += piece.substr(0, keep);
            break;
        }
        out += piece;
    }
    return out;
}

}  // namespace moxtel::numfmt
