#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "hiscores/FileReplace.h"
#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"

namespace gb::test {
namespace {

// Files may grow to at most this many bytes; a write beyond fails (instead of a signal).
void limitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = bytes;
    limit.rlim_max = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Every save here starts from a file holding one old entry and tries to write the five
// default entries over it.
class HiScoreSaveTest : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        table = THiScoreTable::create(path("missing.dat"), 5);  // the default table
        table->fileName = path();
    }
    void TearDown() override {
        setRenameStep({});
        TempDirTest::TearDown();
    }
    std::vector<std::string> filesInDir() const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(dir)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // Saves, expecting a failure reported in one line that names the file and the reason.
    void expectFailedSave(const std::string& reason) {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(table->save());
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Could not save the high scores to " + table->fileName + ": " + reason + "\n");
    }

    const std::string oldBytes = record("Old", 42);
    std::shared_ptr<THiScoreTable> table;
};

TEST_F(HiScoreSaveTest, ASaveReplacesTheWholeFileAndLeavesNothingElse) {
    writeBytes(path(), oldBytes + oldBytes + oldBytes + oldBytes + oldBytes + oldBytes);
    ASSERT_TRUE(table->save());
    EXPECT_EQ(readBytes(path()).size(), 60u);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});

    table->scores->clear();
    ASSERT_TRUE(table->save());
    EXPECT_EQ(readBytes(path()), "");
}

TEST_F(HiScoreSaveTest, AFailedRenameLeavesTheOldFileAndNoTemporary) {
    writeBytes(path(), oldBytes);
    setRenameStep([](const char*, const char*) {
        errno = EIO;
        return -1;
    });
    expectFailedSave(std::strerror(EIO));
    EXPECT_EQ(readBytes(path()), oldBytes);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
}

TEST_F(HiScoreSaveTest, AProcessEndingBetweenWritingAndRenamingLeavesTheOldFile) {
    writeBytes(path(), oldBytes);
    EXPECT_EXIT(
        {
            setRenameStep([](const char*, const char*) -> int { ::_exit(3); });
            table->save();
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(readBytes(path()), oldBytes);
    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)), (Entries{{padded("Old"), 42}}));
    // The next save still works despite the abandoned temporary file.
    EXPECT_TRUE(table->save());
    EXPECT_EQ(readBytes(path()).size(), 60u);
}

TEST_F(HiScoreSaveTest, AFullDiskLeavesTheOldFile) {
    writeBytes(path(), oldBytes);
    // A file size limit below the new file's size makes the write fail part-way, as a full
    // disk would. The limit (set in a child process, so that it stays there) leaves room for
    // the report on standard error.
    for (int i = 0; i < 500; ++i) {
        table->scores->addLast(std::make_shared<THiScore>());
    }
    EXPECT_EXIT(
        {
            limitFileSize(1024);
            ::_exit(table->save() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "Could not save the high scores to .*gb.dat: File too large");
    EXPECT_EQ(readBytes(path()), oldBytes);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
}

TEST_F(HiScoreSaveTest, AFileNameThatCannotBeAFileIsReportedAndKept) {
    fs::create_directory(path());
    writeBytes(path() + "/inside", "x");
    expectFailedSave(std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(path()));
    EXPECT_EQ(readBytes(path() + "/inside"), "x");
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});

    writeBytes(path("plain"), oldBytes);
    table->fileName = path("plain") + "/gb.dat";
    expectFailedSave(std::strerror(ENOTDIR));
    EXPECT_EQ(readBytes(path("plain")), oldBytes);
}

TEST_F(HiScoreSaveTest, ReadOnlyPlacesAreReportedAndKept) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    writeBytes(path(), oldBytes);
    fs::permissions(path(), fs::perms::owner_read);
    expectFailedSave(std::strerror(EACCES));
    EXPECT_EQ(readBytes(path()), oldBytes);

    fs::permissions(path(), fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    expectFailedSave(std::strerror(EACCES));
    EXPECT_EQ(readBytes(path()), oldBytes);
}

TEST_F(HiScoreSaveTest, ASaveKeepsALinkAndThePermissionsOfTheOldFile) {
    fs::create_directory(dir / "real");
    writeBytes(path("real/scores.dat"), oldBytes);
    fs::permissions(path("real/scores.dat"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/scores.dat", path());

    ASSERT_TRUE(table->save());
    EXPECT_TRUE(fs::is_symlink(path()));
    EXPECT_EQ(readBytes(path("real/scores.dat")).size(), 60u);
    EXPECT_EQ(fs::status(path("real/scores.dat")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace gb::test
