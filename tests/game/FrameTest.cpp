// One frame, one path: the input is read once at the frame's start.

#include "tests/game/GameHarness.h"

namespace gb::testing {
namespace {

using Frame = GameHarness;

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

}  // namespace
}  // namespace gb::testing
