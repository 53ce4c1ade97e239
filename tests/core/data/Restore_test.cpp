// The backup is checked before it replaces the earlier one; a restore puts a checked copy back
// and keeps the file it replaces.
#include "core/data/Restore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/data/CDataFolder.h"
#include "core/data/DatabaseCheck.h"
#include "core/data/TestDatabase.h"

namespace moxtel {
namespace {

namespace fs = std::filesystem;
using test::TestDatabase;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A stored database of many pages holding the template "kept".
void StoreSomething(const TestDatabase& t) {
    t.Raw(
        "insert into queryconfig(flagdesc) values('kept');"
        "with recursive n(i) as (select 1 union all select i+1 from n where i<2000) "
        "insert into transun(masterid, price) select 'A20000101', i from n;");
}

// Overwrites one page in the middle: the file still opens and has its tables.
void DamageAPage(const std::string& file) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(fs::file_size(file) / 2 / 4096 * 4096));
    const std::string junk(4096, '\x5A');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

// The journal mode written in a database file's header: bytes 18 and 19 are 1 for a rollback
// journal and 2 for a write-ahead log. Read from the bytes, because opening the file through the
// database door would switch it to WAL.
int HeaderJournalVersion(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    char header[20] = {};
    in.read(header, sizeof header);
    return header[18] == header[19] ? header[18] : -1;
}

std::size_t FilesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

struct Damage {
    const char* name;
    std::function<void(const std::string& file)> make;
};

class BackupOfADamagedDatabase : public ::testing::TestWithParam<Damage> {};

// A damaged database never pushes out the earlier, sound backup.
TEST_P(BackupOfADamagedDatabase, IsRefusedAndTheEarlierBackupStays) {
    TestDatabase t;
    StoreSomething(t);
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const std::string backup = BackupFileOf(t.File());
    const std::string earlier = Bytes(backup);

    GetParam().make(t.File());
    const Status done = BackupDatabase(t.store);
    ASSERT_FALSE(done.ok());
    EXPECT_EQ(done.error().message, kMsgBackupFailed);
    EXPECT_NE(done.error().detail.find("损坏"), std::string::npos) << done.error().detail;
    EXPECT_NE(done.error().detail.find("原有备份保持不变"), std::string::npos) << done.error().detail;
    EXPECT_EQ(Bytes(backup), earlier);
    EXPECT_EQ(FilesIn(fs::path(backup).parent_path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BackupOfADamagedDatabase,
    ::testing::Values(
        Damage{"PageOverwritten", DamageAPage},
        Damage{"TableMissing", [](const std::string& file) { TestDatabase::RawOn(file, "drop table transout"); }},
        Damage{"Truncated", [](const std::string& file) { fs::resize_file(file, fs::file_size(file) / 3); }}),
    [](const ::testing::TestParamInfo<Damage>& tested) { return std::string(tested.param.name); });

TEST(RestoreName, DamagedFileIsKeptUnderTheDateAndTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(DamagedNameFor("/d/moxtel.db", 1796653800), "/d/moxtel.db.damaged-20261207-143000");
    EXPECT_EQ(DamagedNameFor("x.db", 0), "x.db.damaged-19700101-000000");
    if (old != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

// Damage, restore, and the damaged file with its journal kept aside untouched; a second restore
// in the same second keeps the first one's file too.
TEST(Restore, PutsTheCheckedBackupBackAndKeepsTheDamagedFile) {
    TestDatabase t;
    StoreSomething(t);
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    DamageAPage(t.File());
    std::ofstream(t.File() + "-journal") << "left by a killed program";
    const std::string damaged = Bytes(t.File());

    const auto restored = RestoreDatabase(BackupFileOf(t.File()), t.File());
    ASSERT_TRUE(restored.ok()) << restored.error().message;
    EXPECT_EQ(restored->keptAs.rfind(t.File() + ".damaged-", 0), 0u) << restored->keptAs;
    EXPECT_EQ(Bytes(restored->keptAs), damaged);
    EXPECT_EQ(Bytes(restored->keptAs + "-journal"), "left by a killed program");
    EXPECT_FALSE(fs::exists(t.File() + "-journal"));
    EXPECT_TRUE(VerifyDatabaseFile(t.File(), true).ok());
    EXPECT_EQ(t.Scalar("select flagdesc from queryconfig"), "kept");
    EXPECT_EQ(t.Count("transun"), 2000);

    const auto again = RestoreDatabase(BackupFileOf(t.File()), t.File());
    ASSERT_TRUE(again.ok());
    EXPECT_NE(again->keptAs, restored->keptAs);
    EXPECT_TRUE(fs::exists(restored->keptAs));
    EXPECT_TRUE(fs::exists(again->keptAs));
    EXPECT_TRUE(t.messages.empty());
}

// A database in WAL mode: the backup and the restored copy are single files in rollback-journal
// mode, and no temporary file or its -wal/-shm is left behind.
TEST(Restore, DatabaseInWalModeLeavesNoCompanionFilesBehind) {
    TestDatabase t;
    StoreSomething(t);
    t.Raw("PRAGMA journal_mode=WAL");
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const std::string backup = BackupFileOf(t.File());
    EXPECT_EQ(FilesIn(fs::path(backup).parent_path()), 1u);
    EXPECT_EQ(HeaderJournalVersion(backup), 1);

    const auto restored = RestoreDatabase(backup, t.File());
    ASSERT_TRUE(restored.ok()) << restored.error().message;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(t.File()).parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name != "BACKUP" && name.rfind("moxtel.db.damaged-", 0) != 0) names.push_back(name);
    }
    EXPECT_EQ(names, std::vector<std::string>{"moxtel.db"});
    EXPECT_EQ(FilesIn(fs::path(backup).parent_path()), 1u);
    EXPECT_EQ(t.Count("transun"), 2000);
}

TEST(Restore, MissingDatabaseIsRestoredWithNothingKept) {
    TestDatabase t;
    StoreSomething(t);
    const std::string elsewhere = t.Folder() + "/copy.db";
    fs::copy_file(t.File(), elsewhere);
    fs::remove(t.File());
    const auto restored = RestoreDatabase(elsewhere, t.File());
    ASSERT_TRUE(restored.ok());
    EXPECT_EQ(restored->keptAs, "");
    EXPECT_EQ(t.Scalar("select flagdesc from queryconfig"), "kept");
}

// A backup that is damaged, missing, foreign or the database itself is refused; nothing moves.
TEST(Restore, RefusesAnUnusableBackupAndChangesNothing) {
    TestDatabase t;
    StoreSomething(t);
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const std::string backup = BackupFileOf(t.File());
    DamageAPage(backup);
    const std::string notes = t.Folder() + "/notes.txt";
    std::ofstream(notes) << std::string(3000, 'n');
    const std::string before = Bytes(t.File());
    for (const std::string& source : {backup, t.Folder() + "/absent.db", notes, t.File()}) {
        SCOPED_TRACE(source);
        const auto restored = RestoreDatabase(source, t.File());
        ASSERT_FALSE(restored.ok());
        EXPECT_NE(restored.error().message.find(source), std::string::npos) << restored.error().message;
        EXPECT_EQ(Bytes(t.File()), before);
        EXPECT_EQ(FilesIn(fs::path(t.File()).parent_path()), 2u);  // the database and BACKUP
    }
}


// Makes a database file by hand with SQL (an empty text makes an empty file).
void MakeFile(const std::string& file, const std::string& sql) {
    std::ofstream{file, std::ios::binary | std::ios::trunc};
    if (sql.empty()) return;
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Sources that are sound SQLite files but not a whole database of this program: the restore
// checks that all seven tables are there, so none of them replaces a healthy database.
TEST(Restore, RefusesASourceThatLacksTheProgramsTables) {
    struct Case {
        const char* name;
        const char* sql;
        const char* reason;
    };
    for (const Case& c : {Case{"empty file", "", "没有任何表"},
                          Case{"no tables", "create table t(a); drop table t", "没有任何表"},
                          Case{"foreign", "create table foo(a); insert into foo values(1)", "没有本程序的表"},
                          Case{"some of ours", "create table gpmaster(rowid, code)", "gpmaster"},
                          Case{"stamped, one table", "create table queryconfig(id integer primary key, flagdesc);"
                                                     "PRAGMA user_version=1", "gpmaster"}}) {
        SCOPED_TRACE(c.name);
        TestDatabase t;
        StoreSomething(t);
        const std::string source = t.Folder() + "/source.db";
        MakeFile(source, c.sql);
        const std::string before = Bytes(t.File());
        const auto restored = RestoreDatabase(source, t.File());
        ASSERT_FALSE(restored.ok());
        EXPECT_NE(restored.error().message.find("备份文件未通过检查"), std::string::npos) << restored.error().message;
        EXPECT_NE(restored.error().message.find(source), std::string::npos) << restored.error().message;
        EXPECT_NE((restored.error().message + restored.error().detail).find(c.reason), std::string::npos)
            << restored.error().message << "\n" << restored.error().detail;
        EXPECT_EQ(Bytes(t.File()), before);
        EXPECT_EQ(FilesIn(t.Folder() + "/db"), 1u);
        EXPECT_FALSE(VerifyDatabaseFile(source, true).ok());
    }
}

// The refusal says why in a few words: the backup's path and one reason, without the advice
// meant for a damaged database.
TEST(Restore, RefusalNamesTheSourceAndOneReason) {
    TestDatabase t;
    StoreSomething(t);
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const std::string damaged = t.Folder() + "/damaged.db";
    fs::copy_file(BackupFileOf(t.File()), damaged);
    DamageAPage(damaged);
    fs::create_directories(t.Folder() + "/folder.db");
    struct Case {
        std::string source;
        const char* reason;
    };
    for (const Case& c : {Case{t.Folder() + "/folder.db", "是一个文件夹"},
                          Case{t.Folder() + "/absent.db", "No such file or directory"},
                          Case{damaged, "database disk image is malformed"}}) {
        SCOPED_TRACE(c.source);
        const auto restored = RestoreDatabase(c.source, t.File());
        ASSERT_FALSE(restored.ok());
        EXPECT_EQ(restored.error().message, "备份文件未通过检查，不能用来恢复：\n" + c.source);
        EXPECT_NE(restored.error().detail.find(c.reason), std::string::npos) << restored.error().detail;
    }
}

}  // namespace
}  // namespace moxtel
