// The player's two choices for play, seen through whole frames: the level a game begins at
// (its pace and its level-ups) and the landing shadow (where it is drawn, and when).

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "tests/game/GameHarness.h"
#include "values/TVector.h"

namespace gb::testing {
namespace {

using Cells = std::set<std::pair<int, int>>;

class PlayChoices : public GameHarness {
  protected:
    // Goes on from the level-up screen.
    void resume() {
        ASSERT_EQ(game->state, TGame::levelUp);
        type('g');
        frames(1);
        ASSERT_EQ(game->state, TGame::playing);
    }

    // The faint block draws of the last frame, as cells of the game grid, and whether each
    // came before every full-strength draw of the falling piece's blocks.
    Cells shadowDrawn(bool* underThePiece = nullptr) const {
        Cells cells;
        const auto draws = display->drawsOf(game->blockImage.get());
        std::size_t lastFaint = 0;
        std::size_t firstPiece = draws.size();
        Cells piece;
        if (game->currentPiece) {
            for (const BlockRef& block : game->currentPiece->blocks) {
                piece.emplace(block->position->roundX(), block->position->roundY());
            }
        }
        for (std::size_t i = 0; i < draws.size(); ++i) {
            const auto cell = std::make_pair(static_cast<int>(draws[i].x - 255) / 29,
                                             static_cast<int>(draws[i].y) / 29);
            if (draws[i].state.alpha < 1.0f) {
                EXPECT_GT(draws[i].state.alpha, 0.1f);
                EXPECT_TRUE(game->currentPiece && draws[i].cell == game->currentPiece->kind);
                cells.insert(cell);
                lastFaint = i;
            } else if (piece.contains(cell) && draws[i].x >= 255 && draws[i].x < 545) {
                firstPiece = std::min(firstPiece, i);
            }
        }
        if (underThePiece != nullptr) {
            *underThePiece = cells.empty() || lastFaint < firstPiece;
        }
        return cells;
    }

