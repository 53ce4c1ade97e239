// Damaged database files: refused with a message naming the file and what to do, never changed.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/data/CAdoDatabase.h"
#include "core/data/CDataFolder.h"
#include "core/data/DatabaseCheck.h"
#include "core/data/DatabaseMessages.h"
#include "core/data/TestDatabase.h"

namespace moxtel {
namespace {

using test::TestDatabase;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Exec(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

// A database of this program holding enough rows to span many pages.
void MakeStoredDatabase(const std::string& file) {
    const StoreContext store(file);
    CAdoDatabase(store).Execute("select 1");
    Exec(file,
         "with recursive n(i) as (select 1 union all select i+1 from n where i<2000) "
         "insert into transun(masterid, price, datet) select 'A20000101', i, printf('%08d', i) from n;"
         "insert into gpmaster(rowid, code, datet) values('A20000101', 'A', '20000101');");
}

void Truncate(const std::string& file, std::uintmax_t size) { std::filesystem::resize_file(file, size); }

struct Damage {
    const char* name;
    std::function<void(const std::string& file)> make;
};

class DamagedDatabase : public ::testing::TestWithParam<Damage> {};

// Each damage is met by the first statement: refused with one message that names the file and
// the remedy, the file's bytes unchanged, and the start-up inspection calls it damaged.
TEST_P(DamagedDatabase, IsRefusedNamedAndLeftAsItIs) {
    TestDatabase t;
    GetParam().make(t.File());
    const std::string before = Bytes(t.File());
    for (const auto mode : {CAdoDatabase::OpenMode::ReadWrite, CAdoDatabase::OpenMode::ReadOnly}) {
        t.messages.clear();
        CAdoDatabase db(t.store, mode);
        EXPECT_FALSE(db.OpenRecordset("select * from gpmaster"));
        EXPECT_TRUE(db.IsEOF());
        ASSERT_EQ(t.messages.size(), 1u);
        EXPECT_NE(t.messages[0].find("数据库文件已损坏"), std::string::npos) << t.messages[0];
        EXPECT_NE(t.messages[0].find(t.File()), std::string::npos) << t.messages[0];
        EXPECT_NE(t.messages[0].find("moxtel-flow restore"), std::string::npos) << t.messages[0];
    }
    CAdoDatabase writer(t.store);
    EXPECT_FALSE(writer.Execute("insert into queryconfig(flagdesc) values('x')"));
    EXPECT_EQ(Bytes(t.File()), before);
    EXPECT_FALSE(std::filesystem::exists(t.File() + "-journal"));
    EXPECT_EQ(InspectDatabaseFile(t.File()).state, DatabaseState::Damaged);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedDatabase,
    ::testing::Values(Damage{"NotADatabase",
                             [](const std::string& file) {
                                 std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                                 std::ofstream(file) << "somebody's notes\n" << std::string(5000, 'x');
                             }},
                      Damage{"TruncatedToHalf",
                             [](const std::string& file) {
                                 MakeStoredDatabase(file);
                                 Truncate(file, std::filesystem::file_size(file) / 2);
                             }},
                      Damage{"TruncatedInsideTheFirstPage",
                             [](const std::string& file) {
                                 MakeStoredDatabase(file);
                                 Truncate(file, 1000);
                             }},
                      Damage{"TableMissing",
                             [](const std::string& file) {
                                 MakeStoredDatabase(file);
                                 Exec(file, "drop table transinun");
                             }},
                      Damage{"TableOfAnotherShape",
                             [](const std::string& file) {
                                 MakeStoredDatabase(file);
                                 Exec(file, "drop table gpmaster; create table gpmaster(rowid, code, yesid, datet)");
                             }},
                      Damage{"ForeignDatabase",
                             [](const std::string& file) {
                                 std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                                 Exec(file, "create table foo(a, b); insert into foo values(1, 2)");
                             }},
                      Damage{"UnstampedWithATableOfAnotherShape",
                             [](const std::string& file) {
                                 std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                                 Exec(file, "create table queryconfig(id integer primary key, flagdesc text)");
                             }}),
    [](const ::testing::TestParamInfo<Damage>& tested) { return std::string(tested.param.name); });

// The refusal names the columns the table should have, in their defined order: the whole list the
// check compares with, for the table with the most columns and for the one whose key is named.
TEST(DamagedDatabaseAtOpen, TableOfAnotherShapeNamesTheDefinedColumns) {
    struct Case {
        const char* table;
        const char* defined;
    };
    for (const Case& c :
         {Case{"transin", "rowid,one,two,three,four,five,six,seven,eight,nine,ten,more,onep,twop,threep,fourp,"
                          "fivep,sixp,sevenp,eightp,ninep,tenp,morep,masterid"},
          Case{"transun", "pricebefor,priceend,transbef,transend,flagbef,flagend,masterid,gpcode,transunknow,price,"
                          "datet"},
          Case{"queryconfig", "id,flagonecode,flagonevalue,flagtwocode,flagtwovalue,flagthreecode,flagthreevalue,"
                              "flagfourcode,flagfourvalue,flagfivecode,flagfivevalue,flagdesc"}}) {
        TestDatabase t;
        t.Touch();
        Exec(t.File(), std::string("drop table ") + c.table + "; create table " + c.table + "(a, b)");
        CAdoDatabase db(t.store);
        EXPECT_FALSE(db.OpenRecordset("select 1"));
        ASSERT_EQ(t.messages.size(), 1u) << c.table;
        EXPECT_NE(t.messages[0].find(std::string("应为 ") + c.defined), std::string::npos) << t.messages[0];
    }
}

// A stamped file whose tables read as written is opened from one look at their texts: a table
// changed in place (a column added, renamed or dropped) must still be refused, and a key column
// of queryconfig under another name, or a table re-created with the same columns, still accepted.
TEST(DamagedDatabaseAtOpen, TablesChangedInPlaceAreRefusedAndRespelledOnesAccepted) {
    struct Case {
        const char* change;
        bool refused;
    };
    for (const Case& c : {Case{"alter table transun add column extra TEXT", true},
                          Case{"alter table gpmaster rename column yesid to yes", true},
                          Case{"alter table transin drop column morep", true},
                          Case{"drop table queryconfig; create table queryconfig(key INTEGER PRIMARY KEY, flagonecode, "
                               "flagonevalue, flagtwocode, flagtwovalue, flagthreecode, flagthreevalue, flagfourcode, "
                               "flagfourvalue, flagfivecode, flagfivevalue, flagdesc)",
                               false},
                          Case{"drop table transun; create table transun(pricebefor, priceend, transbef, transend, "
                               "flagbef, flagend, masterid, gpcode, transunknow, price, datet)",
                               false}}) {
        TestDatabase t;
        t.Touch();
        Exec(t.File(), c.change);
        CAdoDatabase db(t.store);
        EXPECT_EQ(db.OpenRecordset("select 1"), !c.refused) << c.change;
        EXPECT_EQ(t.messages.size(), c.refused ? 1u : 0u) << c.change;
    }
}

TEST(DamagedDatabaseAtOpen, MissingFileIsCreatedAndAnEmptyFileTakenAsNew) {
    TestDatabase t;
    EXPECT_EQ(InspectDatabaseFile(t.File()).state, DatabaseState::Missing);
    t.Touch();
    EXPECT_EQ(InspectDatabaseFile(t.File()).state, DatabaseState::Good);
    // An empty file is what SQLite itself leaves when a program meets a new file and another
    // one is still creating the tables: it is a new database, not a damaged one.
    std::filesystem::resize_file(t.File(), 0);
    EXPECT_EQ(InspectDatabaseFile(t.File()).state, DatabaseState::Good);
    EXPECT_EQ(t.Count("gpmaster"), 0);
    EXPECT_TRUE(t.messages.empty());
}

// Unstamped files that still open as before and gain the missing tables and the stamp: one with
// no tables (a new file) and one that holds any of the program's tables, whatever else it holds.
TEST(DamagedDatabaseAtOpen, UnstampedFileWithoutTablesOrWithOneOfOursGainsTheRest) {
    struct Case {
        const char* name;
        const char* sql;
    };
    for (const Case& c : {Case{"no tables", "create table t(a); drop table t"},
                          Case{"ours and another", "create table queryconfig(id integer primary key, flagonecode,"
                                                   " flagonevalue, flagtwocode, flagtwovalue, flagthreecode,"
                                                   " flagthreevalue, flagfourcode, flagfourvalue, flagfivecode,"
                                                   " flagfivevalue, flagdesc); create table notes(a)"}}) {
        SCOPED_TRACE(c.name);
        TestDatabase t;
        std::filesystem::create_directories(std::filesystem::path(t.File()).parent_path());
        Exec(t.File(), c.sql);
        EXPECT_EQ(InspectDatabaseFile(t.File()).state, DatabaseState::Good);
        EXPECT_EQ(t.Count("gpmaster"), 0);
        EXPECT_EQ(t.Scalar("PRAGMA user_version"), "3");
        EXPECT_TRUE(t.messages.empty());
    }
}

// The foreign file is named as not this program's database, with the tables it holds.
TEST(DamagedDatabaseAtOpen, ForeignDatabaseNamesItsTables) {
    TestDatabase t;
    std::filesystem::create_directories(std::filesystem::path(t.File()).parent_path());
    Exec(t.File(), "create table foo(a); create table bar(b); PRAGMA user_version=7");
    const std::string before = Bytes(t.File());
    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.Execute("insert into queryconfig(flagdesc) values('x')"));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find("不是本程序的数据库"), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find("bar, foo"), std::string::npos) << t.messages[0];
    EXPECT_EQ(Bytes(t.File()), before);
}

// Each class of failure names the file and what to do; the restore advice names the database
// when it is not the default one, as a shell word.
TEST(DatabaseMessages, ClassesNameTheFileAndTheRestoreCommandNamesTheDatabase) {
    struct Case {
        int code;
        int systemErrno;
        const char* path;
        const char* words;
    };
    const std::string home = DefaultDatabaseFile();
    for (const Case& c : {Case{SQLITE_NOTADB, 0, "/d/m.db", "\"moxtel-flow restore --db /d/m.db\""},
                          Case{SQLITE_CORRUPT, 0, "/d/my data/m.db", "\"moxtel-flow restore --db '/d/my data/m.db'\""},
                          Case{SQLITE_CORRUPT, 0, "/d/it's.db", "--db '/d/it'\\''s.db'\""},
                          Case{SQLITE_CORRUPT, 0, home.c_str(), "\"moxtel-flow restore\""},
                          Case{SQLITE_READONLY, 0, "/d/m.db", "没有写权限"},
                          Case{SQLITE_READONLY_DBMOVED, 0, "/d/m.db", "没有写权限"},
                          Case{SQLITE_PERM, 0, "/d/m.db", "没有写权限"},
                          Case{SQLITE_CANTOPEN, 0, "/d/m.db", "无法打开数据库文件"},
                          Case{SQLITE_CANTOPEN_ISDIR, 0, "/d/m.db", "而不是文件夹"},
                          Case{SQLITE_IOERR_SHMSIZE, ENOSPC, "/d/m.db", "磁盘已满"},
                          Case{SQLITE_IOERR_FSYNC, EIO, "/d/m.db", "I/O 错误"}}) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.path);
        const std::string text = DescribeDatabaseFailure(c.code, "reason", c.path, c.systemErrno);
        EXPECT_NE(text.find(c.words), std::string::npos) << text;
        EXPECT_NE(text.find(std::string(c.path) + "\n（reason）"), std::string::npos) << text;
    }
}

