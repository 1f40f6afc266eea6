#include "dsp.h"

#include <algorithm>
#include <cmath>

namespace sfx {

uint64_t Rng::next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
}

float Rng::unit() {
    return static_cast<float>((next() >> 40) * (1.0 / 16777216.0));
}

float Rng::bipolar() {
    return unit() * 2.0f - 1.0f;
}

double onePoleCoef(double cutoffHz, double rate) {
    return 1.0 - std::exp(-kTwoPi * cutoffHz / rate);
}

namespace {
struct Rbj {
    double w0, cosw, alpha;
    Rbj(double hz, double q, double rate) {
        w0 = kTwoPi * std::min(hz, rate * 0.49) / rate;
        cosw = std::cos(w0);
        alpha = std::sin(w0) / (2.0 * q);
    }
};
}  // namespace

Biquad Biquad::lowPass(double hz, double q, double rate) {
    Rbj r(hz, q, rate);
    Biquad f;
    double a0 = 1.0 + r.alpha;
    f.b0_ = (1.0 - r.cosw) / 2.0 / a0;
    f.b1_ = (1.0 - r.cosw) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2.0 * r.cosw / a0;
    f.a2_ = (1.0 - r.alpha) / a0;
    return f;
}

Biquad Biquad::highPass(double hz, double q, double rate) {
    Rbj r(hz, q, rate);
    Biquad f;
    double a0 = 1.0 + r.alpha;
    f.b0_ = (1.0 + r.cosw) / 2.0 / a0;
    f.b1_ = -(1.0 + r.cosw) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2.0 * r.cosw / a0;
    f.a2_ = (1.0 - r.alpha) / a0;
    return f;
}

Biquad Biquad::bandPass(double hz, double q, double rate) {
    Rbj r(hz, q, rate);
    Biquad f;
    double a0 = 1.0 + r.alpha;
    f.b0_ = r.alpha / a0;
    f.b1_ = 0.0;
    f.b2_ = -r.alpha / a0;
    f.a1_ = -2.0 * r.cosw / a0;
    f.a2_ = (1.0 - r.alpha) / a0;
    return f;
}

Biquad Biquad::highShelf(double hz, double gainDb, double rate) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = kTwoPi * std::min(hz, rate * 0.49) / rate;
    const double cosw = std::cos(w0);
    const double alpha = std::sin(w0) / 2.0 * std::sqrt(2.0);  // shelf slope 1
    const double sq = 2.0 * std::sqrt(a) * alpha;
    Biquad f;
    double a0 = (a + 1) - (a - 1) * cosw + sq;
    f.b0_ = a * ((a + 1) + (a - 1) * cosw + sq) / a0;
    f.b1_ = -2 * a * ((a - 1) + (a + 1) * cosw) / a0;
    f.b2_ = a * ((a + 1) + (a - 1) * cosw - sq) / a0;
    f.a1_ = 2 * ((a - 1) - (a + 1) * cosw) / a0;
    f.a2_ = ((a + 1) - (a - 1) * cosw - sq) / a0;
    return f;
}

float Biquad::process(float x) {
    double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return static_cast<float>(y);
}

float SweepFilter::lowPass(float x, double cutoffHz, double res, double rate) {
    // Two passes per sample keep the filter stable up to high cutoffs.
    double f = 2.0 * std::sin(kPi * std::min(cutoffHz, rate * 0.2) / (2.0 * rate));
    double q = 2.0 * (1.0 - std::clamp(res, 0.0, 0.95)) + 0.05;
    for (int pass = 0; pass < 2; ++pass) {
        low_ += f * band_;
        double high = x - low_ - q * band_;
        band_ += f * high;
    }
    return static_cast<float>(low_);
}

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

