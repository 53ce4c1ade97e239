#include "core/stats/TickDay.h"

#include <algorithm>

#include "core/common/TextUtil.h"
#include "core/layout/CTickTable.h"
#include "core/stats/OrderClasses.h"
#include "core/stats/TitleCell.h"

namespace moxtel {
namespace {

constexpr int kFirstTradeRow = 6;
constexpr int kProgressEvery = 500;
constexpr std::size_t kRowsNamed = 5;  // rows named in a warning about rows

enum class Direction { In, Out, Unknown };

// Empty text: uncertain; exactly "S": outflow; any other text (also "s", "b", " "): inflow.
Direction DirectionOf(std::string_view text) {
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
const char* FollowingWord(std::string_view text) {
    if (text == "B") return kWordIn;
    if (text == "S") return kWordOut;
    return kWordUnknown;
}

void Add(BucketSum& sum, double lots, double amount) {
    sum.lots += lots;
    sum.amount += amount;
}

bool IsEightDigits(const std::string& date) {
    if (date.size() != 8) return false;
    for (char c : date) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "<count><what>(第 r1, r2, ... 行)" on path, naming the first kRowsNamed of rows.
FileWarning RowsWarning(const std::string& path, std::size_t count, const std::vector<int>& rows, const char* what) {
    FileWarning warning{path, {rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), kRowsNamed))}, {}};
    std::string list;
    for (int row : warning.rows) list += (list.empty() ? "" : ", ") + std::to_string(row);
    if (count > kRowsNamed) list += ", ...";
    warning.what = std::to_string(count) + what + "(第 " + list + " 行)";
    return warning;
}

// Reads the trade rows from row 6 into tick; returns the row whose empty time text ended the list.
// A row is read as numbers and a direction; the texts are made only for the uncertain trades,
// which are stored as the workbook shows them.
class TradeRowReader {
public:
    TradeRowReader(CTickTable& reader, TickDay& tick, const StatisticsObserver& observer, TradeFeed* feed,
                   bool keepTrades)
        : m_reader(reader), m_tick(tick), m_observer(observer), m_feed(feed), m_keepTrades(keepTrades) {}

    int ReadAll() {
        m_directionColumn = m_reader.GetCellView(8, 4, m_scratch).empty() ? 4 : 5;
        m_lastRowsFirstInFile = m_reader.ReadsBottomUp();
        int row = kFirstTradeRow;
        for (; ReadRow(row); ++row) {
            const int read = row - kFirstTradeRow + 1;
            if (m_observer.progress && read % kProgressEvery == 0) m_observer.progress(read);
        }
        return row;
    }

    int notNumberCount = 0;
    std::vector<int> notNumberRows;  // the kRowsNamed first in the file, as rows shown to the run

private:
    bool ReadRow(int row) {
        if (m_reader.GetCellNumber(row, 1).empty) return false;
        const Direction direction = DirectionOf(m_reader.GetCellView(row, m_directionColumn, m_scratch));
        const CellNumber lots = m_reader.GetCellNumber(row, 3);
        const CellNumber price = m_reader.GetCellNumber(row, 2);
        if (!lots.numeric || !price.numeric) NoteNotNumber(row);
        const double amount = lots.value * (price.value / 100.0);
        const int k = bucketOf(lots.value);
        AddOrderClasses(direction, lots.value, price.value, amount);

        DayFlowResult& day = m_tick.day;
        if (direction == Direction::Out) {
            Add(day.outflow[k], lots.value, amount);
        } else if (direction == Direction::In) {
            Add(day.inflow[k], lots.value, amount);
        } else {
            Add(day.uncertain[k], lots.value, amount);
            AddUpDown(row, k, lots.value, price.value, amount);
            if (m_keepTrades) StoreTrade(row);
        }
        m_previousWord = WordOf(direction);
        m_referencePrice = price.value;
        ++m_tick.tradeRows;
        return true;
    }

