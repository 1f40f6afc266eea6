#pragma once

// Key codes of a gamepad's controls, in the same desktop virtual-key numbering as the
// keyboard's keys (TKeyboard.h), so every control reaches the game as a key it can poll.
// The sticks and the triggers count as held keys once pushed past their dead zone.

namespace gb::key {

inline constexpr int gamepadA = 0xC3;
inline constexpr int gamepadB = 0xC4;
inline constexpr int gamepadX = 0xC5;
inline constexpr int gamepadY = 0xC6;
inline constexpr int gamepadRightShoulder = 0xC7;
inline constexpr int gamepadLeftShoulder = 0xC8;
inline constexpr int gamepadLeftTrigger = 0xC9;
inline constexpr int gamepadRightTrigger = 0xCA;
inline constexpr int gamepadDpadUp = 0xCB;
inline constexpr int gamepadDpadDown = 0xCC;
inline constexpr int gamepadDpadLeft = 0xCD;
inline constexpr int gamepadDpadRight = 0xCE;
inline constexpr int gamepadMenu = 0xCF;  // Start
inline constexpr int gamepadView = 0xD0;  // Back, Select
inline constexpr int gamepadLeftStickButton = 0xD1;
inline constexpr int gamepadRightStickButton = 0xD2;
inline constexpr int gamepadLeftStickUp = 0xD3;
inline constexpr int gamepadLeftStickDown = 0xD4;
inline constexpr int gamepadLeftStickRight = 0xD5;
inline constexpr int gamepadLeftStickLeft = 0xD6;
inline constexpr int gamepadRightStickUp = 0xD7;
inline constexpr int gamepadRightStickDown = 0xD8;
inline constexpr int gamepadRightStickRight = 0xD9;
inline constexpr int gamepadRightStickLeft = 0xDA;

// The first and last of them.
inline constexpr int gamepadFirst = gamepadA;
inline constexpr int gamepadLast = gamepadRightStickLeft;

}  // namespace gb::key
