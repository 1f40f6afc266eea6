#pragma once

#include <string_view>

namespace gb {

// A program fault (a broken stream, a missing object, an index out of range): the message
// goes to standard error and the process ends with exit status 255 (-1).
[[noreturn]] void programError(std::string_view message);

inline constexpr std::string_view kNullObjectError =
    "Attempt to access field or method of Null object";
inline constexpr std::string_view kIndexError =
    "Attempt to index array element beyond array length";

}  // namespace gb
