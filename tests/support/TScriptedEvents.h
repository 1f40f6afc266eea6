#pragma once

#include <functional>
#include <vector>

#include "services/TEventSource.h"
#include "services/TKeyboard.h"

namespace gb {

// An event source that replays scripted key events on the next pump, in the order they
// were queued, and counts the pumps: the tests' and the screenshot tool's stand-in for a
// person at the keyboard.
class TScriptedEvents : public TEventSource {
  public:
    std::vector<std::function<void(TKeyboard&)>> pending;
    int pumps = 0;  // how many times the events were read

    void pump(TKeyboard& keyboard) override {
        ++pumps;
        auto events = std::move(pending);
        pending.clear();
        for (auto& event : events) {
            event(keyboard);
        }
    }

    // A key pressed and released before the next pump; ch is the character it types (0: none).
    void tap(int code, int ch = 0) {
        pending.push_back([code, ch](TKeyboard& k) {
            k.keyPressed(code);
            if (ch != 0) {
                k.charTyped(ch);
            }
            k.keyReleased(code);
        });
    }
    void press(int code) {
        pending.push_back([code](TKeyboard& k) { k.keyPressed(code); });
    }
    void release(int code) {
        pending.push_back([code](TKeyboard& k) { k.keyReleased(code); });
    }
};

}  // namespace gb
