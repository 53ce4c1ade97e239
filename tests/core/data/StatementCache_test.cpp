// The database door keeps single statements prepared: the same text must keep giving the right
// rows with new values, after a failure, and across transactions; the file is in WAL mode.
#include <gtest/gtest.h>

#include "core/data/CAdoDatabase.h"
#include "core/data/TestDatabase.h"

namespace moxtel {
namespace {

using test::TestDatabase;

TEST(StatementCache, RepeatedTextsBindTheirNewValuesEveryTime) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    for (const char* id : {"a", "b", "c"}) ASSERT_TRUE(db.Execute("insert into gpmaster(rowid,code) values(?,?)", {id, std::string(id) + "!"}));
    for (const char* id : {"c", "a", "b", "x"}) {
        ASSERT_TRUE(db.OpenRecordset("select code from gpmaster where rowid=?", {id}));
        EXPECT_EQ(db.IsEOF() ? std::string("none") : db.GetFieldText(0), std::string(id) == "x" ? "none" : std::string(id) + "!");
    }
    // A statement with too few values fails, and the same text works again afterwards.
    EXPECT_FALSE(db.OpenRecordset("select code from gpmaster where rowid=?", {}));
    ASSERT_TRUE(db.OpenRecordset("select code from gpmaster where rowid=?", {"b"}));
    EXPECT_EQ(db.GetFieldText(0), "b!");
    EXPECT_EQ(t.messages.size(), 1u);
}

TEST(StatementCache, MoreTextsThanKeptStillRunAndTransactionsEndCleanly) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    ASSERT_TRUE(db.BeginTransaction());
    for (int i = 0; i < 40; ++i) {
        const std::string sql = "insert into gpmaster(rowid,code) values(?, '" + std::to_string(i) + "')";
        ASSERT_TRUE(db.Execute(sql, {"r" + std::to_string(i)}));
        ASSERT_TRUE(db.Execute(sql, {"s" + std::to_string(i)}));
    }
    db.Rollback();  // a kept statement must not hold the transaction open
    EXPECT_FALSE(db.InTransaction());
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.Execute("insert into gpmaster(rowid,code) values(?, '0')", {"kept"}));
    ASSERT_TRUE(db.Commit());
    db.Close();
    EXPECT_EQ(t.Scalar("select group_concat(rowid) from gpmaster"), "kept");
    EXPECT_EQ(t.Scalar("PRAGMA journal_mode"), "wal");
    EXPECT_TRUE(t.messages.empty());
}

}  // namespace
}  // namespace moxtel
