#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/common/Result.h"
#include "core/layout/DayIdentity.h"
#include "core/layout/TickLayout.h"
#include "core/workbook/CExcelReader.h"

namespace moxtel {

// A tick table of either layout, shown to the statistics run as the standard layout: the same
// GetCellText(row, column) contract as CExcelReader. A standard workbook passes through unchanged.
// A header table reads as
//   A1           the title "YYYYMMDD name (code)" of the resolved date and stock,
//   rows 2..5    empty,
//   row 6 on     one trade a row in time order (an earliest-first table as it stands, a
//                latest-first one from the bottom up, any other sorted by time, the file's order
//                kept within one second; of a table of several dates, the trades of the day chosen):
//                time, price, lots as the file shows them, and the direction as "B", "S" or ""
//                in column 5; cell (8, 4) holds a mark so the run takes its directions from
//                column 5, every other cell of column 4 is empty.
// Everything the run derives (first and last price, neighbours, up and down) then means for a
// header table exactly what it means for the standard layout.
class CTickTable {
  public:
    // Opens path and recognises its layout. Failures: an unreadable file gives the run's own
    // kMsgOpenFailed with the reader's reason as detail; an unknown layout, an unknown direction
    // word, numeric directions the codes do not explain, several dates in the table and none
    // chosen, or a missing date or stock give a message naming the file; a confirm hook that gives
    // up gives an empty message.
    Status Open(const std::string& path, const DayOverrides& overrides = {});
    // Open without resolving the date and stock: the layout and the trades only, every trade of
    // every date in time order. A header table's title cell then reads "", and directions given
    // as numbers read "" until Open has settled what they mean. withoutDirection takes a trade list
    // lacking only its direction column (refused otherwise); its directions read "" until Open has
    // inferred them.
    Status OpenTable(const std::string& path, bool withoutDirection = false);

    std::string GetCellText(int row, int column);
    // The same cell read as a number, or as a view valid until the next read (see CExcelReader).
    CellNumber GetCellNumber(int row, int column);
    std::string_view GetCellView(int row, int column, std::string& scratch);
    void CloseWorkbook();
    // Fails as Open does for an unreadable file when cells read as empty because the file could
    // not be read after it was opened (a large text export changed meanwhile).
    Status ReadStatus() const;

    void SetWarningSink(CExcelReader::WarningSink sink) { m_reader.SetWarningSink(std::move(sink)); }
    TickLayoutKind Kind() const { return m_layout.kind; }
    // The resolved date and stock of a header table.
    const DayIdentity& Identity() const { return m_identity; }
    // The open workbook's sheet name, which may carry the date and code; "" for a text table.
    std::string SheetName() const { return m_reader.SheetName(); }
    // Trades of a header table presented to the run (of the day chosen).
    int TradeCount() const;
    // The dates a header table's time or date cells carry, YYYYMMDD, in the order met.
    const std::vector<std::string>& TableDates() const { return m_dates; }
    // The six-digit codes a header table's code column holds, in the order met.
    const std::vector<std::string>& TableCodes() const { return m_securities; }
    // Every (code, date) a header table's trades carry, in the order met; "" where a trade has none.
    std::vector<std::pair<std::string, std::string>> TableDays() const;
    // The numbers a header table's direction column holds, in the order met; empty for words.
    const std::vector<std::string>& DirectionCodesFound() const { return m_codes; }
    // Trades of a header table whose rows stood out of time order and were sorted; 0 when the
    // file ran earliest or latest first.
    int SortedTrades() const { return m_sortedTrades; }
    // The file's own row (line of a text file) of a presented trade row: for a header table the row
    // the trade stands in, for the standard layout row itself.
    int SourceLine(int row) const;
    // True when the trades are shown in the reverse of the file's order (a latest-first table).
    bool ReadsBottomUp() const { return m_latestFirst; }
    // Rows of a header table read as no trade, in file order: blank rows between trades and the
    // rows below the last trade whose time cell holds no time (合计, 数据来源：…). Blank rows
    // below the last trade hold nothing and are left out.
    const std::vector<int>& SkippedRows() const { return m_skippedRows; }
    // True when the directions were inferred from the prices by the tick rule (a list without them).
    bool InferredDirection() const { return m_inferred; }

