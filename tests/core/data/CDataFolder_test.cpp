#include "core/data/CDataFolder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "core/data/TestDatabase.h"

namespace moxtel {
namespace {

namespace fs = std::filesystem;
using test::TestDatabase;

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(DataPaths, ProgramFolderIsTheTextBeforeTheLastSlash) {
    EXPECT_EQ(ProgramFolderOf("/usr/lib/moxtel/moxtel"), "/usr/lib/moxtel");
    EXPECT_EQ(ProgramFolderOf("/opt/岚谷/moxtel"), "/opt/岚谷");
    EXPECT_EQ(ProgramFolderOf("/moxtel"), "");  // a program in the root folder
    EXPECT_EQ(ProgramFolderOf("moxtel"), "");
    EXPECT_EQ(ProgramFolderOf(""), "");
}

TEST(DataPaths, DatabaseFollowsXdgDataHome) {
    ScopedEnv home("HOME", "/home/tester");
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
        EXPECT_EQ(DefaultDatabaseFile(), "/srv/data/moxtel/data/moxtel.db");
    }
    for (const char* unusable : {"", "relative/path"}) {
        ScopedEnv xdg("XDG_DATA_HOME", unusable);
        EXPECT_EQ(DefaultDatabaseFile(), "/home/tester/.local/share/moxtel/data/moxtel.db");
    }
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(DefaultDatabaseFile(), "/home/tester/.local/share/moxtel/data/moxtel.db");
    StoreContext store("/elsewhere/moxtel.db");
    store.SetDatabaseFile("");
    EXPECT_EQ(store.DatabaseFile(), DefaultDatabaseFile());
}

TEST(DataPaths, BackupLiesInTheFolderBackupBesideTheDatabase) {
    EXPECT_EQ(BackupFileOf("/home/u/.local/share/moxtel/data/moxtel.db"),
              "/home/u/.local/share/moxtel/data/BACKUP/moxtel.db");
    EXPECT_EQ(BackupFileOf("/tmp/other.db"), "/tmp/BACKUP/other.db");
    EXPECT_EQ(BackupFileOf("/x.db"), "//BACKUP/x.db");
    EXPECT_EQ(BackupFileOf("x.db"), "./BACKUP/x.db");
}

TEST(DataFolder, CreatesTheDataFolderOnlyWhenMissing) {
    TestDatabase t;
    const std::string data = t.Folder() + "/data";
    EXPECT_FALSE(CDataFolder::FolderExists(data, true));
    CDataFolder::EnsureDataFolder(t.Folder());
    EXPECT_TRUE(CDataFolder::FolderExists(data, true));

    std::ofstream(data + "/keep") << "x";
    CDataFolder::EnsureDataFolder(t.Folder());
    EXPECT_TRUE(fs::exists(data + "/keep"));
}

TEST(DataFolder, FileNamedDataIsNoFolderAndStaysAsItIs) {
    TestDatabase t;
    const std::string data = t.Folder() + "/data";
    std::ofstream(data) << "a file";
    EXPECT_TRUE(CDataFolder::FolderExists(data, false));
    EXPECT_FALSE(CDataFolder::FolderExists(data, true));
    CDataFolder::EnsureDataFolder(t.Folder());  // fails silently
    EXPECT_TRUE(fs::is_regular_file(data));
    EXPECT_EQ(fs::file_size(data), 6u);
    EXPECT_FALSE(CDataFolder::FolderExists("", false));
    EXPECT_FALSE(CDataFolder::FolderExists(t.Folder() + "/nothing", false));
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Rows of gpmaster in a backup file, read straight from the file.
int RowsInBackup(const std::string& file) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "select count(*) from gpmaster", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            count = sqlite3_column_int(stmt, 0);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return count;
}

TEST(Backup, CreatesTheMissingBackupFolderAndReplacesTheOldCopy) {
    TestDatabase t;
    t.Raw("insert into gpmaster(rowid) values('a')");
    const std::string backup = t.Folder() + "/db/BACKUP/moxtel.db";
    ASSERT_FALSE(fs::exists(t.Folder() + "/db/BACKUP"));

    EXPECT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_EQ(RowsInBackup(backup), 1);

    t.Raw("insert into gpmaster(rowid) values('b')");
    EXPECT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_EQ(RowsInBackup(backup), 2);
    // Nothing but the copy is left behind in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(t.Folder() + "/db/BACKUP"), fs::directory_iterator()), 1);
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The database's last write some time ago, as when a program is closed after a while.
void AgeDatabase(const std::string& file) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(5));
}

