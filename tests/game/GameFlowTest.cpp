// Whole-frame scenarios: the screens, their keys and the road of one game.

#include <algorithm>
#include <csignal>
#include <fstream>
#include <set>
#include <utility>

#include "audio/TSoundManager.h"
#include "core/Random.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "tests/game/GameHarness.h"
#include "values/TVector.h"

namespace gb::testing {
namespace {

using Flow = GameHarness;

std::vector<std::string> between(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

// Fills every cell of a grid row except the given columns with settled blocks.
void fillRow(TGrid& grid, int row, std::vector<int> gaps = {}) {
    for (int column = 0; column < 10; ++column) {
        if (std::find(gaps.begin(), gaps.end(), column) != gaps.end()) {
            continue;
        }
        auto block = TBlock::create(TVector(static_cast<float>(column), static_cast<float>(row)), 0,
                                    nullptr);
        ASSERT_TRUE(grid.addBlock(block));
    }
}

// The window lost the focus or was minimised before the next frame, as the window's events
// tell the keyboard: everything is flushed and a pause is asked for.
void scheduleLeaving(TScriptedEvents& events) {
    events.pending.push_back([](TKeyboard& keyboard) {
        keyboard.focusChanged();
        keyboard.requestPause();
    });
}

// The window has the focus again, or was restored: everything is flushed.
void scheduleReturn(TScriptedEvents& events) {
    events.pending.push_back([](TKeyboard& keyboard) { keyboard.focusChanged(); });
}

int occupied(const TGrid& grid) {
    int n = 0;
    for (const auto& column : grid.cells) {
        for (const auto& cell : column) {
            n += cell ? 1 : 0;
        }
    }
    return n;
}

TEST_F(Flow, StartUpLoadsEverythingInOrderAndShowsTheTitle) {
    startGame();
    // The loading line is presented ten times, each on a freshly cleared screen.
    int shown = 0;
    const auto& calls = display->calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].op == TDrawCall::Op::text && calls[i].text == "Loading Gumbolt...") {
            ++shown;
            EXPECT_EQ(calls[i].x, 300.0f);
            EXPECT_EQ(calls[i].y, 300.0f);
            ASSERT_GT(i, 0u);
            EXPECT_EQ(calls[i - 1].op, TDrawCall::Op::clear);
            ASSERT_LT(i + 1, calls.size());
            EXPECT_EQ(calls[i + 1].op, TDrawCall::Op::present);
        }
    }
    EXPECT_EQ(shown, 10);
    EXPECT_EQ(display->title(), "Falling Blocks");
    EXPECT_TRUE(display->mouseHidden());

    // Console: default table (no gb.dat), sound start, six tracks, six effects, music, player.
    ASSERT_GE(console.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(console.begin(), console.begin() + 5),
              (std::vector<std::string>{"Quillon", "Vantrel", "Tessary", "FMOD", "Norvane"}));
    EXPECT_TRUE(console[5] == "Sound initialized." || console[5] == "Sound failed to initialize.");
    EXPECT_EQ(between(console, "Track Loaded ").size(), 6u);
    EXPECT_EQ(between(console, "Sound Loaded ").size(), 6u);
    const auto playing =
        std::find(console.begin(), console.end(), "Music playing media/sfx/extend.xm");
    const auto playerLine = std::find(console.begin(), console.end(), "Player");
    ASSERT_NE(playing, console.end());
    ASSERT_NE(playerLine, console.end());
    EXPECT_LT(playing, playerLine);
    ASSERT_NE(playerLine + 1, console.end());
    EXPECT_EQ(*(playerLine + 1), "Level: 1, Speed: 1000.00000, Score: 0, Lines: 0");

    EXPECT_EQ(game->state, TGame::title);
    EXPECT_EQ(game->currentPiece, nullptr);
    ASSERT_NE(game->nextPiece, nullptr);
    EXPECT_EQ(game->nextPiece->grid, game->previewGrid);
    EXPECT_EQ(occupied(*game->previewGrid), 4);
    EXPECT_EQ(game->player->name, "Player");
    EXPECT_EQ(game->soundManager->currentTrack, 0);
    EXPECT_NEAR(game->fallSpeed, 1000.0f / 1500.0f, 1e-6f);
    EXPECT_FALSE(std::filesystem::exists("gb.dat"));
}

