// A save never writes the file without its lock: a copy of the game whose save finds another
// copy's save under way for longer than it waits keeps its scores for later, and the two copies
// take turns whichever of them can open the directory or create files in it.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "hiscores/FileLock.h"
#include "hiscores/SaveSteps.h"
#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"
#include "tests/support/PlatformSkips.h"

namespace gb::test {
namespace {

constexpr std::chrono::milliseconds kShortWait{100};

std::string busyLine(const std::string& file) {
    return "Could not save the high scores to " + file +
           " yet: another copy of the game kept it locked for 0.1 s. The new scores are kept, "
           "to be saved with the next one or when the game ends.\n";
}

class HiScoreLockTest : public TempDirTest {
  protected:
    void TearDown() override {
        SaveSteps::watch(nullptr);
        TempDirTest::TearDown();
    }

    std::vector<std::string> filesInDir() {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(dir)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The holder finishes a game as Ann (450) and saves, and stays at the step holdAt, with
    // the lock, until the waiter has tried to save. The waiter, with a short wait, finishes a
    // game as Bob (300) and saves while the holder holds the lock; once the holder is done it
    // saves again (the next save, or the one at the end) with what it kept.
    struct Outcome {
        int holder = -1;
        int waiter = -1;
        std::string err;
    };
    Outcome holdWhileTheOtherSaves(SaveStep holdAt, bool holderUnprivileged,
                                   bool waiterUnprivileged) {
        const Cue holding;
        const Cue tried;
        const Cue released;
        const Cue again;
        Outcome outcome;
        ::testing::internal::CaptureStderr();
        const pid_t holder = startInChild(
            [&] {
                ::alarm(60);
                auto table = THiScoreTable::create(path(), 5);
                finishGame(*table, "Ann", 450);
                SaveSteps::watch([&](SaveStep step) {
                    if (step == holdAt) {
                        holding.give();
                        released.await();
                    }
                });
                return table->save() ? 0 : 1;
            },
            holderUnprivileged);
        if (!holding.await()) {
            ::kill(holder, SIGKILL);
            outcome.holder = waitForChild(holder);
            outcome.err = ::testing::internal::GetCapturedStderr();
            return outcome;
        }
        const pid_t waiter = startInChild(
            [&] {
                ::alarm(60);
                auto table = THiScoreTable::create(path(), 5);
                table->lockWait = kShortWait;
                finishGame(*table, "Bob", 300);
                const bool savedWhileHeld = table->save();
                tried.give();
                if (!again.await() || savedWhileHeld) {
                    return 1;
                }
                return table->save() ? 0 : 2;
            },
            waiterUnprivileged);
        tried.await();
        released.give();
        outcome.holder = waitForChild(holder);
        again.give();
        outcome.waiter = waitForChild(waiter);
        outcome.err = ::testing::internal::GetCapturedStderr();
        return outcome;
    }

    void expectBothScoresKept(const Outcome& outcome) {
        EXPECT_EQ(outcome.holder, 0);
        EXPECT_EQ(outcome.waiter, 0);
        EXPECT_EQ(outcome.err, busyLine(path()));
        EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)),
                  (Entries{{padded("Ann"), 450}, {padded("Bob"), 300}, {padded("Old"), 100}}));
        EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
    }
};

TEST_F(HiScoreLockTest, ASaveHeldUpLongerThanTheWaitLosesNeitherScore) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    // The holder is held up after its new file is flushed and before it is renamed into place
    // (a slow disk); in the directory taken in place, after the records are written.
    struct Case {
        const char* what;
        mode_t mode;
        bool fileAtFirst;
        SaveStep holdAt;
    };
    for (const Case& c : {
             Case{"a directory that can be read", 0755, true, SaveStep::flushed},
             Case{"a directory that cannot be read", 0333, true, SaveStep::flushed},
             Case{"a directory that cannot be read, no file yet", 0333, false, SaveStep::flushed},
             Case{"a directory that takes no new file", 0555, true, SaveStep::wrote},
         }) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
        fs::remove(path());
        writeBytes(path(), record("Old", 100));
        giveToChild(path());
        if (!c.fileAtFirst) {
            // The waiter loads the defaults; the holder makes the file.
            fs::remove(path());
        }
        giveToChild(dir);
        ASSERT_EQ(::chmod(dir.c_str(), c.mode), 0);
        const Outcome outcome = holdWhileTheOtherSaves(c.holdAt, true, true);
        if (c.fileAtFirst) {
            expectBothScoresKept(outcome);
        } else {
            EXPECT_EQ(outcome.holder, 0);
            EXPECT_EQ(outcome.waiter, 0);
            EXPECT_EQ(outcome.err, busyLine(path()));
            EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)),
                      (Entries{{padded("Quillon"), 500},
                               {padded("Ann"), 450},
                               {padded("Vantrel"), 400},
                               {padded("Tessary"), 300},
                               {padded("Bob"), 300}}));
            EXPECT_EQ(filesInDir(), std::vector<std::string>{"gb.dat"});
        }
    }
}

