#include "core/workbook/NumberFormatParse.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/common/TextUtil.h"

namespace moxtel::numfmt {
namespace {

constexpr std::string_view kChineseGeneral = "G/通用格式";  // how Chinese spreadsheets store General
constexpr std::string_view kChineseAmPm = "上午/下午";

// ASCII only, whatever the C locale says about other bytes.
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (Lower(text[at + i]) != word[i]) return false;
    }
    return true;
}

std::size_t CharLength(std::string_view text, std::size_t at) {
    return std::min<std::size_t>(static_cast<std::size_t>(Utf8CharLength(static_cast<unsigned char>(text[at]))),
                                 text.size() - at);
}

// Length of the run of the same letter (either case) starting at `at`.
std::size_t RunLength(std::string_view text, std::size_t at) {
    std::size_t n = 1;
    while (at + n < text.size() && Lower(text[at + n]) == Lower(text[at])) ++n;
    return n;
}

// Bytes taken by an item that hides its content from the scanners: quoted text, \x, _x, *x and
// [..]. Zero when the item at `at` is not one of them. An unbalanced quote or bracket is not one.
std::size_t OpaqueLength(std::string_view code, std::size_t at) {
    const char c = code[at];
    if (c == '"' || c == '[') {
        const std::size_t close = code.find(c == '"' ? '"' : ']', at + 1);
        return close == std::string_view::npos ? 0 : close + 1 - at;
    }
    if (c == '\\' || c == '_' || c == '*') return at + 1 < code.size() ? 1 + CharLength(code, at + 1) : 1;
    return 0;
}

std::vector<std::string_view> SplitSections(std::string_view code) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < code.size()) {
        if (const std::size_t skip = OpaqueLength(code, i)) {
            i += skip;
        } else if (code[i] == ';') {
            parts.push_back(code.substr(start, i - start));
            start = ++i;
        } else {
            ++i;
        }
    }
    parts.push_back(code.substr(start));
    return parts;
}

bool IsElapsed(std::string_view inner) {
    if (inner.empty()) return false;
    const char c = Lower(inner[0]);
    if (c != 'h' && c != 'm' && c != 's') return false;
    return std::all_of(inner.begin(), inner.end(), [c](char x) { return Lower(x) == c; });
}

bool HasDateCodes(std::string_view code) {
    std::size_t i = 0;
    while (i < code.size()) {
        if (code[i] == '[') {
            const std::size_t close = code.find(']', i);
            if (close != std::string_view::npos && IsElapsed(code.substr(i + 1, close - i - 1))) return true;
        }
        if (const std::size_t skip = OpaqueLength(code, i)) {
            i += skip;
            continue;
        }
        if (StartsWithNoCase(code, i, "general")) {
            i += 7;
            continue;
        }
        if (code.substr(i).starts_with(kChineseAmPm) || StartsWithNoCase(code, i, "am/pm") ||
            StartsWithNoCase(code, i, "a/p")) {
            return true;
        }
        const char c = Lower(code[i]);
        if (c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 's') return true;
        if (c == 'a' && RunLength(code, i) >= 3) return true;  // aaa, aaaa: weekday
        ++i;
    }
    return false;
}

class SectionBuilder {
  public:
    explicit SectionBuilder(Section& section) : m_section(section) {}

    void Literal(std::string_view text) {
        if (text.empty()) return;
        auto& tokens = m_section.tokens;
        if (!tokens.empty() && tokens.back().kind == Tok::Literal) {
            tokens.back().text += text;
        } else {
            tokens.push_back(Token{Tok::Literal, std::string(text)});
        }
    }
    void Add(Tok kind, std::string_view text = {}, int width = 0) {
        m_section.tokens.push_back(Token{kind, std::string(text), width});
    }
    Tok LastKind() const { return m_section.tokens.empty() ? Tok::Literal : m_section.tokens.back().kind; }

    // [..] items: condition, elapsed time, currency/locale tag; colours and anything else are dropped.
    void Bracket(std::string_view inner) {
        if (inner.empty()) return;
        if (IsElapsed(inner)) {
            const char c = Lower(inner[0]);
            Add(c == 'h'   ? Tok::ElapsedHours
                : c == 'm' ? Tok::ElapsedMinutes
                           : Tok::ElapsedSeconds,
                {}, static_cast<int>(inner.size()));
        } else if (inner[0] == '$') {
            const std::size_t dash = inner.find('-', 1);
            Literal(inner.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1));
        } else if (inner[0] == '<' || inner[0] == '>' || inner[0] == '=') {
            Condition(inner);
        }
    }

  private:
    void Condition(std::string_view inner) {
        static constexpr std::pair<std::string_view, CondOp> kOperators[] = {
            {"<=", CondOp::LessEqual}, {">=", CondOp::GreaterEqual}, {"<>", CondOp::NotEqual},
            {"<", CondOp::Less},       {">", CondOp::Greater},       {"=", CondOp::Equal}};
        CondOp op = CondOp::None;
        std::size_t n = 0;
        for (const auto& [text, value] : kOperators) {
            if (inner.starts_with(text)) {
                op = value;
                n = text.size();
                break;
            }
        }
        std::string_view rest = TrimView(inner.substr(n));
        if (rest.starts_with('+')) rest.remove_prefix(1);
        double operand = 0.0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), operand);
        if (ec != std::errc() || end == rest.data()) return;
        m_section.op = op;
        m_section.operand = operand;
    }

    Section& m_section;
};

