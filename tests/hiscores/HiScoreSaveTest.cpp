#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "hiscores/FileLock.h"
#include "hiscores/FileReplace.h"
#include "hiscores/SaveSteps.h"
#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"
#include "tests/support/PlatformSkips.h"

namespace gb::test {
namespace {

// Files may grow to at most this many bytes; a write beyond fails, or with the signal's
// default action ends the process as a kill in the middle of a save would.
[[maybe_unused]] void limitFileSize(rlim_t bytes, bool signalEnds) {
    std::signal(SIGXFSZ, signalEnds ? SIG_DFL : SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = bytes;
    limit.rlim_max = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    rlimit noCore{};
    ::setrlimit(RLIMIT_CORE, &noCore);
}

// Every save here starts from a file holding one old entry and adds one new entry to it.
class HiScoreSaveTest : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        writeBytes(path(), oldBytes);
        table = THiScoreTable::create(path(), 5);
        THiScore entry;
        entry.setName("New");
        entry.score = 99;
        table->addPlayer(entry);
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
    const std::string savedBytes = record("New", 99) + record("Old", 42);
    std::shared_ptr<THiScoreTable> table;
};

TEST_F(HiScoreSaveTest, ASaveReplacesTheWholeFileAndLeavesNothingElse) {
    ASSERT_TRUE(table->save());
    EXPECT_EQ(readBytes(path()), savedBytes);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});

    // The replacement itself writes exactly the bytes given, however long the old file was.
    std::string reason;
    ASSERT_TRUE(replaceFileContents(path(), "", reason));
    EXPECT_EQ(readBytes(path()), "");
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
}

TEST_F(HiScoreSaveTest, AFailedRenameLeavesTheOldFileAndNoTemporary) {
    table->renameFile = [](const char*, const char*) {
        errno = EIO;
        return -1;
    };
    expectFailedSave(std::strerror(EIO));
    EXPECT_EQ(readBytes(path()), oldBytes);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
    // The entry waits for the next save.
    table->renameFile = nullptr;
    ASSERT_TRUE(table->save());
    EXPECT_EQ(readBytes(path()), savedBytes);
}

// The table's listener hears of the file once per save that wrote it, and only then: a browser
// copies it to lasting storage at that moment, and a copy of a failed save would be the old
// file again.
TEST_F(HiScoreSaveTest, OnlyASaveThatWroteTheFileIsReported) {
    std::vector<std::string> written;
    table->saved = [&written](const std::string& file) { written.push_back(file); };
    table->renameFile = [](const char*, const char*) {
        errno = EIO;
        return -1;
    };
    expectFailedSave(std::strerror(EIO));
    EXPECT_TRUE(written.empty());

    table->renameFile = nullptr;
    ASSERT_TRUE(table->save());
    EXPECT_EQ(written, std::vector<std::string>{path()});
    // Nothing new since: nothing written, nothing to hand on.
    ASSERT_TRUE(table->save());
    EXPECT_EQ(written.size(), 1U);
}

TEST_F(HiScoreSaveTest, AProcessKilledDuringASaveLeavesNothingThatOutlivesTheNextStart) {
    // Killed between naming the new file and renaming it.
    GUMBOLT_EXPECT_EXIT(
        {
            table->renameFile = [](const char*, const char*) -> int { ::_exit(3); };
            table->save();
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(readBytes(path()), oldBytes);

    // Killed while writing: a file size limit ends the process part-way through the write.
    for (int i = 0; i < 200; ++i) {
        THiScore entry;
        entry.score = 1000 + i;
        table->addPlayer(entry);
    }
    table->maxScores = 500;
    GUMBOLT_EXPECT_EXIT(
        {
            limitFileSize(1024, true);
            table->save();
            ::_exit(0);
        },
        ::testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EQ(readBytes(path()), oldBytes);

    // The next start cleans up what the killed processes left, and loads the old file.
    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)), (Entries{{padded("Old"), 42}}));
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
}

TEST_F(HiScoreSaveTest, OnlyTemporariesOfProcessesThatAreGoneAreRemoved) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(::getppid());
    for (const std::string& name : std::vector<std::string>{
             "gb.dat." + dead + ".tmp", "gb.dat." + dead + "-7.tmp", "gb.dat." + alive + ".tmp",
             "gb.dat." + dead + "x.tmp", "gb.dat." + dead + "-.tmp", "gb.dat.tmp",
             "other.dat." + dead + ".tmp", "gb.dat." + dead + ".tmp.keep"}) {
        writeBytes(path(name), "x");
    }
    fs::create_directory(path("gb.dat." + dead + "-8.tmp"));
    removeStaleTemporaries(path());
    // Sorted as the listing is: the two process numbers need not have as many digits.
    std::vector<std::string> kept{"gb.dat",
                                  "gb.dat." + alive + ".tmp",
                                  "gb.dat." + dead + "-.tmp",
                                  "gb.dat." + dead + "-8.tmp",
                                  "gb.dat." + dead + ".tmp.keep",
                                  "gb.dat." + dead + "x.tmp",
                                  "gb.dat.tmp",
                                  "other.dat." + dead + ".tmp"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(filesInDir(), kept);
}

