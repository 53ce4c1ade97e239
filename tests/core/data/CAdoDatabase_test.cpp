#include "core/data/CAdoDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/data/Schema.h"
#include "core/data/TestDatabase.h"
#include "support/FilePermissions.h"

namespace moxtel {
namespace {

using test::TestDatabase;

// Reads every row of the last query the way every reader of the program does.
std::vector<std::string> Column(CAdoDatabase& db, int column) {
    std::vector<std::string> values;
    if (db.IsEOF()) return values;
    db.MoveFirst();
    while (!db.IsEOF()) {
        values.push_back(db.GetFieldText(column));
        db.MoveNext();
    }
    return values;
}

void AddTemplateName(const TestDatabase& t, const std::string& name) {
    CAdoDatabase db(t.store);
    ASSERT_TRUE(db.Execute("insert into queryconfig(flagdesc) values(?)", {name}));
}

TEST(CAdoDatabaseReading, QueryWithoutRowsIsAtItsEndAtOnce) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    EXPECT_TRUE(db.OpenRecordset("select * from gpmaster"));
    EXPECT_TRUE(db.IsEOF());
    EXPECT_FALSE(db.MoveNext());
    EXPECT_EQ(db.GetFieldText(0), "");
    EXPECT_TRUE(t.messages.empty());
}

TEST(CAdoDatabaseReading, NullReadsAsEmptyTextAndTheKeyIsFilledByTheDatabase) {
    TestDatabase t;
    AddTemplateName(t, "大单");
    AddTemplateName(t, "小单");
    CAdoDatabase db(t.store);
    db.OpenRecordset("select * from queryconfig");
    ASSERT_FALSE(db.IsEOF());
    db.MoveFirst();
    EXPECT_EQ(db.GetFieldText(0), "1");
    EXPECT_EQ(db.GetFieldText(2), "");
    EXPECT_EQ(db.GetFieldText(kQueryconfigName), "大单");
    EXPECT_EQ(db.GetFieldText(12), "");  // past the last column
    EXPECT_EQ(db.GetFieldText(-1), "");
    db.MoveNext();
    EXPECT_EQ(db.GetFieldText(0), "2");
}

// Rows handed over one by one read as the kept rows do, and leave the kept rows of an earlier
// query alone; a failing query hands over nothing.
TEST(CAdoDatabaseReading, RowsVisitedOneByOneReadAsKeptRows) {
    TestDatabase t;
    AddTemplateName(t, "大单");
    AddTemplateName(t, "小单");
    CAdoDatabase db(t.store);
    db.OpenRecordset("select flagdesc from queryconfig where id=2");
    std::vector<std::vector<std::string>> rows;
    const std::string_view first = "1";
    ASSERT_TRUE(db.ForEachRow("select id,flagonecode,flagdesc from queryconfig where id>=cast(? as integer) order by id",
                              SqlTexts(&first, 1), [&](SqlTexts columns) {
                                  rows.emplace_back(columns.begin(), columns.end());
                              }));
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"1", "", "大单"}, {"2", "", "小单"}}));
    EXPECT_EQ(Column(db, 0), std::vector<std::string>{"小单"});
    int visited = 0;
    EXPECT_FALSE(db.ForEachRow("select nothing from nowhere", {}, [&](SqlTexts) { ++visited; }));
    EXPECT_EQ(visited, 0);
    EXPECT_EQ(t.messages.size(), 1u);
}

TEST(CAdoDatabaseReading, SqlIsTrimmedOfBlanksAndLineBreaks) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    EXPECT_TRUE(db.Execute(" \r\n\tinsert into queryconfig(flagdesc) values(?) \r\n ", {"a"}));
    EXPECT_TRUE(db.OpenRecordset("\n  select flagdesc from queryconfig\t\r\n"));
    EXPECT_EQ(Column(db, 0), std::vector<std::string>{"a"});
    EXPECT_TRUE(t.messages.empty());
}

