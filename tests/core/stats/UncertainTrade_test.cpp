#include "core/stats/UncertainTrade.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace moxtel {
namespace {

UncertainTrade Trade(const std::string& text, const std::string& masterId, const std::string& code) {
    return UncertainTrade{text, "0", "12", text, "入", "未知", masterId, code, text + "x", "9.99", "09:30:01"};
}

// Texts of every length class of the packed lengths, a trade of another day among the day's own,
// and the first trade's price set afterwards: each trade reads back exactly as it was added.
TEST(UncertainTrades, GiveBackEveryTradeAsAdded) {
    std::vector<UncertainTrade> added;
    for (const std::string& text : {std::string(), std::string("10.00"), std::string(127, '7'), std::string(128, '8'),
                                    std::string(20000, '9'), std::string(300000, '6'), std::string("未知")}) {
        added.push_back(Trade(text, "甲(600001)20240101", "甲(600001)"));
    }
    added.push_back(Trade("1", "乙(600002)20240101", "乙(600002)"));
    added.push_back(Trade("2", "", ""));
    UncertainTrades trades;
    for (const UncertainTrade& t : added) trades.push_back(t);
    ASSERT_EQ(trades.size(), added.size());
    EXPECT_EQ(added, trades);

    trades.SetFirstPriceBefore("11.49");
    added.front().pricebefor = "11.49";
    EXPECT_EQ(trades[0], added[0]);
    EXPECT_EQ(trades[1], added[1]);
    EXPECT_EQ(trades.View(0).pricebefor, "11.49");
    EXPECT_THROW(trades.at(added.size()), std::out_of_range);
}

// What makes a day of a million trades fit: tens of bytes a trade, the day's ids not repeated.
TEST(UncertainTrades, TypicalTradesTakeTensOfBytes) {
    UncertainTrades trades;
    for (int i = 0; i < 1000; ++i) {
        trades.Add(UncertainTrade{"10.01", "10.02", "150", "2300", "入", "未知", "股票(600000)20250102", "股票(600000)",
                                  "75", "10.01", "09:30:01"});
    }
    trades.ShrinkToFit();
    EXPECT_LT(trades.Bytes(), 1000u * 64);
    EXPECT_EQ(trades[999].masterid, "股票(600000)20250102");
}

// Trades fill block after block: every one reads back whole wherever a block ends, and a day's
// memory grows with its trades, not to twice their size.
TEST(UncertainTrades, ManyTradesReadBackAcrossBlocks) {
    UncertainTrades trades;
    std::vector<std::string> times;
    for (int i = 0; i < 20000; ++i) {
        times.push_back(std::to_string(100000 + i));
        trades.Add(UncertainTrade{"10.01", "10.02", "150", std::to_string(i), "入", "未知", "股票(600000)20250102",
                                  "股票(600000)", "75", "10.01", times.back()});
    }
    ASSERT_EQ(trades.size(), 20000u);
    for (std::size_t i = 0; i < trades.size(); ++i) {
        const UncertainTradeView t = trades.View(i);
        ASSERT_EQ(t.datet, times[i]) << i;
        ASSERT_EQ(t.transend, std::to_string(i)) << i;
        ASSERT_EQ(t.masterid, "股票(600000)20250102") << i;
    }
    trades.ShrinkToFit();
    EXPECT_LT(trades.Bytes(), 20000u * 64 + 256 * 1024);
}

}  // namespace
}  // namespace moxtel