TEST_F(HiScoreSaveTest, TheCleanUpRemovesOnlyThisUsersTemporariesBesideTheFileItself) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const std::string stale = ".dat." + std::to_string(gone) + ".tmp";

    // gb.dat is a link into another directory: files there named after the link's target are
    // not the game's to remove, as in a shared directory of other people's files.
    fs::create_directory(dir / "elsewhere");
    writeBytes(path("elsewhere/scores"), oldBytes);
    writeBytes(path("elsewhere/scores") + stale, "x");
    fs::remove(path());
    fs::create_symlink("elsewhere/scores", path());
    removeStaleTemporaries(path());
    EXPECT_TRUE(fs::exists(path("elsewhere/scores") + stale));

    // Beside gb.dat itself: the player's own stale file goes, another user's stays (even for
    // root).
    writeBytes(path("gb") + stale, "x");
    removeStaleTemporaries(path());
    EXPECT_FALSE(fs::exists(path("gb") + stale));
    if (runningAsRoot()) {
        writeBytes(path("gb") + stale, "x");
        giveToChild(path("gb") + stale);
        removeStaleTemporaries(path());
        EXPECT_TRUE(fs::exists(path("gb") + stale));
    }
}

TEST_F(HiScoreSaveTest, AFullDiskLeavesTheOldFile) {
    // A file size limit below the new file's size makes the write fail part-way, as a full
    // disk would. The limit (set in a child process, so that it stays there) leaves room for
    // the report on standard error.
    for (int i = 0; i < 500; ++i) {
        table->addPlayer(THiScore());
    }
    table->maxScores = 500;
    GUMBOLT_EXPECT_EXIT(
        {
            limitFileSize(1024, false);
            ::_exit(table->save() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "Could not save the high scores to .*gb.dat: File too large");
    EXPECT_EQ(readBytes(path()), oldBytes);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
}

TEST_F(HiScoreSaveTest, OnlyARegularFileIsEverReplaced) {
    GUMBOLT_SKIP_IN_BROWSER("a browser's files have no FIFOs or device nodes");
    std::string reason;
    // A directory, and a path through a plain file.
    fs::create_directory(path("folder"));
    writeBytes(path("folder/inside"), "x");
    EXPECT_FALSE(replaceFileContents(path("folder"), "new", reason));
    EXPECT_EQ(reason, std::strerror(EISDIR));
    EXPECT_EQ(readBytes(path("folder/inside")), "x");
    EXPECT_FALSE(replaceFileContents(path() + "/gb.dat", "new", reason));
    EXPECT_EQ(reason, std::strerror(ENOTDIR));
    EXPECT_EQ(readBytes(path()), oldBytes);

    // A FIFO, itself or behind a link, and a link to nothing.
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
    fs::create_symlink("fifo", path("to-fifo"));
    fs::create_symlink("nothing", path("to-nothing"));
    for (const char* name : {"fifo", "to-fifo"}) {
        EXPECT_FALSE(replaceFileContents(path(name), "new", reason)) << name;
        EXPECT_EQ(reason, "not a regular file");
        EXPECT_TRUE(fs::is_fifo(path(name))) << name;
    }
    EXPECT_FALSE(replaceFileContents(path("to-nothing"), "new", reason));
    EXPECT_EQ(reason, "a symbolic link to a file that does not exist");
    EXPECT_TRUE(fs::is_symlink(path("to-nothing")));
    EXPECT_FALSE(fs::exists(path("nothing")));

    // A device node behind a link (one like /dev/null, made here where the system allows).
    std::vector<std::string> expected{"fifo", "folder", "gb.dat", "to-fifo", "to-nothing"};
    if (::mknod(path("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        fs::create_symlink("device", path("to-device"));
        EXPECT_FALSE(replaceFileContents(path("to-device"), "new", reason));
        EXPECT_EQ(reason, "not a regular file");
        EXPECT_TRUE(fs::is_character_file(path("device")));
        expected.insert(expected.begin(), "device");
        expected.push_back("to-device");
        std::sort(expected.begin(), expected.end());
    } else {
        std::printf("[ note     ] no device node can be made here (%s): not tried\n",
                    std::strerror(errno));
    }
    EXPECT_EQ(filesInDir(), expected);
}

TEST_F(HiScoreSaveTest, ASaveKeepsALinkAndTheOwnerAndPermissionsOfTheOldFile) {
    fs::create_directory(dir / "real");
    writeBytes(path("real/scores.dat"), oldBytes);
    fs::permissions(path("real/scores.dat"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::remove(path());
    fs::create_symlink("real/scores.dat", path());

    ASSERT_TRUE(table->save());
    EXPECT_TRUE(fs::is_symlink(path()));
    EXPECT_EQ(readBytes(path("real/scores.dat")), savedBytes);
    EXPECT_EQ(fs::status(path("real/scores.dat")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(HiScoreSaveTest, ASaveAsRootKeepsThePlayersOwnershipOfTheFile) {
    GUMBOLT_SKIP_IN_BROWSER("a browser's files have no owners");
    if (!runningAsRoot()) {
        GTEST_SKIP() << "only root can save over a file that belongs to another user";
    }
    ASSERT_EQ(::chown(path().c_str(), kOtherUser, kOtherGroup), 0);
    ASSERT_EQ(::chmod(path().c_str(), 0640), 0);
    ASSERT_TRUE(table->save());
    struct stat info {};
    ASSERT_EQ(::stat(path().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kOtherUser);
    EXPECT_EQ(info.st_gid, kOtherGroup);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(readBytes(path()), savedBytes);
}

// Read-only places, tried as an ordinary user (as root, in a child that gives up root).
TEST_F(HiScoreSaveTest, ADirectoryThatTakesNoNewFileIsSavedIntoInPlace) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    // The directory refuses new files; gb.dat is the player's to write.
    giveToChild(path());
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(inChild([&] { return table->save() ? 0 : 1; }), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(readBytes(path()), savedBytes);
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});

    // A longer old file is cut to the new length.
    writeBytes(path(), oldBytes + oldBytes + oldBytes + oldBytes + oldBytes + oldBytes);
    EXPECT_EQ(inChild([&] { return table->save() ? 0 : 1; }), 0);
    EXPECT_EQ(readBytes(path()).size(), 60u);
}

TEST_F(HiScoreSaveTest, AKillAtAnyStepOfAnInPlaceSaveLeavesTheOldTableOrTheNew) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    // Old files longer than the new table, whose best records are not at their start: nine
    // records with the best last; the same with a partial record after them; and 2 MB whose
    // best record read is the last one read, with a better one just beyond what is read.
    std::string bestLast;
    for (int i = 0; i < 9; ++i) {
        const char name[] = {'R', static_cast<char>('0' + i), '\0'};
        bestLast += record(name, 10 * (i + 1));
    }
    std::string large(std::size_t{2} << 20, '\0');
    const std::size_t bound = THiScoreTable::kMaxFileRecords * THiScore::kRecordSize;
    large.replace(0, 12, record("Start", 5));
    large.replace(bound - 12, 12, record("Inside", 500));
    large.replace(bound, 12, record("Beyond", 1000));
    const std::string nameless(8, '\0');
    const Entries bestLastAfter = {{padded("New"), 99},
                                   {padded("R8"), 90},
                                   {padded("R7"), 80},
                                   {padded("R6"), 70},
                                   {padded("R5"), 60}};
    const std::vector<std::pair<std::string, Entries>> cases = {
        {bestLast, bestLastAfter},
        {bestLast + "Part", bestLastAfter},
        {large,
         {{padded("Inside"), 500},
          {padded("New"), 99},
          {padded("Start"), 5},
          {nameless, 0},
          {nameless, 0}}},
    };
    for (const auto& [old, after] : cases) {
        SCOPED_TRACE(old.size());
        for (int stopAt = 1;; ++stopAt) {
            ASSERT_LT(stopAt, 10) << "the save never ends";
            ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
            writeBytes(path(), old);
            giveToChild(path());
            auto game = THiScoreTable::create(path(), 5);
            const Entries before = entriesOf(*game);
            finishGame(*game, "New", 99);
            giveToChild(dir);
            ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
            // The save is killed right after its stopAt-th step reached the file.
            const int status = inChild([&] {
                int steps = 0;
                SaveSteps::watch([&](SaveStep) {
                    if (++steps == stopAt) {
                        ::raise(SIGKILL);
                    }
                });
                return game->save() ? 0 : 1;
            });
            const Entries read = entriesOf(*THiScoreTable::create(path(), 5));
            if (status == 0) {
                EXPECT_EQ(read, after);
                EXPECT_EQ(readBytes(path()).size(), 60u);
                break;
            }
            EXPECT_EQ(status, 128 + SIGKILL);
            EXPECT_TRUE(read == before || read == after) << "killed after step " << stopAt;
        }
    }
}

TEST_F(HiScoreSaveTest, ReadOnlyFilesAreReportedAndKept) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    const std::string denied = std::strerror(EACCES);
    const std::string expected =
        "Could not save the high scores to " + path() + ": " + denied + "\n";
    // A file we may not write, in a directory that does take new files and in one that
    // does not (no writing in place either).
    giveToChild(dir);
    ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
    for (mode_t directoryMode : {mode_t{0755}, mode_t{0555}}) {
        ASSERT_EQ(::chmod(dir.c_str(), directoryMode), 0);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(inChild([&] { return table->save() ? 0 : 1; }), 1);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected);
        EXPECT_EQ(readBytes(path()), oldBytes);
        EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
    }
    // No file yet, in a directory that takes no new file: nothing to write into, nor a lock
    // file to make.
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    fs::remove(path());
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(inChild([&] { return table->save() ? 0 : 1; }), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not save the high scores to " + path() + ": " + FileLock::lockFileOf(path()) +
                  ": " + denied + "\n");
    EXPECT_FALSE(fs::exists(path()));
}

}  // namespace
}  // namespace gb::test
