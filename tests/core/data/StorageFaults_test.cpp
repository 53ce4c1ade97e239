// A full disk and I/O errors met by a statistics run, a clearing and a backup: each write of
// the operation is made to fail in turn; whatever fails rolls back, says what happened and
// leaves the earlier data and the earlier backup as they were.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/data/CDataFolder.h"
#include "core/data/FaultyVfs.h"
#include "core/data/StoreFaultsSupport.h"
#include "core/maintenance/ClearData.h"

namespace moxtel {
namespace {

using test::FaultyVfs;
using test::StoredRows;
using test::TestDatabase;

struct Fault {
    const char* name;
    int code;
    bool once;          // a single failing write (a passing fault) instead of a full disk that stays full
    const char* words;  // what the message must say
    int systemErrno = 0;  // the system's error behind the write failure
};

// A write error whose cause is ENOSPC or EDQUOT (SQLite reports a -shm or -wal that cannot grow
// that way) is a full disk to the user.
const Fault kFaults[] = {
    {"DiskFull", SQLITE_FULL, false, "磁盘已满"},
    {"WriteError", SQLITE_IOERR_WRITE, false, "I/O 错误"},
    {"OneWriteError", SQLITE_IOERR_WRITE, true, "I/O 错误"},
    {"WriteErrorNoSpace", SQLITE_IOERR_WRITE, false, "磁盘已满", ENOSPC},
    {"WriteErrorQuota", SQLITE_IOERR_WRITE, false, "磁盘已满", EDQUOT},
};

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StorageFault : public ::testing::TestWithParam<Fault> {
  protected:
    // Runs operation with every write from the first to one past the last failing in turn.
    // check(failed) looks at the outcome with the fault disarmed.
    template <typename Operation, typename Check>
    void EachWriteFails(Operation operation, Check check) {
        m_vfs.Count();
        ASSERT_TRUE(operation()) << "the operation must succeed without a fault";
        const int writes = m_vfs.Writes();
        ASSERT_GT(writes, 0);
        check(true);
        for (int n = 1; n <= writes; ++n) {
            SCOPED_TRACE("failing from write " + std::to_string(n) + " of " + std::to_string(writes));
            m_t.messages.clear();
            m_vfs.FailFromWrite(n, GetParam().code, GetParam().once, GetParam().systemErrno);
            const bool ok = operation();
            m_vfs.Disarm();
            if (!ok) ExpectToldWhatHappened();
            check(ok);
            EXPECT_EQ(m_t.Scalar("PRAGMA integrity_check"), "ok");
        }
    }

    void ExpectToldWhatHappened() {
        std::string all;
        for (const auto& m : m_t.messages) all += m + "\n";
        EXPECT_NE(all.find(GetParam().words), std::string::npos) << all;
        EXPECT_NE(all.find(m_t.File()), std::string::npos) << all;
    }

    TestDatabase m_t;
    FaultyVfs m_vfs;
};

TEST_P(StorageFault, StatisticsRunKeepsTheEarlierCopyOfTheDay) {
    const std::string day = test::WriteDay(m_t, "20000103", 120);
    ASSERT_TRUE(test::StoreDay(m_t, test::WriteDay(m_t, "20000102", 30), "earlier day").ok());
    ASSERT_TRUE(test::StoreDay(m_t, day, "first copy").ok());
    const auto firstCopy = test::StoredRows(m_t);
    EachWriteFails([&] { return test::StoreDay(m_t, day, "second copy").ok(); },
                   [&](bool ok) {
                       const auto now = test::StoredRows(m_t);
                       if (ok) {
                           // Written in full; put the first copy back for the next round.
                           EXPECT_NE(test::FirstDifference(now, firstCopy), "");
                           ASSERT_TRUE(test::StoreDay(m_t, day, "first copy").ok());
                       }
                       EXPECT_EQ(test::FirstDifference(test::StoredRows(m_t), firstCopy), "");
                   });
}

TEST_P(StorageFault, ClearingDeletesAllOrNothing) {
    ASSERT_TRUE(test::StoreDay(m_t, test::WriteDay(m_t, "20000102", 60), "a").ok());
    ASSERT_TRUE(test::StoreDay(m_t, test::WriteDay(m_t, "20000103", 60), "b").ok());
    const auto stored = test::StoredRows(m_t);
    const std::string backupOfTheFile = m_t.Folder() + "/kept.db";
    std::filesystem::copy_file(m_t.File(), backupOfTheFile);
    EachWriteFails([&] { return ClearStoredDays(m_t.store, "AAA(600001)", "20000103").ok(); },
                   [&](bool ok) {
                       if (ok) {
                           EXPECT_EQ(m_t.Count("gpmaster"), 0);
                           EXPECT_EQ(m_t.Count("transun"), 0);
                           std::filesystem::copy_file(backupOfTheFile, m_t.File(),
                                                      std::filesystem::copy_options::overwrite_existing);
                       }
                       EXPECT_EQ(test::FirstDifference(test::StoredRows(m_t), stored), "");
                   });
}

TEST_P(StorageFault, BackupKeepsTheEarlierBackup) {
    ASSERT_TRUE(test::StoreDay(m_t, test::WriteDay(m_t, "20000102", 200), "a").ok());
    ASSERT_TRUE(BackupDatabase(m_t.store).ok());
    const std::string backup = BackupFileOf(m_t.File());
    const std::string earlier = Bytes(backup);
    ASSERT_TRUE(test::StoreDay(m_t, test::WriteDay(m_t, "20000103", 200), "b").ok());
    m_vfs.Count();
    // The copy is written from scratch each time, so every write is one of the copy's.
    ASSERT_TRUE(BackupDatabase(m_t.store).ok());
    const int writes = m_vfs.Writes();
    std::ofstream(backup, std::ios::binary | std::ios::trunc) << earlier;
    for (int n = 1; n <= writes; ++n) {
        SCOPED_TRACE("failing from write " + std::to_string(n) + " of " + std::to_string(writes));
        m_vfs.FailFromWrite(n, GetParam().code, GetParam().once, GetParam().systemErrno);
        const Status done = BackupDatabase(m_t.store);
        m_vfs.Disarm();
        if (done.ok()) {
            std::ofstream(backup, std::ios::binary | std::ios::trunc) << earlier;
            continue;
        }
        EXPECT_EQ(done.error().message, kMsgBackupFailed);
        EXPECT_NE(done.error().detail.find(GetParam().words), std::string::npos) << done.error().detail;
        EXPECT_EQ(Bytes(backup), earlier);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(backup).parent_path()),
                                std::filesystem::directory_iterator{}),
                  1);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, StorageFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace moxtel
