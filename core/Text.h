#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace gb {

// Number-to-text and number conversions used everywhere in the game, in one place.

// Decimal, with a leading "-" for negatives.
std::string intToText(long long value);

// Nine significant digits, trailing zeros and the decimal point kept ("%#.9g"):
// 3 becomes "3.00000000", 1000 becomes "1000.00000".
std::string floatToText(double value);

// Float to int conversion: truncation toward zero (-0.7 -> 0, 2.9 -> 2). Values beyond the
// int range saturate and NaN gives 0, so a wild float never causes undefined behaviour.
int truncToInt(double value);
// The same for a float (the game's positions and sizes), which a double holds exactly.
inline int truncToInt(float value) {
    return truncToInt(static_cast<double>(value));
}

// Floating remainder a - b * trunc(a / b): the result has the sign of the dividend
// (-1 remainder 360 is -1).
float floatRemainder(float a, float b);

// Remainder of ints with the sign of the dividend (C++ %), spelled out for readers.
inline int intRemainder(int a, int b) {
    return a % b;
}

// A reference printed as its identity: eight hexadecimal digits.
struct ObjectText {
    const void* object;
};
std::string objectToText(const void* object);

// Appends one value to a line of text in the game's text forms: strings as they are,
// characters as themselves, integers in decimal, floats in the "%#.9g" form.
inline void appendText(std::string& out, std::string_view text) {
    out.append(text);
}
inline void appendText(std::string& out, const char* text) {
    out.append(text);
}
inline void appendText(std::string& out, const std::string& text) {
    out.append(text);
}
inline void appendText(std::string& out, char ch) {
    out.push_back(ch);
}
inline void appendText(std::string& out, ObjectText object) {
    out += objectToText(object.object);
}
template <class T>
requires std::is_integral_v<T> &&
    (!std::is_same_v<T, char>)void appendText(std::string& out, T value) {
    out += intToText(static_cast<long long>(value));
}
template <class T>
requires std::is_floating_point_v<T>
void appendText(std::string& out, T value) {
    out += floatToText(static_cast<double>(value));
}

// Concatenates values in the game's text forms.
template <class... Parts>
std::string concatText(const Parts&... parts) {
    std::string out;
    (appendText(out, parts), ...);
    return out;
}

}  // namespace gb
