// The gamepads through SDL's game controller support, with SDL's virtual joystick standing in
// for pads plugged in and out while the game runs.

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "sdl/TGamepads.h"
#include "services/GamepadKeys.h"
#include "services/TKeyboard.h"
#include "tests/sdl/TSdlEventQueue.h"
#include "tests/sdl/TVirtualPad.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

using testing::TSdlEventQueue;
using testing::TVirtualPad;

class GamepadsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pads.started()) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    // Plugs in a pad and lets the game see it.
    std::unique_ptr<TVirtualPad> plugIn(const char* name = "Virtual pad") {
        auto pad = std::make_unique<TVirtualPad>(name);
        EXPECT_TRUE(pad->plugged()) << SDL_GetError();
        pollEvents();
        return pad;
    }

    TPlatform platform;
    TPlatformScope installed{platform};
    TGamepads& pads = platform.make<TGamepads>();
    TSdlEventQueue& events = platform.makeEventSource<TSdlEventQueue>(&pads);
};

TEST_F(GamepadsTest, EveryButtonPressesItsKeyAndAllButTheDpadAndBackType) {
    auto pad = plugIn();
    ASSERT_EQ(pads.count(), 1);
    const std::pair<int, int> buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, key::gamepadA},
        {SDL_CONTROLLER_BUTTON_B, key::gamepadB},
        {SDL_CONTROLLER_BUTTON_X, key::gamepadX},
        {SDL_CONTROLLER_BUTTON_Y, key::gamepadY},
        {SDL_CONTROLLER_BUTTON_BACK, key::gamepadView},
        {SDL_CONTROLLER_BUTTON_START, key::gamepadMenu},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, key::gamepadLeftStickButton},
        {SDL_CONTROLLER_BUTTON_RIGHTSTICK, key::gamepadRightStickButton},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, key::gamepadLeftShoulder},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, key::gamepadRightShoulder},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, key::gamepadDpadUp},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, key::gamepadDpadDown},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, key::gamepadDpadLeft},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, key::gamepadDpadRight},
    };
    for (const auto& [button, code] : buttons) {
        pad->press(button);
        pollEvents();
        EXPECT_EQ(keyHit(code), 1) << code;
        EXPECT_TRUE(keyDown(code)) << code;
        const bool dpad = code >= key::gamepadDpadUp && code <= key::gamepadDpadRight;
        EXPECT_EQ(getButton(), dpad || code == key::gamepadView ? 0 : code) << code;
        pad->release(button);
        pollEvents();
        EXPECT_FALSE(keyDown(code)) << code;
        EXPECT_EQ(keyHit(code), 0) << code;
    }
    // Guide belongs to the system: no key, nothing typed.
    pad->press(SDL_CONTROLLER_BUTTON_GUIDE);
    pollEvents();
    for (int code = key::gamepadFirst; code <= key::gamepadLast; ++code) {
        EXPECT_EQ(keyHit(code), 0) << code;
    }
    EXPECT_EQ(getButton(), 0);
}

TEST_F(GamepadsTest, SticksAndTriggersActOnlyPastTheDeadZoneAndDoNotFlicker) {
    auto pad = plugIn();
    // A resting stick a little off centre, and a trigger touched lightly: nothing.
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, -9000);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTY, 9000);
    pad->trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 9000);
    pollEvents();
    for (int code = key::gamepadFirst; code <= key::gamepadLast; ++code) {
        EXPECT_FALSE(keyDown(code)) << code;
        EXPECT_EQ(keyHit(code), 0) << code;
    }
    // Pushed half way: a press.
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, -TGamepads::kPressAt);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadLeftStickLeft), 1);
    // Wobbling between the two thresholds: held all along, no new press.
    for (const int x : {-12000, -20000, -10000, -30000, -TGamepads::kReleaseBelow}) {
        pad->stick(SDL_CONTROLLER_AXIS_LEFTX, x);
        pollEvents();
        EXPECT_TRUE(keyDown(key::gamepadLeftStickLeft)) << x;
    }
    EXPECT_EQ(keyHit(key::gamepadLeftStickLeft), 0);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, -TGamepads::kReleaseBelow + 1);
    pollEvents();
    EXPECT_FALSE(keyDown(key::gamepadLeftStickLeft));
    // Straight from one side to the other, at full deflection on both ends of the range.
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTY, -32768);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadLeftStickLeft), 1);
    EXPECT_EQ(keyHit(key::gamepadLeftStickUp), 1);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTX, 32767);
    pad->stick(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    pollEvents();
    EXPECT_FALSE(keyDown(key::gamepadLeftStickLeft));
    EXPECT_FALSE(keyDown(key::gamepadLeftStickUp));
    EXPECT_EQ(keyHit(key::gamepadLeftStickRight), 1);
    EXPECT_EQ(keyHit(key::gamepadLeftStickDown), 1);
    // The right stick and the triggers the same way; sticks and triggers type nothing.
    const std::pair<int, int> rightStick[] = {{-32768, key::gamepadRightStickUp},
                                              {32767, key::gamepadRightStickDown}};
    for (const auto& [y, code] : rightStick) {
        pad->stick(SDL_CONTROLLER_AXIS_RIGHTY, y);
        pollEvents();
        EXPECT_EQ(keyHit(code), 1) << code;
    }
    pad->stick(SDL_CONTROLLER_AXIS_RIGHTX, -20000);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadRightStickLeft), 1);
    pad->stick(SDL_CONTROLLER_AXIS_RIGHTX, 20000);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadRightStickRight), 1);
    for (const auto& [axis, code] :
         {std::pair{SDL_CONTROLLER_AXIS_TRIGGERLEFT, key::gamepadLeftTrigger},
          std::pair{SDL_CONTROLLER_AXIS_TRIGGERRIGHT, key::gamepadRightTrigger}}) {
        pad->trigger(axis, 20000);
        pollEvents();
        EXPECT_EQ(keyHit(code), 1) << code;
        pad->trigger(axis, 12000);
        pollEvents();
        EXPECT_TRUE(keyDown(code)) << code;
        pad->trigger(axis, 0);
        pollEvents();
        EXPECT_FALSE(keyDown(code)) << code;
    }
    EXPECT_EQ(getButton(), 0);
}

