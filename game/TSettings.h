#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "services/TKeyboard.h"

namespace gb {

// The player's kept choices: sound, the start of a game, the window and the keyboard keys of
// the piece commands and pause. The defaults are the game as it plays without a settings file.
//
// The text form is a few "name = value" lines under a comment header, which a person can read
// and edit; reading it keeps every good line and reports each wrong one.
class TSettings {
  public:
    // The commands with a key of their own, in the order of keys and of the file's lines.
    enum class Command : int { left, right, down, drop, turnLeft, turnRight, pause };
    static constexpr int kCommandCount = 7;
    static constexpr int kTrackCount = 6;
    static constexpr int kMaxVolume = 255;

    int volume = 128;    // 0 to kMaxVolume
    bool music = true;   // whether the music plays at start
    int track = 0;       // the track that plays at start, 0 to kTrackCount - 1
    int startLevel = 1;  // 1 to 9
    bool landingShadow = false;
    bool fullscreen = true;  // full screen at start, or a window
    std::array<int, kCommandCount> keys = defaultKeys();

    static constexpr std::array<int, kCommandCount> defaultKeys() {
        return {key::left, key::right, key::down, key::up, key::z, key::x, key::p};
    }

    int& keyOf(Command command) { return keys[static_cast<std::size_t>(command)]; }
    int keyOf(Command command) const { return keys[static_cast<std::size_t>(command)]; }

    // The name a command has in the file ("turn-left") and on the options screen ("Turn Left").
    static std::string_view fileName(Command command);
    static std::string_view label(Command command);

    // Whether the game keeps the key for itself on every screen, so that no command may have
    // it: Esc, F11, the options key, the music and volume keys, and the keypad keys that steer.
    static bool isFixedKey(int code);
    // The command other than except whose key is code, or -1 when none has it.
    int commandWithKey(int code, Command except) const;

    // The whole file: the header and one line per setting.
    std::string toText() const;

    // Reads a settings file's text over the defaults. Each wrong line (an unknown name, a bad
    // value, a setting given twice, a key another command already has or that the game keeps)
    // adds one report "where:line: what" to reports and leaves its setting at the default.
    static TSettings fromText(std::string_view text, const std::string& where,
                              std::vector<std::string>& reports);

    bool operator==(const TSettings&) const = default;
};

}  // namespace gb
