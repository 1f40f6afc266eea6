// Tests of the sound generator: the XM and Ogg writers against the formats,
// the tuning of the synthesised instruments, the part notation, and the
// structure of the six songs and effects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "analysis.h"
#include "composer.h"
#include "dsp.h"
#include "effects.h"
#include "instruments.h"
#include "loudness.h"
#include "songs.h"
#include "vorbis_out.h"
#include "xm.h"

namespace {

uint16_t u16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}
uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return u16(b, at) | (u16(b, at + 2) << 16);
}

// Unpacks one stored pattern (header at `at`) back into cells.
std::vector<xm::Cell> unpackPattern(const std::vector<uint8_t>& b, size_t at, int channels,
                                    size_t* next) {
    int rows = u16(b, at + 5);
    size_t size = u16(b, at + 7);
    size_t p = at + 9, end = p + size;
    std::vector<xm::Cell> cells;
    for (int i = 0; i < rows * channels; ++i) {
        xm::Cell c;
        uint8_t f = b.at(p++);
        uint8_t* fields[5] = {&c.note, &c.instrument, &c.volume, &c.effect, &c.param};
        if (f & 0x80) {
            for (int k = 0; k < 5; ++k)
                if (f & (1 << k))
                    *fields[k] = b.at(p++);
        } else {
            c.note = f;
            for (int k = 1; k < 5; ++k)
                *fields[k] = b.at(p++);
        }
        cells.push_back(c);
    }
    EXPECT_EQ(p, end) << "packed data must decode to exactly rows x channels cells";
    *next = end;
    return cells;
}

xm::Instrument tinyInstrument() {
    xm::Instrument ins;
    ins.name = "t";
    ins.sample.data = {0, 1000, -1000, 32767, -32768, 0};
    ins.sample.loop = true;
    ins.sample.loopStart = 1;
    ins.sample.loopLength = 4;
    ins.volume = sfx::envSustain(2, 4, 40);
    return ins;
}

xm::Module tinyModule() {
    xm::Module m;
    m.name = "tiny";
    m.channels = 2;
    m.patterns.emplace_back(4, 2);
    m.patterns[0].at(0, 0) = {49, 1, 0x50, 0, 0};        // note, instrument, volume
    m.patterns[0].at(1, 1) = {60, 1, 0x30, 0x0E, 0xD2};  // all five fields
    m.patterns[0].at(3, 0) = {0, 0, 0, 0x0B, 0};         // effect only
    m.orders = {0, 0};
    m.instruments.push_back(tinyInstrument());
    return m;
}

// Fundamental of a periodic signal by normalised autocorrelation with
// parabolic refinement of the best lag; `rate` is the playback rate.
double pitchOf(const std::vector<int16_t>& s, size_t from, double rate, int minLag, int maxLag) {
    const size_t n = 4096;
    double best = -1.0;
    int bestLag = 0;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) {
        double acc = 0, e1 = 0, e2 = 0;
        for (size_t i = from; i < from + n; ++i) {
            acc += double(s[i]) * s[i + lag];
            e1 += double(s[i]) * s[i];
            e2 += double(s[i + lag]) * s[i + lag];
        }
        r[lag] = acc / std::sqrt(e1 * e2 + 1e-9);
    }
    for (int lag = minLag; lag <= maxLag; ++lag)
        best = std::max(best, r[lag]);
    // The first peak nearly as high as the highest is one period (later
    // peaks are its multiples).
    for (int lag = minLag; lag <= maxLag && !bestLag; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1])
            bestLag = lag;
    double a = r[bestLag - 1], b = r[bestLag], c = r[bestLag + 1];
    double shift = 0.5 * (a - c) / (a - 2 * b + c);
    return rate / (bestLag + shift);
}

double cents(double hz, double ref) {
    return 1200.0 * std::log2(hz / ref);
}

double playbackRate(const xm::Sample& s) {
    return 8363.0 * std::pow(2.0, s.relativeNote / 12.0 + s.finetune / 1536.0);
}

// Ogg pages as (flags, granule, serial, page number).
struct Page {
    int flags;
    int64_t granule;
    uint32_t serial, number;
};
std::vector<Page> oggPages(const std::vector<uint8_t>& b) {
    std::vector<Page> pages;
    size_t p = 0;
    while (p + 27 <= b.size()) {
        EXPECT_EQ(0, std::memcmp(&b[p], "OggS", 4));
        Page pg;
        pg.flags = b[p + 5];
        pg.granule =
            static_cast<int64_t>(u32(b, p + 6)) | (static_cast<int64_t>(u32(b, p + 10)) << 32);
        pg.serial = u32(b, p + 14);
        pg.number = u32(b, p + 18);
        int segs = b[p + 26];
        size_t body = 0;
        for (int i = 0; i < segs; ++i)
            body += b[p + 27 + i];
        pages.push_back(pg);
        p += 27 + segs + body;
    }
    EXPECT_EQ(p, b.size());
    return pages;
}

}  // namespace

// ---- XM writer -------------------------------------------------------------

