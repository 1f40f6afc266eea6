// The options screen and the kept settings in whole frames of the real game: reaching it,
// moving through it, binding keys (and refusing taken ones), and playing with what it set.

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "audio/TSoundManager.h"
#include "hiscores/THiScore.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/GamepadKeys.h"
#include "tests/game/GameHarness.h"
#include "values/TVector.h"

namespace gb::testing {
namespace {

using Command = TSettings::Command;

constexpr int kLeftLine = 6;  // the first key line, the left move's

class Options : public GameHarness {
  protected:
    // Starts the game with the given settings, keeping what it stores.
    void startWith(const TSettings& settings) {
        game = TGame::create(settings);
        game->keepSettings = [this](const TSettings& kept) { stored = kept; };
        game->startLoop();
    }

    void openOptions() {
        tap(key::f2);
        frames(1);
        ASSERT_EQ(game->state, TGame::options);
    }

    void toLine(int line) {
        while (game->optionLine != line) {
            tap(key::down);
            frames(1);
        }
    }

    // Binds the key for the command on the given line through the screen.
    void bind(int line, int code, int ch = 0) {
        toLine(line);
        tap(key::enter, 13);
        frames(1);
        ASSERT_TRUE(game->waitingForKey);
        tap(code, ch);
        frames(1);
    }

    // An unturned L in the middle of an empty grid, gravity stopped; its cells.
    std::vector<std::pair<int, int>> freshPiece() {
        placeFreshPiece();
        return fallingCells();
    }

    std::optional<TSettings> stored;
};

// F2 (or the pad's Y) on the title opens the screen and types no letter of a name; the arrows
// wrap around its lines; Esc (or Back) closes it, storing the settings, and does not ask to
// quit.
TEST_F(Options, F2OrThePadsYOpenItAndEscOrBackCloseIt) {
    startWith(TSettings());
    openOptions();
    EXPECT_EQ(game->player->name, "Player");
    EXPECT_EQ(game->optionLine, 0);
    tap(key::up);
    frames(1);
    EXPECT_EQ(game->optionLine, TGame::kOptionLines - 1);
    tap(key::gamepadDpadDown);
    frames(1);
    EXPECT_EQ(game->optionLine, 0);
    tap(key::escape);
    frames(1);
    EXPECT_EQ(game->state, TGame::title);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, TSettings());

    events.pending.push_back([](TKeyboard& k) {
        k.keyPressed(key::gamepadY);
        k.buttonTyped(key::gamepadY);
        k.keyReleased(key::gamepadY);
    });
    frames(1);
    EXPECT_EQ(game->state, TGame::options);
    tap(key::gamepadView);
    frames(1);
    EXPECT_EQ(game->state, TGame::title);
}

// Left and right change the value on the chosen line, in the game at once where it can be.
TEST_F(Options, LeftAndRightChangeTheValues) {
    startWith(TSettings());
    openOptions();
    const int volume = game->soundManager->volume;
    tap(key::right);
    frames(1);
    EXPECT_GT(game->soundManager->volume, volume);
    EXPECT_EQ(game->settings.volume, game->soundManager->volume);

    toLine(1);
    tap(key::left);
    frames(1);
    EXPECT_NE(game->soundManager->musicState, MusicState::playing);
    EXPECT_FALSE(game->settings.music);

    toLine(2);
    tap(key::left);
    frames(1);
    EXPECT_EQ(game->soundManager->currentTrack, TSettings::kTrackCount - 1);
    EXPECT_EQ(game->settings.track, TSettings::kTrackCount - 1);

    toLine(3);
    for (int i = 0; i < 12; ++i) {
        tap(key::right);
        frames(1);
    }
    EXPECT_EQ(game->startLevel, 9);
    EXPECT_EQ(game->settings.startLevel, 9);
    tap(key::left);
    frames(1);
    EXPECT_EQ(game->startLevel, 8);

    toLine(4);
    tap(key::right);
    frames(1);
    EXPECT_TRUE(game->landingShadow);
    EXPECT_TRUE(game->settings.landingShadow);

    toLine(5);
    tap(key::right);
    frames(1);
    EXPECT_FALSE(game->settings.fullscreen);

    // Back on the title, the level shown is the one the next game begins at, with its pace.
    tap(key::escape);
    frames(1);
    ASSERT_EQ(game->state, TGame::title);
    EXPECT_EQ(game->level, 8);
    EXPECT_NEAR(game->fallSpeed, fallIntervalAt(8), 1e-6);
}

// A key another command has, or one the game keeps (the music key, the options key), is
// refused with the word shown and the wait goes on; Esc gives the wait up, keeping the key.
TEST_F(Options, ATakenOrReservedKeyIsRefusedAndTheOldOneKept) {
    startWith(TSettings());
    openOptions();
    bind(kLeftLine, key::x, 'x');
    EXPECT_TRUE(game->waitingForKey);
    EXPECT_EQ(game->keyRefusal, TGame::KeyRefusal::taken);
    const bool musicBefore = game->settings.music;
    for (const int reserved : {key::m, key::f2, key::equals, key::pad4}) {
        tap(reserved);
        frames(4);
        EXPECT_EQ(game->keyRefusal, TGame::KeyRefusal::reserved) << reserved;
        EXPECT_TRUE(game->waitingForKey);
    }
    EXPECT_EQ(game->settings.music, musicBefore);
    EXPECT_EQ(game->settings.volume, TSettings().volume);
    tap(key::escape);
    frames(1);
    EXPECT_EQ(game->state, TGame::options);
    EXPECT_FALSE(game->waitingForKey);
    EXPECT_EQ(game->settings.keyOf(Command::left), key::left);
}

// A key bound on the screen moves the piece in the next game, and the old key does nothing
// any more; the keypad and the pad still steer.
TEST_F(Options, AReboundKeyMovesThePieceAndTheOldKeyNoLonger) {
    startWith(TSettings());
    openOptions();
    bind(kLeftLine, 'A', 'a');
    EXPECT_FALSE(game->waitingForKey);
    bind(kLeftLine + 6, key::space, ' ');  // pause
    tap(key::escape);
    frames(1);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->keyOf(Command::left), 'A');
    EXPECT_EQ(stored->keyOf(Command::pause), key::space);