float Osc::next(double hz, double rate) {
    double dt = hz / rate;
    double out = 0.0;
    switch (shape_) {
        case Shape::Sine:
            out = std::sin(kTwoPi * phase_);
            break;
        case Shape::Saw:
            out = 2.0 * phase_ - 1.0 - polyBlep(phase_, dt);
            break;
        case Shape::Pulse:
        case Shape::Triangle: {
            double d = shape_ == Shape::Triangle ? 0.5 : duty_;
            out = phase_ < d ? 1.0 : -1.0;
            out += polyBlep(phase_, dt);
            double t2 = phase_ - d;
            if (t2 < 0.0)
                t2 += 1.0;
            out -= polyBlep(t2, dt);
            if (shape_ == Shape::Triangle) {
                // Leaky integration of the square gives a band-limited triangle.
                tri_ = dt * 4.0 * out + (1.0 - 0.001) * tri_;
                out = tri_;
            }
            break;
        }
    }
    phase_ += dt;
    if (phase_ >= 1.0)
        phase_ -= std::floor(phase_);
    return static_cast<float>(out);
}

double harmonicAmp(Wave wave, int h) {
    switch (wave) {
        case Wave::Sine:
            return h == 1 ? 1.0 : 0.0;
        case Wave::Saw:
            return 1.0 / h;
        case Wave::Square:
            return (h % 2) ? 1.0 / h : 0.0;
        case Wave::Triangle:
            return (h % 2) ? ((h / 2) % 2 ? -1.0 : 1.0) / (double(h) * h) : 0.0;
        case Wave::Pulse25:
            return std::sin(kPi * h * 0.25) / h;
        case Wave::Pulse12:
            return std::sin(kPi * h * 0.125) / h;
    }
    return 0.0;
}

Buffer additiveLoop(int length, const std::vector<LoopVoice>& voices, Wave wave, double brightness,
                    double maxFraction) {
    std::vector<double> acc(length, 0.0);
    for (const LoopVoice& v : voices) {
        int maxH = static_cast<int>(maxFraction * length / v.cycles);
        for (int h = 1; h <= maxH; ++h) {
            double amp = harmonicAmp(wave, h) * v.gain;
            if (brightness > 0.0)
                amp /= std::sqrt(1.0 + std::pow(h / brightness, 4.0));
            if (amp == 0.0)
                continue;
            double step = kTwoPi * h * v.cycles / length;
            double ph = kTwoPi * h * v.phase;
            for (int i = 0; i < length; ++i)
                acc[i] += amp * std::sin(ph + step * i);
        }
    }
    Buffer out(length);
    for (int i = 0; i < length; ++i)
        out[i] = static_cast<float>(acc[i]);
    return out;
}

Buffer pluckedString(double hz, double rate, double seconds, double damping, double brightness,
                     uint64_t seed) {
    const int n = static_cast<int>(seconds * rate);
    const double period = rate / hz;
    // Loop delay = m samples + 0.5 (two-point average) + allpass fraction.
    int m = static_cast<int>(std::floor(period - 0.6));
    double frac = period - 0.5 - m;
    double a = (1.0 - frac) / (1.0 + frac);
    double gain = 1.0 - 0.02 * damping * damping - 0.0005;
    double avg = 0.5 + 0.45 * damping;  // weight of the older sample: darker when higher

    Rng rng(seed);
    const int burst = static_cast<int>(period);
    std::vector<double> exc(burst);
    double lp = 0.0, k = std::clamp(brightness, 0.05, 1.0);
    for (int i = 0; i < burst; ++i) {
        lp += k * (rng.bipolar() - lp);
        exc[i] = lp;
    }
    std::vector<double> y(n, 0.0);
    double vPrev = 0.0, wPrev = 0.0;
    for (int i = 0; i < n; ++i) {
        double v = 0.0;
        if (i - m - 1 >= 0)
            v = gain * ((1.0 - avg) * y[i - m] + avg * y[i - m - 1]);
        double w = a * v + vPrev - a * wPrev;
        vPrev = v;
        wPrev = w;
        y[i] = w + (i < burst ? exc[i] : 0.0);
    }
    Buffer out(n);
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<float>(y[i]);
    removeDc(out, rate);
    return out;
}

