// sums() replaces ten total() calls in the ranking: its figures must equal total()'s to the bit
// (the same additions in the same order, NULLs skipped, integers as doubles) and its text must read
// back as the same doubles, or a ranking's amounts would change in their last digits.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/data/ColumnSums.h"

namespace moxtel {
namespace {

using Value = std::optional<double>;
struct SumsCase {
    const char* name;
    std::vector<std::vector<Value>> rows;  // three columns: a REAL, b REAL, c INTEGER
};

void PrintTo(const SumsCase& c, std::ostream* os) { *os << c.name; }

class ColumnSumsTest : public ::testing::TestWithParam<SumsCase> {};

TEST_P(ColumnSumsTest, EqualsTotalToTheBitPerGroup) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(RegisterColumnSums(db), SQLITE_OK);
    std::string sql = "create table t(g TEXT, a REAL, b REAL, c INTEGER);";
    char number[32];
    int i = 0;
    for (const auto& row : GetParam().rows) {
        sql += std::string("insert into t values('") + (i++ % 3 == 2 ? "y" : "x") + "'";  // two groups, interleaved
        for (const Value& v : row) {
            std::snprintf(number, sizeof number, "%.17g", v.value_or(0.0));
            sql += std::string(",") + (v ? number : "NULL");
        }
        sql += ");";
    }
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    // Per group: sums() parsed from its own text against count(*) and total() read as the exact
    // doubles their 17 digits give.
    std::vector<std::pair<std::string, std::vector<double>>> groups;
    const auto collect = [](void* out, int columns, char** values, char**) {
        std::vector<double> expected;
        for (int c = 2; c < columns; ++c) expected.push_back(std::strtod(values[c], nullptr));
        static_cast<decltype(groups)*>(out)->emplace_back(values[1], expected);
        return 0;
    };
    ASSERT_EQ(sqlite3_exec(db,
                           "select g,sums(a,b,c),count(*),printf('%!.17g',total(a)),printf('%!.17g',total(b)),"
                           "printf('%!.17g',total(c)) from t group by g order by g",
                           collect, &groups, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    ASSERT_EQ(groups.size(), 2u);
    for (const auto& [sums, expected] : groups)
        EXPECT_EQ(ParseColumnSums(sums), expected) << GetParam().name << ": " << sums;
}

constexpr double kBig = 1e16;
INSTANTIATE_TEST_SUITE_P(
    Groups, ColumnSumsTest,
    ::testing::Values(
        // 0.1 + 0.2 + 0.3 is not 0.6: a sum kept in more precision or rounded to 15 digits differs.
        SumsCase{"inexact",
                 {{0.1, 0.7, 1}, {0.2, -0.35, 0}, {0.1, 1.1, 1}, {0.3, 2.2, 1}, {0.2, 3.3, 1}, {0.7, 1e-9, 0}}},
        // Order matters: 1e16 + 1 - 1e16 is 0 in doubles, 1 in a compensated or reordered sum.
        SumsCase{
            "cancelling",
            {{kBig, -kBig, 1}, {1.0, 1.0, 1}, {-kBig, kBig, 1}, {kBig, 3.0, 1}, {1.0, -kBig, 1}, {-kBig, kBig, 1}}},
        // Days without class figures: NULLs skipped; a column of NULLs sums to 0, not NULL.
        SumsCase{"nulls",
                 {{std::nullopt, 5.5, std::nullopt},
                  {1.25, std::nullopt, 1},
                  {std::nullopt, std::nullopt, std::nullopt},
                  {std::nullopt, -2.5, std::nullopt}}},
        // Negative amounts and amounts of 17 significant digits.
        SumsCase{"negative",
                 {{-123456.78901234567, -0.0, 0}, {-1e-7, 98765.432109876543, 1}, {-3.3333333333333335, 2.0, 1}}}),
    [](const ::testing::TestParamInfo<SumsCase>& param) { return std::string(param.param.name); });

TEST(ColumnSums, TooManyColumnsFailAndTextsParseInOrder) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(RegisterColumnSums(db), SQLITE_OK);
    EXPECT_NE(sqlite3_exec(db, "select sums(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "select sums(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(ParseColumnSums("3,-0.5,1e+16,x"), (std::vector<double>{3, -0.5, 1e16, 0}));
    EXPECT_EQ(ParseColumnSums(""), std::vector<double>{});
}

}  // namespace
}  // namespace moxtel
