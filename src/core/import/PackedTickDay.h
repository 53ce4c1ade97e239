#pragma once

#include <cstddef>
#include <string>

#include "stats/TickDay.h"

namespace moxtel {

// A read day held between reading and storing in a tenth of its size: the texts of its uncertain
// trades in one buffer, each behind its length, instead of eleven strings per trade. The master id
// and stock code of the trades are the day's own and are not kept per trade.
class PackedTickDay {
public:
    explicit PackedTickDay(TickDay&& day);
    // The day as it was read.
    TickDay Unpack() &&;
    std::size_t Bytes() const { return sizeof(*this) + m_texts.capacity(); }
    const std::string& StockCode() const { return m_day.day.stockCode; }
    const std::string& TradeDate() const { return m_day.day.tradeDate; }

private:
    TickDay m_day;  // without its uncertain trades
    std::string m_texts;
    std::size_t m_count = 0;
};

}  // namespace moxtel
