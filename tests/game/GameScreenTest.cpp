// What the screens draw and where, read from the recording display.

#include <map>

#include "effects/TFruitShower.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "tests/game/GameHarness.h"

namespace gb::testing {
namespace {

using Screens = GameHarness;

std::vector<std::pair<float, float>> positions(const std::vector<TDrawCall>& draws) {
    std::vector<std::pair<float, float>> out;
    for (const auto& call : draws) {
        out.emplace_back(call.x, call.y);
    }
    return out;
}

TEST_F(Screens, DrawNumberRightAlignsDigitsTwentySixPixelsApart) {
    startGame();
    display->reset();
    game->drawNumber(12345, 280, 230);
    const auto draws = display->drawsOf(game->digitsImage.get());
    ASSERT_EQ(draws.size(), 5u);
    // Drawn from the last digit to the first.
    const float xs[] = {204, 178, 152, 126, 100};
    const int cells[] = {5, 4, 3, 2, 1};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(draws[i].x, xs[i]);
        EXPECT_EQ(draws[i].y, 280.0f);
        EXPECT_EQ(draws[i].cell, cells[i]);
    }
    display->reset();
    game->drawNumber(0, 330, 230);
    ASSERT_EQ(display->drawsOf(game->digitsImage.get()).size(), 1u);
    EXPECT_EQ(display->drawsOf(game->digitsImage.get())[0].x, 204.0f);
}

TEST_F(Screens, DrawStringAdvancesByTheLetterTable) {
    startGame();
    display->reset();
    EXPECT_EQ(game->DrawString("", 7, 0), 7);
    EXPECT_EQ(game->DrawString("Ab", 0, 0), 30);
    const auto draws = display->drawsOf(game->lettersImage.get());
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].cell, 0);
    EXPECT_EQ(draws[0].x, 0.0f);
    EXPECT_EQ(draws[1].cell, 3);
    EXPECT_EQ(draws[1].x, 16.0f);
    EXPECT_EQ(game->DrawString("Wim", 100, 0), 154);
    // A space moves the pen 16; a digit is skipped without moving it and is traced.
    std::vector<std::string> trace;
    platform.console.debug = [&](std::string_view line) { trace.emplace_back(line); };
    platform.console.debugOn = true;
    EXPECT_EQ(game->DrawString("a 1b", 0, 0), 14 + 16 + 14);
    platform.console.debugOn = false;
    platform.console.debug = nullptr;
    EXPECT_NE(std::find(trace.begin(), trace.end(), "DrawString unknown character : 1"),
              trace.end());
    EXPECT_EQ(game->DrawString("IiLlEeHhGgMm", 0, 0),
              10 + 8 + 12 + 8 + 14 + 14 + 18 + 14 + 20 + 14 + 24 + 22);
}

TEST_F(Screens, BoxRingIsAClosedLoopOfBlocksAroundTheStretchedPanel) {
    startGame();
    display->reset();
    game->colourCycle = 3;
    const int afterRing = game->drawBox(10, 10);
    const auto panel = display->drawsOf(game->panelImage.get());
    ASSERT_EQ(panel.size(), 1u);
    EXPECT_EQ(panel[0].x, 255.0f);
    EXPECT_EQ(panel[0].y, 141.0f);
    EXPECT_EQ(panel[0].width, 290.0f);
    EXPECT_EQ(panel[0].height, 290.0f);
    const auto ring = display->drawsOf(game->blockImage.get());
    ASSERT_EQ(ring.size(), 40u);
    EXPECT_EQ(std::make_pair(ring[0].x, ring[0].y), std::make_pair(270.0f, 126.0f));
    EXPECT_EQ(std::make_pair(ring[9].x, ring[9].y), std::make_pair(531.0f, 126.0f));
    EXPECT_EQ(std::make_pair(ring[10].x, ring[10].y), std::make_pair(531.0f, 155.0f));
    EXPECT_EQ(std::make_pair(ring[19].x, ring[19].y), std::make_pair(531.0f, 416.0f));
    EXPECT_EQ(std::make_pair(ring[20].x, ring[20].y), std::make_pair(502.0f, 416.0f));
    EXPECT_EQ(std::make_pair(ring[29].x, ring[29].y), std::make_pair(241.0f, 416.0f));
    EXPECT_EQ(std::make_pair(ring[30].x, ring[30].y), std::make_pair(241.0f, 387.0f));
    EXPECT_EQ(std::make_pair(ring[39].x, ring[39].y), std::make_pair(241.0f, 126.0f));
    // Each block takes the next colour.
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(ring[i].cell, static_cast<int>((3 + i) % 7));
    }
    EXPECT_EQ(afterRing, (3 + 40) % 7);
    EXPECT_EQ(game->colourCycle, 3);
}