TEST(XmWriter, HeaderPatternsAndSamplesFollowTheFormat) {
    const xm::Module m = tinyModule();
    const std::vector<uint8_t> b = xm::write(m);
    EXPECT_EQ(0, std::memcmp(b.data(), "Extended Module: ", 17));
    EXPECT_EQ(0x1A, b[37]);
    EXPECT_EQ(0x0104, u16(b, 58));
    EXPECT_EQ(276u, u32(b, 60));
    EXPECT_EQ(2, u16(b, 64));      // song length
    EXPECT_EQ(0, u16(b, 66));      // restart
    EXPECT_EQ(2, u16(b, 68));      // channels
    EXPECT_EQ(1, u16(b, 70));      // patterns
    EXPECT_EQ(1, u16(b, 72));      // instruments
    EXPECT_EQ(1, u16(b, 74) & 1);  // linear frequency table
    EXPECT_EQ(6, u16(b, 76));
    EXPECT_EQ(125, u16(b, 78));

    size_t next = 0;
    std::vector<xm::Cell> cells = unpackPattern(b, 336, 2, &next);
    ASSERT_EQ(m.patterns[0].cells.size(), cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        const xm::Cell& want = m.patterns[0].cells[i];
        EXPECT_EQ(want.note, cells[i].note) << "cell " << i;
        EXPECT_EQ(want.instrument, cells[i].instrument) << "cell " << i;
        EXPECT_EQ(want.volume, cells[i].volume) << "cell " << i;
        EXPECT_EQ(want.effect, cells[i].effect) << "cell " << i;
        EXPECT_EQ(want.param, cells[i].param) << "cell " << i;
    }

    // Instrument header, then the sample header at +263, then the data.
    const size_t ins = next;
    EXPECT_EQ(263u, u32(b, ins));
    EXPECT_EQ(1, u16(b, ins + 27));
    EXPECT_EQ(40u, u32(b, ins + 29));
    EXPECT_EQ(3, b[ins + 225]);      // volume points
    EXPECT_EQ(2, b[ins + 227]);      // sustain point
    EXPECT_EQ(1 | 2, b[ins + 233]);  // envelope on, with sustain
    const size_t sh = ins + 263;
    const xm::Sample& s = m.instruments[0].sample;
    EXPECT_EQ(s.data.size() * 2, u32(b, sh));  // lengths in bytes
    EXPECT_EQ(s.loopStart * 2, u32(b, sh + 4));
    EXPECT_EQ(s.loopLength * 2, u32(b, sh + 8));
    EXPECT_EQ(0x11, b[sh + 14]);  // 16-bit, forward loop
    // Sample data as deltas: the running sum (wrapping at 16 bits) gives it back.
    size_t d = sh + 40;
    int16_t acc = 0;
    for (size_t i = 0; i < s.data.size(); ++i) {
        acc = static_cast<int16_t>(static_cast<uint16_t>(acc) + u16(b, d + 2 * i));
        EXPECT_EQ(s.data[i], acc) << "sample frame " << i;
    }
    EXPECT_EQ(d + 2 * s.data.size(), b.size()) << "nothing may follow the last sample";
}

TEST(XmWriter, RefusesModulesThatBreakTheFormat) {
    xm::Module odd = tinyModule();
    odd.channels = 3;
    for (auto& p : odd.patterns)
        p = xm::Pattern(4, 3);
    EXPECT_THROW(xm::write(odd), std::runtime_error);

    xm::Module badOrder = tinyModule();
    badOrder.orders = {0, 1};
    EXPECT_THROW(xm::write(badOrder), std::runtime_error);

    xm::Module badInstrument = tinyModule();
    badInstrument.patterns[0].at(2, 1).instrument = 2;
    EXPECT_THROW(xm::write(badInstrument), std::runtime_error);

    xm::Module badEnvelope = tinyModule();
    badEnvelope.instruments[0].volume.points = {{3, 64}};
    EXPECT_THROW(xm::write(badEnvelope), std::runtime_error);
}

TEST(XmTuning, PairsMatchTheReplayerTable) {
    struct Row {
        double rate;
        int rel, fine;
        double exact;
    } rows[] = {{8363, 0, 0, 8363.0},     {11025, 5, -24, 11043.0},  {22050, 17, -24, 22086.0},
                {32000, 23, 32, 32033.7}, {44100, 29, -24, 44172.1}, {48000, 30, 32, 47996.4}};
    for (const Row& r : rows) {
        xm::Tuning t = xm::tuningFor(r.rate);
        EXPECT_EQ(r.rel, t.relativeNote) << r.rate;
        EXPECT_EQ(r.fine, t.finetune) << r.rate;
        EXPECT_EQ(0, t.finetune % 8) << "every replayer honours multiples of 8 alike";
        EXPECT_NEAR(r.exact, t.exactRate, 0.1) << r.rate;
    }
}

// ---- Instruments -----------------------------------------------------------

