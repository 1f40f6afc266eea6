#pragma once

#include <string>
#include <string_view>

// Readable names of the keyboard's keys, as the settings file and the options screen write
// them: "A" to "Z", "0" to "9", "Left", "Space", "F4", "Keypad 5", "Comma"... Names are read
// without regard to case or spaces ("keypad5" and "Keypad 5" are one key).
namespace gb {

// The key's name, or an empty string for a code without one (the gamepad's, say).
std::string keyName(int code);
// The code of the key with that name, or 0 when no key has it.
int keyFromName(std::string_view name);

}  // namespace gb
