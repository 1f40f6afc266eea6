// level3: the driving track. E minor at 140 BPM, i-VI-III-VII verses over a
// filtered bass in eighths, a saw lead with a pulse counter-line, and a
// chorus that climbs on iv-VI-VII.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track level3() {
    Song song("level3", 10, 140);
    const Key key{53, kMinor};  // E-4
    enum { kKick, kSnare, kHats, kPerc, kBass, kLead, kCounter, kArp, kPad1, kPad2 };

    const int kick = song.add(sfx::kick("kick", 170, 50, 0.18, 0.8));
    const int snare = song.add(sfx::snare("snare", 210, 2200, 0.10, 0x31));
    const int hat = song.add(sfx::hat("closed hat", 0.03, 7000, 0x32));
    const int openHat = song.add(sfx::hat("open hat", 0.16, 6500, 0x33));
    const int crash = song.add(sfx::crash("crash", 1.6, 0x34));
    const int tom = song.add(sfx::tom("tom", 110, 0.16));
    const int bass = song.add(sfx::sweptBass("acid bass", 2400, 350, 0.07, 0.6, 0.9));
    xm::Instrument leadIns =
        sfx::loopInstrument("saw lead", {sfx::Wave::Saw, 96, {-1, 1}, 12.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(1, 16, 48), 0x380);
    leadIns.vibratoSweep = 24;
    leadIns.vibratoDepth = 4;
    leadIns.vibratoRate = 16;
    const int lead = song.add(sfx::place(leadIns, 104, 64));
    const int counter = song.add(sfx::place(
        sfx::loopInstrument("thin pulse", {sfx::Wave::Pulse12, 16, {0}, 16.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(0, 20, 34), 0x400),
        168, 64));
    const int arp = song.add(sfx::place(sfx::pluck("pluck", 0.15, 0.9, 0.8, 0x35), 144, 64));
    const int padI = song.add(
        sfx::loopInstrument("square pad", {sfx::Wave::Square, 192, {-1, 1}, 5.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(16, 24, 50), 0x140));

    const Chord i{0}, iv{3}, VI{5}, III{2}, VII{6};
    const Harmony verse = progression({i, VI, III, VII});
    const Harmony pre = progression({iv, VI, VII, VII});
    const Harmony chorus = progression({VI, VII, i, i});
    const Harmony bridge = progression({iv, i, VI, VII});

    auto hatKit = kitOf(hat, 32);
    hatKit.push_back({'O', openHat, xm::kC4, 30});
    const std::vector<Hit> percKit = {{'C', crash, xm::kC4, 40},
                                      {'h', tom, xm::kC4 + 7, 44},
                                      {'m', tom, xm::kC4 + 3, 44},
                                      {'l', tom, xm::kC4 - 2, 46},
                                      {'O', openHat, xm::kC4, 26}};
    const std::string kick4 = "X...x...X...x...";
    const std::string kickDrive = "X...x...X...x.x.";
    const std::string snare24 = "....X.......X.g.";
    const std::string snareFill = "....X.......XxXX";
    const std::string hat16 = "xoxoxoxoxoxoxoxO";
    const std::string bass8 = "1.1.1.1.1.1.8.1.";
    const std::string bassPush = "1.1.8.1.1.1.5.A.";
    const std::string tomFill = cat({rep("................", 3), "h.h.m.m.l.l.l.l."});

    // Lead motifs against each chord's root.
    const std::string l1 = "1.1.3.1.5...4.3.";
    const std::string l2 = "5...3...2...1.a.";
    const std::string l3 = "3.3.5.3.6...5...";
    const std::string l4 = "2...1...a...1.^.";
    const std::string ch1 = "8...7.5.5...3.5.";
    const std::string ch2 = "8...X...8.7.5...";
    const std::string ch3 = "5.5.5.3.5...8...";
    const std::string ch4 = "7...5...4...3...";
    const std::string cnt = "1.......3.......";
    const std::string arp16 = "1358853113588531";
    const std::string arpUp = "1.3.5.8.1.3.5.8.";

    LineStyle bassStyle{-2, 44, 6};
    LineStyle leadStyle{0, 42, 0};
    LineStyle chorusStyle{0, 44, 0};
    chorusStyle.foldAbove = 4;
    LineStyle counterStyle{0, 30, 0};
    counterStyle.shift = -2;
    LineStyle arpStyle{1, 22, 5};
    const std::vector<int> padChs = {kPad1, kPad2};

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill, bool crashIn) {
        hits(p, kKick, cat({kick4, kick4, kick4, kickDrive}), kitOf(kick, 54));
        hits(p, kSnare, cat({snare24, snare24, snare24, fill ? snareFill : snare24}),
             kitOf(snare, 46));
        hits(p, kHats, hat16, hatKit);
        if (fill)
            hits(p, kPerc, tomFill, percKit);
        if (crashIn)
            strike(p, 0, kPerc, xm::kC4, crash, 40);
        line(p, kBass, bass, key, h, cat({bass8, bass8, bass8, bassPush}), bassStyle);
    };

    // 0: intro, kick, hats and the bass.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, kick4, kitOf(kick, 52));
        hits(p, kHats, "x.o.x.o.x.o.x.o.", hatKit);
        line(p, kBass, bass, key, verse, bass8, bassStyle);
    }
    // 1: intro, the snare and the arpeggio join.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true, false);
        line(p, kArp, arp, key, verse, arpUp, arpStyle);
    }
    // 2, 3: verse, question and answer.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, k == 1, k == 0);
        line(p, kLead, lead, key, verse, k == 0 ? cat({l1, l2, l1, l4}) : cat({l3, l2, l1, l4}),
             leadStyle);
        if (k == 1)
            line(p, kCounter, counter, key, verse, cat({l3, l2, l1, l4}), counterStyle);
        line(p, kArp, arp, key, verse, arpUp, arpStyle);
        pad(p, padChs, padI, key, verse, 60, 18);
    }
    // 4: pre-chorus, the snare climbs to a roll.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, "X...X...X...X...", kitOf(kick, 54));
        hits(p, kSnare,
             cat({"o.......o.......", "o...o...o...o...", "x.x.x.x.x.x.x.x.", "XxXxXxXxXXXXXXXX"}),
             kitOf(snare, 42));
        hits(p, kHats, hat16, hatKit);
        line(p, kBass, bass, key, pre, bassPush, bassStyle);
        line(p, kLead, lead, key, pre, cat({ch4, ch4, ch3, "5.............^."}), chorusStyle);
        line(p, kArp, arp, key, pre, arp16, arpStyle);
        pad(p, padChs, padI, key, pre, 62, 20);
    }
    // 5, 6: chorus.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, k == 1, true);
        std::string mel =
            k == 0 ? cat({ch1, ch2, ch3, ch4}) : cat({ch1, ch2, ch1, "8.......^......."});
        line(p, kLead, lead, key, chorus, mel, chorusStyle);
        line(p, kCounter, counter, key, chorus, mel, counterStyle);
        line(p, kArp, arp, key, chorus, arp16, arpStyle);
        pad(p, padChs, padI, key, chorus, 62, 20);
    }
    // 7: break, bass and arpeggio alone with a light hat.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kHats, "..x...x...x...x.", hatKit);
        line(p, kBass, bass, key, verse, bass8, bassStyle);
        line(p, kArp, arp, key, verse, arp16, arpStyle);
    }
    // 8: break, the pad and the kick come back.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, cat({kick4, kick4, kick4, "X...X...X.X.XXXX"}), kitOf(kick, 50));
        hits(p, kHats, "..x...x...x...x.", hatKit);
        line(p, kBass, bass, key, verse, bass8, bassStyle);
        line(p, kArp, arp, key, verse, arp16, arpStyle);
        pad(p, padChs, padI, key, verse, 60, 26);
        line(p, kCounter, counter, key, verse, cnt, LineStyle{1, 30, 0});
    }
    // 9, 10: second verse, the lead varied and the counter-line answering.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, k == 1, k == 0);
        std::string mel = k == 0 ? cat({l3, l2, l3, l4}) : cat({l1, l2, l3, "1.......^......."});
        line(p, kLead, lead, key, verse, mel, leadStyle);
        echo(p, kLead, kCounter, 6, 0.6, counter);
        line(p, kArp, arp, key, verse, k == 0 ? arpUp : arp16, arpStyle);
        pad(p, padChs, padI, key, verse, 60, 18);
    }
    // 11, 12: bridge on iv-i-VI-VII, the lead rests, the counter-line sings.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, bridge, k == 1, k == 0);
        LineStyle c{1, 40, 0};
        c.foldAbove = 4;
        line(p, kCounter, counter, key, bridge,
             k == 0 ? cat({l2, l3, l2, l4}) : cat({l3, l3, ch3, ch4}), c);
        line(p, kArp, arp, key, bridge, arp16, arpStyle);
        pad(p, padChs, padI, key, bridge, 62, 24);
    }
    // 13, 14: lead solo over the chorus chords, arpeggio in sixteenths.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, k == 1, k == 0);
        LineStyle s{1, 40, 0};
        s.foldAbove = 4;
        line(p, kLead, lead, key, chorus,
             k == 0 ? cat({"1.3.5.3.1.3.5.8.", "7.5.4.2.7.5.4.2.", "1.3.5.8.X.8.5.3.",
                           "1.......^......."})
                    : cat({"8.7.5.7.8.7.5.3.", "5.4.2.4.5.4.2.a.", "1.3.5.3.8.5.3.1.",
                           "1...3...5...8..."}),
             s);
        line(p, kArp, arp, key, chorus, arp16, arpStyle);
        pad(p, padChs, padI, key, chorus, 62, 18);
    }
    // 15: drum break with toms, bass holding the pulse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kKick, "X..xX..xX..xX.x.", kitOf(kick, 54));
        hits(p, kSnare, cat({snare24, snare24, snare24, "XxXxXxXxXXXXXXXX"}), kitOf(snare, 44));
        hits(p, kHats, hat16, hatKit, 0);
        hits(p, kPerc,
             cat({"..........h.m.l.", "..........h.m.l.", "..........h.m.l.", "................"}),
             percKit, 0);
        strike(p, 0, kPerc, xm::kC4, crash, 40);
        line(p, kBass, bass, key, verse, bass8, bassStyle);
    }
    // 16: closing phrase on the tonic, then back to the start.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({VI, VII, i, i});
        groove(p, close, true, true);
        line(p, kLead, lead, key, close, cat({ch1, ch2, "8...............", "^..............."}),
             chorusStyle);
        line(p, kArp, arp, key, close, arp16, arpStyle);
        pad(p, padChs, padI, key, close, 62, 20);
    }

    song.mix(kick, 0.7);
    song.mix(snare, 1.25);
    song.mix(hat, 1.5);
    song.mix(openHat, 1.5);
    song.setGain(1.26);
    using P = analysis::Part;
    return {"level3.xm",
            song.finish({0,  1,  2,  3,  2, 3, 4, 5,  6, 7, 8, 9, 10, 4,  5,  6, 11, 12, 11,
                         12, 13, 14, 15, 2, 3, 9, 10, 4, 5, 6, 7, 8,  13, 14, 5, 6,  15, 16},
                        17, 11),
            {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Counter, P::Chords,
             P::Chords, P::Chords},
            {}};
}

}  // namespace songs
