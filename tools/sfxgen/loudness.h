// Loudness as the broadcast meters measure it (ITU-R BS.1770): K-weighting,
// gated integrated loudness, short-window loudness and true peak. The
// generator tunes its mixes and effects with these, and the level checks
// measure the finished files with the same code.
#pragma once

#include <vector>

#include "dsp.h"

namespace sfx {

// The K-weighting filter (a high shelf of about +4 dB above 1.7 kHz and a
// high-pass at 38 Hz), designed for any sample rate the way the reference
// meters do; at 48 kHz it gives the coefficients the recommendation lists.
class KWeighting {
  public:
    explicit KWeighting(double rate);
    double process(double x) {
        // Two sections in transposed direct form II.
        const double* a = shelf_;
        double y = a[0] * x + z1_[0];
        z1_[0] = a[1] * x - a[3] * y + z1_[1];
        z1_[1] = a[2] * x - a[4] * y;
        const double* b = highPass_;
        double w = b[0] * y + z2_[0];
        z2_[0] = b[1] * y - b[3] * w + z2_[1];
        z2_[1] = b[2] * y - b[4] * w;
        return w;
    }
    // The two stages' coefficients, {b0, b1, b2, a1, a2} each (a0 = 1).
    const double* shelf() const { return shelf_; }
    const double* highPass() const { return highPass_; }

  private:
    double shelf_[5];
    double highPass_[5];
    double z1_[2] = {0, 0};  // the shelf's state
    double z2_[2] = {0, 0};  // the high-pass's state
};

// Loudness in LUFS from a sum of channel mean squares (-0.691 + 10 log10).
double lufs(double meanSquare);

// Gated integrated loudness measured as the sound arrives: 400 ms blocks
// overlapping by 75 %, an absolute gate at -70 LUFS and a relative gate
// 10 LU under the level of the blocks that pass it. Every channel is
// weighted 1 (mono, or left and right).
class LoudnessMeter {
  public:
    LoudnessMeter(double rate, int channels);
    // `n` frames of every channel (channels[c][0..n-1]).
    void add(const float* const* channels, size_t n);
    // LUFS, or -200 for silence or sound shorter than one block.
    double integrated() const;
    // Loudness range in LU, as EBU Tech 3342 measures it: the spread from
    // the 10th to the 95th percentile of the 3 s loudness taken every
    // 100 ms, after an absolute gate at -70 LUFS and a relative gate 20 LU
    // under the level of the windows that pass it. 0 for under 3 s of sound.
    double range() const;

  private:
    std::vector<KWeighting> filters_;
    size_t hop_;                    // frames in a quarter block (100 ms)
    size_t filled_ = 0;             // frames in the quarter being summed
    double sum_ = 0.0;              // its weighted squares
    std::vector<double> quarters_;  // finished quarters' weighted squares
};

// The same for whole buffers of equal length.
double integratedLoudness(const std::vector<Buffer>& channels, double rate);

// Loudness of the loudest window of `seconds` in a mono sound, K-weighted.
// The mean square is always taken over the whole window, so a sound shorter
// than the window counts the rest of it as silence.
double loudestWindowLoudness(const Buffer& mono, double rate, double seconds = 0.1);

// Highest absolute value of the signal between its samples too (4x
// oversampled), as a linear factor: what a converter will actually output.
double truePeak(const Buffer& b);

// Side-to-mid energy ratio of a stereo pair in dB (-200 for a mono pair):
// how wide the mix is.
double sideToMid(const Buffer& left, const Buffer& right);

}  // namespace sfx
