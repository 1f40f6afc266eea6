#include <gtest/gtest.h>

#include <time.h>

#include <array>
#include <climits>
#include <cstdint>

#include "core/Clock.h"
#include "core/Random.h"
#include "core/TDeltaTimer.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"

namespace gb {
namespace {

std::uint32_t monotonicMillis() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

// The reading is the system's monotonic clock (time since the machine started), so two starts
// of the program see widely different values, not a few hundred milliseconds each time.
TEST(Clock, CountsFromTheSystemsFixedPointNotFromTheProgramsStart) {
    TPlatform platform;  // no clock of its own
    TPlatformScope installed(platform);
    const std::uint32_t before = monotonicMillis();
    const auto reading = static_cast<std::uint32_t>(milliSecs());
    const std::uint32_t after = monotonicMillis();
    EXPECT_LE(reading - before, after - before);  // modular: also right across the wrap
}

TEST(Clock, IntervalsStayTrueAcrossTheWrapOfTheCounter) {
    EXPECT_EQ(millisBetween(1000, 1017), 17);
    EXPECT_EQ(millisBetween(INT_MAX - 5, INT_MIN + 10), 16);
    EXPECT_EQ(millisBetween(-3, 4), 7);
    EXPECT_EQ(millisBetween(INT_MIN, INT_MAX), -1);  // a step back in time stays small

    TPlatform platform;
    TPlatformScope installed(platform);
    int now = INT_MAX - 5;
    platform.clock = [&now] { return now; };
    TDeltaTimer::start();
    now = INT_MIN + 10;
    TDeltaTimer::update();
    EXPECT_FLOAT_EQ(TDeltaTimer::deltaTime(), 0.016f);
    now += 50;
    TDeltaTimer::update();
    EXPECT_FLOAT_EQ(TDeltaTimer::deltaTime(), 0.050f);
}

// The game seeds its generator with the clock at start-up and deals the first piece kind as
// rand(1, 7) - 1. Over start times spread across a day of uptime, every kind comes first about
// a seventh of the time.
TEST(Clock, StartTimesOverADayDealEveryKindFirstEvenly) {
    constexpr int kStarts = 7000;
    constexpr int kDay = 24 * 60 * 60 * 1000;
    std::array<int, 7> firsts{};
    for (int i = 0; i < kStarts; ++i) {
        seedRnd(30'000 + i * (kDay / kStarts) + (i * 7919) % 1000);
        ++firsts[static_cast<std::size_t>(rand(1, 7) - 1)];
    }
    for (std::size_t kind = 0; kind < firsts.size(); ++kind) {
        EXPECT_GT(firsts[kind], 850) << "kind " << kind;
        EXPECT_LT(firsts[kind], 1150) << "kind " << kind;
    }
}

}  // namespace
}  // namespace gb
