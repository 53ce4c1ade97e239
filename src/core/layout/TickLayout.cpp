#include "core/layout/TickLayout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "core/common/TextUtil.h"
#include "core/layout/DayIdentity.h"

namespace moxtel {
namespace {

struct ColumnName {
    std::string_view text;  // ASCII letters in lower case: headers are matched in any case
    int role;
};

// Spellings of the quote sites, and the English ones pandas and the other data libraries write
// (to_csv, to_excel). An amount column (成交额, amount, turnover, money) is read by nobody: the run
// takes the amount from price and lots.
// clang-format off
constexpr std::array kColumnNames{
    ColumnName{"成交时间", kRoleTime}, ColumnName{"时间", kRoleTime}, ColumnName{"time", kRoleTime},
    ColumnName{"timestamp", kRoleTime}, ColumnName{"datetime", kRoleTime},
    ColumnName{"成交价格", kRolePrice}, ColumnName{"成交价", kRolePrice}, ColumnName{"价格", kRolePrice},
    ColumnName{"price", kRolePrice},
    ColumnName{"成交量", kRoleLots}, ColumnName{"tradeqty", kRoleLots},
    ColumnName{"tradetime", kRoleTime}, ColumnName{"tradeprice", kRolePrice}, ColumnName{"成交量(手)", kRoleLots}, ColumnName{"volume", kRoleLots},
    ColumnName{"vol", kRoleLots},
    ColumnName{"性质", kRoleDirection}, ColumnName{"买卖方向", kRoleDirection}, ColumnName{"类型", kRoleDirection},
    ColumnName{"买卖盘性质", kRoleDirection}, ColumnName{"内外盘", kRoleDirection}, ColumnName{"bsflag", kRoleDirection},
    ColumnName{"tradebsflag", kRoleDirection},
    ColumnName{"type", kRoleDirection}, ColumnName{"direction", kRoleDirection}, ColumnName{"side", kRoleDirection},
    ColumnName{"bs", kRoleDirection}, ColumnName{"buyorsell", kRoleDirection},
    ColumnName{"日期", kRoleDate}, ColumnName{"date", kRoleDate},
    ColumnName{"股票代码", kRoleCode}, ColumnName{"代码", kRoleCode}, ColumnName{"证券代码", kRoleCode},
    ColumnName{"symbol", kRoleCode}, ColumnName{"code", kRoleCode}, ColumnName{"securityid", kRoleCode},
};

// Quantity columns counted in shares rather than lots (the exchanges' Level-2 trade records).
constexpr std::array<std::string_view, 1> kShareColumns{"tradeqty"};

// Columns only a quote snapshot has: its price is the latest one, not a trade's.
constexpr std::array<std::string_view, 3> kSnapshotColumns{"最新价", "买一价", "卖一价"};
// clang-format on

// The name each role is refused by, by role - 1.
constexpr std::array<std::string_view, kRoleCount> kRoleNames{"成交时间", "成交价格", "成交量", "性质", "日期", "股票代码"};

struct DirectionWord {
    std::string_view word;  // ASCII letters in lower case: words are matched in any case
    std::string_view standard;
};

// clang-format off
constexpr std::array kDirectionWords{
    DirectionWord{"买盘", "B"}, DirectionWord{"买入", "B"}, DirectionWord{"b", "B"}, DirectionWord{"buy", "B"},
    DirectionWord{"外盘", "B"},
    DirectionWord{"卖盘", "S"}, DirectionWord{"卖出", "S"}, DirectionWord{"s", "S"}, DirectionWord{"sell", "S"},
    DirectionWord{"内盘", "S"},
    DirectionWord{"中性盘", ""}, DirectionWord{"中性", ""}, DirectionWord{"n", ""}, DirectionWord{"neutral", ""},
    DirectionWord{"", ""}, DirectionWord{"--", ""},
};
// clang-format on

// ASCII letters made lower case; other bytes (UTF-8 included) stay.
std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// A header cell as the user sees it: trimmed, without the BOM a first cell may carry.
std::string_view ShownHeader(std::string_view header) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (header.starts_with(kBom)) header.remove_prefix(kBom.size());
    return TrimView(header);
}

std::string NormalisedHeader(std::string_view header) {
    std::string text = LowerAscii(ShownHeader(header));
    for (const auto& [wide, narrow] : {std::pair{"（", "("}, std::pair{"）", ")"}}) {
        for (std::size_t at = text.find(wide); at != std::string::npos; at = text.find(wide, at)) {
            text.replace(at, std::string_view(wide).size(), narrow);
        }
    }
    return text;
}

bool StartsWithDate(std::string_view a1) {
    const std::string_view rest = TrimLeftView(a1);
    return rest.size() >= 8 && IsAllDigits(rest.substr(0, 8));
}

// A title cell ending in "(600999)": the export's "date name (code)" even where its date is damaged.
// Full-width brackets count as ASCII ones, as in header cells.
bool EndsWithBracketedCode(std::string_view a1) {
    const std::string text = NormalisedHeader(a1);
    return text.size() >= 8 && text.ends_with(')') && text[text.size() - 8] == '(' &&
           IsAllDigits(std::string_view(text).substr(text.size() - 7, 6));
}

using RoleColumns = std::array<int, kRoleCount>;

// The columns a row names; columns[role - 1] is 0 where the role is missing.
RoleColumns RolesOfRow(const CellSource& cells, int row) {
    RoleColumns columns{};
    for (int c = 1; c <= kHeaderScanColumns; ++c) {
        const int role = HeaderRoleOf(cells(row, c));
        if (role > 0 && columns[role - 1] == 0) columns[role - 1] = c;
    }
    return columns;
}

// A refusal when the header row names one role in two columns; nullopt when each role has one.
std::optional<Error> DuplicateRole(const CellSource& cells, int row, const std::string& fileName) {
    std::array<std::string, kRoleCount> named;  // "第N列“name”" of every column naming the role
    std::array<int, kRoleCount> count{};
    for (int c = 1; c <= kHeaderScanColumns; ++c) {
        const std::string header = cells(row, c);
        const int role = HeaderRoleOf(header);
        if (role == 0) continue;
        std::string& list = named[role - 1];
        list += (list.empty() ? "第" : "、第") + std::to_string(c) + "列“" + std::string(ShownHeader(header)) + "”";
        ++count[role - 1];
    }
    for (std::size_t i = 0; i < count.size(); ++i) {
        if (count[i] < 2) continue;
        return Error{"无法识别文件“" + fileName + "”的格式：表头有多个" + std::string(kRoleNames[i]) + "列(" + named[i] +
                     ")，请只留下一列。"};
    }
    return std::nullopt;
}

// Two or more cells and each of them text, neither number nor time: a row of column names.
bool IsRowOfNames(const CellSource& cells, int row) {
    int names = 0;
    for (int c = 1; c <= kHeaderScanColumns; ++c) {
        const std::string text = cells(row, c);
        if (TrimView(text).empty()) continue;
        if (HasLeadingNumber(text) || TimeOfDaySeconds(text) >= 0) return false;
        ++names;
    }
    return names >= 2;
}

// How many of the required columns a row names.
int CountFound(const RoleColumns& columns) {
    int n = 0;
    for (int i = 0; i < kRequiredRoles; ++i) n += columns[static_cast<std::size_t>(i)] > 0 ? 1 : 0;
    return n;
}

bool IsSnapshotRow(const CellSource& cells, int row) {
    for (int c = 1; c <= kHeaderScanColumns; ++c) {
        const std::string text = NormalisedHeader(cells(row, c));
        if (std::find(kSnapshotColumns.begin(), kSnapshotColumns.end(), text) != kSnapshotColumns.end()) return true;
    }
    return false;
}

Error Refusal(const std::string& fileName, const RoleColumns& columns) {
    if (CountFound(columns) == kRequiredRoles - 1 && columns[kRoleDirection - 1] == 0) {
        return Error{FillPlaceholders(kMsgNoDirection, {fileName}), {}, ErrorKind::NoDirection};
    }
    std::string missing;
    for (std::size_t i = 0; i < kRequiredRoles; ++i) {
        if (columns[i] != 0) continue;
        if (!missing.empty()) missing += "、";
        missing += kRoleNames[i];
    }
    return Error{"无法识别文件“" + fileName + "”的格式：找不到列 " + missing + "。"};
}

// Leading unsigned decimal number of text at pos; advances pos. Negative when there is none.
double ReadNumber(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && (std::isdigit(static_cast<unsigned char>(text[pos])) || text[pos] == '.')) ++pos;
    return pos == start ? -1.0 : ParseLeadingDouble(text.substr(start, pos - start));
}

}  // namespace