// Closing again without a change keeps the backup as it is (no copy); any change, or a write too
// recent to tell apart from the copy's time, makes a new copy.
TEST(Backup, UnchangedDatabaseIsNotCopiedAgain) {
    TestDatabase t;
    const std::string backup = t.Folder() + "/db/BACKUP/moxtel.db";
    t.Raw("insert into gpmaster(rowid) values('a')");
    ASSERT_TRUE(BackupDatabase(t.store).ok());  // just written: copied, not marked current
    const ino_t fresh = InodeOf(backup);
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_NE(InodeOf(backup), fresh);

    AgeDatabase(t.File());
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const ino_t first = InodeOf(backup);
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_EQ(InodeOf(backup), first);  // skipped
    EXPECT_EQ(RowsInBackup(backup), 1);

    t.Raw("insert into gpmaster(rowid) values('b')");
    AgeDatabase(t.File());  // a change with the same size would still differ in time
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_NE(InodeOf(backup), first);
    EXPECT_EQ(RowsInBackup(backup), 2);

    // A backup file changed behind the program's back is replaced.
    const ino_t second = InodeOf(backup);
    std::ofstream(backup, std::ios::app) << "x";
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_NE(InodeOf(backup), second);
    EXPECT_EQ(RowsInBackup(backup), 2);
}

// A copy of several MB is reported in parts, never going back, ending at the database's size;
// the copy is checked and complete as without a listener, and a skipped copy reports nothing.
TEST(Backup, ReportsProgressUpToTheWholeSize) {
    TestDatabase t;
    t.Raw("insert into gpmaster(rowid) values('a')");
    t.Raw("create table filler(b blob)");
    t.Raw(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 120) "
        "insert into filler select randomblob(100000) from n");
    AgeDatabase(t.File());
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    ASSERT_TRUE(
        BackupDatabase(t.store, [&](std::int64_t done, std::int64_t total) { calls.emplace_back(done, total); }).ok());
    ASSERT_GT(calls.size(), 2u);
    const std::int64_t size = static_cast<std::int64_t>(fs::file_size(t.File()));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].second, size) << i;
        EXPECT_LE(calls[i].first, calls[i].second) << i;
        if (i > 0) {
            EXPECT_GE(calls[i].first, calls[i - 1].first) << i;
        }
    }
    EXPECT_EQ(calls.back().first, size);
    EXPECT_EQ(RowsInBackup(t.Folder() + "/db/BACKUP/moxtel.db"), 1);

    calls.clear();
    ASSERT_TRUE(
        BackupDatabase(t.store, [&](std::int64_t done, std::int64_t total) { calls.emplace_back(done, total); }).ok());
    EXPECT_TRUE(calls.empty());  // unchanged: not copied again
}

TEST(Backup, OldCopyThatIsNoDatabaseIsReplacedToo) {
    TestDatabase t;
    t.Raw("insert into gpmaster(rowid) values('a')");
    fs::create_directories(t.Folder() + "/db/BACKUP");
    std::ofstream(t.Folder() + "/db/BACKUP/moxtel.db") << "garbage";
    EXPECT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_EQ(RowsInBackup(t.Folder() + "/db/BACKUP/moxtel.db"), 1);
}

TEST(Backup, CopyLeavesOutAnotherConnectionsUnfinishedWrite) {
    TestDatabase t;
    t.Raw("insert into gpmaster(rowid) values('a')");
    sqlite3* writer = nullptr;
    sqlite3_open(t.File().c_str(), &writer);
    sqlite3_exec(writer, "BEGIN IMMEDIATE; insert into gpmaster(rowid) values('b');", nullptr, nullptr, nullptr);
    EXPECT_TRUE(BackupDatabase(t.store).ok());
    sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_EQ(RowsInBackup(t.Folder() + "/db/BACKUP/moxtel.db"), 1);
}

TEST(Backup, MissingDatabaseFailsAndKeepsTheEarlierCopy) {
    TestDatabase t;
    t.Raw("insert into gpmaster(rowid) values('a')");
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    fs::remove(t.File());

    const Status status = BackupDatabase(t.store);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, "备份失败!请重新启动程序予以备份!");
    EXPECT_FALSE(fs::exists(t.File()));
    EXPECT_EQ(RowsInBackup(t.Folder() + "/db/BACKUP/moxtel.db"), 1);
}

TEST(Backup, FailsWhenAFileBlocksTheBackupFolderOrTheDatabaseIsForeign) {
    TestDatabase t;
    t.Touch();
    std::ofstream(t.Folder() + "/db/BACKUP") << "in the way";
    EXPECT_EQ(BackupDatabase(t.store).error().message, kMsgBackupFailed);

    const std::string foreign = t.Folder() + "/foreign/notes.db";
    fs::create_directories(t.Folder() + "/foreign");
    std::ofstream(foreign) << std::string(4096, 'n');
    t.store.SetDatabaseFile(foreign);
    EXPECT_EQ(BackupDatabase(t.store).error().message, kMsgBackupFailed);
    EXPECT_EQ(std::distance(fs::directory_iterator(t.Folder() + "/foreign/BACKUP"), fs::directory_iterator()), 0);
}

