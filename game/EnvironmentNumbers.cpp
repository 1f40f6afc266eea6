#include "game/EnvironmentNumbers.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace gb {

std::string shownValue(std::string_view value, std::size_t longest) {
    std::string text;
    for (const char c : value.substr(0, longest)) {
        text.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    if (value.size() > longest) {
        text += "...";
    }
    return text;
}

std::optional<int> parseCount(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            return std::nullopt;
        }
    }
    if (value < 1) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<int> countFromEnvironment(const char* name, std::FILE* err) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    const std::optional<int> count = parseCount(value);
    if (!count) {
        std::fprintf(err, "gumbolt: ignoring %s=%s: not a whole number from 1 to %d\n", name,
                     shownValue(value, 40).c_str(), INT_MAX);
        std::fflush(err);
    }
    return count;
}

}  // namespace gb
