// sums() replaces ten total() calls in the ranking: its figures must equal total()'s to the bit
// (the same additions in the same order, NULLs skipped, integers as doubles) and its text must read
// back as the same doubles, or a ranking's amounts would change in their last digits.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "data/ColumnSums.h"

namespace moxtel {
namespace {

using Value = std::optional<double>;
struct SumsCase {
    const char* name;
    std::vector<std::vector<Value>> rows;  // three columns: a REAL, b REAL, c INTEGER
};

class ColumnSumsTest : public ::testing::TestWithParam<SumsCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        ASSERT_EQ(RegisterColumnSums(m_db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(m_db, "create table t(g TEXT, a REAL, b REAL, c INTEGER)", nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(m_db); }

    // Each statement's rows, every column as text (sums) or as the double it reads (the rest).
    std::vector<std::vector<std::string>> Rows(const char* sql) {
        std::vector<std::vector<std::string>> rows;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(m_db);
        while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
            rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                rows.back().emplace_back(text != nullptr ? text : "NULL");
            }
        }
        sqlite3_finalize(stmt);
        return rows;
    }

    sqlite3* m_db = nullptr;
};

TEST_P(ColumnSumsTest, EqualsTotalToTheBitPerGroup) {
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(m_db, "insert into t values(?,?,?,?)", -1, &insert, nullptr), SQLITE_OK);
    int i = 0;
    for (const auto& row : GetParam().rows) {
        sqlite3_bind_text(insert, 1, i++ % 3 == 2 ? "y" : "x", -1, SQLITE_STATIC);  // two groups, rows interleaved
        for (int c = 0; c < 3; ++c) {
            if (!row[static_cast<std::size_t>(c)])
                sqlite3_bind_null(insert, c + 2);
            else if (c == 2)
                sqlite3_bind_int64(insert, c + 2, static_cast<sqlite3_int64>(*row[static_cast<std::size_t>(c)]));
            else
                sqlite3_bind_double(insert, c + 2, *row[static_cast<std::size_t>(c)]);
        }
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    // total() read as the exact double its 17 digits give; sums() parsed from its own text.
    const auto expected = Rows(
        "select g,count(*),printf('%!.17g',total(a)),printf('%!.17g',total(b)),total(c) from t group by g order by g");
    const auto found = Rows("select g,sums(a,b,c) from t group by g order by g");
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t r = 0; r < found.size(); ++r) {
        const std::vector<double> sums = ParseColumnSums(found[r][1]);
        ASSERT_EQ(sums.size(), 4u) << found[r][1];
        for (std::size_t k = 0; k < 4; ++k) {
            double want = 0.0;
            const std::string& text = expected[r][k + 1];
            std::sscanf(text.c_str(), "%lf", &want);
            EXPECT_EQ(sums[k], want) << GetParam().name << " group " << found[r][0] << " column " << k << ": " << found[r][1];
        }
    }
}

constexpr double kBig = 1e16;
INSTANTIATE_TEST_SUITE_P(
    Groups, ColumnSumsTest,
    ::testing::Values(
        // 0.1 + 0.2 + 0.3 is not 0.6: a sum kept in more precision or rounded to 15 digits differs.
        SumsCase{"inexact", {{0.1, 0.7, 1}, {0.2, -0.35, 0}, {0.1, 1.1, 1}, {0.3, 2.2, 1}, {0.2, 3.3, 1}, {0.7, 1e-9, 0}}},
        // Order matters: 1e16 + 1 - 1e16 is 0 in doubles, 1 in a compensated or reordered sum.
        SumsCase{"cancelling", {{kBig, -kBig, 1}, {1.0, 1.0, 1}, {-kBig, kBig, 1}, {kBig, 3.0, 1}, {1.0, -kBig, 1}, {-kBig, kBig, 1}}},
        // Days without class figures: NULLs skipped; a column of NULLs sums to 0, not NULL.
        SumsCase{"nulls", {{std::nullopt, 5.5, std::nullopt}, {1.25, std::nullopt, 1}, {std::nullopt, std::nullopt, std::nullopt},
                           {std::nullopt, -2.5, std::nullopt}}},
        // Negative amounts and amounts of 17 significant digits.
        SumsCase{"negative", {{-123456.78901234567, -0.0, 0}, {-1e-7, 98765.432109876543, 1}, {-3.3333333333333335, 2.0, 1}}}),
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
