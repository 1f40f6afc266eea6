#pragma once

#include <SDL.h>

#include "sdl/TSdlEvents.h"
#include "services/TEventSource.h"

namespace gb::testing {

// An event source that hands the keyboard every event waiting in SDL's queue, as the display
// does in the game, for the tests that drive SDL itself without a display.
class TSdlEventQueue : public TEventSource {
  public:
    void pump(TKeyboard& keyboard) override {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            deliverSdlEvent(event, keyboard);
        }
    }
};

}  // namespace gb::testing