Buffer fmTone(double hz, double ratio, double index0, double indexDecay, double ampDecay,
              double rate, double seconds) {
    const int n = static_cast<int>(seconds * rate);
    Buffer out(n);
    for (int i = 0; i < n; ++i) {
        double t = i / rate;
        double index = index0 * expDecay(t, indexDecay);
        double mod = std::sin(kTwoPi * hz * ratio * t);
        out[i] =
            static_cast<float>(std::sin(kTwoPi * hz * t + index * mod) * expDecay(t, ampDecay));
    }
    return out;
}

float peakOf(const Buffer& b) {
    float p = 0.0f;
    for (float v : b)
        p = std::max(p, std::fabs(v));
    return p;
}

double rmsOf(const Buffer& b) {
    if (b.empty())
        return 0.0;
    double s = 0.0;
    for (float v : b)
        s += double(v) * v;
    return std::sqrt(s / b.size());
}

void scale(Buffer& b, double gain) {
    for (float& v : b)
        v = static_cast<float>(v * gain);
}

void normalizePeak(Buffer& b, double peak) {
    float p = peakOf(b);
    if (p > 0.0f)
        scale(b, peak / p);
}

void removeDc(Buffer& b, double rate) {
    Biquad hp = Biquad::highPass(20.0, 0.7071, rate);
    for (float& v : b)
        v = hp.process(v);
}

void fadeIn(Buffer& b, int n) {
    n = std::min<int>(n, b.size());
    for (int i = 0; i < n; ++i)
        b[i] *= static_cast<float>(i) / n;
}

void fadeOut(Buffer& b, int n) {
    int size = static_cast<int>(b.size());
    n = std::min(n, size);
    for (int i = 0; i < n; ++i)
        b[size - 1 - i] *= static_cast<float>(i) / n;
}

void mixInto(Buffer& dst, const Buffer& src, int offset, double gain) {
    for (int i = 0; i < static_cast<int>(src.size()); ++i) {
        int j = offset + i;
        if (j < 0)
            continue;
        if (j >= static_cast<int>(dst.size()))
            break;
        dst[j] += static_cast<float>(src[i] * gain);
    }
}

void softClip(Buffer& b, double drive) {
    const double norm = std::tanh(drive);
    for (float& v : b)
        v = static_cast<float>(std::tanh(v * drive) / norm);
}

double strongestFrequency(const Buffer& b, double rate, double lo, double hi) {
    const size_t n = b.size();
    // No window: a knock's own decay is its window, and a tapered start
    // would hide the strike the ear hears first.
    const Buffer& w = b;
    auto power = [&](double hz) {
        double re = 0.0, im = 0.0;
        const double step = kTwoPi * hz / rate;
        for (size_t i = 0; i < n; ++i) {
            re += w[i] * std::cos(step * double(i));
            im += w[i] * std::sin(step * double(i));
        }
        return re * re + im * im;
    };
    // A coarse look finer than the window's resolution, then twice closer in
    // around the best so far.
    double step = std::max(0.5, rate / double(n) / 8.0);
    double best = lo, bestPower = -1.0;
    double from = lo, to = hi;
    for (int pass = 0; pass < 3; ++pass) {
        for (double hz = from; hz <= to; hz += step) {
            const double p = power(hz);
            if (p > bestPower) {
                bestPower = p;
                best = hz;
            }
        }
        from = std::max(lo, best - 2.0 * step);
        to = std::min(hi, best + 2.0 * step);
        step /= 20.0;
    }
    return best;
}

double centsFromOctaveOf(double hz, double reference) {
    const double cents = 1200.0 * std::log2(hz / reference);
    return cents - 1200.0 * std::round(cents / 1200.0);
}

Buffer repeatAt(const Buffer& b, double rate, const std::vector<double>& seconds) {
    double last = 0.0;
    for (double s : seconds)
        last = std::max(last, s);
    Buffer out(static_cast<size_t>(std::lround(last * rate)) + b.size(), 0.0f);
    for (double s : seconds)
        mixInto(out, b, static_cast<int>(std::lround(s * rate)), 1.0);
    return out;
}

}  // namespace sfx
