#include "layout/TickLayout.h"

#include <array>
#include <cctype>
#include <optional>

#include "common/TextUtil.h"

namespace moxtel {
namespace {

struct ColumnName {
    std::string_view text;
    int role;
};

// Spellings used by the quote sites and the data libraries that save their tables.
// clang-format off
constexpr std::array<ColumnName, 10> kColumnNames{{
    {"成交时间", 1}, {"时间", 1},
    {"成交价格", 2}, {"成交价", 2}, {"价格", 2},
    {"成交量", 3}, {"成交量(手)", 3},
    {"性质", 4}, {"买卖方向", 4}, {"类型", 4},
}};
// clang-format on

// The name each required column is refused by.
constexpr std::array<std::string_view, 4> kRoleNames{"成交时间", "成交价格", "成交量", "性质"};

struct DirectionWord {
    std::string_view word;
    std::string_view standard;
};

// clang-format off
constexpr std::array<DirectionWord, 14> kDirectionWords{{
    {"买盘", "B"}, {"买入", "B"}, {"B", "B"}, {"b", "B"},
    {"卖盘", "S"}, {"卖出", "S"}, {"S", "S"}, {"s", "S"},
    {"中性盘", ""}, {"中性", ""}, {"N", ""}, {"n", ""}, {"", ""}, {"--", ""},
}};
// clang-format on

// A header cell as the user sees it: trimmed, without the BOM a first cell may carry.
std::string_view ShownHeader(std::string_view header) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (header.starts_with(kBom)) header.remove_prefix(kBom.size());
    return TrimView(header);
}

std::string NormalisedHeader(std::string_view header) {
    std::string text(ShownHeader(header));
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

// The columns a row names; columns[role - 1] is 0 where the role is missing.
std::array<int, 4> RolesOfRow(const CellSource& cells, int row) {
    std::array<int, 4> columns{};
    for (int c = 1; c <= kHeaderScanColumns; ++c) {
        const int role = HeaderRoleOf(cells(row, c));
        if (role > 0 && columns[role - 1] == 0) columns[role - 1] = c;
    }
    return columns;
}

// A refusal when the header row names one role in two columns; nullopt when each role has one.
std::optional<Error> DuplicateRole(const CellSource& cells, int row, const std::string& fileName) {
    std::array<std::string, 4> named;  // "第N列“name”" of every column naming the role
    std::array<int, 4> count{};
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

int CountFound(const std::array<int, 4>& columns) {
    int n = 0;
    for (int c : columns) n += c > 0 ? 1 : 0;
    return n;
}

Error Refusal(const std::string& fileName, const std::array<int, 4>& columns) {
    std::string missing;
    for (std::size_t i = 0; i < columns.size(); ++i) {
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
    return 0;
}

bool StandardDirectionOf(std::string_view word, std::string& standard) {
    const std::string_view trimmed = TrimView(word);
    for (const DirectionWord& d : kDirectionWords) {
        if (trimmed == d.word) {
            standard = d.standard;
            return true;
        }
    }
    return false;
}

double TimeOfDaySeconds(std::string_view text) {
    text = TrimView(text);
    const std::size_t blank = text.find_last_of(" T");
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
    return pos == text.size() ? hours * 3600 + minutes * 60 + seconds : -1.0;
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

bool IsLatestFirst(std::string_view firstTime, std::string_view lastTime) {
    const double first = TradeTimeSeconds(firstTime);
    const double last = TradeTimeSeconds(lastTime);
    if (first >= 0 && last >= 0) return first > last;
    return TrimView(firstTime) > TrimView(lastTime);
}

Result<TickLayout> RecognizeLayout(const CellSource& cells, const std::string& fileName) {
    if (StartsWithDate(cells(1, 1))) return TickLayout{};
    std::array<int, 4> best{};
    int bestRow = 0;
    for (int row = 1; row <= kHeaderScanRows; ++row) {
        const std::array<int, 4> columns = RolesOfRow(cells, row);
        if (CountFound(columns) == 4) {
            if (std::optional<Error> twice = DuplicateRole(cells, row, fileName)) return *twice;
            return TickLayout{TickLayoutKind::Header, {row, columns[0], columns[1], columns[2], columns[3]}};
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
    return Refusal(fileName, best);
}

}  // namespace moxtel
