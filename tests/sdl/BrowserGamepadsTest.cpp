// The gamepads of a browser, as the WebAssembly build sees them: the browser reports a pad
// (its Gamepad API, stood in for under node by tests/web/browser-stand-ins.js), SDL's driver for
// the browser makes it a joystick, and SDL's mapping for the browser's standard layout makes it
// a game controller whose controls reach the game as keys.
#include <emscripten.h>
#include <gtest/gtest.h>

#include <SDL.h>

#include <utility>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "sdl/TGamepads.h"
#include "services/GamepadKeys.h"
#include "services/TKeyboard.h"
#include "tests/sdl/TSdlEventQueue.h"

namespace gb {
namespace {

// The buttons and axes of the browser's standard layout, by index.
enum StandardButton : int {
    bottom = 0,
    right = 1,
    left = 2,
    top = 3,
    leftBumper = 4,
    rightBumper = 5,
    leftTrigger = 6,
    rightTrigger = 7,
    select = 8,
    start = 9,
    leftStickPress = 10,
    rightStickPress = 11,
    up = 12,
    down = 13,
    leftward = 14,
    rightward = 15,
    home = 16,
};
enum StandardAxis : int { leftX = 0, leftY = 1, rightX = 2, rightY = 3 };

// The stand-in of the browser's Gamepad API (tests/web/browser-stand-ins.js).
EM_JS(int, connectStandardPad, (), { return gumboltTestPads.connect("Browser test pad"); });
EM_JS(void, setPadButton, (int pad, int button, double value),
      { gumboltTestPads.button(pad, button, value); });
EM_JS(void, setPadAxis, (int pad, int axis, double value),
      { gumboltTestPads.axis(pad, axis, value); });
EM_JS(void, disconnectPad, (int pad), { gumboltTestPads.disconnect(pad); });

// A pad with the standard layout, as the browser reports it.
class BrowserPad {
  public:
    BrowserPad() : index_(connectStandardPad()) {}
    ~BrowserPad() { unplug(); }
    BrowserPad(const BrowserPad&) = delete;
    BrowserPad& operator=(const BrowserPad&) = delete;

    void button(int button, double value) { setPadButton(index_, button, value); }
    void axis(int axis, double value) { setPadAxis(index_, axis, value); }
    void unplug() {
        if (index_ >= 0) {
            disconnectPad(index_);
            index_ = -1;
        }
    }

  private:
    int index_;
};

class BrowserGamepadsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pads.started()) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    TPlatform platform;
    TPlatformScope installed{platform};
    TGamepads& pads = platform.make<TGamepads>();
    testing::TSdlEventQueue& events = platform.makeEventSource<testing::TSdlEventQueue>(&pads);
};

TEST_F(BrowserGamepadsTest, EveryControlOfTheStandardLayoutReachesTheGameAsItsKey) {
    BrowserPad pad;
    pollEvents();
    ASSERT_EQ(pads.count(), 1);

    const std::pair<int, int> buttons[] = {
        {bottom, key::gamepadA},
        {right, key::gamepadB},
        {left, key::gamepadX},
        {top, key::gamepadY},
        {leftBumper, key::gamepadLeftShoulder},
        {rightBumper, key::gamepadRightShoulder},
        {leftTrigger, key::gamepadLeftTrigger},
        {rightTrigger, key::gamepadRightTrigger},
        {select, key::gamepadView},
        {start, key::gamepadMenu},
        {leftStickPress, key::gamepadLeftStickButton},
        {rightStickPress, key::gamepadRightStickButton},
        {up, key::gamepadDpadUp},
        {down, key::gamepadDpadDown},
        {leftward, key::gamepadDpadLeft},
        {rightward, key::gamepadDpadRight},
    };
    for (const auto& [button, code] : buttons) {
        pad.button(button, 1.0);
        pollEvents();
        EXPECT_EQ(keyHit(code), 1) << "button " << button;
        EXPECT_TRUE(keyDown(code)) << "button " << button;
        pad.button(button, 0.0);
        pollEvents();
        EXPECT_FALSE(keyDown(code)) << "button " << button;
    }

    // The sticks, from the browser's -1 to 1 per axis, up and left negative.
    const std::pair<std::pair<int, double>, int> sticks[] = {
        {{leftX, -1.0}, key::gamepadLeftStickLeft},   {{leftX, 1.0}, key::gamepadLeftStickRight},
        {{leftY, -1.0}, key::gamepadLeftStickUp},     {{leftY, 1.0}, key::gamepadLeftStickDown},
        {{rightY, -1.0}, key::gamepadRightStickUp},   {{rightY, 1.0}, key::gamepadRightStickDown},
        {{rightX, -1.0}, key::gamepadRightStickLeft}, {{rightX, 1.0}, key::gamepadRightStickRight},
    };
    for (const auto& [push, code] : sticks) {
        pad.axis(push.first, push.second);
        pollEvents();
        EXPECT_EQ(keyHit(code), 1) << "axis " << push.first << " at " << push.second;
        pad.axis(push.first, 0.0);
        pollEvents();
        EXPECT_FALSE(keyDown(code)) << "axis " << push.first << " at " << push.second;
    }
    // A stick resting a little off centre is no press.
    pad.axis(leftX, -0.2);
    pollEvents();
    EXPECT_FALSE(keyDown(key::gamepadLeftStickLeft));

    // Home belongs to the browser and the system: no key.
    pad.button(home, 1.0);
    pollEvents();
    for (int code = key::gamepadFirst; code <= key::gamepadLast; ++code) {
        EXPECT_EQ(keyHit(code), 0) << code;
    }
}

TEST_F(BrowserGamepadsTest, APadTheBrowserLosesReleasesItsKeysAndAsksForAPause) {
    BrowserPad pad;
    pollEvents();
    ASSERT_EQ(pads.count(), 1);
    pad.button(leftward, 1.0);
    pollEvents();
    EXPECT_TRUE(keyDown(key::gamepadDpadLeft));
    EXPECT_FALSE(pauseRequested());

    pad.unplug();
    pollEvents();
    EXPECT_EQ(pads.count(), 0);
    EXPECT_FALSE(keyDown(key::gamepadDpadLeft));
    EXPECT_TRUE(pauseRequested());

    // A pad connected again plays again.
    BrowserPad again;
    pollEvents();
    ASSERT_EQ(pads.count(), 1);
    again.button(bottom, 1.0);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadA), 1);
}

}  // namespace
}  // namespace gb
