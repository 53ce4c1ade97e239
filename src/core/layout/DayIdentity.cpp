#include "core/layout/DayIdentity.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "core/common/TextUtil.h"

namespace moxtel {
namespace {

struct DigitRun {
    std::size_t begin;
    std::size_t end;
};

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::vector<DigitRun> DigitRuns(std::string_view text) {
    std::vector<DigitRun> runs;
    for (std::size_t i = 0; i < text.size();) {
        if (!IsDigit(text[i])) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        runs.push_back({begin, i});
    }
    return runs;
}

std::size_t Length(const DigitRun& run) { return run.end - run.begin; }

// Three runs of 4, 2 and 2 digits joined by one separator each: 2024-12-04.
bool IsSplitDate(std::string_view text, const std::vector<DigitRun>& runs, std::size_t i) {
    if (i + 2 >= runs.size() || Length(runs[i]) != 4 || Length(runs[i + 1]) != 2 || Length(runs[i + 2]) != 2) {
        return false;
    }
    for (std::size_t k = i; k < i + 2; ++k) {
        const char sep = text[runs[k].end];
        if (runs[k + 1].begin != runs[k].end + 1 || (sep != '-' && sep != '_' && sep != '.')) return false;
    }
    return true;
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "、") + item;
    return text;
}

void AddCandidate(std::vector<std::string>& candidates, std::string value) {
    if (std::find(candidates.begin(), candidates.end(), value) == candidates.end()) {
        candidates.push_back(std::move(value));
    }
}

bool IsSixDigitCode(std::string_view text) {
    return text.size() == 6 && IsAllDigits(text);
}

std::string StockOfCode(const std::string& code, const std::function<std::string(const std::string&)>& storedStockOf) {
    const std::string stored = storedStockOf ? storedStockOf(code) : std::string();
    return stored.empty() ? code + "(" + code + ")" : stored;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
        out.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    return out.append(text);
}

constexpr int kFolderLevels = 3;

// A folder named just a date (20180115, 2018-01-15, 2018_01_15, 2018.01.15): that date, else "".
std::string DateFolder(const std::string& name) {
    const FileNameHints hints = HintsFromFileName(name + ".x");
    const bool only = hints.tradeDate.size() == 8 &&
                      (name == hints.tradeDate || (name.size() == 10 && name.substr(0, 4) == hints.tradeDate.substr(0, 4)));
    return only && hints.codes.empty() ? hints.tradeDate : std::string();
}

// A folder named just a code, with an exchange's letters before it or after a point: the code, else "".
std::string CodeFolder(const std::string& name) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::string_view exchange : {"sh", "sz", "bj"}) {
        if (lower.size() == 8 && lower.starts_with(exchange)) return IsSixDigitCode(lower.substr(2)) ? lower.substr(2) : "";
        if (lower.size() == 9 && lower.ends_with(std::string(".") + std::string(exchange))) {
            return IsSixDigitCode(lower.substr(0, 6)) ? lower.substr(0, 6) : "";
        }
    }
    return IsSixDigitCode(lower) ? lower : "";
}

}  // namespace

// Some quote sites put the exchange before the code: 0 for Shanghai, 1 for Shenzhen (0600000,
// 1000001). Only codes that exchange lists its stocks and funds under count (Shanghai 5, 6, 9;
// Shenzhen 0 to 3), so that seven digits of something else ("0000012") are not taken for a code.
std::string ExchangePrefixedCode(std::string_view digits) {
    if (digits.size() != 7 || !IsAllDigits(digits)) return {};
    const char first = digits[1];
    const bool shanghai = digits[0] == '0' && (first == '5' || first == '6' || first == '9');
    const bool shenzhen = digits[0] == '1' && first >= '0' && first <= '3';
    return shanghai || shenzhen ? std::string(digits.substr(1)) : std::string();
}

bool IsTradeDate(std::string_view text) {
    if (text.size() != 8 || !IsAllDigits(text)) return false;
    const int year = ParseLeadingDigits(text.substr(0, 4));
    const int month = ParseLeadingDigits(text.substr(4, 2));
    const int day = ParseLeadingDigits(text.substr(6, 2));
    if (year < 1900 || year > 2099 || month < 1 || month > 12 || day < 1) return false;
    constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= (month == 2 && !leap ? 28 : kDays[month - 1]);
}

FileNameHints HintsFromFileName(std::string_view path) {
    const std::string stem = std::filesystem::path(std::string(path)).stem().string();
    const std::vector<DigitRun> runs = DigitRuns(stem);
    FileNameHints hints;
    std::vector<bool> used(runs.size(), false);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::string_view run = std::string_view(stem).substr(runs[i].begin, Length(runs[i]));
        if (IsTradeDate(run)) {
            AddCandidate(hints.tradeDates, std::string(run));
            used[i] = true;
        } else if (IsSplitDate(stem, runs, i)) {
            const std::string date =
                stem.substr(runs[i].begin, 4) + stem.substr(runs[i + 1].begin, 2) + stem.substr(runs[i + 2].begin, 2);
            if (!IsTradeDate(date)) continue;
            AddCandidate(hints.tradeDates, date);
            used[i] = used[i + 1] = used[i + 2] = true;
            i += 2;
        }
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (used[i]) continue;
        if (Length(runs[i]) == 6) AddCandidate(hints.codes, stem.substr(runs[i].begin, 6));
        if (Length(runs[i]) == 7) {
            const std::string code = ExchangePrefixedCode(std::string_view(stem).substr(runs[i].begin, 7));
            if (!code.empty()) AddCandidate(hints.codes, code);
        }
    }
    if (hints.tradeDates.size() == 1) hints.tradeDate = hints.tradeDates[0];
    if (hints.codes.size() == 1) hints.code = hints.codes[0];
    return hints;
}