// Letter codes of a date/time section. Returns the bytes consumed, 0 when `at` holds no code.
std::size_t DateCode(std::string_view code, std::size_t at, SectionBuilder& out) {
    if (code.substr(at).starts_with(kChineseAmPm)) {
        out.Add(Tok::AmPm, kChineseAmPm);
        return kChineseAmPm.size();
    }
    for (std::string_view word : {std::string_view("am/pm"), std::string_view("a/p")}) {
        if (StartsWithNoCase(code, at, word)) {
            out.Add(Tok::AmPm, code.substr(at, word.size()));
            return word.size();
        }
    }
    const std::size_t n = RunLength(code, at);
    switch (Lower(code[at])) {
        case 'y':
            out.Add(n <= 2 ? Tok::Year2 : Tok::Year4);
            return n;
        case 'e':
            out.Add(Tok::Year4);
            return n;
        case 'm': {
            static constexpr Tok kMonth[] = {Tok::Month, Tok::Month2, Tok::MonthAbbr, Tok::MonthFull, Tok::MonthLetter};
            out.Add(n <= 5 ? kMonth[n - 1] : Tok::MonthFull);
            return n;
        }
        case 'd': {
            static constexpr Tok kDay[] = {Tok::Day, Tok::Day2, Tok::WeekdayAbbr, Tok::WeekdayFull};
            out.Add(kDay[std::min<std::size_t>(n, 4) - 1]);
            return n;
        }
        case 'a':
            if (n < 3) return 0;
            out.Add(n == 3 ? Tok::WeekdayShort : Tok::WeekdayLong);
            return n;
        case 'h':
            out.Add(n == 1 ? Tok::Hour : Tok::Hour2);
            return n;
        case 's':
            out.Add(n == 1 ? Tok::Second : Tok::Second2);
            return n;
        case 'g':
            return n;  // era name: none in the Gregorian calendar
        default:
            return 0;
    }
}

std::size_t NumberCode(std::string_view code, std::size_t at, SectionBuilder& out) {
    const char c = code[at];
    switch (c) {
        case '0':
            out.Add(Tok::Zero);
            return 1;
        case '#':
            out.Add(Tok::Hash);
            return 1;
        case '?':
            out.Add(Tok::Question);
            return 1;
        case '.':
            out.Add(Tok::Point);
            return 1;
        case ',':
            out.Add(Tok::Comma);
            return 1;
        case '%':
            out.Add(Tok::Percent);
            return 1;
        case '/':
            out.Add(Tok::Slash);
            return 1;
        case 'E':
        case 'e':
            if (at + 1 < code.size() && (code[at + 1] == '+' || code[at + 1] == '-')) {
                out.Add(Tok::Exponent, code.substr(at, 2));
                return 2;
            }
            return 0;
        default:
            break;
    }
    if (c >= '1' && c <= '9' && out.LastKind() == Tok::Slash) {
        std::size_t n = 1;
        while (at + n < code.size() && std::isdigit(static_cast<unsigned char>(code[at + n]))) ++n;
        out.Add(Tok::Denominator, code.substr(at, n));
        return n;
    }
    return 0;
}

void Tokenize(std::string_view code, Section& section) {
    SectionBuilder out(section);
    std::size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (c == '"' || c == '[') {
            const std::size_t skip = OpaqueLength(code, i);
            if (skip == 0) {
                out.Literal(code.substr(i, 1));  // unbalanced: shown as it stands
                ++i;
            } else {
                if (c == '"')
                    out.Literal(code.substr(i + 1, skip - 2));
                else
                    out.Bracket(code.substr(i + 1, skip - 2));
                i += skip;
            }
            continue;
        }
        if (c == '\\' || c == '_' || c == '*') {
            const std::size_t skip = OpaqueLength(code, i);
            if (c == '\\')
                out.Literal(code.substr(i + 1, skip - 1));
            else if (c == '_' && skip > 1)
                out.Literal(" ");  // a blank as wide as the character; *x fills: nothing
            i += skip;
            continue;
        }
        if (StartsWithNoCase(code, i, "general")) {
            out.Add(Tok::General);
            i += 7;
            continue;
        }
        if (code.substr(i).starts_with(kChineseGeneral)) {
            out.Add(Tok::General);
            i += kChineseGeneral.size();
            continue;
        }
        if (c == '@') {
            out.Add(Tok::At);
            ++i;
            continue;
        }
        if (section.isDate) {
            if (c == '.' && i + 1 < code.size() && code[i + 1] == '0') {
                const std::size_t zeros = RunLength(code, i + 1);
                out.Add(Tok::SubSecond, {}, static_cast<int>(std::min<std::size_t>(zeros, 3)));
                i += 1 + zeros;
                continue;
            }
            if (const std::size_t n = DateCode(code, i, out)) {
                i += n;
                continue;
            }
        } else if (const std::size_t n = NumberCode(code, i, out)) {
            i += n;
            continue;
        }
        const std::size_t n = CharLength(code, i);
        out.Literal(code.substr(i, n));
        i += n;
    }
}

