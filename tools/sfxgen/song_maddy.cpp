// maddy: the bouncy one. F major at 118 BPM with a shuffle (every second
// eighth comes a little late), I-vi-ii-V verses, an organ lead answered by
// a whistle, marimba off-beats and a plucked bass jumping octaves.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

namespace {

// Delays every note on the off-beat eighth (rows 2, 6, 10, 14 of a bar) of
// the given channels by two ticks: the shuffle of the whole song.
void shuffle(xm::Pattern& p, const std::vector<int>& channels) {
    for (int ch : channels)
        for (int row = 2; row < p.rows; row += 4) {
            xm::Cell& c = p.at(row, ch);
            if (c.note && c.note != xm::kNoteOff && !c.effect && !c.param) {
                c.effect = xm::kExtended;
                c.param = 0xD2;
            }
        }
}

}  // namespace

Track maddy() {
    Song song("maddy", 12, 118);
    const Key key{54, kMajor};  // F-4
    enum {
        kKick,
        kSnare,
        kHats,
        kShaker,
        kPerc,
        kBass,
        kLead,
        kWhistle,
        kMarimba,
        kBell,
        kPad1,
        kPad2
    };

    const int kick = song.add(sfx::kick("kick", 140, 52, 0.16, 0.4));
    const int snare = song.add(sfx::snare("snare", 230, 2000, 0.08, 0x51));
    const int hat = song.add(sfx::hat("hat", 0.028, 7500, 0x52));
    const int clap = song.add(sfx::clap("clap", 0x53));
    const int shake = song.add(sfx::shaker("shaker", 0x54));
    const int tom = song.add(sfx::tom("tom", 140, 0.12));
    const int bass = song.add(sfx::pluck("pluck bass", 0.55, 0.5, 1.0, 0x55));
    xm::Instrument organ =
        sfx::loopInstrument("organ", {sfx::Wave::Square, 32, {0}, 10.0, 0.5, 0.25, 22050.0},
                            sfx::envSustain(0, 10, 50), 0x500);
    const int lead = song.add(sfx::place(organ, 100, 64));
    xm::Instrument whistleIns =
        sfx::loopInstrument("whistle", {sfx::Wave::Triangle, 16, {0}, 0.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(3, 10, 52), 0x300);
    whistleIns.vibratoSweep = 12;
    whistleIns.vibratoDepth = 5;
    whistleIns.vibratoRate = 20;
    const int whistle = song.add(sfx::place(whistleIns, 170, 64));
    const int marimba = song.add(sfx::place(sfx::mallet("marimba", 0.25), 150, 64));
    const int bell = song.add(sfx::place(sfx::bell("glock", 4.0, 1.2, 0.5, 1.5), 96, 64));
    const int padI = song.add(
        sfx::loopInstrument("warm pad", {sfx::Wave::Triangle, 192, {-1, 1}, 0.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(20, 20, 50), 0x100));

    const Chord I{0}, ii{1}, iii{2}, IV{3}, V{4}, vi{5};
    const Harmony verse = progression({I, vi, ii, V});
    const Harmony chorus = progression({IV, V, iii, vi});
    const Harmony turn = progression({ii, V, I, I});
    const Harmony intro = progression({I, vi, ii, V});

    const std::string kickBar = "X.....x.X.......";
    const std::string kickHop = "X.....x.X.....x.";
    const std::string snareBar = "....X..g....X...";
    const std::string snareFill = "....X.......X.XX";
    const std::string clapBar = "............X...";
    const std::string hatBar = "x.o.x.o.x.o.x.o.";
    const std::string shakeBar = "o.x.o.x.o.x.o.x.";
    const std::string tomFill = cat({rep("................", 3), "........h.h.m.l."});
    const std::vector<Hit> tomKit = {
        {'h', tom, xm::kC4 + 7, 42}, {'m', tom, xm::kC4 + 3, 44}, {'l', tom, xm::kC4 - 1, 46}};
    // Bass: root, octave jump, fifth, leading note.
    const std::string bassBar = "1...8.1.5...8.A.";
    const std::string bassWalk = "1...3...5...A...";
    // Organ motif and its answers.
    const std::string m1 = "5.3.5.6.5...3...";
    const std::string m2 = "5.3.5.6.8...5...";
    const std::string m3 = "4.3.2.1.2...3...";
    const std::string m4 = "2.2.3.2.1.......";
    const std::string w1 = "........8...7.5.";
    const std::string w2 = "........5...6.8.";
    const std::string c1 = "1.2.3.5.....3.2.";
    const std::string c2 = "3.......1.2.3...";
    const std::string marBar = "..5...8...5...8.";
    const std::string marRun = "1.3.5.8.5.3.1.3.";

    LineStyle bassStyle{-2, 50, 4};
    LineStyle leadStyle{0, 42, 0};
    LineStyle whistleStyle{0, 36, 0};
    LineStyle marStyle{0, 30, 4};
    LineStyle bellStyle{1, 30, 0};
    const std::vector<int> padChs = {kPad1, kPad2};
    const std::vector<int> swung = {kHats, kShaker, kMarimba, kLead, kWhistle, kBass};

    std::vector<Hit> percKit = kitOf(clap, 34);
    percKit.insert(percKit.end(), tomKit.begin(), tomKit.end());

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill) {
        hits(p, kKick, cat({kickBar, kickHop, kickBar, kickHop}), kitOf(kick, 52));
        hits(p, kSnare, cat({snareBar, snareBar, snareBar, fill ? snareFill : snareBar}),
             kitOf(snare, 40));
        hits(p, kHats, hatBar, kitOf(hat, 30));
        hits(p, kShaker, shakeBar, kitOf(shake, 24));
        hits(p, kPerc, fill ? tomFill : clapBar, percKit);
        line(p, kBass, bass, key, h, bassBar, bassStyle);
    };

    // 0: intro, marimba and shaker over the bass, the kit enters at the end.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kShaker, shakeBar, kitOf(shake, 24));
        line(p, kBass, bass, key, intro, bassWalk, bassStyle);
        line(p, kMarimba, marimba, key, intro, marRun, marStyle);
        hits(p, kKick, cat({rep("................", 3), "X...X...X...X.X."}), kitOf(kick, 48));
        hits(p, kPerc, tomFill, tomKit);
        pad(p, padChs, padI, key, intro, 60, 18);
        shuffle(p, swung);
    }
    // 1: verse, the organ states the motif.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, false);
        line(p, kLead, lead, key, verse, cat({m1, m1, m3, m4}), leadStyle);
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        pad(p, padChs, padI, key, verse, 60, 16);
        shuffle(p, swung);
    }
    // 2: verse again, the whistle answers each phrase.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true);
        line(p, kLead, lead, key, verse, cat({m1, m2, m3, m4}), leadStyle);
        line(p, kWhistle, whistle, key, verse, cat({w1, w2, w1, "........5.4.3.2."}), whistleStyle);
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        pad(p, padChs, padI, key, verse, 60, 16);
        shuffle(p, swung);
    }
    // 3: chorus, whistle on top, organ chords below, glockenspiel sparkle.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, false);
        LineStyle w = whistleStyle;
        w.foldAbove = 5;
        w.octave = 0;
        w.volume = 40;
        line(p, kWhistle, whistle, key, chorus, cat({c1, c2, c1, "5.......3...2..."}), w);
        line(p, kLead, lead, key, chorus, "1.....1.....1...", LineStyle{0, 30, 0});
        line(p, kMarimba, marimba, key, chorus, marRun, marStyle);
        line(p, kBell, bell, key, chorus, "8.......5.......", bellStyle);
        pad(p, padChs, padI, key, chorus, 62, 18);
        shuffle(p, swung);
    }
    // 4: chorus turnaround to the tonic, with the tom fill.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, turn, true);
        LineStyle w = whistleStyle;
        w.octave = 0;
        w.volume = 40;
        line(p, kWhistle, whistle, key, turn, cat({c1, c2, "8.......5...3...", "1.......^......."}),
             w);
        line(p, kLead, lead, key, turn, "1.....1.....1...", LineStyle{0, 30, 0});
        line(p, kMarimba, marimba, key, turn, marRun, marStyle);
        line(p, kBell, bell, key, turn, "8.......5.......", bellStyle);
        pad(p, padChs, padI, key, turn, 62, 18);
        shuffle(p, swung);
    }
    // 5: break, clap and marimba call-and-response, no kick.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kPerc, "....X.......X...", kitOf(clap, 34));
        hits(p, kShaker, shakeBar, kitOf(shake, 22));
        line(p, kBass, bass, key, verse, bassWalk, bassStyle);
        line(p, kMarimba, marimba, key, verse, cat({m1, m2, m3, m4}), LineStyle{1, 38, 0});
        line(p, kBell, bell, key, verse, cat({w1, w2, w1, w2}), bellStyle);
        pad(p, padChs, padI, key, verse, 60, 22);
        shuffle(p, swung);
    }
    // 6: solo, glockenspiel and organ trade bars over the verse chords.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true);
        line(p, kBell, bell, key, verse, cat({m2, "................", m1, "................"}),
             LineStyle{1, 38, 0});
        line(p, kLead, lead, key, verse, cat({"................", m3, "................", m4}),
             leadStyle);
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        pad(p, padChs, padI, key, verse, 60, 16);
        shuffle(p, swung);
    }
    // 7: closing phrase on the tonic, then back to the start.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({ii, V, I, I});
        groove(p, close, true);
        line(p, kLead, lead, key, close, cat({m3, m4, "8.......5.......", "1...........^..."}),
             leadStyle);
        line(p, kWhistle, whistle, key, close,
             cat({w1, w2, "................", "8..............."}), whistleStyle);
        line(p, kMarimba, marimba, key, close, marRun, marStyle);
        pad(p, padChs, padI, key, close, 60, 18);
        shuffle(p, swung);
    }

    song.mix(kick, 0.7);
    song.mix(snare, 1.3);
    song.mix(hat, 1.6);
    song.mix(shake, 1.6);
    song.mix(clap, 1.3);
    song.mix(lead, 0.55);
    song.setGain(1.26);
    using P = analysis::Part;
    return {"maddy.xm",
            song.finish({0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 5, 6, 6, 3, 4, 1, 2, 5, 1, 2, 3, 4, 3, 7}, 8,
                        12),
            {P::Kick, P::Snare, P::Hats, P::Perc, P::Perc, P::Bass, P::Lead, P::Lead, P::Chords,
             P::Counter, P::Chords, P::Chords},
            {}};
}

}  // namespace songs
