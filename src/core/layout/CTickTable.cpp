#include "core/layout/CTickTable.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <numeric>

#include "core/common/TextUtil.h"
#include "core/workbook/TextLineWindow.h"

namespace moxtel {
namespace {

constexpr int kFirstTradeRow = 6;
constexpr int kPresentedDirectionColumn = 5;
// The run takes its directions from column 5 when cell (8, 4) is not empty.
constexpr const char* kDirectionColumnMark = "-";

// The standard direction texts m_directions indexes; a larger index is a numeric code.
constexpr std::array<std::string_view, 3> kStandardDirections{"B", "S", ""};
constexpr std::uint8_t kBuy = 0;
constexpr std::uint8_t kSell = 1;
constexpr std::uint8_t kNeutral = 2;
constexpr std::size_t kMaxCodes = 16;  // more different numbers are no direction codes
constexpr std::uint16_t kNoDate = 0xFFFF;
constexpr std::size_t kMaxDates = kNoDate;

std::string JoinedList(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "、") + item;
    return text;
}

// The index of text in list, added when new; kNoDate for "" and past kMaxDates different texts.
std::uint16_t IndexOf(std::vector<std::string>& list, const std::string& text) {
    if (text.empty()) return kNoDate;
    auto it = std::find(list.begin(), list.end(), text);
    if (it == list.end()) {
        if (list.size() >= kMaxDates) return kNoDate;
        it = list.insert(list.end(), text);
    }
    return static_cast<std::uint16_t>(it - list.begin());
}

// The code in a stock text's closing "(code)", or the text itself (a bare code).
std::string CodeOfStock(const std::string& stock) {
    const std::size_t open = stock.rfind('(');
    const std::size_t close = stock.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return StockCodeOf(stock);
    return StockCodeOf(stock.substr(open + 1, close - open - 1));
}

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
    // The desktop asks whether to infer the directions in its window: it opens such a list too.
    Status table = OpenTable(path, overrides.inferDirection || overrides.confirm);
    if (!table || m_layout.kind == TickLayoutKind::Standard) return table;
    Status day = ResolveIdentity(path, overrides);
    if (!day) CloseWorkbook();
    return day;
}

Status CTickTable::OpenTable(const std::string& path, bool withoutDirection) {
    CloseWorkbook();
    if (!m_reader.OpenWorkbook(path)) return Error{kMsgOpenFailed, m_reader.LastError(), ErrorKind::OpenFailed};
    const CellSource cells = CellsInside(m_reader);
    const std::string fileName = std::filesystem::path(path).filename().string();
    Result<TickLayout> layout = RecognizeLayout(cells, fileName, withoutDirection);
    Status opened = layout ? Status(Done{}) : Status(layout.error());
    if (layout) {
        m_layout = *layout;
        if (m_layout.kind == TickLayoutKind::Header) opened = ReadHeaderTrades(fileName);
    }
    if (opened) opened = ReadStatus();
    if (!opened) CloseWorkbook();
    return opened;
}

// The direction codes and the day are settled together: the desktop asks for all of them in one window.
Status CTickTable::ResolveIdentity(const std::string& path, const DayOverrides& overrides) {
    const std::string fileName = std::filesystem::path(path).filename().string();
    DayIdentity guess = GuessDayIdentity(path, overrides, m_dates, m_securities, m_reader.SheetName());
    if (!CodesExplain(m_codes, overrides.directionCodes)) guess.codesToExplain = m_codes;
    // Whatever the confirm hook answers, a list without directions is inferred or refused.
    const bool directionMissing = m_layout.columns.direction == 0;
    guess.directionMissing = directionMissing;
    guess.inferDirection = directionMissing && overrides.inferDirection;
    if (m_securities.size() > 1) guess.tableCodes = m_securities;
    if (overrides.confirm) {
        std::optional<DayIdentity> confirmed = overrides.confirm(guess);
        if (!confirmed) return Error::Cancelled();
        guess = std::move(*confirmed);
    }
    if (directionMissing && !guess.inferDirection) {
        return Error{FillPlaceholders(kMsgNoDirection, {fileName}), {}, ErrorKind::NoDirection};
    }
    if (Status codes = ExplainCodes(guess.directionCodes, fileName); !codes) return codes;
    int date = -1;
    if (m_dates.size() > 1) {
        const auto chosen = std::find(m_dates.begin(), m_dates.end(), guess.tradeDate);
        if (chosen == m_dates.end()) return Error{FillPlaceholders(kMsgTableDates, {fileName, JoinedList(m_dates)})};
        date = static_cast<int>(chosen - m_dates.begin());
    }
    int security = -1;
    if (m_securities.size() > 1) {
        const auto chosen = std::find(m_securities.begin(), m_securities.end(), CodeOfStock(guess.stock));
        if (chosen == m_securities.end()) {
            return Error{FillPlaceholders(kMsgTableStocks, {fileName, JoinedList(m_securities)})};
        }
        security = static_cast<int>(chosen - m_securities.begin());
    }
    if (date >= 0 || security >= 0) OrderTrades(date, security);
    Result<DayIdentity> identity = CheckDayIdentity(guess, path, overrides.storedStockOf);
    if (!identity) return identity.error();
    if (directionMissing) InferDirections();
    m_identity = std::move(*identity);
    m_title = TitleFor(m_identity);
    return Done{};
}

