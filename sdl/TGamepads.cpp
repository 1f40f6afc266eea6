#include "sdl/TGamepads.h"

#include <SDL.h>

#include <algorithm>
#include <array>

#include "core/Console.h"
#include "services/GamepadKeys.h"
#include "services/TKeyboard.h"

namespace gb {

namespace {

constexpr int kControlCount = key::gamepadLast - key::gamepadFirst + 1;

std::size_t slotOf(int code) {
    return static_cast<std::size_t>(code - key::gamepadFirst);
}

// The key of a button, or 0 for a button the game has no key for (Guide, the paddles, the
// touchpad and the like).
int keyForButton(int button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return key::gamepadA;
        case SDL_CONTROLLER_BUTTON_B:
            return key::gamepadB;
        case SDL_CONTROLLER_BUTTON_X:
            return key::gamepadX;
        case SDL_CONTROLLER_BUTTON_Y:
            return key::gamepadY;
        case SDL_CONTROLLER_BUTTON_BACK:
            return key::gamepadView;
        case SDL_CONTROLLER_BUTTON_START:
            return key::gamepadMenu;
        case SDL_CONTROLLER_BUTTON_LEFTSTICK:
            return key::gamepadLeftStickButton;
        case SDL_CONTROLLER_BUTTON_RIGHTSTICK:
            return key::gamepadRightStickButton;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return key::gamepadLeftShoulder;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return key::gamepadRightShoulder;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return key::gamepadDpadUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return key::gamepadDpadDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return key::gamepadDpadLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return key::gamepadDpadRight;
        default:
            return 0;
    }
}

// Whether a button types, as a key that types a character does: every button but the D-pad
// (the arrows) and Back (Escape, which opens the exit prompt).
bool typesWhenPressed(int code) {
    return code != key::gamepadView && (code < key::gamepadDpadUp || code > key::gamepadDpadRight);
}

// The keys of an axis's two halves: pushed towards negative values (left, or up: SDL's
// sticks grow downwards) and towards positive ones. A trigger has only the positive half.
struct AxisKeys {
    int negative;
    int positive;
};

AxisKeys keysForAxis(int axis) {
    switch (axis) {
        case SDL_CONTROLLER_AXIS_LEFTX:
            return {key::gamepadLeftStickLeft, key::gamepadLeftStickRight};
        case SDL_CONTROLLER_AXIS_LEFTY:
            return {key::gamepadLeftStickUp, key::gamepadLeftStickDown};
        case SDL_CONTROLLER_AXIS_RIGHTX:
            return {key::gamepadRightStickLeft, key::gamepadRightStickRight};
        case SDL_CONTROLLER_AXIS_RIGHTY:
            return {key::gamepadRightStickUp, key::gamepadRightStickDown};
        case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
            return {0, key::gamepadLeftTrigger};
        case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
            return {0, key::gamepadRightTrigger};
        default:
            return {0, 0};
    }
}

// SDL's driver for the browser gives no axis values when it opens a pad, so SDL takes the
// first value each axis reports (the first push of a stick one way) for where it rests and
// sends no event for it. There the sticks and triggers are read as they stand once the events
// are in.
#ifdef __EMSCRIPTEN__
constexpr bool kReadAxesAfterEvents = true;
#else
constexpr bool kReadAxesAfterEvents = false;
#endif

}  // namespace

struct TGamepads::Pad {
    SDL_GameController* controller = nullptr;
    SDL_JoystickID id = -1;
    std::array<bool, kControlCount> held{};
};

TGamepads::TGamepads() {
    // SDL reads SDL_GAMECONTROLLERCONFIG and SDL_GAMECONTROLLERCONFIG_FILE here.
    started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!started_) {
        debugLog("Gamepads are not available: ", SDL_GetError());
    }
}

TGamepads::~TGamepads() {
    for (Pad& pad : pads_) {
        SDL_GameControllerClose(pad.controller);
    }
    pads_.clear();
    if (started_) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
}