TEST(CAdoDatabaseReading, SecondQueryReplacesTheRowsAndMoveNextStopsAtTheEnd) {
    TestDatabase t;
    for (const char* name : {"a", "b", "c"}) AddTemplateName(t, name);
    CAdoDatabase db(t.store);
    db.OpenRecordset("select flagdesc from queryconfig order by flagdesc");
    EXPECT_EQ(Column(db, 0), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(db.IsEOF());
    EXPECT_FALSE(db.MoveNext());
    EXPECT_TRUE(db.IsEOF());

    db.OpenRecordset("select flagdesc from queryconfig where flagdesc=?", {"b"});
    EXPECT_EQ(Column(db, 0), std::vector<std::string>{"b"});
}

TEST(CAdoDatabaseReading, TextsReadBackExactlyAsWritten) {
    TestDatabase t;
    // Numbers-looking texts must not be turned into numbers by the column type.
    for (const char* text : {"010.50", "1e3", " ", "26.30", "-0", "ABC(600000)"}) {
        CAdoDatabase db(t.store);
        db.Execute("delete from gpmaster");
        db.Execute("insert into gpmaster(rowid,priceend) values(?,?)", {"k", text});
        db.OpenRecordset("select priceend from gpmaster where rowid=?", {"k"});
        EXPECT_EQ(Column(db, 0), std::vector<std::string>{text});
    }
}

TEST(CAdoDatabaseValues, QuotesAndSqlLookingTextsAreStoredAndFoundLikeAnyOther) {
    TestDatabase t;
    for (const char* name : {"O'Brien", "x' or '1'='1", "a'); drop table queryconfig; --", "'"}) {
        AddTemplateName(t, name);
        CAdoDatabase db(t.store);
        db.OpenRecordset("select flagdesc from queryconfig where flagdesc=?", {name});
        EXPECT_EQ(Column(db, 0), std::vector<std::string>{name});
    }
    EXPECT_EQ(t.Count("queryconfig"), 4);
    EXPECT_TRUE(t.messages.empty());
}

TEST(CAdoDatabaseValues, ParameterCountMismatchFails) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.Execute("insert into queryconfig(flagdesc) values(?)"));
    EXPECT_FALSE(db.Execute("insert into queryconfig(flagdesc) values(?)", {"a", "b"}));
    EXPECT_EQ(t.messages.size(), 2u);
    db.Close();
    EXPECT_EQ(t.Count("queryconfig"), 0);  // a call with the wrong values changes nothing
}

TEST(CAdoDatabaseFailures, FailedQueryIsReportedAndReadsAsNoRows) {
    TestDatabase t;
    AddTemplateName(t, "a");
    CAdoDatabase db(t.store);
    db.OpenRecordset("select flagdesc from queryconfig");
    ASSERT_FALSE(db.IsEOF());
    EXPECT_FALSE(db.OpenRecordset("select * from nosuchtable"));
    EXPECT_TRUE(db.IsEOF());
    EXPECT_EQ(db.GetFieldText(0), "");
    EXPECT_FALSE(db.MoveNext());
    EXPECT_FALSE(db.MoveFirst());
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_EQ(t.messages[0], "no such table: nosuchtable");

    EXPECT_FALSE(db.Execute("insert into nosuchtable values(1)"));
    EXPECT_EQ(t.messages.size(), 2u);
}

TEST(CAdoDatabaseFailures, ClosedObjectDoesNotReconnect) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    EXPECT_TRUE(db.Execute("insert into queryconfig(flagdesc) values(?)", {"a"}));
    db.Close();
    EXPECT_FALSE(db.OpenRecordset("select * from queryconfig"));
    EXPECT_TRUE(db.IsEOF());
    EXPECT_EQ(t.messages.size(), 1u);
    db.Close();  // harmless twice
}

TEST(CAdoDatabaseValues, TextViewsBindExactlyTheirBytes) {
    TestDatabase t;
    const std::string longer = "10.25 and more";
    const std::string withNul("a\0b", 3);
    struct Case {
        const char* name;
        std::string_view value;
    };
    const Case cases[] = {
        {"empty view stays an empty text, not NULL", std::string_view()},
        {"view into a longer text without a terminator", std::string_view(longer).substr(0, 5)},
        {"zero byte inside", withNul},
        {"multi-byte characters", "未知"},
    };
    CAdoDatabase db(t.store);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string_view values[] = {c.value, c.name};
        ASSERT_TRUE(db.ExecuteTexts("insert into queryconfig(flagdesc,flagonecode) values(?,?)", values));
        ASSERT_TRUE(db.OpenRecordset("select flagdesc,typeof(flagdesc) from queryconfig where flagonecode=?", {c.name}));
        EXPECT_EQ(db.GetFieldText(0), std::string(c.value));
        EXPECT_EQ(db.GetFieldText(1), "text");
    }
    // Too few or too many values fail and insert nothing.
    const std::string_view three[] = {"a", "b", "c"};
    EXPECT_FALSE(db.ExecuteTexts("insert into queryconfig(flagdesc) values(?)", SqlTexts(three).first(0)));
    EXPECT_FALSE(db.ExecuteTexts("insert into queryconfig(flagdesc,flagonecode) values(?,?)", three));
    EXPECT_EQ(t.messages.size(), 2u);
    db.Close();
    EXPECT_EQ(t.Count("queryconfig"), 4);
}

