// Two real processes on one database: a writer waits for the other's lock and then fails with a
// clear message, a reader never sees half a day, and two runs of the same day leave one copy.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/data/CDataFolder.h"
#include "core/data/Restore.h"
#include "core/data/StoreFaultsSupport.h"

namespace moxtel {
namespace {

using test::TestDatabase;
using Clock = std::chrono::steady_clock;

// Runs body in a child process; its exit status is body's result (0 for success).
pid_t Spawn(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// A child holds the write lock for holdMs; the parent is told through a pipe when it has it.
pid_t HoldWriteLock(const StoreContext& store, int holdMs) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    const pid_t pid = Spawn([&] {
        close(ready[0]);
        CAdoDatabase db(store);
        if (!db.BeginTransaction() || !db.Execute("insert into queryconfig(flagdesc) values('child')")) return 1;
        const char one = '1';
        if (write(ready[1], &one, 1) != 1) return 2;
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        return db.Commit() ? 0 : 3;
    });
    close(ready[1]);
    char got = 0;
    EXPECT_EQ(read(ready[0], &got, 1), 1);
    close(ready[0]);
    return pid;
}

TEST(SharedUse, WriterWaitsForAShortLockAndSucceeds) {
    TestDatabase t;
    t.Touch();
    const pid_t other = HoldWriteLock(t.store, CAdoDatabase::kBusyTimeoutMs / 4);
    const auto start = Clock::now();
    CAdoDatabase db(t.store);
    EXPECT_TRUE(db.Execute("insert into queryconfig(flagdesc) values('parent')"));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs / 8));
    EXPECT_EQ(ExitStatus(other), 0);
    EXPECT_EQ(t.Count("queryconfig"), 2);
    EXPECT_TRUE(t.messages.empty());
}

TEST(SharedUse, WriterGivesUpAfterTheBusyTimeoutWithAClearMessage) {
    TestDatabase t;
    const std::string day = test::WriteDay(t, "20000102", 30);
    ASSERT_TRUE(test::StoreDay(t, day, "first").ok());
    const auto stored = test::StoredRows(t);
    const pid_t other = HoldWriteLock(t.store, CAdoDatabase::kBusyTimeoutMs * 2);
    const auto start = Clock::now();
    EXPECT_FALSE(test::StoreDay(t, day, "second").ok());
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs * 9 / 10));
    EXPECT_LT(waited, std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs * 2));
    ASSERT_FALSE(t.messages.empty());
    EXPECT_NE(t.messages[0].find("正被另一个程序"), std::string::npos) << t.messages[0];
    EXPECT_NE(t.messages[0].find(t.File()), std::string::npos) << t.messages[0];
    EXPECT_EQ(ExitStatus(other), 0);
    EXPECT_EQ(test::FirstDifference(test::StoredRows(t), stored), "");
}

// Counts of one day's rows in one statement, so they come from one read transaction.
constexpr const char* kDayCounts =
    "select (select count(*) from gpmaster where rowid=?1 and priceend is not null) || '/' ||"
    " (select count(*) from gpmaster where rowid=?1) || '/' ||"
    " (select count(*) from transin where masterid=?1) || '/' || (select count(*) from transout where masterid=?1)"
    " || '/' || (select count(*) from transinun where masterid=?1) || '/' ||"
    " (select count(*) from transoutun where masterid=?1) || '/' || (select count(*) from transun where masterid=?1)";

