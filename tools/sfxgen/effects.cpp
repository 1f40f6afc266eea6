#include "effects.h"

#include <cmath>

#include "dsp.h"
#include "loudness.h"

namespace sfx {

int sampleCount(double seconds, int rate) {
    return static_cast<int>(std::lround(seconds * rate));
}

namespace {

// A soft bell partial set: fundamental plus two quiet inharmonic partials,
// each decaying faster than the one below, so the chime is round, not
// shrill. `tau` is the fundamental's decay time.
void chimeNote(Buffer& out, double hz, int start, double rate, double gain, double tau) {
    const double partials[3][3] = {{1.0, 1.0, 1.0}, {2.756, 0.22, 0.38}, {5.404, 0.06, 0.17}};
    for (int i = start; i < static_cast<int>(out.size()); ++i) {
        double t = (i - start) / rate;
        double attack = std::min(1.0, t / 0.004);
        double v = 0.0;
        for (const auto& p : partials)
            v += p[1] * std::sin(kTwoPi * hz * p[0] * t) * expDecay(t, tau * p[2]);
        out[i] += static_cast<float>(gain * attack * v);
    }
}

// New piece: two chime notes an octave apart, G5 then G6. G is the one
// pitch class all six tracks' keys share, so the chime never sounds out of
// key; it dies 20 dB away well within 400 ms, out of the next one's way.
Buffer makeBidip(int n, double rate) {
    Buffer b(n, 0.0f);
    chimeNote(b, 783.99, 0, rate, 1.0, 0.09);                                // G5
    chimeNote(b, 1567.98, static_cast<int>(0.095 * rate), rate, 0.8, 0.10);  // G6
    fadeOut(b, static_cast<int>(0.05 * rate));
    return b;
}

// Full rows, the moment the player works for: a bell that strikes three
// times in 31 ms, rising by octaves from G6 to G8, each strike ringing on
// under the next, so it ends on a bright chord of Gs rather than a tick. G
// is the one pitch class every track's key holds, so the sparkle is in tune
// with whatever plays. Each strike is two partials a shade apart (a
// shimmer) and a quiet twelfth; the strikes are kept near full level for
// the whole length, so so short a sound still reads as loud as the others.
Buffer makeBlip(int n, double rate) {
    Buffer b(n, 0.0f);
    struct Strike {
        double hz, at, gain, tau;
    };
    const Strike strikes[] = {{1567.98, 0.000, 1.0, 0.012},    // G6
                              {3135.96, 0.009, 0.9, 0.016},    // G7
                              {6271.93, 0.018, 0.55, 0.020}};  // G8
    for (const Strike& s : strikes) {
        const int start = static_cast<int>(s.at * rate);
        for (int i = start; i < n; ++i) {
            const double t = (i - start) / rate;
            const double attack = std::min(1.0, t / 0.0008);
            const double ring = expDecay(t, s.tau);
            const double v = std::sin(kTwoPi * s.hz * t) +
                             0.5 * std::sin(kTwoPi * s.hz * 1.003 * t + 1.0) +
                             0.12 * std::sin(kTwoPi * s.hz * 1.5 * t) * (s.hz < 4000.0);
            b[i] += static_cast<float>(s.gain * attack * ring * v);
        }
    }
    Biquad lp = Biquad::lowPass(12000.0, 0.7, rate);
    for (float& v : b)
        v = lp.process(v);
    fadeIn(b, static_cast<int>(0.0005 * rate));
    fadeOut(b, static_cast<int>(0.005 * rate));
    return b;
}

// Level up: a springy boing, a jaw-harp-like pulse whose pitch wobbles fast
// and settles, with a filter that opens and closes with the wobble. The
// narrow pulse is centred on zero (its mean taken off) so the boing carries
// no offset; what the fast swell adds below 20 Hz the finishing high-pass
// takes out.
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
        const double centred = pulse.next(hz, rate) - (2.0 * 0.3 - 1.0);
        b[i] =
            static_cast<float>(amp * filt.lowPass(static_cast<float>(centred), cutoff, 0.55, rate));
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

// Move, drop, typed letter: one short, light key click whose knock rings
// at G6, in every track's key. Nearly all of it is over within 50 ms, so a
// held key's repeats (every other keyboard tick, 100 ms apart) do not pile
// up into something louder than one press.
Buffer makeKeyclik(int n, double rate) {
    Buffer b = clickBody(n, rate, 1567.98, 2600.0, 0.014, 0x6E71);
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

// Gentle limiting towards `ceiling`: small values pass, large ones bend.
void softLimit(Buffer& b, double ceiling) {
    for (float& v : b)
        v = static_cast<float>(ceiling * std::tanh(v / ceiling));
}

Effect finish(const std::string& file, int rate, Buffer pcm) {
    removeDc(pcm, rate);
    // A last tiny fade at both ends after the DC filter so the first and
    // last samples are exactly zero: no click when the effect starts or stops.
    fadeIn(pcm, rate / 2000);
    fadeOut(pcm, rate / 500);
    // Every effect is brought to the same loudness of its loudest 100 ms, so
    // no effect jumps out over the others; a sound too peaky for that is
    // limited until its true peak stays under the ceiling.
    for (int pass = 0; pass < 8; ++pass) {
        scale(pcm, std::pow(10.0, (kEffectLoudness - loudestWindowLoudness(pcm, rate)) / 20.0));
        const double peak = truePeak(pcm);
        if (peak <= kEffectPeak)
            break;
        softLimit(pcm, kEffectPeak * 0.9);
    }
    const double peak = truePeak(pcm);
    if (peak > kEffectPeak)
        scale(pcm, kEffectPeak / peak);
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