    startPlaying();
    const auto start = freshPiece();
    tap(key::left);
    frames(3);
    EXPECT_EQ(fallingCells(), start) << "the old key still moves the piece";
    tap('A', 'a');
    frames(3);
    const auto moved = fallingCells();
    ASSERT_NE(moved, start);
    EXPECT_TRUE(std::all_of(moved.begin(), moved.end(), [&](const auto& cell) {
        return std::find(start.begin(), start.end(), std::make_pair(cell.first + 1, cell.second)) !=
               start.end();
    })) << "A moves the piece one column left";
    for (const int other : {key::pad4, key::gamepadDpadLeft}) {
        const auto before = freshPiece();
        tap(other);
        frames(3);
        EXPECT_NE(fallingCells(), before) << other;
    }

    tap(key::p, 'p');
    frames(2);
    EXPECT_EQ(game->state, TGame::playing) << "P no longer pauses";
    tap(key::space, ' ');
    frames(1);
    EXPECT_EQ(game->state, TGame::paused);
}

// The music keys change the kept settings; a game started with them plays that way.
TEST_F(Options, VolumeMusicAndTrackAreKeptAcrossARestart) {
    startWith(TSettings());
    startPlaying();
    type('=');
    frames(3);
    type('.');
    frames(3);
    type('.');
    frames(3);
    tap(key::m, 'm');
    frames(3);
    game->state = TGame::quit;
    game->endLoop();
    ASSERT_TRUE(stored.has_value());
    const TSettings kept = *stored;
    EXPECT_GT(kept.volume, TSettings().volume);
    EXPECT_EQ(kept.track, 2);
    EXPECT_FALSE(kept.music);

    game.reset();
    startWith(kept);
    EXPECT_EQ(game->soundManager->volume, kept.volume);
    EXPECT_EQ(game->soundManager->currentTrack, 2);
    EXPECT_NE(game->soundManager->musicState, MusicState::playing);
    EXPECT_EQ(game->settings, kept);
}

// The command line's level holds for the run, the kept one stays what it was.
TEST_F(Options, ALevelForTheRunIsNotKept) {
    TSettings settings;
    settings.startLevel = 3;
    game = TGame::create(settings, 6);
    EXPECT_EQ(game->startLevel, 6);
    EXPECT_EQ(game->settings.startLevel, 3);
}

}  // namespace
}  // namespace gb::testing
