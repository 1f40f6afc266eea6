// The other ways to give the game's commands: a gamepad and the keypad. Whole frames, as a
// player meets them.

#include <memory>
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

class Controls : public GameHarness {
  protected:
    // A gamepad button pressed and released before the next frame, as the gamepads report
    // one that types (every button but the D-pad and Back).
    void button(int code) {
        events.pending.push_back([code](TKeyboard& k) {
            k.keyPressed(code);
            k.buttonTyped(code);
            k.keyReleased(code);
        });
    }

    void waitForPiece() {
        for (int i = 0; i < 200 && !game->currentPiece; ++i) {
            frames(1);
        }
        ASSERT_NE(game->currentPiece, nullptr);
    }

    // The cells of the falling piece.
    std::vector<std::pair<int, int>> pieceCells() const {
        std::vector<std::pair<int, int>> cells;
        for (const BlockRef& block : game->currentPiece->blocks) {
            cells.emplace_back(block->position->roundX(), block->position->roundY());
        }
        return cells;
    }

    // An unturned L in place of the falling piece, centred at (4, 5.5), with gravity stopped
    // so that only the keys move it.
    void freshPiece() {
        game->currentPiece->removeFromGrid();
        auto piece = TPiece::createCopy(*game->piecePrototypes[4]);
        piece->setGrid(game->gameGrid);
        piece->position->setXY(4.0f, 5.5f);
        piece->applyRotation();
        piece->offsetBy(*piece->position);
        ASSERT_TRUE(piece->addToGrid());
        game->currentPiece = piece;
        game->fallSpeed = 1000.0f;
    }

    bool musicPlaying() const { return game->soundManager->musicState == MusicState::playing; }
};

// Each piece key, and what else does the same: the keypad's digit, the D-pad and the left stick
// for the moves and the drop, two face buttons for each turn.
TEST_F(Controls, PadAndKeypadMoveDropAndTurnThePieceAsTheKeysDo) {
    const std::vector<std::pair<int, std::vector<int>>> actions = {
        {key::left, {key::pad4, key::gamepadDpadLeft, key::gamepadLeftStickLeft}},
        {key::right, {key::pad6, key::gamepadDpadRight, key::gamepadLeftStickRight}},
        {key::down, {key::pad2, key::gamepadDpadDown, key::gamepadLeftStickDown}},
        {key::up, {key::pad8, key::gamepadDpadUp, key::gamepadLeftStickUp}},
        {key::x, {key::gamepadA, key::gamepadX}},
        {key::z, {key::gamepadB, key::gamepadY}},
    };
    startGame();
    startPlaying();
    waitForPiece();
    for (const auto& [keyboardKey, others] : actions) {
        freshPiece();
        const auto before = pieceCells();
        tap(keyboardKey);
        frames(3);
        const auto expected = pieceCells();
        ASSERT_NE(expected, before) << keyboardKey;
        for (const int code : others) {
            freshPiece();
            tap(code);
            frames(3);
            EXPECT_EQ(pieceCells(), expected) << keyboardKey << " and " << code;
        }
    }
}

// A held direction acts at once, again on the third keyboard tick, then on every tick, whether
// it is a key, the keypad, the D-pad or the stick.
TEST_F(Controls, AHeldDirectionRepeatsTheSameWayOnEveryDevice) {
    auto heldMoves = [this](int code) {
        now = 1000;
        game.reset();
        startGame();
        startPlaying();
        waitForPiece();
        freshPiece();
        game->fallTime = 0.0f;
        std::vector<float> xs;
        press(code);
        for (int tick = 0; tick < 5; ++tick) {
            frames(1, 51);
            xs.push_back(game->currentPiece->position->x);
        }
        release(code);
        return xs;
    };
    const std::vector<float> keys = heldMoves(key::left);
    EXPECT_EQ(keys, (std::vector<float>{3, 3, 3, 2, 1}));
    for (const int code : {key::pad4, key::gamepadDpadLeft, key::gamepadLeftStickLeft}) {
        EXPECT_EQ(heldMoves(code), keys) << code;
    }
}