TEST(CAdoDatabaseFile, NewOrEmptyFileIsMadeInWalModeWithItsTables) {
    for (const bool emptyFileExists : {false, true}) {
        SCOPED_TRACE(emptyFileExists ? "empty file" : "no file");
        TestDatabase t;
        if (emptyFileExists) {
            std::filesystem::create_directories(t.Folder() + "/db");
            std::ofstream(t.File()).close();
        }
        t.Touch();
        EXPECT_EQ(t.Scalar("PRAGMA journal_mode"), "wal");
        EXPECT_EQ(t.Scalar("PRAGMA user_version"), "3");
        EXPECT_EQ(t.Scalar("select count(*) from sqlite_master where type='table'"),
                  "10");  // the seven, dayflow, dayclass and dayinferred
        // The last connection closed: the log is written back and the file stands alone.
        EXPECT_FALSE(std::filesystem::exists(t.File() + "-wal"));
        EXPECT_TRUE(t.messages.empty());
    }
}

TEST(CAdoDatabaseFile, MissingDatabaseIsCreatedWithItsFolderAndTables) {
    TestDatabase t;
    const std::string file = t.Folder() + "/new/deeper/moxtel.db";
    t.store.SetDatabaseFile(file);
    EXPECT_EQ(t.store.DatabaseFile(), file);
    EXPECT_EQ(t.Count("gpmaster"), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_EQ(t.Scalar("PRAGMA user_version"), "3");
    EXPECT_EQ(t.Scalar("select count(*) from sqlite_master where type='table' and name in "
                       "('gpmaster','transin','transout','transinun','transoutun','transun','queryconfig')"),
              "7");
    EXPECT_TRUE(t.messages.empty());
}

TEST(CAdoDatabaseFile, ColumnOrderOfTheTablesReadByPosition) {
    TestDatabase t;
    CAdoDatabase db(t.store);
    db.Execute(
        "insert into gpmaster(code,yesid,datet,transchange,rowid,pricebeg,priceend,transindr,transoutdr,"
        "transinundr,transoutundr) values('c','y','d','t','r','b','e','i','o','iu','ou')");
    db.OpenRecordset("select * from gpmaster where rowid=?", {"r"});
    ASSERT_FALSE(db.IsEOF());
    EXPECT_EQ(db.GetFieldText(kGpmasterRowId), "r");
    EXPECT_EQ(db.GetFieldText(kGpmasterPriceEnd), "e");
    EXPECT_EQ(db.GetFieldText(kGpmasterYesId), "y");
    EXPECT_EQ(t.Rows("select * from gpmaster").at(0).size(), 11u);

    db.Execute(
        "insert into queryconfig(flagonecode,flagonevalue,flagtwocode,flagtwovalue,flagthreecode,flagthreevalue,"
        "flagfourcode,flagfourvalue,flagfivecode,flagfivevalue,flagdesc) values('c1','v1','c2','v2','c3','v3','c4',"
        "'v4','c5','v5','n')");
    db.OpenRecordset("select * from queryconfig");
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(db.GetFieldText(QueryconfigCodeColumn(n)), "c" + std::to_string(n));
        EXPECT_EQ(db.GetFieldText(QueryconfigValueColumn(n)), "v" + std::to_string(n));
    }
    EXPECT_EQ(db.GetFieldText(kQueryconfigName), "n");
}

TEST(CAdoDatabaseFile, ExistingDatabaseKeepsItsDataAndGainsOnlyTheMissingTables) {
    TestDatabase t;
    const std::string file = t.Folder() + "/older.db";
    sqlite3* raw = nullptr;
    sqlite3_open(file.c_str(), &raw);
    sqlite3_exec(raw,
                 "create table gpmaster(rowid TEXT, code TEXT, datet TEXT, transchange TEXT, transindr TEXT, "
                 "pricebeg TEXT, priceend TEXT, transoutdr TEXT, yesid TEXT, transinundr TEXT, transoutundr TEXT);"
                 "insert into gpmaster(rowid) values('kept'); create table extra(x); insert into extra values(1);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(raw);

    t.store.SetDatabaseFile(file);
    EXPECT_EQ(t.Scalar("select rowid from gpmaster"), "kept");
    EXPECT_EQ(t.Count("extra"), 1);
    EXPECT_EQ(t.Count("transun"), 0);
    EXPECT_EQ(t.Scalar("PRAGMA user_version"), "3");
    EXPECT_TRUE(t.messages.empty());
}

TEST(CAdoDatabaseFile, ForeignFileIsRefusedAndLeftAlone) {
    TestDatabase t;
    const std::string file = t.Folder() + "/notes.db";
    const std::string content = "this is not a database, but somebody's notes\n" + std::string(2000, 'x');
    std::ofstream(file) << content;
    t.store.SetDatabaseFile(file);
    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.Execute("insert into queryconfig(flagdesc) values('a')"));
    ASSERT_EQ(t.messages.size(), 1u);
    // Named with its path, SQLite's reason and what to do next.
    EXPECT_NE(t.messages[0].find(file), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find("file is not a database"), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find("moxtel-flow restore"), std::string::npos) << t.messages[0];
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content);
}

