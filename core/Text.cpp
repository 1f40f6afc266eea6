#include "core/Text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace gb {

std::string intToText(long long value) {
    return std::to_string(value);
}

std::string floatToText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%#.9g", value);
    return buffer;
}

int truncToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

float floatRemainder(float a, float b) {
    return a - b * std::trunc(a / b);
}

std::string objectToText(const void* object) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%08X",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(object)));
    return buffer;
}

}  // namespace gb