TEST_F(Screens, TitleOverlayKeepsItsColourAndListsTheTable) {
    startGame();
    game->colourCycle = 5;
    display->reset();
    game->drawTitleScreen();
    EXPECT_EQ(game->colourCycle, 5);
    const auto start = display->drawsOf(game->startImage.get());
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].cell, 1);  // blink frame: colourCycle mod 2
    EXPECT_EQ(std::make_pair(start[0].x, start[0].y), std::make_pair(300.0f, 260.0f));
    const auto logo = display->drawsOf(game->logoImage.get());
    ASSERT_EQ(logo.size(), 1u);
    EXPECT_EQ(std::make_pair(logo[0].x, logo[0].y), std::make_pair(287.0f, 70.0f));
    // The heading at (325, 300) and five rows at 340..460, scores ending at x 499.
    const auto letters = display->drawsOf(game->lettersImage.get());
    ASSERT_FALSE(letters.empty());
    EXPECT_EQ(std::make_pair(letters[0].x, letters[0].y), std::make_pair(325.0f, 300.0f));
    const auto digits = display->drawsOf(game->digitsImage.get());
    std::vector<float> rows;
    for (const auto& d : digits) {
        if (d.x == 499.0f) {
            rows.push_back(d.y);
        }
    }
    EXPECT_EQ(rows, (std::vector<float>{340, 370, 400, 430, 460}));
}

TEST_F(Screens, PlayScreenPlacesPanelsGridsAndPipes) {
    startGame();
    game->updateScreen();
    display->reset();
    game->drawScreen();
    const auto panels = display->drawsOf(game->panelImage.get());
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(std::make_pair(panels[0].x, panels[0].width), std::make_pair(20.0f, 216.0f));
    EXPECT_EQ(std::make_pair(panels[1].x, panels[1].height), std::make_pair(565.0f, 560.0f));
    EXPECT_EQ(positions(display->drawsOf(game->scoreLabelImage.get())),
              (std::vector<std::pair<float, float>>{{25, 280}}));
    EXPECT_EQ(positions(display->drawsOf(game->keysImage.get())),
              (std::vector<std::pair<float, float>>{{590, 250}}));
    // The grid backgrounds are tiled inside their own viewports.
    int tiles = 0;
    for (const auto& call : display->calls()) {
        if (call.op == TDrawCall::Op::tile) {
            ++tiles;
            const bool game_ = call.state.viewport.x == 255 && call.state.viewport.width == 290 &&
                               call.state.viewport.height == 580;
            const bool preview = call.state.viewport.x == 585 && call.state.viewport.y == 60 &&
                                 call.state.viewport.width == 174;
            EXPECT_TRUE(game_ || preview);
        }
    }
    EXPECT_EQ(tiles, 2);
    // The pipe frame: 39 bottom, 23 top, 4 x 28 vertical and 8 corner pieces.
    const auto pipes = display->drawsOf(game->pipesImage.get());
    EXPECT_EQ(pipes.size(), 39u + 23u + 112u + 8u);
    // The spinner turns one degree per frame (before the frame is drawn), about its centre at
    // (400, 590).
    const auto spinner = display->drawsOf(game->spinnerImage.get());
    ASSERT_EQ(spinner.size(), 1u);
    EXPECT_EQ(spinner[0].state.rotation, -1.0f);
    EXPECT_EQ(std::make_pair(spinner[0].x, spinner[0].y), std::make_pair(400.0f, 590.0f));
    EXPECT_EQ(drawState().rotation, 0.0f);
}

