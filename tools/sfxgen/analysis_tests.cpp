// Tests of the measuring side of the generator: the loudness meter against
// the figures of its recommendation, the module reader, and the score
// reading that finds held clashes and the effects a song uses.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis.h"
#include "instruments.h"
#include "loudness.h"
#include "xm.h"

namespace {

using analysis::Part;
using sfx::Buffer;

Buffer tone(double hz, double amplitude, double seconds, double rate, double phase = 0.0) {
    Buffer b(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<float>(amplitude * std::sin(sfx::kTwoPi * hz * i / rate + phase));
    return b;
}

double db(double v) {
    return 20.0 * std::log10(v);
}

// A held tone that sounds until released, and one that dies in a few rows.
xm::Instrument sustained() {
    return sfx::loopInstrument("held", {sfx::Wave::Saw, 16, {0}, 8.0, 0.0, 0.0, 22050.0},
                               sfx::envSustain(0, 4, 48), 0x200);
}
xm::Instrument shortPluck() {
    xm::Instrument ins = sustained();
    ins.name = "short";
    ins.volume = sfx::envDecay(0, 2, 6, 20, 12);  // silent after 12 ticks: two rows
    return ins;
}

// A module of `rows` rows on the given channels; instrument 1 holds, 2 dies.
xm::Module score(int channels, int rows = 32) {
    xm::Module m;
    m.name = "score";
    m.channels = channels;
    m.patterns.emplace_back(rows, channels);
    m.orders = {0};
    m.instruments = {sustained(), shortPluck()};
    return m;
}

void put(xm::Module& m, int row, int ch, int note, int ins = 1, uint8_t fx = 0, uint8_t param = 0) {
    xm::Cell& c = m.patterns[0].at(row, ch);
    c.note = static_cast<uint8_t>(note);
    c.instrument = static_cast<uint8_t>(ins);
    c.effect = fx;
    c.param = param;
}

constexpr int C4 = 49, Cs2 = 26, C2 = 25, E4 = 53, G4 = 56, Fs3 = 43, G5 = 68;

}  // namespace

// ---- Loudness ------------------------------------------------------------------

TEST(Loudness, KWeightingMatchesTheRecommendationAt48k) {
    sfx::KWeighting k(48000);
    const double shelf[5] = {1.53512485958697, -2.69169618940638, 1.19839281085285,
                             -1.69065929318241, 0.73248077421585};
    const double highPass[5] = {1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(shelf[i], k.shelf()[i], 1e-8) << "shelf " << i;
        EXPECT_NEAR(highPass[i], k.highPass()[i], 1e-8) << "high-pass " << i;
    }
}

TEST(Loudness, FullScaleSineReadsAsTheRecommendationSays) {
    // A 997 Hz sine at full scale in one channel of a stereo pair is -3.01
    // LUFS; in both, 0 LUFS. The meter is rate-independent.
    for (double rate : {44100.0, 48000.0}) {
        const Buffer sine = tone(997, 1.0, 4.0, rate), silence(sine.size(), 0.0f);
        EXPECT_NEAR(-3.01, sfx::integratedLoudness({sine, silence}, rate), 0.05) << rate;
        EXPECT_NEAR(0.0, sfx::integratedLoudness({sine, sine}, rate), 0.05) << rate;
    }
}

TEST(Loudness, GatesLeaveOutSilenceAndQuietStretches) {
    const double rate = 48000;
    const Buffer loud = tone(1000, 0.1, 4.0, rate);
    const double alone = sfx::integratedLoudness({loud}, rate);
    Buffer withSilence = loud;
    withSilence.resize(withSilence.size() * 2, 0.0f);
    EXPECT_NEAR(alone, sfx::integratedLoudness({withSilence}, rate), 0.25);
    Buffer withQuiet = loud;
    const Buffer quiet = tone(1000, 0.001, 4.0, rate);  // 40 dB down
    withQuiet.insert(withQuiet.end(), quiet.begin(), quiet.end());
    EXPECT_NEAR(alone, sfx::integratedLoudness({withQuiet}, rate), 0.25);
    EXPECT_EQ(-200.0, sfx::integratedLoudness({Buffer(rate, 0.0f)}, rate));
    EXPECT_EQ(-200.0, sfx::integratedLoudness({tone(1000, 0.5, 0.3, rate)}, rate))
        << "shorter than one block";
}

TEST(Loudness, RangeSpansTheLoudAndQuietStretchesButNotSilence) {
    const double rate = 48000;
    auto rangeOf = [rate](const Buffer& b) {
        sfx::LoudnessMeter meter(rate, 1);
        const float* ch[1] = {b.data()};
        meter.add(ch, b.size());
        return meter.range();
    };
    const Buffer loud = tone(1000, 0.1, 20.0, rate);
    EXPECT_NEAR(0.0, rangeOf(loud), 0.1) << "a steady tone";
    // 20 s at one level and 20 s 10 dB lower: the percentiles fall in each.
    Buffer twoLevels = loud;
    const Buffer lower = tone(1000, 0.1 / std::sqrt(10.0), 20.0, rate);
    twoLevels.insert(twoLevels.end(), lower.begin(), lower.end());
    EXPECT_NEAR(10.0, rangeOf(twoLevels), 0.3);
    // Silence in between is gated out, not read as a quiet passage.
    Buffer withSilence = loud;
    withSilence.resize(withSilence.size() * 2, 0.0f);
    withSilence.insert(withSilence.end(), loud.begin(), loud.end());
    EXPECT_LT(rangeOf(withSilence), 3.0) << "only the windows across its edges count";
    EXPECT_EQ(0.0, rangeOf(tone(1000, 0.1, 2.0, rate))) << "shorter than one 3 s window";
}

TEST(Loudness, ShortSoundsCountTheRestOfTheWindowAsSilence) {
    const double rate = 44100;
    const double longer = sfx::loudestWindowLoudness(tone(1000, 0.5, 0.5, rate), rate, 0.1);
    const double burst = sfx::loudestWindowLoudness(tone(1000, 0.5, 0.031, rate), rate, 0.1);
    EXPECT_NEAR(10.0 * std::log10(0.031 / 0.1), burst - longer, 0.3);
}

TEST(Loudness, TruePeakFindsPeaksBetweenSamples) {
    // A sine at a quarter of the rate sampled 45 degrees off its crests:
    // every sample is at 0.707, the wave itself reaches 1.
    // (Faded in and out: an abrupt start would itself overshoot.)
    Buffer quarter = tone(12000, 1.0, 0.1, 48000, sfx::kPi / 4);
    sfx::fadeIn(quarter, 480);
    sfx::fadeOut(quarter, 480);
    EXPECT_NEAR(db(0.7071), db(sfx::peakOf(quarter)), 0.01);
    EXPECT_NEAR(0.0, db(sfx::truePeak(quarter)), 0.05);
    const Buffer low = tone(100, 0.5, 0.1, 48000);
    EXPECT_NEAR(db(0.5), db(sfx::truePeak(low)), 0.01);
}

TEST(Loudness, SideToMidMeasuresTheWidth) {
    const Buffer x = tone(300, 0.5, 0.5, 48000);
    Buffer half = x;
    sfx::scale(half, 0.5);
    EXPECT_EQ(-200.0, sfx::sideToMid(x, x)) << "mono";
    EXPECT_NEAR(0.0, sfx::sideToMid(x, Buffer(x.size(), 0.0f)), 0.01) << "one side only";
    EXPECT_NEAR(db(1.0 / 3.0), sfx::sideToMid(x, half), 0.01);
}

// ---- Reading modules back ------------------------------------------------------

TEST(XmReader, ReadsBackWhatTheWriterWrote) {
    xm::Module m = score(4, 16);
    m.orders = {0, 0, 0};
    m.restart = 1;
    put(m, 0, 0, C4, 1, xm::kVibrato, 0x46);
    put(m, 3, 2, xm::kNoteOff, 0);
    m.patterns[0].at(5, 3).volume = 0x30;
    m.instruments[1] = sfx::withPanSway(sfx::withVibrato(m.instruments[1], 5, 24, 40), 12, 200);
    const std::vector<uint8_t> bytes = xm::write(m);
    const xm::Module back = xm::read(bytes);
    EXPECT_EQ(m.name, back.name);
    EXPECT_EQ(m.channels, back.channels);
    EXPECT_EQ(m.orders, back.orders);
    EXPECT_EQ(1, back.restart);
    ASSERT_EQ(1u, back.patterns.size());
    for (size_t i = 0; i < m.patterns[0].cells.size(); ++i) {
        const xm::Cell &a = m.patterns[0].cells[i], &b = back.patterns[0].cells[i];
        EXPECT_TRUE(a.note == b.note && a.instrument == b.instrument && a.volume == b.volume &&
                    a.effect == b.effect && a.param == b.param)
            << "cell " << i;
    }
    ASSERT_EQ(2u, back.instruments.size());
    for (size_t i = 0; i < 2; ++i) {
        const xm::Instrument &a = m.instruments[i], &b = back.instruments[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.sample.data, b.sample.data);
        EXPECT_EQ(a.sample.loop, b.sample.loop);
        EXPECT_EQ(a.sample.loopLength, b.sample.loopLength);
        EXPECT_EQ(a.sample.relativeNote, b.sample.relativeNote);
        EXPECT_EQ(a.sample.finetune, b.sample.finetune);
        EXPECT_EQ(a.volume.sustain, b.volume.sustain);
        ASSERT_EQ(a.volume.points.size(), b.volume.points.size());
        for (size_t k = 0; k < a.volume.points.size(); ++k) {
            EXPECT_EQ(a.volume.points[k].tick, b.volume.points[k].tick);
            EXPECT_EQ(a.volume.points[k].value, b.volume.points[k].value);
        }
        EXPECT_EQ(a.vibratoDepth, b.vibratoDepth);
        EXPECT_EQ(a.vibratoRate, b.vibratoRate);
        EXPECT_EQ(a.vibratoSweep, b.vibratoSweep);
        EXPECT_EQ(a.fadeout, b.fadeout);
        ASSERT_EQ(a.panning.points.size(), b.panning.points.size());
        for (size_t k = 0; k < a.panning.points.size(); ++k) {
            EXPECT_EQ(a.panning.points[k].tick, b.panning.points[k].tick);
            EXPECT_EQ(a.panning.points[k].value, b.panning.points[k].value);
        }
        EXPECT_EQ(a.panning.loopStart, b.panning.loopStart);
        EXPECT_EQ(a.panning.loopEnd, b.panning.loopEnd);
    }
    // The sway goes from one side to the other and loops there, around the
    // channel's own place; an instrument without one keeps its pan still.
    const xm::Envelope& sway = back.instruments[1].panning;
    ASSERT_EQ(4u, sway.points.size());
    EXPECT_EQ(32, sway.points[0].value);
    EXPECT_EQ(20, sway.points[1].value);
    EXPECT_EQ(44, sway.points[2].value);
    EXPECT_EQ(sway.points[1].value, sway.points[3].value) << "the loop joins without a jump";
    EXPECT_EQ(200, sway.points[3].tick - sway.points[1].tick);
    EXPECT_TRUE(back.instruments[0].panning.points.empty());
    EXPECT_EQ(bytes, xm::write(back)) << "a read module writes the same bytes";

    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    EXPECT_THROW(xm::read(cut), std::runtime_error);
    std::vector<uint8_t> notXm = bytes;
    notXm[0] = 'e';
    EXPECT_THROW(xm::read(notXm), std::runtime_error);
}

TEST(XmWriter, RefusesAPanningEnvelopeThatLoopsOutsideItself) {
    xm::Module m = score(2, 16);
    m.instruments[0] = sfx::withPanSway(m.instruments[0], 8, 100);
    EXPECT_NO_THROW(xm::write(m));
    m.instruments[0].panning.loopEnd = 4;
    EXPECT_THROW(xm::write(m), std::runtime_error);
    m.instruments[0].panning.loopEnd = 3;
    m.instruments[0].panning.points[2].tick = m.instruments[0].panning.points[1].tick;
    EXPECT_THROW(xm::write(m), std::runtime_error);
}

TEST(XmWriter, RestartPositionMustBeInsideTheSong) {
    xm::Module m = score(2, 4);
    m.restart = 1;
    EXPECT_THROW(xm::write(m), std::runtime_error);
    m.orders = {0, 0};
    EXPECT_EQ(1, xm::read(xm::write(m)).restart);
}

// ---- Reading the score ----------------------------------------------------------

TEST(Score, NotesSoundUntilReleasedCutOrDiedAway) {
    EXPECT_EQ(-1, analysis::ringTicks(sustained(), C4, 125)) << "held until released";
    const int dies = analysis::ringTicks(shortPluck(), C4, 125);
    EXPECT_GT(dies, 2);
    EXPECT_LE(dies, 12);

    xm::Module m = score(3);
    const std::vector<Part> parts = {Part::Lead, Part::Chords, Part::Kick};
    put(m, 0, 0, C4);
    put(m, 4, 0, E4);               // the next note ends the first
    put(m, 8, 0, xm::kNoteOff, 0);  // a key-off ends the second
    put(m, 10, 1, G4, 2);           // dies after about two rows
    put(m, 12, 1, G5, 1);
    put(m, 12, 1, G5, 1, xm::kExtended, 0xC3);  // note cut during the row
    put(m, 0, 2, C4);                           // drums are not part of the harmony
    std::vector<analysis::Sounding> notes = analysis::soundingNotes(m, parts);
    ASSERT_EQ(4u, notes.size());
    EXPECT_EQ(C4, notes[0].note);
    EXPECT_EQ(4, notes[0].end);
    EXPECT_EQ(8, notes[1].end);
    EXPECT_EQ(G4, notes[2].note);
    EXPECT_LE(notes[2].end, 12);
    EXPECT_EQ(13, notes[3].end);

    // A slide keeps the sound going at the new pitch; an arpeggio adds its notes.
    xm::Module glide = score(1);
    put(glide, 0, 0, C4);
    put(glide, 4, 0, E4, 0, xm::kTonePorta, 0x10);
    put(glide, 8, 0, C4, 1, xm::kArpeggio, 0x47);
    for (int row = 9; row < 12; ++row)
        glide.patterns[0].at(row, 0) = {0, 0, 0, xm::kArpeggio, 0x47};
    put(glide, 12, 0, xm::kNoteOff, 0);
    notes = analysis::soundingNotes(glide, {Part::Chords});
    ASSERT_EQ(5u, notes.size());
    EXPECT_EQ(E4, notes[1].note);
    EXPECT_EQ(4, notes[1].start);
    int arpeggioRows = 0;
    for (const analysis::Sounding& s : notes) {
        if (s.note == E4 && s.start == 8) {
            arpeggioRows = s.end - s.start;
        } else if (s.note == G4) {
            EXPECT_EQ(4, s.end - s.start);
        }
    }
    EXPECT_EQ(4, arpeggioRows);
}

TEST(Score, HeldSemitonesAreClashesUnlessShortOrAllowed) {
    const std::vector<Part> parts = {Part::Bass, Part::Chords, Part::Lead};
    auto clashes = [&](const xm::Module& m, std::vector<analysis::Allowance> allowed = {}) {
        return analysis::heldClashes(m, parts, allowed).size();
    };
    // A C#2 in the bass under a held C major chord: a semitone from its root.
    xm::Module m = score(3);
    put(m, 0, 1, C4);
    put(m, 24, 0, Cs2);
    EXPECT_EQ(1u, clashes(m));
    EXPECT_EQ(0u, clashes(m, {{0, 1}})) << "allowed colour";
    put(m, 27, 0, C2);  // a passing note of three rows is fine
    EXPECT_EQ(0u, clashes(m));

    // A flat ninth between the tune and the chord: G5 over F#3.
    xm::Module ninth = score(3);
    put(ninth, 0, 1, Fs3);
    put(ninth, 8, 2, G5);
    put(ninth, 12, 2, xm::kNoteOff, 0);
    EXPECT_EQ(1u, clashes(ninth));
    put(ninth, 11, 2, xm::kNoteOff, 0);
    ninth.patterns[0].at(12, 2) = {};
    EXPECT_EQ(0u, clashes(ninth)) << "three rows";
    // A major seventh between tune and chord is a colour, not a clash.
    xm::Module seventh = score(3);
    put(seventh, 0, 1, C4);
    put(seventh, 0, 2, C4 + 11);
    EXPECT_EQ(0u, clashes(seventh));
    // A note that has died away no longer clashes.
    xm::Module gone = score(3);
    put(gone, 0, 1, Fs3, 2);
    put(gone, 8, 2, G5);
    EXPECT_EQ(0u, clashes(gone));
}

TEST(Score, ClashesRingingOverTheLoopAreCounted) {
    xm::Module m = score(3);
    m.patterns.emplace_back(32, 3);
    m.orders = {0, 1};
    m.restart = 1;
    m.patterns[1].at(28, 0) = {Cs2, 1, 0, 0, 0};  // rings on into the restart
    m.patterns[1].at(0, 1) = {C4, 1, 0, 0, 0};
    const auto found = analysis::heldClashes(m, {Part::Bass, Part::Chords, Part::Lead}, {});
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ(1, found[0].position);
    EXPECT_EQ(28, found[0].row);
}

TEST(Score, EffectKindsNameTheExpressionNotTheStructure) {
    xm::Module m = score(2);
    m.patterns[0].at(0, 0) = {0, 0, 0, xm::kSetSpeed, 0x70};
    m.patterns[0].at(1, 0) = {C4, 1, 0, xm::kArpeggio, 0x00};  // no arpeggio
    m.patterns[0].at(31, 0) = {0, 0, 0, xm::kPositionJump, 0};
    EXPECT_TRUE(analysis::effectKinds(m).empty());
    m.patterns[0].at(2, 1) = {C4, 1, 0, xm::kArpeggio, 0x37};
    m.patterns[0].at(3, 1) = {0, 0, 0xB4, xm::kExtended, 0x93};  // vibrato column, retrigger
    m.patterns[0].at(4, 1) = {0, 0, 0, 0x08, 0x40};
    m.patterns[0].at(5, 1) = {G4, 1, 0, xm::kTonePorta, 0x08};
    m.patterns[0].at(6, 1) = {0, 0, 0, xm::kVolSlide, 0x04};
    EXPECT_EQ((std::vector<std::string>{"arpeggio", "tone portamento", "vibrato", "panning",
                                        "volume slide", "retrigger"}),
              analysis::effectKinds(m));
}

TEST(Score, TextureReadsTheTunesBarRhythmsAndHowFullTheBarsAre) {
    // Four bars on four channels: the tune on channel 0, a held pad on 1,
    // short hits on 2 and 3.
    xm::Module m = score(4, 64);
    const std::string bars[4] = {"x..x..x.x...x...", "x..x..x.....x...", "x...x...x...x...",
                                 "x..x..x.x...x..."};
    for (int bar = 0; bar < 4; ++bar)
        for (int r = 0; r < 16; ++r)
            if (bars[bar][r] == 'x')
                put(m, bar * 16 + r, 0, C4, 2);
    put(m, 0, 1, E4);                // the pad holds through bars 0 and 1 ...
    put(m, 32, 1, xm::kNoteOff, 0);  // ... and stops for the last two
    for (int bar = 0; bar < 2; ++bar) {
        put(m, bar * 16, 2, G4, 2);
        put(m, bar * 16 + 8, 3, G4, 2);
    }
    const analysis::PassRows pass = analysis::passRows(m);
    ASSERT_EQ(64u, pass.struck.size());
    EXPECT_EQ(0b0111u, pass.sounding[0]);
    EXPECT_EQ(0b0001u, pass.sounding[48]) << "only the tune in the last bar";
    const analysis::Texture t = analysis::texture(pass, 0b0001);
    EXPECT_EQ(4, t.bars);
    EXPECT_EQ(4, t.tuneBars);
    EXPECT_EQ(3, t.rhythms) << "bars 0 and 3 share a rhythm";
    EXPECT_DOUBLE_EQ(0.5, t.commonestRhythm);
    // Bars 0, 1 and 3 open 3-3-2; bar 2 is straight quarters.
    EXPECT_DOUBLE_EQ(0.75, t.threeThreeTwo);
    // Bars 0 and 1 have all four channels; 2 and 3 the tune alone.
    EXPECT_DOUBLE_EQ(0.5, t.thinBars);
    EXPECT_DOUBLE_EQ(0.5, t.fullBars);
    const int notes = 5 + 4 + 4 + 5 + 1 + 2 + 2;
    EXPECT_NEAR(notes / analysis::rowTimes(m).back(), t.notesPerSecond, 1e-9);
    // A bar without the tune has no rhythm and is not counted among its bars.
    const analysis::Texture padOnly = analysis::texture(pass, 0b0010);
    EXPECT_EQ(1, padOnly.tuneBars);
    EXPECT_EQ(1, padOnly.rhythms);
}
