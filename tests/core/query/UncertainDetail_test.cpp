#include "core/query/UncertainDetail.h"

#include <gtest/gtest.h>

#include "core/query/QueryTestDb.h"

namespace moxtel {
namespace {

using test::QueryTestDb;

TEST(UncertainGrid, HeadersAndWidths) {
    CMSFlexGrid grid;
    SetUncertainGridHeaders(grid);
    EXPECT_EQ(grid.Cols(), 7);
    EXPECT_EQ(grid.TextAt(0, 0), "时间");
    EXPECT_EQ(grid.TextAt(0, 2), "成交量量");
    EXPECT_EQ(grid.TextAt(0, 6), "后一笔价格");
    EXPECT_EQ(grid.ColWidth(0), 1500);
    EXPECT_EQ(grid.ColWidth(6), 2500);
}

TEST(UncertainGrid, NewestFirstWithNeighboursSignedAndColouredByDirection) {
    QueryTestDb t;
    t.InsertUncertain("D1", "09:30:01", "50", "10.00", "未知", "0", "入", "150");
    t.InsertUncertain("D1", "14:59:58", "300", "10.02", "出", "1200", "出", "7");
    t.InsertUncertain("D1", "10:15:00", "80", "10.01", "入", "40", "未知", "0");
    t.InsertUncertain("D2", "11:00:00", "1", "1");

    CMSFlexGrid grid;
    SetUncertainGridHeaders(grid);
    FillUncertainGrid(t.store, grid, "D1");
    EXPECT_EQ(grid.Rows(), 5);
    EXPECT_EQ(grid.TextAt(1, 0), "14:59:58");
    EXPECT_EQ(grid.TextAt(2, 0), "10:15:00");
    EXPECT_EQ(grid.TextAt(3, 0), "09:30:01");
    EXPECT_EQ(grid.TextAt(4, 0), "");

    EXPECT_EQ(grid.TextAt(1, 1), "10.02");
    EXPECT_EQ(grid.TextAt(1, 2), "300");
    EXPECT_EQ(grid.TextAt(1, 3), "-1200");
    EXPECT_EQ(grid.CellForeColorAt(1, 3), RgbColor(0, 153, 0));
    EXPECT_EQ(grid.TextAt(1, 4), "9.99");
    EXPECT_EQ(grid.TextAt(1, 5), "-7");
    EXPECT_EQ(grid.CellForeColorAt(1, 5), RgbColor(0, 153, 0));
    EXPECT_EQ(grid.TextAt(1, 6), "10.01");

    EXPECT_EQ(grid.TextAt(2, 3), "40");
    EXPECT_EQ(grid.CellForeColorAt(2, 3), RgbColor(255, 0, 0));
    EXPECT_EQ(grid.TextAt(2, 5), "0");
    EXPECT_EQ(grid.CellForeColorAt(2, 5), RgbColor(255, 0, 0));
    EXPECT_EQ(grid.TextAt(3, 3), "0");
    EXPECT_EQ(grid.CellForeColorAt(3, 3), RgbColor(255, 0, 0));
    EXPECT_TRUE(t.messages.empty());
}

TEST(UncertainGrid, EmptyOrUnknownIdLeavesOnlyTheHeaders) {
    QueryTestDb t;
    t.InsertUncertain("", "09:30:01", "50", "10.00");
    for (const char* id : {"", "nobody"}) {
        CMSFlexGrid grid(2, 2);
        SetUncertainGridHeaders(grid);
        FillUncertainGrid(t.store, grid, id);
        EXPECT_EQ(grid.Rows(), 2) << id;
        EXPECT_EQ(grid.TextAt(1, 0), "") << id;
    }
}

}  // namespace
}  // namespace moxtel