TEST_F(Screens, NameEntryDrawsPromptNameAndCursorAfterTheLastLetter) {
    startGame();
    game->colourCycle = 0;
    display->reset();
    game->drawNameEntryScreen();
    const auto blocks = display->drawsOf(game->blockImage.get());
    ASSERT_EQ(blocks.size(), 41u);
    // "Player" from x 290: P14 l8 a14 y14 e14 r11 = 75, cursor at 290 + 75 + 2.
    EXPECT_EQ(std::make_pair(blocks[40].x, blocks[40].y), std::make_pair(367.0f, 380.0f));
    EXPECT_EQ(blocks[40].cell, 40 % 7);
    EXPECT_EQ(game->colourCycle, 0);
}

TEST_F(Screens, LevelUpBoxWaitsForTheFruitToFinish) {
    startGame();
    game->gameGrid->dropFruit(3, 3);
    display->reset();
    game->drawLevelUpScreen(2);
    EXPECT_TRUE(display->calls().empty());
    game->gameGrid->fruits->particles.clear();
    game->drawLevelUpScreen(2);
    const auto digits = display->drawsOf(game->digitsImage.get());
    ASSERT_EQ(digits.size(), 1u);
    EXPECT_EQ(std::make_pair(digits[0].x, digits[0].y), std::make_pair(434.0f, 360.0f));
}

// The play screen shows the score on row 280 and the level on row 330, both ending at x 230,
// and the player's name from (130, 225); the line count is not shown.
TEST_F(Screens, PlayScreenShowsScoreLevelAndNameInTheirPlaces) {
    startGame();
    game->score = 4071;
    game->level = 12;
    game->lines = 9;
    game->player->name = "Zed";
    display->reset();
    game->drawScreen();
    std::map<float, std::vector<std::pair<float, int>>> digitRows;
    for (const auto& call : display->drawsOf(game->digitsImage.get())) {
        digitRows[call.y].emplace_back(call.x, call.cell);
    }
    using Row = std::vector<std::pair<float, int>>;
    EXPECT_EQ(digitRows[280.0f], (Row{{204, 1}, {178, 7}, {152, 0}, {126, 4}}));
    EXPECT_EQ(digitRows[330.0f], (Row{{204, 2}, {178, 1}}));
    EXPECT_EQ(digitRows.size(), 2u);
    Row letters;
    for (const auto& call : display->drawsOf(game->lettersImage.get())) {
        EXPECT_EQ(call.y, 225.0f);
        letters.emplace_back(call.x, call.cell);
    }
    EXPECT_EQ(letters, (Row{{130, 50}, {146, 9}, {160, 7}}));  // Z, e, d
}

// Each strip is cut at the cell size of its picture: a strip cut wrongly shows halves of two
// glyphs in one cell.
TEST_F(Screens, PictureStripsAreCutIntoTheirCells) {
    startGame();
    struct Strip {
        const char* name;
        const ImageRef& image;
        int width, height, count;
    };
    const Strip strips[] = {
        {"numbers", game->digitsImage, 24, 28, 10}, {"letters", game->lettersImage, 28, 31, 52},
        {"pipes", game->pipesImage, 20, 20, 9},     {"paused", game->pausedImage, 150, 44, 2},
        {"start", game->startImage, 190, 35, 2},    {"game over", game->gameOverImage, 222, 46, 2},
        {"exit", game->exitImage, 251, 40, 2},      {"blocks", game->blockImage, 29, 29, 7},
    };
    for (const Strip& strip : strips) {
        ASSERT_NE(strip.image, nullptr) << strip.name;
        EXPECT_EQ(strip.image->width, strip.width) << strip.name;
        EXPECT_EQ(strip.image->height, strip.height) << strip.name;
        EXPECT_EQ(strip.image->cellCount(), strip.count) << strip.name;
    }
    for (const ImageRef& single : {game->logoImage, game->levelUpImage, game->keysImage}) {
        EXPECT_EQ(single->cellCount(), 1);
    }
}

}  // namespace
}  // namespace gb::testing
