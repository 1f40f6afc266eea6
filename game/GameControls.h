#pragma once

#include <span>

#include "services/GamepadKeys.h"
#include "services/TKeyboard.h"

// The keys that give each of the game's commands. The keyboard's keys are the game's own; the
// keypad and the gamepad give the same commands: the keypad's 4, 6, 2 and 8 steer like the
// arrows, the D-pad and the left stick steer, the face buttons turn, Start pauses, Back asks
// to quit, the shoulders change the track and the triggers and the right stick the volume.
namespace gb::controls {

// The keys that act on the piece besides the keyboard key of each piece key (TGame::keyCodes).
inline constexpr int moveLeftKeys[] = {key::pad4, key::gamepadDpadLeft, key::gamepadLeftStickLeft};
inline constexpr int moveRightKeys[] = {key::pad6, key::gamepadDpadRight,
                                        key::gamepadLeftStickRight};
inline constexpr int moveDownKeys[] = {key::pad2, key::gamepadDpadDown, key::gamepadLeftStickDown};
inline constexpr int dropKeys[] = {key::pad8, key::gamepadDpadUp, key::gamepadLeftStickUp};
inline constexpr int turnRightKeys[] = {key::gamepadA, key::gamepadX};
inline constexpr int turnLeftKeys[] = {key::gamepadB, key::gamepadY};

// The exit prompt (which closes the options screen instead), and pausing a game in play
// besides the keyboard's pause key (TSettings).
inline constexpr int exitPromptKeys[] = {key::escape, key::gamepadView};
inline constexpr int pauseButtons[] = {key::gamepadMenu};

// The options screen, from the title screen: F2 on the keyboard, Y on a gamepad.
inline constexpr int optionsKey = key::f2;
inline constexpr int optionsButton = key::gamepadY;

// Music and volume, on every screen.
inline constexpr int nextTrackKeys[] = {key::period, key::gamepadRightShoulder};
inline constexpr int previousTrackKeys[] = {key::comma, key::gamepadLeftShoulder};
inline constexpr int volumeDownKeys[] = {key::minus, key::padMinus, key::gamepadLeftTrigger,
                                         key::gamepadRightStickDown};
inline constexpr int volumeUpKeys[] = {key::equals, key::padPlus, key::gamepadRightTrigger,
                                       key::gamepadRightStickUp};

// The gamepad's answers in the exit prompt, and its button that starts a game from name entry.
inline constexpr int yesButton = key::gamepadA;
inline constexpr int noButton = key::gamepadB;
inline constexpr int startButton = key::gamepadMenu;

// Presses of any of the keys since each was last looked at; every key's count is taken.
int hits(std::span<const int> codes);
// Whether any of the keys is held.
bool held(std::span<const int> codes);
// Whether any of the keys was pressed since it was last looked at, or is held (every count
// is taken).
bool hitOrHeld(std::span<const int> codes);
// Whether a character or a gamepad button was typed: one of each is taken, when there is one.
bool anyKeyTyped();
// Drops every gamepad button typed but not yet taken.
void dropTypedButtons();

}  // namespace gb::controls