  private:
    Status ReadHeaderTrades(const std::string& fileName);
    // Reads the trade's direction cell into m_directions; false for a word no table uses.
    bool AddDirection(std::string_view word);
    // Makes the numeric directions words under codes; refused naming the codes found and the option.
    Status ExplainCodes(const DirectionCodes& codes, const std::string& fileName);
    // The tick rule over the presented trades: above the trade before a buy, below it a sell, at its
    // price the direction before, the first trade neutral.
    void InferDirections();
    // The presentation order of the trades of date and security (indexes into m_dates and
    // m_securities; -1: any).
    void OrderTrades(int date, int security = -1);
    void CopyTradeCells();
    // A presented time, price or lots cell of a sorted table, from the copy; false for any other.
    bool CopiedCell(int row, int column, std::string_view& text) const;
    bool HasRow(int row);
    bool IsBlankRow(int row);
    Status ResolveIdentity(const std::string& path, const DayOverrides& overrides);
    // Index into m_tradeRows and m_directions of the presented trade tradeIndex.
    std::size_t FileIndex(int tradeIndex) const;
    int SourceRow(int tradeIndex) const;
    // Where a presented trade cell of a header table lies: its source row and column; false for
    // the cells the presentation makes up itself or leaves empty.
    bool SourceCell(int row, int column, int& sourceRow, int& sourceColumn) const;

    CExcelReader m_reader;
    TickLayout m_layout;
    DayIdentity m_identity;
    std::string m_title;
    // Per trade, in file order: its row, its time of day in seconds, its direction (an index into
    // the standard texts, or past them into m_codes) and its date (an index into m_dates).
    std::vector<int> m_tradeRows;
    std::vector<double> m_times;
    std::vector<std::uint8_t> m_directions;
    std::vector<std::uint16_t> m_dateOf;
    std::vector<std::uint16_t> m_securityOf;  // per trade an index into m_securities
    std::vector<std::string> m_securities;
    std::vector<std::string> m_codes;
    std::vector<std::string> m_dates;
    // Presented trade -> file index: empty when the trades are shown as listed (or, with
    // m_latestFirst, reversed); else the chosen day's trades or the trades sorted by time.
    std::vector<int> m_order;
    bool m_latestFirst = false;
    int m_sortedTrades = 0;
    bool m_timesCarryDates = false;  // some time cell holds a date before the time
    // A sorted table's time, price and lots texts, three per trade in file order.
    std::string m_copiedText;
    std::vector<std::uint32_t> m_copiedStarts;
    std::vector<int> m_skippedRows;
    bool m_inferred = false;
};

// What a caller learns of a file before running it, for instance to ask for the date and stock of
// every header table of a bulk import first and then run the files with explicit overrides.
struct TickTableInfo {
    TickLayoutKind kind = TickLayoutKind::Standard;
    int tradeCount = 0;               // header tables only
    std::vector<std::string> dates;  // header tables: TableDates
    std::vector<std::string> codes;  // header tables: TableCodes
    std::vector<std::pair<std::string, std::string>> days;  // header tables: TableDays
    DayIdentity guess;   // header tables: GuessDayIdentity (what is unknown stays empty)
};

// Opens, recognises and closes path. Failures as CTickTable::Open's, less the date and stock ones.
Result<TickTableInfo> InspectTickTable(const std::string& path, const DayOverrides& overrides = {});

// True when path opens and its content is a tick table of either layout (its trades may still be
// refused later, e.g. for an unknown direction word or a missing date). withoutDirection counts a
// trade list without a direction column too (its directions are to be inferred).
bool IsTickTable(const std::string& path, bool withoutDirection = false);

// A tick table that cannot be read at all (missing, damaged, no workbook inside).
inline constexpr const char* kMsgOpenFailed = "文件打开错误，请检查文件是否正确选择!";
inline constexpr const char* kMsgUnknownDirection = "文件“%s”第%d行的方向“%s”无法识别，应为 买盘、卖盘 或 中性盘。";
inline constexpr const char* kMsgDirectionCodes =
    "文件“%s”的方向是数字代码(%s)，无法确定哪个是买盘、卖盘和中性盘：请用 --direction-codes BUY,SELL,NEUTRAL "
    "依次指定，例如 --direction-codes 0,1,2。";
inline constexpr const char* kMsgTableStocks =
    "文件“%s”中有多只股票(%s)，请用 --stock 代码 指定统计哪一只。";
inline constexpr const char* kMsgNotATime = "文件“%s”第%d行的成交时间“%s”不是时间，请改正或删去这一行。";

}  // namespace moxtel
