#pragma once

#include <SDL.h>

#include "sdl/TGamepads.h"
#include "sdl/TSdlEvents.h"
#include "services/TEventSource.h"

namespace gb::testing {

// An event source that hands the keyboard (and the pads, when given) every event waiting in
// SDL's queue, as the window does in the game, for the tests that drive SDL itself without a
// window.
class TSdlEventQueue : public TEventSource {
  public:
    explicit TSdlEventQueue(TGamepads* pads = nullptr) : pads_(pads) {}
    void useGamepads(TGamepads* pads) { pads_ = pads; }

    void pump(TKeyboard& keyboard) override {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            deliverSdlEvent(event, keyboard, pads_);
        }
        if (pads_ != nullptr) {
            pads_->eventsDelivered(keyboard);
        }
    }

  private:
    TGamepads* pads_;
};

}  // namespace gb::testing
