#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/layout/TickLayout.h"

namespace moxtel {

// The day and the stock of a tick table that does not carry them itself.
struct DayIdentity {
    std::string tradeDate;  // YYYYMMDD
    std::string stock;      // "名称(代码)"; always ends in "(code)"
    // A direction column of numbers: what they mean, and the codes found (in the order met) when
    // that is still open, that is when the user has to say it.
    DirectionCodes directionCodes{};
    std::vector<std::string> codesToExplain{};
    // A trade list without a direction column, and whether its directions are to be inferred from
    // the prices by the tick rule (--infer-direction tick-rule, or the window's checkbox).
    bool directionMissing = false;
    bool inferDirection = false;
    // A table of several stocks: their six-digit codes in the order met, one of which is to be chosen.
    std::vector<std::string> tableCodes{};
};

// What a caller knows beyond the file. Every member is optional.
struct DayOverrides {
    std::string tradeDate;  // YYYYMMDD, from --date or the dialog
    std::string stock;      // "名称(代码)" or a bare six-digit code, from --stock or the dialog
    // The stock text of an earlier stored day of a code ("平安银行(000001)"), or "" when none.
    std::function<std::string(const std::string& code)> storedStockOf{};
    // Asked once the date and stock are guessed, before anything is stored, on the thread of the
    // run: the final identity, or nullopt when the user gave up (the run then ends without a message).
    std::function<std::optional<DayIdentity>(const DayIdentity& guess)> confirm{};
    // What a direction column of numbers means, from --direction-codes or the dialog.
    DirectionCodes directionCodes{};
    // Infer the directions of a trade list without a direction column by the tick rule.
    bool inferDirection = false;
};

inline constexpr const char* kMsgNeedDate = "“%s”的文件名中没有日期，请用 --date YYYYMMDD 指定交易日期。";
inline constexpr const char* kMsgNeedStock = "“%s”的文件名中没有股票代码，请用 --stock 名称(代码) 指定股票。";
inline constexpr const char* kMsgManyDates = "“%s”的文件名中有多个日期(%s)，请用 --date YYYYMMDD 指定交易日期。";
inline constexpr const char* kMsgManyStocks = "“%s”的文件名中有多个股票代码(%s)，请用 --stock 名称(代码) 指定股票。";
inline constexpr const char* kMsgBadDate = "日期“%s”无效，应为 YYYYMMDD，例如 20241204。";
inline constexpr const char* kMsgTableDates =
    "文件“%s”中有多个交易日期(%s)，请用 --date YYYYMMDD 指定统计哪一天。";
inline constexpr const char* kMsgBadStock = "股票“%s”无效，应为 名称(代码) 或六位代码，例如 平安银行(000001)。";

// What the file name says: an eight-digit date (20241204, 2024-12-04, 2024_12_04, 2024.12.04) and a
// six-digit code standing alone among the digits ("sz000001_20241204.csv"), or seven digits of an
// exchange's 0 or 1 and the code ("0600000.xls" is 600000). Empty where it says nothing,
// and also where it names two different dates or codes: those are left to the candidates.
struct FileNameHints {
    std::string tradeDate;
    std::string code;
    std::vector<std::string> tradeDates;  // every different date of the name, in order
    std::vector<std::string> codes;       // every different code of the name, in order
};
FileNameHints HintsFromFileName(std::string_view path);

// What the nearest folders above the file say (sz/300027/tick/2018-01-15.csv, 2014-09-25/x.csv),
// looking at most three folders up: the nearest folder named just a date gives the date, the
// nearest named just a code ("600000", "sz300397", "600000.SH") the code. A folder whose name
// merely holds digits among other text (backup_202412) says nothing.
FileNameHints HintsFromFolders(std::string_view path);

// The six-digit code of seven digits an exchange's 0 (Shanghai: codes from 5, 6, 9) or 1
// (Shenzhen: codes from 0 to 3) leads ("0600000" -> "600000"), or "".
std::string ExchangePrefixedCode(std::string_view digits);

// True for YYYYMMDD naming a calendar day of the years 1900 to 2099.
bool IsTradeDate(std::string_view text);

// A stock text as the stored keys want it: trimmed, full-width brackets made ASCII, a non-empty
// name directly before "(code)" (blanks between them dropped). A bare six-digit code becomes the stored stock text of that code, or
// "code(code)". nullopt for anything else.
std::optional<std::string> NormalisedStock(std::string_view text,
                                           const std::function<std::string(const std::string&)>& storedStockOf);

// The date and stock of a header table at path as far as known: the overrides first, then the
// file name, then the name of the workbook's sheet (sheetName, read as a file name is:
// "0600000_成交明细_2016-05-23"), then the dates and codes in the table (tableDates and tableCodes,
// when each holds exactly one), then the folders above the file. A code found becomes its stored stock text, or
// "code(code)". A table of several dates takes its date from the overrides only. Never fails; what is unknown stays
// empty. The stock is not checked yet.
DayIdentity GuessDayIdentity(const std::string& path, const DayOverrides& overrides,
                             const std::vector<std::string>& tableDates = {},
                             const std::vector<std::string>& tableCodes = {}, const std::string& sheetName = {});

// guess made final: a valid date and a normalised stock. A failure names the file at path and the
// option to give; where the file name names several dates or codes, it names them too.
Result<DayIdentity> CheckDayIdentity(const DayIdentity& guess, const std::string& path,
                                     const std::function<std::string(const std::string&)>& storedStockOf);

// GuessDayIdentity, then CheckDayIdentity.
Result<DayIdentity> ResolveDayIdentity(const std::string& path, const DayOverrides& overrides);

// A title cell that the standard layout's title rules read back as this date and stock:
// "20241204 平安银行 (000001)".
std::string TitleFor(const DayIdentity& day);

}  // namespace moxtel
