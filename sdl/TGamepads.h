#pragma once

#include <cstdint>
#include <vector>

union SDL_Event;

namespace gb {

class TKeyboard;

// The gamepads, through SDL's game controller support: its database of mappings knows the
// common pads, and the environment variables SDL_GAMECONTROLLERCONFIG (mapping lines) and
// SDL_GAMECONTROLLERCONFIG_FILE (a file of them) add others. Every pad that is plugged in,
// before the start or while the game runs, is opened when SDL announces it, and each of its
// controls reaches the keyboard state as a key of its own (GamepadKeys.h): buttons press and
// release their key, and each direction of a stick and each trigger is a key held while it
// is pushed past the dead zone. A button press also counts as typing (TKeyboard::buttonTyped),
// as a key that types a character does, except for the D-pad and Back. Several pads feed the same
// keys: a key is held while any pad holds it. Unplugging a pad releases what it held and asks the
// game to pause.
class TGamepads {
  public:
    // A stick direction or a trigger counts as pressed once it is pushed this far (of 32767),
    // and as released once it comes back under kReleaseBelow. A resting or slightly
    // off-centre stick stays under both; between the two a control keeps what it was, so a
    // stick held near the edge does not flicker between pressed and released.
    static constexpr int kPressAt = 16384;
    static constexpr int kReleaseBelow = 9830;

    // Starts SDL's game controller support. The pads already plugged in are announced as
    // events and open on the next pump of the window events.
    TGamepads();
    ~TGamepads();
    TGamepads(const TGamepads&) = delete;
    TGamepads& operator=(const TGamepads&) = delete;

    // Whether SDL's game controller support started (without it the game has no pads).
    bool started() const { return started_; }
    // How many pads are open.
    int count() const;

    // Applies one game controller event (others are ignored): a pad added or removed, a
    // button, a stick or a trigger.
    void deliver(const SDL_Event& event, TKeyboard& keyboard);
    // After a frame's events: where the pads' driver leaves axis moves unannounced (in a
    // browser), the sticks and triggers as they stand now.
    void eventsDelivered(TKeyboard& keyboard);

  private:
    struct Pad;
    Pad* find(std::int32_t id);
    void open(int deviceIndex);
    void close(std::int32_t id, TKeyboard& keyboard);
    // An axis (SDL's game controller numbering) now at value (-32768 to 32767).
    void moveAxis(Pad& pad, int axis, int value, TKeyboard& keyboard);
    // One control of one pad: presses or releases its key when no other pad holds it.
    void hold(Pad& pad, int code, bool down, TKeyboard& keyboard);
    // A stick direction or trigger pushed by amount (its share of the axis, 0 when the axis
    // points the other way).
    void push(Pad& pad, int code, int amount, TKeyboard& keyboard);
    bool heldByAny(int code) const;

    bool started_ = false;
    std::vector<Pad> pads_;
};

}  // namespace gb
