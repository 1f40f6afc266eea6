// The game's six short sound effects, synthesised from scratch.
#pragma once

#include <string>
#include <vector>

namespace sfx {

struct Effect {
    std::string file;  // file name inside the output folder
    int rate;          // samples per second
    std::vector<float> pcm;
};

// Highest true peak of an effect (about -3 dBTP), and the loudness of its
// loudest 100 ms (LUFS, K-weighted) that every effect is brought to.
constexpr double kEffectPeak = 0.70;
constexpr double kEffectLoudness = -12.0;

// Builds all six effects in the game's effect-number order. Each buffer has
// exactly the playing length the game expects (seconds x rate, rounded).
std::vector<Effect> makeEffects();

// Sample count for a length in seconds at a rate, rounded to nearest.
int sampleCount(double seconds, int rate);

}  // namespace sfx
