#include "effects.h"

#include <cmath>

#include "dsp.h"

namespace sfx {

int sampleCount(double seconds, int rate) {
    return static_cast<int>(std::lround(seconds * rate));
}

namespace {

// A soft bell partial set: fundamental plus two quiet inharmonic partials,
// each decaying faster than the one below, so the chime is round, not shrill.
void chimeNote(Buffer& out, double hz, int start, double rate, double gain) {
    const double partials[3][3] = {{1.0, 1.0, 0.42}, {2.756, 0.22, 0.16}, {5.404, 0.06, 0.07}};
    for (int i = start; i < static_cast<int>(out.size()); ++i) {
        double t = (i - start) / rate;
        double attack = std::min(1.0, t / 0.004);
        double v = 0.0;
        for (const auto& p : partials)
            v += p[1] * std::sin(kTwoPi * hz * p[0] * t) * expDecay(t, p[2]);
        out[i] += static_cast<float>(gain * attack * v);
    }
}

// New piece: two chime notes a fifth apart, the second answering the first.
Buffer makeBidip(int n, double rate) {
    Buffer b(n, 0.0f);
    chimeNote(b, 987.77, 0, rate, 1.0);                                 // B5
    chimeNote(b, 1318.51, static_cast<int>(0.105 * rate), rate, 0.85);  // E6
    fadeOut(b, static_cast<int>(0.05 * rate));
    return b;
}

// Full rows: a bright upward blip, band-limited square with a fast rise.
Buffer makeBlip(int n, double rate) {
    Buffer b(n);
    Osc sq(Osc::Shape::Pulse, 0.5);
    Osc sine(Osc::Shape::Sine);
    for (int i = 0; i < n; ++i) {
        double x = double(i) / n;
        double hz = 1568.0 * std::pow(2.0, x * 0.6);  // G6 gliding up most of a fifth
        b[i] = 0.45f * sq.next(hz, rate) + 0.55f * sine.next(hz * 2.0, rate);
    }
    Biquad lp = Biquad::lowPass(9000.0, 0.7, rate);
    for (float& v : b)
        v = lp.process(v);
    fadeIn(b, static_cast<int>(0.002 * rate));
    fadeOut(b, static_cast<int>(0.008 * rate));
    return b;
}

// Level up: a springy boing, a jaw-harp-like pulse whose pitch wobbles fast
// and settles, with a filter that opens and closes with the wobble.
Buffer makeBoing(int n, double rate) {
    Buffer b(n);
    Osc pulse(Osc::Shape::Pulse, 0.3);
    SweepFilter filt;
    for (int i = 0; i < n; ++i) {
        double t = i / rate;
        double wobble = std::sin(kTwoPi * 11.0 * t) * expDecay(t, 0.28);
        double hz = 196.0 * std::pow(2.0, 0.55 * wobble + 0.35 * (1.0 - expDecay(t, 0.05)));
        double cutoff = 700.0 + 1600.0 * (0.5 + 0.5 * wobble) * expDecay(t, 0.35);
        double amp = std::min(1.0, t / 0.006) * expDecay(t, 0.30);
        b[i] = static_cast<float>(amp * filt.lowPass(pulse.next(hz, rate), cutoff, 0.55, rate));
    }
    fadeOut(b, static_cast<int>(0.06 * rate));
    return b;
}

// Shared click body: a very short band-passed noise burst plus a small
// resonant knock, like a plastic latch.
Buffer clickBody(int n, double rate, double knockHz, double noiseHz, double tau, uint64_t seed) {
    Buffer b(n, 0.0f);
    Rng rng(seed);
    Biquad bp = Biquad::bandPass(noiseHz, 1.2, rate);
    for (int i = 0; i < n; ++i) {
        double t = i / rate;
        double noise = bp.process(rng.bipolar()) * expDecay(t, tau * 0.35);
        double knock = std::sin(kTwoPi * knockHz * t) * expDecay(t, tau);
        b[i] = static_cast<float>(1.4 * noise + 0.8 * knock);
    }
    return b;
}

// Piece turns: a double click (catch and release) with a short woody ring.
Buffer makeClicker(int n, double rate) {
    Buffer b = clickBody(n, rate, 1180.0, 2600.0, 0.018, 0xC11C);
    Buffer second = clickBody(n, rate, 1560.0, 3200.0, 0.012, 0xC11D);
    mixInto(b, second, static_cast<int>(0.045 * rate), 0.6);
    Buffer ring(n, 0.0f);
    for (int i = 0; i < n; ++i) {
        double t = i / rate;
        ring[i] = static_cast<float>(0.25 * std::sin(kTwoPi * 590.0 * t) * expDecay(t, 0.06));
    }
    mixInto(b, ring, 0, 1.0);
    normalizePeak(b, 1.0);
    softClip(b, 3.0);
    fadeIn(b, static_cast<int>(0.0008 * rate));
    fadeOut(b, static_cast<int>(0.03 * rate));
    return b;
}

// Move, drop, typed letter: one short, light key click.
Buffer makeKeyclik(int n, double rate) {
    Buffer b = clickBody(n, rate, 1900.0, 3600.0, 0.016, 0x6E71);
    normalizePeak(b, 1.0);
    softClip(b, 3.0);
    fadeIn(b, static_cast<int>(0.0008 * rate));
    fadeOut(b, static_cast<int>(0.02 * rate));
    return b;
}

// A thump: a sine falling from 130 Hz to 45 Hz with a soft noise puff.
Buffer makeBhump(int n, double rate) {
    Buffer b(n);
    Rng rng(0xB4B);
    Biquad lp = Biquad::lowPass(400.0, 0.7, rate);
    double phase = 0.0;
    for (int i = 0; i < n; ++i) {
        double t = i / rate;
        double hz = 45.0 + 85.0 * expDecay(t, 0.05);
        phase += hz / rate;
        double body = std::sin(kTwoPi * phase) * expDecay(t, 0.16);
        double puff = lp.process(rng.bipolar()) * expDecay(t, 0.03);
        b[i] = static_cast<float>(body + 0.6 * puff);
    }
    softClip(b, 1.6);
    fadeIn(b, static_cast<int>(0.001 * rate));
    fadeOut(b, static_cast<int>(0.08 * rate));
    return b;
}

// Loudness every effect is brought to (weighted RMS of its loudest 100 ms,
// see loudnessWeighted), so that no effect jumps out over the others; peaks
// stay at or below kEffectPeak.
constexpr double kEffectLoudness = 0.28;  // about -11 dBFS

Effect finish(const std::string& file, int rate, Buffer pcm) {
    removeDc(pcm);
    // A last tiny fade at both ends after the DC filter so the first and
    // last samples are exactly zero: no click when the effect starts or stops.
    fadeIn(pcm, rate / 2000);
    fadeOut(pcm, rate / 500);
    normalizePeak(pcm, kEffectPeak);
    double loud = loudestWindowRms(loudnessWeighted(pcm, rate), rate / 10);
    if (loud > kEffectLoudness)
        scale(pcm, kEffectLoudness / loud);
    return Effect{file, rate, std::move(pcm)};
}

}  // namespace

std::vector<Effect> makeEffects() {
    std::vector<Effect> out;
    out.push_back(finish("bidip.ogg", 44100, makeBidip(sampleCount(1.000, 44100), 44100)));
    out.push_back(finish("blip1.ogg", 44100, makeBlip(sampleCount(0.031, 44100), 44100)));
    out.push_back(finish("boingg.ogg", 11025, makeBoing(sampleCount(0.743, 11025), 11025)));
    out.push_back(finish("clicker.ogg", 11025, makeClicker(sampleCount(0.274, 11025), 11025)));
    out.push_back(finish("keyclik.ogg", 11025, makeKeyclik(sampleCount(0.134, 11025), 11025)));
    out.push_back(finish("bhump.ogg", 11025, makeBhump(sampleCount(0.743, 11025), 11025)));
    return out;
}

}  // namespace sfx
