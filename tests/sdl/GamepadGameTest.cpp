// A real pad in the real game: SDL's virtual joystick, announced by SDL, read by the pads and
// the window's events, and played with frame by frame.

#include <SDL.h>

#include <memory>

#include "audio/TSoundManager.h"
#include "playfield/TPiece.h"
#include "sdl/TGamepads.h"
#include "tests/game/GameHarness.h"
#include "tests/sdl/TSdlEventQueue.h"
#include "tests/sdl/TVirtualPad.h"
#include "values/TVector.h"

namespace gb::testing {
namespace {

class PadInTheGame : public GameHarness {
  protected:
    void waitForPiece() {
        for (int i = 0; i < 200 && !game->currentPiece; ++i) {
            frames(1);
        }
        ASSERT_NE(game->currentPiece, nullptr);
    }
    bool musicPlaying() const { return game->soundManager->musicState == MusicState::playing; }
};

// A pad that SDL announces, pressed through SDL's virtual joystick: it plays from the title
// on, unplugging it pauses, and a pad plugged in then works at once.
TEST_F(PadInTheGame, APadPlugsInPlaysAndUnpluggingItPauses) {
    TGamepads& pads = platform.make<TGamepads>();
    platform.makeEventSource<TSdlEventQueue>(&pads);
    ASSERT_TRUE(pads.started()) << SDL_GetError();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    auto pad = std::make_unique<TVirtualPad>();
    ASSERT_TRUE(pad->plugged()) << SDL_GetError();
    // Presses and releases reach SDL when it next looks at the pads: one frame each.
    auto click = [this](TVirtualPad& on, int which) {
        on.press(which);
        frames(1);
        on.release(which);
        frames(1);
    };
    startGame();
    frames(1);
    ASSERT_EQ(pads.count(), 1);
    click(*pad, SDL_CONTROLLER_BUTTON_A);
    ASSERT_EQ(game->state, TGame::nameEntry);
    click(*pad, SDL_CONTROLLER_BUTTON_START);
    ASSERT_EQ(game->state, TGame::playing);
    waitForPiece();
    const float x = game->currentPiece->position->x;
    click(*pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    frames(3);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, x - 1);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, 32767);
    frames(2);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, 0);
    frames(3);
    EXPECT_FLOAT_EQ(game->currentPiece->position->x, x);

    pad->unplug();
    frames(1);
    EXPECT_EQ(game->state, TGame::paused);
    EXPECT_FALSE(musicPlaying());
    TVirtualPad another("Another pad");
    frames(1);
    EXPECT_EQ(pads.count(), 1);
    click(another, SDL_CONTROLLER_BUTTON_B);
    EXPECT_EQ(game->state, TGame::playing);
}

}  // namespace
}  // namespace gb::testing
