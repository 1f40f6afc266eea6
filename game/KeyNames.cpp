#include "game/KeyNames.h"

#include <cctype>
#include <utility>

#include "services/TKeyboard.h"

namespace gb {

namespace {

// Every named key but the letters and digits, by its code (see sdl/KeyMap.cpp).
constexpr std::pair<int, std::string_view> kNamedKeys[] = {
    {key::backspace, "Backspace"},
    {key::tab, "Tab"},
    {key::enter, "Enter"},
    {key::shift, "Shift"},
    {key::control, "Control"},
    {key::alt, "Alt"},
    {19, "Pause Key"},
    {20, "Caps Lock"},
    {key::escape, "Esc"},
    {key::space, "Space"},
    {33, "Page Up"},
    {34, "Page Down"},
    {35, "End"},
    {36, "Home"},
    {key::left, "Left"},
    {key::up, "Up"},
    {key::right, "Right"},
    {key::down, "Down"},
    {45, "Insert"},
    {key::del, "Delete"},
    {96, "Keypad 0"},
    {97, "Keypad 1"},
    {key::pad2, "Keypad 2"},
    {99, "Keypad 3"},
    {key::pad4, "Keypad 4"},
    {101, "Keypad 5"},
    {key::pad6, "Keypad 6"},
    {103, "Keypad 7"},
    {key::pad8, "Keypad 8"},
    {105, "Keypad 9"},
    {106, "Keypad Times"},
    {key::padPlus, "Keypad Plus"},
    {key::padMinus, "Keypad Minus"},
    {110, "Keypad Point"},
    {111, "Keypad Divide"},
    {112, "F1"},
    {113, "F2"},
    {114, "F3"},
    {115, "F4"},
    {116, "F5"},
    {117, "F6"},
    {118, "F7"},
    {119, "F8"},
    {120, "F9"},
    {121, "F10"},
    {122, "F11"},
    {123, "F12"},
    {186, "Semicolon"},
    {key::equals, "Equals"},
    {key::comma, "Comma"},
    {key::minus, "Minus"},
    {key::period, "Period"},
    {191, "Slash"},
    {192, "Backquote"},
    {219, "Left Bracket"},
    {220, "Backslash"},
    {221, "Right Bracket"},
    {222, "Quote"},
};

// The name folded for comparing: small letters, without spaces.
std::string folded(std::string_view name) {
    std::string result;
    for (const char ch : name) {
        if (ch != ' ') {
            result.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(ch))));
        }
    }
    return result;
}

}  // namespace

std::string keyName(int code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
        return std::string(1, static_cast<char>(code));
    }
    for (const auto& [named, name] : kNamedKeys) {
        if (named == code) {
            return std::string(name);
        }
    }
    return {};
}

int keyFromName(std::string_view name) {
    const std::string wanted = folded(name);
    if (wanted.size() == 1) {
        const char ch = wanted[0];
        if (ch >= 'a' && ch <= 'z') {
            return ch - 'a' + 'A';
        }
        if (ch >= '0' && ch <= '9') {
            return ch;
        }
    }
    for (const auto& [code, keyLabel] : kNamedKeys) {
        if (!wanted.empty() && folded(keyLabel) == wanted) {
            return code;
        }
    }
    return 0;
}

}  // namespace gb
