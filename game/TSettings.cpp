#include "game/TSettings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>
#include <utility>

#include "game/GameControls.h"
#include "game/KeyNames.h"

namespace gb {

namespace {

using Command = TSettings::Command;

constexpr std::array<Command, TSettings::kCommandCount> kCommands = {
    Command::left,     Command::right,     Command::down,  Command::drop,
    Command::turnLeft, Command::turnRight, Command::pause,
};

constexpr std::string_view kFileNames[] = {"left",      "right",      "down", "drop",
                                           "turn-left", "turn-right", "pause"};
constexpr std::string_view kLabels[] = {"Left",      "Right",      "Down", "Drop",
                                        "Turn Left", "Turn Right", "Pause"};

std::size_t slot(Command command) {
    return static_cast<std::size_t>(command);
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<int> wholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> choice(std::string_view text, std::string_view yes, std::string_view no) {
    if (text == yes) {
        return true;
    }
    if (text == no) {
        return false;
    }
    return std::nullopt;
}

const char* onOff(bool on) {
    return on ? "on" : "off";
}

}  // namespace

std::string_view TSettings::fileName(Command command) {
    return kFileNames[slot(command)];
}

std::string_view TSettings::label(Command command) {
    return kLabels[slot(command)];
}

bool TSettings::isFixedKey(int code) {
    constexpr int fixed[] = {key::escape, key::m, key::f2, key::f11};
    const auto in = [code](std::span<const int> codes) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    };
    return in(fixed) || in(controls::nextTrackKeys) || in(controls::previousTrackKeys) ||
           in(controls::volumeDownKeys) || in(controls::volumeUpKeys) ||
           in(controls::moveLeftKeys) || in(controls::moveRightKeys) ||
           in(controls::moveDownKeys) || in(controls::dropKeys);
}

int TSettings::commandWithKey(int code, Command except) const {
    for (const Command command : kCommands) {
        if (command != except && keyOf(command) == code) {
            return static_cast<int>(command);
        }
    }
    return -1;
}

std::string TSettings::toText() const {
    std::string text =
        "# Gumbolt's settings, kept between games. The game writes this file when its options\n"
        "# change; it may be edited by hand while the game is not running.\n"
        "#   volume: 0 to 255         music: on or off        track: 1 to 6\n"
        "#   level: 1 to 9            shadow: on or off       screen: full or window\n"
        "#   keys: a letter, a digit, Left, Right, Up, Down, Space, Enter, Tab, Backspace,\n"
        "#   Insert, Delete, Home, End, Page Up, Page Down, F1 to F12, Keypad 0 to Keypad 9,\n"
        "#   Shift, Control, Alt, Comma, Period, Slash, Semicolon, Quote...\n";
    text += "volume = " + std::to_string(volume) + "\n";
    text += std::string("music = ") + onOff(music) + "\n";
    text += "track = " + std::to_string(track + 1) + "\n";
    text += "level = " + std::to_string(startLevel) + "\n";
    text += std::string("shadow = ") + onOff(landingShadow) + "\n";
    text += std::string("screen = ") + (fullscreen ? "full" : "window") + "\n";
    for (const Command command : kCommands) {
        text += std::string(fileName(command)) + " = " + keyName(keyOf(command)) + "\n";
    }
    return text;
}

TSettings TSettings::fromText(std::string_view text, const std::string& where,
                              std::vector<std::string>& reports) {
    TSettings settings;
    std::vector<std::string> seen;
    // Which commands a line of the file gave a key.
    std::array<bool, kCommandCount> keyGiven{};
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto report = [&](const std::string& what) {
            std::string entry = where;
            entry += ':';
            entry += std::to_string(lineNumber);
            entry += ": ";
            entry += what;
            reports.push_back(std::move(entry));
        };
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            report("not a \"name = value\" line: '" + std::string(line) + "'");
            continue;
        }
        const std::string name(trimmed(line.substr(0, equals)));
        const std::string_view value = trimmed(line.substr(equals + 1));
        const auto badValue = [&](const std::string& wanted) {
            std::string what = "bad value '";
            what += value;
            what += "' for ";
            what += name;
            what += " (";
            what += wanted;
            what += "); using the default";
            report(what);
        };
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            report(name + " is set again; keeping the first");
            continue;
        }
        if (name == "volume" || name == "track" || name == "level") {
            const bool isVolume = name == "volume";
            const bool isTrack = name == "track";
            const int high = isVolume ? kMaxVolume : isTrack ? kTrackCount : 9;
            const auto number = wholeNumber(value, isVolume ? 0 : 1, high);
            if (!number) {
                badValue(std::string(isVolume ? "0" : "1") + " to " + std::to_string(high));
            } else if (isVolume) {
                settings.volume = *number;
            } else if (isTrack) {
                settings.track = *number - 1;
            } else {
                settings.startLevel = *number;
            }
        } else if (name == "music" || name == "shadow") {
            const auto on = choice(value, "on", "off");
            if (!on) {
                badValue("on or off");
            } else {
                (name == "music" ? settings.music : settings.landingShadow) = *on;
            }
        } else if (name == "screen") {
            const auto full = choice(value, "full", "window");
            if (!full) {
                badValue("full or window");
            } else {
                settings.fullscreen = *full;
            }
        } else if (const auto named = std::find(std::begin(kFileNames), std::end(kFileNames), name);
                   named != std::end(kFileNames)) {
            const auto command = static_cast<Command>(named - std::begin(kFileNames));
            const int code = keyFromName(value);
            if (code == 0) {
                badValue("a key name");
            } else if (isFixedKey(code)) {
                badValue("the game keeps " + keyName(code) + " for itself");
            } else if (const int other = settings.commandWithKey(code, command);
                       other >= 0 && keyGiven[static_cast<std::size_t>(other)]) {
                report(keyName(code) + " is bound twice (" +
                       std::string(fileName(static_cast<Command>(other))) +
                       " has it already); using the default for " + name);
            } else {
                settings.keyOf(command) = code;
                keyGiven[slot(command)] = true;
            }
        } else {
            report("unknown setting '" + name + "'");
            continue;
        }
        seen.push_back(name);
    }
    // A command left at its default may find its key given to another: it takes the first
    // default key no command has (one is always free, as only the others hold keys).
    for (const Command command : kCommands) {
        if (keyGiven[slot(command)] ||
            settings.commandWithKey(settings.keyOf(command), command) < 0) {
            continue;
        }
        for (const int code : defaultKeys()) {
            if (settings.commandWithKey(code, command) < 0) {
                settings.keyOf(command) = code;
                break;
            }
        }
    }
    return settings;
}

}  // namespace gb
