#include <array>
#include <cmath>
#include <string>

#include "core/workbook/NumberFormatDecimal.h"
#include "core/workbook/NumberFormatRender.h"

namespace moxtel::numfmt {
namespace {

// Serial 2958466 is 10000-01-01 in the 1900 system; the spreadsheet's calendar ends the day before.
constexpr double kFirstSerialPastCalendar = 2958466.0;
constexpr long long kSecondsPerDay = 86400;

// Month and weekday names as the Chinese (zh-CN) spreadsheet shows them: mmm "1月", mmmm "一月",
// mmmmm its first character; ddd "周日", dddd and aaaa "星期日", aaa "日".
constexpr std::array<std::string_view, 12> kMonthNames = {"一月", "二月", "三月", "四月", "五月",   "六月",
                                                          "七月", "八月", "九月", "十月", "十一月", "十二月"};
constexpr std::array<std::string_view, 7> kWeekdayDigits = {"日", "一", "二", "三", "四", "五", "六"};

struct CivilDate {
    long long year = 1900;
    int month = 1;
    int day = 0;
    int weekday = 0;  // 0 = Sunday
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = yoe + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

// The 1900 system counts from 1900-01-01 = 1 and keeps the 29th of February 1900 that never was
// (serial 60), so serials up to 59 are one day off the real calendar; serial 0 shows 1900-01-00.
// Its weekdays follow its own count, which takes serial 1 for a Sunday. The 1904 system counts
// from 1904-01-01 = 0.
CivilDate SerialDate(long long days, bool date1904) {
    if (date1904) {
        const long long z = DaysFromCivil(1904, 1, 1) + days;
        CivilDate date = CivilFromDays(z);
        date.weekday = static_cast<int>(((z % 7) + 11) % 7);  // 1970-01-01 was a Thursday
        return date;
    }
    CivilDate date;
    if (days == 60) {
        date.month = 2;
        date.day = 29;
    } else if (days > 0) {
        date = CivilFromDays(DaysFromCivil(1899, 12, days < 60 ? 31 : 30) + days);
    }
    date.weekday = static_cast<int>((days + 6) % 7);
    return date;
}

std::string TwoDigits(long long n) {
    std::string text = std::to_string(n);
    if (n < 10) text.insert(text.begin(), '0');
    return text;
}

std::string Padded(long long n, int width) {
    std::string text = std::to_string(n);
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

std::string FirstCharacter(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::string(text.substr(0, n));
}

struct Moment {
    CivilDate date;
    long long hour = 0, minute = 0, second = 0;
    long long totalSeconds = 0;
    std::string subSecond;  // digits after the seconds, as many as the code shows
};

std::string Designator(const Token& t, long long hour) {
    const std::size_t slash = t.text.find('/');
    return hour < 12 ? t.text.substr(0, slash) : t.text.substr(slash + 1);
}

std::string RenderToken(const Token& t, const Moment& m, bool twelveHour) {
    const CivilDate& d = m.date;
    const long long hour = twelveHour ? (m.hour % 12 == 0 ? 12 : m.hour % 12) : m.hour;
    switch (t.kind) {
        case Tok::Literal:
            return t.text;
        case Tok::Year2:
            return TwoDigits(d.year % 100);
        case Tok::Year4:
            return Padded(d.year, 4);
        case Tok::Month:
            return std::to_string(d.month);
        case Tok::Month2:
            return TwoDigits(d.month);
        case Tok::MonthAbbr:
            return std::to_string(d.month) + "月";
        case Tok::MonthFull:
            return std::string(kMonthNames[static_cast<std::size_t>(d.month - 1)]);
        case Tok::MonthLetter:
            return FirstCharacter(kMonthNames[static_cast<std::size_t>(d.month - 1)]);
        case Tok::Day:
            return std::to_string(d.day);
        case Tok::Day2:
            return TwoDigits(d.day);
        case Tok::WeekdayAbbr:
            return "周" + std::string(kWeekdayDigits[static_cast<std::size_t>(d.weekday)]);
        case Tok::WeekdayShort:
            return std::string(kWeekdayDigits[static_cast<std::size_t>(d.weekday)]);
        case Tok::WeekdayFull:
        case Tok::WeekdayLong:
            return "星期" + std::string(kWeekdayDigits[static_cast<std::size_t>(d.weekday)]);
        case Tok::Hour:
            return std::to_string(hour);
        case Tok::Hour2:
            return TwoDigits(hour);
        case Tok::Minute:
            return std::to_string(m.minute);
        case Tok::Minute2:
            return TwoDigits(m.minute);
        case Tok::Second:
            return std::to_string(m.second);
        case Tok::Second2:
            return TwoDigits(m.second);
        case Tok::SubSecond:
            return "." + m.subSecond.substr(0, static_cast<std::size_t>(t.width));
        case Tok::AmPm:
            return Designator(t, m.hour);
        case Tok::ElapsedHours:
            return Padded(m.totalSeconds / 3600, t.width);
        case Tok::ElapsedMinutes:
            return Padded(m.totalSeconds / 60, t.width);
        case Tok::ElapsedSeconds:
            return Padded(m.totalSeconds, t.width);
        default:
            return {};
    }
}

}  // namespace

// The time is rounded to the smallest unit the code shows (whole seconds unless it shows
// fractions of a second) before it is split, so 23:59:59.6 under hh:mm:ss is 00:00:00 of the next
// day; minutes and hours are then cut, not rounded (10:29:45 under h:mm shows 10:29).
std::string RenderDate(const Section& section, double value, bool date1904) {
    if (!(value >= 0.0) || value >= kFirstSerialPastCalendar) return std::string(kOverflowText);
    long long perSecond = 1;
    for (int i = 0; i < section.subSecondDigits; ++i) perSecond *= 10;
    const long long units = std::llround(value * static_cast<double>(kSecondsPerDay * perSecond));
    const long long perDay = kSecondsPerDay * perSecond;
    Moment m;
    m.date = SerialDate(units / perDay, date1904);
    if (m.date.year > 9999) return std::string(kOverflowText);
    const long long secondOfDay = (units % perDay) / perSecond;
    m.hour = secondOfDay / 3600;
    m.minute = secondOfDay / 60 % 60;
    m.second = secondOfDay % 60;
    m.totalSeconds = units / perSecond;
    if (section.subSecondDigits > 0) m.subSecond = Padded(units % perSecond, section.subSecondDigits);
    std::string out;
    for (const Token& t : section.tokens) {
        if (t.kind == Tok::General)
            out += GeneralText(value);
        else
            out += RenderToken(t, m, section.hasAmPm);
    }
    return out;
}

}  // namespace moxtel::numfmt
