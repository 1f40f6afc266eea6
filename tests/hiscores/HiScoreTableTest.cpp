#include <gtest/gtest.h>

#include "hiscores/THiScoreTable.h"
#include "tests/hiscores/HiScoreTestSupport.h"

namespace gb::test {
namespace {

using HiScoreTableTest = TempDirTest;

const Entries kDefaults = {
    {"Quillon", 500}, {"Vantrel", 400}, {"Tessary", 300}, {"FMOD", 200}, {"Norvane", 100},
};

TEST_F(HiScoreTableTest, WithoutAFileTheDefaultTableIsUsedAndNothingIsWritten) {
    ::testing::internal::CaptureStderr();
    auto table = THiScoreTable::create(path(), 5);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // no file is nothing to report
    EXPECT_EQ(entriesOf(*table), kDefaults);
    EXPECT_EQ(printed,
              (std::vector<std::string>{"Quillon", "Vantrel", "Tessary", "FMOD", "Norvane"}));
    EXPECT_FALSE(fs::exists(path()));
    EXPECT_EQ(table->toString(),
              "HiScoreTable\r\nMaximum Scores : 5\r\nFile : " + path() +
                  "\r\nScore Count : 5\r\n"
                  "Quillon 500\r\nVantrel 400\r\nTessary 300\r\nFMOD 200\r\nNorvane 100\r\n");
    // Until a game adds an entry, saving writes nothing.
    EXPECT_TRUE(table->save());
    EXPECT_FALSE(fs::exists(path()));
}

TEST_F(HiScoreTableTest, AnEmptyFileGivesAnEmptyTable) {
    writeBytes(path(), "");
    auto table = THiScoreTable::create(path(), 5);
    EXPECT_EQ(table->firstLink(), nullptr);
    EXPECT_TRUE(printed.empty());
    EXPECT_EQ(table->toString(),
              "HiScoreTable\r\nMaximum Scores : 5\r\nFile : " + path() + "\r\nScore Count : 0\r\n");
}

TEST_F(HiScoreTableTest, RecordsAreSortedDescendingAndTrimmedToTheMaximum) {
    writeBytes(path(), record("g", 70) + record("neg", -5) + record("a", 700) + record("z", 0) +
                           record("m", 300) + record("big", 2000000000) + record("c", 71));
    auto table = THiScoreTable::create(path(), 5);
    EXPECT_EQ(entriesOf(*table), (Entries{{padded("big"), 2000000000},
                                          {padded("a"), 700},
                                          {padded("m"), 300},
                                          {padded("c"), 71},
                                          {padded("g"), 70}}));
    EXPECT_TRUE(printed.empty());

    // With room for all of them the negative score sorts below zero.
    auto wide = THiScoreTable::create(path(), 10);
    ASSERT_EQ(entriesOf(*wide).size(), 7u);
    EXPECT_EQ(entriesOf(*wide)[5], (std::pair<std::string, std::int32_t>{padded("z"), 0}));
    EXPECT_EQ(entriesOf(*wide)[6], (std::pair<std::string, std::int32_t>{padded("neg"), -5}));

    EXPECT_EQ(entriesOf(*THiScoreTable::create(path(), 0)), Entries{});
}

TEST_F(HiScoreTableTest, EqualScoresKeepTheirFileOrderAcrossTheCut) {
    writeBytes(path(), record("t1", 10) + record("top", 50) + record("t2", 10) + record("t3", 10) +
                           record("t4", 10) + record("t5", 10) + record("t6", 10));
    auto table = THiScoreTable::create(path(), 5);
    EXPECT_EQ(entriesOf(*table), (Entries{{padded("top"), 50},
                                          {padded("t1"), 10},
                                          {padded("t2"), 10},
                                          {padded("t3"), 10},
                                          {padded("t4"), 10}}));
}

TEST_F(HiScoreTableTest, ATrailingPartialRecordIsOneMoreEntry) {
    writeBytes(path(), record("Whole", 90) + "Parts");  // 17 bytes
    auto table = THiScoreTable::create(path(), 5);
    EXPECT_EQ(entriesOf(*table),
              (Entries{{padded("Whole"), 90}, {std::string("Parts\0\0\0", 8), 0}}));

    // Score bytes present are the low-order ones.
    writeBytes(path(), record("Whole", 90) + std::string("NameOnly\x2C\x01", 10));
    table->load();
    EXPECT_EQ(entriesOf(*table), (Entries{{"NameOnly", 300}, {padded("Whole"), 90}}));
}

TEST_F(HiScoreTableTest, AddPlayerKeepsACopyThatBeatsTheLowestScoreOrHasRoom) {
    auto table = THiScoreTable::create(path(), 5);
    printed.clear();
    auto player = THiScore::create("Player");
    player->score = 100;  // equal to the lowest: sorts after it and is the one dropped
    table->addPlayer(player);
    EXPECT_EQ(entriesOf(*table), kDefaults);
    EXPECT_EQ(printed, (std::vector<std::string>{"Player", "Player"}));  // copied all the same

    player->score = 900;
    table->addPlayer(*player);
    Entries expected = kDefaults;
    expected.insert(expected.begin(), {"Player", 900});
    expected.pop_back();
    EXPECT_EQ(entriesOf(*table), expected);
    // The game goes on using its own entry; the table's copy does not follow it.
    EXPECT_NE(table->firstLink()->value().get(), player.get());
    player->resetScore();
    EXPECT_EQ(table->firstLink()->value()->score, 900);

    writeBytes(path(), record("Solo", 10));
    table->load();
    player->score = -40;
    table->addPlayer(player);
    player->score = 10;
    table->addPlayer(player);
    EXPECT_EQ(entriesOf(*table), (Entries{{padded("Solo"), 10}, {"Player", 10}, {"Player", -40}}));
}

TEST_F(HiScoreTableTest, SavePadsNamesAndAReloadGivesTheSameTable) {
    auto table = THiScoreTable::create(path(), 5);
    THiScore player;
    player.setName("Ann");
    player.score = 450;
    table->addPlayer(player);
    ASSERT_TRUE(table->save());

    EXPECT_EQ(readBytes(path()), record("Quillon", 500) + record("Ann", 450) +
                                     record("Vantrel", 400) + record("Tessary", 300) +
                                     record("FMOD", 200));
    EXPECT_EQ(table->firstLink()->nextLink()->value()->name, "Ann     ");

    auto reloaded = THiScoreTable::create(path(), 5);
    EXPECT_EQ(reloaded->toString(), table->toString());
    EXPECT_EQ(reloaded->firstLink()->nextLink()->value()->toString(), "Ann      450");
}

}  // namespace
}  // namespace gb::test
