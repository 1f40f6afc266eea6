#include "instruments.h"

#include <algorithm>
#include <cmath>

namespace sfx {

namespace {

constexpr double kC4Hz = 261.6255653;

// An instrument whose single sample is `pcm`, tuned for the rate it was
// rendered at; a looped one loops over the whole sample.
xm::Instrument makeInstrument(const std::string& name, const Buffer& pcm, const xm::Tuning& t,
                              const xm::Envelope& env, uint16_t fadeout, bool looped = false) {
    xm::Instrument ins;
    ins.name = name;
    ins.sample.name = name;
    ins.sample.data = toSample16(pcm, t.exactRate, looped);
    if (looped) {
        ins.sample.loop = true;
        ins.sample.loopStart = 0;
        ins.sample.loopLength = static_cast<uint32_t>(ins.sample.data.size());
    }
    ins.sample.relativeNote = t.relativeNote;
    ins.sample.finetune = t.finetune;
    ins.volume = env;
    ins.fadeout = fadeout;
    return ins;
}

// Drums decay inside the sample; the envelope only keeps a long tail from
// ringing on under the next hit.
xm::Envelope drumEnvelope(int ticks) {
    return envDecay(0, ticks / 2, ticks, 40, ticks * 2);
}

}  // namespace

std::vector<int16_t> toSample16(Buffer b, double rate, bool looped) {
    if (looped) {
        double mean = 0.0;
        for (float v : b)
            mean += v;
        mean /= b.empty() ? 1.0 : double(b.size());
        for (float& v : b)
            v = static_cast<float>(v - mean);
    } else {
        removeDc(b, rate);
    }
    float peak = peakOf(b);
    double gain = peak > 0.0f ? 0.94 / peak : 0.0;
    std::vector<int16_t> out(b.size());
    for (size_t i = 0; i < b.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(std::clamp(b[i] * gain, -1.0, 1.0) * 32767.0));
    return out;
}

xm::Envelope envSustain(int attack, int decay, int sustain) {
    xm::Envelope e;
    if (attack > 0) {
        e.points = {
            {0, 0},
            {static_cast<uint16_t>(attack), 64},
            {static_cast<uint16_t>(attack + std::max(decay, 1)), static_cast<uint16_t>(sustain)}};
        e.sustain = 2;
    } else {
        e.points = {{0, 64},
                    {static_cast<uint16_t>(std::max(decay, 1)), static_cast<uint16_t>(sustain)}};
        e.sustain = 1;
    }
    return e;
}

xm::Envelope envDecay(int attack, int hold, int mid, int midLevel, int end) {
    xm::Envelope e;
    int t = 0;
    if (attack > 0) {
        e.points.push_back({0, 0});
        t = attack;
    }
    e.points.push_back({static_cast<uint16_t>(t), 64});
    t = std::max(t + 1, attack + hold);
    e.points.push_back({static_cast<uint16_t>(t), 64});
    t = std::max(t + 1, mid);
    e.points.push_back({static_cast<uint16_t>(t), static_cast<uint16_t>(midLevel)});
    t = std::max(t + 1, end);
    e.points.push_back({static_cast<uint16_t>(t), 0});
    return e;
}

xm::Instrument place(xm::Instrument ins, int panning, int volume) {
    ins.sample.panning = static_cast<uint8_t>(std::clamp(panning, 0, 255));
    ins.sample.volume = static_cast<uint8_t>(std::clamp(volume, 0, 64));
    return ins;
}

xm::Instrument withVibrato(xm::Instrument ins, int depth, int rate, int sweep) {
    ins.vibratoType = 0;  // sine
    ins.vibratoDepth = static_cast<uint8_t>(std::clamp(depth, 0, 15));
    ins.vibratoRate = static_cast<uint8_t>(std::clamp(rate, 0, 63));
    ins.vibratoSweep = static_cast<uint8_t>(std::clamp(sweep, 0, 255));
    return ins;
}

xm::Instrument withPanSway(xm::Instrument ins, int width, int period, bool startRight) {
    const int w = std::clamp(width, 0, 32);
    const auto at = [](int tick) { return static_cast<uint16_t>(tick); };
    const auto side = [&](int sign) { return static_cast<uint16_t>(32 + sign * w); };
    const int dir = startRight ? 1 : -1;
    // Centre, one side, the other side, back to the first: the loop runs
    // between the two sides.
    ins.panning.points = {{0, 32},
                          {at(period / 4), side(dir)},
                          {at(3 * period / 4), side(-dir)},
                          {at(5 * period / 4), side(dir)}};
    ins.panning.sustain = -1;
    ins.panning.loopStart = 1;
    ins.panning.loopEnd = 3;
    return ins;
}

xm::Instrument loopInstrument(const std::string& name, const LoopTone& tone,
                              const xm::Envelope& env, uint16_t fadeout) {
    xm::Tuning t = xm::tuningFor(tone.rate);
    // The loop holds `cycles` periods of C4 at the exact playback rate.
    int length = static_cast<int>(std::lround(tone.cycles * t.exactRate / kC4Hz));
    std::vector<LoopVoice> voices;
    for (size_t i = 0; i < tone.detune.size(); ++i) {
        // Spread the start phases so detuned voices do not start in unison.
        voices.push_back({tone.cycles + tone.detune[i], 1.0, 0.37 * i});
    }
    Buffer b = additiveLoop(length, voices, tone.wave, tone.brightness);
    if (tone.body > 0.0) {
        Buffer sine = additiveLoop(length, {{tone.cycles, tone.body, 0.0}}, Wave::Sine, 0);
        mixInto(b, sine, 0, 1.0);
    }
    if (tone.twelfth > 0.0) {
        Buffer f = additiveLoop(length, {{tone.cycles * 3, tone.twelfth, 0.0}}, Wave::Sine, 0);
        mixInto(b, f, 0, 1.0);
    }
    return makeInstrument(name, b, t, env, fadeout, true);
}

xm::Instrument pluck(const std::string& name, double damping, double brightness, double seconds,
                     uint64_t seed) {
    xm::Tuning t = xm::tuningFor(22050.0);
    Buffer b = pluckedString(kC4Hz, t.exactRate, seconds, damping, brightness, seed);
    fadeOut(b, static_cast<int>(0.05 * t.exactRate));
    return makeInstrument(name, b, t, envDecay(0, 10, 60, 40, 200), 0x300);
}

xm::Instrument keys(const std::string& name, double seconds, uint64_t seed) {
    xm::Tuning t = xm::tuningFor(22050.0);
    Buffer a = pluckedString(kC4Hz * 1.0012, t.exactRate, seconds, 0.25, 0.55, seed);
    Buffer b = pluckedString(kC4Hz / 1.0012, t.exactRate, seconds, 0.25, 0.55, seed + 1);
    // A soft hammer thump and a sine body keep the low end round.
    for (size_t i = 0; i < a.size(); ++i) {
        double tm = i / t.exactRate;
        double body = 0.35 * std::sin(kTwoPi * kC4Hz * tm) * expDecay(tm, 0.9);
        a[i] = static_cast<float>(a[i] + b[i] + body);
    }
    Biquad lp = Biquad::lowPass(3500.0, 0.7, t.exactRate);
    for (float& v : a)
        v = lp.process(v);
    fadeOut(a, static_cast<int>(0.08 * t.exactRate));
    return makeInstrument(name, a, t, envDecay(0, 20, 100, 44, 260), 0x180);
}

xm::Instrument bell(const std::string& name, double ratio, double index, double decay,
                    double seconds) {
    xm::Tuning t = xm::tuningFor(32000.0);
    Buffer b = fmTone(kC4Hz, ratio, index, decay * 0.3, decay, t.exactRate, seconds);
    fadeIn(b, static_cast<int>(0.002 * t.exactRate));
    fadeOut(b, static_cast<int>(0.1 * t.exactRate));
    return makeInstrument(name, b, t, envDecay(0, 8, 80, 40, 240), 0x100);
}

xm::Instrument mallet(const std::string& name, double decay) {
    // Modal bar: fundamental with the fourth and tenth partials of a tuned bar.
    xm::Tuning t = xm::tuningFor(22050.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(decay * 5.0 * rate));
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double v = std::sin(kTwoPi * kC4Hz * tm) * expDecay(tm, decay) +
                   0.35 * std::sin(kTwoPi * kC4Hz * 4.0 * tm) * expDecay(tm, decay * 0.25) +
                   0.12 * std::sin(kTwoPi * kC4Hz * 9.9 * tm) * expDecay(tm, decay * 0.08);
        b[i] = static_cast<float>(v * std::min(1.0, tm / 0.002));
    }
    fadeOut(b, static_cast<int>(0.05 * rate));
    return makeInstrument(name, b, t, envDecay(0, 10, 50, 32, 150), 0x400);
}