TEST(Instruments, PitchedInstrumentsSoundAtC4) {
    const double c4 = 261.6255653;
    std::vector<xm::Instrument> pitched = {
        sfx::loopInstrument("saw", {sfx::Wave::Saw, 16, {0}, 8.0, 0.3, 0.0, 22050.0},
                            sfx::envSustain(0, 4, 40), 0x100),
        sfx::loopInstrument("pulse", {sfx::Wave::Pulse25, 16, {0}, 0.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(0, 4, 40), 0x100),
        sfx::loopInstrument("pad", {sfx::Wave::Saw, 192, {-1, 0, 1}, 6.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(0, 4, 40), 0x100),
        sfx::pluck("pluck", 0.3, 0.8, 0.6, 1),
        sfx::keys("keys", 0.6, 2),
        sfx::mallet("mallet", 0.3),
        sfx::sweptBass("bass", 2000, 400, 0.05, 0.5, 0.6),
    };
    for (const xm::Instrument& ins : pitched) {
        const double rate = playbackRate(ins.sample);
        std::vector<int16_t> s = ins.sample.data;
        // A looped sample is heard repeating: measure it that way.
        while (ins.sample.loop && s.size() < 8000)
            s.insert(s.end(), ins.sample.data.begin() + ins.sample.loopStart,
                     ins.sample.data.end());
        ASSERT_GT(s.size(), 5000u) << ins.name;
        double hz = pitchOf(s, 600, rate, 40, 200);
        EXPECT_NEAR(0.0, cents(hz, c4), 5.0) << ins.name << " plays " << hz << " Hz at C-4";
    }
}

TEST(Instruments, LoopsAreSeamlessAndEveryInstrumentHasAnEnvelope) {
    xm::Instrument lead =
        sfx::loopInstrument("lead", {sfx::Wave::Square, 16, {0}, 10.0, 0.0, 0.2, 22050.0},
                            sfx::envSustain(1, 8, 40), 0x200);
    ASSERT_TRUE(lead.sample.loop);
    EXPECT_EQ(lead.sample.data.size(), lead.sample.loopStart + lead.sample.loopLength);
    // Across the loop point the wave steps no more than it does inside the loop.
    const auto& d = lead.sample.data;
    int maxStep = 0;
    for (size_t i = 1; i < d.size(); ++i)
        maxStep = std::max(maxStep, std::abs(d[i] - d[i - 1]));
    EXPECT_LE(std::abs(d.front() - d.back()), maxStep);

    std::vector<xm::Instrument> all = {lead,
                                       sfx::kick("k", 150, 50, 0.2, 0.5),
                                       sfx::snare("s", 200, 2000, 0.1, 1),
                                       sfx::hat("h", 0.03, 7000, 2),
                                       sfx::crash("c", 1.0, 3),
                                       sfx::clap("cl", 4),
                                       sfx::shaker("sh", 5),
                                       sfx::tom("t", 100, 0.2),
                                       sfx::riser("r", 1.0, 6),
                                       sfx::bell("b", 3.5, 2.0, 0.5, 1.0)};
    for (const xm::Instrument& ins : all) {
        EXPECT_FALSE(ins.volume.points.empty()) << ins.name;
        EXPECT_EQ(0, ins.volume.points.front().tick) << ins.name;
        int peak = 0;
        for (int16_t v : ins.sample.data)
            peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 20000) << ins.name << " is too quiet to use the 16 bits";
        EXPECT_LE(peak, 32767) << ins.name;
    }
}

// ---- Ogg Vorbis ------------------------------------------------------------

TEST(OggVorbis, LengthIsExactAndOutputRepeats) {
    for (int n : {1, 1367, 1477, 8192}) {
        std::vector<float> pcm(n);
        for (int i = 0; i < n; ++i)
            pcm[i] = 0.3f * std::sin(i * 0.05f);
        std::vector<uint8_t> a = sfx::encodeOggVorbis(pcm, 11025, 0.4f, 1234, "t");
        std::vector<uint8_t> b = sfx::encodeOggVorbis(pcm, 11025, 0.4f, 1234, "t");
        EXPECT_EQ(a, b) << "same input and serial must give the same bytes";
        std::vector<Page> pages = oggPages(a);
        ASSERT_GE(pages.size(), 3u);
        EXPECT_EQ(2, pages.front().flags & 2);
        EXPECT_EQ(4, pages.back().flags & 4);
        EXPECT_EQ(n, pages.back().granule) << "the final granule sets the playing length";
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_EQ(1234u, pages[i].serial);
            EXPECT_EQ(i, pages[i].number);
        }
        EXPECT_EQ(0, pages[0].granule);
        EXPECT_EQ(0, pages[1].granule) << "the header pages carry no audio";
    }
}

// ---- Composition -----------------------------------------------------------

TEST(Composer, NotationGivesChordTonesApproachesAndKeyOffs) {
    using namespace compose;
    const Key dMajor{51, kMajor};
    EXPECT_EQ(51, dMajor.note(0));
    EXPECT_EQ(50, dMajor.note(-1));  // C#-4 below D-4
    EXPECT_EQ(63, dMajor.note(7));
    EXPECT_EQ(46, dMajor.note(-3));

    xm::Pattern p(32, 2);
    Harmony h = progression({Chord{0}, Chord{4}});  // D then A, 16 rows each
    LineStyle st;
    st.foldAbove = 3;
    // Root, third, fifth over D; approach note into A; then over A.
    int n = line(p, 0, 1, dMajor, h, "1...3...5.....A^1...3...5.......", st);
    EXPECT_EQ(7, n);
    EXPECT_EQ(51, p.at(0, 0).note);   // D
    EXPECT_EQ(55, p.at(4, 0).note);   // F#
    EXPECT_EQ(58, p.at(8, 0).note);   // A
    EXPECT_EQ(45, p.at(14, 0).note);  // G#-3, a semitone under the A the line plays next
    EXPECT_EQ(xm::kNoteOff, p.at(15, 0).note);
    EXPECT_EQ(46, p.at(16, 0).note);  // V folds below the tonic
    EXPECT_EQ(50, p.at(20, 0).note);  // C#

    // The major V of a minor key: the third is raised.
    const Key aMinor{58, kMinor};
    xm::Pattern q(16, 1);
    line(q, 0, 1, aMinor, progression({Chord{4, 1}}), "3", LineStyle{});
    EXPECT_EQ(aMinor.note(-3 + 2) + 1, q.at(0, 0).note);  // G# over E major

    // A short text repeats to the end of the pattern.
    xm::Pattern r(16, 1);
    EXPECT_EQ(4, hits(r, 0, "x...", kitOf(3, 40)));
    EXPECT_EQ(3, r.at(12, 0).instrument);
}