TEST(SharedUse, ReaderSeesTheWholeDayOrNothingWhileAnotherProcessStoresIt) {
    TestDatabase t;
    const std::string day = test::WriteDay(t, "20000102", 600);
    const auto run = test::StoreDay(t, day, "first");
    ASSERT_TRUE(run.ok());
    const std::string masterId = run->day.masterId;
    const std::string whole = "1/1/1/1/1/1/" + std::to_string(run->uncertainTrades.size());
    ASSERT_EQ(t.Scalar(kDayCounts, {masterId}), whole);

    const pid_t writer = Spawn([&] {
        for (int i = 0; i < 15; ++i) {
            if (!test::StoreDay(t, day, "again " + std::to_string(i)).ok()) return 1;
        }
        return 0;
    });
    int reads = 0;
    int status = 0;
    for (; waitpid(writer, &status, WNOHANG) == 0; ++reads) {
        CAdoDatabase db(t.store, CAdoDatabase::OpenMode::ReadOnly);
        db.OpenRecordset(kDayCounts, {masterId});
        if (!db.IsEOF()) {
            EXPECT_EQ(db.GetFieldText(0), whole) << "read " << reads;
        }
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GT(reads, 0);
    for (const auto& m : t.messages) ADD_FAILURE() << m;  // a read waits for a commit, it never fails
    EXPECT_EQ(t.Scalar(kDayCounts, {masterId}), whole);
}

TEST(SharedUse, TwoProcessesStoringTheSameDayLeaveOneWholeCopy) {
    TestDatabase t;
    const std::string day = test::WriteDay(t, "20000102", 400);
    const auto storeMany = [&] {
        for (int i = 0; i < 10; ++i) {
            if (!test::StoreDay(t, day, "run").ok()) return 1;
        }
        return 0;
    };
    const pid_t a = Spawn(storeMany);
    const pid_t b = Spawn(storeMany);
    EXPECT_EQ(ExitStatus(a), 0);
    EXPECT_EQ(ExitStatus(b), 0);
    const auto alone = test::StoreDay(t, day, "run");
    ASSERT_TRUE(alone.ok());
    EXPECT_EQ(t.Scalar(kDayCounts, {alone->day.masterId}),
              "1/1/1/1/1/1/" + std::to_string(alone->uncertainTrades.size()));
    EXPECT_EQ(t.Count("gpmaster"), 1);
    EXPECT_EQ(t.Scalar("PRAGMA integrity_check"), "ok");
}


// A child that uses the database while a restore runs: it holds a write transaction or only an
// open connection for holdMs, then inserts 'child' and commits. Told through a pipe once it has
// the connection.
pid_t UseDatabase(const StoreContext& store, bool inTransaction, int holdMs) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    const pid_t pid = Spawn([&] {
        close(ready[0]);
        CAdoDatabase db(store);
        if (inTransaction ? !db.BeginTransaction() : !db.OpenRecordset("select count(*) from gpmaster")) return 1;
        const char one = '1';
        if (write(ready[1], &one, 1) != 1) return 2;
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        if (!db.Execute("insert into queryconfig(flagdesc) values('child')")) return 3;
        return !inTransaction || db.Commit() ? 0 : 4;
    });
    close(ready[1]);
    char got = 0;
    EXPECT_EQ(read(ready[0], &got, 1), 1);
    close(ready[0]);
    return pid;
}

std::vector<std::string> FilesBeside(const std::string& file) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Holder {
    const char* name;
    bool inTransaction;
};

class RestoreWhileInUse : public ::testing::TestWithParam<Holder> {};

// Another process holds the database longer than the busy wait: the restore is refused with the
// message about the other program and moves nothing, and the other process's commit lands in
// the database file, not in a file set aside.
TEST_P(RestoreWhileInUse, IsRefusedAndTheOtherProcessesCommitStays) {
    TestDatabase t;
    t.Raw("insert into queryconfig(flagdesc) values('backed up')");
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const auto names = FilesBeside(t.File());
    const pid_t other = UseDatabase(t.store, GetParam().inTransaction, CAdoDatabase::kBusyTimeoutMs * 2);
    const auto start = Clock::now();
    const auto restored = RestoreDatabase(BackupFileOf(t.File()), t.File());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(CAdoDatabase::kBusyTimeoutMs * 9 / 10));
    ASSERT_FALSE(restored.ok());
    EXPECT_NE(restored.error().message.find("正被另一个程序"), std::string::npos) << restored.error().message;
    EXPECT_NE(restored.error().message.find(t.File()), std::string::npos) << restored.error().message;
    EXPECT_EQ(ExitStatus(other), 0);
    EXPECT_EQ(t.Scalar("select group_concat(flagdesc) from queryconfig"), "backed up,child");
    EXPECT_EQ(FilesBeside(t.File()), names);
}

INSTANTIATE_TEST_SUITE_P(Holders, RestoreWhileInUse,
                         ::testing::Values(Holder{"WriteTransaction", true}, Holder{"OpenConnection", false}),
                         [](const ::testing::TestParamInfo<Holder>& tested) { return std::string(tested.param.name); });

// A lock held briefly: the restore waits for it and then puts the backup back; the other
// process's commit, made before the swap, is in the file kept aside.
TEST(RestoreWhileInUse, WaitsForAShortLockAndThenRestores) {
    TestDatabase t;
    t.Raw("insert into queryconfig(flagdesc) values('backed up')");
    ASSERT_TRUE(BackupDatabase(t.store).ok());
    const pid_t other = UseDatabase(t.store, true, CAdoDatabase::kBusyTimeoutMs / 4);
    const auto restored = RestoreDatabase(BackupFileOf(t.File()), t.File());
    ASSERT_TRUE(restored.ok()) << restored.error().message;
    EXPECT_EQ(ExitStatus(other), 0);
    EXPECT_EQ(t.Scalar("select group_concat(flagdesc) from queryconfig"), "backed up");
    t.store.SetDatabaseFile(restored->keptAs);
    EXPECT_EQ(t.Scalar("select group_concat(flagdesc) from queryconfig"), "backed up,child");
    t.store.SetDatabaseFile(t.File());
    EXPECT_TRUE(t.messages.empty());
}

}  // namespace
}  // namespace moxtel
