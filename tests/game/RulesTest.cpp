// The rules that decide how the game plays, each seen the way a player meets it: whole frames,
// with the sound library replaced by a recording one so that the music and the effects can be
// read back as the catalogue files they were loaded from.

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/TSoundManager.h"
#include "core/EmbeddedFiles.h"
#include "game/GameAssets.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/GamepadKeys.h"
#include "tests/game/GameHarness.h"
#include "tests/support/FakeSoundLibrary.h"
#include "values/TVector.h"

namespace gb::testing {
namespace {

using Cells = std::set<std::pair<int, int>>;

class Rules : public GameHarness {
  protected:
    // The catalogue file whose bytes a song or a sample was loaded from.
    static std::string fileOf(const void* data) {
        for (std::string_view path : assetRegistrationOrder()) {
            if (embeddedFileData(path) == data) {
                return std::string(path);
            }
        }
        return "unknown";
    }
    // The handle number of a call's "#n", if it has one.
    static std::optional<std::size_t> handleNumber(const std::string& call) {
        const auto hash = call.find('#');
        if (hash == std::string::npos) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(std::stoull(call.substr(hash + 1)));
    }

    // The effect files played since the last call, in order.
    std::vector<std::string> effectsPlayed() {
        std::vector<std::string> files;
        for (; seenCalls < sound.calls.size(); ++seenCalls) {
            const std::string& call = sound.calls[seenCalls];
            if (call.starts_with("PlaySound ")) {
                const auto n = handleNumber(call);
                files.push_back(n ? fileOf(sound.sampleData.at(*n)) : "none");
            }
        }
        return files;
    }

    // The song last started, and whether it is paused now.
    std::pair<std::string, bool> music() const {
        std::string song = "none";
        bool paused = false;
        for (const std::string& call : sound.calls) {
            if (call.starts_with("PlaySong #")) {
                song = fileOf(sound.songData.at(handleNumber(call).value()));
                paused = false;
            } else if (call.starts_with("SetPaused #")) {
                paused = call.back() == '1';
            }
        }
        return {song, paused};
    }

    // The cells of the falling piece's blocks, each checked to be held by the grid there.
    Cells pieceCells() {
        Cells cells;
        for (const BlockRef& block : game->currentPiece->blocks) {
            const int column = block->position->roundX();
            const int row = block->position->roundY();
            EXPECT_EQ(game->gameGrid->cells.at(static_cast<std::size_t>(column))
                          .at(static_cast<std::size_t>(row)),
                      block)
                << column << "," << row;
            cells.emplace(column, row);
        }
        return cells;
    }

    // Puts a piece of the given kind, unturned, at a centre of our choosing in place of the
    // falling one, and stops gravity so that only the keys move it.
    void replacePiece(int kind, float x, float y) {
        game->currentPiece->removeFromGrid();
        auto piece = TPiece::createCopy(*game->piecePrototypes.at(static_cast<std::size_t>(kind)));
        piece->setGrid(game->gameGrid);
        piece->position->setXY(x, y);
        piece->applyRotation();
        piece->offsetBy(*piece->position);
        ASSERT_TRUE(piece->addToGrid());
        game->currentPiece = piece;
        game->fallSpeed = 1000.0f;
    }