bool IsTickTable(const std::string& path, bool withoutDirection) {
    CExcelReader reader;
    if (!reader.OpenWorkbook(path)) return false;
    return RecognizeLayout(CellsInside(reader), std::filesystem::path(path).filename().string(), withoutDirection).ok();
}

Result<TickTableInfo> InspectTickTable(const std::string& path, const DayOverrides& overrides) {
    CTickTable table;
    if (Status opened = table.OpenTable(path, overrides.inferDirection); !opened) return opened.error();
    TickTableInfo info{table.Kind(), table.TradeCount(), table.TableDates(), table.TableCodes(), table.TableDays(), {}};
    if (info.kind == TickLayoutKind::Header) {
        info.guess = GuessDayIdentity(path, overrides, info.dates, info.codes, table.SheetName());
    }
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
    std::string scratch;
    std::pair<int, std::uint16_t> lastDate{0, kNoDate};
    std::pair<std::string, std::uint16_t> lastCode{"", kNoDate};
    for (int row = c.headerRow + 1; HasRow(row); ++row) {
        std::string time = m_reader.GetCellText(row, c.time);
        TradeTime when = ParseTradeTime(time);
        if (when.seconds < 0) {
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
        if (c.direction == 0) {
            m_directions.push_back(kNeutral);  // inferred once the trades are in order
        } else if (const std::string_view word = m_reader.GetCellView(row, c.direction, scratch); !AddDirection(word)) {
            return Error{FillMessage(kMsgUnknownDirection, fileName, row, std::string(word))};
        }
        m_timesCarryDates = m_timesCarryDates || when.date != 0;
        if (c.date != 0) when.date = ParseTradeDate(m_reader.GetCellView(row, c.date, scratch));
        // The rows of a day and of a security mostly repeat the row before: looked up only when they change.
        if (when.date != lastDate.first) {
            lastDate = {when.date, when.date != 0 ? IndexOf(m_dates, std::to_string(when.date)) : kNoDate};
        }
        m_dateOf.push_back(lastDate.second);
        if (c.code != 0) {
            const std::string_view code = m_reader.GetCellView(row, c.code, scratch);
            if (code != lastCode.first) lastCode = {std::string(code), IndexOf(m_securities, StockCodeOf(code))};
        }
        m_securityOf.push_back(c.code == 0 ? kNoDate : lastCode.second);
        m_times.push_back(when.seconds);
        m_tradeRows.push_back(row);
    }
    // Below the last trade only what holds something is worth a word.
    for (int skipped : since) {
        if (skipped < 0) m_skippedRows.push_back(-skipped);
    }
    OrderTrades(-1);
    return Done{};
}

bool CTickTable::AddDirection(std::string_view word) {
    std::string standard;
    if (StandardDirectionOf(word, standard)) {
        const auto at = std::find(kStandardDirections.begin(), kStandardDirections.end(), standard);
        m_directions.push_back(static_cast<std::uint8_t>(at - kStandardDirections.begin()));
        return true;
    }
    std::string code = DirectionCodeOf(word);
    if (code.empty()) return false;
    auto it = std::find(m_codes.begin(), m_codes.end(), code);
    if (it == m_codes.end()) {
        if (m_codes.size() == kMaxCodes) return false;
        it = m_codes.insert(m_codes.end(), std::move(code));
    }
    m_directions.push_back(static_cast<std::uint8_t>(kStandardDirections.size() + (it - m_codes.begin())));
    return true;
}

Status CTickTable::ExplainCodes(const DirectionCodes& codes, const std::string& fileName) {
    if (m_codes.empty()) return Done{};
    if (!CodesExplain(m_codes, codes)) {
        return Error{FillPlaceholders(kMsgDirectionCodes, {fileName, JoinedList(m_codes)})};
    }
    std::array<std::uint8_t, kMaxCodes> meaning{};
    for (std::size_t i = 0; i < m_codes.size(); ++i) {
        std::string_view standard;
        StandardDirectionOfCode(m_codes[i], codes, standard);
        const auto at = std::find(kStandardDirections.begin(), kStandardDirections.end(), standard);
        meaning[i] = static_cast<std::uint8_t>(at - kStandardDirections.begin());
    }
    for (std::uint8_t& d : m_directions) {
        if (d >= kStandardDirections.size()) d = meaning[d - kStandardDirections.size()];
    }
    return Done{};
}

void CTickTable::InferDirections() {
    std::uint8_t previous = kNeutral;
    double previousPrice = 0.0;
    std::string scratch;
    for (int trade = 0; trade < TradeCount(); ++trade) {
        const double price = ParseLeadingDouble(GetCellView(kFirstTradeRow + trade, 2, scratch));
        if (trade > 0 && price > previousPrice) previous = kBuy;
        if (trade > 0 && price < previousPrice) previous = kSell;
        m_directions[FileIndex(trade)] = previous;
        previousPrice = price;
    }
    m_inferred = true;
}

// Rows whose times ascend are taken as they stand and rows whose times descend bottom-up, with no
// index at all; any other order is sorted by time, stably: trades of one second keep the file's order.
void CTickTable::OrderTrades(int date, int security) {
    m_order.clear();
    m_latestFirst = false;
    m_sortedTrades = 0;
    const bool filtered = date >= 0 || security >= 0;
    std::vector<int> chosen;  // the trades of date and security in file order; empty for all
    if (filtered) {
        for (std::size_t i = 0; i < m_dateOf.size(); ++i) {
            if ((date < 0 || m_dateOf[i] == date) && (security < 0 || m_securityOf[i] == security)) {
                chosen.push_back(static_cast<int>(i));
            }
        }
    }
    const std::size_t n = filtered ? chosen.size() : m_times.size();
    const auto fileIndex = [&](std::size_t k) { return filtered ? static_cast<std::size_t>(chosen[k]) : k; };
    std::size_t ascents = 0;
    std::size_t descents = 0;
    for (std::size_t k = 1; k < n; ++k) {
        const double before = m_times[fileIndex(k - 1)];
        const double now = m_times[fileIndex(k)];
        ascents += now > before ? 1 : 0;
        descents += now < before ? 1 : 0;
    }
    if (descents == 0 || ascents == 0) {
        // As listed or bottom-up: the whole table needs no index, the chosen day's trades only theirs.
        if (!filtered) {
            m_latestFirst = descents > 0;
            return;
        }
        m_order = std::move(chosen);
        if (descents > 0) std::reverse(m_order.begin(), m_order.end());
        return;
    }
    std::vector<int> base = std::move(chosen);
    if (!filtered) {
        base.resize(n);
        std::iota(base.begin(), base.end(), 0);
    }
    m_order = base;
    std::stable_sort(m_order.begin(), m_order.end(), [this](int a, int b) {
        return m_times[static_cast<std::size_t>(a)] < m_times[static_cast<std::size_t>(b)];
    });
    for (std::size_t k = 0; k < n; ++k) m_sortedTrades += m_order[k] != base[k] ? 1 : 0;
    CopyTradeCells();
}

// A sorted table is read out of file order, and a large text export read at random would be decoded
// again from its start for row after row: its trades' time, price and lots are copied once, reading
// forward, and read from the copy.
void CTickTable::CopyTradeCells() {
    if (!m_copiedStarts.empty()) return;
    const HeaderColumns& c = m_layout.columns;
    m_copiedStarts.reserve(m_tradeRows.size() * 3 + 1);
    std::string scratch;
    std::string lots;
    for (int row : m_tradeRows) {
        for (int column : {c.time, c.price, c.lots}) {
            m_copiedStarts.push_back(static_cast<std::uint32_t>(m_copiedText.size()));
            std::string_view text = m_reader.GetCellView(row, column, scratch);
            if (column == c.time && m_timesCarryDates) text = TimeOfDayText(text, scratch);
            if (column == c.lots && c.lotsInShares) text = LotsOfShares(text, lots);
            m_copiedText.append(text);
        }
    }
    m_copiedStarts.push_back(static_cast<std::uint32_t>(m_copiedText.size()));
}

bool CTickTable::CopiedCell(int row, int column, std::string_view& text) const {
    const int trade = row - kFirstTradeRow;
    if (m_copiedStarts.empty() || column < 1 || column > 3 || trade < 0 || trade >= TradeCount()) return false;
    const std::size_t at = FileIndex(trade) * 3 + static_cast<std::size_t>(column - 1);
    text = std::string_view(m_copiedText).substr(m_copiedStarts[at], m_copiedStarts[at + 1] - m_copiedStarts[at]);
    return true;
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

std::vector<std::pair<std::string, std::string>> CTickTable::TableDays() const {
    std::vector<std::pair<std::string, std::string>> days;
    for (std::size_t i = 0; i < m_dateOf.size(); ++i) {
        std::pair<std::string, std::string> day{m_securityOf[i] == kNoDate ? "" : m_securities[m_securityOf[i]],
                                                m_dateOf[i] == kNoDate ? "" : m_dates[m_dateOf[i]]};
        if (std::find(days.begin(), days.end(), day) == days.end()) days.push_back(std::move(day));
    }
    return days;
}

int CTickTable::TradeCount() const {
    return static_cast<int>(m_order.empty() ? m_tradeRows.size() : m_order.size());
}

std::size_t CTickTable::FileIndex(int tradeIndex) const {
    if (!m_order.empty()) return static_cast<std::size_t>(m_order[static_cast<std::size_t>(tradeIndex)]);
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
    if (std::string_view copied; CopiedCell(row, column, copied)) return copied;
    if (SourceCell(row, column, sourceRow, sourceColumn)) {
        const std::string_view text = m_reader.GetCellView(sourceRow, sourceColumn, scratch);
        if (column == 3 && m_layout.columns.lotsInShares) {
            std::string lots;
            return scratch = std::string(LotsOfShares(text, lots));
        }
        // The day is in the title: a trade's time reads as the time of day, as the export has it.
        if (column != 1 || !m_timesCarryDates) return text;
        return TimeOfDayText(text, scratch);
    }
    const int trade = row - kFirstTradeRow;
    if (column != kPresentedDirectionColumn || trade < 0 || trade >= TradeCount()) return {};
    const std::uint8_t direction = m_directions[FileIndex(trade)];
    return direction < kStandardDirections.size() ? kStandardDirections[direction] : kStandardDirections[kNeutral];
}

CellNumber CTickTable::GetCellNumber(int row, int column) {
    if (m_layout.kind == TickLayoutKind::Standard) return m_reader.GetCellNumber(row, column);
    if (std::string_view copied; CopiedCell(row, column, copied)) return CellNumber::OfText(copied);
    int sourceRow = 0;
    int sourceColumn = 0;
    std::string scratch;
    // A time shown without its date and a quantity shown in lots are read as they are shown.
    const bool shownOtherwise = (column == 1 && m_timesCarryDates) || (column == 3 && m_layout.columns.lotsInShares);
    if (SourceCell(row, column, sourceRow, sourceColumn) && !shownOtherwise) {
        return m_reader.GetCellNumber(sourceRow, sourceColumn);
    }
    const std::string_view text = GetCellView(row, column, scratch);
    return CellNumber::OfText(text);
}

Status CTickTable::ReadStatus() const {
    const std::string_view failure = m_reader.ReadError();
    if (failure.empty()) return Done{};
    return Error{kMsgOpenFailed, std::string(failure), ErrorKind::OpenFailed};
}

void CTickTable::CloseWorkbook() {
    m_reader.CloseWorkbook();
    m_layout = TickLayout{};
    m_identity = DayIdentity{};
    m_title.clear();
    m_tradeRows.clear();
    m_times.clear();
    m_directions.clear();
    m_dateOf.clear();
    m_securityOf.clear();
    m_securities.clear();
    m_codes.clear();
    m_dates.clear();
    m_order.clear();
    m_latestFirst = false;
    m_sortedTrades = 0;
    m_timesCarryDates = false;
    m_copiedText.clear();
    m_copiedStarts.clear();
    m_skippedRows.clear();
    m_inferred = false;
}

}  // namespace moxtel
