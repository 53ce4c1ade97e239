#include "core/workbook/NumberFormat.h"

#include <array>
#include <charconv>
#include <cmath>

#include "core/workbook/NumberFormatDecimal.h"
#include "core/workbook/NumberFormatParse.h"
#include "core/workbook/NumberFormatRender.h"

namespace moxtel {
namespace {

using numfmt::CondOp;
using numfmt::ParsedFormat;
using numfmt::Section;

// Built-in number formats of the Chinese (zh-CN) spreadsheet. Ids 0-4, 9-13, 15-21, 37-40 and
// 45-49 are the same in every language (ECMA-376 Part 1, 18.8.30 numFmt, "All Languages"; 47 is
// "mm:ss.0" as the spreadsheet itself writes it, the standard's "mmss.0" being a misprint).
// 14 and 22 are the zh-CN short date; 27-36 and 50-58 are the standard's zh-cn list. 5-8 and
// 41-44 (currency and accounting) depend on the locale and are always written into the file;
// the zh-CN codes stand here for files that leave them out.
constexpr std::array<std::string_view, 59> kBuiltinCodes = {
    "General",                                // 0
    "0",                                      // 1
    "0.00",                                   // 2
    "#,##0",                                  // 3
    "#,##0.00",                               // 4
    "\"￥\"#,##0;\"￥\"\\-#,##0",             // 5
    "\"￥\"#,##0;[Red]\"￥\"\\-#,##0",        // 6
    "\"￥\"#,##0.00;\"￥\"\\-#,##0.00",       // 7
    "\"￥\"#,##0.00;[Red]\"￥\"\\-#,##0.00",  // 8
    "0%",                                     // 9
    "0.00%",                                  // 10
    "0.00E+00",                               // 11
    "# ?/?",                                  // 12
    "# ?\?/?\?",                              // 13
    "yyyy/m/d",                               // 14
    "d-mmm-yy",                               // 15
    "d-mmm",                                  // 16
    "mmm-yy",                                 // 17
    "h:mm AM/PM",                             // 18
    "h:mm:ss AM/PM",                          // 19
    "h:mm",                                   // 20
    "h:mm:ss",                                // 21
    "yyyy/m/d h:mm",                          // 22
    "",
    "",
    "",
    "",                                                                        // 23-26
    "yyyy\"年\"m\"月\"",                                                       // 27
    "m\"月\"d\"日\"",                                                          // 28
    "m\"月\"d\"日\"",                                                          // 29
    "m-d-yy",                                                                  // 30
    "yyyy\"年\"m\"月\"d\"日\"",                                                // 31
    "h\"时\"mm\"分\"",                                                         // 32
    "h\"时\"mm\"分\"ss\"秒\"",                                                 // 33
    "上午/下午h\"时\"mm\"分\"",                                                // 34
    "上午/下午h\"时\"mm\"分\"ss\"秒\"",                                        // 35
    "yyyy\"年\"m\"月\"",                                                       // 36
    "#,##0 ;(#,##0)",                                                          // 37
    "#,##0 ;[Red](#,##0)",                                                     // 38
    "#,##0.00;(#,##0.00)",                                                     // 39
    "#,##0.00;[Red](#,##0.00)",                                                // 40
    "_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ ",                            // 41
    "_ \"￥\"* #,##0_ ;_ \"￥\"* \\-#,##0_ ;_ \"￥\"* \"-\"_ ;_ @_ ",          // 42
    "_ * #,##0.00_ ;_ * \\-#,##0.00_ ;_ * \"-\"??_ ;_ @_ ",                    // 43
    "_ \"￥\"* #,##0.00_ ;_ \"￥\"* \\-#,##0.00_ ;_ \"￥\"* \"-\"??_ ;_ @_ ",  // 44
    "mm:ss",                                                                   // 45
    "[h]:mm:ss",                                                               // 46
    "mm:ss.0",                                                                 // 47
    "##0.0E+0",                                                                // 48
    "@",                                                                       // 49
    "yyyy\"年\"m\"月\"",                                                       // 50
    "m\"月\"d\"日\"",                                                          // 51
    "yyyy\"年\"m\"月\"",                                                       // 52
    "m\"月\"d\"日\"",                                                          // 53
    "m\"月\"d\"日\"",                                                          // 54
    "上午/下午h\"时\"mm\"分\"",                                                // 55
    "上午/下午h\"时\"mm\"分\"ss\"秒\"",                                        // 56
    "yyyy\"年\"m\"月\"",                                                       // 57
    "m\"月\"d\"日\"",                                                          // 58
};

// A section written for negative values only carries its own sign.
bool AdmitsOnlyNegatives(const Section& s) {
    switch (s.op) {
        case CondOp::Less:
            return s.operand <= 0.0;
        case CondOp::LessEqual:
        case CondOp::Equal:
            return s.operand < 0.0;
        default:
            return false;
    }
}

struct Choice {
    const Section* section = nullptr;  // nullptr: show the value as General
    bool minus = false;
};

// Without conditions: one section for all (negatives get "-"); two: non-negative and negative;
// three or more: positive, negative, zero; the negative section shows the value without its sign.
// With conditions in the first two sections: the first whose condition holds, else the next
// section without a condition; a negative value keeps its "-" unless the section admits only
// negatives.
Choice ChooseSection(const ParsedFormat& format, double value) {
    const int count = format.numberSections;
    const auto& s = format.sections;
    if (count == 0) return {};
    const bool conditional = s[0].op != CondOp::None || (count > 1 && s[1].op != CondOp::None);
    if (!conditional) {
        if (count == 1) return {&s[0], value < 0};
        if (value < 0) return {&s[1], false};
        return {&s[value == 0 && count >= 3 ? 2 : 0], false};
    }
    const Section* chosen = nullptr;
    for (int i = 0; i < count && i < 2 && chosen == nullptr; ++i) {
        if (s[i].op != CondOp::None && numfmt::ConditionHolds(s[i], value)) chosen = &s[i];
    }
    for (int i = 0; i < count && chosen == nullptr; ++i) {
        if (s[i].op == CondOp::None) chosen = &s[i];
    }
    if (chosen == nullptr) return {};
    return {chosen, value < 0 && !AdmitsOnlyNegatives(*chosen)};
}

std::string RenderParsed(const ParsedFormat& format, double value, bool date1904) {
    if (!std::isfinite(value)) return "#NUM!";
    const Choice choice = ChooseSection(format, value);
    if (choice.section == nullptr) return numfmt::GeneralText(value);
    if (choice.section->isDate) return numfmt::RenderDate(*choice.section, value, date1904);
    return numfmt::RenderNumber(*choice.section, std::fabs(value), choice.minus);
}

std::string RenderParsedText(const ParsedFormat& format, std::string_view text) {
    if (format.textSection < 0) return std::string(text);
    return numfmt::RenderText(format.sections[static_cast<std::size_t>(format.textSection)], text);
}

std::shared_ptr<const ParsedFormat> General() {
    static const std::shared_ptr<const ParsedFormat> general = numfmt::ParseFormatCode("General");
    return general;
}

// A shortcut's text, built in place: at most 11 digits, a point and two decimals, or "hh:mm:ss".
struct ShortText {
    char data[32];
    std::size_t size = 0;

