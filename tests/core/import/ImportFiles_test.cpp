#include "core/import/ImportFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/FilePermissions.h"

namespace moxtel {
namespace {

namespace fs = std::filesystem;

class ImportFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("moxtel-import-files-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir / "locked", fs::perms::owner_all, ec);
        fs::remove_all(m_dir, ec);
    }
    std::string File(const std::string& name) {
        const fs::path path = m_dir / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x\n";
        return path.string();
    }
    std::string At(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

// An explicit path that cannot be taken says why in the system's words, and the others are still collected.
TEST_F(ImportFilesTest, PathsThatCannotBeTakenAreFailuresWithTheReason) {
    const std::string plain = File("plain.txt");
    ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases{
        {At("missing.xls"), "no such file or folder"},
        {At("missing/deeper.xls"), "no such file or folder"},
        {At("pipe"), "not a regular file"},
        {plain + "/below.xls", "not a directory"},
        {"/dev/null", "not a regular file"},
    };
    for (const Case& c : cases) {
        std::vector<ImportFailure> failures;
        const std::vector<std::string> files = CollectImportFiles({c.path, plain}, failures);
        EXPECT_EQ(files, std::vector<std::string>{plain}) << c.path;
        ASSERT_EQ(failures.size(), 1u) << c.path;
        EXPECT_EQ(failures[0].path, c.path);
        EXPECT_EQ(failures[0].reason, c.reason) << c.path;
    }
}

// A file reached a second time, by whatever path, is collected once, where it was first reached.
TEST_F(ImportFilesTest, EachFileIsCollectedOnce) {
    const std::string five = File("A/5.txt");
    const std::string six = File("A/sub/6.txt");
    fs::create_symlink(five, m_dir / "link-to-5.txt");
    fs::create_hard_link(six, m_dir / "hard-6.txt");
    const std::string dotted = At("A/sub/../5.txt");
    struct Case {
        std::vector<std::string> given;
        std::vector<std::string> collected;
    };
    const std::vector<Case> cases{
        {{At("A"), five}, {five, six}},
        {{five, At("A")}, {five, six}},
        {{five, dotted, five}, {five}},
        {{At("link-to-5.txt"), five}, {At("link-to-5.txt")}},
        {{At("hard-6.txt"), At("A")}, {At("hard-6.txt"), five}},
        {{At("A"), At("A")}, {five, six}},
    };
    for (const Case& c : cases) {
        std::vector<ImportFailure> failures;
        EXPECT_EQ(CollectImportFiles(c.given, failures), c.collected) << c.given.front() << " " << c.given.back();
        EXPECT_TRUE(failures.empty());
    }
}

// Pipes inside a folder are passed over (opening one would wait forever); links to folders are not followed.
TEST_F(ImportFilesTest, FolderWalkTakesRegularFilesOnly) {
    const std::string a = File("in/a.txt");
    const std::string b = File("in/sub/b.txt");
    ASSERT_EQ(mkfifo(At("in/sub/pipe").c_str(), 0600), 0);
    fs::create_directory_symlink(m_dir / "in", m_dir / "in" / "loop");
    std::vector<ImportFailure> failures;
    EXPECT_EQ(CollectImportFiles({At("in")}, failures), (std::vector<std::string>{a, b}));
    EXPECT_TRUE(failures.empty());
}

// A folder that cannot be read is a failure with the system's reason; the walk goes on past it.
TEST_F(ImportFilesTest, UnreadableFolderIsAFailureAndTheWalkGoesOn) {
    const test::FilePermissionsApply permissions;  // root too meets the folder's mode
    if (!permissions.Hold()) GTEST_SKIP() << "root's capabilities could not be lowered";
    const std::string before = File("in/a.txt");
    File("in/locked/hidden.txt");
    const std::string after = File("in/z/after.txt");
    fs::permissions(m_dir / "in" / "locked", fs::perms::none);
    std::vector<ImportFailure> failures;
    EXPECT_EQ(CollectImportFiles({At("in")}, failures), (std::vector<std::string>{before, after}));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, At("in/locked"));
    EXPECT_EQ(failures[0].reason, "cannot read the folder: permission denied");
    fs::permissions(m_dir / "in" / "locked", fs::perms::owner_all);
}

}  // namespace
}  // namespace moxtel
