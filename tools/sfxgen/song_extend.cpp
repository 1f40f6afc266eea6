// extend: the bright opener that plays on the title screen. D major,
// I-V-vi-IV verses, a IV-V-iii-vi chorus, a pluck arpeggio, a pulse lead
// with an echo and a bell answering it.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track extend() {
    Song song("extend", 12, 125);
    const Key key{51, kMajor};  // D-4
    enum { kKick, kSnare, kHats, kCrash, kBass, kLead, kEcho, kArp, kPad1, kPad2, kPad3, kBell };

    const int kick = song.add(sfx::kick("kick", 150, 48, 0.20, 0.5));
    const int snare = song.add(sfx::snare("snare", 190, 1800, 0.11, 0xE1));
    const int hat = song.add(sfx::hat("closed hat", 0.035, 6500, 0xE2));
    const int openHat = song.add(sfx::hat("open hat", 0.20, 6000, 0xE3));
    const int crash = song.add(sfx::crash("crash", 1.8, 0xE4));
    xm::Instrument bassIns =
        sfx::loopInstrument("bass", {sfx::Wave::Saw, 16, {0}, 7.0, 0.4, 0.0, 22050.0},
                            sfx::envSustain(0, 14, 36), 0x500);
    const int bass = song.add(bassIns);
    xm::Instrument leadIns =
        sfx::loopInstrument("pulse lead", {sfx::Wave::Pulse25, 16, {0}, 14.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(1, 24, 46), 0x300);
    leadIns.vibratoSweep = 30;
    leadIns.vibratoDepth = 3;
    leadIns.vibratoRate = 14;
    const int lead = song.add(sfx::place(leadIns, 112, 64));
    xm::Instrument padIns =
        sfx::loopInstrument("soft pad", {sfx::Wave::Saw, 192, {-1, 0, 1}, 6.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(24, 30, 52), 0x120);
    const int padI = song.add(padIns);
    const int arp = song.add(sfx::place(sfx::pluck("pluck", 0.25, 0.8, 1.2, 0xE5), 150, 64));
    const int bell = song.add(sfx::place(sfx::bell("bell", 3.5, 2.2, 0.7, 2.0), 160, 64));

    const Chord I{0}, ii{1}, iii{2}, IV{3}, V{4}, vi{5};
    const Harmony verse = progression({I, V, vi, IV});
    const Harmony chorus = progression({IV, V, iii, vi});
    const Harmony turn = progression({ii, IV, V, V});
    const Harmony bridge = progression({vi, IV, I, V});

    // Grooves, one bar each.
    const std::string kickBar = "X.......X.x.....";
    const std::string kickPush = "X.....x.X.x...x.";
    const std::string snareBar = "....X.....g.X...";
    const std::string snareFill = "....X.......XxXX";
    const std::string snareRoll = "X.x.X.x.XxXxXXXX";
    const std::string hatBar = "x.o.x.o.x.o.x.O.";
    auto hatKit = kitOf(hat, 34);
    hatKit.push_back({'O', openHat, xm::kC4, 30});

    // Bass: roots in eighths, octave pops, a leading note into each chord.
    const std::string bassBar = "1.1.8.1.1.8.5.1A";
    const std::string bassHalf = "1.......5.....^.";
    // Melody, written against the chord of each bar (1 = its root).
    const std::string m1 = "8.5.6.5.3...2.3.";
    const std::string m1b = "8.5.6.5.3.2.1...";
    const std::string m2 = "5...4.3...2.1...";
    const std::string m3 = "3.......2...1.^.";
    const std::string m4 = "1...2...3...5...";
    const std::string c1 = "1..2..3.5...3...";
    const std::string c2 = "5...4...3...2...";
    const std::string c3 = "1.......^...3.2.";
    const std::string arpBar = "1.5.8.5.3.5.8.5.";
    const std::string arp16 = "1358531513585315";
    const std::string bellBar = "8...............";

    LineStyle bassStyle{-2, 44, 4};
    LineStyle leadStyle{1, 44, 0};
    leadStyle.foldAbove = 3;
    LineStyle chorusStyle = leadStyle;
    chorusStyle.foldAbove = 5;
    LineStyle arpStyle{0, 26, 4};
    LineStyle bellStyle{0, 30, 0};
    const std::vector<int> padChs = {kPad1, kPad2, kPad3};

    auto crashAt0 = [&](xm::Pattern& p) { strike(p, 0, kCrash, xm::kC4, crash, 40); };

    // 0: intro. Kick and hats, bass, the pad, then the arpeggio; snare fill.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, cat({kickBar, kickBar, kickBar, kickPush}), kitOf(kick, 50));
        hits(p, kHats, rep(hatBar, 4), hatKit, 0);
        hits(p, kSnare, cat({rep("................", 3), snareRoll}), kitOf(snare, 40));
        line(p, kBass, bass, key, verse, bassHalf, bassStyle);
        pad(p, padChs, padI, key, verse, 57, 24);
        LineStyle a = arpStyle;
        a.startRow = 32;
        line(p, kArp, arp, key, verse, arpBar, a);
    }
    // The full groove; a crash marks the start of a section.
    auto verseBase = [&](xm::Pattern& p, const Harmony& h, bool fill, bool sectionStart) {
        if (sectionStart)
            crashAt0(p);
        hits(p, kKick, cat({kickBar, kickPush, kickBar, kickPush}), kitOf(kick, 52));
        hits(p, kSnare, cat({snareBar, snareBar, snareBar, fill ? snareFill : snareBar}),
             kitOf(snare, 46));
        hits(p, kHats, hatBar, hatKit);
        line(p, kBass, bass, key, h, bassBar, bassStyle);
    };
    // 1: verse, first phrase.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        verseBase(p, verse, false, true);
        line(p, kLead, lead, key, verse, cat({m1, m1, m2, m3}), leadStyle);
        line(p, kArp, arp, key, verse, arpBar, arpStyle);
        pad(p, padChs, padI, key, verse, 57, 20);
    }
    // 2: verse, answering phrase with the echo.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        verseBase(p, verse, true, false);
        line(p, kLead, lead, key, verse, cat({m1, m1b, m2, m4}), leadStyle);
        echo(p, kLead, kEcho, 3, 0.45);
        line(p, kArp, arp, key, verse, arpBar, arpStyle);
        pad(p, padChs, padI, key, verse, 57, 20);
    }
    // 3: chorus, the bell joins with long notes.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        verseBase(p, chorus, false, true);
        line(p, kLead, lead, key, chorus, rep(c1, 4), chorusStyle);
        echo(p, kLead, kEcho, 3, 0.45);
        line(p, kArp, arp, key, chorus, arp16, arpStyle);
        line(p, kBell, bell, key, chorus, bellBar, bellStyle);
        pad(p, padChs, padI, key, chorus, 58, 22);
    }
    // 4: chorus turnaround onto V, with the fill into the verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        verseBase(p, turn, true, false);
        line(p, kLead, lead, key, turn, cat({c2, c2, c3, m4}), chorusStyle);
        echo(p, kLead, kEcho, 3, 0.45);
        line(p, kArp, arp, key, turn, arp16, arpStyle);
        line(p, kBell, bell, key, turn, bellBar, bellStyle);
        pad(p, padChs, padI, key, turn, 58, 22);
    }
    // 5: break. Drums drop out; bell melody over the pad and a held bass.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kHats, "o.......o.......", hatKit);
        line(p, kBass, bass, key, bridge, bassHalf, bassStyle);
        pad(p, padChs, padI, key, bridge, 57, 28);
        LineStyle b = bellStyle;
        b.octave = 1;
        b.volume = 40;
        line(p, kBell, bell, key, bridge, cat({m1, m2, m1b, m4}), b);
        line(p, kArp, arp, key, bridge, "1...5...8...5...", arpStyle);
    }
    // 6: full verse: lead with the bell a third below, everything in.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        verseBase(p, verse, true, true);
        line(p, kLead, lead, key, verse, cat({m1, m1b, m2, m4}), leadStyle);
        LineStyle harmony = leadStyle;
        harmony.shift = -2;
        harmony.octave = 1;
        harmony.volume = 28;
        line(p, kBell, bell, key, verse, cat({m1, m1b, m2, m4}), harmony);
        echo(p, kLead, kEcho, 3, 0.4);
        line(p, kArp, arp, key, verse, arp16, arpStyle);
        pad(p, padChs, padI, key, verse, 57, 20);
    }
    // 7: build. Bridge chords, snare in eighths rising to a roll.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, "X...X...X...X...", kitOf(kick, 50));
        hits(p, kSnare,
             cat({"o.......o.......", "o...o...o...o...", "x.x.x.x.x.x.x.x.", snareRoll}),
             kitOf(snare, 44));
        hits(p, kHats, hatBar, hatKit);
        line(p, kBass, bass, key, bridge, "1.1.1.1.1.1.1.1A", bassStyle);
        line(p, kArp, arp, key, bridge, arp16, arpStyle);
        pad(p, padChs, padI, key, bridge, 57, 24);
        line(p, kLead, lead, key, bridge, cat({c3, c3, m4, "5.......4...3..."}), leadStyle);
    }
    // 8: closing verse, ends on the tonic and jumps back to the start.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({I, V, IV, I});
        verseBase(p, close, true, true);
        line(p, kLead, lead, key, close, cat({m1, m1b, m3, "1...........^..."}), leadStyle);
        echo(p, kLead, kEcho, 3, 0.45);
        line(p, kArp, arp, key, close, arpBar, arpStyle);
        line(p, kBell, bell, key, close, "8.......5.......", bellStyle);
        pad(p, padChs, padI, key, close, 57, 20);
    }

    song.mix(kick, 0.8);
    song.mix(snare, 1.25);
    song.mix(hat, 1.5);
    song.mix(openHat, 1.5);
    song.mix(bass, 0.7);
    song.setGain(1.26);
    using P = analysis::Part;
    return {"extend.xm",
            song.finish({0, 1, 2, 3, 4, 1, 2, 5, 7, 3, 4, 6, 6, 7, 8}, 9, 10),
            {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Echo, P::Chords, P::Chords,
             P::Chords, P::Chords, P::Counter},
            {}};
}

}  // namespace songs