xm::Instrument sweptBass(const std::string& name, double cutoffStart, double cutoffEnd,
                         double sweepTime, double resonance, double seconds) {
    xm::Tuning t = xm::tuningFor(22050.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(seconds * rate));
    Osc saw(Osc::Shape::Saw);
    Osc sq(Osc::Shape::Pulse, 0.5);
    SweepFilter f;
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double cutoff = cutoffEnd + (cutoffStart - cutoffEnd) * expDecay(tm, sweepTime);
        double x = 0.7 * saw.next(kC4Hz, rate) + 0.3 * sq.next(kC4Hz, rate);
        b[i] = f.lowPass(static_cast<float>(x), cutoff, resonance, rate);
    }
    fadeIn(b, static_cast<int>(0.001 * rate));
    fadeOut(b, static_cast<int>(0.05 * rate));
    return makeInstrument(name, b, t, envSustain(0, 20, 44), 0x600);
}

xm::Instrument kick(const std::string& name, double startHz, double endHz, double decay,
                    double click) {
    xm::Tuning t = xm::tuningFor(22050.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>((decay * 4.0 + 0.02) * rate));
    double phase = 0.0;
    Rng rng(0x4B1C);
    Biquad lp = Biquad::lowPass(3000.0, 0.7, rate);
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double hz = endHz + (startHz - endHz) * expDecay(tm, 0.035);
        phase += hz / rate;
        double body = std::sin(kTwoPi * phase) * expDecay(tm, decay);
        double tick = click * lp.process(rng.bipolar()) * expDecay(tm, 0.004);
        b[i] = static_cast<float>(body + tick);
    }
    softClip(b, 1.4);
    fadeOut(b, static_cast<int>(0.02 * rate));
    return makeInstrument(name, b, t, drumEnvelope(40), 0x800);
}

