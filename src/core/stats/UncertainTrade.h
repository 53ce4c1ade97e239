#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace moxtel {

// Direction words of a trade, stored for the neighbours of uncertain trades.
inline constexpr const char* kWordIn = "入";
inline constexpr const char* kWordOut = "出";
inline constexpr const char* kWordUnknown = "未知";

// One trade of uncertain direction with its neighbours; one transun row. Field names are the
// column names; every value is a text as the workbook shows it.
struct UncertainTrade {
    std::string pricebefor;   // price of the trade above; previousClose for the first trade row
    std::string priceend;     // price of the row below, "0" if empty
    std::string transbef;     // lots of the trade above, "0" for the first trade row
    std::string transend;     // lots of the row below, "0" if empty
    std::string flagbef;      // direction word of the trade above ("未知" for the first row)
    std::string flagend;      // "入" if the row below says exactly "B", "出" for "S", else "未知"
    std::string masterid;     // the day's masterId
    std::string gpcode;       // the stock code
    std::string transunknow;  // this trade's lots text
    std::string price;        // this trade's price text
    std::string datet;        // this trade's time text (column A)

    bool operator==(const UncertainTrade&) const = default;
};

// The same fields as views, valid as long as what they view.
struct UncertainTradeView {
    std::string_view pricebefor, priceend, transbef, transend, flagbef, flagend, masterid, gpcode, transunknow, price,
        datet;

    UncertainTradeView() = default;
    UncertainTradeView(const UncertainTrade& t)  // NOLINT: a trade reads as its view
        : pricebefor(t.pricebefor), priceend(t.priceend), transbef(t.transbef), transend(t.transend),
          flagbef(t.flagbef), flagend(t.flagend), masterid(t.masterid), gpcode(t.gpcode),
          transunknow(t.transunknow), price(t.price), datet(t.datet) {}
    UncertainTrade Copy() const;
    bool operator==(const UncertainTradeView&) const = default;
};

// The uncertain trades of a day in workbook order, packed: every trade's texts in one buffer, each
// behind its length, and the day's master id and stock code once for all trades that carry them.
// A typical trade takes some 60 bytes instead of eleven strings (over 350).
class UncertainTrades {
public:
    // The first trade's master id and stock code are taken as the day's.
    void Add(const UncertainTradeView& trade);
    void push_back(const UncertainTrade& trade) { Add(trade); }

    std::size_t size() const { return m_starts.size(); }
    bool empty() const { return m_starts.empty(); }
    UncertainTradeView View(std::size_t i) const;
    UncertainTrade operator[](std::size_t i) const { return View(i).Copy(); }
    UncertainTrade at(std::size_t i) const;
    // The first trade's pricebefor, settled only when the previous close is known.
    void SetFirstPriceBefore(std::string_view text);
    std::vector<UncertainTrade> ToVector() const;
    std::size_t Bytes() const;
    void ShrinkToFit();

    class Iterator {
    public:
        Iterator(const UncertainTrades* trades, std::size_t i) : m_trades(trades), m_i(i) {}
        UncertainTrade operator*() const { return (*m_trades)[m_i]; }
        Iterator& operator++() {
            ++m_i;
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_i == other.m_i; }

    private:
        const UncertainTrades* m_trades;
        std::size_t m_i;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size()}; }

    bool operator==(const UncertainTrades& other) const { return ToVector() == other.ToVector(); }
    friend bool operator==(const std::vector<UncertainTrade>& a, const UncertainTrades& b) { return a == b.ToVector(); }

private:
    std::string m_masterId;
    std::string m_stockCode;
    // The texts in blocks of kBlockBytes (one trade never spans two): a million trades grow the
    // memory by blocks, never by copying everything into room twice the size.
    static constexpr std::size_t kBlockBytes = 256 * 1024;
    std::vector<std::string> m_full;      // filled blocks
    std::string m_texts;                  // the block being filled
    std::vector<std::uint64_t> m_starts;  // each trade's block (high 32 bits) and offset in it
    std::string m_firstPriceBefore;
    bool m_firstPriceBeforeSet = false;
};

}  // namespace moxtel