int HeaderRoleOf(std::string_view header) {
    const std::string text = NormalisedHeader(header);
    for (const ColumnName& name : kColumnNames) {
        if (text == name.text) return name.role;
    }
    return kRoleNone;
}

bool StandardDirectionOf(std::string_view word, std::string& standard) {
    const std::string lower = LowerAscii(TrimView(word));
    for (const DirectionWord& d : kDirectionWords) {
        if (lower == d.word) {
            standard = d.standard;
            return true;
        }
    }
    return false;
}

std::string DirectionCodeOf(std::string_view cell) {
    std::string_view text = TrimView(cell);
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    // A column with gaps comes out of pandas as floats: 1.0, -1.0.
    if (const std::size_t point = text.find('.'); point != std::string_view::npos) {
        if (text.find_first_not_of('0', point + 1) != std::string_view::npos) return {};
        text = text.substr(0, point);
    }
    if (text.empty() || text.size() > 9 || !IsAllDigits(text)) return {};
    const std::string plain = std::to_string(ParseLeadingDigits(text));
    return negative && plain != "0" ? "-" + plain : plain;
}

std::optional<DirectionCodes> ParseDirectionCodes(std::string_view text) {
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.size() != 3) return std::nullopt;
    DirectionCodes codes{DirectionCodeOf(parts[0]), DirectionCodeOf(parts[1]), DirectionCodeOf(parts[2]), true};
    if (codes.buy.empty() || codes.sell.empty() || codes.neutral.empty()) return std::nullopt;
    if (codes.buy == codes.sell || codes.buy == codes.neutral || codes.sell == codes.neutral) return std::nullopt;
    return codes;
}

