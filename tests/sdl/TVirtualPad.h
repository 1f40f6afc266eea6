#pragma once

#include <SDL.h>

#include <string>

namespace gb::testing {

// A game controller made of nothing but SDL's virtual joystick driver: the tests' stand-in
// for a pad plugged into the machine. Its buttons and axes are SDL's game controller buttons
// and axes, in SDL's order; what it does reaches the game through SDL's events, as a real
// pad's would. SDL's game controller support must be started (TGamepads starts it).
class TVirtualPad {
  public:
    // Plugs the pad in. A kind other than a game controller makes a bare joystick, which
    // SDL knows as a pad only when a mapping names it.
    explicit TVirtualPad(const char* name = "Virtual pad",
                         SDL_JoystickType kind = SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = static_cast<Uint16>(kind);
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = name;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index >= 0) {
            guid_.resize(33);
            SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid_.data(), 33);
            guid_.resize(32);
            // Mapping lines leave out the checksum of the name that SDL keeps in the
            // identifier's second pair of bytes.
            guid_.replace(4, 4, "0000");
            joystick_ = SDL_JoystickOpen(index);
#ifdef __EMSCRIPTEN__
            // In a browser SDL gives every pad without a mapping of its own the browser's
            // standard layout, which numbers the buttons otherwise: this pad gets its own, in
            // SDL's order, as SDL makes it for a virtual pad elsewhere.
            if (kind == SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
                const std::string line =
                    guid_ + "," + name +
                    ",a:b0,b:b1,x:b2,y:b3,back:b4,guide:b5,start:b6,leftstick:b7,rightstick:b8,"
                    "leftshoulder:b9,rightshoulder:b10,dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,"
                    "misc1:b15,paddle1:b16,paddle2:b17,paddle3:b18,paddle4:b19,touchpad:b20,"
                    "leftx:a0,lefty:a1,rightx:a2,righty:a3,lefttrigger:a4,righttrigger:a5,";
                SDL_GameControllerAddMapping(line.c_str());
            }
#endif
        }
        // A virtual axis starts at 0, which is a trigger pulled half way: let them rest.
        if (kind == SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
            trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0);
            trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
        }
    }
    ~TVirtualPad() {
        unplug();
    }
    TVirtualPad(const TVirtualPad&) = delete;
    TVirtualPad& operator=(const TVirtualPad&) = delete;

    bool plugged() const {
        return joystick_ != nullptr;
    }
    // SDL's identifier of the pad's kind, as mapping lines name it.
    const std::string& guid() const {
        return guid_;
    }

    void press(int button) {
        SDL_JoystickSetVirtualButton(joystick_, button, SDL_PRESSED);
    }
    void release(int button) {
        SDL_JoystickSetVirtualButton(joystick_, button, SDL_RELEASED);
    }
    // A stick axis, -32768 (left, up) to 32767 (right, down).
    void stick(int axis, int value) {
        SDL_JoystickSetVirtualAxis(joystick_, axis, static_cast<Sint16>(value));
    }
    // A trigger, 0 (resting) to 32767 (pulled all the way); the virtual joystick carries it
    // over the full axis range.
    void trigger(int axis, int value) {
        SDL_JoystickSetVirtualAxis(joystick_, axis, static_cast<Sint16>(2 * value - 32768));
    }

    void unplug() {
        if (joystick_ != nullptr) {
            const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
            SDL_JoystickClose(joystick_);
            joystick_ = nullptr;
            for (int i = 0; i < SDL_NumJoysticks(); ++i) {
                if (SDL_JoystickGetDeviceInstanceID(i) == id) {
                    SDL_JoystickDetachVirtual(i);
                    break;
                }
            }
        }
    }

  private:
    SDL_Joystick* joystick_ = nullptr;
    std::string guid_;
};

}  // namespace gb::testing