TEST(Composer, PadVoicesAreChordTonesMovingSmoothly) {
    using namespace compose;
    const Key cMajor{49, kMajor};
    xm::Pattern p(64, 3);
    Harmony h = progression({Chord{0}, Chord{4}, Chord{5}, Chord{3}});
    pad(p, {0, 1, 2}, 1, cMajor, h, 60, 30);
    const std::set<int> pcs[4] = {{0, 4, 7}, {7, 11, 2}, {9, 0, 4}, {5, 9, 0}};
    for (int bar = 0; bar < 4; ++bar) {
        std::set<int> got;
        for (int v = 0; v < 3; ++v) {
            int note = p.at(bar * 16, v).note;
            ASSERT_GT(note, 0);
            got.insert((note - 49 + 120) % 12);
            if (bar > 0) {
                EXPECT_LE(std::abs(note - p.at((bar - 1) * 16, v).note), 5)
                    << "voice " << v << " leaps into bar " << bar;
            }
        }
        EXPECT_EQ(pcs[bar], got) << "bar " << bar;
    }
}

TEST(Composer, SongFinishChecksStructureAndLoopsBackAfterTheIntro) {
    using namespace compose;
    using P = analysis::Part;
    auto build = [](bool useSecond, std::vector<int> orders, int restart) {
        Song s("t", {P::Lead, P::Chords}, 100);
        int a = s.add(tinyInstrument());
        int b = s.add(tinyInstrument());
        int p0 = s.newPattern(16);
        int p1 = s.newPattern(16);
        strike(s.pattern(p0), 0, 0, 49, a, 40);
        strike(s.pattern(p1), 0, 0, 49, useSecond ? b : a, 40);
        return s.finish(orders, 2, 2, restart);
    };
    EXPECT_THROW(build(false, {0, 1}, 0), std::runtime_error);    // instrument 2 unused
    EXPECT_THROW(build(true, {0, 0}, 0), std::runtime_error);     // pattern 1 never played
    EXPECT_THROW(build(true, {1, 0, 1}, 0), std::runtime_error);  // closing pattern repeats
    EXPECT_THROW(build(true, {0, 1}, 2), std::runtime_error);     // restart past the end
    xm::Module m = build(true, {0, 1}, 1);
    const xm::Cell& tempo = m.patterns[0].at(0, 0);
    EXPECT_EQ(xm::kSetSpeed, tempo.effect) << "the first pattern sets the tempo";
    EXPECT_EQ(100, tempo.param);
    EXPECT_EQ(1, m.restart);
    bool jump = false;
    for (int ch = 0; ch < 2; ++ch) {
        const xm::Cell& c = m.patterns[1].at(15, ch);
        jump = jump || (c.effect == xm::kPositionJump && c.param == 1);
    }
    EXPECT_TRUE(jump) << "the last row of the closing pattern jumps past the intro";
    // The sustaining instrument of channel 0 is released where a pattern
    // does not start a note for it; channel 1 never sustains and stays empty.
    xm::Module held = [] {
        Song s("t", {P::Lead, P::Kick}, 125);
        int a = s.add(tinyInstrument());
        int p0 = s.newPattern(16);
        int p1 = s.newPattern(16);
        strike(s.pattern(p0), 4, 0, 49, a, 40);
        strike(s.pattern(p1), 0, 0, 51, a, 40);
        return s.finish({0, 1}, 2, 1);
    }();
    EXPECT_EQ(xm::kNoteOff, held.patterns[0].at(0, 0).note);
    EXPECT_EQ(51, held.patterns[1].at(0, 0).note);
    EXPECT_EQ(0, held.patterns[0].at(0, 1).note);
}

TEST(Composer, PansAndSwingGoOnEveryNoteAndRow) {
    using namespace compose;
    using P = analysis::Part;
    Song s("t", {P::Kick, P::Chords, P::Lead}, 118);
    int a = s.add(tinyInstrument());
    xm::Pattern& p = s.pattern(s.newPattern(8));
    strike(p, 0, 1, 49, a, 40);
    strike(p, 4, 1, 53, a, 40);
    strike(p, 2, 2, 56, a, 40);
    p.at(6, 2) = {58, 0, 0x30, xm::kTonePorta, 0x20};  // a slide: no new instrument
    s.pan(1, 64);
    s.swing({8, 7, 5, 4});
    xm::Module m = s.finish({0}, 1, 1);
    const xm::Pattern& q = m.patterns[0];
    for (int row : {0, 4}) {
        EXPECT_EQ(0x08, q.at(row, 1).effect) << row;
        EXPECT_EQ(64, q.at(row, 1).param) << row;
    }
    EXPECT_EQ(0, q.at(2, 2).effect) << "an unpanned channel keeps its sample's place";
    const int want[8] = {8, 7, 5, 4, 8, 7, 5, 4};
    for (int row = 0; row < 8; ++row) {
        int speed = 0;
        for (int ch = 0; ch < 3; ++ch)
            if (q.at(row, ch).effect == xm::kSetSpeed && q.at(row, ch).param < 32)
                speed = q.at(row, ch).param;
        EXPECT_EQ(want[row], speed) << "row " << row;
    }
    // Swung rows keep the tempo: a beat lasts the 24 ticks of four plain rows.
    const std::vector<double> t = analysis::rowTimes(m);
    EXPECT_NEAR(24 * 2.5 / 118, t[4] - t[0], 1e-9);
    EXPECT_NEAR(0.625, (t[2] - t[0]) / (t[4] - t[0]), 1e-9);
}

