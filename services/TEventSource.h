#pragma once

namespace gb {

class TKeyboard;

// Where window events come from: the display's window system, or a test's script.
// pump() delivers every pending event to the keyboard state.
class TEventSource {
  public:
    virtual ~TEventSource() = default;
    virtual void pump(TKeyboard& keyboard) = 0;
};

}  // namespace gb
