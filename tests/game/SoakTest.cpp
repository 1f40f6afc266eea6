// Hours of play squeezed into a test: random keys, a fast clock, thousands of games.
// GUMBOLT_SOAK_MINUTES sets the game time to play (CI plays a short stretch; a long run
// is two hours). Every game must end or go on without a crash or a sanitizer report, the
// fruit showers must drain, and memory must stay flat.

#include <cstdlib>
#include <fstream>
#include <random>

#include "audio/TMixerLibrary.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TGrid.h"
#include "tests/game/GameHarness.h"

namespace gb::testing {
namespace {

// Whether AddressSanitizer is built in (gcc says so with a macro, clang with a feature).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string field;
    long value = 0;
    while (status >> field) {
        if (field == "VmRSS:") {
            status >> value;
            return value;
        }
    }
    return 0;
}

using Soak = GameHarness;

TEST_F(Soak, RandomPlayForALongTimeStaysSoundAndFlat) {
    const char* minutesText = std::getenv("GUMBOLT_SOAK_MINUTES");
    const double minutes = minutesText != nullptr ? std::atof(minutesText) : 20.0;
    const long frameCount = static_cast<long>(minutes * 60.0 * 1000.0 / 17.0);

    // The real mixer (on SDL's dummy audio driver) plays along: a soak is about the real thing,
    // and a recording library would only fill memory with its log.
    platform.makeSoundLibrary<TMixerLibrary>();
    startGame();
    std::mt19937 keys(20261208);
    struct Key {
        int code;
        int ch;
    };
    const Key choices[] = {
        {key::left, 0},    {key::right, 0},    {key::down, 0},     {key::up, 0},
        {key::x, 'x'},     {key::z, 'z'},      {key::enter, 13},   {key::enter, 13},
        {key::p, 'p'},     {key::m, 'm'},      {key::period, '.'}, {key::comma, ','},
        {key::minus, '-'}, {key::equals, '='}, {'A', 'a'},         {key::backspace, 8},
        {key::escape, 27}, {'N', 'n'},         {key::space, ' '},  {key::up, 0}};
    int gamesEnded = 0;
    TGame::ScreenState previousState = game->state;
    long baseline = 0;
    long peak = 0;
    for (long frame = 0; frame < frameCount; ++frame) {
        if (keys() % 6 == 0) {
            const Key& k = choices[keys() % std::size(choices)];
            tap(k.code, k.ch);
        }
        if (keys() % 50 == 0) {
            press(key::down);  // sometimes a key stays held for a while
        } else if (keys() % 40 == 0) {
            release(key::down);
        }
        // Mostly smooth frames, now and then a long stall.
        frames(1, keys() % 200 == 0 ? 400 : 17);
        display->reset();
        ASSERT_NE(game->state, TGame::quit);
        if (game->state == TGame::gameOver && previousState != TGame::gameOver) {
            ++gamesEnded;
            EXPECT_LE(game->hiScores->scores->count(), 5);
        }
        previousState = game->state;
        if (frame == frameCount / 4) {
            baseline = residentKiB();
        }
        if (frame > frameCount / 4) {
            peak = std::max(peak, residentKiB());
        }
    }
    // After play stops, every fruit shower drains within a few seconds.
    for (int i = 0; i < 400; ++i) {
        frames(1);
        display->reset();
    }
    EXPECT_FALSE(game->gameGrid->hasFruits());
    EXPECT_FALSE(game->previewGrid->hasFruits());
    EXPECT_GT(gamesEnded, static_cast<int>(minutes / 4));
    std::printf(
        "soak: %.1f game minutes, %ld frames, %d games ended, resident %ld KiB -> peak %ld KiB\n",
        minutes, frameCount, gamesEnded, baseline, peak);
    // The sanitizer's quarantine holds freed memory on purpose; elsewhere growth means a leak.
    if (!kAddressSanitizer) {
        EXPECT_LT(peak - baseline, 16 * 1024);
    }
}

}  // namespace
}  // namespace gb::testing