// A database emptied (cut to 0 or 1 byte, which SQLite takes for a new file) and then used again
// holds no days: its copy never replaces a backup that holds days. Once that backup is moved
// away, the backup is made again.
TEST(Backup, CopyWithoutDaysNeverReplacesABackupWithDays) {
    struct Case {
        const char* name;
        std::uintmax_t size;
        bool usedAgain;
    };
    for (const Case& c : {Case{"emptied", 0, false}, Case{"emptied and used", 0, true},
                          Case{"one byte left and used", 1, true}}) {
        SCOPED_TRACE(c.name);
        TestDatabase t;
        t.Raw("insert into gpmaster(rowid) values('a'); insert into gpmaster(rowid) values('b')");
        ASSERT_TRUE(BackupDatabase(t.store).ok());
        const std::string backup = t.Folder() + "/db/BACKUP/moxtel.db";
        const std::string earlier = ReadAll(backup);
        fs::resize_file(t.File(), c.size);
        if (c.usedAgain) t.Raw("insert into queryconfig(flagdesc) values('new')");

        const Status status = BackupDatabase(t.store);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().message, kMsgBackupFailed);
        EXPECT_NE(status.error().detail.find(backup), std::string::npos) << status.error().detail;
        EXPECT_NE(status.error().detail.find("2 天"), std::string::npos) << status.error().detail;
        EXPECT_NE(status.error().detail.find("原有备份保持不变"), std::string::npos) << status.error().detail;
        EXPECT_EQ(ReadAll(backup), earlier);
        EXPECT_EQ(std::distance(fs::directory_iterator(t.Folder() + "/db/BACKUP"), fs::directory_iterator()), 1);

        fs::rename(backup, t.Folder() + "/moved.db");
        t.Touch();
        EXPECT_TRUE(BackupDatabase(t.store).ok());
        EXPECT_EQ(RowsInBackup(backup), 0);
    }
}

// A backup without days is replaced by a copy without days as before.
TEST(Backup, CopyWithoutDaysReplacesABackupWithoutDays) {
    TestDatabase t;
    t.Raw("insert into queryconfig(flagdesc) values('one')");
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    t.Raw("insert into queryconfig(flagdesc) values('two')");
    EXPECT_TRUE(BackupDatabase(t.store).ok());
    EXPECT_EQ(RowsInBackup(t.Folder() + "/db/BACKUP/moxtel.db"), 0);
}

// A folder where the backup file should be: the reason the copy cannot take its place is told.
TEST(Backup, FolderInThePlaceOfTheBackupIsNamedWithTheReason) {
    TestDatabase t;
    t.Raw("insert into gpmaster(rowid) values('a')");
    fs::create_directories(t.Folder() + "/db/BACKUP/moxtel.db/inside");
    const Status status = BackupDatabase(t.store);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().detail.find(t.Folder() + "/db/BACKUP/moxtel.db"), std::string::npos)
        << status.error().detail;
    EXPECT_NE(status.error().detail.find("（Is a directory）"), std::string::npos) << status.error().detail;
    EXPECT_EQ(std::distance(fs::directory_iterator(t.Folder() + "/db/BACKUP"), fs::directory_iterator()), 1);
}

TEST(HelpFolder, InstalledFolderBesideTheProgramComesBeforeTheSourceTree) {
    using Folders = std::vector<std::string>;
    EXPECT_EQ(HelpFolderCandidates("/usr/bin", "/src/docs/manual"),
              (Folders{"/usr/share/moxtel/help", "/src/docs/manual"}));
    EXPECT_EQ(HelpFolderCandidates("/opt/moxtel/bin", ""), (Folders{"/opt/moxtel/share/moxtel/help"}));
    EXPECT_EQ(HelpFolderCandidates("/bin", ""), (Folders{"/bin/../share/moxtel/help"}));
    EXPECT_EQ(HelpFolderCandidates("", "/src/docs/manual"), (Folders{"/src/docs/manual"}));
}

TEST(HelpFolder, FirstFolderWithAnIndexPageWins) {
    const fs::path root = fs::path(testing::TempDir()) / "help-folders";
    fs::remove_all(root);
    for (const char* sub : {"empty", "folder-index/index.html", "manual", "second"}) fs::create_directories(root / sub);
    std::ofstream(root / "manual/index.html") << "<h1>x</h1>";
    std::ofstream(root / "second/index.html") << "<h1>y</h1>";
    const std::string r = root.string();
    // A folder named index.html is no page.
    EXPECT_EQ(FindHelpIndex({r + "/empty", r + "/folder-index", r + "/manual", r + "/second"}),
              std::optional<std::string>(r + "/manual/index.html"));
    EXPECT_EQ(FindHelpIndex({r + "/empty", r + "/missing"}), std::nullopt);
    EXPECT_EQ(FindHelpIndex({}), std::nullopt);
    fs::remove_all(root);
}

}  // namespace
}  // namespace moxtel