bool StandardDirectionOfCode(std::string_view code, const DirectionCodes& codes, std::string_view& standard) {
    if (code == codes.buy) standard = "B";
    else if (code == codes.sell) standard = "S";
    else if (code == codes.neutral) standard = "";
    else return false;
    return true;
}

bool CodesExplain(const std::vector<std::string>& found, const DirectionCodes& codes) {
    if (found.empty()) return true;
    std::string_view standard;
    for (const std::string& code : found) {
        if (!StandardDirectionOfCode(code, codes, standard)) return false;
    }
    return codes.given || std::find(found.begin(), found.end(), codes.sell) != found.end();
}

namespace {

// Where a date and a time of one cell meet (a blank or the T of 2021.01.04T09:25:00.630): the
// first or last such character, npos when none. find_first_of would call memchr per character,
// and this runs for every trade of a large table.
std::size_t DateTimeBreak(std::string_view text, bool last) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        const std::size_t i = last ? text.size() - 1 - k : k;
        if (text[i] == ' ' || text[i] == 'T') return i;
    }
    return std::string_view::npos;
}

}  // namespace

std::string StockCodeOf(std::string_view cell) {
    std::string text = LowerAscii(TrimView(cell));
    for (std::string_view exchange : {"sh", "sz", "bj"}) {
        if (text.starts_with(exchange)) text.erase(0, 2);
        else if (text.size() >= 3 && text[text.size() - 3] == '.' && text.ends_with(exchange))
            text.resize(text.size() - 3);
    }
    // A code column read back as floats: 600000.0.
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
        if (text.find_first_not_of('0', point + 1) != std::string::npos) return {};
        text.resize(point);
    }
    if (text.empty() || !IsAllDigits(text)) return {};
    if (text.size() == 7) return ExchangePrefixedCode(text);
    if (text.size() > 6) return {};
    return std::string(6 - text.size(), '0') + text;
}