TEST_F(Flow, KeysWithoutACharacterDoNotLeaveTheTitle) {
    startGame();
    tap(key::left);
    tap(key::shift);
    frames(3);
    EXPECT_EQ(game->state, TGame::title);
    type('q');
    frames(1);
    EXPECT_EQ(game->state, TGame::nameEntry);
    // The key that left the title is not typed into the name.
    frames(3);
    EXPECT_EQ(game->player->name, "Player");
}

TEST_F(Flow, NameEntryEditsOnlyLettersAndSpacesUpToEightCharacters) {
    startGame();
    type('x');
    frames(1);
    // Three more letters: the third is refused.
    for (char ch : std::string("abc")) {
        type(ch);
        frames(1);
    }
    EXPECT_EQ(game->player->name, "Playerab");
    // Digits, punctuation and Escape's character never enter the name.
    for (char ch : std::string("1.,")) {
        type(ch);
        frames(1);
    }
    EXPECT_EQ(game->player->name, "Playerab");
    // Backspace eight times, once more on the empty name, then type "Ann".
    for (int i = 0; i < 9; ++i) {
        tap(key::backspace, 8);
        frames(1);
    }
    EXPECT_EQ(game->player->name, "");
    tap(key::del);
    frames(1);
    for (char ch : std::string("Ann")) {
        type(ch);
        frames(1);
    }
    type(' ');
    frames(1);
    EXPECT_EQ(game->player->name, "Ann ");
    tap(key::del);
    frames(1);
    EXPECT_EQ(game->player->name, "Ann");
    tap(key::enter, 13);
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);
    EXPECT_EQ(game->player->name, "Ann");
}

TEST_F(Flow, OneTypedCharacterIsTakenPerFrame) {
    startGame();
    type('x');
    frames(1);
    tap(key::backspace, 8);
    type('a');
    type('b');
    frames(1);
    EXPECT_EQ(game->player->name, "Playe");  // Backspace acts; the letters wait in the queue
    frames(1);
    EXPECT_EQ(game->player->name, "Playea");
    frames(1);
    EXPECT_EQ(game->player->name, "Playeab");
}

// Keys typed faster than the frames come keep their order: a letter and the Backspace or
// Enter typed after it within one frame act one after the other, the letter first.
TEST_F(Flow, ALetterTypedBeforeABackspaceOrEnterInOneFrameIsKept) {
    startGame();
    type('x');
    frames(1);
    ASSERT_EQ(game->player->name, "Player");
    type('s');
    tap(key::backspace, 8);
    frames(1);
    EXPECT_EQ(game->player->name, "Players");
    frames(1);
    EXPECT_EQ(game->player->name, "Player");
    // The other way round: the Backspace first, then the letter.
    tap(key::backspace, 8);
    type('y');
    frames(2);
    EXPECT_EQ(game->player->name, "Playey");
    type('s');
    tap(key::enter, 13);
    frames(2);
    EXPECT_EQ(game->state, TGame::playing);
    EXPECT_EQ(game->player->name, "Playeys");
}

TEST_F(Flow, EveryBackspaceOrDeleteRemovesALetterEvenWithinOneFrame) {
    startGame();
    type('x');
    frames(1);
    tap(key::backspace, 8);
    tap(key::backspace, 8);
    frames(1);
    EXPECT_EQ(game->player->name, "Play");
    tap(key::del);
    tap(key::backspace, 8);
    frames(1);
    EXPECT_EQ(game->player->name, "Pl");
    for (int i = 0; i < 3; ++i) {
        tap(key::backspace, 8);
    }
    frames(1);
    EXPECT_EQ(game->player->name, "");
}

TEST_F(Flow, FirstGravityTickBringsTheFirstPieceAndKeysMoveIt) {
    startGame();
    startPlaying();
    EXPECT_EQ(game->currentPiece, nullptr);
    const std::shared_ptr<TPiece> expected = game->nextPiece;
    // 0.667 s of frames: the first gravity tick comes once fallTime exceeds fallSpeed.
    runUntilState(TGame::playing);
    for (int i = 0; i < 60 && !game->currentPiece; ++i) {
        frames(1);
    }
    ASSERT_EQ(game->currentPiece, expected);
    EXPECT_EQ(game->currentPiece->grid, game->gameGrid);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, 4.0f);
    EXPECT_FLOAT_EQ(game->currentPiece->position->y, 1.0f);
    EXPECT_NE(game->nextPiece, expected);

    // A left press acts on the next keyboard tick.
    tap(key::left);
    frames(3);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, 3.0f);
    tap(key::right);
    frames(3);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, 4.0f);
}

