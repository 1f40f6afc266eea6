// Two copies of the game over one high-score file: neither save may drop an entry the other
// wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"
#include "tests/support/PlatformSkips.h"

namespace gb::test {
namespace {

using HiScoreTwoCopiesTest = TempDirTest;

// "P0" or "P1": the names of the two processes' players.
std::string playerName(int which) {
    std::string name(1, 'P');
    name.push_back(static_cast<char>('0' + which));
    return name;
}

TEST_F(HiScoreTwoCopiesTest, EachSaveAddsItsOwnNewEntriesToWhatTheFileHoldsNow) {
    // Both started before either saved; "a" finishes a game first, "b" keeps to the title.
    for (bool aQuitsFirst : {false, true}) {
        SCOPED_TRACE(aQuitsFirst ? "a quits first" : "b quits first");
        fs::remove(path());
        auto a = THiScoreTable::create(path(), 5);
        auto b = THiScoreTable::create(path(), 5);
        finishGame(*a, "Ann", 450);
        ASSERT_TRUE(a->save());
        const std::string afterA = readBytes(path());
        EXPECT_EQ(afterA, record("Quillon", 500) + record("Ann", 450) + record("Vantrel", 400) +
                              record("Tessary", 300) + record("FMOD", 200));
        // A copy that added nothing writes nothing, before or after the other quits.
        if (aQuitsFirst) {
            ASSERT_TRUE(a->save());
        }
        ASSERT_TRUE(b->save());
        EXPECT_EQ(readBytes(path()), afterA);

        // Then both finish games; whichever saves second keeps the first one's entry, and
        // its own earlier entry is not added twice.
        finishGame(*b, "Bob", 350);
        finishGame(*a, "Cat", 600);
        THiScoreTable& first = aQuitsFirst ? *a : *b;
        THiScoreTable& second = aQuitsFirst ? *b : *a;
        ASSERT_TRUE(first.save());
        ASSERT_TRUE(second.save());
        const Entries expected = {{padded("Cat"), 600},
                                  {padded("Quillon"), 500},
                                  {padded("Ann"), 450},
                                  {padded("Vantrel"), 400},
                                  {padded("Bob"), 350}};
        EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)), expected);
        // The copy that saved last shows the whole result; a tie ranks the file's entry first.
        EXPECT_EQ(entriesOf(second), expected);
        finishGame(first, "Dee", 350);
        ASSERT_TRUE(first.save());
        EXPECT_EQ(entriesOf(first).back(),
                  (std::pair<std::string, std::int32_t>{padded("Bob"), 350}));
    }
}

TEST_F(HiScoreTwoCopiesTest, AnEntryTheTableDroppedIsStillOfferedToTheFile) {
    // This copy's table is full of better scores, but the file was emptied meanwhile.
    auto table = THiScoreTable::create(path(), 5);
    finishGame(*table, "Low", 50);
    EXPECT_EQ(entriesOf(*table).size(), 5u);
    writeBytes(path(), "");
    ASSERT_TRUE(table->save());
    EXPECT_EQ(readBytes(path()), record("Low", 50));
}

TEST_F(HiScoreTwoCopiesTest, TwoProcessesSavingAtOnceLoseNothing) {
    GUMBOLT_SKIP_WITHOUT_PROCESSES();
    // Each process finishes forty games and saves after each; the scores of both grow, so
    // the last entries of both are the best and must all be in the file at the end. In a
    // directory that can be read, both lock it; in one that cannot (only written into and
    // passed through), they lock the file itself, or the lock file beside it while there is
    // no file yet.
    constexpr int kGames = 40;
    struct Case {
        const char* what;
        mode_t mode;
        bool fileAtFirst;
    };
    for (const Case& c : {Case{"a directory that can be read", 0755, false},
                          Case{"a directory that cannot be read, no file at first", 0333, false},
                          Case{"a directory that cannot be read, a file at first", 0333, true}}) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
        fs::remove(path());
        if (c.fileAtFirst) {
            writeBytes(path(), record("Old", 1));
            giveToChild(path());
        }
        giveToChild(dir);
        ASSERT_EQ(::chmod(dir.c_str(), c.mode), 0);
        const auto player = [&](int which) {
            return [&, which] {
                ::alarm(120);
                auto table = THiScoreTable::create(path(), 5);
                for (int game = 0; game < kGames; ++game) {
                    finishGame(*table, playerName(which), 1000 + 2 * game + which);
                    if (!table->save()) {
                        return 1;
                    }
                }
                return 0;
            };
        };
        const pid_t first = startInChild(player(0));
        const pid_t second = startInChild(player(1));
        EXPECT_EQ(waitForChild(first), 0);
        EXPECT_EQ(waitForChild(second), 0);

        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
        Entries expected;
        for (int score = 1000 + 2 * kGames - 1; expected.size() < 5; --score) {
            expected.emplace_back(padded(playerName(score % 2)), score);
        }
        EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)), expected);
        // Neither a lock file nor a temporary file is left.
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(dir)) {
            names.push_back(item.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"gb.dat"});
    }
}

}  // namespace
}  // namespace gb::test