    void Put(char c) { data[size++] = c; }
    // The decimal digits of n >= 0.
    void Digits(long long n) { size = static_cast<std::size_t>(std::to_chars(data + size, data + sizeof data, n).ptr - data); }
};

// value rounded to `decimals` (0 or 2) places as "0" or "0.00" show it, in units of the last place,
// when that is plain: value not negative, below 1e9 and not within reach of half-way. There the
// spreadsheet's rounding on 15 significant digits agrees with rounding the double itself (they
// differ by less than 1e-4 units).
bool FixedUnits(double value, int decimals, long long& units) {
    if (!(value >= 0.0 && value < 1e9)) return false;
    const double scaled = decimals == 2 ? value * 100.0 : value;
    const double floor = std::floor(scaled);
    const double part = scaled - floor;
    if (std::fabs(part - 0.5) < 1e-3) return false;
    units = static_cast<long long>(part > 0.5 ? floor + 1 : floor);
    return true;
}

bool FixedShortcut(double value, int decimals, ShortText& out) {
    long long units = 0;
    if (!FixedUnits(value, decimals, units)) return false;
    if (decimals == 0) {
        out.Digits(units);
        return true;
    }
    out.Digits(units / 100);
    out.Put('.');
    out.Put(static_cast<char>('0' + units / 10 % 10));
    out.Put(static_cast<char>('0' + units % 10));
    return true;
}

bool ClockRange(double value) { return value >= 0.0 && value < 2900000.0; }
long long SecondOfDay(double value) { return std::llround(value * 86400.0) % 86400; }

// A time of day under "hh:mm:ss", the way the date renderer rounds it (to the second, then split).
// Serials near the calendar's end (year 9999, four years earlier in the 1904 system) go the full way.
bool ClockShortcut(double value, ShortText& out) {
    if (!ClockRange(value)) return false;
    const long long second = SecondOfDay(value);
    const long long parts[] = {second / 3600, second / 60 % 60, second % 60};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) out.Put(':');
        out.Put(static_cast<char>('0' + parts[i] / 10));
        out.Put(static_cast<char>('0' + parts[i] % 10));
    }
    return true;
}

}  // namespace