    // The trade's class by both conventions; its lots and amount are the buckets' own.
    void AddOrderClasses(Direction direction, double lots, double price, double amount) {
        const ExactTrade exact = ToExactTrade(lots, price);
        for (const OrderClassConvention convention :
             {OrderClassConvention::SharesOrAmount, OrderClassConvention::AmountOnly}) {
            OrderClassFlows& flows = m_tick.orderClasses[static_cast<std::size_t>(convention)];
            auto& side = direction == Direction::Out  ? flows.outflow
                         : direction == Direction::In ? flows.inflow
                                                      : flows.uncertain;
            Add(side[static_cast<std::size_t>(ClassifyTrade(exact, convention))], lots, amount);
        }
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

    // The trade above is the row above (row 6 has none: its price waits for the previous close).
    void StoreTrade(int row) {
        const bool first = row == kFirstTradeRow;
        if (first) {
            m_texts[0].clear();
            m_texts[1].assign(1, '0');
        } else {
            Text(0, row - 1, 2);
            Text(1, row - 1, 3);
        }
        Text(2, row, 3);
        Text(3, row, 2);
        Text(4, row, 1);
        Text(5, row + 1, 2);
        Text(6, row + 1, 3);
        UncertainTradeView trade;
        trade.pricebefor = m_texts[0];
        trade.transbef = m_texts[1];
        trade.transunknow = m_texts[2];
        trade.price = m_texts[3];
        trade.datet = m_texts[4];
        trade.priceend = m_texts[5].empty() ? std::string_view("0") : std::string_view(m_texts[5]);
        trade.transend = m_texts[6].empty() ? std::string_view("0") : std::string_view(m_texts[6]);
        trade.flagbef = m_previousWord;
        trade.flagend = FollowingWord(m_reader.GetCellView(row + 1, m_directionColumn, m_scratch));
        trade.masterid = m_tick.day.masterId;
        trade.gpcode = m_tick.day.stockCode;
        if (m_feed) {
            m_feed->Add(m_tick.uncertainTrades, trade, first);
        } else {
            m_tick.uncertainTrades.Add(trade);
        }
    }

    // The text of a cell into m_texts[i], reusing its room. A view into anything else is copied:
    // one into the reader's own room would not outlive its next read.
    void Text(int i, int row, int column) {
        std::string& text = m_texts[i];
        const std::string_view view = m_reader.GetCellView(row, column, text);
        if (view.data() != text.data() || view.size() != text.size()) text.assign(view);
    }

    void NoteNotNumber(int row) {
        ++notNumberCount;
        if (notNumberRows.size() < kRowsNamed) {
            notNumberRows.push_back(row);
        } else if (m_lastRowsFirstInFile) {
            notNumberRows.erase(notNumberRows.begin());
            notNumberRows.push_back(row);
        }
    }

    CTickTable& m_reader;
    TickDay& m_tick;
    const StatisticsObserver& m_observer;
    TradeFeed* m_feed;
    bool m_keepTrades;
    int m_directionColumn = 4;
    bool m_lastRowsFirstInFile = false;
    double m_referencePrice = 0.0;
    const char* m_previousWord = kWordUnknown;
    std::string m_scratch;
    std::string m_texts[7];
};

}  // namespace

Result<TickDay> ReadTickDay(const std::string& path, const StatisticsObserver& observer,
                            const DayOverrides& overrides, TradeFeed* feed, bool keepTrades) {
    CTickTable reader;
    if (observer.warning) {
        reader.SetWarningSink([&observer, &path](const std::string& message) { observer.warning({path, {}, message}); });
    }
    if (Status opened = reader.Open(path, overrides); !opened) {
        Error error = opened.error();
        if (error.kind == ErrorKind::OpenFailed) error.detail = path + "\n" + error.detail;
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

    TradeRowReader rows(reader, tick, observer, feed, keepTrades);
    if (feed) feed->Begin(day, tick.uncertainTrades);
    const int endRow = rows.ReadAll();
    if (feed) feed->End();
    day.lastPriceText = reader.GetCellText(endRow - 1, 2);
    // Warnings name the rows of the file, not those the run was shown.
    for (int& row : rows.notNumberRows) row = reader.SourceLine(row);
    std::sort(rows.notNumberRows.begin(), rows.notNumberRows.end());
    const bool headerTable = reader.Kind() == TickLayoutKind::Header;
    const std::vector<int> skipped = reader.SkippedRows();
    const int sorted = reader.SortedTrades();
    day.inferredDirection = reader.InferredDirection();
    // A large text export is decoded as its rows are read: a file changed since it was opened fails here.
    if (Status read = reader.ReadStatus(); !read) {
        return Error{read.error().message, path + "\n" + read.error().detail, read.error().kind};
    }
    reader.CloseWorkbook();
    tick.uncertainTrades.ShrinkToFit();

    if (observer.warning && tick.tradeRows == 0) {
        observer.warning(headerTable ? FileWarning{path, {}, "没有成交记录(表头下没有成交行)"}
                                     : FileWarning{path, {kFirstTradeRow}, "没有成交记录(第6行为空)"});
    }
    if (observer.warning && !skipped.empty()) {
        observer.warning(RowsWarning(path, skipped.size(), skipped, " 行不是成交(空行、合计或说明)，已跳过"));
    }
    if (observer.warning && sorted > 0) {
        observer.warning({path, {}, std::to_string(sorted) + " 行成交不按时间先后排列，已按成交时间排序"});
    }
    if (observer.warning && rows.notNumberCount > 0) {
        observer.warning(RowsWarning(path, static_cast<std::size_t>(rows.notNumberCount), rows.notNumberRows,
                                     " 行成交的价格或成交量不是数字，按 0 计算"));
    }
    if (observer.progress) observer.progress(tick.tradeRows);
    return tick;
}

StatisticsOutcome ResolveTickDay(TickDay&& tick, const DayHeaderInfo& header, OrderClassConvention convention) {
    StatisticsOutcome outcome{std::move(tick.day), std::move(tick.uncertainTrades)};
    DayFlowResult& day = outcome.day;
    day.hasOrderClasses = true;
    day.orderConvention = convention;
    day.orderClasses = tick.orderClasses[static_cast<std::size_t>(convention)];
    day.yesId = header.yesId;
    day.previousClose = header.previousClose;
    day.turnoverText = header.turnoverText;
    if (tick.firstRowUncertain) {
        const double reference = ParseLeadingDouble(day.previousClose);
        if (tick.firstPrice > reference) day.uncertainUp[tick.firstBucket] = tick.upWithFirst;
        if (tick.firstPrice < reference) day.uncertainDown[tick.firstBucket] = tick.downWithFirst;
        outcome.uncertainTrades.SetFirstPriceBefore(day.previousClose);
    }
    return outcome;
}

}  // namespace moxtel