    FakeSoundLibrary& sound = platform.sound;
    std::size_t seenCalls = 0;
};

// Left or Right pushed into a wall or a stack while Down is held, with turns now and then: the
// piece never comes apart, never overlaps the stack and moves at most one row per tick.
TEST_F(Rules, PushingIntoAWallWhileHoldingDownNeverPullsThePieceApart) {
    struct Case {
        const char* what;
        int side;
        bool stack;
    };
    for (const Case c : {Case{"left wall", key::left, false}, Case{"right wall", key::right, false},
                         Case{"stack on the left", key::left, true},
                         Case{"stack on the right", key::right, true}}) {
        SCOPED_TRACE(c.what);
        game.reset();
        startGame();
        startPlaying();
        waitForPiece();
        if (c.stack) {
            const int column = c.side == key::left ? 1 : 8;
            for (int row = 6; row < 20; ++row) {
                auto block = TBlock::create(
                    TVector(static_cast<float>(column), static_cast<float>(row)), 3, nullptr);
                ASSERT_TRUE(game->gameGrid->addBlock(block));
            }
        }
        int settled = c.stack ? 14 : 0;
        press(c.side);
        press(key::down);
        auto piece = game->currentPiece;
        int lowest = 0;
        for (int frame = 0; frame < 400 && game->state == TGame::playing; ++frame) {
            if (frame % 25 == 24) {
                tap(frame % 50 == 49 ? key::x : key::z);
            }
            const int angle = piece->angle;
            frames(1);
            if (game->state != TGame::playing || !game->currentPiece) {
                break;
            }
            if (game->currentPiece != piece) {  // landed: its four blocks joined the stack
                settled += 4;
                piece = game->currentPiece;
                lowest = 0;
                press(c.side);  // a new piece clears the keyboard: hold the keys again
                press(key::down);
            } else {
                int bottom = 0;
                for (const BlockRef& block : piece->blocks) {
                    bottom = std::max(bottom, block->position->roundY());
                }
                // A keyboard tick and a gravity tick can fall in one frame; a turn can lower
                // the bottom by up to two rows more.
                const bool turned = piece->angle != angle;
                EXPECT_LE(bottom - lowest, lowest == 0 ? 20 : (turned ? 4 : 2))
                    << "frame " << frame;
                lowest = bottom;
            }
            // Each block sits at the centre plus the shape turned by the piece's angle.
            for (std::size_t i = 0; i < 4; ++i) {
                TVector expected = *piece->shapeBlocks[i]->position;
                expected.rotate(piece->angle);
                expected.add(*piece->position);
                ASSERT_NEAR(piece->blocks[i]->position->x, expected.x, 1e-3) << "frame " << frame;
                ASSERT_NEAR(piece->blocks[i]->position->y, expected.y, 1e-3) << "frame " << frame;
            }
            EXPECT_EQ(pieceCells().size(), 4u);
            int occupied = 0;
            for (const auto& column : game->gameGrid->cells) {
                occupied += static_cast<int>(std::count_if(column.begin(), column.end(),
                                                           [](const BlockRef& b) { return !!b; }));
            }
            // The pieces pile up at one side and never complete a row: nothing is removed.
            ASSERT_EQ(occupied, settled + 4) << "frame " << frame;
        }
        release(c.side);
        release(key::down);
        EXPECT_GE(settled, 8) << "pieces should have landed while the keys were held";
    }
}

// The score needed for the next level grows with the cube of the level, one scoring raises the
// level by one at most, each level falls faster, and each level-up starts the next track paused
// until play resumes: level3, maddy, sad, spring, trauma after extend, then extend again.
TEST_F(Rules, LevelsFollowTheCubeOfTheLevelAndEachOneBringsTheNextTrack) {
    startGame();
    EXPECT_EQ(music(), std::make_pair(std::string("media/sfx/extend.xm"), false));
    startPlaying();
    waitForPiece();
    effectsPlayed();

    struct Step {
        int scoreBefore, rows, scoreAfter, level;
        const char* track;  // the track a level-up brings
    };
    const Step steps[] = {
        {90, 1, 100, 1, nullptr},  // 100 is not above 100
        {100, 1, 110, 2, "media/sfx/level3.xm"},
        {780, 1, 800, 2, nullptr},  // 800 = 100 x 2^3
        {800, 1, 820, 3, "media/sfx/maddy.xm"},
        {2670, 1, 2700, 3, nullptr},
        {2700, 1, 2730, 4, "media/sfx/sad.xm"},
        {6360, 1, 6400, 4, nullptr},
        {6400, 1, 6440, 5, "media/sfx/spring.xm"},
        {12450, 1, 12500, 5, nullptr},
        {12500, 1, 12550, 6, "media/sfx/trauma.xm"},
        // Four rows at level 6 pass both 21600 and 34300: still only one level.
        {33400, 4, 34360, 7, "media/sfx/extend.xm"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.scoreAfter);
        const int levelBefore = game->level;
        game->score = step.scoreBefore;
        landOnFullRows(step.rows);
        EXPECT_EQ(game->score, step.scoreAfter);
        EXPECT_EQ(game->level, step.level);
        EXPECT_NEAR(game->fallSpeed, fallIntervalAt(step.level), 1e-6);
        const auto effects = effectsPlayed();
        EXPECT_NE(std::find(effects.begin(), effects.end(), "media/sfx/blip1.ogg"), effects.end());
        if (step.track == nullptr) {
            EXPECT_EQ(game->state, TGame::playing);
            EXPECT_EQ(std::count(effects.begin(), effects.end(), "media/sfx/boingg.ogg"), 0);
            continue;
        }
        ASSERT_EQ(game->state, TGame::levelUp);
        EXPECT_EQ(step.level, levelBefore + 1);
        EXPECT_EQ(std::count(effects.begin(), effects.end(), "media/sfx/boingg.ogg"), 1);
        EXPECT_EQ(music(), std::make_pair(std::string(step.track), true));
        frames(30);
        EXPECT_EQ(game->state, TGame::levelUp);
        type('g');
        frames(1);
        EXPECT_EQ(game->state, TGame::playing);
        EXPECT_EQ(music(), std::make_pair(std::string(step.track), false));
    }

    // A game over at level 7; the next game starts again at level 1 and its pace.
    playUntilTheStackReachesTheTop();
    type('g');
    frames(1);
    EXPECT_EQ(game->state, TGame::title);
    EXPECT_EQ(game->level, 1);
    EXPECT_EQ(game->score, 0);
    EXPECT_NEAR(game->fallSpeed, fallIntervalAt(1), 1e-6);
}

// Gravity takes the piece down one row per fall interval of its level; from level 12 on the
// interval is below zero and the piece falls a row every frame.
TEST_F(Rules, GravityFallsAtThePaceOfTheLevel) {
    struct Case {
        int level, frames;
    };
    for (const Case c :
         {Case{1, 180}, Case{5, 180}, Case{8, 180}, Case{11, 20}, Case{12, 15}, Case{40, 15}}) {
        SCOPED_TRACE(c.level);
        game.reset();
        startGame();
        startPlaying();
        waitForPiece();
        game->level = c.level;
        game->fallSpeed = game->computeFallSpeed();
        auto piece = game->currentPiece;
        const float startY = piece->position->y;
        frames(c.frames, 17);
        ASSERT_EQ(game->currentPiece, piece);
        const auto rows = static_cast<double>(piece->position->y - startY);
        const double seconds = c.frames * 0.017;
        const double interval = fallIntervalAt(c.level);
        if (interval < 0.017) {
            EXPECT_EQ(rows, c.frames);
        } else {
            EXPECT_GE(rows, std::floor(seconds / interval) - 1);
            EXPECT_LE(rows, std::ceil(seconds / interval));
        }
    }
}

// Z turns a quarter turn counter-clockwise on the screen and X clockwise; every action has its
// own sound effect, and the unused sixth effect never plays.
TEST_F(Rules, TurnsGoTheirWayAndEveryActionPlaysItsEffect) {
    startGame();
    effectsPlayed();
    type('g');
    frames(1);
    type('a');
    frames(1);
    EXPECT_EQ(effectsPlayed(), std::vector<std::string>{"media/sfx/keyclik.ogg"});
    tap(key::enter, 13);
    frames(1);
    waitForPiece();
    EXPECT_EQ(effectsPlayed(), std::vector<std::string>{"media/sfx/bidip.ogg"});

    // The L of kind 4: a row of three in row 6, columns 3 to 5, and one block above its right end.
    replacePiece(4, 4.0f, 5.5f);
    EXPECT_EQ(pieceCells(), (Cells{{3, 6}, {4, 6}, {5, 6}, {5, 5}}));
    tap(key::z, 'z');
    frames(3);
    // Counter-clockwise: the right end goes up and the block above it now points left.
    EXPECT_EQ(pieceCells(), (Cells{{5, 5}, {5, 6}, {5, 7}, {4, 5}}));
    EXPECT_EQ(effectsPlayed(), std::vector<std::string>{"media/sfx/clicker.ogg"});
    tap(key::x, 'x');
    frames(3);
    tap(key::x, 'x');
    frames(3);
    // Clockwise from the start: the right end goes down and its block points right.
    EXPECT_EQ(pieceCells(), (Cells{{4, 5}, {4, 6}, {4, 7}, {5, 7}}));
    EXPECT_EQ(effectsPlayed(),
              (std::vector<std::string>{"media/sfx/clicker.ogg", "media/sfx/clicker.ogg"}));

    for (int code : {key::left, key::right, key::down, key::up}) {
        tap(code);
        frames(3);
        EXPECT_EQ(effectsPlayed(), std::vector<std::string>{"media/sfx/keyclik.ogg"}) << code;
    }
    for (const std::string& call : sound.calls) {
        if (call.starts_with("PlaySound ")) {
            EXPECT_NE(fileOf(sound.sampleData.at(handleNumber(call).value())),
                      "media/sfx/bhump.ogg");
        }
    }
}

// Every piece key does its own thing from the first press, whatever gives it: the keyboard,
// the keypad or a gamepad. The turns are checked after one, two and three presses on each
// piece whose quarter turns differ, since two quarter turns one way land where two the other
// way do, and three one way land where one the other way does; the expected cells come from
// turning the unturned piece's block offsets about its centre (on the screen, where y grows
// downward, a clockwise quarter turn takes (dx, dy) to (-dy, dx)).
TEST_F(Rules, EveryPieceKeyActsItsOwnWayFromTheFirstPress) {
    startGame();
    startPlaying();
    waitForPiece();

    // A block's cell: add 0.5 to each coordinate and truncate.
    auto cellOf = [](float x, float y) {
        return std::make_pair(static_cast<int>(std::floor(x + 0.5f)),
                              static_cast<int>(std::floor(y + 0.5f)));
    };
    const float centreX = 4.0f;
    const float centreY = 9.5f;

    struct TurnKey {
        const char* name;
        int code;
        int ch;
        int clockwise;  // +1: clockwise on the screen, -1: counter-clockwise
    };
    const TurnKey turnKeys[] = {
        {"X", key::x, 'x', +1},          {"Z", key::z, 'z', -1},
        {"pad A", key::gamepadA, 0, +1}, {"pad X", key::gamepadX, 0, +1},
        {"pad B", key::gamepadB, 0, -1}, {"pad Y", key::gamepadY, 0, -1},
    };
    // The S, Z, L, J and T pieces (kinds 2 to 6): the straight piece and the square look
    // alike after turns either way.
    for (const int kind : {2, 3, 4, 5, 6}) {
        for (const TurnKey& turn : turnKeys) {
            SCOPED_TRACE(std::string(turn.name) + " on kind " + std::to_string(kind));
            replacePiece(kind, centreX, centreY);
            std::vector<std::pair<float, float>> offsets;
            for (const BlockRef& block : game->currentPiece->blocks) {
                offsets.emplace_back(block->position->x - centreX, block->position->y - centreY);
            }
            for (int presses = 1; presses <= 3; ++presses) {
                tap(turn.code, turn.ch);
                frames(3);
                Cells expected;
                for (auto& [dx, dy] : offsets) {
                    const float x = dx;
                    dx = turn.clockwise > 0 ? -dy : dy;
                    dy = turn.clockwise > 0 ? x : -x;
                    expected.insert(cellOf(centreX + dx, centreY + dy));
                }
                EXPECT_EQ(pieceCells(), expected) << "after " << presses << " presses";
            }
        }
    }

    // The moves: one cell left, right or down per press, from every device that gives them.
    struct Move {
        const char* name;
        std::vector<int> codes;
        int dx;
        int dy;
    };
    const Move moves[] = {
        {"left", {key::left, key::pad4, key::gamepadDpadLeft, key::gamepadLeftStickLeft}, -1, 0},
        {"right",
         {key::right, key::pad6, key::gamepadDpadRight, key::gamepadLeftStickRight},
         +1,
         0},
        {"down", {key::down, key::pad2, key::gamepadDpadDown, key::gamepadLeftStickDown}, 0, +1},
    };
    for (const Move& move : moves) {
        for (const int code : move.codes) {
            SCOPED_TRACE(std::string(move.name) + " by key " + std::to_string(code));
            replacePiece(4, centreX, centreY);
            Cells expected;
            for (const auto& [column, row] : pieceCells()) {
                expected.emplace(column + move.dx, row + move.dy);
            }
            tap(code);
            frames(3);
            EXPECT_EQ(pieceCells(), expected);
        }
    }
}

// A held key moves the piece on every repeating tick but clicks only on every other one, so a
// run of repeats is no louder than one press; the next press clicks at once again.
TEST_F(Rules, AHeldKeyClicksOnEveryOtherRepeat) {
    startGame();
    startPlaying();
    waitForPiece();
    game->fallSpeed = 1000.0f;  // only the key moves the piece
    game->fallTime = 0.0f;
    effectsPlayed();
    const float startY = game->currentPiece->position->y;
    auto clicks = [this] {
        const auto effects = effectsPlayed();
        return static_cast<int>(
            std::count(effects.begin(), effects.end(), "media/sfx/keyclik.ogg"));
    };
    press(key::down);
    std::vector<int> perTick;
    for (int tick = 0; tick < 10; ++tick) {
        frames(1, 51);
        perTick.push_back(clicks());
    }
    release(key::down);
    frames(1, 51);
    // Moves on the press and on ticks 3 to 9; clicks on the press, then on every other repeat.
    EXPECT_FLOAT_EQ(game->currentPiece->position->y, startY + 8);
    EXPECT_EQ(perTick, (std::vector<int>{1, 0, 0, 1, 0, 1, 0, 1, 0, 1}));
    tap(key::down);
    frames(1, 51);
    EXPECT_EQ(clicks(), 1);
}

// A key held while a new piece enters is forgotten: the new piece stays where it came in
// until the key is pressed again.
TEST_F(Rules, ANewPieceClearsTheKeysHeldBeforeIt) {
    startGame();
    startPlaying();
    press(key::left);
    waitForPiece();
    frames(20);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, 4.0f);
    release(key::left);
    frames(1);
    tap(key::left);
    frames(3);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, 3.0f);
}

