#include "core/Random.h"

#include <cstdint>

#include "core/TPlatform.h"
#include "core/Text.h"

namespace gb {

namespace {

constexpr std::int32_t kDefaultState = 0x1234;

std::int32_t step() {
    std::int32_t& state = platform().randomState;
    std::int32_t s = 48271 * (state % 44488) - 3399 * (state / 44488);
    if (s < 0) {
        s += 2147483647;
    }
    state = s;
    return s;
}

// A double in [0, 1) made of two steps.
double rndDouble() {
    const std::int32_t s1 = step();
    const std::int32_t s2 = step();
    return (static_cast<double>(s1 & 0x1FFFFFFC) +
            static_cast<double>(s2 & 0x1FFFFFF8) / 134217728.0) /
           536870912.0;
}

}  // namespace

void seedRnd(int seed) {
    std::int32_t& state = platform().randomState;
    state = seed & 0x7FFFFFFF;
    if (state == 0 || state == 0x7FFFFFFF) {
        state = kDefaultState;
    }
}

float rndFloat() {
    return static_cast<float>(step() & 0x0FFFFFF0) / 268435456.0f;
}

int rand(int low, int high) {
    const long long d = static_cast<long long>(high) - low;
    if (d > 0) {
        return truncToInt(low + rndDouble() * static_cast<double>(d + 1));
    }
    return truncToInt(high + rndDouble() * static_cast<double>(1 - d));
}

int rndState() {
    return platform().randomState;
}

}  // namespace gb
