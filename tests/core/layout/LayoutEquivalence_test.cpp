// Generated days written in both layouts from one trade list must give the same day.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "LayoutTestSupport.h"

namespace moxtel::test {
namespace {

struct Trade {
    std::string time, price, lots;
    char direction;  // 'B', 'S' or 'N' (uncertain)
};

std::vector<Trade> MakeTrades(std::mt19937& rng) {
    std::vector<Trade> trades(std::uniform_int_distribution<int>(0, 40)(rng));
    int second = 9 * 3600 + 25 * 60;
    int cents = std::uniform_int_distribution<int>(500, 2000)(rng);
    const char directions[] = {'B', 'S', 'N', 'N'};
    for (Trade& t : trades) {
        second += std::uniform_int_distribution<int>(0, 2)(rng);  // many equal times
        cents = std::max(1, cents + std::uniform_int_distribution<int>(-3, 3)(rng));
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
        t.time = buffer;
        std::snprintf(buffer, sizeof buffer, "%d.%02d", cents / 100, cents % 100);
        t.price = buffer;
        const int lots[] = {1, 99, 100, 999, 1000, 2500, std::uniform_int_distribution<int>(1, 3000)(rng)};
        t.lots = std::to_string(lots[std::uniform_int_distribution<int>(0, 6)(rng)]);
        t.direction = directions[std::uniform_int_distribution<int>(0, 3)(rng)];
    }
    return trades;
}

// The export: title, four empty rows (B5 is the last price of a day without trades), the trades;
// directions in column 4 when row 8 allows it, else in 5.
std::string StandardText(const std::vector<Trade>& trades, bool directionInFour) {
    std::string text = "20241204 平安银行 (000001)\n\n\n\n\n";
    for (const Trade& t : trades) {
        const std::string d = t.direction == 'N' ? "" : std::string(1, t.direction);
        text += t.time + "\t" + t.price + "\t" + t.lots + "\t" + (directionInFour ? d : "3\t" + d) + "\n";
    }
    return text;
}

struct HeaderStyle {
    std::vector<std::string> names;  // time, price, lots, direction, then optional extras
    std::vector<std::string> words;  // B, S, N
    std::vector<int> order;          // column order of names
    bool index, latestFirst, bom;
    char separator;
};

HeaderStyle RandomStyle(std::mt19937& rng) {
    auto pick = [&rng](std::vector<std::string> from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    HeaderStyle s;
    s.names = {pick({"成交时间", "时间"}), pick({"成交价格", "成交价", "价格"}),
               pick({"成交量", "成交量(手)", "成交量（手）"}), pick({"性质", "买卖方向", "类型"}),
               pick({"价格变动", "成交额", "成交金额", "成交额(元)"})};
    const std::vector<std::vector<std::string>> vocabularies = {
        {"买盘", "卖盘", "中性盘"}, {"买入", "卖出", "中性"}, {"B", "S", "N"}, {"买盘", "卖盘", ""}};
    s.words = vocabularies[std::uniform_int_distribution<std::size_t>(0, vocabularies.size() - 1)(rng)];
    s.order = {0, 1, 2, 3, 4};
    std::shuffle(s.order.begin(), s.order.end(), rng);
    s.index = rng() % 2 == 0;
    s.latestFirst = rng() % 2 == 0;
    s.bom = rng() % 2 == 0;
    s.separator = rng() % 3 == 0 ? '\t' : ',';
    return s;
}

std::string HeaderText(std::vector<Trade> trades, const HeaderStyle& s) {
    if (s.latestFirst) std::reverse(trades.begin(), trades.end());
    std::string text = s.bom ? "\xEF\xBB\xBF" : "";
    auto line = [&](const std::vector<std::string>& cells, const std::string& index) {
        if (s.index) text += index + s.separator;
        for (std::size_t i = 0; i < s.order.size(); ++i)
            text += (i ? std::string(1, s.separator) : "") + cells[s.order[i]];
        text += "\n";
    };
    line(s.names, "");
    for (std::size_t i = 0; i < trades.size(); ++i) {
        const Trade& t = trades[i];
        const std::string& word = s.words[t.direction == 'B' ? 0 : t.direction == 'S' ? 1 : 2];
        line({t.time, t.price, t.lots, word, "0.01"}, std::to_string(i));
    }
    return text;
}

class GeneratedDays : public ::testing::TestWithParam<unsigned> {};

TEST_P(GeneratedDays, BothLayoutsGiveTheSameDay) {
    std::mt19937 rng(GetParam());
    const TestFolder folder;
    const std::vector<Trade> trades = MakeTrades(rng);
    // An export with fewer than three trades has an empty (8, 4), so its directions are in column 4.
    const bool directionInFour = trades.size() < 3 || (trades[2].direction == 'N' && rng() % 2 == 0);
    const HeaderStyle style = RandomStyle(rng);
    const std::string standard = folder.Write("standard.xls", StandardText(trades, directionInFour));
    const std::string header =
        folder.Write(style.separator == ',' ? "tick.csv" : "tick.xls", HeaderText(trades, style));
    const std::string previousClose = rng() % 2 == 0 ? "" : trades.empty() ? "10.00" : trades[0].price;

    StatisticsInputs headerInputs{header, previousClose, ""};
    headerInputs.dayOverrides = FixtureDay();
    if (GetParam() % 4 == 0) {
        const StoredRun a = RunAndStore({standard, previousClose, ""});
        const StoredRun b = RunAndStore(headerInputs);
        ASSERT_TRUE(a.run.ok() && b.run.ok()) << (b.run.ok() ? "" : b.run.error().message);
        ExpectSameDay(*a.run, *b.run);
        EXPECT_EQ(a.tables, b.tables);
    } else {
        const auto a = RunStatistics({standard, previousClose, ""}, nullptr);
        const auto b = RunStatistics(headerInputs, nullptr);
        ASSERT_TRUE(a.ok() && b.ok()) << (b.ok() ? "" : b.error().message);
        ExpectSameDay(*a, *b);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, GeneratedDays, ::testing::Range(1u, 41u));

}  // namespace
}  // namespace moxtel::test
