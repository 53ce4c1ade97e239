#include "stats/StatisticsRun.h"

#include "common/TextUtil.h"
#include "layout/CTickTable.h"
#include "stats/TitleCell.h"

namespace moxtel {
namespace {

constexpr int kFirstTradeRow = 6;
constexpr int kProgressEvery = 500;

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

void Add(FlowBuckets& buckets, int k, double lots, double amount) {
    buckets[k].lots += lots;
    buckets[k].amount += amount;
}

// Keeps the store's transaction honest: anything but an explicit commit rolls back.
class RunGuard {
public:
    explicit RunGuard(IDayStore* store) : m_store(store) {}
    ~RunGuard() {
        if (m_store && !m_committed) m_store->Rollback();
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;
    bool Commit() {
        m_committed = !m_store || m_store->Commit();
        return m_committed;
    }

private:
    IDayStore* m_store;
    bool m_committed = false;
};

}  // namespace

Result<StatisticsOutcome> RunStatistics(const StatisticsInputs& inputs, IDayStore* store,
                                        const StatisticsObserver& observer) {
    StatisticsOutcome outcome;
    DayFlowResult& day = outcome.day;
    day.ClearBuckets();

    // Either layout reads as the standard one through the tick table.
    CTickTable reader;
    if (observer.warning) reader.SetWarningSink(observer.warning);
    if (inputs.workbookPath.empty()) return Error{kMsgNoWorkbook};
    if (Status opened = reader.Open(inputs.workbookPath, inputs.dayOverrides); !opened) return opened.error();

    const TitleParts title = ParseTitleCell(reader.GetCellText(1, 1));
    day.titleText = title.titleText;
    day.tradeDate = title.tradeDate;
    day.stockCode = title.stockCode;
    day.masterId = day.stockCode + day.tradeDate;

    RunGuard guard(store);
    DayHeaderInfo header = HeaderWithoutStore(inputs.previousCloseText, inputs.turnoverText);
    if (store && !store->StoreDayHeader(day.stockCode, day.tradeDate, day.masterId, inputs.previousCloseText,
                                        inputs.turnoverText, header)) {
        return Error{};
    }
    day.yesId = header.yesId;
    day.previousClose = header.previousClose;
    day.turnoverText = header.turnoverText;

    const int directionColumn = reader.GetCellText(8, 4).empty() ? 4 : 5;
    day.firstPriceText = reader.GetCellText(7, 2);

    double referencePrice = ParseLeadingDouble(day.previousClose);
    std::string previousPrice = day.previousClose;
    std::string previousLots = "0";
    const char* previousWord = kWordUnknown;

    int row = kFirstTradeRow;
    for (;; ++row) {
        const std::string time = reader.GetCellText(row, 1);
        if (time.empty()) break;
        const std::string directionText = reader.GetCellText(row, directionColumn);
        const std::string lotsText = reader.GetCellText(row, 3);
        const std::string priceText = reader.GetCellText(row, 2);
        const double lots = ParseLeadingDouble(lotsText);
        const double price = ParseLeadingDouble(priceText);
        const double amount = lots * (price / 100.0);
        const int k = bucketOf(lots);

        const Direction direction = DirectionOf(directionText);
        if (direction == Direction::Out) {
            Add(day.outflow, k, lots, amount);
        } else if (direction == Direction::In) {
            Add(day.inflow, k, lots, amount);
        } else {
            Add(day.uncertain, k, lots, amount);
            if (price > referencePrice) Add(day.uncertainUp, k, lots, amount);
            if (price < referencePrice) Add(day.uncertainDown, k, lots, amount);

            const std::string nextPrice = reader.GetCellText(row + 1, 2);
            const std::string nextLots = reader.GetCellText(row + 1, 3);
            const std::string nextDirection = reader.GetCellText(row + 1, directionColumn);
            UncertainTrade trade;
            trade.pricebefor = previousPrice;
            trade.priceend = nextPrice.empty() ? "0" : nextPrice;
            trade.transbef = previousLots;
            trade.transend = nextLots.empty() ? "0" : nextLots;
            trade.flagbef = previousWord;
            trade.flagend = FollowingWord(nextDirection);
            trade.masterid = day.masterId;
            trade.gpcode = day.stockCode;
            trade.transunknow = lotsText;
            trade.price = priceText;
            trade.datet = time;
            if (store && !store->StoreUncertainTrade(trade)) return Error{};
            outcome.uncertainTrades.push_back(std::move(trade));
        }
        previousWord = WordOf(direction);
        previousPrice = priceText;
        previousLots = lotsText;
        referencePrice = price;
        if (observer.progress && (row - kFirstTradeRow + 1) % kProgressEvery == 0) {
            observer.progress(row - kFirstTradeRow + 1);
        }
    }
    day.lastPriceText = reader.GetCellText(row - 1, 2);
    reader.CloseWorkbook();

    if (store && !store->StoreDayBuckets(day, day.masterId, day.firstPriceText, day.lastPriceText)) return Error{};
    if (!guard.Commit()) return Error{};
    if (observer.progress) observer.progress(row - kFirstTradeRow);
    return outcome;
}

}  // namespace moxtel