// Start pauses like P and any button resumes; the D-pad, the sticks and the triggers type
// nothing, so they leave the paused screen alone.
TEST_F(Controls, StartPausesAndAnyButtonResumes) {
    startGame();
    startPlaying();
    waitForPiece();
    ASSERT_TRUE(musicPlaying());
    button(key::gamepadMenu);
    frames(1);
    ASSERT_EQ(game->state, TGame::paused);
    EXPECT_FALSE(musicPlaying());
    const float y = game->currentPiece->position->y;
    for (const int code : {key::gamepadDpadLeft, key::gamepadLeftStickDown,
                           key::gamepadRightTrigger, key::gamepadRightStickUp}) {
        tap(code);
        frames(3);
        EXPECT_EQ(game->state, TGame::paused) << code;
    }
    EXPECT_FLOAT_EQ(game->currentPiece->position->y, y);
    button(key::gamepadLeftStickButton);
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);
    EXPECT_TRUE(musicPlaying());
}

// On the title, level-up and game-over screens a button counts as any key; steering does not.
TEST_F(Controls, AButtonCountsAsAnyKeyOnTheTitleAndTheOverlays) {
    startGame();
    tap(key::gamepadDpadDown);
    tap(key::gamepadLeftStickUp);
    frames(3);
    EXPECT_EQ(game->state, TGame::title);
    button(key::gamepadY);
    frames(1);
    EXPECT_EQ(game->state, TGame::nameEntry);
    EXPECT_EQ(game->player->name, "Player");

    game->state = TGame::levelUp;
    tap(key::gamepadDpadUp);
    frames(2);
    EXPECT_EQ(game->state, TGame::levelUp);
    button(key::gamepadRightShoulder);
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);

    game->state = TGame::gameOver;
    tap(key::gamepadLeftTrigger);
    frames(2);
    EXPECT_EQ(game->state, TGame::gameOver);
    button(key::gamepadB);
    frames(1);
    EXPECT_EQ(game->state, TGame::title);
}

// Name entry is the keyboard's, but Start plays with the name shown.
TEST_F(Controls, StartOnNameEntryPlaysWithTheNameShown) {
    startGame();
    button(key::gamepadMenu);
    frames(1);
    ASSERT_EQ(game->state, TGame::nameEntry);
    for (const int code : {key::gamepadA, key::gamepadB, key::gamepadX, key::gamepadY}) {
        button(code);
        frames(1);
    }
    EXPECT_EQ(game->state, TGame::nameEntry);
    EXPECT_EQ(game->player->name, "Player");
    button(key::gamepadMenu);
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);
    EXPECT_EQ(game->player->name, "Player");
}

// Back opens the exit prompt from any screen; there A quits and B goes back. A button pressed
// before the prompt opened does not answer it.
TEST_F(Controls, BackOpensTheExitPromptWhereAAnswersYesAndBNo) {
    startGame();
    startPlaying();
    waitForPiece();
    // A (turning the piece) and Back in the same frame.
    button(key::gamepadA);
    tap(key::gamepadView);
    frames(3);
    ASSERT_EQ(game->state, TGame::exitPrompt);
    button(key::gamepadX);
    frames(2);
    EXPECT_EQ(game->state, TGame::exitPrompt);
    button(key::gamepadB);
    frames(1);
    EXPECT_EQ(game->state, TGame::playing);
    tap(key::gamepadView);
    frames(1);
    button(key::gamepadA);
    frames(1);
    EXPECT_EQ(game->state, TGame::quit);
}

// The shoulders change the track; the triggers and the right stick change the volume, again
// on every keyboard tick while held.
TEST_F(Controls, ShouldersChangeTheTrackTriggersAndTheRightStickTheVolume) {
    startGame();
    startPlaying();
    // Gravity stopped: no new piece flushes the keys while a control is held.
    waitForPiece();
    game->fallSpeed = 1000.0f;
    TSoundManager& sound = *game->soundManager;
    button(key::gamepadRightShoulder);
    frames(1, 60);
    EXPECT_EQ(sound.currentTrack, 1);
    button(key::gamepadLeftShoulder);
    frames(1, 60);
    EXPECT_EQ(sound.currentTrack, 0);
    const int volume = sound.volume;
    const std::pair<int, int> controls[] = {{key::gamepadLeftTrigger, -24},
                                            {key::gamepadRightTrigger, +24},
                                            {key::gamepadRightStickDown, -24},
                                            {key::gamepadRightStickUp, +24}};
    for (const auto& [code, change] : controls) {
        press(code);
        frames(3, 51);  // three keyboard ticks while held
        release(code);
        frames(1, 10);
        EXPECT_EQ(sound.volume, volume + change) << code;
        sound.volume = volume;
    }
    EXPECT_EQ(game->state, TGame::playing);
}

}  // namespace
}  // namespace gb::testing