TEST(Composer, ExpressionMarksWriteTrackerEffects) {
    using namespace compose;
    const Key cMajor{49, kMajor};
    const Harmony h = progression({Chord{0}, Chord{5}});  // C, then A minor
    xm::Pattern p(32, 1);
    LineStyle st;
    st.expression = "..~.....>...<...a...../.r..x....";
    st.vibrato = 0x46;
    line(p, 0, 2, cMajor, h, "1.......5.......1.....3.8.......", st);
    EXPECT_EQ(xm::kVibrato, p.at(2, 0).effect);
    EXPECT_EQ(0x46, p.at(2, 0).param);
    EXPECT_EQ(xm::kVolSlide, p.at(8, 0).effect);
    EXPECT_EQ(0x02, p.at(8, 0).param) << "fade";
    EXPECT_EQ(0x20, p.at(12, 0).param) << "swell";
    EXPECT_EQ(xm::kArpeggio, p.at(16, 0).effect);
    EXPECT_EQ(0x37, p.at(16, 0).param) << "A minor from its root: a minor third and a fifth";
    EXPECT_EQ(xm::kTonePorta, p.at(22, 0).effect) << "the C slides to the E";
    EXPECT_EQ(0, p.at(22, 0).instrument) << "a slide does not restart the sound";
    EXPECT_EQ(2, p.at(16, 0).instrument);
    EXPECT_EQ(xm::kExtended, p.at(24, 0).effect);
    EXPECT_EQ(0x93, p.at(24, 0).param) << "retrigger every 3 ticks";
    EXPECT_EQ(0xC3, p.at(27, 0).param) << "cut after 3 ticks";
    EXPECT_THROW(line(p, 0, 2, cMajor, h, "1", LineStyle{.expression = "?"}), std::runtime_error);

    // Vibrato sets in by itself on long notes only.
    xm::Pattern q(16, 1);
    LineStyle held;
    held.vibratoAfter = 2;
    line(q, 0, 1, cMajor, h, "1.......3.5.....", held);
    EXPECT_EQ(0, q.at(1, 0).effect);
    for (int row = 2; row < 8; ++row)
        EXPECT_EQ(xm::kVibrato, q.at(row, 0).effect) << row;
    EXPECT_EQ(0, q.at(9, 0).effect) << "a two-row note stays plain";
    EXPECT_EQ(xm::kVibrato, q.at(13, 0).effect);
}

TEST(Composer, ArpeggioChordsCycleThroughEachChord) {
    using namespace compose;
    const Key cMajor{49, kMajor};
    xm::Pattern p(32, 1);
    arpeggioChords(p, 0, 3, cMajor, progression({Chord{0}, Chord{5}}), "x.......^.......", 0, 30);
    EXPECT_EQ(49, p.at(0, 0).note);
    EXPECT_EQ(0x47, p.at(0, 0).param);
    EXPECT_EQ(0x47, p.at(7, 0).param) << "the arpeggio goes on while the chord holds";
    EXPECT_EQ(xm::kNoteOff, p.at(8, 0).note);
    EXPECT_EQ(0, p.at(9, 0).param);
    EXPECT_EQ(46, p.at(16, 0).note) << "A below the tonic";
    EXPECT_EQ(0x37, p.at(16, 0).param);
}

// ---- The finished songs and effects ----------------------------------------

