// High-score files that are there but cannot be read, or that no one should wait for: the
// game plays with the default table and leaves them exactly as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"
#include "tests/support/PlatformSkips.h"

namespace gb::test {
namespace {

using HiScoreHostileFileTest = TempDirTest;

const Entries kDefaults = {
    {"Quillon", 500}, {"Vantrel", 400}, {"Tessary", 300}, {"FMOD", 200}, {"Norvane", 100},
};

std::string unreadableLine(const std::string& file, const std::string& reason) {
    return "Could not read the high scores in " + file + ": " + reason +
           ". Playing with the default scores; " + file + " will not be overwritten.\n";
}

// One run of the game over the file, in a child process: load, a finished game, the save at
// game over, a second load and the save at the end. Returns 0 when the table played with the
// defaults and neither save wrote; the alarm turns a start that hangs into a failure.
int playOneRun(const std::string& file, bool unprivileged) {
    return inChild(
        [&] {
            ::alarm(30);
            auto table = THiScoreTable::create(file, 5);
            if (entriesOf(*table) != kDefaults) {
                return 1;
            }
            THiScore player;
            player.setName("Zed");
            player.score = 999;
            table->addPlayer(player);
            if (table->save()) {
                return 2;
            }
            table->load();
            return table->save() ? 3 : 0;
        },
        unprivileged);
}

TEST_F(HiScoreHostileFileTest, AFileThatCannotBeReadIsReportedOnceAndNeverOverwritten) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    // Readable by no one but root; the directory lets the player replace it all the same.
    writeBytes(path(), record("Old", 42));
    ASSERT_EQ(::chmod(path().c_str(), 0200), 0);
    giveToChild(path());
    giveToChild(dir);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(playOneRun(path(), true), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              unreadableLine(path(), std::strerror(EACCES)));
    // Readable again to look at it (when the tests do not run as root).
    ASSERT_EQ(::chmod(path().c_str(), 0600), 0);
    EXPECT_EQ(readBytes(path()), record("Old", 42));

    // Neither a directory nor a name that passes through a file.
    fs::remove(path());
    fs::create_directory(path());
    writeBytes(path() + "/inside", "x");
    writeBytes(path("plain"), "x");
    for (const auto& [file, reason] :
         {std::pair{path(), std::string(std::strerror(EISDIR))},
          std::pair{path("plain") + "/gb.dat", std::string(std::strerror(ENOTDIR))}}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(playOneRun(file, false), 0) << file;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), unreadableLine(file, reason));
    }
    EXPECT_EQ(readBytes(path() + "/inside"), "x");
    EXPECT_EQ(readBytes(path("plain")), "x");
}

TEST_F(HiScoreHostileFileTest, SpecialFilesAndLinksToThemAreNeitherWaitedForNorReplaced) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0666), 0);
    fs::create_symlink("fifo", path("to-fifo"));
    fs::create_symlink("loop", path("loop"));
    std::vector<std::pair<std::string, std::string>> cases = {
        {path("fifo"), "not a regular file"},
        {path("to-fifo"), "not a regular file"},
        {path("loop"), std::strerror(ELOOP)},
    };
    // A device node like /dev/null, where the system lets us make one here.
    if (::mknod(path("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        fs::create_symlink("device", path("to-device"));
        cases.emplace_back(path("to-device"), "not a regular file");
    } else {
        std::printf("[ note     ] no device node can be made here (%s): not tried\n",
                    std::strerror(errno));
    }
    for (const auto& [file, reason] : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(playOneRun(file, false), 0) << file;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), unreadableLine(file, reason));
    }
    EXPECT_TRUE(fs::is_fifo(path("fifo")));
    EXPECT_TRUE(fs::is_symlink(path("to-fifo")));
    if (fs::exists(path("to-device"))) {
        EXPECT_TRUE(fs::is_character_file(path("device")));
        EXPECT_TRUE(fs::is_symlink(path("to-device")));
    }
}

TEST_F(HiScoreHostileFileTest, AFileThatTurnsIntoAFifoAfterTheStartIsNotWaitedForAtTheSave) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    writeBytes(path(), record("Old", 42));
    auto table = THiScoreTable::create(path(), 5);
    table->addPlayer(THiScore());
    fs::remove(path());
    ASSERT_EQ(::mkfifo(path().c_str(), 0666), 0);
    ::testing::internal::CaptureStderr();
    const auto saveOnce = [&] {
        ::alarm(30);  // a save that waits for a writer fails the test instead of hanging it
        return table->save() ? 1 : 0;
    };
    EXPECT_EQ(inChild(saveOnce, false), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Could not save the high scores to " + path() +
                  ": the scores there could not be read (not a regular file)\n");
    EXPECT_TRUE(fs::is_fifo(path()));
}

// Peak resident memory of this process in kB, as the kernel reports it.
long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST_F(HiScoreHostileFileTest, OnlyTheStartOfAHugeFileIsRead) {
    GUMBOLT_SKIP_IN_BROWSER("the in-memory files of a browser hold no sparse 20 GB file");
    constexpr off_t kRecord = THiScore::kRecordSize;
    constexpr off_t kBound = static_cast<off_t>(THiScoreTable::kMaxFileRecords) * kRecord;
    constexpr off_t kSize = off_t{20} << 30;  // 20 GB, nearly all of it a hole of zero bytes
    {
        const int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        if (::ftruncate(fd, kSize) != 0) {
            ::close(fd);
            GTEST_SKIP() << "this file system takes no 20 GB file: " << std::strerror(errno);
        }
        const auto put = [&](const std::string& bytes, off_t at) {
            ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at),
                      static_cast<ssize_t>(bytes.size()));
        };
        put(record("Start", 5), 0);
        put(record("Inside", 800), kBound - kRecord);  // the last record read
        put(record("Beyond", 1000), kBound);           // the first one not read
        put(record("Last", 2000), kSize / kRecord * kRecord - kRecord);
        ::close(fd);
    }

    // Start the peak from the current size, so earlier tests in this process do not hide it.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = peakResidentKb();
    auto table = THiScoreTable::create(path(), 5);
    const long after = peakResidentKb();
    std::printf("[ memory   ] peak resident before %ld kB, after loading 20 GB %ld kB\n", before,
                after);

    const std::string nameless(8, '\0');
    EXPECT_EQ(entriesOf(*table), (Entries{{padded("Inside"), 800},
                                          {padded("Start"), 5},
                                          {nameless, 0},
                                          {nameless, 0},
                                          {nameless, 0}}));
    ASSERT_GT(before, 0);
    EXPECT_LT(after - before, 8 * 1024);
}

}  // namespace
}  // namespace gb::test