xm::Instrument snare(const std::string& name, double toneHz, double noiseHz, double decay,
                     uint64_t seed) {
    xm::Tuning t = xm::tuningFor(44100.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>((decay * 4.0 + 0.02) * rate));
    Rng rng(seed);
    Biquad hp = Biquad::highPass(noiseHz, 0.7, rate);
    Biquad lp = Biquad::lowPass(9000.0, 0.7, rate);
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double hz = toneHz * (1.0 + 0.5 * expDecay(tm, 0.01));
        double tone = 0.6 * std::sin(kTwoPi * hz * tm) * expDecay(tm, 0.045) +
                      0.3 * std::sin(kTwoPi * hz * 1.7 * tm) * expDecay(tm, 0.03);
        double noise = lp.process(hp.process(rng.bipolar())) * expDecay(tm, decay);
        b[i] = static_cast<float>(tone + 1.1 * noise);
    }
    // Saturation thickens the body so the snare holds its place in a mix.
    normalizePeak(b, 1.0);
    softClip(b, 2.5);
    fadeIn(b, static_cast<int>(0.0005 * rate));
    fadeOut(b, static_cast<int>(0.02 * rate));
    return makeInstrument(name, b, t, drumEnvelope(30), 0x800);
}

xm::Instrument hat(const std::string& name, double decay, double lowCut, uint64_t seed) {
    xm::Tuning t = xm::tuningFor(44100.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>((decay * 5.0 + 0.01) * rate));
    Rng rng(seed);
    // Six detuned square partials give the metallic colour; noise the air.
    const double freqs[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    Osc osc[6] = {Osc(Osc::Shape::Pulse), Osc(Osc::Shape::Pulse), Osc(Osc::Shape::Pulse),
                  Osc(Osc::Shape::Pulse), Osc(Osc::Shape::Pulse), Osc(Osc::Shape::Pulse)};
    Biquad hp1 = Biquad::highPass(lowCut, 0.8, rate);
    Biquad hp2 = Biquad::highPass(lowCut, 0.8, rate);
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double metal = 0.0;
        for (int k = 0; k < 6; ++k)
            metal += osc[k].next(freqs[k] * 8.0, rate);
        double x = 0.12 * metal + 0.8 * rng.bipolar();
        b[i] = static_cast<float>(hp2.process(hp1.process(static_cast<float>(x))) *
                                  expDecay(tm, decay));
    }
    fadeIn(b, static_cast<int>(0.0003 * rate));
    fadeOut(b, static_cast<int>(0.01 * rate));
    int ticks = std::max(6, static_cast<int>(decay * 250));
    return makeInstrument(name, b, t, drumEnvelope(ticks), 0x800);
}