double TimeOfDaySeconds(std::string_view text) {
    text = TrimView(text);
    const std::size_t blank = DateTimeBreak(text, true);
    if (blank != std::string_view::npos) text.remove_prefix(blank + 1);
    std::size_t pos = 0;
    const double hours = ReadNumber(text, pos);
    if (hours < 0 || pos >= text.size() || text[pos] != ':') return -1.0;
    ++pos;
    const double minutes = ReadNumber(text, pos);
    if (minutes < 0) return -1.0;
    double seconds = 0.0;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        seconds = ReadNumber(text, pos);
        if (seconds < 0) return -1.0;
    }
    if (pos != text.size() || hours >= 24 || minutes >= 60 || seconds >= 60) return -1.0;
    return hours * 3600 + minutes * 60 + seconds;
}

double TradeTimeSeconds(std::string_view text) {
    const double clock = TimeOfDaySeconds(text);
    text = TrimView(text);
    if (clock >= 0 || text.size() < 5 || text.size() > 6) return clock;
    if (!IsAllDigits(text)) return -1.0;
    const int hhmmss = ParseLeadingDigits(text);
    const int hours = hhmmss / 10000;
    const int minutes = hhmmss / 100 % 100;
    const int seconds = hhmmss % 100;
    if (hours > 23 || minutes > 59 || seconds > 59) return -1.0;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

int ParseTradeDate(std::string_view text) {
    text = TrimView(text);
    if (const std::size_t blank = DateTimeBreak(text, false); blank != std::string_view::npos) {
        text = text.substr(0, blank);
    }
    std::string date;
    if (text.size() == 8 && IsAllDigits(text)) {
        date = text;
    } else {
        // 2018-01-15, 2018/1/15, 2018.01.15: one separator used twice, month and day of one or two digits.
        const std::size_t first = text.find_first_of("-/.");
        if (first != 4 || !IsAllDigits(text.substr(0, 4))) return 0;
        const std::size_t second = text.find(text[first], first + 1);
        if (second == std::string_view::npos) return 0;
        const std::string_view month = text.substr(first + 1, second - first - 1);
        const std::string_view day = text.substr(second + 1);
        for (std::string_view part : {month, day}) {
            if (part.empty() || part.size() > 2 || !IsAllDigits(part)) return 0;
        }
        date = std::string(text.substr(0, 4)) + (month.size() == 1 ? "0" : "") + std::string(month) +
               (day.size() == 1 ? "0" : "") + std::string(day);
    }
    return IsTradeDate(date) ? ParseLeadingDigits(date) : 0;
}

std::string_view TimeOfDayText(std::string_view text, std::string& scratch) {
    text = TrimView(text);
    if (text.size() == 14 && IsAllDigits(text)) {
        scratch.assign(text.substr(8, 2)).append(":").append(text.substr(10, 2)).append(":").append(text.substr(12, 2));
        return scratch;
    }
    const std::size_t blank = DateTimeBreak(text, true);
    if (blank == std::string_view::npos) return text;
    text = TrimView(text.substr(blank + 1));
    return text.substr(0, text.find('.'));
}

std::string_view LotsOfShares(std::string_view shares, std::string& scratch) {
    const std::string_view text = TrimView(shares);
    if (text.empty() || !HasLeadingNumber(text)) return shares;
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, ParseLeadingDouble(text) / 100.0);
    if (ec != std::errc{}) return shares;
    scratch.assign(buffer, end);
    return scratch;
}

