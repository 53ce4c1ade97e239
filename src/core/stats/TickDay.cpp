#include "stats/TickDay.h"

#include "common/TextUtil.h"
#include "layout/CTickTable.h"
#include "stats/TitleCell.h"

namespace moxtel {
namespace {

constexpr int kFirstTradeRow = 6;
constexpr int kProgressEvery = 500;
constexpr std::size_t kRowsNamed = 5;  // rows named in the warning about texts that are not numbers

enum class Direction { In, Out, Unknown };

// Empty text: uncertain; exactly "S": outflow; any other text (also "s", "b", " "): inflow.
Direction DirectionOf(const std::string& text) {
    if (text.empty()) return Direction::Unknown;
    return text == "S" ? Direction::Out : Direction::In;
}

const char* WordOf(Direction d) {
    switch (d) {
        case Direction::In: return kWordIn;
        case Direction::Out: return kWordOut;
        case Direction::Unknown: break;
    }
    return kWordUnknown;
}

// flagend is narrower than the classification: only "B" reads as 入.
const char* FollowingWord(const std::string& text) {
    if (text == "B") return kWordIn;
    if (text == "S") return kWordOut;
    return kWordUnknown;
}

void Add(BucketSum& sum, double lots, double amount) {
    sum.lots += lots;
    sum.amount += amount;
}

// True when the atof rule finds digits at the start (after blanks and a sign).
bool HasLeadingNumber(std::string_view text) {
    text = TrimLeftView(text);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    if (!text.empty() && text[0] == '.') text.remove_prefix(1);
    return !text.empty() && text[0] >= '0' && text[0] <= '9';
}

bool IsEightDigits(const std::string& date) {
    if (date.size() != 8) return false;
    for (char c : date) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string NotNumbersWarning(const std::string& path, const std::vector<int>& rows, int count) {
    std::string list;
    for (int row : rows) list += (list.empty() ? "" : ", ") + std::to_string(row);
    if (static_cast<std::size_t>(count) > rows.size()) list += ", ...";
    return path + ": " + std::to_string(count) + " 行成交的价格或成交量不是数字，按 0 计算(第 " + list + " 行)";
}

// Reads the trade rows from row 6 into tick; returns the row whose empty time text ended the list.
class TradeRowReader {
public:
    TradeRowReader(CTickTable& reader, TickDay& tick, const StatisticsObserver& observer)
        : m_reader(reader), m_tick(tick), m_observer(observer) {}

    int ReadAll() {
        m_directionColumn = m_reader.GetCellText(8, 4).empty() ? 4 : 5;
        int row = kFirstTradeRow;
        for (; ReadRow(row); ++row) {
            const int read = row - kFirstTradeRow + 1;
            if (m_observer.progress && read % kProgressEvery == 0) m_observer.progress(read);
        }
        return row;
    }

    int notNumberCount = 0;
    std::vector<int> notNumberRows;

private:
    bool ReadRow(int row) {
        std::string time = m_reader.GetCellText(row, 1);
        if (time.empty()) return false;
        const std::string directionText = m_reader.GetCellText(row, m_directionColumn);
        std::string lotsText = m_reader.GetCellText(row, 3);
        std::string priceText = m_reader.GetCellText(row, 2);
        if (!HasLeadingNumber(lotsText) || !HasLeadingNumber(priceText)) NoteNotNumber(row);
        const double lots = ParseLeadingDouble(lotsText);
        const double price = ParseLeadingDouble(priceText);
        const double amount = lots * (price / 100.0);
        const int k = bucketOf(lots);

        DayFlowResult& day = m_tick.day;
        const Direction direction = DirectionOf(directionText);
        if (direction == Direction::Out) {
            Add(day.outflow[k], lots, amount);
        } else if (direction == Direction::In) {
            Add(day.inflow[k], lots, amount);
        } else {
            Add(day.uncertain[k], lots, amount);
            AddUpDown(row, k, lots, price, amount);
            StoreTrade(row, time, lotsText, priceText);
        }
        m_previousWord = WordOf(direction);
        m_previousPrice = std::move(priceText);
        m_previousLots = std::move(lotsText);
        m_referencePrice = price;
        ++m_tick.tradeRows;
        return true;
    }

    // Row 6 is compared with the previous close, which is not known yet: its share is kept aside.
    void AddUpDown(int row, int k, double lots, double price, double amount) {
        if (row == kFirstTradeRow) {
            m_tick.firstRowUncertain = true;
            m_tick.firstPrice = price;
            m_tick.firstBucket = k;
            m_tick.upWithFirst = m_tick.downWithFirst = {lots, amount};
            return;
        }
        const bool shadow = m_tick.firstRowUncertain && k == m_tick.firstBucket;
        if (price > m_referencePrice) {
            Add(m_tick.day.uncertainUp[k], lots, amount);
            if (shadow) Add(m_tick.upWithFirst, lots, amount);
        }
        if (price < m_referencePrice) {
            Add(m_tick.day.uncertainDown[k], lots, amount);
            if (shadow) Add(m_tick.downWithFirst, lots, amount);
        }
    }

    void StoreTrade(int row, std::string& time, const std::string& lotsText, const std::string& priceText) {
        std::string nextPrice = m_reader.GetCellText(row + 1, 2);
        std::string nextLots = m_reader.GetCellText(row + 1, 3);
        const std::string nextDirection = m_reader.GetCellText(row + 1, m_directionColumn);
        UncertainTrade trade;
        trade.pricebefor = m_previousPrice;  // row 6: the previous close, filled in later
        trade.priceend = nextPrice.empty() ? "0" : std::move(nextPrice);
        trade.transbef = m_previousLots;
        trade.transend = nextLots.empty() ? "0" : std::move(nextLots);
        trade.flagbef = m_previousWord;
        trade.flagend = FollowingWord(nextDirection);
        trade.masterid = m_tick.day.masterId;
        trade.gpcode = m_tick.day.stockCode;
        trade.transunknow = lotsText;
        trade.price = priceText;
        trade.datet = std::move(time);
        m_tick.uncertainTrades.push_back(std::move(trade));
    }

    void NoteNotNumber(int row) {
        ++notNumberCount;
        if (notNumberRows.size() < kRowsNamed) notNumberRows.push_back(row);
    }

    CTickTable& m_reader;
    TickDay& m_tick;
    const StatisticsObserver& m_observer;
    int m_directionColumn = 4;
    double m_referencePrice = 0.0;
    std::string m_previousPrice;
    std::string m_previousLots = "0";
    const char* m_previousWord = kWordUnknown;
};

}  // namespace

Result<TickDay> ReadTickDay(const std::string& path, const StatisticsObserver& observer,
                            const DayOverrides& overrides) {
    CTickTable reader;
    if (observer.warning) reader.SetWarningSink(observer.warning);
    if (Status opened = reader.Open(path, overrides); !opened) {
        Error error = opened.error();
        if (error.message == kMsgOpenFailed) error.detail = path + "\n" + error.detail;
        return error;
    }

    TickDay tick;
    DayFlowResult& day = tick.day;
    day.ClearBuckets();
    const TitleParts title = ParseTitleCell(reader.GetCellText(1, 1));
    // Without a date and a stock the day would be stored under a key of nothing.
    if (!IsEightDigits(title.tradeDate)) {
        return Error{path + ": 标题单元格A1中没有八位数字的交易日期(YYYYMMDD)，不是逐笔成交文件，未统计"};
    }
    if (title.stockCode.empty()) return Error{path + ": 标题单元格A1中没有股票代码，不是逐笔成交文件，未统计"};
    day.titleText = title.titleText;
    day.tradeDate = title.tradeDate;
    day.stockCode = title.stockCode;
    day.masterId = day.stockCode + day.tradeDate;
    day.firstPriceText = reader.GetCellText(7, 2);

    TradeRowReader rows(reader, tick, observer);
    const int endRow = rows.ReadAll();
    day.lastPriceText = reader.GetCellText(endRow - 1, 2);
    reader.CloseWorkbook();

    if (observer.warning && tick.tradeRows == 0) observer.warning(path + ": 没有成交记录(第6行为空)");
    if (observer.warning && rows.notNumberCount > 0) {
        observer.warning(NotNumbersWarning(path, rows.notNumberRows, rows.notNumberCount));
    }
    if (observer.progress) observer.progress(tick.tradeRows);
    return tick;
}

StatisticsOutcome ResolveTickDay(TickDay&& tick, const DayHeaderInfo& header) {
    StatisticsOutcome outcome{std::move(tick.day), std::move(tick.uncertainTrades)};
    DayFlowResult& day = outcome.day;
    day.yesId = header.yesId;
    day.previousClose = header.previousClose;
    day.turnoverText = header.turnoverText;
    if (tick.firstRowUncertain) {
        const double reference = ParseLeadingDouble(day.previousClose);
        if (tick.firstPrice > reference) day.uncertainUp[tick.firstBucket] = tick.upWithFirst;
        if (tick.firstPrice < reference) day.uncertainDown[tick.firstBucket] = tick.downWithFirst;
        outcome.uncertainTrades.front().pricebefor = day.previousClose;
    }
    return outcome;
}

}  // namespace moxtel