xm::Instrument crash(const std::string& name, double seconds, uint64_t seed) {
    xm::Tuning t = xm::tuningFor(32000.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(seconds * rate));
    Rng rng(seed);
    Biquad hp = Biquad::highPass(3500.0, 0.6, rate);
    Biquad bp = Biquad::bandPass(6500.0, 0.8, rate);
    const double freqs[4] = {431.0, 612.5, 877.3, 1193.0};
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double ring = 0.0;
        for (int k = 0; k < 4; ++k)
            ring += std::sin(kTwoPi * freqs[k] * 4.1 * tm);
        double n = rng.bipolar();
        double x = hp.process(static_cast<float>(n + 0.08 * ring)) + 0.5 * bp.process(n);
        double env = expDecay(tm, seconds * 0.28) * (0.7 + 0.3 * expDecay(tm, 0.05));
        b[i] = static_cast<float>(x * env);
    }
    fadeIn(b, static_cast<int>(0.0005 * rate));
    fadeOut(b, static_cast<int>(0.1 * rate));
    return makeInstrument(name, b, t, envDecay(0, 10, 60, 40, 150), 0x200);
}

xm::Instrument clap(const std::string& name, uint64_t seed) {
    xm::Tuning t = xm::tuningFor(44100.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(0.35 * rate));
    Rng rng(seed);
    Biquad bp = Biquad::bandPass(1300.0, 1.1, rate);
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        // Three quick slaps then the room tail.
        double env = 0.0;
        for (int k = 0; k < 3; ++k) {
            double s = tm - k * 0.011;
            if (s >= 0.0)
                env = std::max(env, expDecay(s, 0.006));
        }
        if (tm >= 0.022)
            env = std::max(env, 0.6 * expDecay(tm - 0.022, 0.07));
        b[i] = static_cast<float>(bp.process(rng.bipolar()) * env);
    }
    fadeOut(b, static_cast<int>(0.02 * rate));
    return makeInstrument(name, b, t, drumEnvelope(20), 0x800);
}

xm::Instrument shaker(const std::string& name, uint64_t seed) {
    xm::Tuning t = xm::tuningFor(44100.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(0.12 * rate));
    Rng rng(seed);
    Biquad bp = Biquad::bandPass(6000.0, 1.5, rate);
    Biquad hp = Biquad::highPass(3000.0, 0.7, rate);
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double env = std::min(1.0, tm / 0.012) * expDecay(std::max(0.0, tm - 0.012), 0.025);
        b[i] = static_cast<float>(hp.process(bp.process(rng.bipolar())) * env);
    }
    fadeOut(b, static_cast<int>(0.01 * rate));
    return makeInstrument(name, b, t, drumEnvelope(8), 0x800);
}

xm::Instrument tom(const std::string& name, double hz, double decay) {
    xm::Tuning t = xm::tuningFor(22050.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(decay * 5.0 * rate));
    double phase = 0.0;
    Rng rng(0x7011);
    Biquad bp = Biquad::bandPass(hz * 3.0, 1.0, rate);
    for (size_t i = 0; i < b.size(); ++i) {
        double tm = i / rate;
        double f = hz * (1.0 + 0.6 * expDecay(tm, 0.03));
        phase += f / rate;
        double v = std::sin(kTwoPi * phase) * expDecay(tm, decay) +
                   0.3 * bp.process(rng.bipolar()) * expDecay(tm, 0.02);
        b[i] = static_cast<float>(v);
    }
    fadeIn(b, static_cast<int>(0.0005 * rate));
    fadeOut(b, static_cast<int>(0.02 * rate));
    return makeInstrument(name, b, t, drumEnvelope(40), 0x800);
}

xm::Instrument riser(const std::string& name, double seconds, uint64_t seed) {
    xm::Tuning t = xm::tuningFor(22050.0);
    const double rate = t.exactRate;
    Buffer b(static_cast<int>(seconds * rate));
    Rng rng(seed);
    SweepFilter f;
    for (size_t i = 0; i < b.size(); ++i) {
        double x = double(i) / b.size();
        double cutoff = 300.0 * std::pow(20.0, x);
        b[i] =
            static_cast<float>(f.lowPass(rng.bipolar(), cutoff, 0.7, rate) * (0.2 + 0.8 * x * x));
    }
    fadeIn(b, static_cast<int>(0.01 * rate));
    fadeOut(b, static_cast<int>(0.02 * rate));
    return makeInstrument(name, b, t, envDecay(0, 150, 180, 40, 200), 0x400);
}

}  // namespace sfx
