// One frame, one path: the input is read once at the frame's start, the game is updated, and
// drawing only reads.

#include <string>
#include <vector>

#include "audio/TSoundManager.h"
#include "core/Random.h"
#include "core/Text.h"
#include "effects/TFruitShower.h"
#include "hiscores/THiScore.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "tests/game/GameHarness.h"
#include "values/TVector.h"

namespace gb::testing {
namespace {

class Frame : public GameHarness {
  protected:
    // Everything a frame may change, as text: the game's fields, every block and fruit of both
    // grids, the pieces, the music and the random numbers.
    std::string gameState() const {
        const TGame& g = *game;
        std::string out = concatText(
            static_cast<int>(g.state), " ", static_cast<int>(g.returnState), " L", g.level, " S",
            g.score, " l", g.lines, " r", g.linesToRemove, " c", g.colourCycle, " a",
            g.spinnerAngle, " t", g.keyTime, " ", g.fallTime, " ", g.player->name);
        for (const int keyState : g.keyStates) {
            out += concatText(" k", keyState);
        }
        for (const TGrid* grid : {g.gameGrid.get(), g.previewGrid.get()}) {
            out += "\ngrid";
            for (const auto& column : grid->cells) {
                for (const BlockRef& block : column) {
                    if (block) {
                        out += concatText(" [", block->kind, " ", block->position->x, ",",
                                          block->position->y, block->stuck ? " stuck" : "", "]");
                    }
                }
            }
            for (auto* link = grid->fruits->particles.firstLink(); link != nullptr;
                 link = link->nextLink()) {
                const TParticle& p = *link->value();
                out += concatText("\nfruit ", p.pos->x, ",", p.pos->y, " ", p.dir->x, ",", p.dir->y,
                                  " ", p.rotation, " ", p.scale, " ", p.alpha, " ", p.frame,
                                  p.dead ? " dead" : "");
            }
        }
        for (const TPiece* piece : {g.currentPiece.get(), g.nextPiece.get()}) {
            if (piece != nullptr) {
                out +=
                    concatText("\npiece ", piece->kind, " ", piece->position->x, ",",
                               piece->position->y, " ", piece->angle, piece->stuck ? " stuck" : "");
            }
        }
        out +=
            concatText("\nmusic ", g.soundManager->currentTrack, " ", g.soundManager->volume, " ",
                       static_cast<int>(g.soundManager->musicState), " random ", rndState());
        return out;
    }

    // What reached the display, as text.
    std::string drawn() const {
        std::string out;
        for (const TDrawCall& call : display->calls()) {
            const TDrawState& s = call.state;
            out += concatText(static_cast<int>(call.op), " ", ObjectText{call.image}, " ",
                              call.cell, " ", call.x, ",", call.y, " ", call.width, "x",
                              call.height, " ", call.text, " ", s.red, s.green, s.blue, " ",
                              s.alpha, " ", static_cast<int>(s.blend), " ", s.rotation, " ",
                              s.scaleX, " ", s.viewport.x, ",", s.viewport.y, "\n");
        }
        return out;
    }

    // Draws the frame twice: neither drawing changes the game, and both draw the same.
    void expectDrawingOnlyReads(const char* screen) {
        const std::string before = gameState();
        display->reset();
        clearScreen();
        game->drawFrame();
        const std::string first = drawn();
        EXPECT_EQ(gameState(), before) << screen;
        display->reset();
        clearScreen();
        game->drawFrame();
        EXPECT_EQ(drawn(), first) << screen;
        EXPECT_EQ(gameState(), before) << screen;
        EXPECT_FALSE(first.empty()) << screen;
    }
};

// Whatever a frame does with the keys (typing, several keys at once, a screen change that
// flushes them, keys held through keyboard ticks), the window's events are read once per frame.
TEST_F(Frame, EveryFrameReadsTheWindowsEventsExactlyOnce) {
    startGame();
    const int pumpsBefore = events.pumps;
    int framesRun = 0;
    auto run = [&](int n) {
        frames(n);
        framesRun += n;
    };
    type('g');  // title -> name entry
    run(1);
    type('o');
    tap(key::backspace, 8);
    tap(key::del);
    run(3);
    tap(key::enter, 13);
    run(1);
    ASSERT_EQ(game->state, TGame::playing);
    press(key::left);
    press(key::minus);
    tap(key::period, '.');
    run(40);
    release(key::left);
    release(key::minus);
    tap(key::p, 'p');
    run(2);
    ASSERT_EQ(game->state, TGame::paused);
    type('k');
    tap(key::escape, 27);
    run(2);
    ASSERT_EQ(game->state, TGame::exitPrompt);
    type('n');
    run(2);
    EXPECT_EQ(events.pumps - pumpsBefore, framesRun);
}

// Every screen, drawn with falling fruit, a block that could not move in this frame and the
// ring's colours: the turning disc, the fruit, the stuck mark and the colours move only in
// the frame's update, never while drawing.
TEST_F(Frame, DrawingAFrameChangesNoGameState) {
    startGame();
    frames(3);
    expectDrawingOnlyReads("title");
    type('g');
    frames(1);
    expectDrawingOnlyReads("name entry");
    tap(key::enter, 13);
    while (!game->currentPiece) {
        frames(1);
    }
    game->gameGrid->dropFruit(4, 10);
    game->gameGrid->dropFruit(6, 12);
    frames(20);
    game->currentPiece->markStuck();
    ASSERT_TRUE(game->currentPiece->isStuck());
    expectDrawingOnlyReads("playing");
    EXPECT_TRUE(game->currentPiece->isStuck());
    tap(key::p, 'p');
    frames(1);
    expectDrawingOnlyReads("paused");
    game->state = TGame::levelUp;
    expectDrawingOnlyReads("level up");
    tap(key::escape, 27);
    frames(1);
    expectDrawingOnlyReads("exit prompt");
    game->state = TGame::gameOver;
    expectDrawingOnlyReads("game over");
}

// The frame's own update moves what moves by itself: the disc one degree, the fruit, and the
// stuck marks of the last frame go.
TEST_F(Frame, TheUpdateBeforeDrawingTurnsTheDiscMovesTheFruitAndClearsStuckMarks) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    game->gameGrid->dropFruit(4, 10);
    frames(1);
    const TParticle& fruit = *game->gameGrid->fruits->particles.firstLink()->value();
    const float angle = game->spinnerAngle;
    const float scale = fruit.scale;
    game->currentPiece->markStuck();
    game->updateScreen();
    EXPECT_FLOAT_EQ(game->spinnerAngle, angle - 1.0f);
    EXPECT_GT(fruit.scale, scale);
    EXPECT_FALSE(game->currentPiece->isStuck());
}

}  // namespace
}  // namespace gb::testing
