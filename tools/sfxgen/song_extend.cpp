// extend: the bright opener that plays on the title screen. D major,
// I-V-vi-IV verses whose hook pushes across the beat (3 + 3 + 2) and is
// answered in straighter, longer notes, a IV-V-iii-vi chorus that holds its
// top notes, a chip square lead (two squares a shade apart, beating slowly)
// that sings out louder in the chorus, with a stereo echo, a pluck arpeggio
// on the left and a bell answering on the right. It starts on the pad
// alone, and breaks and builds back up in the middle.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track extend() {
    using P = analysis::Part;
    Song song("extend",
              {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Echo, P::Chords, P::Chords,
               P::Chords, P::Chords, P::Counter},
              125);
    const Key key{51, kMajor};  // D-4
    enum { kKick, kSnare, kHats, kCrash, kBass, kLead, kEcho, kArp, kPad1, kPad2, kPad3, kBell };

    const int kick = song.add(sfx::kick("kick", 150, 48, 0.18, 0.5));
    const int snare = song.add(sfx::snare("snare", 190, 1800, 0.11, 0xE1));
    const int hat = song.add(sfx::hat("closed hat", 0.05, 6500, 0xE2));
    const int openHat = song.add(sfx::place(sfx::hat("open hat", 0.20, 6000, 0xE3), 184, 64));
    const int crash = song.add(sfx::place(sfx::crash("crash", 1.8, 0xE4), 176, 64));
    xm::Instrument bassIns =
        sfx::loopInstrument("bass", {sfx::Wave::Saw, 16, {0}, 6.0, 0.5, 0.0, 22050.0},
                            sfx::envSustain(0, 14, 36), 0x500);
    const int bass = song.add(bassIns);
    // The lead: a bright chip square that swells in over a tick.
    xm::Instrument leadIns = sfx::withVibrato(
        sfx::loopInstrument("chip lead", {sfx::Wave::Square, 128, {0, 1}, 14.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(1, 24, 50), 0x300),
        2, 24, 50);
    const int lead = song.add(leadIns);
    const int padI = song.add(sfx::withPanSway(
        sfx::loopInstrument("soft pad", {sfx::Wave::Saw, 192, {-1, 0, 1}, 6.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(24, 30, 52), 0x120),
        10, 384));
    const int arp = song.add(sfx::place(sfx::pluck("pluck", 0.25, 0.8, 1.2, 0xE5), 72, 64));
    const int bell = song.add(sfx::place(sfx::bell("bell", 3.5, 2.2, 0.7, 2.0), 176, 64));

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
    const std::string hatBar = "x.x.x.x.x.xox.O.";
    auto hatKit = kitOf(hat, 48);
    hatKit.push_back({'O', openHat, xm::kC4, 36});
    // The snare's last hits of a fill roll on themselves (retriggered).
    LineStyle rollStyle;
    rollStyle.expression = "............rrrr";
    rollStyle.retrigger = 3;

    // Bass: roots in eighths with octave pops, a leading note into each
    // chord lasting one sixteenth; in the chorus it pushes with the hook.
    const std::string bassBar = "1.1.8.1.1.8.5.1A";
    const std::string bassPush = "1..1..8.1.1.5.1A";
    const std::string bassHalf = "1.......5.....^.";

    // The tune, against the key (1 = D): a hook that lands across the
    // beat, its answer, and a chorus that climbs and holds.
    const std::string v1 = "5..3..5.6.5.3.2.";
    const std::string v2 = "2...a.2.3...a...";
    const std::string v3 = "3.2.3...5...2.1.";
    const std::string v4 = "b.....1.2.......";
    const std::string v2b = "2.a.2...3.5.....";
    const std::string v3b = "6...5.6.8...6.5.";
    const std::string v4b = "4...3...2.......";
    const std::string c1 = "8.......7.8.6.5.";
    const std::string c2 = "7...7.6.7...5...";
    const std::string c3 = "5.5.3...5...7...";
    const std::string c4 = "6...5...6.8.6...";
    const std::string t1 = "6.......5.6.2...";
    const std::string t2 = "4..4..3.4...6...";
    const std::string t3 = "5...7.5.....2...";
    const std::string t4 = "a...2...5.....^.";
    // Slides into the held notes of the chorus.
    const std::string chorusMarks = "......../.......";

    LineStyle bassStyle{-2, 40, 4};
    LineStyle leadStyle{1, 34, 0};
    leadStyle.chordRelative = false;
    leadStyle.vibratoAfter = 3;
    leadStyle.vibrato = 0x43;
    LineStyle chorusStyle = leadStyle;
    chorusStyle.expression = chorusMarks;
    chorusStyle.slide = 0x40;
    chorusStyle.volume = 40;  // the chorus sings out over the verse
    LineStyle arpStyle{0, 26, 4};
    LineStyle bellStyle{1, 26, 0};
    const std::vector<int> padChs = {kPad1, kPad2, kPad3};
    const int padCentre = 55;

    auto crashAt0 = [&](xm::Pattern& p) { strike(p, 0, kCrash, xm::kC4, crash, 34); };
    auto echoLead = [&](xm::Pattern& p) { echo(p, kLead, kEcho, 3, 0.4); };

    // 0: intro. The pad swelling over the bass, then the arpeggio; the
    // kick and hats come in for the last bar with a snare roll into the verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, cat({rep("................", 3), kickPush}), kitOf(kick, 46));
        hits(p, kHats, cat({rep("................", 3), "x.o.x.o.x.o.x.o."}), hatKit, 0);
        hits(p, kSnare, cat({rep("................", 3), snareRoll}), kitOf(snare, 38), 0);
        line(p, kSnare, 0, key, verse, "", rollStyle);
        line(p, kBass, bass, key, verse, bassHalf, bassStyle);
        pad(p, padChs, padI, key, verse, padCentre, 11);
        LineStyle a = arpStyle;
        a.startRow = 32;
        line(p, kArp, arp, key, verse, "1.5.8.5.3.5.8.5.", a);
        // The bell calls the tune's first notes over the intro's last bar.
        line(p, kBell, bell, key, verse, cat({rep("................", 3), "........5..3..5."}),
             LineStyle{1, 34, 0, false});
    }
    // The full groove; a crash marks the start of a section.
    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill, bool sectionStart,
                      const std::string& bassLine) {
        if (sectionStart)
            crashAt0(p);
        hits(p, kKick, cat({kickBar, kickPush, kickBar, kickPush}), kitOf(kick, 48));
        hits(p, kSnare, cat({snareBar, snareBar, snareBar, fill ? snareFill : snareBar}),
             kitOf(snare, 40));
        if (fill) {
            LineStyle roll = rollStyle;
            roll.startRow = 48;
            line(p, kSnare, 0, key, h, "", roll);
        }
        hits(p, kHats, hatBar, hatKit);
        line(p, kBass, bass, key, h, bassLine, bassStyle);
    };
    // 1: verse, the hook and its question.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, false, true, bassBar);
        line(p, kLead, lead, key, verse, cat({v1, v2, v3, v4}), leadStyle);
        line(p, kArp, arp, key, verse, "1...5.8.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, verse, padCentre, 18);
    }
    // 2: verse, the answer.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true, false, bassBar);
        line(p, kLead, lead, key, verse, cat({v1, v2b, v3b, v4b}), leadStyle);
        line(p, kArp, arp, key, verse, "1...5.8.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, verse, padCentre, 18);
    }
    // 3: chorus; the bell rings each chord's fifth, the arpeggio runs.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, false, true, bassPush);
        line(p, kLead, lead, key, chorus, cat({c1, c2, c3, c4}), chorusStyle);
        echoLead(p);
        line(p, kArp, arp, key, chorus, "1.3.5.8.5.3.5.3.", arpStyle);
        line(p, kBell, bell, key, chorus, "5...............", bellStyle);
        pad(p, padChs, padI, key, chorus, padCentre, 20);
    }
    // 4: chorus turnaround onto V, with the fill into the verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, turn, true, false, bassPush);
        line(p, kLead, lead, key, turn, cat({t1, t2, t3, t4}), chorusStyle);
        echoLead(p);
        line(p, kArp, arp, key, turn, "1.3.5.8.5.3.5.3.", arpStyle);
        line(p, kBell, bell, key, turn, "5...............", bellStyle);
        pad(p, padChs, padI, key, turn, padCentre, 20);
    }
    // 5: break. Drums and bass drop out; the bell takes the tune over the
    // pad, the pluck plays the chords as a tracker arpeggio, the pad fades
    // at the end.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        pad(p, padChs, padI, key, bridge, padCentre, 14);
        for (int ch : padChs)
            line(p, ch, 0, key, bridge, "",
                 LineStyle{.startRow = 58, .expression = ">", .fade = 0x01});
        LineStyle b{1, 28, 0, false};
        line(p, kLead, bell, key, bridge,
             cat({"8.......6.8.X...", "6...5...6.8.....", "5.3.5.6.....3...", "2.......^......."}),
             b);
        echoLead(p);
        arpeggioChords(p, kArp, arp, key, bridge, "x.....x.....x...", 0, 22);
    }
    // 6: full verse: the tune with the bell a third below, everything in.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true, true, bassBar);
        line(p, kLead, lead, key, verse, cat({v1, v2b, v3b, v4b}), leadStyle);
        LineStyle harmony = leadStyle;
        harmony.chordBelow = true;
        harmony.volume = 22;
        harmony.vibratoAfter = 0;
        line(p, kBell, bell, key, verse, cat({v1, v2b, v3b, v4b}), harmony);
        line(p, kArp, arp, key, verse, "1...5.8.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, verse, padCentre, 18);
    }
    // 7: build. Bridge chords, the tune rises in long notes that slide into
    // one another over the kick alone; hats, bass and arpeggio join halfway
    // and the snare climbs to a roll.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const std::string rest = "................";
        hits(p, kKick, cat({rest, "X...X...X...X...", "X...X...X...X...", "X...X...X...X..."}),
             kitOf(kick, 46));
        hits(p, kSnare, cat({rest, rest, "x.x.x.x.x.x.x.x.", snareRoll}), kitOf(snare, 36));
        hits(p, kHats, cat({rest, rest, hatBar, hatBar}), hatKit);
        line(p, kBass, bass, key, bridge, cat({rest, rest, "1.1.1.1.1.1.1.1A", "1.1.1.1.1.1.1.1A"}),
             bassStyle);
        LineStyle late = arpStyle;
        late.startRow = 32;
        line(p, kArp, arp, key, bridge, "1.3.5.8.5.3.5.3.", late);
        pad(p, padChs, padI, key, bridge, padCentre, 16);
        LineStyle rise = leadStyle;
        rise.expression = "........////....";
        line(p, kLead, lead, key, bridge,
             cat({"6.......3.......", "4.......6.......", "5.......8.......", "7.......5...7..."}),
             rise);
        echoLead(p);
    }
    // 8: closing verse, ends on the tonic and goes back to the first verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({I, V, IV, I});
        groove(p, close, true, true, bassBar);
        line(p, kLead, lead, key, close, cat({v1, v2, "6.5.4...6...8...", "8...........^..."}),
             leadStyle);
        echoLead(p);
        line(p, kArp, arp, key, close, "1.5.8.5.3.5.8.5.", arpStyle);
        line(p, kBell, bell, key, close, "5.......1.......", bellStyle);
        pad(p, padChs, padI, key, close, padCentre, 18);
        // The band stops for the last bar: the tonic held over the pad, a
        // breath before the verse comes round again.
        for (int row = 40; row < 64; ++row)
            for (int ch : {int(kKick), int(kSnare), int(kHats), int(kEcho), int(kArp)})
                p.at(row, ch) = xm::Cell{};
        p.at(40, kEcho).note = xm::kNoteOff;
    }

    song.pan(kHats, 72);
    song.pan(kEcho, 224);
    song.pan(kArp, 40);
    song.pan(kPad1, 40);
    song.pan(kPad2, 184);
    song.pan(kPad3, 224);
    song.pan(kBell, 212);
    song.mix(kick, 1.0);
    song.mix(snare, 1.1);
    song.mix(hat, 1.3);
    song.mix(openHat, 1.3);
    song.mix(bass, 0.7);
    song.setGain(0.976);
    return {"extend.xm",
            song.finish({0, 1, 2, 3, 4, 1, 2, 5, 7, 3, 4, 6, 6, 7, 8}, 9, 10, 1),
            song.parts(),
            {}};
}

}  // namespace songs
