#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Result.h"
#include "layout/DayIdentity.h"
#include "layout/TickLayout.h"
#include "workbook/CExcelReader.h"

namespace moxtel {

// A tick table of either layout, shown to the statistics run as the standard layout: the same
// GetCellText(row, column) contract as CExcelReader. A standard workbook passes through unchanged.
// A header table reads as
//   A1           the title "YYYYMMDD name (code)" of the resolved date and stock,
//   rows 2..5    empty,
//   row 6 on     one trade a row in time order (a latest-first table read from the bottom up):
//                time, price, lots as the file shows them, and the direction as "B", "S" or ""
//                in column 5; cell (8, 4) holds a mark so the run takes its directions from
//                column 5, every other cell of column 4 is empty.
// Everything the run derives (first and last price, neighbours, up and down) then means for a
// header table exactly what it means for the standard layout.
class CTickTable {
  public:
    // Opens path and recognises its layout. Failures: an unreadable file gives the run's own
    // kMsgOpenFailed with the reader's reason as detail; an unknown layout, an unknown direction
    // word or a missing date or stock gives a message naming the file; a confirm hook that gives
    // up gives an empty message.
    Status Open(const std::string& path, const DayOverrides& overrides = {});
    // Open without resolving the date and stock: the layout and the trades only. A header table's
    // title cell then reads "".
    Status OpenTable(const std::string& path);

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
    // Trades of a header table.
    int TradeCount() const { return static_cast<int>(m_directions.size()); }
    // The file's own row (line of a text file) of a presented trade row: for a header table the row
    // the trade stands in, for the standard layout row itself.
    int SourceLine(int row) const;
    // True when the trades are shown in the reverse of the file's order (a latest-first table).
    bool ReadsBottomUp() const { return m_latestFirst; }
    // Rows of a header table read as no trade, in file order: blank rows between trades and the
    // rows below the last trade whose time cell holds no time (合计, 数据来源：…). Blank rows
    // below the last trade hold nothing and are left out.
    const std::vector<int>& SkippedRows() const { return m_skippedRows; }

  private:
    Status ReadHeaderTrades(const std::string& fileName);
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
    bool m_latestFirst = false;
    std::vector<std::string> m_directions;  // "B", "S" or "" per trade, in file order
    std::vector<int> m_tradeRows;           // the row of each trade, in file order
    std::vector<int> m_skippedRows;
};

// What a caller learns of a file before running it, for instance to ask for the date and stock of
// every header table of a bulk import first and then run the files with explicit overrides.
struct TickTableInfo {
    TickLayoutKind kind = TickLayoutKind::Standard;
    int tradeCount = 0;  // header tables only
    DayIdentity guess;   // header tables: GuessDayIdentity (what is unknown stays empty)
};

// Opens, recognises and closes path. Failures as CTickTable::Open's, less the date and stock ones.
Result<TickTableInfo> InspectTickTable(const std::string& path, const DayOverrides& overrides = {});

// True when path opens and its content is a tick table of either layout (its trades may still be
// refused later, e.g. for an unknown direction word or a missing date).
bool IsTickTable(const std::string& path);

// A tick table that cannot be read at all (missing, damaged, no workbook inside).
inline constexpr const char* kMsgOpenFailed = "文件打开错误，请检查文件是否正确选择!";
inline constexpr const char* kMsgUnknownDirection = "文件“%s”第%d行的方向“%s”无法识别，应为 买盘、卖盘 或 中性盘。";
inline constexpr const char* kMsgNotATime = "文件“%s”第%d行的成交时间“%s”不是时间，请改正或删去这一行。";

}  // namespace moxtel
