#pragma once

namespace gb {

class TKeyboard;

// Where window events come from: the game's window, or a test's script.
// pump() delivers every pending event to the keyboard state; the game calls it once per frame
// (pollEvents).
class TEventSource {
  public:
    virtual ~TEventSource() = default;
    virtual void pump(TKeyboard& keyboard) = 0;
};

}  // namespace gb
