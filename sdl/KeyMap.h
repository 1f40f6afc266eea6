#pragma once

#include <cstdint>

namespace gb {

// The game's key code (desktop virtual-key numbering) for a window-system key symbol
// (an SDL_Keycode), or 0 for a key the game has no code for.
int keyCodeForSymbol(std::int32_t symbol);

}  // namespace gb