int TGamepads::count() const {
    return static_cast<int>(pads_.size());
}

void TGamepads::deliver(const SDL_Event& event, TKeyboard& keyboard) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            open(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            close(event.cdevice.which, keyboard);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (Pad* pad = find(event.cbutton.which); pad != nullptr) {
                const int code = keyForButton(event.cbutton.button);
                const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
                if (code == 0) {
                    break;
                }
                if (down && !pad->held[slotOf(code)] && typesWhenPressed(code)) {
                    keyboard.buttonTyped(code);
                }
                hold(*pad, code, down, keyboard);
            }
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (Pad* pad = find(event.caxis.which); pad != nullptr) {
                moveAxis(*pad, event.caxis.axis, event.caxis.value, keyboard);
            }
            break;
        default:
            break;
    }
}

void TGamepads::eventsDelivered(TKeyboard& keyboard) {
    if (!kReadAxesAfterEvents) {
        return;
    }
    for (Pad& pad : pads_) {
        for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; ++axis) {
            const auto which = static_cast<SDL_GameControllerAxis>(axis);
            moveAxis(pad, axis, SDL_GameControllerGetAxis(pad.controller, which), keyboard);
        }
    }
}

void TGamepads::moveAxis(Pad& pad, int axis, int value, TKeyboard& keyboard) {
    const AxisKeys keys = keysForAxis(axis);
    // -32768 becomes 32768: an int holds it.
    push(pad, keys.negative, value < 0 ? -value : 0, keyboard);
    push(pad, keys.positive, value > 0 ? value : 0, keyboard);
}

TGamepads::Pad* TGamepads::find(std::int32_t id) {
    const auto found =
        std::find_if(pads_.begin(), pads_.end(), [id](const Pad& pad) { return pad.id == id; });
    return found != pads_.end() ? &*found : nullptr;
}

void TGamepads::open(int deviceIndex) {
    // SDL announces a pad again when a mapping for it is added while it is open.
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || find(id) != nullptr) {
        return;
    }
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) {
        debugLog("Cannot open gamepad ", deviceIndex, ": ", SDL_GetError());
        return;
    }
    Pad pad;
    pad.controller = controller;
    pad.id = id;
    pads_.push_back(pad);
    const char* name = SDL_GameControllerName(controller);
    debugLog("Gamepad added: ", name != nullptr ? name : "(no name)");
}

void TGamepads::close(std::int32_t id, TKeyboard& keyboard) {
    Pad* pad = find(id);
    if (pad == nullptr) {
        return;
    }
    for (int code = key::gamepadFirst; code <= key::gamepadLast; ++code) {
        hold(*pad, code, false, keyboard);
    }
    SDL_GameControllerClose(pad->controller);
    pads_.erase(pads_.begin() + (pad - pads_.data()));
    debugLog("Gamepad removed");
    // A player whose pad came loose is no longer in control of the game.
    keyboard.requestPause();
}

void TGamepads::hold(Pad& pad, int code, bool down, TKeyboard& keyboard) {
    bool& held = pad.held[slotOf(code)];
    if (held == down) {
        return;
    }
    const bool before = heldByAny(code);
    held = down;
    const bool after = heldByAny(code);
    if (after && !before) {
        keyboard.keyPressed(code);
    } else if (before && !after) {
        keyboard.keyReleased(code);
    }
}

void TGamepads::push(Pad& pad, int code, int amount, TKeyboard& keyboard) {
    if (code == 0) {
        return;
    }
    const bool held = pad.held[slotOf(code)];
    hold(pad, code, amount >= (held ? kReleaseBelow : kPressAt), keyboard);
}

bool TGamepads::heldByAny(int code) const {
    return std::any_of(pads_.begin(), pads_.end(),
                       [code](const Pad& pad) { return pad.held[slotOf(code)]; });
}

}  // namespace gb
