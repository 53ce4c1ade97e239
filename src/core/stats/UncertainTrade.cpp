#include "stats/UncertainTrade.h"

#include <cstring>
#include <stdexcept>

namespace moxtel {
namespace {

// Lengths as base-128 varints: one byte for the usual short texts, any length possible.
void PutLength(std::string& out, std::size_t length) {
    while (length >= 0x80) {
        out.push_back(static_cast<char>(0x80 | (length & 0x7F)));
        length >>= 7;
    }
    out.push_back(static_cast<char>(length));
}

std::size_t TakeLength(std::string_view in, std::size_t& at) {
    std::size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[at++]);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return length;
    }
}

// Bytes of a varint length (an upper bound for the day's ids written as length + 1).
std::size_t LengthBytes(std::size_t length) {
    std::size_t bytes = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++bytes;
    }
    return bytes;
}

void Put(std::string& out, std::string_view text) {
    PutLength(out, text.size());
    out += text;
}

std::string_view Take(std::string_view in, std::size_t& at) {
    const std::size_t length = TakeLength(in, at);
    const std::string_view text = in.substr(at, length);
    at += length;
    return text;
}

// The day's master id or stock code is written as length 0; any other text as its length + 1.
void PutShared(std::string& out, std::string_view text, std::string_view day) {
    if (text == day) {
        out.push_back('\0');
        return;
    }
    PutLength(out, text.size() + 1);
    out += text;
}

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
    const bool masterShared = t.masterid == m_masterId;
    const bool codeShared = t.gpcode == m_stockCode;
    const std::string_view fields[] = {t.pricebefor, t.priceend,    t.transbef, t.transend,
                                       t.flagbef,    t.flagend,     masterShared ? std::string_view() : t.masterid,
                                       codeShared ? std::string_view() : t.gpcode, t.transunknow, t.price, t.datet};
    // Short texts all round (the usual trade): one length byte each, written in one go.
    std::size_t bytes = 0;
    bool short_ = true;
    for (std::string_view text : fields) {
        bytes += LengthBytes(text.size() + 1) + text.size();
        short_ = short_ && text.size() < 0x7F;
    }
    if (!m_texts.empty() && m_texts.size() + bytes > kBlockBytes) {
        m_full.push_back(std::move(m_texts));
        m_texts = std::string();
    }
    if (m_texts.capacity() < kBlockBytes) m_texts.reserve(kBlockBytes);
    m_starts.push_back((static_cast<std::uint64_t>(m_full.size()) << 32) | m_texts.size());
    if (short_) {
        std::size_t at = m_texts.size();
        m_texts.resize(at + bytes);
        char* out = m_texts.data() + at;
        for (int i = 0; i < 11; ++i) {
            const std::string_view text = fields[i];
            const bool shared = (i == 6 && masterShared) || (i == 7 && codeShared);
            // The day's ids are written as length 0, any other id as its length + 1.
            *out++ = static_cast<char>(shared ? 0 : (i == 6 || i == 7) ? text.size() + 1 : text.size());
            if (!text.empty()) std::memcpy(out, text.data(), text.size());
            out += text.size();
        }
        return;
    }
    for (std::string_view text : {t.pricebefor, t.priceend, t.transbef, t.transend, t.flagbef, t.flagend}) {
        Put(m_texts, text);
    }
    PutShared(m_texts, t.masterid, m_masterId);
    PutShared(m_texts, t.gpcode, m_stockCode);
    for (std::string_view text : {t.transunknow, t.price, t.datet}) Put(m_texts, text);
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
