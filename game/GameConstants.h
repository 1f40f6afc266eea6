#pragma once

// What the parts of TGame share: the screen's size, the size of a cell and the sound effects
// by number.

namespace gb {

inline constexpr int kScreenWidth = 800;  // the display the game draws, in pixels
inline constexpr int kScreenHeight = 600;

inline constexpr int kCell = 29;  // pixel size of a block and of a grid cell

// Sound effects by number (the order of TGame::soundFiles).
inline constexpr int kNewPieceSound = 0;
inline constexpr int kLinesSound = 1;
inline constexpr int kLevelUpSound = 2;
inline constexpr int kTurnSound = 3;
inline constexpr int kKeySound = 4;

}  // namespace gb
