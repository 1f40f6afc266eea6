// level3: the driving track. E minor at 140 BPM, i-VI-III-VII verses over
// an acid bass in eighths that slides up into its octaves, a detuned saw
// lead with a riff that pushes across the beat (3 + 3 + 2) and answers
// itself in straighter rhythms, a thin pulse replying from the right, and a
// chorus that climbs on iv-VI-VII and holds its top notes. The breaks strip
// it down to the bass and a chip arpeggio, and a drum break of toms.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track level3() {
    using P = analysis::Part;
    Song song("level3",
              {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Counter, P::Chords,
               P::Chords, P::Chords},
              140);
    const Key key{53, kMinor};  // E-4
    enum { kKick, kSnare, kHats, kPerc, kBass, kLead, kCounter, kArp, kPad1, kPad2 };

    const int kick = song.add(sfx::kick("kick", 170, 50, 0.18, 0.8));
    const int snare = song.add(sfx::snare("snare", 210, 2200, 0.10, 0x31));
    const int hat = song.add(sfx::hat("closed hat", 0.08, 7000, 0x32));
    const int openHat = song.add(sfx::hat("open hat", 0.16, 6500, 0x33));
    const int crash = song.add(sfx::crash("crash", 1.6, 0x34));
    const int tom = song.add(sfx::tom("tom", 110, 0.16));
    const int bass = song.add(sfx::sweptBass("acid bass", 2400, 350, 0.07, 0.6, 0.9));
    xm::Instrument leadIns = sfx::withVibrato(
        sfx::loopInstrument("saw lead", {sfx::Wave::Saw, 96, {-1, 1}, 12.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(1, 16, 50), 0x380),
        3, 28, 60);
    const int lead = song.add(leadIns);
    const int counter = song.add(
        sfx::loopInstrument("thin pulse", {sfx::Wave::Pulse12, 64, {0, 1}, 16.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(0, 20, 40), 0x400));
    const int arp = song.add(sfx::pluck("pluck", 0.15, 0.9, 0.8, 0x35));
    const int padI = song.add(sfx::withPanSway(
        sfx::loopInstrument("square pad", {sfx::Wave::Square, 192, {-1, 1}, 5.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(16, 24, 50), 0x140),
        10, 448, true));

    const Chord i{0}, iv{3}, VI{5}, III{2}, VII{6};
    const Harmony verse = progression({i, VI, III, VII});
    const Harmony pre = progression({iv, VI, VII, VII});
    const Harmony chorus = progression({VI, VII, i, i});
    const Harmony bridge = progression({iv, i, VI, VII});

    auto hatKit = kitOf(hat, 50);
    hatKit.push_back({'O', openHat, xm::kC4, 36});
    const std::vector<Hit> percKit = {{'C', crash, xm::kC4, 36},
                                      {'h', tom, xm::kC4 + 7, 40},
                                      {'m', tom, xm::kC4 + 3, 40},
                                      {'l', tom, xm::kC4 - 2, 42},
                                      {'O', openHat, xm::kC4, 30}};
    const std::string kick4 = "X...x...X...x...";
    const std::string kickDrive = "X...x...X...x.x.";
    const std::string snare24 = "....X.......X.g.";
    const std::string snareFill = "....X.......XxXX";
    const std::string hat8 = "..x...x...x.x.O.";  // off the beat, against the kick
    const std::string bass8 = "1.1.1.1.1.1.8.1.";
    const std::string bassPush = "1.1.8.1.1.1.5.A.";
    // The acid bass slides up into its octave.
    const std::string bassMarks = "............/...";
    const std::string tomFill = cat({rep("................", 3), "h.h.m.m.l.l.l.l."});
    LineStyle rollStyle;
    rollStyle.expression = "............rrrr";
    rollStyle.retrigger = 2;

    // The tune, against the key (1 = E): a riff that lands across the beat
    // (3 + 3 + 2), then an answer that climbs.
    const std::string v1 = "5..5..4.5...8.7.";
    const std::string v2 = "3...3.1.3...5.3.";
    const std::string v3 = "3..3..2.3...5.3.";
    const std::string v4 = "2...1...a...2.^.";
    const std::string w1 = "8..8..7.8...5.4.";
    const std::string w2 = "3.3.5...8...7.5.";
    const std::string w3 = "5...5.3.5.7.5...";
    const std::string w4 = "4...2...a...1...";
    const std::string p1 = "4...3...4...6...";
    const std::string p2 = "1...3...6...8...";
    const std::string p3 = "7...6...4...7...";
    const std::string p4 = "9.............^.";
    const std::string c1 = "8.......8.6.5.3.";
    const std::string c2 = "7...7.7.6...4.2.";
    const std::string c3 = "5.5.5...8.....7.";
    const std::string c4 = "8.............^.";
    const std::string c3b = "5.5.5...X.....8.";
    // The counter-line answers in the lead's gaps.
    const std::string a1 = "........5.4.3.^.";
    const std::string a2 = "........3.5.8.^.";

    LineStyle bassStyle{-2, 46, 6};
    bassStyle.expression = bassMarks;
    bassStyle.slide = 0x60;
    LineStyle leadStyle{1, 56, 0, false};
    leadStyle.vibratoAfter = 3;
    leadStyle.vibrato = 0x54;
    LineStyle slideStyle = leadStyle;
    slideStyle.expression = "....////....////";
    slideStyle.slide = 0x28;
    LineStyle counterStyle{1, 34, 0, false};
    LineStyle harmonyStyle = counterStyle;
    harmonyStyle.chordBelow = true;
    harmonyStyle.volume = 28;
    LineStyle arpStyle{1, 22, 5};
    const std::vector<int> padChs = {kPad1, kPad2};
    const int padCentre = 57;

    // Empties some channels' rows (a stop, or parts that come in later).
    auto silence = [](xm::Pattern& p, std::initializer_list<int> channels, int from, int to) {
        for (int row = from; row < to; ++row)
            for (int ch : channels)
                p.at(row, ch) = xm::Cell{};
    };

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill, bool crashIn) {
        hits(p, kKick, cat({kick4, kick4, kick4, kickDrive}), kitOf(kick, 52));
        hits(p, kSnare, cat({snare24, snare24, snare24, fill ? snareFill : snare24}),
             kitOf(snare, 42));
        hits(p, kHats, hat8, hatKit);
        if (fill) {
            hits(p, kPerc, tomFill, percKit);
            LineStyle roll = rollStyle;
            roll.startRow = 48;
            line(p, kSnare, 0, key, h, "", roll);
        }
        if (crashIn)
            strike(p, 0, kPerc, xm::kC4, crash, 36);
        line(p, kBass, bass, key, h, cat({bass8, bass8, bass8, bassPush}), bassStyle);
    };

    // 0: intro, kick, hats and the bass, quietly.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, kick4, kitOf(kick, 36));
        hits(p, kHats, "x.o.x.o.x.o.x.o.", kitOf(hat, 32));
        LineStyle soft = bassStyle;
        soft.volume = 34;
        line(p, kBass, bass, key, verse, bass8, soft);
    }
    // 1: intro, the arpeggio joins and the pad swells in; the snare and
    // hats wait for the second half.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true, false);
        silence(p, {kSnare, kHats}, 0, 32);
        line(p, kArp, arp, key, verse, "1...5.8.1...5.8.", arpStyle);
        pad(p, padChs, padI, key, verse, padCentre, 12);
        for (int ch : padChs)
            line(p, ch, 0, key, verse, "", LineStyle{.expression = "<...<...<.......", .swell = 1});
    }
    // 2, 3: verse, the riff and its answer; the counter-line replies.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, k == 1, k == 0);
        line(p, kLead, lead, key, verse, k == 0 ? cat({v1, v2, v3, v4}) : cat({w1, w2, w3, w4}),
             leadStyle);
        if (k == 1)
            line(p, kCounter, counter, key, verse, cat({a1, a2, a1, "................"}),
                 counterStyle);
        line(p, kArp, arp, key, verse, "1...5.8.1...5.8.", arpStyle);
        pad(p, padChs, padI, key, verse, padCentre, 18);
    }
    // 4: pre-chorus, long notes sliding upward; the snare climbs to a roll.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, "X...X...X...X...", kitOf(kick, 46));
        hits(p, kSnare,
             cat({"o.......o.......", "o...o...o...o...", "x.x.x.x.x.x.x.x.", "XxXxXxXxXXXXXXXX"}),
             kitOf(snare, 36));
        hits(p, kHats, hat8, hatKit);
        line(p, kBass, bass, key, pre, bassPush, bassStyle);
        line(p, kLead, lead, key, pre, cat({p1, p2, p3, p4}), slideStyle);
        line(p, kArp, arp, key, pre, "1...8.5.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, pre, padCentre, 20);
    }
    // 5, 6: chorus, the counter a third under the tune.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, k == 1, true);
        const std::string mel = k == 0 ? cat({c1, c2, c3, c4}) : cat({c1, c2, c3b, c4});
        line(p, kLead, lead, key, chorus, mel, leadStyle);
        line(p, kCounter, counter, key, chorus, mel, harmonyStyle);
        pad(p, padChs, padI, key, chorus, padCentre, 20);
    }
    // 7: break, the bass and the counter's chip arpeggios alone over a
    // low pad.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        LineStyle soft = bassStyle;
        soft.volume = 36;
        line(p, kBass, bass, key, verse, "1.......1...8.1.", soft);
        arpeggioChords(p, kCounter, counter, key, verse, "x.......x.....^.", 1, 22);
        pad(p, padChs, padI, key, verse, padCentre, 10);
    }
    // 8: break, the kick comes back; the tune returns softly on the thin
    // pulse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, cat({kick4, kick4, kick4, "X...X...X.X.XXXX"}), kitOf(kick, 40));
        line(p, kBass, bass, key, verse, bass8, bassStyle);
        pad(p, padChs, padI, key, verse, padCentre, 14);
        LineStyle soft = leadStyle;
        soft.volume = 40;
        line(p, kLead, counter, key, verse, cat({v1, v2, v3, v4}), soft);
    }
    // 9, 10: second verse, the riff varied, the counter echoing it.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, k == 1, k == 0);
        const std::string mel =
            k == 0 ? cat({w1, w2, v3, v4}) : cat({v1, v2, w3, "1.......^......."});
        line(p, kLead, lead, key, verse, mel, leadStyle);
        echo(p, kLead, kCounter, 6, 0.5, counter);
        line(p, kArp, arp, key, verse, k == 0 ? "1...5.8.1...5.8." : "1...8.5.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, verse, padCentre, 18);
    }
    // 11, 12: bridge on iv-i-VI-VII; the thin pulse sings, the saw answers.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, bridge, k == 1, k == 0);
        LineStyle sing = leadStyle;
        sing.volume = 50;
        line(p, kLead, counter, key, bridge,
             k == 0 ? cat({"1...3...4.....3.", "5.......3...1...", "3...1...3.....5.",
                           "4.......2......."})
                    : cat({"1...3...4.....6.", "8.......5...3...", "6...5...3.....5.",
                           "7.......9.....^."}),
             sing);
        LineStyle answer = counterStyle;
        answer.volume = 26;
        line(p, kCounter, lead, key, bridge, cat({a1, a2, a1, a2}), answer);
        line(p, kArp, arp, key, bridge, "1...8.5.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, bridge, padCentre, 22);
    }
    // 13, 14: lead solo over the chorus chords: sixteenth runs, slides and
    // bends, the counter stabbing chords under it.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, k == 1, k == 0);
        LineStyle s = leadStyle;
        s.expression = k == 0 ? "........../....." : "......../.......";
        s.slide = 0x40;
        line(p, kLead, lead, key, chorus,
             k == 0 ? cat({"8.6.5.3.5.6.8...", "7.5.4.2.4.5.7.9.", "8.7.5.4.5.7.8.X.",
                           "8.............^."})
                    : cat({"X.9.8.6.8.9.X...", "9.7.5.4.5.7.9...", "8.5.3.1.3.5.8.7.",
                           "8.......5...8..."}),
             s);
        arpeggioChords(p, kCounter, counter, key, chorus, "x..x..x...x..x..", 0, 22);
        line(p, kArp, arp, key, chorus, "1...8.5.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, chorus, padCentre, 18);
    }
    // 15: drum break with toms, the bass holding the pulse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, "X..xX..xX..xX.x.", kitOf(kick, 46));
        hits(p, kSnare, cat({snare24, snare24, snare24, "XxXxXxXxXXXXXXXX"}), kitOf(snare, 40));
        LineStyle roll = rollStyle;
        roll.startRow = 48;
        line(p, kSnare, 0, key, verse, "", roll);
        hits(p, kHats, hat8, hatKit, 0);
        hits(p, kPerc,
             cat({"..........h.m.l.", "..........h.m.l.", "..........h.m.l.", "................"}),
             percKit, 0);
        strike(p, 0, kPerc, xm::kC4, crash, 36);
        line(p, kBass, bass, key, verse, bass8, bassStyle);
    }
    // 16: closing phrase on the tonic, then back to the first verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({VI, VII, i, i});
        groove(p, close, true, true);
        line(p, kLead, lead, key, close, cat({c1, c2, "8...............", "^..............."}),
             leadStyle);
        line(p, kCounter, counter, key, close,
             cat({c1, c2, "8...............", "^..............."}), harmonyStyle);
        line(p, kArp, arp, key, close, "1...8.5.3...8.5.", arpStyle);
        pad(p, padChs, padI, key, close, padCentre, 20);
        // The band stops on the last beat but one: the bass and the pad
        // hold the tonic alone before the verse comes round again.
        silence(p, {kKick, kSnare, kHats, kPerc, kArp}, 40, 64);
    }

    song.pan(kHats, 92);
    song.pan(kPerc, 150);
    song.pan(kCounter, 200);
    song.pan(kArp, 56);
    song.pan(kPad1, 40);
    song.pan(kPad2, 216);
    song.mix(kick, 0.8);
    song.mix(snare, 1.1);
    song.mix(hat, 1.3);
    song.mix(openHat, 1.3);
    song.mix(bass, 0.75);
    song.setGain(1.0);
    return {"level3.xm",
            song.finish({0,  1,  2,  3,  2, 3, 4, 5,  6, 7, 8, 9, 10, 4,  5,  6, 11, 12, 11,
                         12, 13, 14, 15, 2, 3, 9, 10, 4, 5, 6, 7, 8,  13, 14, 5, 6,  15, 16},
                        17, 11, 2),
            song.parts(),
            {}};
}

}  // namespace songs
