#include <cstdlib>
#include <iterator>

#include "CliTestSupport.h"
#include "core/data/CDataFolder.h"

namespace moxtel::test {
namespace {

namespace fs = std::filesystem;

class RestoreCommand : public CliTest {
  protected:
    // A stored day, its backup, then the database overwritten by something that is no database.
    void StoreBackUpAndDamage() {
        ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
        ASSERT_EQ(Run({"backup"}).status, 0);
        std::ofstream(m_db, std::ios::binary | std::ios::trunc) << kJunk;
    }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<fs::path> KeptFiles() const {
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            if (entry.path().filename().string().rfind("moxtel.db.damaged-", 0) == 0) kept.push_back(entry.path());
        }
        return kept;
    }
    const std::string kJunk = "half a download\n" + std::string(5000, '#');
};

// The damaged database is named on every command until the restore; the restore keeps it aside.
TEST_F(RestoreCommand, PutsTheBackupBackAndKeepsTheDamagedFile) {
    StoreBackUpAndDamage();
    const auto refused = Run({"day", "ABC(600000)20000101"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(m_db), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("moxtel-flow restore"), std::string::npos) << refused.err;
    EXPECT_EQ(Bytes(m_db), kJunk);

    const auto restored = Run({"restore", "--yes"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    const auto kept = KeptFiles();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(Bytes(kept[0].string()), kJunk);
    EXPECT_NE(restored.out.find(kept[0].string()), std::string::npos) << restored.out;
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Run({"day", "ABC(600000)20000101"}).status, 0);
}

TEST_F(RestoreCommand, AsksOnATerminalAndRefusesWithoutOne) {
    StoreBackUpAndDamage();
    EXPECT_EQ(Run({"restore"}).status, 2);
    const auto declined = Run({"restore"}, "n\n", true);
    EXPECT_EQ(declined.status, 0);
    EXPECT_NE(declined.out.find("[y/N]"), std::string::npos);
    EXPECT_EQ(Bytes(m_db), kJunk);
    EXPECT_TRUE(KeptFiles().empty());

    EXPECT_EQ(Run({"restore"}, "y\n", true).status, 0);
    EXPECT_EQ(KeptFiles().size(), 1u);
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
}

TEST_F(RestoreCommand, RefusesABackupThatFailsTheCheckAndTakesAnotherFrom) {
    StoreBackUpAndDamage();
    const std::string backup = BackupFileOf(m_db);
    const std::string good = (m_dir / "good-copy.db").string();
    fs::copy_file(backup, good);
    {
        std::fstream f(backup, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0);
        f << "not the header";
    }
    const auto refused = Run({"restore", "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("未通过检查"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(backup), std::string::npos) << refused.err;
    EXPECT_EQ(Bytes(m_db), kJunk);
    EXPECT_TRUE(KeptFiles().empty());

    EXPECT_EQ(Run({"restore", "--from"}).status, 2);
    const auto fromCopy = Run({"restore", "--from", good, "--yes"});
    ASSERT_EQ(fromCopy.status, 0) << fromCopy.err;
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
}

TEST_F(RestoreCommand, BackupOfADamagedDatabaseSaysWhyAndKeepsTheEarlierOne) {
    StoreBackUpAndDamage();
    const std::string backup = BackupFileOf(m_db);
    const std::string earlier = Bytes(backup);
    const auto r = Run({"backup"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(kMsgBackupFailed), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("原有备份保持不变"), std::string::npos) << r.err;
    EXPECT_EQ(Bytes(backup), earlier);
}

// An emptied backup or another program's database is no backup: a healthy database with its
// stored day stays as it is, and nothing is set aside.
TEST_F(RestoreCommand, RefusesAnEmptyOrForeignBackupAndKeepsTheHealthyDatabase) {
    ASSERT_EQ(Run({"stats", WorkedDayText()}).status, 0);
    ASSERT_EQ(Run({"backup"}).status, 0);
    const std::string backup = BackupFileOf(m_db);
    const std::string foreign = (m_dir / "foreign.db").string();
    ASSERT_EQ(std::system(("sqlite3 '" + foreign + "' 'create table foo(a)' 2>/dev/null || python3 -c \"import "
                           "sqlite3; sqlite3.connect('" + foreign + "').execute('create table foo(a)')\"").c_str()),
              0);
    std::ofstream(backup, std::ios::trunc);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"restore", "--yes"}, std::vector<std::string>{"restore", "--from", foreign, "--yes"}}) {
        SCOPED_TRACE(args.size());
        const auto refused = Run(args);
        EXPECT_EQ(refused.status, 1) << refused.out;
        EXPECT_NE(refused.err.find("未通过检查"), std::string::npos) << refused.err;
        EXPECT_TRUE(KeptFiles().empty());
        EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    }
}

// Two moxtel-flow processes store the same day at the same time, several times over.
TEST_F(RestoreCommand, TwoProcessesStoringTheSameDayLeaveOneCopy) {
    const std::string day = WorkedDayText();
    std::string one = std::string(MOXTEL_FLOW_EXE) + " --db " + m_db + " stats " + day + " >/dev/null";
    std::string loop = "for i in 1 2 3 4 5 6 7 8; do " + one + " || exit 1; done";
    const std::string both = "(" + loop + ") & a=$!; (" + loop + ") & b=$!; wait $a && wait $b";
    EXPECT_EQ(std::system(("bash -c '" + both + "'").c_str()), 0);
    EXPECT_EQ(Count("select rowid from gpmaster"), 1);
    EXPECT_EQ(Count("select rowid from transin"), 1);
    EXPECT_EQ(Count("select masterid from transun"), 2);
}

}  // namespace
}  // namespace moxtel::test