// The exit prompt takes Y and N in either case; Enter with an empty name plays and records the
// game under the empty name; the ring of every overlay moves on one colour per gravity tick.
TEST_F(Rules, PromptsNamesAndOverlayColours) {
    startGame();
    // The title's ring starts at (270, 39); its first block shows the current colour.
    auto ringColour = [this] {
        display->reset();
        frames(1);
        for (const auto& call : display->drawsOf(game->blockImage.get())) {
            if (call.x == 270.0f && call.y == 39.0f) {
                return call.cell;
            }
        }
        ADD_FAILURE() << "no ring block at (270, 39)";
        return -1;
    };
    std::vector<int> colours{ringColour()};
    for (int i = 0; i < 300; ++i) {
        const int colour = ringColour();
        if (colour != colours.back()) {
            colours.push_back(colour);
        }
    }
    // About 5 s at one colour per 0.667 s gravity tick, one step at a time.
    ASSERT_GE(colours.size(), 7u);
    for (std::size_t i = 1; i < colours.size(); ++i) {
        EXPECT_EQ(colours[i], (colours[i - 1] + 1) % 7);
    }

    for (int answer : {'N', 'n'}) {
        tap(key::escape, 27);
        frames(1);
        ASSERT_EQ(game->state, TGame::exitPrompt);
        type(answer);
        frames(1);
        EXPECT_EQ(game->state, TGame::title) << static_cast<char>(answer);
    }

    type('g');
    frames(1);
    for (int i = 0; i < 6; ++i) {
        tap(key::backspace, 8);
        frames(1);
    }
    ASSERT_EQ(game->player->name, "");
    tap(key::enter, 13);
    frames(1);
    ASSERT_EQ(game->state, TGame::playing);
    for (int row = 0; row < 4; ++row) {
        fillRow(row, {9});
    }
    game->score = 999999;
    ASSERT_TRUE(runUntilState(TGame::gameOver, 200));
    const auto best = game->hiScores->firstLink()->value();
    EXPECT_EQ(best->score, 999999);
    EXPECT_EQ(best->name.find_first_not_of(' '), std::string::npos) << "'" << best->name << "'";

    for (int answer : {'y', 'Y'}) {
        game->state = TGame::gameOver;
        tap(key::escape, 27);
        frames(1);
        type(answer);
        frames(1);
        EXPECT_EQ(game->state, TGame::quit) << static_cast<char>(answer);
    }
}

}  // namespace
}  // namespace gb::testing
