#include <gtest/gtest.h>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "sdl/KeyMap.h"
#include "services/TKeyboard.h"
#include "tests/support/TScriptedEvents.h"

#include <SDL_keycode.h>

namespace gb {
namespace {

// A fresh keyboard on each test's own platform, fed by scripted events.
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
    EXPECT_EQ(keyHit(key::left), 2);
    EXPECT_EQ(keyHit(key::left), 0);
    // The platform repeats a held key: no new press.
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::left); },
                      [](TKeyboard& k) { k.keyPressed(key::left); }};
    EXPECT_EQ(keyHit(key::left), 0);
    EXPECT_TRUE(keyDown(key::left));
}

TEST_F(KeyboardTest, FlushForgetsHeldKeysUntilTheyArePressedAgain) {
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::down); }};
    flushKeys();
    EXPECT_EQ(keyHit(key::down), 0);
    EXPECT_FALSE(keyDown(key::down));
    // Still physically held: the repeat the platform sends is now a new press.
    events.pending = {[](TKeyboard& k) { k.keyPressed(key::down); }};
    EXPECT_EQ(keyHit(key::down), 1);
}

TEST_F(KeyboardTest, CharacterQueueKeepsTheFirst256) {
    events.pending = {[](TKeyboard& k) {
        for (int i = 0; i < 300; ++i) {
            k.charTyped('a' + i % 26);
        }
    }};
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
    EXPECT_FALSE(keyDown(key::x));
    EXPECT_EQ(keyHit(key::x), 0);
    EXPECT_EQ(getChar(), 0);
    EXPECT_TRUE(appCloseRequested());
    keyboard().clearCloseRequest();
}

TEST_F(KeyboardTest, OutOfRangeCodesAreIgnored) {
    keyboard().keyPressed(-1);
    keyboard().keyPressed(256);
    EXPECT_EQ(keyHit(-1), 0);
    EXPECT_FALSE(keyDown(300));
}

TEST(KeyMap, WindowKeysMapToTheGameCodes) {
    EXPECT_EQ(keyCodeForSymbol(SDLK_LEFT), 37);
    EXPECT_EQ(keyCodeForSymbol(SDLK_UP), 38);
    EXPECT_EQ(keyCodeForSymbol(SDLK_RIGHT), 39);
    EXPECT_EQ(keyCodeForSymbol(SDLK_DOWN), 40);
    EXPECT_EQ(keyCodeForSymbol(SDLK_BACKSPACE), 8);
    EXPECT_EQ(keyCodeForSymbol(SDLK_RETURN), 13);
    EXPECT_EQ(keyCodeForSymbol(SDLK_KP_ENTER), 13);
    EXPECT_EQ(keyCodeForSymbol(SDLK_ESCAPE), 27);
    EXPECT_EQ(keyCodeForSymbol(SDLK_DELETE), 46);
    EXPECT_EQ(keyCodeForSymbol(SDLK_m), 77);
    EXPECT_EQ(keyCodeForSymbol(SDLK_p), 80);
    EXPECT_EQ(keyCodeForSymbol(SDLK_x), 88);
    EXPECT_EQ(keyCodeForSymbol(SDLK_z), 90);
    EXPECT_EQ(keyCodeForSymbol(SDLK_a), 65);
    EXPECT_EQ(keyCodeForSymbol(SDLK_0), 48);
    EXPECT_EQ(keyCodeForSymbol(SDLK_9), 57);
    EXPECT_EQ(keyCodeForSymbol(SDLK_EQUALS), 187);
    EXPECT_EQ(keyCodeForSymbol(SDLK_PLUS), 187);  // "+" on a key of its own
    EXPECT_EQ(keyCodeForSymbol(SDLK_KP_PLUS), 107);
    EXPECT_EQ(keyCodeForSymbol(SDLK_KP_MINUS), 109);
    EXPECT_EQ(keyCodeForSymbol(SDLK_COMMA), 188);
    EXPECT_EQ(keyCodeForSymbol(SDLK_MINUS), 189);
    EXPECT_EQ(keyCodeForSymbol(SDLK_PERIOD), 190);
    EXPECT_EQ(keyCodeForSymbol(SDLK_LSHIFT), 16);
    EXPECT_EQ(keyCodeForSymbol(SDLK_RCTRL), 17);
    EXPECT_EQ(keyCodeForSymbol(SDLK_F11), 122);
    EXPECT_EQ(keyCodeForSymbol(SDLK_AUDIOPLAY), 0);
}

}  // namespace
}  // namespace gb
