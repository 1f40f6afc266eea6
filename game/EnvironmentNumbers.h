#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace gb {

// The whole text as a count from 1 to INT_MAX written in decimal digits ("40", "007");
// nothing for anything else: a sign, a space, another base, an exponent, trailing letters, a
// value out of range.
std::optional<int> parseCount(std::string_view text);

// An environment value as it may be shown within one line of a message: at most longest
// characters (then "..."), anything unprintable as '?'.
std::string shownValue(std::string_view value, std::size_t longest);

// The count in the environment variable of that name: nothing when it is not set or empty,
// and nothing, said in one line on err, when its value is not such a count.
std::optional<int> countFromEnvironment(const char* name, std::FILE* err);

}  // namespace gb
