// Tests of the signal building blocks, the finer points of the part
// notation and the writers' edge cases, and an Ogg round trip through the
// reference decoder.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "composer.h"
#include "dsp.h"
#include "vorbis_out.h"
#include "xm.h"

namespace {

using sfx::Buffer;

Buffer sine(double hz, double rate, int n) {
    Buffer b(n);
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<float>(std::sin(sfx::kTwoPi * hz * i / rate));
    return b;
}

// RMS after a filter has settled (the first half is skipped).
template <class F>
double settledRms(F&& filter, const Buffer& in) {
    Buffer out(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        out[i] = filter(in[i]);
    Buffer tail(out.begin() + out.size() / 2, out.end());
    return sfx::rmsOf(tail);
}

// Number of upward zero crossings: the cycles of a simple periodic wave.
int upCrossings(const Buffer& b) {
    int n = 0;
    for (size_t i = 1; i < b.size(); ++i)
        if (b[i - 1] < 0.0f && b[i] >= 0.0f)
            ++n;
    return n;
}

}  // namespace

// ---- Filters and oscillators -------------------------------------------------

TEST(Filters, PassAndStopWhereTheyShould) {
    const double rate = 22050;
    const Buffer low = sine(100, rate, 8000), mid = sine(1000, rate, 8000),
                 high = sine(8000, rate, 8000);
    const double full = sfx::rmsOf(low);

    auto lp = [&](const Buffer& in) {
        sfx::Biquad f = sfx::Biquad::lowPass(1000, 0.707, rate);
        return settledRms([&](float x) { return f.process(x); }, in);
    };
    EXPECT_NEAR(full, lp(low), full * 0.05);
    EXPECT_NEAR(full * 0.707, lp(mid), full * 0.05) << "-3 dB at the corner";
    EXPECT_LT(lp(high), full * 0.03);

    auto hp = [&](const Buffer& in) {
        sfx::Biquad f = sfx::Biquad::highPass(1000, 0.707, rate);
        return settledRms([&](float x) { return f.process(x); }, in);
    };
    EXPECT_LT(hp(low), full * 0.02);
    EXPECT_NEAR(full, hp(high), full * 0.05);

    auto bp = [&](const Buffer& in) {
        sfx::Biquad f = sfx::Biquad::bandPass(1000, 2.0, rate);
        return settledRms([&](float x) { return f.process(x); }, in);
    };
    EXPECT_NEAR(full, bp(mid), full * 0.05);
    EXPECT_LT(bp(low), full * 0.1);
    EXPECT_LT(bp(high), full * 0.1);

    auto shelf = [&](const Buffer& in) {
        sfx::Biquad f = sfx::Biquad::highShelf(1500, 4.0, rate);
        return settledRms([&](float x) { return f.process(x); }, in);
    };
    EXPECT_NEAR(full, shelf(low), full * 0.03);
    EXPECT_NEAR(full * std::pow(10.0, 4.0 / 20.0), shelf(high), full * 0.05) << "+4 dB above";

    // The swept filter stays stable and passes the band below its cutoff.
    sfx::SweepFilter sw;
    double swept =
        settledRms([&](float x) { return sw.lowPass(x, 2000, 0.5, rate); }, sine(200, rate, 8000));
    EXPECT_NEAR(full, swept, full * 0.15);
}

TEST(Oscillators, HitTheirFrequencyWithinBounds) {
    const double rate = 44100;
    for (auto shape : {sfx::Osc::Shape::Sine, sfx::Osc::Shape::Saw, sfx::Osc::Shape::Pulse,
                       sfx::Osc::Shape::Triangle}) {
        sfx::Osc osc(shape, 0.5);
        Buffer b(44100);
        for (float& v : b)
            v = osc.next(441.0, rate);
        EXPECT_NEAR(441, upCrossings(b), 2) << "shape " << static_cast<int>(shape);
        EXPECT_LT(sfx::peakOf(b), 1.3f) << "shape " << static_cast<int>(shape);
        double mean = 0;
        for (float v : b)
            mean += v;
        EXPECT_NEAR(0.0, mean / b.size(), 0.02) << "offset, shape " << static_cast<int>(shape);
        EXPECT_GT(sfx::peakOf(b), 0.5f) << "shape " << static_cast<int>(shape);
    }
}

TEST(Oscillators, AdditiveLoopsAreExactAndBandLimited) {
    // 10 cycles in 1000 samples: the loop starts where it ends.
    Buffer saw = sfx::additiveLoop(1000, {{10, 1.0, 0.0}}, sfx::Wave::Saw, 0.0);
    ASSERT_EQ(1000u, saw.size());
    EXPECT_EQ(10, upCrossings(saw) + (saw.back() < 0 && saw.front() >= 0 ? 1 : 0));
    // Nothing above the limit: a 10-cycle loop of 100 samples allows harmonics
    // up to 0.45 * 100 / 10 = 4; a plain sine of those matches.
    Buffer limited = sfx::additiveLoop(100, {{10, 1.0, 0.0}}, sfx::Wave::Square, 0.0);
    Buffer manual(100, 0.0f);
    for (int h : {1, 3})
        for (int i = 0; i < 100; ++i)
            manual[i] += static_cast<float>(std::sin(sfx::kTwoPi * h * 10 * i / 100.0) / h);
    for (int i = 0; i < 100; ++i)
        EXPECT_NEAR(manual[i], limited[i], 1e-4);
    // Harmonic series signs and gaps.
    EXPECT_DOUBLE_EQ(0.0, sfx::harmonicAmp(sfx::Wave::Square, 2));
    EXPECT_LT(sfx::harmonicAmp(sfx::Wave::Triangle, 3), 0.0);
    EXPECT_GT(sfx::harmonicAmp(sfx::Wave::Triangle, 5), 0.0);
    EXPECT_NEAR(0.0, sfx::harmonicAmp(sfx::Wave::Pulse25, 4), 1e-12);
}

TEST(Synthesis, PluckDecaysAndNoiseIsRepeatable) {
    Buffer pluck = sfx::pluckedString(220, 22050, 1.0, 0.3, 0.8, 7);
    Buffer early(pluck.begin() + 1000, pluck.begin() + 3000);
    Buffer late(pluck.end() - 2000, pluck.end());
    EXPECT_LT(sfx::rmsOf(late), sfx::rmsOf(early) * 0.5);
    EXPECT_EQ(pluck, sfx::pluckedString(220, 22050, 1.0, 0.3, 0.8, 7));
    EXPECT_NE(pluck, sfx::pluckedString(220, 22050, 1.0, 0.3, 0.8, 8));

    sfx::Rng a(42), b(42);
    double sum = 0;
    for (int i = 0; i < 10000; ++i) {
        float x = a.bipolar();
        ASSERT_EQ(x, b.bipolar());
        ASSERT_GE(x, -1.0f);
        ASSERT_LT(x, 1.0f);
        sum += x;
    }
    EXPECT_NEAR(0.0, sum / 10000, 0.03);
}

TEST(Synthesis, BufferHelpers) {
    Buffer b(100, 1.0f);
    sfx::fadeIn(b, 10);
    sfx::fadeOut(b, 10);
    EXPECT_EQ(0.0f, b.front());
    EXPECT_EQ(0.0f, b.back());
    EXPECT_EQ(1.0f, b[50]);
    sfx::normalizePeak(b, 0.5);
    EXPECT_FLOAT_EQ(0.5f, sfx::peakOf(b));

    Buffer dst(10, 0.0f);
    sfx::mixInto(dst, Buffer(5, 1.0f), 8, 0.5);  // runs past the end: clipped
    EXPECT_EQ(0.0f, dst[7]);
    EXPECT_EQ(0.5f, dst[8]);
    EXPECT_EQ(0.5f, dst[9]);

    // An offset is gone within a tenth of a second, whatever the rate; the
    // audible range passes.
    for (double rate : {11025.0, 44100.0}) {
        Buffer offset(static_cast<size_t>(rate / 2), 0.5f);
        sfx::removeDc(offset, rate);
        EXPECT_NEAR(0.0f, offset[static_cast<size_t>(rate / 10)], 0.01) << rate;
        EXPECT_NEAR(0.0f, offset.back(), 1e-3) << rate;
        Buffer low = sine(80, rate, static_cast<int>(rate));
        const double before = sfx::rmsOf(low);
        sfx::removeDc(low, rate);
        EXPECT_NEAR(before, sfx::rmsOf(Buffer(low.begin() + low.size() / 2, low.end())),
                    before * 0.05)
            << rate;
    }
}

// ---- Part notation -----------------------------------------------------------

TEST(Notation, ShiftsStartsAccentsAndEchoes) {
    using namespace compose;
    const Key cMajor{49, kMajor};
    const Harmony h = progression({Chord{0}, Chord{3}, Chord{4}, Chord{0}});

    // A harmony a third below the tune stays in the key.
    xm::Pattern p(64, 4);
    LineStyle tune;
    line(p, 0, 1, cMajor, h, "5...", tune);
    LineStyle third = tune;
    third.shift = -2;
    line(p, 1, 1, cMajor, h, "5...", third);
    EXPECT_EQ(56, p.at(0, 0).note);   // G over C
    EXPECT_EQ(53, p.at(0, 1).note);   // E below it
    EXPECT_EQ(61, p.at(16, 0).note);  // C-5, the fifth of F
    EXPECT_EQ(58, p.at(16, 1).note);  // A-4, a third under it

    // Start row and accents: beats louder, the rest softer.
    xm::Pattern q(16, 1);
    LineStyle late;
    late.startRow = 4;
    late.volume = 40;
    late.accent = 6;
    EXPECT_EQ(6, line(q, 0, 2, cMajor, h, "1.", late));
    EXPECT_EQ(0, q.at(0, 0).note);
    EXPECT_EQ(0x10 + 46, q.at(4, 0).volume);
    EXPECT_EQ(0x10 + 34, q.at(6, 0).volume);

    // Tonic-relative lines ignore the chords; 'B' leans down into the next root.
    xm::Pattern r(32, 1);
    LineStyle fixed;
    fixed.chordRelative = false;
    line(r, 0, 1, cMajor, progression({Chord{0}, Chord{3}}), "3.............B.5", fixed);
    EXPECT_EQ(53, r.at(0, 0).note);  // E
    EXPECT_EQ(55, r.at(14, 0).note) << "F# resolving down onto F";
    EXPECT_EQ(56, r.at(16, 0).note);  // G, whatever the chord

    EXPECT_THROW(line(r, 0, 1, cMajor, h, "1?", fixed), std::runtime_error);
    EXPECT_THROW(hits(r, 0, "x?", kitOf(1, 40)), std::runtime_error);

    // Echo: later, softer, same notes and key-offs; nothing past the end.
    xm::Pattern e(16, 2);
    strike(e, 0, 0, 60, 3, 40);
    e.at(2, 0).note = xm::kNoteOff;
    strike(e, 14, 0, 62, 3, 40);
    echo(e, 0, 1, 3, 0.5, 5);
    EXPECT_EQ(60, e.at(3, 1).note);
    EXPECT_EQ(5, e.at(3, 1).instrument);
    EXPECT_EQ(0x10 + 20, e.at(3, 1).volume);
    EXPECT_EQ(xm::kNoteOff, e.at(5, 1).note);
    for (int row = 6; row < 16; ++row)
        EXPECT_EQ(0, e.at(row, 1).note) << row;
}

TEST(Notation, EffectsFindAFreeColumn) {
    xm::Pattern p(4, 3);
    p.at(1, 1).effect = xm::kVibrato;
    p.at(1, 1).param = 0x44;
    EXPECT_TRUE(compose::placeEffect(p, 1, 1, xm::kPositionJump, 0));
    EXPECT_EQ(xm::kVibrato, p.at(1, 1).effect) << "a taken column is left alone";
    EXPECT_EQ(xm::kPositionJump, p.at(1, 2).effect);
    EXPECT_TRUE(compose::placeEffect(p, 1, 1, xm::kSetSpeed, 0x80));
    EXPECT_EQ(xm::kSetSpeed, p.at(1, 0).effect) << "wraps around to the first channel";
    EXPECT_FALSE(compose::placeEffect(p, 1, 0, xm::kSetSpeed, 0x80));
}

// ---- Writers' edge cases -----------------------------------------------------

TEST(XmPacking, EmptyCellsTakeOneByteAndFullCellsFive) {
    xm::Module m;
    m.name = "p";
    m.channels = 2;
    m.patterns.emplace_back(2, 2);
    m.patterns[0].at(1, 1) = {61, 1, 0x40, 0x0F, 0x06};
    m.orders = {0};
    xm::Instrument ins;
    ins.name = "i";
    ins.sample.data = {0, 1};
    ins.volume.points = {{0, 64}};
    ins.fadeout = 0x123;
    ins.vibratoType = 1;
    ins.vibratoSweep = 2;
    ins.vibratoDepth = 3;
    ins.vibratoRate = 4;
    m.instruments.push_back(ins);
    std::vector<uint8_t> b = xm::write(m);
    const size_t pat = 336;
    EXPECT_EQ(3 + 5, b[pat + 7] | (b[pat + 8] << 8)) << "three empty cells, one full";
    EXPECT_EQ(0x80, b[pat + 9]);
    EXPECT_EQ(61, b[pat + 12]) << "a full cell is stored without a pack byte";
    const size_t ins0 = pat + 9 + 8;
    EXPECT_EQ(1, b[ins0 + 235]);
    EXPECT_EQ(2, b[ins0 + 236]);
    EXPECT_EQ(3, b[ins0 + 237]);
    EXPECT_EQ(4, b[ins0 + 238]);
    EXPECT_EQ(0x123, b[ins0 + 239] | (b[ins0 + 240] << 8));
    EXPECT_EQ(0, b[ins0 + 263 + 14] & 3) << "a sample without loop";

    m.instruments[0].sample.loop = true;
    m.instruments[0].sample.loopStart = 1;
    m.instruments[0].sample.loopLength = 2;  // past the end
    EXPECT_THROW(xm::write(m), std::runtime_error);
}

TEST(OggVorbis, DecodesBackToTheSameSound) {
    const int rate = 44100, n = 20000;
    Buffer tone = sine(440, rate, n);
    sfx::scale(tone, 0.5);
    std::vector<uint8_t> ogg = sfx::encodeOggVorbis(tone, rate, 0.5f, 7, "tone");

    ov_callbacks cb = OV_CALLBACKS_NOCLOSE;
    cb.read_func = [](void* ptr, size_t size, size_t count, void* src) -> size_t {
        auto* s = static_cast<std::pair<const std::vector<uint8_t>*, size_t>*>(src);
        size_t want = std::min(size * count, s->first->size() - s->second);
        std::memcpy(ptr, s->first->data() + s->second, want);
        s->second += want;
        return want / size;
    };
    cb.seek_func = nullptr;
    cb.tell_func = nullptr;
    std::pair<const std::vector<uint8_t>*, size_t> src{&ogg, 0};
    OggVorbis_File vf;
    ASSERT_EQ(0, ov_open_callbacks(&src, &vf, nullptr, 0, cb));
    EXPECT_EQ(1, ov_info(&vf, -1)->channels);
    EXPECT_EQ(rate, ov_info(&vf, -1)->rate);
    Buffer out;
    int section = 0;
    for (;;) {
        float** pcm = nullptr;
        long got = ov_read_float(&vf, &pcm, 4096, &section);
        if (got <= 0)
            break;
        out.insert(out.end(), pcm[0], pcm[0] + got);
    }
    ov_clear(&vf);
    ASSERT_EQ(static_cast<size_t>(n), out.size()) << "decoders drop the padding";
    EXPECT_NEAR(sfx::rmsOf(tone), sfx::rmsOf(out), 0.01);
    EXPECT_NEAR(upCrossings(tone), upCrossings(out), 2);
}
