// Signal building blocks for the sound generator: a seeded noise source,
// filters, band-limited oscillators and helpers that shape finished buffers.
// Everything is deterministic: the same calls give the same samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace sfx {

using Buffer = std::vector<float>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// Small, fast generator (xorshift64*) so noise is identical on every run and
// independent of the standard library's distributions.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t next();
    // Uniform in [-1, 1).
    float bipolar();
    // Uniform in [0, 1).
    float unit();

  private:
    uint64_t state_;
};

// One-pole low-pass; `coef` from cutoff via onePoleCoef().
double onePoleCoef(double cutoffHz, double rate);

// Second-order section with the usual cookbook designs.
class Biquad {
  public:
    static Biquad lowPass(double hz, double q, double rate);
    static Biquad highPass(double hz, double q, double rate);
    static Biquad bandPass(double hz, double q, double rate);
    static Biquad highShelf(double hz, double gainDb, double rate);
    float process(float x);
    void reset() { x1_ = x2_ = y1_ = y2_ = 0.0; }

  private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Chamberlin state-variable filter whose cutoff may change every sample
// (used for swept low-pass sounds).
class SweepFilter {
  public:
    // Returns the low-pass output; `res` 0 (no resonance) .. 0.95.
    float lowPass(float x, double cutoffHz, double res, double rate);

  private:
    double low_ = 0, band_ = 0;
};

// PolyBLEP residual for band-limited steps; t is the phase in [0, 1), dt the
// phase increment per sample.
double polyBlep(double t, double dt);

// Band-limited oscillator with a running phase: sawtooth, pulse, triangle.
class Osc {
  public:
    enum class Shape { Sine, Saw, Pulse, Triangle };
    explicit Osc(Shape shape, double duty = 0.5) : shape_(shape), duty_(duty) {}
    float next(double hz, double rate);
    void setDuty(double d) { duty_ = d; }

  private:
    Shape shape_;
    double duty_;
    double phase_ = 0.0;
    double tri_ = -1.0;  // phase 0 starts the rising half: the trough
};

// Shape of the harmonic series used by the additive loop renderer.
enum class Wave { Sine, Saw, Square, Triangle, Pulse25, Pulse12 };

// Amplitude of harmonic h (1-based) of the named wave.
double harmonicAmp(Wave wave, int h);

// One voice of an additive loop: `cycles` periods fit the loop exactly.
struct LoopVoice {
    int cycles;
    double gain;
    double phase;  // start phase of the fundamental, in cycles
};

// Renders a seamless loop of `length` samples: each voice is a band-limited
// wave that completes exactly `cycles` periods, so the loop end meets the
// start without a step. Harmonics above `maxFraction` of the sample rate are
// dropped and each harmonic is scaled by a low-pass curve with corner
// `brightness` (in harmonics of the voice; 0 keeps all at full strength).
Buffer additiveLoop(int length, const std::vector<LoopVoice>& voices, Wave wave, double brightness,
                    double maxFraction = 0.45);

// Karplus-Strong plucked string with a fractional delay for exact tuning.
// `damping` 0..1 (higher = darker, quicker decay), `brightness` sets how
// much of the excitation's high end survives.
Buffer pluckedString(double hz, double rate, double seconds, double damping, double brightness,
                     uint64_t seed);

// Two-operator FM voice: carrier at hz, modulator at hz * ratio, index that
// decays from `index0` with time constant `indexDecay` seconds, amplitude
// decaying with `ampDecay` seconds.
Buffer fmTone(double hz, double ratio, double index0, double indexDecay, double ampDecay,
              double rate, double seconds);

// Exponential decay factor per second for a time constant.
inline double expDecay(double t, double tau) {
    return tau > 0 ? std::exp(-t / tau) : 0.0;
}

// Buffer helpers.
float peakOf(const Buffer& b);
double rmsOf(const Buffer& b);
void scale(Buffer& b, double gain);
void normalizePeak(Buffer& b, double peak);
// Takes out any offset and rumble below the hearing range: a 20 Hz
// high-pass (second order), so a decaying offset goes too, not only a
// constant one.
void removeDc(Buffer& b, double rate);
// Linear fades over the first and last n samples.
void fadeIn(Buffer& b, int n);
void fadeOut(Buffer& b, int n);
// Adds src into dst starting at `offset` with `gain`, growing nothing.
void mixInto(Buffer& dst, const Buffer& src, int offset, double gain);
// Gentle saturation that keeps small signals linear.
void softClip(Buffer& b, double drive);

// The frequency (Hz, to about 0.05 Hz) of the strongest component between
// `lo` and `hi` in a whole sound, from its spectrum: what pitch a short
// tone or a ringing knock is heard at.
double strongestFrequency(const Buffer& b, double rate, double lo, double hi);
// Distance in cents from `hz` to the nearest octave of `reference`.
double centsFromOctaveOf(double hz, double reference);

// A sound played again at each of `seconds` (from 0), overlapping as a
// mixer would play it: how a repeated effect adds up.
Buffer repeatAt(const Buffer& b, double rate, const std::vector<double>& seconds);

}  // namespace sfx