TEST(Songs, StructureIsWhatTheGameExpectsAndEveryPartIsUsed) {
    struct Want {
        const char* file;
        int channels, positions, patterns, instruments;
    } want[] = {{"extend.xm", 12, 15, 9, 10}, {"level3.xm", 10, 38, 17, 11},
                {"maddy.xm", 12, 24, 8, 12},  {"sad.xm", 8, 22, 11, 7},
                {"spring.xm", 12, 17, 9, 10}, {"trauma.xm", 10, 12, 8, 9}};
    std::vector<songs::Track> tracks = songs::all();
    ASSERT_EQ(6u, tracks.size());
    std::set<uint64_t> distinctSongs;
    for (size_t t = 0; t < tracks.size(); ++t) {
        const xm::Module& m = tracks[t].module;
        SCOPED_TRACE(tracks[t].file);
        EXPECT_EQ(want[t].file, tracks[t].file);
        EXPECT_EQ(want[t].channels, m.channels);
        EXPECT_EQ(want[t].positions, static_cast<int>(m.orders.size()));
        EXPECT_EQ(want[t].patterns, static_cast<int>(m.patterns.size()));
        EXPECT_EQ(want[t].instruments, static_cast<int>(m.instruments.size()));
        std::set<int> patternsPlayed(m.orders.begin(), m.orders.end());
        EXPECT_EQ(m.patterns.size(), patternsPlayed.size());
        std::set<int> instrumentsPlayed;
        int jumps = 0;
        for (size_t pi = 0; pi < m.patterns.size(); ++pi)
            for (const xm::Cell& c : m.patterns[pi].cells) {
                if (c.instrument)
                    instrumentsPlayed.insert(c.instrument);
                if (c.effect == xm::kPositionJump) {
                    ++jumps;
                    EXPECT_EQ(m.orders.back(), pi) << "jump outside the closing pattern";
                }
            }
        EXPECT_EQ(1, jumps);
        EXPECT_EQ(m.instruments.size(), instrumentsPlayed.size());
        for (const xm::Instrument& ins : m.instruments)
            EXPECT_GE(ins.volume.points.size(), 2u);
        // Every bar of every pattern starts or holds some sound: a note,
        // or a note still held from before (no key-off since).
        for (size_t pi = 0; pi < m.patterns.size(); ++pi) {
            const xm::Pattern& p = m.patterns[pi];
            for (int bar = 0; bar < p.rows / 16; ++bar) {
                bool sound = false;
                for (int row = bar * 16; row < bar * 16 + 16 && !sound; ++row)
                    for (int ch = 0; ch < p.channels && !sound; ++ch)
                        sound = p.at(row, ch).note && p.at(row, ch).note != xm::kNoteOff;
                EXPECT_TRUE(sound) << "pattern " << pi << " bar " << bar << " starts no note";
            }
        }
        uint64_t hash = 1469598103934665603ull;  // FNV-1a over the file bytes
        for (uint8_t byte : xm::write(m))
            hash = (hash ^ byte) * 1099511628211ull;
        distinctSongs.insert(hash);
    }
    EXPECT_EQ(6u, distinctSongs.size());
}

TEST(Songs, NoHeldClashesBeyondWhatEachTrackAllows) {
    for (const songs::Track& t : songs::all()) {
        SCOPED_TRACE(t.file);
        ASSERT_EQ(static_cast<size_t>(t.module.channels), t.parts.size());
        for (const analysis::Clash& c : analysis::heldClashes(t.module, t.parts, t.allowed))
            ADD_FAILURE() << c.describe(t.parts);
    }
    // trauma's flat second is there on purpose, and only it is allowed.
    const songs::Track trauma = songs::trauma();
    ASSERT_EQ(1u, trauma.allowed.size());
    EXPECT_FALSE(analysis::heldClashes(trauma.module, trauma.parts, {}).empty());
}

TEST(Songs, LoopsGoOnAfterTheIntroAndUseTheTrackerExpressively) {
    for (const songs::Track& t : songs::all()) {
        SCOPED_TRACE(t.file);
        const xm::Module& m = t.module;
        // The restart skips the intro, which is never heard again.
        ASSERT_GT(m.restart, 0);
        for (size_t pos = m.restart; pos < m.orders.size(); ++pos)
            EXPECT_NE(m.orders[0], m.orders[pos]) << "the intro comes back at " << pos;
        const xm::Pattern& closing = m.patterns[m.orders.back()];
        bool jump = false;
        for (int ch = 0; ch < m.channels; ++ch) {
            const xm::Cell& c = closing.at(closing.rows - 1, ch);
            jump = jump || (c.effect == xm::kPositionJump && c.param == m.restart);
        }
        EXPECT_TRUE(jump);
        EXPECT_GE(analysis::effectKinds(m).size(), 3u);
        EXPECT_GT(std::count(t.parts.begin(), t.parts.end(), analysis::Part::Lead), 0)
            << "a channel carries the tune";
    }
}

// Music to keep on for an hour: a tune that does not say the same rhythm
// over and over, an arrangement that thins out and builds up, and not too
// many notes at once.
TEST(Songs, TunesVaryTheirRhythmAndTheArrangementBreathes) {
    for (const songs::Track& t : songs::all()) {
        SCOPED_TRACE(t.file);
        const analysis::Texture x = analysis::texture(
            analysis::passRows(t.module), analysis::channelsOf(t.parts, analysis::Part::Lead));
        EXPECT_GE(x.rhythms, 12) << "distinct bar rhythms in the tune";
        EXPECT_LE(x.commonestRhythm, 0.25) << "bars of the tune in its commonest rhythm";
        EXPECT_LE(x.threeThreeTwo, 0.25) << "bars of the tune opening 3-3-2";
        EXPECT_GE(x.thinBars, 0.15) << "bars with half the channels or fewer";
        EXPECT_LE(x.notesPerSecond, 20.0);
        EXPECT_GT(x.tuneBars, x.bars / 2) << "the tune is there most of the time";
    }
}