TEST_F(Flow, HeldKeyRepeatsOnTheThirdTickThenEveryTick) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    // Freeze gravity so only the key moves the piece.
    game->fallSpeed = 1000.0f;
    game->fallTime = 0.0f;
    const float startX = game->currentPiece->position->x;
    // One keyboard tick per 50 ms step (the accumulator must exceed 0.05, so use 51 ms).
    press(key::left);
    std::vector<float> xs;
    for (int tick = 0; tick < 6; ++tick) {
        frames(1, 51);
        xs.push_back(game->currentPiece->position->x);
    }
    release(key::left);
    frames(1, 51);
    // Acts at the press, again on the third tick after it, then every tick (until the wall).
    EXPECT_FLOAT_EQ(xs[0], startX - 1);
    EXPECT_FLOAT_EQ(xs[1], startX - 1);
    EXPECT_FLOAT_EQ(xs[2], startX - 1);
    EXPECT_LT(xs[3], xs[2]);
    EXPECT_LE(xs[4], xs[3]);
}

TEST_F(Flow, UpArrowDropsThePieceWhichIsReplacedAtTheNextGravityTick) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    auto dropped = game->currentPiece;
    tap(key::up);
    frames(3);
    // Every block of the dropped piece rests on the floor or on another block.
    float lowest = 0;
    for (const auto& block : dropped->blocks) {
        lowest = std::max(lowest, block->position->y);
    }
    EXPECT_EQ(static_cast<int>(lowest + 0.5f), 19);
    while (game->currentPiece == dropped) {
        frames(1);
    }
    EXPECT_NE(game->currentPiece, nullptr);
    EXPECT_EQ(occupied(*game->gameGrid), 8);
}

TEST_F(Flow, LinesScoreByLevelAndTheSquareOfTheirNumber) {
    startGame();
    struct Case {
        int level, count, points;
    };
    for (const Case c :
         {Case{1, 1, 10}, Case{1, 2, 40}, Case{1, 3, 90}, Case{3, 4, 480}, Case{5, 2, 200}}) {
        game->level = c.level;
        game->score = 0;
        game->state = TGame::playing;
        game->scoreLines(c.count);
        EXPECT_EQ(game->score, c.points) << c.level << " " << c.count;
        EXPECT_EQ(game->state, TGame::playing);
    }
    // Exactly the threshold is not enough: 90 + 10 = 100 is not above 100.
    game->level = 1;
    game->score = 90;
    game->scoreLines(1);
    EXPECT_EQ(game->level, 1);
    EXPECT_EQ(game->state, TGame::playing);
}

TEST_F(Flow, FullRowsAreFoundScoredAndCollapsedOnTheNextTick) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    // Two full rows at the bottom with a block above them.
    fillRow(*game->gameGrid, 19);
    fillRow(*game->gameGrid, 18);
    auto above = TBlock::create(TVector(0, 17), 2, nullptr);
    ASSERT_TRUE(game->gameGrid->addBlock(above));
    game->checkLines();
    EXPECT_EQ(game->linesToRemove, 2);
    EXPECT_EQ(game->score, 40);
    EXPECT_EQ(game->lines, 2);
    EXPECT_TRUE(game->gameGrid->hasFruits());
    game->updateStatus();
    EXPECT_EQ(game->linesToRemove, 0);
    EXPECT_EQ(game->gameGrid->cells[0][19], above);
}

TEST_F(Flow, FourLinesAtLevelOneRaiseTheLevelChangeTrackAndClearTheGrid) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    for (int row = 16; row < 20; ++row) {
        fillRow(*game->gameGrid, row);
    }
    console.clear();
    game->checkLines();
    EXPECT_EQ(game->state, TGame::levelUp);
    EXPECT_EQ(game->level, 2);
    EXPECT_EQ(game->score, 160);
    EXPECT_EQ(game->lines, 4);
    EXPECT_NEAR(game->fallSpeed, 976.0f / 1500.0f, 1e-6f);
    EXPECT_EQ(game->soundManager->currentTrack, 1);
    EXPECT_NE(std::find(console.begin(), console.end(),
                        "Level: 2, Speed: 976.000000, Score: 160, Lines: 0"),
              console.end());
    EXPECT_EQ(occupied(*game->gameGrid), 0);
    // Gravity waits while the level-up screen shows; any key resumes play.
    auto piece = game->currentPiece;
    frames(100);
    EXPECT_EQ(game->state, TGame::levelUp);
    type('k');
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);
    // The piece that had just entered is taken out, the rows collapse, and it falls on.
    for (int i = 0; i < 60 && game->linesToRemove > 0; ++i) {
        frames(1);
    }
    EXPECT_EQ(game->linesToRemove, 0);
    EXPECT_EQ(game->currentPiece, piece);
}

