#include "core/common/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace moxtel {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where the next %s or %d of format starts; npos when there is none.
std::size_t NextPlaceholder(std::string_view format) {
    for (std::size_t at = format.find('%'); at != std::string_view::npos && at + 1 < format.size();
         at = format.find('%', at + 1)) {
        if (format[at + 1] == 's' || format[at + 1] == 'd') return at;
    }
    return std::string_view::npos;
}

}  // namespace

double ParseLeadingDouble(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            end = j;
        }
    }
    std::size_t first = start;
    bool negative = false;
    if (text[first] == '+' || text[first] == '-') {
        negative = text[first] == '-';
        ++first;
    }
    // Up to 15 digits and no exponent: the digits make an exact integer and a power of ten up to
    // 1e22 is exact, so one division rounds the decimal value once, as a full parse would.
    if (end == i && digits <= 15) {
        static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        long long mantissa = 0;
        int decimals = -1;
        for (std::size_t k = first; k < end; ++k) {
            if (text[k] == '.') {
                decimals = 0;
                continue;
            }
            mantissa = mantissa * 10 + (text[k] - '0');
            if (decimals >= 0) ++decimals;
        }
        const double value = static_cast<double>(mantissa) / kPowers[decimals < 0 ? 0 : decimals];
        return negative ? -value : value;
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data() + first, text.data() + end, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched on range errors; atof gives HUGE_VAL or 0. The C
        // locale's strtod, as the user's may take a comma for the decimal point.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
        std::string copy(text.substr(first, end - first));
        value = strtod_l(copy.c_str(), nullptr, cLocale);
    }
    return negative ? -value : value;
}

bool HasLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && IsDigit(text[i]);
}

int ParseLeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        value = value * 10 + (text[i++] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int ParseLeadingDigits(std::string_view text) {
    long long value = 0;
    for (std::size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
    }
    return static_cast<int>(value);
}

bool IsAllDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), IsDigit); }

std::string FillPlaceholders(std::string_view format, std::initializer_list<std::string_view> values) {
    std::string text;
    for (std::string_view value : values) {
        const std::size_t at = NextPlaceholder(format);
        if (at == std::string_view::npos) break;
        text.append(format.substr(0, at)).append(value);
        format.remove_prefix(at + 2);
    }
    return text.append(format);
}

std::string_view TrimLeftView(std::string_view text) {
    std::size_t b = 0;
    while (b < text.size() && IsSpace(text[b])) ++b;
    return text.substr(b);
}

std::string_view TrimView(std::string_view text) {
    text = TrimLeftView(text);
    std::size_t e = text.size();
    while (e > 0 && IsSpace(text[e - 1])) --e;
    return text.substr(0, e);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

int Utf8CharLength(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

std::size_t Utf8Offset(std::string_view text, std::size_t n) {
    std::size_t offset = 0;
    while (n > 0 && offset < text.size()) {
        offset += static_cast<std::size_t>(Utf8CharLength(static_cast<unsigned char>(text[offset])));
        --n;
    }
    return offset < text.size() ? offset : text.size();
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        i += static_cast<std::size_t>(Utf8CharLength(static_cast<unsigned char>(text[i])));
    }
    return count;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::vector<std::string> Split(std::string_view text, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t pos = text.find(sep, start);
        if (pos == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

}  // namespace moxtel