TEST_F(HiScoreLockTest, CopiesThatCanDoDifferentThingsInTheDirectoryStillTakeTurns) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    if (!runningAsRoot()) {
        GTEST_SKIP() << "two players with different rights over one directory need root";
    }
    // The directory is root's: root can open it and replace the file; the player can do
    // neither (0711), or can create files but not open it (0733), and writes the file that is
    // his in place or replaces it. Whichever holds, the other waits.
    struct Case {
        const char* what;
        mode_t mode;
        bool rootHolds;
        SaveStep holdAt;
    };
    for (const Case& c : {
             Case{"root replaces, the player waits to write in place", 0711, true,
                  SaveStep::flushed},
             Case{"the player writes in place, root waits", 0711, false, SaveStep::wrote},
             Case{"root replaces, the player waits to replace", 0733, true, SaveStep::flushed},
             Case{"the player replaces, root waits", 0733, false, SaveStep::flushed},
         }) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
        ASSERT_EQ(::chown(dir.c_str(), 0, 0), 0);
        writeBytes(path(), record("Old", 100));
        giveToChild(path());
        ASSERT_EQ(::chmod(dir.c_str(), c.mode), 0);
        expectBothScoresKept(holdWhileTheOtherSaves(c.holdAt, !c.rootHolds, c.rootHolds));
    }
}

TEST_F(HiScoreLockTest, AnExitSaveThatCannotLockSaysWhichScoresWereNotSaved) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    writeBytes(path(), record("Old", 100));
    const Cue holding;
    const Cue released;
    const pid_t holder = startInChild(
        [&] {
            ::alarm(60);
            auto table = THiScoreTable::create(path(), 5);
            finishGame(*table, "Ann", 450);
            SaveSteps::watch([&](SaveStep step) {
                if (step == SaveStep::flushed) {
                    holding.give();
                    released.await();
                }
            });
            return table->save() ? 0 : 1;
        },
        false);
    ASSERT_TRUE(holding.await());

    auto table = THiScoreTable::create(path(), 5);
    table->lockWait = kShortWait;
    const std::vector<std::pair<const char*, int>> games = {
        {"Bob", 300}, {"Cy", 20}, {"Di", 310}, {"Ed", 5}, {"Flo", 300}, {"Gus", 1}, {"Hal", 2}};
    for (const auto& [name, score] : games) {
        finishGame(*table, name, score);
    }
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(table->save());
    EXPECT_FALSE(table->saveAtExit());
    // Said once for both saves; then the best five of the seven, as the table ranks them.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              busyLine(path()) + "These scores were not saved to " + path() +
                  ": Di 310, Bob 300, Flo 300, Cy 20, Ed 5 and 2 lower.\n");
    released.give();
    EXPECT_EQ(waitForChild(holder), 0);
    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)),
              (Entries{{padded("Ann"), 450}, {padded("Old"), 100}}));

    // Once the lock is free the exit save saves them all, and says nothing.
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(table->saveAtExit());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)), (Entries{{padded("Ann"), 450},
                                                                     {padded("Di"), 310},
                                                                     {padded("Bob"), 300},
                                                                     {padded("Flo"), 300},
                                                                     {padded("Old"), 100}}));
}

TEST_F(HiScoreLockTest, TheLockFileIsTakenOverFromAKilledSaveAndNeverFollowed) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    // While there is no file the lock file stands in for it. One that a killed save left
    // behind is taken and removed; one that another save holds is waited for.
    const std::string lockFile = FileLock::lockFileOf(path());
    writeBytes(lockFile, "");
    auto table = THiScoreTable::create(path(), 5);
    table->lockWait = kShortWait;
    finishGame(*table, "Ann", 450);
    {
        const int held = ::open(lockFile.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(table->save());
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), busyLine(path()));
        EXPECT_FALSE(fs::exists(path()));
        ::close(held);
    }
    ASSERT_TRUE(table->save());
    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)).at(1),
              (std::pair<std::string, std::int32_t>{padded("Ann"), 450}));
    EXPECT_FALSE(fs::exists(lockFile));

    // A link where the lock file goes is not followed to make a file elsewhere.
    fs::remove(path());
    fs::create_symlink("elsewhere", lockFile);
    finishGame(*table, "Bob", 300);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(table->save());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Could not save the high scores to " +
                                                            path() + ": " + lockFile + ": " +
                                                            std::strerror(ELOOP) + "\n");
    EXPECT_FALSE(fs::exists(path("elsewhere")));
    EXPECT_FALSE(fs::exists(path()));
}

}  // namespace
}  // namespace gb::test
