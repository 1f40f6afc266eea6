#include "core/Clock.h"

#include <time.h>

#include <cstdint>

#include "core/TPlatform.h"

namespace gb {

namespace {
int systemMilliSecs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto millis = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                        static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    // Keep the low 32 bits, read as an int: the counter wraps about every 49.7 days.
    return static_cast<int>(static_cast<std::uint32_t>(millis));
}
}  // namespace

int milliSecs() {
    const std::function<int()>& clock = platform().clock;
    return clock ? clock() : systemMilliSecs();
}

int millisBetween(int earlier, int later) {
    return static_cast<int>(static_cast<std::uint32_t>(later) -
                            static_cast<std::uint32_t>(earlier));
}

}  // namespace gb
