#include "core/query/GridExport.h"

#include <gtest/gtest.h>

namespace moxtel {
namespace {

// A grid as the windows leave it: header row, data rows, one empty row at the end.
CMSFlexGrid HistoryLikeGrid() {
    CMSFlexGrid grid(4, 4);
    const char* cells[3][4] = {{"日期", "0-300(手)", "流向", ""},
                               {"2026-12-01", "-1234(-56.7万元)", "10(0.5万元)", "id1"},
                               {"2026-12-02", "0(0.0万元)", "7(0.1万元)", "id2"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) grid.SetTextAt(r, c, cells[r][c]);
    grid.SetColWidth(3, 0);  // the hidden master ids
    return grid;
}

TEST(GridExport, WholeGridDropsTheTrailingEmptyRowsOnly) {
    CMSFlexGrid grid = HistoryLikeGrid();
    grid.SetRows(6);
    grid.SetTextAt(4, 0, "x");  // an empty row 3 before a filled row stays
    const GridRange all = WholeGrid(grid);
    EXPECT_EQ(all.top, 0);
    EXPECT_EQ(all.bottom, 4);
    EXPECT_EQ(all.right, 3);

    CMSFlexGrid blank(3, 3);
    const GridRange none = WholeGrid(blank);
    EXPECT_LT(none.bottom, none.top);
    EXPECT_EQ(GridToTsv(blank, none), "");
    EXPECT_EQ(GridToCsv(blank, none), "\xEF\xBB\xBF");
}

TEST(GridExport, TsvLeavesHiddenColumnsOutAndKeepsEveryCellOneField) {
    CMSFlexGrid grid = HistoryLikeGrid();
    EXPECT_EQ(GridToTsv(grid, WholeGrid(grid)),
              "日期\t0-300(手)\t流向\n"
              "2026-12-01\t-1234(-56.7万元)\t10(0.5万元)\n"
              "2026-12-02\t0(0.0万元)\t7(0.1万元)\n");
    grid.SetTextAt(1, 1, "a\tb\r\nc");
    EXPECT_EQ(GridToTsv(grid, {1, 1, 1, 1}), "a b  c\n");
}

TEST(GridExport, RangeIsClippedToTheGrid) {
    const CMSFlexGrid grid = HistoryLikeGrid();
    EXPECT_EQ(GridToTsv(grid, {2, 1, 2, 2}), "0(0.0万元)\t7(0.1万元)\n");
    EXPECT_EQ(GridToTsv(grid, {-3, -3, 0, 1}), "日期\t0-300(手)\n");
    EXPECT_EQ(GridToTsv(grid, {2, 2, 99, 99}), "7(0.1万元)\n\n");  // row 3 is the empty last row
}

struct CsvCase {
    const char* cell;
    const char* field;
};

class GridCsvField : public testing::TestWithParam<CsvCase> {};

TEST_P(GridCsvField, QuotesOnlyWhatNeedsIt) {
    CMSFlexGrid grid(2, 2);
    grid.SetTextAt(0, 0, GetParam().cell);
    grid.SetTextAt(0, 1, "后");
    EXPECT_EQ(GridToCsv(grid, {0, 0, 0, 1}), std::string("\xEF\xBB\xBF") + GetParam().field + ",后\r\n");
}

INSTANTIATE_TEST_SUITE_P(Rfc4180, GridCsvField,
                         testing::Values(CsvCase{"-1234(-56.7万元)", "-1234(-56.7万元)"}, CsvCase{"", ""},
                                         CsvCase{"1,234", "\"1,234\""}, CsvCase{"say \"hi\"", "\"say \"\"hi\"\"\""},
                                         CsvCase{"\"", "\"\"\"\""}, CsvCase{"two\r\nlines", "\"two\r\nlines\""},
                                         CsvCase{"line\nfeed", "\"line\nfeed\""}, CsvCase{" padded", "\" padded\""},
                                         CsvCase{"a;b\tc", "a;b\tc"}));

}  // namespace
}  // namespace moxtel

namespace moxtel {
namespace {

// Figure columns become a lots and an amount column; columns holding anything else stay whole.
TEST(SplitFigureColumns, OneColumnPerNumberWithHeaders) {
    const TextTable table{{"日期", "0-300(手)", "流向", "备注"},
                          {"2026-12-01", "-6074(-724.2万元)", "5(12.4万元)", "-6074(-724.2万元)"},
                          {"2026-12-02", "", "0(0.0万元)", "另有说明"},
                          {"2026-12-03", "1234567890(123456789.1万元)", "-0(-0.0万元)", ""}};
    const TextTable expected{
        {"日期", "0-300(手)", "0-300(万元)", "流向(手)", "流向(万元)", "备注"},
        {"2026-12-01", "-6074", "-724.2", "5", "12.4", "-6074(-724.2万元)"},
        {"2026-12-02", "", "", "0", "0.0", "另有说明"},
        {"2026-12-03", "1234567890", "123456789.1", "-0", "-0.0", ""}};
    EXPECT_EQ(SplitFigureColumns(table, true), expected);
    // Without a header row the first row is data too; ragged rows read as empty cells.
    EXPECT_EQ(SplitFigureColumns({{"1(0.1万元)"}, {}}, false), (TextTable{{"1", "0.1"}, {"", ""}}));
    // Texts that only look like figures stay whole.
    for (const char* text : {"12(3万元", "(3.0万元)", "1(2.0元)", "1 (2.0万元)", "1(2.0万元) "})
        EXPECT_EQ(SplitFigureColumns({{"h"}, {text}}, true), (TextTable{{"h"}, {text}})) << text;
}

// A block copied from inside the grid gets its headers and row labels; a block that includes
// them, or the whole grid, is copied as it is.
TEST(GridExport, CopiedBlockCarriesItsHeadersAndRowLabels) {
    CMSFlexGrid grid(3, 3);
    const char* cells[3][3] = {{"日期", "a", "b"}, {"d1", "1", "2"}, {"d2", "3", "4"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) grid.SetTextAt(r, c, cells[r][c]);
    EXPECT_EQ(GridToTsvWithLabels(grid, {2, 2, 2, 2}), "日期\tb\nd2\t4\n");
    EXPECT_EQ(GridToTsvWithLabels(grid, {1, 1, 2, 1}), "日期\ta\nd1\t1\nd2\t3\n");
    EXPECT_EQ(GridToTsvWithLabels(grid, {0, 1, 1, 2}), "日期\ta\tb\nd1\t1\t2\n");
    EXPECT_EQ(GridToTsvWithLabels(grid, WholeGrid(grid)), GridToTsv(grid, WholeGrid(grid)));
    grid.SetColWidth(0, 0);  // a hidden label column stays hidden
    EXPECT_EQ(GridToTsvWithLabels(grid, {1, 1, 1, 1}), "a\n1\n");
}

TEST(SplitFigureColumns, GridCsvHasNumbersUnderHeaders) {
    CMSFlexGrid grid(3, 3);
    grid.SetTextAt(0, 0, "日期");
    grid.SetTextAt(0, 1, "总量");
    grid.SetTextAt(0, 2, "id");
    grid.SetColWidth(2, 0);  // hidden: left out
    grid.SetTextAt(1, 0, "2026-12-01");
    grid.SetTextAt(1, 1, "840072(100025.1万元)");
    EXPECT_EQ(GridToCsv(grid, WholeGrid(grid)),
              "\xEF\xBB\xBF日期,总量(手),总量(万元)\r\n2026-12-01,840072,100025.1\r\n");
}

}  // namespace
}  // namespace moxtel
