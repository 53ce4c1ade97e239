// The run reads trade cells as numbers and views; those must say exactly what the cells' texts say.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "LayoutTestSupport.h"
#include "core/common/TextUtil.h"
#include "core/layout/CTickTable.h"

namespace moxtel::test {
namespace {

// Every cell of the first rows and columns, and one past the grid of a text table, read three ways.
void ExpectReadingsAgree(CTickTable& table, int rows, int columns) {
    std::string scratch;
    for (int row = 1; row <= rows; ++row) {
        for (int column = 1; column <= columns; ++column) {
            const std::string text = table.GetCellText(row, column);
            const CellNumber number = table.GetCellNumber(row, column);
            ASSERT_EQ(number.empty, text.empty()) << row << "," << column << " " << text;
            ASSERT_EQ(number.numeric, HasLeadingNumber(text)) << row << "," << column << " " << text;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(number.value), std::bit_cast<std::uint64_t>(ParseLeadingDouble(text)))
                << row << "," << column << " " << text;
            ASSERT_EQ(table.GetCellView(row, column, scratch), text) << row << "," << column;
        }
    }
}

TEST(CellReadings, NumbersAndViewsSayWhatTheTextsSay) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MOXTEL_TEST_DATA_DIR)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() == ".py") continue;
        CTickTable table;
        if (!table.Open(path, FixtureDay())) continue;
        SCOPED_TRACE(path);
        ExpectReadingsAgree(table, 80, 8);
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

// Beyond the format's grid a number reading warns as a text reading does, once per read.
TEST(CellReadings, BeyondTheGridWarnsLikeTheText) {
    CTickTable table;
    ASSERT_TRUE(table.Open(Fixture("worked-day.xls")));
    std::vector<std::string> warnings;
    table.SetWarningSink([&](const std::string& message) { warnings.push_back(message); });
    EXPECT_TRUE(table.GetCellNumber(65537, 2).empty);
    EXPECT_TRUE(table.GetCellNumber(3, 300).empty);
    std::string scratch;
    EXPECT_TRUE(table.GetCellView(65537, 3, scratch).empty());
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_EQ(warnings[0], "由于(65537,2)已经超过了(65536,256)的范围,所以返回空值");
}

}  // namespace
}  // namespace moxtel::test
