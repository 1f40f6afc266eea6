#include <gtest/gtest.h>

#include <limits>

#include "hiscores/THiScore.h"
#include "tests/hiscores/HiScoreTestSupport.h"

namespace gb::test {
namespace {

using HiScoreTest = TempDirTest;

TEST_F(HiScoreTest, CreateAndCopyPrintTheNameAndCopyIsIndependent) {
    auto player = THiScore::create("Player");
    EXPECT_EQ(player->name, "Player");
    EXPECT_EQ(player->score, 0);
    player->addScore(250);
    player->addScore(-50);

    auto copy = player->copy();
    EXPECT_EQ(printed, (std::vector<std::string>{"Player", "Player"}));
    EXPECT_NE(copy.get(), player.get());
    EXPECT_EQ(copy->toString(), "Player 200");

    player->resetScore();
    player->setName("Other");
    EXPECT_EQ(copy->toString(), "Player 200");
    EXPECT_EQ(player->toString(), "Other 0");
}

TEST_F(HiScoreTest, CompareOrdersByScoreWithTheRightSignForAnyScores) {
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    THiScore low;
    THiScore high;
    low.score = 10;
    high.score = 25;
    EXPECT_EQ(low.compare(&high), -15);
    EXPECT_EQ(high.compare(&high), 0);
    EXPECT_EQ(low.compare(nullptr), 1);

    // The plain 32-bit difference would overflow and turn these signs round.
    low.score = kMin;
    high.score = kMax;
    EXPECT_LT(low.compare(&high), 0);
    EXPECT_GT(high.compare(&low), 0);

    // Scores themselves wrap like 32-bit ints rather than overflow.
    high.score = kMax;
    high.addScore(1);
    EXPECT_EQ(high.score, kMin);
}

TEST_F(HiScoreTest, WriteToFitsTheNameToEightBytesAndWritesTheScoreLittleEndian) {
    auto shortName = THiScore::create("Ann");
    shortName->score = -2;
    auto exact = THiScore::create("Eightchr");
    exact->score = 0x01020304;
    auto longName = THiScore::create("Muchtoolongname");
    longName->score = 7;

    StreamRef out = writeStream(path());
    ASSERT_TRUE(out);
    shortName->writeTo(out);
    exact->writeTo(out);
    longName->writeTo(out);
    closeStream(out);

    const std::string expected =
        record("Ann", -2) + record("Eightchr", 0x01020304) + record("Muchtool", 7);
    EXPECT_EQ(readBytes(path()), expected);
    EXPECT_EQ(std::string(expected.data() + 8, 4), std::string("\xFE\xFF\xFF\xFF", 4));
    // The entry keeps the form it was written in.
    EXPECT_EQ(shortName->name, "Ann     ");
    EXPECT_EQ(exact->name, "Eightchr");
    EXPECT_EQ(longName->name, "Muchtool");

    // The buffer form used by the table's save gives the same bytes.
    std::string buffer;
    for (const auto& entry : {shortName, exact, longName}) {
        entry->appendRecordTo(buffer);
    }
    EXPECT_EQ(buffer, expected);
}

TEST_F(HiScoreTest, RecordsAtTheEndOfAStreamReadMissingBytesAsZero) {
    // A whole record, then 10 bytes: a full name and the two low-order score bytes.
    writeBytes(path(), record("Zed", 300) + std::string("Partial!\x34\x12", 10));
    StreamRef in = readStream(path());
    ASSERT_TRUE(in);
    auto first = THiScore::readFrom(in);
    auto second = THiScore::readFrom(in);
    EXPECT_EQ(first->toString(), "Zed      300");
    EXPECT_EQ(second->name, "Partial!");
    EXPECT_EQ(second->score, 0x1234);
    EXPECT_TRUE(printed.empty());
}

}  // namespace
}  // namespace gb::test