std::optional<std::string> NormalisedStock(std::string_view text,
                                           const std::function<std::string(const std::string&)>& storedStockOf) {
    std::string stock = ReplaceAll(ReplaceAll(Trim(text), "（", "("), "）", ")");
    if (IsSixDigitCode(stock)) return StockOfCode(stock, storedStockOf);
    const std::size_t open = stock.rfind('(');
    if (open == std::string::npos || open == 0 || stock.back() != ')' || open + 2 >= stock.size()) return std::nullopt;
    if (stock.find_first_of("()", open + 1) != stock.size() - 1) return std::nullopt;
    // "平安银行 (000001)" as a title writes it is the stored "平安银行(000001)", not a second stock.
    const std::string_view name = TrimView(std::string_view(stock).substr(0, open));
    if (name.empty()) return std::nullopt;
    return std::string(name) + stock.substr(open);
}

FileNameHints HintsFromFolders(std::string_view path) {
    FileNameHints hints;
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::absolute(std::filesystem::path(std::string(path)), ec);
    for (int up = 0; up < kFolderLevels && !ec && folder.has_relative_path(); ++up) {
        folder = folder.parent_path();
        const std::string name = folder.filename().string();
        if (hints.tradeDate.empty()) hints.tradeDate = DateFolder(name);
        if (hints.code.empty()) hints.code = CodeFolder(name);
    }
    return hints;
}

DayIdentity GuessDayIdentity(const std::string& path, const DayOverrides& overrides,
                             const std::vector<std::string>& tableDates, const std::vector<std::string>& tableCodes,
                             const std::string& sheetName) {
    FileNameHints hints = HintsFromFileName(path);
    // The sheet's name speaks where the file's name says nothing: its own slashes are no folders.
    if (!sheetName.empty() && sheetName.find('/') == std::string::npos) {
        const FileNameHints sheet = HintsFromFileName(sheetName + ".");  // a dot in it is no extension
        if (hints.tradeDates.empty()) {
            hints.tradeDate = sheet.tradeDate;
            hints.tradeDates = sheet.tradeDates;
        }
        if (hints.codes.empty()) {
            hints.code = sheet.code;
            hints.codes = sheet.codes;
        }
    }
    DayIdentity day;
    day.directionCodes = overrides.directionCodes;
    const bool needFolders = (overrides.tradeDate.empty() && hints.tradeDate.empty() && tableDates.empty()) ||
                             (overrides.stock.empty() && hints.code.empty() && tableCodes.empty());
    const FileNameHints folders = needFolders ? HintsFromFolders(path) : FileNameHints{};
    if (!overrides.tradeDate.empty()) {
        day.tradeDate = overrides.tradeDate;
    } else if (tableDates.size() <= 1) {
        // A name with two dates leaves the date open rather than fall back on the table's.
        const bool nameSaysDates = !hints.tradeDates.empty();
        day.tradeDate = nameSaysDates ? hints.tradeDate : tableDates.empty() ? folders.tradeDate : tableDates[0];
    }
    if (!overrides.stock.empty()) {
        day.stock = overrides.stock;
    } else if (!hints.code.empty()) {
        day.stock = StockOfCode(hints.code, overrides.storedStockOf);
    } else if (hints.codes.empty() && tableCodes.size() == 1) {
        day.stock = StockOfCode(tableCodes[0], overrides.storedStockOf);
    } else if (hints.codes.empty() && tableCodes.empty() && !folders.code.empty()) {
        day.stock = StockOfCode(folders.code, overrides.storedStockOf);
    }
    return day;
}

Result<DayIdentity> CheckDayIdentity(const DayIdentity& guess, const std::string& path,
                                     const std::function<std::string(const std::string&)>& storedStockOf) {
    const std::string fileName = std::filesystem::path(path).filename().string();
    // An empty part is one the name leaves open: it names none, or several.
    const FileNameHints hints = HintsFromFileName(path);
    if (guess.tradeDate.empty()) {
        if (hints.tradeDates.size() > 1) {
            return Error{FillPlaceholders(kMsgManyDates, {fileName, Joined(hints.tradeDates)})};
        }
        return Error{FillPlaceholders(kMsgNeedDate, {fileName})};
    }
    if (!IsTradeDate(guess.tradeDate)) return Error{FillPlaceholders(kMsgBadDate, {guess.tradeDate})};
    if (guess.stock.empty()) {
        if (hints.codes.size() > 1) {
            return Error{FillPlaceholders(kMsgManyStocks, {fileName, Joined(hints.codes)})};
        }
        return Error{FillPlaceholders(kMsgNeedStock, {fileName})};
    }
    const auto stock = NormalisedStock(guess.stock, storedStockOf);
    if (!stock) return Error{FillPlaceholders(kMsgBadStock, {guess.stock})};
    return DayIdentity{guess.tradeDate, *stock};
}

Result<DayIdentity> ResolveDayIdentity(const std::string& path, const DayOverrides& overrides) {
    return CheckDayIdentity(GuessDayIdentity(path, overrides), path, overrides.storedStockOf);
}

std::string TitleFor(const DayIdentity& day) {
    // The title rules drop one character at the stock's first blank: give them a second blank
    // there, or one before "(code)" when the name has none.
    std::size_t at = day.stock.find(' ');
    if (at == std::string::npos) at = day.stock.rfind('(');
    if (at == std::string::npos) at = day.stock.size();
    return day.tradeDate + " " + day.stock.substr(0, at) + " " + day.stock.substr(at);
}

}  // namespace moxtel