TEST_F(Flow, AGameEndsWhenANewPieceCannotEnterAndTheScoreIsSavedAtOnce) {
    startGame();
    startPlaying();
    // Block the spawn area so the first piece cannot be placed.
    for (int row = 0; row < 4; ++row) {
        fillRow(*game->gameGrid, row, {9});
    }
    game->score = 777;
    ASSERT_TRUE(runUntilState(TGame::gameOver, 200));
    // The table keeps its own copy of the entry; later name edits don't touch it.
    auto first = game->hiScores->firstLink();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->value()->score, 777);
    EXPECT_EQ(first->value()->name, "Player  ");  // saving pads names to the record's 8 bytes
    EXPECT_NE(first->value(), game->player);
    EXPECT_EQ(game->hiScores->scores->count(), 5);
    // Saved as soon as the game ended: 5 records of 12 bytes.
    ASSERT_TRUE(std::filesystem::exists("gb.dat"));
    EXPECT_EQ(std::filesystem::file_size("gb.dat"), 60u);

    // Any typed key goes back to the title; the next piece and the name carry over.
    auto next = game->nextPiece;
    type('r');
    frames(1);
    EXPECT_EQ(game->state, TGame::title);
    EXPECT_EQ(game->score, 0);
    EXPECT_EQ(game->level, 1);
    EXPECT_EQ(game->currentPiece, nullptr);
    EXPECT_EQ(game->nextPiece, next);
    EXPECT_EQ(occupied(*game->gameGrid), 0);
}

TEST_F(Flow, PauseFreezesGravityAndAnyCharacterResumes) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    tap(key::p, 'p');
    frames(1);
    ASSERT_EQ(game->state, TGame::paused);
    EXPECT_NE(game->soundManager->musicState, MusicState::playing);
    const float y = game->currentPiece->position->y;
    frames(200);
    EXPECT_FLOAT_EQ(game->currentPiece->position->y, y);
    // P on the paused screen is a typed character: it resumes.
    tap(key::p, 'p');
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);
}

// Leaving the window while playing pauses as P does, and coming back does not resume: a key
// does, every time. (How the window's events say so is the window's: SdlEventsTest.)
TEST_F(Flow, LeavingTheWindowWhilePlayingPausesUntilAKey) {
    startGame();
    startPlaying();
    while (!game->currentPiece) {
        frames(1);
    }
    for (int time = 0; time < 2; ++time) {
        ASSERT_EQ(game->soundManager->musicState, MusicState::playing);
        scheduleLeaving(events);
        frames(1);
        ASSERT_EQ(game->state, TGame::paused) << time;
        EXPECT_NE(game->soundManager->musicState, MusicState::playing);
        const float y = game->currentPiece->position->y;
        frames(100);
        scheduleReturn(events);
        frames(100);
        EXPECT_EQ(game->state, TGame::paused);
        EXPECT_FLOAT_EQ(game->currentPiece->position->y, y);
        type('k');
        frames(1);
        EXPECT_EQ(game->state, TGame::playing);
    }
}

// On every other screen leaving the window changes nothing, and it is not held against a game
// started afterwards.
TEST_F(Flow, LeavingTheWindowOnOtherScreensChangesNothing) {
    startGame();
    scheduleLeaving(events);
    frames(5);
    EXPECT_EQ(game->state, TGame::title);
    type('g');
    frames(1);
    scheduleLeaving(events);
    frames(5);
    EXPECT_EQ(game->state, TGame::nameEntry);
    tap(key::enter, 13);
    frames(50);
    EXPECT_EQ(game->state, TGame::playing);
    tap(key::escape, 27);
    frames(1);
    scheduleLeaving(events);
    frames(5);
    EXPECT_EQ(game->state, TGame::exitPrompt);
    type('n');
    frames(50);
    EXPECT_EQ(game->state, TGame::playing);
}