// Held sounds that live: every looped sound the tune or the chords play
// holds at least 100 ms before it repeats, and is not one waveform cycle
// repeated (detuned voices or moving harmonics change it from cycle to
// cycle); every song moves something across the stereo field by itself.
TEST(Songs, HeldSoundsLiveAndSomethingMovesAcrossTheField) {
    for (const songs::Track& t : songs::all()) {
        SCOPED_TRACE(t.file);
        const xm::Module& m = t.module;
        std::set<int> melodic;
        for (const xm::Pattern& p : m.patterns)
            for (int row = 0; row < p.rows; ++row)
                for (int ch = 0; ch < p.channels; ++ch) {
                    const analysis::Part part = t.parts[ch];
                    const int ins = p.at(row, ch).instrument;
                    if (ins && (part == analysis::Part::Lead || part == analysis::Part::Chords))
                        melodic.insert(ins);
                }
        int looped = 0;
        for (int ins : melodic) {
            const xm::Instrument& i = m.instruments.at(ins - 1);
            const xm::Sample& s = i.sample;
            if (!s.loop)
                continue;
            SCOPED_TRACE(i.name);
            ++looped;
            const double rate = 8363.0 * std::pow(2.0, s.relativeNote / 12.0 + s.finetune / 1536.0);
            EXPECT_GE(s.loopLength / rate, 0.1) << "seconds of loop at C-4";
            // The first cycle of C-4 against one halfway through the loop.
            const int period = static_cast<int>(std::lround(rate / 261.63));
            double diff = 0.0, level = 0.0;
            for (int k = 0; k < period; ++k) {
                const double a = s.data[s.loopStart + k];
                const double b = s.data[s.loopStart + s.loopLength / 2 + k];
                diff += (a - b) * (a - b);
                level += a * a;
            }
            EXPECT_GT(diff, 0.05 * level) << "the loop is one cycle repeated";
        }
        EXPECT_GE(looped, 1);
        EXPECT_TRUE(std::any_of(m.instruments.begin(), m.instruments.end(),
                                [](const xm::Instrument& i) { return !i.panning.points.empty(); }));
    }
}

TEST(Songs, GenerationIsDeterministic) {
    EXPECT_EQ(xm::write(songs::trauma().module), xm::write(songs::trauma().module));
    std::vector<sfx::Effect> a = sfx::makeEffects(), b = sfx::makeEffects();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].pcm, b[i].pcm) << a[i].file;
}

TEST(Effects, LengthsFadesPeaksAndLoudness) {
    struct Want {
        const char* file;
        int rate;
        int samples;
    } want[] = {{"bidip.ogg", 44100, 44100},  {"blip1.ogg", 44100, 1367},
                {"boingg.ogg", 11025, 8192},  {"clicker.ogg", 11025, 3021},
                {"keyclik.ogg", 11025, 1477}, {"bhump.ogg", 11025, 8192}};
    std::vector<sfx::Effect> fx = sfx::makeEffects();
    ASSERT_EQ(6u, fx.size());
    for (size_t i = 0; i < fx.size(); ++i) {
        SCOPED_TRACE(fx[i].file);
        EXPECT_EQ(want[i].file, fx[i].file);
        EXPECT_EQ(want[i].rate, fx[i].rate);
        EXPECT_EQ(want[i].samples, static_cast<int>(fx[i].pcm.size()));
        EXPECT_LE(sfx::truePeak(fx[i].pcm), sfx::kEffectPeak + 1e-6);
        EXPECT_NEAR(0.0f, fx[i].pcm.front(), 1e-3) << "starts with a click";
        EXPECT_NEAR(0.0f, fx[i].pcm.back(), 1e-3) << "ends with a click";
        // Every effect as loud as the others, the short line-clear blip too.
        EXPECT_NEAR(sfx::kEffectLoudness, sfx::loudestWindowLoudness(fx[i].pcm, fx[i].rate, 0.1),
                    0.5);
        // No offset anywhere, also not one that fades away with the sound:
        // what passes a steep 10 Hz low-pass stays 30 dB under the peak.
        sfx::Biquad lp1 = sfx::Biquad::lowPass(10, 0.7071, fx[i].rate);
        sfx::Biquad lp2 = sfx::Biquad::lowPass(10, 0.7071, fx[i].rate);
        float drift = 0.0f;
        for (float v : fx[i].pcm)
            drift = std::max(drift, std::fabs(lp2.process(lp1.process(v))));
        EXPECT_LT(drift, sfx::peakOf(fx[i].pcm) * 0.03f) << "offset";
    }
}

namespace {

// Level (dB) of the strongest component near `hz` in a stretch of sound.
double levelAt(const sfx::Buffer& b, size_t from, size_t to, double hz, double rate) {
    double best = 0.0;
    for (double f = hz * 0.97; f <= hz * 1.03; f += hz * 0.005) {
        double re = 0, im = 0;
        for (size_t i = from; i < to; ++i) {
            re += b[i] * std::cos(sfx::kTwoPi * f * i / rate);
            im += b[i] * std::sin(sfx::kTwoPi * f * i / rate);
        }
        best = std::max(best, std::hypot(re, im) / double(to - from));
    }
    return 20 * std::log10(best + 1e-12);
}

// Level (dB) of each 10 ms of a sound.
std::vector<double> envelopeDb(const sfx::Buffer& b, int rate) {
    std::vector<double> out;
    const size_t win = rate / 100;
    for (size_t i = 0; i + win <= b.size(); i += win)
        out.push_back(
            20 * std::log10(sfx::rmsOf(sfx::Buffer(b.begin() + i, b.begin() + i + win)) + 1e-12));
    return out;
}

}  // namespace

