#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"

namespace moxtel {

// The two layouts a tick table comes in.
//  Standard: the export with the title cell A1 ("YYYYMMDD name (code)") and the trades from row 6
//            as time, price, lots and direction ("B", "S" or empty) in column 4 or 5.
//  Header:   the tick-detail tables of the quote sites: one header row naming the columns
//            (成交时间, 成交价格, 成交量, 性质, ...), then one trade a row, earliest or latest first.
enum class TickLayoutKind : std::uint8_t { Standard, Header };

// What a header cell names. Time, price, lots and direction are required; a date column is
// optional (the date may also stand in the time cells, or nowhere in the table), and so is a
// column of stock codes.
enum HeaderRole : int {
    kRoleNone = 0,
    kRoleTime = 1,
    kRolePrice = 2,
    kRoleLots = 3,
    kRoleDirection = 4,
    kRoleDate = 5,
    kRoleCode = 6
};
inline constexpr int kRequiredRoles = 4;
inline constexpr int kRoleCount = 6;

// Where a header table keeps what the run needs; rows and columns count from 1.
struct HeaderColumns {
    int headerRow = 0;
    int time = 0;
    int price = 0;
    int lots = 0;  // in 手, or in shares when lotsInShares
    int direction = 0;  // 0: none, the directions are inferred from the prices
    int date = 0;  // 0: no date column
    int code = 0;  // 0: no column of stock codes
    bool lotsInShares = false;  // a quantity in shares (TradeQty of exchange feeds): 100 shares a lot
};

struct TickLayout {
    TickLayoutKind kind = TickLayoutKind::Standard;
    HeaderColumns columns;  // Header only
};

// Displayed text of a cell (row, column), both from 1.
using CellSource = std::function<std::string(int row, int column)>;

// How many leading rows and columns are searched for the header row.
inline constexpr int kHeaderScanRows = 5;
inline constexpr int kHeaderScanColumns = 20;

// Recognises the layout from the content: the standard layout first (its title cell begins with
// an eight-digit date, or no header row is in sight and row 6 holds a time as before); else a row
// among the first kHeaderScanRows naming time, price, lots and direction. Anything else is refused
// with a message naming the file (fileName) and the columns that were not found; a first row of
// names only is such a refusal even over a time in row 6. A header row naming one column twice
// (成交价 and 价格) is refused naming both. A quote snapshot (最新价, 买一价 ...) is refused as such
// (kMsgSnapshot), and a trade list lacking only the direction says why the direction is needed,
// unless withoutDirection: it is then a header table whose direction column is 0 (the directions
// are to be inferred from the prices).
Result<TickLayout> RecognizeLayout(const CellSource& cells, const std::string& fileName, bool withoutDirection = false);

// The column a header cell names ("成交价" -> price, "Volume" -> lots), after trimming, with
// full-width brackets read as ASCII ones and ASCII letters in any case; kRoleNone for none.
int HeaderRoleOf(std::string_view header);

// Direction words of a header table as the standard layout writes them: 买盘/买入/外盘/buy/B -> "B",
// 卖盘/卖出/内盘/sell/S -> "S", 中性盘/中性/neutral/N (the call auction)/--/empty -> "" (ASCII words in
// any case).
// False for any other word, numbers included: those are codes (see DirectionCodes).
bool StandardDirectionOf(std::string_view word, std::string& standard);

// What the numbers of a direction column mean. By default 1 buys, -1 sells and 0 is neutral; other
// numbers (0/1/2, say) need the user's word, since guessing them would turn sells into buys.
struct DirectionCodes {
    std::string buy = "1";
    std::string sell = "-1";
    std::string neutral = "0";
    bool given = false;  // named by the user rather than the defaults
};

// "0,1,2" (buy, sell, neutral) -> codes marked given; nullopt unless three different integers.
std::optional<DirectionCodes> ParseDirectionCodes(std::string_view text);

// A direction cell holding an integer, in its plain form ("+1" and "1.0" -> "1", "-0" -> "0");
// "" when the cell holds no integer.
std::string DirectionCodeOf(std::string_view cell);

// True when codes say what each of found (plain codes, see DirectionCodeOf) means. The defaults
// are trusted only when a -1 is among them: a column of 0 and 1 alone may well mean buy and sell.
bool CodesExplain(const std::vector<std::string>& found, const DirectionCodes& codes);

// The standard letter of a plain code under codes ("B", "S" or ""); false when codes do not name it.
bool StandardDirectionOfCode(std::string_view code, const DirectionCodes& codes, std::string_view& standard);

// The six-digit code a code cell names: "600000", "600000.SH", "sh600000", the seven digits of
// some quote sites ("0600000", "1000001") and a code a data library wrote as a number ("1" for
// 000001). "" for anything else.
std::string StockCodeOf(std::string_view cell);

inline constexpr const char* kMsgSnapshot =
    "无法识别文件“%s”的格式：这是行情快照，不是逐笔成交。请导出该股票当天的逐笔成交明细(成交时间、成交价格、成交量、性质)。";
inline constexpr const char* kMsgNoDirection =
    "无法识别文件“%s”的格式：找不到列 性质。没有买卖方向就分不出流入和流出，请导出带 性质(买盘/卖盘) 列的逐笔成交，"
    "或用 --infer-direction tick-rule 按价格涨跌推断方向。";

// A quantity in shares as lots, 100 shares a lot, a fraction where shares are no multiple of 100
// ("150" -> "1.5", "1" -> "0.01"); the text as it stands when it holds no number.
std::string_view LotsOfShares(std::string_view shares, std::string& scratch);

// Seconds of a time text ("09:30:01", "9:30", "2024-12-04 09:30:01.5"); a negative value when
// the text holds no such time or a clock no day has (24:00, 9:60).
double TimeOfDaySeconds(std::string_view text);

// Seconds of a trade time of a header table: a time TimeOfDaySeconds reads, or the bare digits
// HHMMSS or HMMSS some sources write (92525 is 09:25:25); negative for anything else.
double TradeTimeSeconds(std::string_view text);

// A trade time cell: its time of day and, when the cell carries one, its date.
struct TradeTime {
    double seconds = -1.0;  // since midnight; negative when the cell holds no trade time
    int date = 0;           // YYYYMMDD as a number, 0 when the cell carries no date
};

// Reads a time TradeTimeSeconds reads, with or without a date before it: "2018-01-15 09:30:03",
// "2018/1/15 9:30:03", "2018-01-15T09:30:03.000", and the fourteen digits "20180115093003".
TradeTime ParseTradeTime(std::string_view text);

// The time of day of a time cell that carries a date, as the standard layout shows a trade's time:
// "2018-01-15 09:30:03" -> "09:30:03", "20180115093003" -> "09:30:03" (made in scratch). Parts of a
// second are left out ("2021.01.04T09:25:00.630" -> "09:25:00"): the export shows whole seconds.
std::string_view TimeOfDayText(std::string_view text, std::string& scratch);

// A date cell: "2018-01-15", "2018/1/15", "2018.01.15", "20180115", optionally followed by a time
// ("2018-01-15 00:00:00"). YYYYMMDD as a number, 0 when the text is no calendar day.
int ParseTradeDate(std::string_view text);

// True when a table whose first and last trade carry these times is listed latest first.
// Times that cannot be read compare as texts.
bool IsLatestFirst(std::string_view firstTime, std::string_view lastTime);

}  // namespace moxtel
