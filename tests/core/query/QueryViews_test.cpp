#include "core/query/QueryViews.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "core/maintenance/ClearData.h"
#include "core/query/CMSFlexGrid.h"
#include "core/query/QueryTestDb.h"
#include "core/templates/TemplateStore.h"

namespace moxtel {
namespace {

using test::Put;
using test::QueryTestDb;

class QueryViewsDb : public ::testing::Test {
  protected:
    void SetUp() override {
        DayFlowResult d;
        Put(d.inflow, 4, 320, 32.0);
        Put(d.outflow, 1, 50, 5.0);
        Put(d.uncertainUp, 11, 1000, 100.0);
        id = t.InsertDay("ABC(600000)", "20000101", d);
        t.InsertDay("ABC(600000)", "20000105", DayFlowResult{});
        t.InsertUncertain(id, "09:30:01", "1000", "10.00", "出", "5");
        t.InsertUncertain(id, "09:31:00", "100", "10.00");
        t.InsertTemplate("大单", {"0-100", "100-500", "500-1000", "1000-1000+", "0-0"});
    }
    QueryTestDb t;
    std::string id;
};

TEST_F(QueryViewsDb, HistoryViewHasTheGridTextsAndColours) {
    const auto view = LoadHistoryView(t.store, "ABC(600000)", "2000-01-01", "20000131", "");
    ASSERT_TRUE(view.ok());
    EXPECT_TRUE(view->templateFound);
    EXPECT_EQ(view->headers[0], "日期");
    EXPECT_EQ(view->headers[5], "1000-1000+(手)");
    EXPECT_EQ(view->headers[8], "总量");
    ASSERT_EQ(view->rows.size(), 2u);
    const HistoryRowView& row = view->rows[0];
    EXPECT_EQ(row.date, "2000-01-01");
    EXPECT_EQ(row.masterId, id);
    EXPECT_EQ(row.cells[0], "-50(-5.0万元)");
    EXPECT_EQ(row.colors[0], kColorGreen);
    EXPECT_EQ(row.cells[1], "320(32.0万元)");
    EXPECT_EQ(row.colors[1], kColorRed);
    EXPECT_EQ(row.cells[6], "1270(127.0万元)");
    EXPECT_EQ(row.cells[7], "370(37.0万元)");
    EXPECT_EQ(row.colors[7], kColorWhite);
    EXPECT_EQ(view->rows[1].date, "2000-01-05");
}

TEST_F(QueryViewsDb, HistoryViewTemplateAndStops) {
    auto view = LoadHistoryView(t.store, "ABC(600000)", "20000101", "20000101", "大单");
    ASSERT_TRUE(view.ok());
    EXPECT_EQ(view->headers[2], "100-500(手)");
    EXPECT_EQ(view->rows[0].cells[1], "320(32.0万元)");
    view = LoadHistoryView(t.store, "ABC(600000)", "20000101", "20000101", "没有");
    ASSERT_TRUE(view.ok());
    EXPECT_FALSE(view->templateFound);
    EXPECT_EQ(view->headers[1], "0-300(手)");
    EXPECT_EQ(LoadHistoryView(t.store, "", "20000101", "20000101", "").error().message, "请选择需要统计的股票!");
    EXPECT_EQ(LoadHistoryView(t.store, "X", "", "20000101", "").error().message, "请选择要查询的时间段!");
}

TEST_F(QueryViewsDb, DayViewIncludesUncertainTrades) {
    const DayView view = LoadDayView(t.store, id, "");
    EXPECT_TRUE(view.stored);
    EXPECT_EQ(view.title, "ABC(600000)2000-01-01");
    EXPECT_EQ(view.totals.texts.uncertain, "1100(110.0万元)");
    EXPECT_EQ(view.totals.texts.total, "1470(147.0万元)");
    EXPECT_EQ(view.totals.figures.netWithUncertain.lots, 1270);
    EXPECT_EQ(view.intervals[4].label, "1000---");
    EXPECT_EQ(view.intervals[4].figures.texts.uncertain, "1000(100.0万元)");
    EXPECT_EQ(view.buckets[1].label, "100--200");
    EXPECT_EQ(view.buckets[1].figures.texts.uncertain, "100(10.0万元)");
    EXPECT_EQ(view.buckets[10].figures.texts.netWithUncertain, "1000(100.0万元)");
    ASSERT_EQ(view.uncertainTrades.size(), 2u);
    EXPECT_EQ(view.uncertainTrades[0].time, "09:31:00");
    EXPECT_EQ(view.uncertainTrades[1].before, "-5");
}

TEST_F(QueryViewsDb, DayViewTemplateAndUnknownDay) {
    DayView view = LoadDayView(t.store, id, "大单");
    EXPECT_TRUE(view.templateFound);
    EXPECT_EQ(view.intervals[1].label, "100-500");
    EXPECT_EQ(view.intervals[1].figures.texts.inflow, "320(32.0万元)");
    EXPECT_EQ(view.intervals[4].figures.texts.total, "0(0.0万元)");

    view = LoadDayView(t.store, "ABC(600000)20000102", "没有");
    EXPECT_FALSE(view.stored);
    EXPECT_FALSE(view.templateFound);
    EXPECT_EQ(view.intervals[0].label, "0-300");
    EXPECT_EQ(view.totals.texts.total, "0(0.0万元)");
    EXPECT_TRUE(view.uncertainTrades.empty());
}

// Two databases open at once: every reader works on the store it is handed and nothing else, and a
// failure is reported to that store's reporter only.
TEST(StoresKeptApart, EachReaderReadsTheStoreItIsHanded) {
    QueryTestDb a, b;
    a.InsertDay("A(600001)", "20240102", DayFlowResult{});
    a.InsertTemplate("甲", {"0-100", "100-500", "500-1000", "1000-1000+", "0-0"});
    b.InsertDay("B(600002)", "20240103", DayFlowResult{});
    struct Case {
        const char* what;
        std::function<std::string(const StoreContext&)> read;
        const char* fromA;
        const char* fromB;
    };
    const auto joined = [](const std::vector<std::string>& texts) {
        std::string all;
        for (const std::string& text : texts) all += text + ";";
        return all;
    };
    const std::vector<Case> cases{
        {"stock codes", [&](const StoreContext& s) { return joined(LoadStockCodes(s)); }, "A(600001);", "B(600002);"},
        {"template names", [&](const StoreContext& s) { return joined(LoadTemplateNames(s)); }, "甲;", ""},
        {"days to clear",
         [](const StoreContext& s) { return std::to_string(CountDaysToClear(s, "A(600001)", "20241231")); }, "1", "0"},
        {"history rows",
         [](const StoreContext& s) {
             return std::to_string(LoadHistoryView(s, "B(600002)", "20240101", "20241231", "")->rows.size());
         },
         "0", "1"},
        {"stored day",
         [](const StoreContext& s) { return std::to_string(LoadDayView(s, "A(600001)20240102", "").stored); }, "1",
         "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.read(a.store), c.fromA) << c.what;
        EXPECT_EQ(c.read(b.store), c.fromB) << c.what;
    }

    std::ofstream(b.File(), std::ios::binary | std::ios::trunc) << std::string(4096, 'x');  // b is damaged now
    for (const Case& c : cases) EXPECT_EQ(c.read(a.store), c.fromA) << c.what;
    EXPECT_TRUE(a.messages.empty());
    EXPECT_TRUE(LoadStockCodes(b.store).empty());
    ASSERT_EQ(b.messages.size(), 1u);
    EXPECT_NE(b.messages[0].find(b.File()), std::string::npos) << b.messages[0];
}

}  // namespace
}  // namespace moxtel
