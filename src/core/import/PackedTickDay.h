#pragma once

#include <cstddef>
#include <string>

#include "core/stats/TickDay.h"

namespace moxtel {

// A read day held between reading and storing. Its uncertain trades are already packed (some tens
// of bytes a trade), so holding it costs little beyond that.
class PackedTickDay {
public:
    explicit PackedTickDay(TickDay&& day);
    // The day as it was read.
    TickDay Unpack() &&;
    std::size_t Bytes() const { return sizeof(*this) + m_day.uncertainTrades.Bytes(); }
    const std::string& StockCode() const { return m_day.day.stockCode; }
    const std::string& TradeDate() const { return m_day.day.tradeDate; }

private:
    TickDay m_day;
};

}  // namespace moxtel
