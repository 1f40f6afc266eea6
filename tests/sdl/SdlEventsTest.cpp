#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "DisplayFixture.h"
#include "sdl/TSdlEvents.h"
#include "services/TKeyboard.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

SDL_Event keyEvent(Uint32 type, SDL_Keycode symbol, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = symbol;
    return event;
}

SDL_Event textEvent(const char* text) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, text, sizeof event.text.text - 1);
    return event;
}

SDL_Event windowEvent(Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    return event;
}

// Events go through SDL's own queue and the display's pump, as the game receives them.
class SdlEventsTest : public testkit::SdlDisplayTest {
  protected:
    void SetUp() override {
        testkit::SdlDisplayTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    // Queues an event as if SDL had received it at the given ticks (SDL_PushEvent would
    // stamp it with the present).
    static void pushAt(SDL_Event event, Uint32 ticks) {
        event.common.timestamp = ticks;
        ASSERT_EQ(SDL_PeepEvents(&event, 1, SDL_ADDEVENT, 0, 0), 1) << SDL_GetError();
    }
};

TEST_F(SdlEventsTest, KeyPressesCountOnceWhileTheKeyRepeats) {
    push(keyEvent(SDL_KEYDOWN, SDLK_LEFT));
    push(keyEvent(SDL_KEYDOWN, SDLK_LEFT, 1));
    push(keyEvent(SDL_KEYDOWN, SDLK_LEFT, 1));
    pollEvents();
    EXPECT_EQ(keyHit(key::left), 1);
    EXPECT_TRUE(keyDown(key::left));
    push(keyEvent(SDL_KEYUP, SDLK_LEFT));
    pollEvents();
    EXPECT_FALSE(keyDown(key::left));
    push(keyEvent(SDL_KEYDOWN, SDLK_z));
    push(keyEvent(SDL_KEYUP, SDLK_z));
    push(keyEvent(SDL_KEYDOWN, SDLK_z));
    pollEvents();
    EXPECT_EQ(keyHit(key::z), 2);
    // After a flush a key still held stays unpressed while the platform repeats it.
    flushKeys();
    push(keyEvent(SDL_KEYDOWN, SDLK_z, 1));
    pollEvents();
    EXPECT_EQ(keyHit(key::z), 0);
    EXPECT_FALSE(keyDown(key::z));
}

TEST_F(SdlEventsTest, TypedTextAndEditingKeysFillTheCharacterQueue) {
    push(textEvent("a\xC3\xA9"));  // "a", then e-acute as one character
    push(keyEvent(SDL_KEYDOWN, SDLK_BACKSPACE));
    push(keyEvent(SDL_KEYDOWN, SDLK_RETURN));
    push(keyEvent(SDL_KEYDOWN, SDLK_LEFT));  // no character
    pollEvents();
    EXPECT_EQ(getChar(), 'a');
    EXPECT_EQ(getChar(), 0xE9);
    EXPECT_EQ(getChar(), 8);
    EXPECT_EQ(getChar(), 13);
    EXPECT_EQ(getChar(), 0);
    EXPECT_EQ(keyHit(key::enter), 1);
    EXPECT_EQ(keyHit(key::backspace), 1);
}

TEST_F(SdlEventsTest, LosingOrRegainingFocusFlushesTheKeyboardAndLeavingAsksForAPause) {
    for (Uint8 what :
         {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_MINIMIZED,
          SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_HIDDEN}) {
        push(keyEvent(SDL_KEYDOWN, SDLK_DOWN));
        push(textEvent("x"));
        push(windowEvent(what));
        pollEvents();
        const bool left = what == SDL_WINDOWEVENT_FOCUS_LOST || what == SDL_WINDOWEVENT_MINIMIZED ||
                          what == SDL_WINDOWEVENT_HIDDEN;
        EXPECT_EQ(pauseRequested(), left) << int{what};
        EXPECT_FALSE(pauseRequested()) << int{what};
        EXPECT_FALSE(keyDown(key::down)) << int{what};
        EXPECT_EQ(keyHit(key::down), 0) << int{what};
        EXPECT_EQ(getChar(), 0) << int{what};
        // The key is still physically down; its next press counts again.
        push(keyEvent(SDL_KEYDOWN, SDLK_DOWN));
        pollEvents();
        EXPECT_EQ(keyHit(key::down), 1) << int{what};
        push(keyEvent(SDL_KEYUP, SDLK_DOWN));
        pollEvents();
        flushKeys();
    }
}

TEST_F(SdlEventsTest, TheKeypadKeepsItsCodesWhateverNumLockAndItsEnterIsEnter) {
    // Num Lock decides only whether the keys also type their digit (a text event).
    const std::pair<SDL_Keycode, int> keys[] = {{SDLK_KP_4, key::pad4},
                                                {SDLK_KP_6, key::pad6},
                                                {SDLK_KP_2, key::pad2},
                                                {SDLK_KP_8, key::pad8}};
    for (const auto& [symbol, code] : keys) {
        for (const Uint16 modifiers : {KMOD_NONE, KMOD_NUM}) {
            SDL_Event press = keyEvent(SDL_KEYDOWN, symbol);
            press.key.keysym.mod = modifiers;
            push(press);
            pollEvents();
            EXPECT_EQ(keyHit(code), 1) << code;
            push(keyEvent(SDL_KEYUP, symbol));
            pollEvents();
            EXPECT_FALSE(keyDown(code)) << code;
        }
    }
    push(keyEvent(SDL_KEYDOWN, SDLK_KP_ENTER));
    pollEvents();
    EXPECT_EQ(keyHit(key::enter), 1);
    EXPECT_EQ(getChar(), 13);
}

TEST_F(SdlEventsTest, CloseRequestsAreRecorded) {
    EXPECT_FALSE(appCloseRequested());
    push(windowEvent(SDL_WINDOWEVENT_CLOSE));
    pollEvents();
    EXPECT_TRUE(appCloseRequested());
    keyboard().clearCloseRequest();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    pollEvents();
    EXPECT_TRUE(appCloseRequested());
}

SDL_Event deviceReset() {
    SDL_Event event{};
    event.type = SDL_RENDER_DEVICE_RESET;
    return event;
}

// After a lost device the window has the backend make a new renderer, quietly, and the
// cells upload again on their next draw.
void expectNewRendererAfterADeviceReset(const TSdlBackend& sdl) {
    const ImageRef cell = testkit::solidImage(4, 4, testkit::argb(255, 0, 0, 255));
    drawImage(cell, 10, 10);
    ::testing::internal::CaptureStderr();
    SDL_Event reset = deviceReset();
    ASSERT_EQ(SDL_PushEvent(&reset), 1) << SDL_GetError();
    testkit::withoutLeakChecks([] { pollEvents(); });
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(appCloseRequested());
    ASSERT_NE(sdl.renderer(), nullptr);
    drawImage(cell, 10, 10);
    EXPECT_EQ(testkit::screenPixel(11, 11), 0x0000FFu);
}

TEST_F(SdlEventsTest, ADeviceResetGetsANewRendererAndCellsUploadAgain) {
    expectNewRendererAfterADeviceReset(*sdl);
}

class SdlGpuEventsTest : public SdlEventsTest {
  protected:
    testkit::Backend backend() const override { return testkit::Backend::gpu; }
};

TEST_F(SdlGpuEventsTest, ADeviceResetGetsANewGpuRendererAndCellsUploadAgain) {
    expectNewRendererAfterADeviceReset(*sdl);
}

// When no renderer can be made after the device is lost, the game must not go on unseen: one
// line says why, and the window system's close request ends the game (which saves the scores).
TEST_F(SdlEventsTest, ADisplayThatCannotBeRestoredAfterADeviceResetEndsTheGameLikeAClose) {
    // A window far too wide for any renderer's surface: no new renderer can be made for it.
    if (window.fullscreen()) {
        window.toggleFullscreen();
    }
    ASSERT_FALSE(window.fullscreen());
    SDL_SetWindowSize(window.window(), 1 << 29, 1);
    ::testing::internal::CaptureStderr();
    push(deviceReset());
    pollEvents();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(said.starts_with("Gumbolt: cannot restore the display after a device reset: "))
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_TRUE(appCloseRequested());
    // Drawing on goes nowhere without harm, and a further reset says nothing more.
    drawImage(testkit::solidImage(2, 2, testkit::argb(255, 255, 255, 255)), 0, 0);
    flip();
    ::testing::internal::CaptureStderr();
    push(deviceReset());
    pollEvents();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(SdlEventsTest, F11SwitchesFullScreenWithoutReachingTheGame) {
    GUMBOLT_SKIP_IN_BROWSER("in a browser the page switches to full screen");
    const bool before = window.fullscreen();
    push(keyEvent(SDL_KEYDOWN, SDLK_F11));
    push(keyEvent(SDL_KEYUP, SDLK_F11));
    pollEvents();
    EXPECT_EQ(keyHit(122), 0);
    EXPECT_EQ(window.fullscreen(), !before);
    // The picture still comes out at 800 x 600 after the switch.
    drawImage(testkit::solidImage(4, 4, testkit::argb(255, 255, 255, 255)), 796, 596);
    EXPECT_EQ(testkit::screenPixel(799, 599), 0xFFFFFFu);
    pushAt(keyEvent(SDL_KEYDOWN, SDLK_F11), SDL_GetTicks() + TSdlWindow::kSwitchSettleMs);
    pollEvents();
    EXPECT_EQ(window.fullscreen(), before);
}

TEST_F(SdlEventsTest, AFloodOfF11SwitchesOnceUntilTheSwitchHasSettled) {
    GUMBOLT_SKIP_IN_BROWSER("in a browser the page switches to full screen");
    const bool before = window.fullscreen();
    const Uint32 now = SDL_GetTicks();
    for (int i = 0; i < 40; ++i) {
        pushAt(keyEvent(SDL_KEYDOWN, SDLK_F11), now);
        pushAt(keyEvent(SDL_KEYUP, SDLK_F11), now);
    }
    pollEvents();
    EXPECT_EQ(window.fullscreen(), !before);
    // Presses stamped while the switch is under way are dropped; so are key repeats, always.
    const Uint32 later = SDL_GetTicks() + TSdlWindow::kSwitchSettleMs + 1000;
    pushAt(keyEvent(SDL_KEYDOWN, SDLK_F11), now + 1);
    pushAt(keyEvent(SDL_KEYDOWN, SDLK_F11, 1), later);
    pollEvents();
    EXPECT_EQ(window.fullscreen(), !before);
    // The first press after it has settled switches back.
    pushAt(keyEvent(SDL_KEYDOWN, SDLK_F11), later);
    pushAt(keyEvent(SDL_KEYDOWN, SDLK_F11), later + 1);
    pollEvents();
    EXPECT_EQ(window.fullscreen(), before);
    EXPECT_EQ(keyHit(122), 0);
}

TEST(SdlEventTranslation, UnknownKeysAndMalformedTextAreHandled) {
    TKeyboard board;
    SDL_Event unknown = keyEvent(SDL_KEYDOWN, SDLK_APPLICATION);
    deliverSdlEvent(unknown, board);
    EXPECT_EQ(board.takeHits(0), 0);
    // A stray continuation byte and a cut-off sequence are kept byte by byte.
    queueTypedText("\x80Z\xC3", board);
    EXPECT_EQ(board.takeChar(), 0x80);
    EXPECT_EQ(board.takeChar(), 'Z');
    EXPECT_EQ(board.takeChar(), 0xC3);
    EXPECT_EQ(board.takeChar(), 0);
}

}  // namespace
}  // namespace gb