// A page in the middle is overwritten: the cheap check at every open cannot see it, the first
// statement that reads the page reports it as damage, and the thorough check finds it.
TEST(DamagedDatabaseAtOpen, DamagedPageIsReportedWhenReadAndByTheThoroughCheck) {
    TestDatabase t;
    MakeStoredDatabase(t.File());
    // The root page of transun: every read of the table meets it.
    const int root = std::stoi(t.Scalar("select rootpage from sqlite_master where name='transun'"));
    ASSERT_EQ(t.Scalar("PRAGMA page_size"), "4096");
    {
        std::fstream f(t.File(), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(root - 1) * 4096);
        const std::string junk(4096, '\xA5');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    EXPECT_EQ(InspectDatabaseFile(t.File()).state, DatabaseState::Good);
    EXPECT_TRUE(VerifyDatabaseFile(t.File(), false).ok());
    const Status thorough = VerifyDatabaseFile(t.File(), true);
    ASSERT_FALSE(thorough.ok());
    EXPECT_NE(thorough.error().message.find("数据库文件已损坏"), std::string::npos);

    CAdoDatabase db(t.store);
    EXPECT_FALSE(db.OpenRecordset("select count(*), sum(price) from transun"));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find(t.File()), std::string::npos) << t.messages[0];
}

}  // namespace
}  // namespace moxtel
