#include "import/PackedTickDay.h"

#include <array>

namespace moxtel {
namespace {

// The fields of a trade that differ from trade to trade, in the order they are packed.
constexpr std::array<std::string UncertainTrade::*, 9> kFields{
    &UncertainTrade::pricebefor, &UncertainTrade::priceend, &UncertainTrade::transbef,
    &UncertainTrade::transend,   &UncertainTrade::flagbef,  &UncertainTrade::flagend,
    &UncertainTrade::transunknow, &UncertainTrade::price,   &UncertainTrade::datet,
};

// Lengths as base-128 varints: one byte for the usual short texts, any length possible.
void PutLength(std::string& out, std::size_t length) {
    while (length >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (length & 0x7F)));
        length >>= 7;
    }
    out.push_back(static_cast<char>(length));
}

std::size_t TakeLength(const std::string& in, std::size_t& at) {
    std::size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[at++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return length;
    }
}

}  // namespace

PackedTickDay::PackedTickDay(TickDay&& day) : m_day(std::move(day)), m_count(m_day.uncertainTrades.size()) {
    for (const UncertainTrade& trade : m_day.uncertainTrades) {
        for (auto field : kFields) {
            PutLength(m_texts, (trade.*field).size());
            m_texts += trade.*field;
        }
    }
    m_texts.shrink_to_fit();
    m_day.uncertainTrades.clear();
    m_day.uncertainTrades.shrink_to_fit();
}

TickDay PackedTickDay::Unpack() && {
    TickDay day = std::move(m_day);
    day.uncertainTrades.resize(m_count);
    std::size_t at = 0;
    for (UncertainTrade& trade : day.uncertainTrades) {
        for (auto field : kFields) {
            const std::size_t length = TakeLength(m_texts, at);
            (trade.*field).assign(m_texts, at, length);
            at += length;
        }
        trade.masterid = day.day.masterId;
        trade.gpcode = day.day.stockCode;
    }
    return day;
}

}  // namespace moxtel
