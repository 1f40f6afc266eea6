#pragma once

// How GoogleTest shows the game's state codes in a failed expectation: the name and the code
// ("quit (5)") rather than the bytes of the value.

#include <ostream>

#include "audio/TSoundManager.h"
#include "game/TGame.h"

namespace gb {

inline void PrintTo(TGame::ScreenState state, std::ostream* out) {
    const char* name = "unknown";
    switch (state) {
        case TGame::gameOver:
            name = "gameOver";
            break;
        case TGame::paused:
            name = "paused";
            break;
        case TGame::title:
            name = "title";
            break;
        case TGame::playing:
            name = "playing";
            break;
        case TGame::levelUp:
            name = "levelUp";
            break;
        case TGame::exitPrompt:
            name = "exitPrompt";
            break;
        case TGame::quit:
            name = "quit";
            break;
        case TGame::nameEntry:
            name = "nameEntry";
            break;
        case TGame::options:
            name = "options";
            break;
    }
    *out << name << " (" << static_cast<int>(state) << ")";
}

inline void PrintTo(MusicState state, std::ostream* out) {
    const char* name = "unknown";
    switch (state) {
        case MusicState::stopped:
            name = "stopped";
            break;
        case MusicState::paused:
            name = "paused";
            break;
        case MusicState::playing:
            name = "playing";
            break;
    }
    *out << name << " (" << static_cast<int>(state) << ")";
}

}  // namespace gb