TEST(Effects, NewPieceChimeIsGThenItsOctaveAndGetsOutOfTheWay) {
    const sfx::Effect bidip = sfx::makeEffects()[0];
    const double rate = bidip.rate;
    const sfx::Buffer& b = bidip.pcm;
    // The first note is G5; once the second sounds, G6 is on top.
    EXPECT_GT(levelAt(b, 0, 3000, 783.99, rate), levelAt(b, 0, 3000, 987.77, rate) + 20);
    EXPECT_GT(levelAt(b, 5000, 9000, 1567.98, rate), levelAt(b, 5000, 9000, 1318.51, rate) + 20);
    // From 400 ms on, it stays 20 dB under its loudest.
    const std::vector<double> env = envelopeDb(b, bidip.rate);
    const double loudest = *std::max_element(env.begin(), env.end());
    for (size_t k = 40; k < env.size(); ++k)
        EXPECT_LT(env[k], loudest - 20) << "at " << k * 10 << " ms";
}

// Full rows: three strikes rising by octaves, G6, G7, G8, each ringing on
// under the next, so the blip ends on a chord of Gs rather than a tick.
TEST(Effects, LineClearBlipStrikesRisingOctavesOfG) {
    const sfx::Effect blip = sfx::makeEffects()[1];
    const sfx::Buffer& b = blip.pcm;
    const double rate = blip.rate;
    auto part = [&](double from, double to) {
        return sfx::Buffer(b.begin() + static_cast<long>(from * rate),
                           b.begin() + std::min<long>(b.size(), static_cast<long>(to * rate)));
    };
    // The strongest partial of each strike's first moments.
    const double first = sfx::strongestFrequency(part(0.0, 0.008), rate, 1000, 9000);
    const double second = sfx::strongestFrequency(part(0.010, 0.017), rate, 2500, 9000);
    EXPECT_NEAR(1567.98, first, 1567.98 * 0.03);
    EXPECT_NEAR(3135.96, second, 3135.96 * 0.03);
    // At the end all three ring: the top strike is there, and nothing
    // between the octaves is as strong as they are.
    const sfx::Buffer tail = part(0.020, 0.031);
    const double g8 = levelAt(tail, 0, tail.size(), 6271.93, rate);
    const double g7 = levelAt(tail, 0, tail.size(), 3135.96, rate);
    EXPECT_GT(g8, g7 - 12);
    EXPECT_GT(g7, levelAt(tail, 0, tail.size(), 2349.32, rate) + 10) << "D7";
    EXPECT_GT(g7, levelAt(tail, 0, tail.size(), 4434.92, rate) + 10) << "C#8";
    // Tuned to G, in every track's key.
    EXPECT_LT(
        std::fabs(sfx::centsFromOctaveOf(sfx::strongestFrequency(b, rate, 1000, 9000), 1567.98)),
        10.0);
}

// Move, drop, typed letter: the most heard sound. Its knock rings at G6, and
// a held key's repeats as the game plays them (on the press, on the third
// 50 ms keyboard tick, then on every other tick) are no louder than one
// press, where a click on every tick would be.
TEST(Effects, KeyClickIsInTuneAndAHeldKeyIsNoLouderThanOnePress) {
    const sfx::Effect click = sfx::makeEffects()[4];
    const double rate = click.rate;
    const double pitch = sfx::strongestFrequency(click.pcm, rate, 200, 5000);
    EXPECT_LT(std::fabs(1200.0 * std::log2(pitch / 1567.98)), 5.0) << pitch << " Hz";
    const double one = sfx::loudestWindowLoudness(click.pcm, rate, 0.1);
    const sfx::Buffer held = sfx::repeatAt(click.pcm, rate, {0.0, 0.15, 0.25, 0.35, 0.45, 0.55});
    EXPECT_LE(sfx::loudestWindowLoudness(held, rate, 0.1) - one, 1.0);
    const sfx::Buffer everyTick = sfx::repeatAt(click.pcm, rate, {0.0, 0.15, 0.2, 0.25, 0.3});
    EXPECT_GT(sfx::loudestWindowLoudness(everyTick, rate, 0.1) - one, 2.0);
}

TEST(Dsp, StrongestFrequencyAndCentsFindTheHeardPitch) {
    const double rate = 11025;
    sfx::Buffer b(1500);
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / rate;
        // A decaying knock at 1575 Hz over a weaker tone at 900 Hz.
        b[i] = static_cast<float>(std::sin(sfx::kTwoPi * 1575.0 * t) * sfx::expDecay(t, 0.02) +
                                  0.05 * std::sin(sfx::kTwoPi * 900.0 * t));
    }
    const double hz = sfx::strongestFrequency(b, rate, 200, 5000);
    EXPECT_NEAR(1575.0, hz, 0.5);
    EXPECT_NEAR(1200.0 * std::log2(1575.0 / 1567.98), sfx::centsFromOctaveOf(hz, 1567.98), 0.6);
    EXPECT_NEAR(0.0, sfx::centsFromOctaveOf(3135.96, 1567.98), 1e-9) << "octaves are the same";
    EXPECT_NEAR(-100.0, sfx::centsFromOctaveOf(1479.98, 1567.98), 0.1);
    EXPECT_NEAR(900.0, sfx::strongestFrequency(b, rate, 200, 1200), 0.5) << "within the range";
    // Repeats add up where they overlap and the buffer holds the last one.
    const sfx::Buffer twice = sfx::repeatAt(sfx::Buffer(10, 1.0f), 1000, {0.0, 0.005});
    ASSERT_EQ(15u, twice.size());
    EXPECT_EQ(1.0f, twice[0]);
    EXPECT_EQ(2.0f, twice[7]);
    EXPECT_EQ(1.0f, twice[14]);
}