TEST_F(GamepadsTest, PadsComeAndGoAndUnpluggingOneReleasesItsKeysAndAsksForAPause) {
    EXPECT_EQ(pads.count(), 0);
    auto first = plugIn("First pad");
    auto second = plugIn("Second pad");
    ASSERT_EQ(pads.count(), 2);
    EXPECT_FALSE(pauseRequested());
    // Both hold A: one press; it stays held until neither holds it.
    first->press(SDL_CONTROLLER_BUTTON_A);
    second->press(SDL_CONTROLLER_BUTTON_A);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadA), 1);
    first->release(SDL_CONTROLLER_BUTTON_A);
    pollEvents();
    EXPECT_TRUE(keyDown(key::gamepadA));
    // The second pad, holding A and the stick to the left, comes loose.
    second->stick(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    pollEvents();
    EXPECT_TRUE(keyDown(key::gamepadLeftStickLeft));
    second->unplug();
    pollEvents();
    EXPECT_EQ(pads.count(), 1);
    EXPECT_FALSE(keyDown(key::gamepadA));
    EXPECT_FALSE(keyDown(key::gamepadLeftStickLeft));
    EXPECT_TRUE(pauseRequested());
    EXPECT_FALSE(pauseRequested()) << "the request is taken";
    // The pad still plugged in works on, and one plugged in now works at once.
    first->press(SDL_CONTROLLER_BUTTON_B);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadB), 1);
    auto third = plugIn("Third pad");
    third->press(SDL_CONTROLLER_BUTTON_Y);
    pollEvents();
    EXPECT_EQ(keyHit(key::gamepadY), 1);
    EXPECT_EQ(pads.count(), 2);
}

// SDL_GAMECONTROLLERCONFIG makes a pad that SDL's database does not know usable. SDL reads it
// when its joystick support starts, as it does when the game starts.
class GamepadMappingTest : public ::testing::Test {
  protected:
    void TearDown() override { unsetenv("SDL_GAMECONTROLLERCONFIG"); }

    // Starts SDL's joystick support, plugs in a bare joystick and starts the gamepads; how
    // many pads they open, and the joystick's identifier for mapping lines.
    std::pair<int, std::string> plugInUnknownPad(const std::function<void(TVirtualPad&)>& use) {
        EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        int opened = 0;
        std::string guid;
        {
            TVirtualPad unknown("Unknown pad", SDL_JOYSTICK_TYPE_UNKNOWN);
            EXPECT_TRUE(unknown.plugged()) << SDL_GetError();
            TGamepads pads;
            events.useGamepads(&pads);
            pollEvents();
            opened = pads.count();
            guid = unknown.guid();
            use(unknown);
            events.useGamepads(nullptr);
        }
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        return {opened, guid};
    }

    TPlatform platform;
    TPlatformScope installed{platform};
    TSdlEventQueue& events = platform.makeEventSource<TSdlEventQueue>();
};

TEST_F(GamepadMappingTest, APadTheDatabaseDoesNotKnowWorksOnceTheEnvironmentMapsIt) {
    GUMBOLT_SKIP_IN_BROWSER("in a browser every pad has the browser's standard layout");
    const auto [openedBefore, guid] = plugInUnknownPad([](TVirtualPad&) {});
    EXPECT_EQ(openedBefore, 0);
    // Its button 1 is the A button, its button 0 the B button, its button 2 Start.
    const std::string mapping = guid + ",Unknown pad,a:b1,b:b0,start:b2,";
    setenv("SDL_GAMECONTROLLERCONFIG", mapping.c_str(), 1);
    const auto [opened, sameGuid] = plugInUnknownPad([](TVirtualPad& unknown) {
        unknown.press(1);
        pollEvents();
        EXPECT_EQ(keyHit(key::gamepadA), 1);
        unknown.press(2);
        pollEvents();
        EXPECT_EQ(keyHit(key::gamepadMenu), 1);
    });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(sameGuid, guid);
}

}  // namespace
}  // namespace gb
