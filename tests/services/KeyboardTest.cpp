#include <gtest/gtest.h>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "tests/support/TScriptedEvents.h"

namespace gb {
namespace {

// A fresh keyboard on each test's own platform, fed by scripted events that pollEvents (the
// start of a frame) delivers.
class KeyboardTest : public ::testing::Test {
  protected:
    TPlatform platform;
    TPlatformScope installed{platform};
    TScriptedEvents& events = platform.makeEventSource<TScriptedEvents>();
};

TEST_F(KeyboardTest, HitsCountPressesAndRepeatsOfAHeldKeyAddNone) {
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::left); },
                      [](TKeyboard& k) { k.keyReleased(key::left); },
                      [](TKeyboard& k) { k.keyPressed(key::left); }};
    pollEvents();
    EXPECT_EQ(keyHit(key::left), 2);
    EXPECT_EQ(keyHit(key::left), 0);
    // The platform repeats a held key: no new press.
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::left); },
                      [](TKeyboard& k) { k.keyPressed(key::left); }};
    pollEvents();
    EXPECT_EQ(keyHit(key::left), 0);
    EXPECT_TRUE(keyDown(key::left));
}

// The queries of one frame read what the frame's start delivered: an event that arrives in
// between waits for the next read, whichever query comes first.
TEST_F(KeyboardTest, QueriesReadOnlyWhatTheLastReadDelivered) {
    events.tap(key::left, 'a');
    pollEvents();
    events.tap(key::right, 'b');
    events.press(key::down);
    events.pending.push_back([](TKeyboard& k) { k.requestPause(); });
    EXPECT_EQ(keyHit(key::right), 0);
    EXPECT_FALSE(keyDown(key::down));
    EXPECT_EQ(getChar(), 'a');
    EXPECT_EQ(getChar(), 0);
    EXPECT_FALSE(pauseRequested());
    flushKeys();
    EXPECT_EQ(events.pumps, 1);
    // A flush forgets what was read, not what is still to come.
    pollEvents();
    EXPECT_EQ(keyHit(key::left), 0);
    EXPECT_EQ(keyHit(key::right), 1);
    EXPECT_TRUE(keyDown(key::down));
    EXPECT_EQ(getChar(), 'b');
    EXPECT_TRUE(pauseRequested());
    EXPECT_EQ(events.pumps, 2);
}

TEST_F(KeyboardTest, FlushForgetsHeldKeysUntilTheyArePressedAgain) {
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::down); }};
    pollEvents();
    flushKeys();
    EXPECT_EQ(keyHit(key::down), 0);
    EXPECT_FALSE(keyDown(key::down));
    // Still physically held: the repeat the platform sends is now a new press.
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::down); }};
    pollEvents();
    EXPECT_EQ(keyHit(key::down), 1);
}

TEST_F(KeyboardTest, CharacterQueueKeepsTheFirst256) {
    events.pending = {[](TKeyboard& k) {
        for (int i = 0; i < 300; ++i) {
            k.charTyped('a' + i % 26);
        }
    }};
    pollEvents();
    int taken = 0;
    int ch;
    while ((ch = getChar()) != 0) {
        ASSERT_EQ(ch, 'a' + taken % 26);
        ++taken;
    }
    EXPECT_EQ(taken, 256);
    EXPECT_EQ(getChar(), 0);
}

TEST_F(KeyboardTest, FocusChangeFlushesAndCloseRequestIsRecorded) {
    events.pending = {
        [](TKeyboard& k) { k.keyPressed(key::x); }, [](TKeyboard& k) { k.charTyped('x'); },
        [](TKeyboard& k) { k.focusChanged(); }, [](TKeyboard& k) { k.closeRequested(); }};
    pollEvents();
    EXPECT_FALSE(keyDown(key::x));
    EXPECT_EQ(keyHit(key::x), 0);
    EXPECT_EQ(getChar(), 0);
    EXPECT_TRUE(appCloseRequested());
    keyboard().clearCloseRequest();
}

// The keys and the drawing state belong to the platform they were used on.
TEST(ServicesState, EachPlatformHasItsOwnKeysAndDrawingState) {
    TPlatform first;
    {
        TPlatformScope installed(first);
        keyboard().keyPressed(key::left);
        keyboard().charTyped('a');
        setColor(1, 2, 3);
    }
    TPlatform second;
    TPlatformScope installed(second);
    EXPECT_FALSE(keyDown(key::left));
    EXPECT_EQ(getChar(), 0);
    EXPECT_EQ(drawState().red, 255);
    EXPECT_EQ(first.state<TKeyboard>().takeChar(), 'a');
}

TEST_F(KeyboardTest, OutOfRangeCodesAreIgnored) {
    keyboard().keyPressed(-1);
    keyboard().keyPressed(256);
    EXPECT_EQ(keyHit(-1), 0);
    EXPECT_FALSE(keyDown(300));
}

}  // namespace
}  // namespace gb
