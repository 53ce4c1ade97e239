#include "core/import/PackedTickDay.h"

#include <gtest/gtest.h>

namespace moxtel {
namespace {

// Texts of every length class of the packed lengths (0, 1 byte, 2 and 3 bytes) and non-ASCII.
TEST(PackedTickDay, GivesBackTheDayAsItWasRead) {
    TickDay day;
    day.day.masterId = "甲(600001)20240101";
    day.day.stockCode = "甲(600001)";
    day.day.inflow[3] = {250, 26.3};
    day.tradeRows = 7;
    day.firstRowUncertain = true;
    day.upWithFirst = {1.5, 2.5};
    for (const std::string& text : {std::string(), std::string("10.00"), std::string(127, '7'), std::string(128, '8'),
                                    std::string(20000, '9'), std::string("未知")}) {
        day.uncertainTrades.push_back(UncertainTrade{text, "0", "12", text, "入", "未知", day.day.masterId,
                                                     day.day.stockCode, text + "x", "9.99", "09:30:01"});
    }
    day.uncertainTrades.SetFirstPriceBefore("");  // row 6's, settled only when stored
    const TickDay original = day;

    PackedTickDay packed(std::move(day));
    EXPECT_EQ(packed.StockCode(), "甲(600001)");
    const TickDay back = std::move(packed).Unpack();
    EXPECT_EQ(back.uncertainTrades, original.uncertainTrades);
    EXPECT_EQ(back.day.masterId, original.day.masterId);
    EXPECT_EQ(back.day.inflow[3].amount, 26.3);
    EXPECT_EQ(back.tradeRows, 7);
    EXPECT_TRUE(back.firstRowUncertain);
    EXPECT_EQ(back.upWithFirst.amount, 2.5);
}

// What makes a stock-year fit in memory between reading and storing: tens of bytes per trade.
TEST(PackedTickDay, TypicalTradesTakeTensOfBytes) {
    TickDay day;
    day.day.masterId = "股票(600000)20250102";
    for (int i = 0; i < 1000; ++i) {
        day.uncertainTrades.push_back(
            UncertainTrade{"10.01", "10.02", "150", "2300", "入", "未知", day.day.masterId, "股票(600000)", "75", "10.01", "09:30:01"});
    }
    EXPECT_LT(PackedTickDay(std::move(day)).Bytes(), sizeof(PackedTickDay) + 1000 * 64);
}

TEST(PackedTickDay, DayWithoutUncertainTradesStaysWithout) {
    TickDay day;
    day.day.masterId = "A20240101";
    const TickDay back = PackedTickDay(std::move(day)).Unpack();
    EXPECT_TRUE(back.uncertainTrades.empty());
    EXPECT_EQ(back.day.masterId, "A20240101");
}

}  // namespace
}  // namespace moxtel
