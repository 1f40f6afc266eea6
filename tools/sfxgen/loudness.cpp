#include "loudness.h"

#include <algorithm>
#include <cmath>

namespace sfx {

KWeighting::KWeighting(double rate) {
    // The analogue prototypes of the recommendation, turned into digital
    // filters by the bilinear transform at this rate.
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / rate);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf_[0] = (vh + vb * k / q + k * k) / a0;
        shelf_[1] = 2.0 * (k * k - vh) / a0;
        shelf_[2] = (vh - vb * k / q + k * k) / a0;
        shelf_[3] = 2.0 * (k * k - 1.0) / a0;
        shelf_[4] = (1.0 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / rate);
        const double a0 = 1.0 + k / q + k * k;
        highPass_[0] = 1.0;
        highPass_[1] = -2.0;
        highPass_[2] = 1.0;
        highPass_[3] = 2.0 * (k * k - 1.0) / a0;
        highPass_[4] = (1.0 - k / q + k * k) / a0;
    }
}

double lufs(double meanSquare) {
    return meanSquare > 0.0 ? -0.691 + 10.0 * std::log10(meanSquare) : -200.0;
}

LoudnessMeter::LoudnessMeter(double rate, int channels)
    : filters_(channels, KWeighting(rate)),
      hop_(std::max<size_t>(1, static_cast<size_t>(std::lround(0.1 * rate)))) {}

void LoudnessMeter::add(const float* const* channels, size_t n) {
    // A quarter block at a time, each channel through its filter in turn.
    size_t done = 0;
    while (done < n) {
        const size_t run = std::min(n - done, hop_ - filled_);
        for (size_t c = 0; c < filters_.size(); ++c) {
            KWeighting& k = filters_[c];
            const float* x = channels[c] + done;
            double acc = 0.0;
            for (size_t i = 0; i < run; ++i) {
                const double y = k.process(x[i]);
                acc += y * y;
            }
            sum_ += acc;
        }
        done += run;
        filled_ += run;
        if (filled_ == hop_) {
            quarters_.push_back(sum_);
            sum_ = 0.0;
            filled_ = 0;
        }
    }
}

double LoudnessMeter::integrated() const {
    std::vector<double> blocks;
    for (size_t q = 0; q + 4 <= quarters_.size(); ++q)
        blocks.push_back((quarters_[q] + quarters_[q + 1] + quarters_[q + 2] + quarters_[q + 3]) /
                         double(4 * hop_));
    auto gatedMean = [&](double gate) {
        double sum = 0.0;
        int count = 0;
        for (double z : blocks)
            if (lufs(z) > gate) {
                sum += z;
                ++count;
            }
        return count ? sum / count : 0.0;
    };
    const double ungated = gatedMean(-70.0);
    if (ungated <= 0.0)
        return -200.0;
    return lufs(gatedMean(std::max(-70.0, lufs(ungated) - 10.0)));
}

double LoudnessMeter::range() const {
    constexpr size_t kQuarters = 30;  // 3 s
    std::vector<double> windows;
    double run = 0.0;
    for (size_t q = 0; q < quarters_.size(); ++q) {
        run += quarters_[q];
        if (q >= kQuarters)
            run -= quarters_[q - kQuarters];
        if (q + 1 >= kQuarters)
            windows.push_back(std::max(0.0, run) / double(kQuarters * hop_));
    }
    double sum = 0.0;
    int count = 0;
    for (double z : windows)
        if (lufs(z) > -70.0) {
            sum += z;
            ++count;
        }
    if (!count)
        return 0.0;
    const double gate = lufs(sum / count) - 20.0;
    std::vector<double> levels;
    for (double z : windows)
        if (lufs(z) > std::max(-70.0, gate))
            levels.push_back(lufs(z));
    std::sort(levels.begin(), levels.end());
    auto percentile = [&](double p) {
        const size_t at = static_cast<size_t>(std::lround(p * double(levels.size() - 1)));
        return levels[at];
    };
    return percentile(0.95) - percentile(0.10);
}

double integratedLoudness(const std::vector<Buffer>& channels, double rate) {
    if (channels.empty())
        return -200.0;
    LoudnessMeter meter(rate, static_cast<int>(channels.size()));
    std::vector<const float*> ptrs;
    size_t n = channels.front().size();
    for (const Buffer& b : channels) {
        ptrs.push_back(b.data());
        n = std::min(n, b.size());
    }
    meter.add(ptrs.data(), n);
    return meter.integrated();
}

double loudestWindowLoudness(const Buffer& mono, double rate, double seconds) {
    const size_t window = std::max<size_t>(1, static_cast<size_t>(std::lround(seconds * rate)));
    KWeighting k(rate);
    std::vector<double> sq(mono.size());
    for (size_t i = 0; i < mono.size(); ++i) {
        double y = k.process(mono[i]);
        sq[i] = y * y;
    }
    double run = 0.0, best = 0.0;
    for (size_t i = 0; i < sq.size(); ++i) {
        run += sq[i];
        if (i >= window)
            run -= sq[i - window];
        best = std::max(best, run);
    }
    return lufs(best / double(window));
}

double truePeak(const Buffer& b) {
    // Windowed-sinc interpolation at the three points between each pair of
    // samples; 12 samples on each side keep the error far below 0.1 dB.
    constexpr int kSide = 12;
    constexpr int kPhases = 4;
    double taps[kPhases][2 * kSide];
    for (int ph = 1; ph < kPhases; ++ph) {
        double frac = double(ph) / kPhases;
        for (int j = 0; j < 2 * kSide; ++j) {
            double t =
                (j - kSide + 1) - frac;  // distance from the point to sample n + j - kSide + 1
            double sinc = std::sin(kPi * t) / (kPi * t);
            double w = 0.5 + 0.5 * std::cos(kPi * t / (kSide + 1));
            taps[ph][j] = sinc * w;
        }
    }
    double peak = 0.0;
    const int n = static_cast<int>(b.size());
    for (int i = 0; i < n; ++i)
        peak = std::max(peak, std::fabs(double(b[i])));
    for (int i = 0; i < n; ++i) {
        // Between samples a band-limited signal overshoots its neighbours by
        // a few dB at most; where they stay under half the peak so far the
        // interpolation cannot raise it, and is skipped.
        double near = 0.0;
        for (int j = std::max(0, i - 1); j <= std::min(n - 1, i + 2); ++j)
            near = std::max(near, std::fabs(double(b[j])));
        if (near < 0.5 * peak)
            continue;
        for (int ph = 1; ph < kPhases; ++ph) {
            double v = 0.0;
            for (int j = 0; j < 2 * kSide; ++j) {
                int at = i + j - kSide + 1;
                if (at >= 0 && at < n)
                    v += taps[ph][j] * b[at];
            }
            peak = std::max(peak, std::fabs(v));
        }
    }
    return peak;
}

double sideToMid(const Buffer& left, const Buffer& right) {
    double mid = 0.0, side = 0.0;
    const size_t n = std::min(left.size(), right.size());
    for (size_t i = 0; i < n; ++i) {
        double m = 0.5 * (left[i] + right[i]);
        double s = 0.5 * (left[i] - right[i]);
        mid += m * m;
        side += s * s;
    }
    if (side <= 0.0 || mid <= 0.0)
        return -200.0;
    return 10.0 * std::log10(side / mid);
}

}  // namespace sfx
