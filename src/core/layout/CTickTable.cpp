#include "layout/CTickTable.h"

#include <filesystem>

#include "common/TextUtil.h"
#include "workbook/TextLineWindow.h"

namespace moxtel {
namespace {

constexpr int kFirstTradeRow = 6;
constexpr int kPresentedDirectionColumn = 5;
// The run takes its directions from column 5 when cell (8, 4) is not empty.
constexpr const char* kDirectionColumnMark = "-";

// A refusal of one row: the file, the row and the word in the format's placeholders.
std::string FillMessage(std::string_view format, const std::string& fileName, int row, const std::string& word) {
    return FillPlaceholders(format, {fileName, std::to_string(row), word});
}

// The cells of an open reader for layout recognition. Recognition looks beyond the cells a small
// text table has: cells outside the grid read "" without a message to the warning sink.
CellSource CellsInside(CExcelReader& reader) {
    const SheetModel& sheet = *reader.Sheet();
    return [&reader, &sheet](int row, int column) {
        const bool inside =
            static_cast<std::uint32_t>(row) <= sheet.maxRows && static_cast<std::uint32_t>(column) <= sheet.maxColumns;
        return inside ? reader.GetCellText(row, column) : std::string();
    };
}

}  // namespace

Status CTickTable::Open(const std::string& path, const DayOverrides& overrides) {
    Status table = OpenTable(path);
    if (!table || m_layout.kind == TickLayoutKind::Standard) return table;
    Status day = ResolveIdentity(path, overrides);
    if (!day) CloseWorkbook();
    return day;
}

Status CTickTable::OpenTable(const std::string& path) {
    CloseWorkbook();
    if (!m_reader.OpenWorkbook(path)) return Error{kMsgOpenFailed, m_reader.LastError()};
    const CellSource cells = CellsInside(m_reader);
    const std::string fileName = std::filesystem::path(path).filename().string();
    Result<TickLayout> layout = RecognizeLayout(cells, fileName);
    Status opened = layout ? Status(Done{}) : Status(layout.error());
    if (layout) {
        m_layout = *layout;
        if (m_layout.kind == TickLayoutKind::Header) opened = ReadHeaderTrades(fileName);
    }
    if (opened) opened = ReadStatus();
    if (!opened) CloseWorkbook();
    return opened;
}

Status CTickTable::ResolveIdentity(const std::string& path, const DayOverrides& overrides) {
    DayIdentity guess = GuessDayIdentity(path, overrides);
    if (overrides.confirm) {
        std::optional<DayIdentity> confirmed = overrides.confirm(guess);
        if (!confirmed) return Error{};
        guess = std::move(*confirmed);
    }
    Result<DayIdentity> identity = CheckDayIdentity(guess, path, overrides.storedStockOf);
    if (!identity) return identity.error();
    m_identity = std::move(*identity);
    m_title = TitleFor(m_identity);
    return Done{};
}

bool IsTickTable(const std::string& path) {
    CExcelReader reader;
    if (!reader.OpenWorkbook(path)) return false;
    return RecognizeLayout(CellsInside(reader), std::filesystem::path(path).filename().string()).ok();
}

Result<TickTableInfo> InspectTickTable(const std::string& path, const DayOverrides& overrides) {
    CTickTable table;
    if (Status opened = table.OpenTable(path); !opened) return opened.error();
    TickTableInfo info{table.Kind(), table.TradeCount(), {}};
    if (info.kind == TickLayoutKind::Header) info.guess = GuessDayIdentity(path, overrides);
    return info;
}

// A trade is a row whose time cell holds a time. Blank rows between trades and anything below the
// last trade (a 合计 row, a 数据来源 line) are skipped; any other row above a trade is refused, since it
// may be a trade with a broken time and would otherwise be lost without a word. One pass, forward:
// a large text export is decoded as it is read.
Status CTickTable::ReadHeaderTrades(const std::string& fileName) {
    const HeaderColumns& c = m_layout.columns;
    std::vector<int> since;  // rows since the last trade (or the header) that are no trade; -row when not blank
    int firstUnread = 0;     // the first of them that is not blank
    std::string unreadTime;
    for (int row = c.headerRow + 1; HasRow(row); ++row) {
        std::string time = m_reader.GetCellText(row, c.time);
        if (TradeTimeSeconds(time) < 0) {
            const bool blank = IsBlankRow(row);
            if (!blank && firstUnread == 0) {
                firstUnread = row;
                unreadTime = std::move(time);
            }
            since.push_back(blank ? row : -row);
            continue;
        }
        if (firstUnread != 0) return Error{FillMessage(kMsgNotATime, fileName, firstUnread, unreadTime)};
        for (int skipped : since) m_skippedRows.push_back(skipped);
        since.clear();
        const std::string word = m_reader.GetCellText(row, c.direction);
        std::string standard;
        if (!StandardDirectionOf(word, standard)) return Error{FillMessage(kMsgUnknownDirection, fileName, row, word)};
        m_directions.push_back(std::move(standard));
        m_tradeRows.push_back(row);
    }
    // Below the last trade only what holds something is worth a word.
    for (int skipped : since) {
        if (skipped < 0) m_skippedRows.push_back(-skipped);
    }
    m_latestFirst = m_tradeRows.size() > 1 && IsLatestFirst(m_reader.GetCellText(m_tradeRows.front(), c.time),
                                                            m_reader.GetCellText(m_tradeRows.back(), c.time));
    return Done{};
}

// A text export has as many rows as lines; a workbook's rows end with its last cell.
bool CTickTable::HasRow(int row) {
    const SheetModel& sheet = *m_reader.Sheet();
    if (row < 1 || static_cast<std::uint32_t>(row) > sheet.maxRows) return false;
    if (sheet.lines) {
        std::string_view line;
        return sheet.lines->window->Line(static_cast<std::uint32_t>(row), line);
    }
    return !sheet.cells.empty() && static_cast<std::uint32_t>(row) <= sheet.cells.back().row;
}

// Blank as far as the header is searched: no cell the run could read holds more than spaces.
bool CTickTable::IsBlankRow(int row) {
    std::string scratch;
    for (int column = 1; column <= kHeaderScanColumns; ++column) {
        if (!TrimView(m_reader.GetCellView(row, column, scratch)).empty()) return false;
    }
    return true;
}

std::size_t CTickTable::FileIndex(int tradeIndex) const {
    return static_cast<std::size_t>(m_latestFirst ? TradeCount() - 1 - tradeIndex : tradeIndex);
}

int CTickTable::SourceRow(int tradeIndex) const { return m_tradeRows[FileIndex(tradeIndex)]; }

int CTickTable::SourceLine(int row) const {
    const int trade = row - kFirstTradeRow;
    if (m_layout.kind == TickLayoutKind::Standard || trade < 0 || trade >= TradeCount()) return row;
    return SourceRow(trade);
}

bool CTickTable::SourceCell(int row, int column, int& sourceRow, int& sourceColumn) const {
    const int trade = row - kFirstTradeRow;
    if (trade < 0 || trade >= TradeCount()) return false;
    const HeaderColumns& c = m_layout.columns;
    switch (column) {
        case 1: sourceColumn = c.time; break;
        case 2: sourceColumn = c.price; break;
        case 3: sourceColumn = c.lots; break;
        default: return false;
    }
    sourceRow = SourceRow(trade);
    return true;
}

std::string CTickTable::GetCellText(int row, int column) {
    std::string scratch;
    return std::string(GetCellView(row, column, scratch));
}

std::string_view CTickTable::GetCellView(int row, int column, std::string& scratch) {
    if (m_layout.kind == TickLayoutKind::Standard) return m_reader.GetCellView(row, column, scratch);
    if (row == 1 && column == 1) return m_title;
    if (row == 8 && column == 4) return kDirectionColumnMark;
    int sourceRow = 0;
    int sourceColumn = 0;
    if (SourceCell(row, column, sourceRow, sourceColumn)) return m_reader.GetCellView(sourceRow, sourceColumn, scratch);
    const int trade = row - kFirstTradeRow;
    if (column != kPresentedDirectionColumn || trade < 0 || trade >= TradeCount()) return {};
    return m_directions[FileIndex(trade)];
}

CellNumber CTickTable::GetCellNumber(int row, int column) {
    if (m_layout.kind == TickLayoutKind::Standard) return m_reader.GetCellNumber(row, column);
    int sourceRow = 0;
    int sourceColumn = 0;
    if (SourceCell(row, column, sourceRow, sourceColumn)) return m_reader.GetCellNumber(sourceRow, sourceColumn);
    std::string scratch;
    const std::string_view text = GetCellView(row, column, scratch);
    return CellNumber::OfText(text);
}

Status CTickTable::ReadStatus() const {
    const std::string_view failure = m_reader.ReadError();
    if (failure.empty()) return Done{};
    return Error{kMsgOpenFailed, std::string(failure)};
}

void CTickTable::CloseWorkbook() {
    m_reader.CloseWorkbook();
    m_layout = TickLayout{};
    m_identity = DayIdentity{};
    m_title.clear();
    m_latestFirst = false;
    m_directions.clear();
    m_tradeRows.clear();
    m_skippedRows.clear();
}

}  // namespace moxtel
