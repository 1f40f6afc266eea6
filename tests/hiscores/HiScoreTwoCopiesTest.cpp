// Two copies of the game over one high-score file: neither save may drop an entry the other
// wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

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

void finishGame(THiScoreTable& table, const std::string& name, std::int32_t score) {
    THiScore player;
    player.setName(name);
    player.score = score;
    table.addPlayer(player);
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
    // the last entries of both are the best and must all be in the file at the end.
    constexpr int kGames = 40;
    const auto player = [&](int first) {
        return [&, first] {
            auto table = THiScoreTable::create(path(), 5);
            for (int game = 0; game < kGames; ++game) {
                finishGame(*table, playerName(first), 1000 + 2 * game + first);
                if (!table->save()) {
                    return 1;
                }
            }
            return 0;
        };
    };
    pid_t pids[2];
    for (int which = 0; which < 2; ++which) {
        pids[which] = ::fork();
        if (pids[which] == 0) {
            ::_exit(player(which)());
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Entries expected;
    for (int score = 1000 + 2 * kGames - 1; expected.size() < 5; --score) {
        expected.emplace_back(padded(playerName(score % 2)), score);
    }
    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 5)), expected);
}

}  // namespace
}  // namespace gb::test
