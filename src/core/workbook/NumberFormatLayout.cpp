#include <string>

#include "core/workbook/NumberFormatParse.h"

namespace moxtel::numfmt {
namespace {

constexpr std::size_t kNone = std::string::npos;

bool IsPlaceholder(Tok kind) { return kind == Tok::Zero || kind == Tok::Hash || kind == Tok::Question; }

void MakeLiteral(Token& token, std::string_view text) {
    token.kind = Tok::Literal;
    token.text = std::string(text);
}

bool AnyInZone(const std::vector<Token>& tokens, std::size_t from, std::size_t to, Zone a, Zone b = Zone::None) {
    for (std::size_t i = from; i < to && i < tokens.size(); ++i) {
        if (IsPlaceholder(tokens[i].kind) && (tokens[i].zone == a || (b != Zone::None && tokens[i].zone == b))) {
            return true;
        }
    }
    return false;
}

// The first exponent that follows a placeholder; later ones, and one with nothing before it, are text.
std::size_t FindExponent(std::vector<Token>& tokens) {
    std::size_t found = kNone;
    bool placeholderSeen = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (IsPlaceholder(tokens[i].kind)) placeholderSeen = true;
        if (tokens[i].kind != Tok::Exponent) continue;
        if (found == kNone && placeholderSeen)
            found = i;
        else
            MakeLiteral(tokens[i], tokens[i].text);
    }
    return found;
}

// The first '/' with a placeholder before it and a placeholder or fixed denominator after it.
std::size_t FindFractionBar(std::vector<Token>& tokens, bool allowed) {
    std::size_t found = kNone;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == Tok::Slash) {
            const bool fits = allowed && found == kNone && i > 0 && IsPlaceholder(tokens[i - 1].kind) &&
                              i + 1 < tokens.size() &&
                              (IsPlaceholder(tokens[i + 1].kind) || tokens[i + 1].kind == Tok::Denominator);
            if (fits)
                found = i;
            else
                MakeLiteral(tokens[i], "/");
        } else if (tokens[i].kind == Tok::Denominator && (found == kNone || i != found + 1)) {
            MakeLiteral(tokens[i], tokens[i].text);
        }
    }
    return found;
}

std::size_t FindDecimalPoint(std::vector<Token>& tokens, std::size_t end, bool allowed) {
    std::size_t found = kNone;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Point) continue;
        if (allowed && found == kNone && i < end)
            found = i;
        else
            MakeLiteral(tokens[i], ".");
    }
    return found;
}

// Returns where the integer placeholders end (the numerator's first token).
std::size_t AssignFractionZones(std::vector<Token>& tokens, std::size_t bar, NumberLayout& layout) {
    std::size_t j = bar + 1;
    for (; j < tokens.size() && (IsPlaceholder(tokens[j].kind) || tokens[j].kind == Tok::Denominator); ++j) {
        if (tokens[j].kind == Tok::Denominator) {
            layout.fixedDenominator = std::stoi(tokens[j].text.substr(0, 6));
        }
        tokens[j].zone = Zone::Denominator;
    }
    for (; j < tokens.size(); ++j) {
        if (IsPlaceholder(tokens[j].kind)) MakeLiteral(tokens[j], "");
    }
    std::size_t numeratorStart = bar;
    while (numeratorStart > 0 && IsPlaceholder(tokens[numeratorStart - 1].kind)) {
        tokens[--numeratorStart].zone = Zone::Numerator;
    }
    for (std::size_t i = 0; i < numeratorStart; ++i) {
        if (IsPlaceholder(tokens[i].kind)) tokens[i].zone = Zone::Integer;
    }
    return numeratorStart;
}

void AssignZones(std::vector<Token>& tokens, std::size_t point, std::size_t exponent) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!IsPlaceholder(tokens[i].kind)) continue;
        if (exponent != kNone && i > exponent)
            tokens[i].zone = Zone::Exponent;
        else if (point != kNone && i > point)
            tokens[i].zone = Zone::Fraction;
        else
            tokens[i].zone = Zone::Integer;
    }
}

// A comma between integer placeholders groups thousands; one after the last placeholder of the
// integer part (or of the whole number) divides by 1000; one before any placeholder is text.
void ClassifyCommas(std::vector<Token>& tokens, std::size_t integerEnd, std::size_t mantissaEnd, bool fraction,
                    NumberLayout& layout) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Comma) continue;
        const bool before = i < mantissaEnd && AnyInZone(tokens, 0, i, Zone::Integer, Zone::Fraction);
        if (before && i < integerEnd && AnyInZone(tokens, i + 1, integerEnd, Zone::Integer)) {
            layout.thousands = true;
        } else if (!before || fraction) {
            MakeLiteral(tokens[i], ",");
        } else if (i < integerEnd || !AnyInZone(tokens, i + 1, mantissaEnd, Zone::Integer, Zone::Fraction)) {
            ++layout.scalingCommas;
        }
    }
}

void CountZones(std::vector<Token>& tokens, NumberLayout& layout) {
    for (Token& t : tokens) {
        if (t.kind == Tok::Percent) ++layout.percents;
        if (!IsPlaceholder(t.kind)) continue;
        int* counter = nullptr;
        switch (t.zone) {
            case Zone::Integer:
                counter = &layout.integerDigits;
                break;
            case Zone::Fraction:
                counter = &layout.fractionDigits;
                break;
            case Zone::Exponent:
                counter = &layout.exponentDigits;
                break;
            case Zone::Numerator:
                counter = &layout.numeratorDigits;
                break;
            case Zone::Denominator:
                counter = &layout.denominatorDigits;
                break;
            case Zone::None:
                break;
        }
        if (counter == nullptr) continue;
        t.index = (*counter)++;
        layout.hasDigits = true;
        if (t.zone == Zone::Integer && t.kind == Tok::Hash) layout.integerHasHash = true;
    }
}

}  // namespace

void AnalyseNumberSection(Section& section) {
    auto& tokens = section.tokens;
    NumberLayout& layout = section.layout;
    for (const Token& t : tokens) {
        if (t.kind == Tok::General) layout.general = true;
    }
    if (layout.general) return;

    const std::size_t exponent = FindExponent(tokens);
    const std::size_t bar = FindFractionBar(tokens, exponent == kNone);
    const std::size_t mantissaEnd = exponent == kNone ? tokens.size() : exponent;
    const std::size_t point = FindDecimalPoint(tokens, mantissaEnd, bar == kNone);
    std::size_t integerEnd = point == kNone ? mantissaEnd : point;
    if (bar != kNone) {
        integerEnd = AssignFractionZones(tokens, bar, layout);
    } else {
        AssignZones(tokens, point, exponent);
    }
    ClassifyCommas(tokens, integerEnd, mantissaEnd, bar != kNone, layout);
    CountZones(tokens, layout);
    layout.scientific = exponent != kNone;
    layout.fraction = bar != kNone;
}

}  // namespace moxtel::numfmt
