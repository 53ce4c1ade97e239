#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Result.h"

namespace moxtel {

// The two layouts a tick table comes in.
//  Standard: the export with the title cell A1 ("YYYYMMDD name (code)") and the trades from row 6
//            as time, price, lots and direction ("B", "S" or empty) in column 4 or 5.
//  Header:   the tick-detail tables of the quote sites: one header row naming the columns
//            (成交时间, 成交价格, 成交量, 性质, ...), then one trade a row, earliest or latest first.
enum class TickLayoutKind : std::uint8_t { Standard, Header };

// Where a header table keeps what the run needs; rows and columns count from 1.
struct HeaderColumns {
    int headerRow = 0;
    int time = 0;
    int price = 0;
    int lots = 0;  // in 手
    int direction = 0;
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
// (成交价 and 价格) is refused naming both.
Result<TickLayout> RecognizeLayout(const CellSource& cells, const std::string& fileName);

// The column a header cell names ("成交价" -> price), after trimming and with full-width brackets
// read as ASCII ones; 0 for none. 1 time, 2 price, 3 lots, 4 direction.
int HeaderRoleOf(std::string_view header);

// Direction words of a header table as the standard layout writes them:
// 买盘/买入/B -> "B", 卖盘/卖出/S -> "S", 中性盘/中性/N/empty -> "". False for any other word.
bool StandardDirectionOf(std::string_view word, std::string& standard);

// Seconds of a time text ("09:30:01", "9:30", "2024-12-04 09:30:01.5"); a negative value when
// the text holds no such time.
double TimeOfDaySeconds(std::string_view text);

// Seconds of a trade time of a header table: a time TimeOfDaySeconds reads, or the bare digits
// HHMMSS or HMMSS some sources write (92525 is 09:25:25); negative for anything else.
double TradeTimeSeconds(std::string_view text);

// True when a table whose first and last trade carry these times is listed latest first.
// Times that cannot be read compare as texts.
bool IsLatestFirst(std::string_view firstTime, std::string_view lastTime);

}  // namespace moxtel