TEST_F(Flow, ExitPromptReturnsOnNAndOnlyYNAnswerIt) {
    startGame();
    type('x');
    frames(1);
    ASSERT_EQ(game->state, TGame::nameEntry);
    tap(key::escape, 27);
    frames(1);
    EXPECT_EQ(game->state, TGame::exitPrompt);
    type('q');
    frames(2);
    EXPECT_EQ(game->state, TGame::exitPrompt);
    // Escape again keeps the state to return to.
    tap(key::escape, 27);
    frames(1);
    type('n');
    frames(1);
    EXPECT_EQ(game->state, TGame::nameEntry);
    EXPECT_EQ(game->player->name, "Player");
}

TEST_F(Flow, YQuitsClosesTheSoundAndSavesTheTable) {
    startGame();
    tap(key::escape, 27);
    frames(1);
    type('Y');
    frames(1);
    EXPECT_EQ(game->state, TGame::quit);
    // An entry the file does not have yet (as after a failed save) is written at the end.
    game->hiScores->addPlayer(*game->player);
    game->endLoop();
    ASSERT_TRUE(std::filesystem::exists("gb.dat"));
    EXPECT_EQ(std::filesystem::file_size("gb.dat"), 60u);
}

TEST_F(Flow, WindowCloseAndTerminationSignalsEndTheLoopLikeAQuit) {
    startGame();
    events.pending.push_back([](TKeyboard& k) { k.closeRequested(); });
    frames(1);
    EXPECT_EQ(game->state, TGame::quit);

    keyboard().clearCloseRequest();
    game->state = TGame::playing;
    installShutdownSignals();
    std::raise(SIGTERM);
    frames(1);
    EXPECT_EQ(game->state, TGame::quit);
}

TEST_F(Flow, MusicKeysWorkOnEveryScreenAndVolumeKeysRepeatWhileHeld) {
    startGame();
    // A frame with a keyboard tick: the music key acts and, as a typed character, it also
    // leaves the title.
    tap(key::period, '.');
    frames(1, 60);
    EXPECT_EQ(game->soundManager->currentTrack, 1);
    EXPECT_EQ(game->state, TGame::nameEntry);
    // Without a keyboard tick in the frame the key only leaves the screen (it is flushed).
    game->state = TGame::title;
    frames(1, 60);
    tap(key::comma, ',');
    frames(1, 10);
    EXPECT_EQ(game->state, TGame::nameEntry);
    EXPECT_EQ(game->soundManager->currentTrack, 1);
    tap(key::comma, ',');
    frames(1, 60);
    EXPECT_EQ(game->soundManager->currentTrack, 0);
    const int volume = game->soundManager->volume;
    press(key::minus);
    frames(9);  // three keyboard ticks while held
    release(key::minus);
    frames(1);
    EXPECT_EQ(game->soundManager->volume, volume - 24);
    // The keypad's "+" and "-" work the same way on every keyboard layout.
    press(key::padPlus);
    frames(6);
    release(key::padPlus);
    frames(1);
    EXPECT_EQ(game->soundManager->volume, volume - 24 + 16);
    tap(key::padMinus);
    frames(3);
    EXPECT_EQ(game->soundManager->volume, volume - 16);
}

TEST_F(Flow, SameSeedAndSameKeysReplayIdentically) {
    auto playScript = [this] {
        startGame();
        startPlaying();
        for (int i = 0; i < 400; ++i) {
            if (i % 7 == 0) {
                tap(i % 2 ? key::left : key::right);
            }
            if (i % 11 == 0) {
                tap(key::x, 'x');
            }
            if (i % 37 == 0) {
                tap(key::up);
            }
            frames(1);
        }
        std::vector<int> cells;
        for (const auto& column : game->gameGrid->cells) {
            for (const auto& cell : column) {
                cells.push_back(cell ? cell->kind : -1);
            }
        }
        return std::make_pair(cells, game->score);
    };
    const auto first = playScript();
    game.reset();
    now = 1000;
    const auto second = playScript();
    EXPECT_EQ(first, second);
}

// The generator is seeded with the clock's reading at start-up, and the first piece dealt is
// the generator's first draw: starts at different times of the machine's uptime open with
// different pieces.
TEST_F(Flow, TheFirstPieceDependsOnTheMomentOfTheStart) {
    std::set<int> kinds;
    for (int minutes : {1, 7, 30, 95, 240, 600, 1000, 1440}) {
        now = minutes * 60'000 + minutes * 37;
        game.reset();
        startGame();
        seedRnd(now);
        EXPECT_EQ(game->nextPiece->kind, rand(1, 7) - 1) << now;
        kinds.insert(game->nextPiece->kind);
    }
    EXPECT_GE(kinds.size(), 4u);
}

}  // namespace
}  // namespace gb::testing
