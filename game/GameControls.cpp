#include "game/GameControls.h"

#include <algorithm>

namespace gb::controls {

// Each helper looks at the pending window events once and then reads every key it was given:
// a look per key would pump the window system's queue (and every pad) again for each.

int hits(std::span<const int> codes) {
    pollEvents();
    int total = 0;
    for (const int code : codes) {
        total += keyboard().takeHits(code);
    }
    return total;
}

bool held(std::span<const int> codes) {
    pollEvents();
    return std::any_of(codes.begin(), codes.end(),
                       [](int code) { return keyboard().isDown(code); });
}

bool hitOrHeld(std::span<const int> codes) {
    const bool hit = hits(codes) > 0;
    return hit || held(codes);
}

bool anyKeyTyped() {
    const bool typed = getChar() != 0;
    const bool pressed = getButton() != 0;
    return typed || pressed;
}

void dropTypedButtons() {
    pollEvents();
    while (keyboard().takeButton() != 0) {
    }
}

}  // namespace gb::controls
