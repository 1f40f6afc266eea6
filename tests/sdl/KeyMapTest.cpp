#include <gtest/gtest.h>

#include <SDL_keycode.h>

#include "sdl/KeyMap.h"

namespace gb {
namespace {

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