CompiledFormat::CompiledFormat(std::string_view code) {
    if (code.size() > kMaxFormatCodeBytes) code = "General";
    m_parsed = code == "General" ? General() : numfmt::ParseFormatCode(code);
    if (code == "General")
        m_shortcut = Shortcut::General;
    else if (code == "0")
        m_shortcut = Shortcut::Integer;
    else if (code == "0.00")
        m_shortcut = Shortcut::TwoDecimals;
    else if (code == "hh:mm:ss")
        m_shortcut = Shortcut::Clock;
    m_textUnchanged = m_parsed->textSection < 0;
}

// Each shortcut's text read back: whole numbers are exact; "D.dd" is the decimal units/100, and
// dividing the exact integer units by the exact 100.0 rounds that quotient once, to the very
// double a correctly rounded parse of the text gives; "hh:mm:ss" reads as its hours.
bool CompiledFormat::ShownNumber(double value, double& shown) const {
    long long units = 0;
    switch (m_shortcut) {
        case Shortcut::General:
            if (!(value >= 0.0 && value < 1e11 && value == std::floor(value))) return false;
            shown = value + 0.0;  // -0 shows as "0"
            return true;
        case Shortcut::Integer:
            if (!FixedUnits(value, 0, units)) return false;
            shown = static_cast<double>(units);
            return true;
        case Shortcut::TwoDecimals:
            if (!FixedUnits(value, 2, units)) return false;
            shown = static_cast<double>(units) / 100.0;
            return true;
        case Shortcut::Clock:
            if (!ClockRange(value)) return false;
            shown = static_cast<double>(SecondOfDay(value) / 3600);
            return true;
        case Shortcut::None:
            break;
    }
    return false;
}

CompiledFormat::~CompiledFormat() = default;

namespace {

bool ShortcutText(CompiledFormat::Shortcut shortcut, double value, ShortText& out) {
    using Shortcut = CompiledFormat::Shortcut;
    switch (shortcut) {
        case Shortcut::General:
            // Whole numbers of up to 11 digits show as they are.
            if (!(value >= 0.0 && value < 1e11 && value == std::floor(value))) return false;
            out.Digits(static_cast<long long>(value));
            return true;
        case Shortcut::Integer:
            return FixedShortcut(value, 0, out);
        case Shortcut::TwoDecimals:
            return FixedShortcut(value, 2, out);
        case Shortcut::Clock:
            return ClockShortcut(value, out);
        case Shortcut::None:
            break;
    }
    return false;
}

}  // namespace

std::string CompiledFormat::Number(double value, bool date1904) const {
    ShortText text;
    if (ShortcutText(m_shortcut, value, text)) return std::string(text.data, text.size);
    return FullNumber(value, date1904);
}

void CompiledFormat::NumberInto(double value, bool date1904, std::string& out) const {
    ShortText text;
    if (ShortcutText(m_shortcut, value, text))
        out.assign(text.data, text.size);
    else
        out = FullNumber(value, date1904);
}

std::string CompiledFormat::FullNumber(double value, bool date1904) const {
    return RenderParsed(*m_parsed, value, date1904);
}

std::string CompiledFormat::Text(std::string_view text) const { return RenderParsedText(*m_parsed, text); }

std::string FormatNumber(double value, std::string_view formatCode, bool date1904) {
    if (!std::isfinite(value)) return "#NUM!";
    if (formatCode.empty() || formatCode.size() > kMaxFormatCodeBytes) return numfmt::GeneralText(value);
    return RenderParsed(*numfmt::CachedFormat(formatCode), value, date1904);
}

std::string FormatText(std::string_view text, std::string_view formatCode) {
    if (formatCode.size() > kMaxFormatCodeBytes) return std::string(text);
    return RenderParsedText(*numfmt::CachedFormat(formatCode), text);
}

std::string_view BuiltinFormatCode(int id) {
    if (id < 0 || id >= static_cast<int>(kBuiltinCodes.size())) return {};
    return kBuiltinCodes[static_cast<std::size_t>(id)];
}

}  // namespace moxtel