    Cells pieceCells() const {
        Cells cells;
        for (const BlockRef& block : game->currentPiece->blocks) {
            cells.emplace(block->position->roundX(), block->position->roundY());
        }
        return cells;
    }
};

// A game begun at a start level plays at that level's pace from its first piece, scores by
// that level, and leaves it after the points that level takes in a game begun at 1: the
// threshold of the level less the threshold of the level before. Values outside 1 to 9 are
// kept inside.
TEST_F(PlayChoices, AGameBegunAtALevelFallsAtItsPaceAndLevelsUpAfterItsPoints) {
    struct Case {
        int chosen, level;
        int pointsToGo;  // 100 level^3 - 100 (level - 1)^3
    };
    for (const Case c : {Case{1, 1, 100}, Case{3, 3, 1900}, Case{9, 9, 21700}, Case{0, 1, 100},
                         Case{-4, 1, 100}, Case{10, 9, 21700}, Case{1000, 9, 21700}}) {
        SCOPED_TRACE(c.chosen);
        game.reset();
        startGame();
        game->startLevel = c.chosen;  // as the options set it, on the title screen
        startPlaying();
        waitForPiece();
        EXPECT_EQ(game->level, c.level);
        EXPECT_EQ(game->score, 0);
        EXPECT_EQ(game->lines, 0);
        EXPECT_NEAR(game->fallSpeed, fallIntervalAt(c.level), 1e-6);

        // The pace: rows fallen in three seconds of frames.
        const auto piece = game->currentPiece;
        const float startY = piece->position->y;
        frames(180, 17);
        ASSERT_EQ(game->currentPiece, piece);
        const auto rows = static_cast<double>(piece->position->y - startY);
        const double expected = 180 * 0.017 / fallIntervalAt(c.level);
        EXPECT_GE(rows, std::floor(expected) - 1);
        EXPECT_LE(rows, std::ceil(expected));

        // One row short of the points, then one row more.
        game->score = c.pointsToGo - 10 * c.level;
        landOnFullRows(1);
        EXPECT_EQ(game->score, c.pointsToGo);
        EXPECT_EQ(game->level, c.level);
        EXPECT_EQ(game->state, TGame::playing);
        landOnFullRows(1);
        EXPECT_EQ(game->score, c.pointsToGo + 10 * c.level);
        EXPECT_EQ(game->level, c.level + 1);
        resume();
        EXPECT_NEAR(game->fallSpeed, fallIntervalAt(c.level + 1), 1e-6);

        // The next level comes after the next level's points in the same way.
        const int next = c.level + 1;
        const int nextToGo =
            c.pointsToGo + 100 * next * next * next - 100 * c.level * c.level * c.level;
        game->score = nextToGo - 10 * next;
        landOnFullRows(1);
        EXPECT_EQ(game->level, next);
        landOnFullRows(1);
        EXPECT_EQ(game->level, next + 1);
    }
}

// Level 3 taken from the start: four-row clears score 480 there, so the 1900 points to level
// 4 take four of them, 16 lines; the score shown is only what this game scored.
TEST_F(PlayChoices, ALevelTakenFromTheStartLastsItsNumberOfLines) {
    startGame();
    game->startLevel = 3;
    startPlaying();
    waitForPiece();
    for (int clear = 1; clear <= 3; ++clear) {
        landOnFullRows(4);
        EXPECT_EQ(game->level, 3) << clear;
        EXPECT_EQ(game->score, 480 * clear);
    }
    landOnFullRows(4);
    EXPECT_EQ(game->lines, 16);
    EXPECT_EQ(game->score, 1920);
    EXPECT_EQ(game->level, 4);
    EXPECT_EQ(game->state, TGame::levelUp);
}

// The start level is read when name entry ends, so a choice made on the title screen counts
// for the game that follows; it says so on the status line. Left at 1, nothing more is
// printed than before. A change during a game waits for the next one.
TEST_F(PlayChoices, TheStartLevelIsTakenWhenPlayBeginsAndAfterEveryGameOver) {
    startGame();
    EXPECT_EQ(game->level, 1);
    const auto statusLines = [&] {
        return std::count_if(console.begin(), console.end(),
                             [](const std::string& line) { return line.starts_with("Level: "); });
    };
    const auto atTitle = statusLines();
    startPlaying();
    EXPECT_EQ(statusLines(), atTitle);

    game->startLevel = 6;
    waitForPiece();
    EXPECT_EQ(game->level, 1);
    playUntilTheStackReachesTheTop();
    type('g');
    frames(1);
    ASSERT_EQ(game->state, TGame::title);
    EXPECT_EQ(game->level, 6);
    EXPECT_EQ(console.back(), "Level: 6, Speed: 720.000000, Score: 0, Lines: 0");

    game->startLevel = 2;
    startPlaying();
    EXPECT_EQ(game->level, 2);
    EXPECT_NEAR(game->fallSpeed, fallIntervalAt(2), 1e-6);
    EXPECT_EQ(console.back(), "Level: 2, Speed: 976.000000, Score: 0, Lines: 0");
}

// With the shadow on, every frame of play draws the piece faint where the drop then puts it,
// under the piece, piece after piece onto a growing, uneven stack; the title, name entry,
// pause, exit prompt, level-up and game over draw none, and with the shadow off no frame does.
TEST_F(PlayChoices, TheShadowShowsWhereTheDropPutsThePieceOnlyWhileItFalls) {
    startGame();
    game->landingShadow = true;
    display->reset();
    frames(1);
    EXPECT_TRUE(shadowDrawn().empty()) << "title";
    type('g');
    frames(1);
    display->reset();
    frames(1);
    EXPECT_TRUE(shadowDrawn().empty()) << "name entry";
    tap(key::enter, 13);
    frames(1);

    fillRow(19, {0, 4});
    fillRow(18, {0, 3, 4, 5});
    ASSERT_TRUE(game->gameGrid->addBlock(TBlock::create(TVector(4, 15), 0, nullptr)));
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        waitForPiece();
        game->fallSpeed = 1000.0f;  // only the keys move the piece
        for (int step = 0; step < n % 5; ++step) {
            tap(n % 2 == 0 ? key::left : key::right);
            frames(4);
        }
        display->reset();
        frames(1);
        bool under = false;
        const Cells shadow = shadowDrawn(&under);
        ASSERT_EQ(shadow.size(), 4u);
        EXPECT_TRUE(under);
        const auto piece = game->currentPiece;
        tap(key::up);
        frames(3);  // a keyboard tick comes every third frame
        display->reset();
        frames(1);
        ASSERT_EQ(game->currentPiece, piece);
        EXPECT_EQ(pieceCells(), shadow);
        EXPECT_EQ(shadowDrawn(&under), shadow);  // landed: the piece covers its shadow
        EXPECT_TRUE(under);
        game->fallSpeed = 0.01f;
        for (int i = 0; i < 10 && game->currentPiece == piece; ++i) {
            frames(1);
        }
        ASSERT_EQ(game->state, TGame::playing);
    }

    waitForPiece();
    game->fallSpeed = 1000.0f;
    game->landingShadow = false;
    display->reset();
    frames(1);
    EXPECT_TRUE(shadowDrawn().empty()) << "off";
    game->landingShadow = true;

    tap(key::p, 'p');
    frames(1);
    display->reset();
    frames(1);
    EXPECT_TRUE(shadowDrawn().empty()) << "paused";
    type('g');
    frames(1);
    tap(key::escape, 27);
    display->reset();
    frames(1);
    ASSERT_EQ(game->state, TGame::exitPrompt);
    EXPECT_TRUE(shadowDrawn().empty()) << "exit prompt";
    type('n');
    display->reset();
    frames(1);
    ASSERT_EQ(game->state, TGame::playing);
    EXPECT_EQ(shadowDrawn().size(), 4u);

    game->score = 100000;
    game->fallSpeed = 0.05f;  // gravity again, to land the piece
    landOnFullRows(1);
    ASSERT_EQ(game->state, TGame::levelUp);
    display->reset();
    frames(1);
    EXPECT_TRUE(shadowDrawn().empty()) << "level up";
    resume();
    playUntilTheStackReachesTheTop();
    display->reset();
    frames(1);
    EXPECT_TRUE(shadowDrawn().empty()) << "game over";
}

}  // namespace
}  // namespace gb::testing