TradeTime ParseTradeTime(std::string_view text) {
    text = TrimView(text);
    if (text.size() == 14 && IsAllDigits(text)) {
        const int date = ParseTradeDate(text.substr(0, 8));
        const double seconds = TradeTimeSeconds(text.substr(8));
        return date != 0 && seconds >= 0 ? TradeTime{seconds, date} : TradeTime{};
    }
    TradeTime time{TradeTimeSeconds(text), 0};
    // A date and a time take more than ten characters; a bare time ("09:30:03") is not searched.
    if (time.seconds < 0 || text.size() <= 10) return time;
    const std::size_t blank = DateTimeBreak(text, false);
    if (blank != std::string_view::npos) time.date = ParseTradeDate(text.substr(0, blank));
    return time;
}

bool IsLatestFirst(std::string_view firstTime, std::string_view lastTime) {
    const double first = TradeTimeSeconds(firstTime);
    const double last = TradeTimeSeconds(lastTime);
    if (first >= 0 && last >= 0) return first > last;
    return TrimView(firstTime) > TrimView(lastTime);
}

namespace {

// The header table whose header row is row and whose columns are columns.
Result<TickLayout> HeaderLayout(const CellSource& cells, const std::string& fileName, int row,
                                const RoleColumns& columns) {
    if (std::optional<Error> twice = DuplicateRole(cells, row, fileName)) return *twice;
    const std::string lots = NormalisedHeader(cells(row, columns[2]));
    const bool shares = std::find(kShareColumns.begin(), kShareColumns.end(), lots) != kShareColumns.end();
    return TickLayout{TickLayoutKind::Header,
                      {row, columns[0], columns[1], columns[2], columns[3], columns[4], columns[5], shares}};
}

}  // namespace

Result<TickLayout> RecognizeLayout(const CellSource& cells, const std::string& fileName, bool withoutDirection) {
    if (StartsWithDate(cells(1, 1))) return TickLayout{};
    RoleColumns best{};
    int bestRow = 0;
    RoleColumns directionless{};  // the first row naming time, price and lots but no direction
    int directionlessRow = 0;
    for (int row = 1; row <= kHeaderScanRows; ++row) {
        const RoleColumns columns = RolesOfRow(cells, row);
        if (CountFound(columns) == kRequiredRoles) return HeaderLayout(cells, fileName, row, columns);
        if (IsSnapshotRow(cells, row)) return Error{FillPlaceholders(kMsgSnapshot, {fileName})};
        if (directionlessRow == 0 && CountFound(columns) == kRequiredRoles - 1 && columns[kRoleDirection - 1] == 0) {
            directionless = columns;
            directionlessRow = row;
        }
        if (CountFound(columns) > CountFound(best)) {
            best = columns;
            bestRow = row;
        }
    }
    // Two names in one row make a header row that lacks columns, not an export with an odd title.
    // Without a header, a time in row 6 still marks the export (its title is then checked by the run);
    // any other text (a script, a letter saved as .xls) is no tick table. A first row of names only
    // is a header in words this program does not know, not a title. The export itself names its
    // columns in row 5 (时间, 成交价, 现手 ...) under its "date name (code)" title: with a damaged
    // date that is still the export, whose title the run then reports, not a header table short
    // of a column.
    const bool exportShape = bestRow == 5 && EndsWithBracketedCode(cells(1, 1));
    if ((CountFound(best) < 2 || exportShape) && TimeOfDaySeconds(cells(6, 1)) >= 0 && !IsRowOfNames(cells, 1)) {
        return TickLayout{};
    }
    if (withoutDirection && directionlessRow != 0) {
        return HeaderLayout(cells, fileName, directionlessRow, directionless);
    }
    return Refusal(fileName, best);
}

}  // namespace moxtel