TEST(CAdoDatabaseFile, ReadOnlyModeNeverCreatesOrWrites) {
    TestDatabase t;
    t.store.SetDatabaseFile(t.Folder() + "/absent.db");
    {
        CAdoDatabase db(t.store, CAdoDatabase::OpenMode::ReadOnly);
        EXPECT_FALSE(db.OpenRecordset("select * from gpmaster"));
        EXPECT_TRUE(db.IsEOF());
    }
    EXPECT_FALSE(std::filesystem::exists(t.Folder() + "/absent.db"));
    EXPECT_EQ(t.messages.size(), 1u);

    t.store.SetDatabaseFile(t.File());
    t.Touch();
    CAdoDatabase db(t.store, CAdoDatabase::OpenMode::ReadOnly);
    EXPECT_TRUE(db.OpenRecordset("select * from gpmaster"));
    EXPECT_FALSE(db.Execute("insert into gpmaster(rowid) values('x')"));
    EXPECT_EQ(t.messages.back(), "attempt to write a readonly database");
}

TEST(CAdoDatabaseFile, ReadOnlyFileIsReported) {
    const test::FilePermissionsApply permissions;  // root too meets the file's mode
    if (!permissions.Hold()) GTEST_SKIP() << "root's capabilities could not be lowered";
    TestDatabase t;
    t.Touch();
    chmod(t.File().c_str(), 0444);
    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.Execute("insert into gpmaster(rowid) values('x')"));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find("没有写权限"), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find(t.File()), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find("（attempt to write a readonly database）"), std::string::npos) << t.messages[0];
}

// Also as root: a database whose folder cannot exist (a file stands in its way) is reported, not hidden,
// every statement fails cleanly, and reading goes on as no rows.
TEST(CAdoDatabaseFile, DatabaseThatCannotBeCreatedIsReported) {
    TestDatabase t;
    std::ofstream(t.Folder() + "/blocker") << "not a folder";
    t.store.SetDatabaseFile(t.Folder() + "/blocker/moxtel.db");
    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.Execute("insert into gpmaster(rowid) values('x')"));
    EXPECT_FALSE(db.OpenRecordset("select * from gpmaster"));
    EXPECT_TRUE(db.IsEOF());
    EXPECT_EQ(db.GetFieldText(0), "");
    ASSERT_EQ(t.messages.size(), 2u);
    EXPECT_EQ(t.messages[0].rfind("无法打开数据库文件：\n" + t.Folder() + "/blocker/moxtel.db\n（unable to open database file）", 0),
              0u)
        << t.messages[0];
}

TEST(CAdoDatabaseFile, LockedDatabaseIsReportedAfterABriefWait) {
    TestDatabase t;
    t.Touch();
    sqlite3* other = nullptr;
    sqlite3_open(t.File().c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    const auto start = std::chrono::steady_clock::now();
    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.Execute("insert into queryconfig(flagdesc) values('a')"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs / 2));
    EXPECT_LT(waited, std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs * 5));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find("正被另一个程序"), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find(t.File()), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find("database is locked"), std::string::npos) << t.messages[0];

    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    CAdoDatabase again(t.store);
    EXPECT_TRUE(again.Execute("insert into queryconfig(flagdesc) values('a')"));
}

TEST(CAdoDatabaseTransactions, RollbackCloseAndDestructionUndoCommitKeeps) {
    TestDatabase t;
    {
        CAdoDatabase db(t.store);
        ASSERT_TRUE(db.BeginTransaction());
        EXPECT_TRUE(db.InTransaction());
        db.Execute("insert into queryconfig(flagdesc) values('rolled back')");
        db.Rollback();
        EXPECT_FALSE(db.InTransaction());
        db.Rollback();  // nothing open: harmless
    }
    {
        CAdoDatabase db(t.store);
        db.BeginTransaction();
        db.Execute("insert into queryconfig(flagdesc) values('destroyed')");
    }
    {
        CAdoDatabase db(t.store);
        db.BeginTransaction();
        db.Execute("insert into queryconfig(flagdesc) values('closed')");
        db.Close();
    }
    {
        CAdoDatabase db(t.store);
        db.BeginTransaction();
        db.Execute("insert into queryconfig(flagdesc) values('committed')");
        EXPECT_TRUE(db.Commit());
    }
    EXPECT_EQ(t.Rows("select flagdesc from queryconfig"), (std::vector<std::vector<std::string>>{{"committed"}}));
    EXPECT_TRUE(t.messages.empty());
}

}  // namespace
}  // namespace moxtel