bool IsClockCode(Tok kind) { return kind != Tok::Literal && kind != Tok::At && kind != Tok::General; }

// m and mm mean minutes right after an hour code or right before a seconds code (literals between).
void ResolveMinutes(Section& section) {
    auto& tokens = section.tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Month && tokens[i].kind != Tok::Month2) continue;
        bool minute = false;
        for (std::size_t j = i; j-- > 0;) {
            if (!IsClockCode(tokens[j].kind)) continue;
            const Tok k = tokens[j].kind;
            minute = k == Tok::Hour || k == Tok::Hour2 || k == Tok::ElapsedHours;
            break;
        }
        for (std::size_t j = i + 1; !minute && j < tokens.size(); ++j) {
            if (!IsClockCode(tokens[j].kind)) continue;
            const Tok k = tokens[j].kind;
            minute = k == Tok::Second || k == Tok::Second2 || k == Tok::ElapsedSeconds;
            break;
        }
        if (minute) tokens[i].kind = tokens[i].kind == Tok::Month ? Tok::Minute : Tok::Minute2;
    }
}

void NoteDateFacts(Section& section) {
    for (const Token& t : section.tokens) {
        if (t.kind == Tok::AmPm) section.hasAmPm = true;
        if (t.kind == Tok::SubSecond) section.subSecondDigits = std::max(section.subSecondDigits, t.width);
    }
}

// [$-F800] and [$-F400] ask for the system's long date and long time, whatever else the section
// says; these are the zh-CN ones.
std::string_view SystemFormat(std::string_view part) {
    for (std::size_t i = 0; i + 8 <= part.size(); ++i) {
        if (StartsWithNoCase(part, i, "[$-f800]")) return "yyyy\"年\"m\"月\"d\"日\"";
        if (StartsWithNoCase(part, i, "[$-f400]")) return "h:mm:ss";
    }
    return part;
}

}  // namespace

std::shared_ptr<const ParsedFormat> ParseFormatCode(std::string_view code) {
    auto parsed = std::make_shared<ParsedFormat>();
    for (std::string_view part : SplitSections(code)) {
        part = SystemFormat(part);
        Section section;
        section.isDate = HasDateCodes(part);
        Tokenize(part, section);
        for (const Token& t : section.tokens) {
            if (t.kind == Tok::At) section.hasText = true;
        }
        if (section.isDate) {
            ResolveMinutes(section);
            NoteDateFacts(section);
        } else {
            AnalyseNumberSection(section);
        }
        parsed->sections.push_back(std::move(section));
    }
    const int count = static_cast<int>(parsed->sections.size());
    if (count >= 4) {
        parsed->textSection = 3;
        parsed->numberSections = 3;
    } else if (parsed->sections.back().hasText) {
        parsed->textSection = count - 1;
        parsed->numberSections = count - 1;
    } else {
        parsed->numberSections = count;
    }
    return parsed;
}

std::shared_ptr<const ParsedFormat> CachedFormat(std::string_view code) {
    // A workbook uses a handful of codes; the cache is dropped whole when a file brings many.
    thread_local std::unordered_map<std::string, std::shared_ptr<const ParsedFormat>> cache;
    constexpr std::size_t kMaxEntries = 256;
    std::string key(code);
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    if (cache.size() >= kMaxEntries) cache.clear();
    auto parsed = ParseFormatCode(code);
    cache.emplace(std::move(key), parsed);
    return parsed;
}

bool ConditionHolds(const Section& section, double value) {
    const double x = section.operand;
    switch (section.op) {
        case CondOp::Less:
            return value < x;
        case CondOp::LessEqual:
            return value <= x;
        case CondOp::Greater:
            return value > x;
        case CondOp::GreaterEqual:
            return value >= x;
        case CondOp::Equal:
            return value == x;
        case CondOp::NotEqual:
            return value != x;
        case CondOp::None:
            break;
    }
    return true;
}

}  // namespace moxtel::numfmt
