#include "core/stats/UncertainTrade.h"

#include <cstring>
#include <iterator>
#include <stdexcept>

namespace moxtel {
namespace {

std::size_t TakeLength(std::string_view in, std::size_t& at) {
    std::size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[at++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return length;
    }
}

// Lengths are base-128 varints: one byte for the usual short texts, any length possible.
std::size_t LengthBytes(std::size_t length) {
    std::size_t bytes = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++bytes;
    }
    return bytes;
}

std::string_view Take(std::string_view in, std::size_t& at) {
    const std::size_t length = TakeLength(in, at);
    const std::string_view text = in.substr(at, length);
    at += length;
    return text;
}

// An id: 0 stands for the day's own, any other length is one more than the text's.
std::string_view TakeShared(std::string_view in, std::size_t& at, std::string_view day) {
    const std::size_t length = TakeLength(in, at);
    if (length == 0) return day;
    const std::string_view text = in.substr(at, length - 1);
    at += length - 1;
    return text;
}

}  // namespace

UncertainTrade UncertainTradeView::Copy() const {
    return UncertainTrade{std::string(pricebefor), std::string(priceend),    std::string(transbef),
                          std::string(transend),   std::string(flagbef),     std::string(flagend),
                          std::string(masterid),   std::string(gpcode),      std::string(transunknow),
                          std::string(price),      std::string(datet)};
}

void UncertainTrades::Add(const UncertainTradeView& t) {
    if (m_starts.empty()) {
        m_masterId = t.masterid;
        m_stockCode = t.gpcode;
    }
    const std::string_view fields[] = {t.pricebefor, t.priceend, t.transbef,    t.transend, t.flagbef, t.flagend,
                                       t.masterid,   t.gpcode,   t.transunknow, t.price,    t.datet};
    // Each text behind its length; the ids (fields 6 and 7) behind 0 when they are the day's own
    // (and then left out), else behind their length + 1.
    std::size_t codes[std::size(fields)];
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const bool id = i == 6 || i == 7;
        const bool shared = id && fields[i] == (i == 6 ? m_masterId : m_stockCode);
        codes[i] = shared ? 0 : fields[i].size() + (id ? 1 : 0);
        bytes += LengthBytes(codes[i]) + (shared ? 0 : fields[i].size());
    }
    if (!m_texts.empty() && m_texts.size() + bytes > kBlockBytes) {
        m_full.push_back(std::move(m_texts));
        m_texts = std::string();
    }
    if (m_texts.capacity() < kBlockBytes) m_texts.reserve(kBlockBytes);
    m_starts.push_back((static_cast<std::uint64_t>(m_full.size()) << 32) | m_texts.size());
    const std::size_t at = m_texts.size();
    m_texts.resize(at + bytes);  // written in one go
    char* out = m_texts.data() + at;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        for (std::size_t code = codes[i];; code >>= 7) {
            *out++ = static_cast<char>(code >= 0x80 ? 0x80 | (code & 0x7F) : code);
            if (code < 0x80) break;
        }
        if (codes[i] == 0) continue;
        std::memcpy(out, fields[i].data(), fields[i].size());
        out += fields[i].size();
    }
}

UncertainTradeView UncertainTrades::View(std::size_t i) const {
    const std::size_t block = static_cast<std::size_t>(m_starts[i] >> 32);
    const std::string_view texts = block < m_full.size() ? std::string_view(m_full[block]) : std::string_view(m_texts);
    std::size_t at = static_cast<std::size_t>(m_starts[i] & 0xFFFFFFFFu);
    UncertainTradeView t;
    t.pricebefor = Take(texts, at);
    t.priceend = Take(texts, at);
    t.transbef = Take(texts, at);
    t.transend = Take(texts, at);
    t.flagbef = Take(texts, at);
    t.flagend = Take(texts, at);
    t.masterid = TakeShared(texts, at, m_masterId);
    t.gpcode = TakeShared(texts, at, m_stockCode);
    t.transunknow = Take(texts, at);
    t.price = Take(texts, at);
    t.datet = Take(texts, at);
    if (i == 0 && m_firstPriceBeforeSet) t.pricebefor = m_firstPriceBefore;
    return t;
}

UncertainTrade UncertainTrades::at(std::size_t i) const {
    if (i >= size()) throw std::out_of_range("UncertainTrades::at");
    return (*this)[i];
}

void UncertainTrades::SetFirstPriceBefore(std::string_view text) {
    m_firstPriceBefore = text;
    m_firstPriceBeforeSet = true;
}

std::vector<UncertainTrade> UncertainTrades::ToVector() const {
    std::vector<UncertainTrade> trades;
    trades.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) trades.push_back((*this)[i]);
    return trades;
}

void UncertainTrades::ShrinkToFit() {
    m_texts.shrink_to_fit();
    m_starts.shrink_to_fit();
}

std::size_t UncertainTrades::Bytes() const {
    std::size_t bytes = m_texts.capacity() + m_starts.capacity() * sizeof(std::uint64_t);
    for (const std::string& block : m_full) bytes += block.capacity();
    return bytes;
}

}  // namespace moxtel
