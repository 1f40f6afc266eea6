#include "game/GameControls.h"

#include <algorithm>

namespace gb::controls {

int hits(std::span<const int> codes) {
    int total = 0;
    for (const int code : codes) {
        total += keyHit(code);
    }
    return total;
}

bool held(std::span<const int> codes) {
    return std::any_of(codes.begin(), codes.end(), [](int code) { return keyDown(code); });
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
    while (getButton() != 0) {
    }
}

}  // namespace gb::controls
