#pragma once

#include <cstdint>

// SDL's nearest-pixel scaling, which the software display's own copies must match pixel for
// pixel: from a source of `from` pixels to a target of `to`, target pixel k samples source
// pixel (step / 2 + k * step) >> 16, with step = (from << 16) / to (16.16 fixed point).
namespace gb::nearest {

constexpr std::int64_t step(int from, int to) {
    return (static_cast<std::int64_t>(from) << 16) / to;
}

// The source pixel target pixel k samples.
constexpr std::int64_t sample(std::int64_t step, std::int64_t k) {
    return (step / 2 + k * step) >> 16;
}

// The first target pixel whose sample is `at` or beyond (samples never decrease with k).
constexpr std::int64_t firstReaching(std::int64_t at, std::int64_t step) {
    return ((at << 16) - step / 2 + step - 1) / step;
}

}  // namespace gb::nearest
