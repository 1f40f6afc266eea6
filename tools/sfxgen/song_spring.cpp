// spring: light and happy. G major at 132 BPM in a high register:
// I-iii-IV-V verses, a musette accordion (two reeds beating gently) with a
// hook that skips across the beat, a glockenspiel echo on the right,
// marimba and a bright pluck arpeggio on the left, a round bass and a
// shaker. The hook's skip is answered in other rhythms; two breaks without
// drums, and a bridge that starts on the glockenspiel over the pad.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track spring() {
    using P = analysis::Part;
    Song song("spring",
              {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Echo, P::Chords, P::Chords,
               P::Chords, P::Chords, P::Chords},
              132);
    const Key key{56, kMajor};  // G-4
    enum {
        kKick,
        kSnare,
        kHats,
        kShaker,
        kBass,
        kLead,
        kGlock,
        kMarimba,
        kPluck,
        kPad1,
        kPad2,
        kPad3
    };

    const int kick = song.add(sfx::kick("light kick", 130, 55, 0.14, 0.3));
    const int snare = song.add(sfx::snare("rim snare", 330, 2600, 0.06, 0x91));
    const int hat = song.add(sfx::hat("hat", 0.07, 6500, 0x92));
    const int shake = song.add(sfx::shaker("shaker", 0x93));
    const int bass = song.add(
        sfx::loopInstrument("round bass", {sfx::Wave::Triangle, 16, {0}, 0.0, 0.3, 0.0, 22050.0},
                            sfx::envSustain(0, 16, 36), 0x400));
    // A musette accordion: two bright reeds a quarter-tone's fraction
    // apart, beating gently.
    const int accordion = song.add(
        sfx::loopInstrument("accordion", {sfx::Wave::Saw, 64, {0, 1}, 9.0, 0.2, 0.0, 22050.0},
                            sfx::envSustain(2, 10, 50), 0x280));
    const int glock = song.add(sfx::bell("glockenspiel", 4.0, 1.0, 0.45, 1.4));
    const int marimba = song.add(sfx::mallet("marimba", 0.3));
    const int pluckI = song.add(sfx::pluck("pluck", 0.1, 0.95, 0.9, 0x94));
    const int padI = song.add(sfx::withPanSway(
        sfx::loopInstrument("airy pad",
                            {sfx::Wave::Square, 192, {-1, 0, 1}, 3.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(24, 20, 48), 0x100),
        8, 352));

    const Chord I{0}, ii{1}, iii{2}, IV{3}, V{4}, vi{5};
    const Harmony verse = progression({I, iii, IV, V});
    const Harmony chorus = progression({IV, V, I, vi});
    const Harmony turn = progression({ii, V, I, I});
    const Harmony bridge = progression({vi, IV, ii, V});

    const std::string kickBar = "X.......X.......";
    const std::string snareBar = "....x.......x...";
    const std::string snareFill = "....x.......x.xx";
    const std::string hatBar = "..X...X...X.x.Xx";
    const std::string shakeBar = "o.x.o.x.o.x.o.xx";
    const std::string bassBar = "1.....5.8.....5.";
    const std::string bassWalk = "1...3...5...6.A.";
    // The tune, against the key (1 = G): a hook that skips across the beat
    // (3 + 3 + 2), its answer, and a chorus that leaps up.
    const std::string v1 = "5..6..5.3...1.2.";
    const std::string v2 = "3...5.3.2.......";
    const std::string v3 = "4.6.8.....6.5...";
    const std::string v4 = "5...7...5.......";
    const std::string v2b = "3.5.3...7.....6.";
    const std::string v3b = "8.....6.5.6.4...";
    const std::string v4b = "2...3...5.......";
    const std::string c1 = "8.......6.8.6.5.";
    const std::string c2 = "7...7.5.7.....9.";
    const std::string c3 = "8..8..X.8...5.6.";
    const std::string c4 = "5.......3.......";
    const std::string t1 = "6.6.8...6...4.3.";
    const std::string t2 = "2.....4.2.7.6...";
    const std::string t3 = "5...3...1...3...";
    const std::string t4 = "1...........^...";
    const std::string marBar = "1.5.8.5.1.5.8.5.";
    const std::string marHop = "..5...8...5...3.";
    const std::string pl8 = "1.3.5.8.5.3.5.8.";

    LineStyle bassStyle{-2, 46, 4};
    // The accordion's bellows shake (tremolo) on its long notes.
    LineStyle leadStyle{1, 56, 0, false};
    leadStyle.vibratoAfter = 2;
    leadStyle.heldEffect = xm::kTremolo;
    leadStyle.vibrato = 0x84;
    LineStyle glockStyle{1, 26, 0, false};
    LineStyle marStyle{0, 30, 4};
    LineStyle pluckStyle{1, 22, 4};
    const std::vector<int> padChs = {kPad1, kPad2, kPad3};
    const int padCentre = 62;
    LineStyle shakeRoll;
    shakeRoll.expression = "............rrrr";
    shakeRoll.retrigger = 2;

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill) {
        hits(p, kKick, kickBar, kitOf(kick, 50));
        hits(p, kSnare, cat({snareBar, snareBar, snareBar, fill ? snareFill : snareBar}),
             kitOf(snare, 40));
        hits(p, kHats, hatBar, kitOf(hat, 44));
        hits(p, kShaker, shakeBar, kitOf(shake, 30));
        line(p, kBass, bass, key, h, bassBar, bassStyle);
    };

    // 0: intro, marimba and glockenspiel over the pad, the bass walking in.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        line(p, kGlock, glock, key, verse, "8...............", LineStyle{1, 30, 0});
        line(p, kBass, bass, key, verse, bassWalk, LineStyle{-2, 44, 0, true, 3, 0, 32});
        pad(p, padChs, padI, key, verse, padCentre, 14);
    }
    // 1, 2: verse, the hook and its answer; the glockenspiel echoes.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, k == 1);
        line(p, kLead, accordion, key, verse,
             k == 0 ? cat({v1, v2, v3, v4}) : cat({v1, v2b, v3b, v4b}), leadStyle);
        if (k == 1)
            echo(p, kLead, kGlock, 3, 0.45, glock);
        line(p, kMarimba, marimba, key, verse, marHop, marStyle);
        pad(p, padChs, padI, key, verse, padCentre, 14);
    }
    // 3, 4: chorus, pluck arpeggio in sixteenths, the accordion up high.
    for (int k = 0; k < 2; ++k) {
        const Harmony& h = k == 0 ? chorus : turn;
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, h, k == 1);
        line(p, kLead, accordion, key, h, k == 0 ? cat({c1, c2, c3, c4}) : cat({t1, t2, t3, t4}),
             leadStyle);
        line(p, kPluck, pluckI, key, h, pl8, pluckStyle);
        line(p, kMarimba, marimba, key, h, marHop, marStyle);
        line(p, kGlock, glock, key, h, "8.......5.......", glockStyle);
        pad(p, padChs, padI, key, h, padCentre, 16);
        for (int ch : padChs)
            line(p, ch, 0, key, h, "", LineStyle{.expression = "<...<...........", .swell = 1});
    }
    // 5: break, no drums: the glockenspiel takes the tune, the pluck plays
    // the chords as a sparkling arpeggio, the shaker rolls into the verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        arpeggioChords(p, kPluck, pluckI, key, verse, "x...x...x...x...", 1, 20);
        line(p, kLead, glock, key, verse, cat({v1, v2, v3, v4}), LineStyle{1, 46, 0, false});
        LineStyle softBass = bassStyle;
        softBass.volume = 36;
        line(p, kBass, bass, key, verse, "1.......5.......", softBass);
        pad(p, padChs, padI, key, verse, padCentre, 12);
        hits(p, kShaker, cat({rep("................", 3), "oxoxoxoxoxoxXXXX"}), kitOf(shake, 30));
        LineStyle roll = shakeRoll;
        roll.startRow = 48;
        line(p, kShaker, 0, key, verse, "", roll);
    }
    // 6: the verse once more with everyone, the marimba a chord tone under the tune.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true);
        line(p, kLead, accordion, key, verse, cat({v1, v2b, v3b, v4b}), leadStyle);
        LineStyle low{1, 30, 0, false};
        low.chordBelow = true;
        line(p, kMarimba, marimba, key, verse, cat({v1, v2b, v3b, v4b}), low);
        echo(p, kLead, kGlock, 3, 0.45, glock);
        pad(p, padChs, padI, key, verse, padCentre, 14);
    }
    // 7: bridge on vi-IV-ii-V, the glockenspiel sings, the accordion
    // answers; the drums, marimba and pluck wait for the second half.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, bridge, true);
        for (int row = 0; row < 32; ++row)
            for (int ch : {int(kKick), int(kSnare), int(kHats), int(kShaker)})
                p.at(row, ch) = xm::Cell{};
        line(p, kLead, glock, key, bridge,
             cat({"6...5.3.....5...", "6.8.6...4.......", "6...4...2...4...", "5...7...9......."}),
             LineStyle{1, 56, 0, false});
        line(p, kGlock, accordion, key, bridge,
             cat({"............3.4.", "............6.5.", "............4.3.", "................"}),
             LineStyle{1, 26, 0, false});
        LineStyle late = marStyle;
        late.startRow = 32;
        line(p, kMarimba, marimba, key, bridge, marHop, late);
        late = pluckStyle;
        late.startRow = 32;
        line(p, kPluck, pluckI, key, bridge, "1.3.5.8.5.3.1.3.", late);
        pad(p, padChs, padI, key, bridge, padCentre, 18);
    }
    // 8: closing cadence on the tonic, then back to the first verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({IV, V, I, I});
        groove(p, close, true);
        line(p, kLead, accordion, key, close,
             cat({c1, "7...5...7...2...", "8...............", "^..............."}), leadStyle);
        line(p, kMarimba, marimba, key, close, marBar, marStyle);
        line(p, kGlock, glock, key, close, "8.......5.......", glockStyle);
        pad(p, padChs, padI, key, close, padCentre, 16);
        // The band stops for the last bar: the pad and the bass hold the
        // tonic before the verse comes round again.
        for (int row = 44; row < 64; ++row)
            for (int ch :
                 {int(kKick), int(kSnare), int(kHats), int(kShaker), int(kMarimba), int(kGlock)})
                p.at(row, ch) = xm::Cell{};
    }

    song.pan(kLead, 112);
    song.pan(kHats, 188);
    song.pan(kShaker, 60);
    song.pan(kGlock, 212);
    song.pan(kMarimba, 32);
    song.pan(kPluck, 216);
    song.pan(kPad1, 20);
    song.pan(kPad2, 100);
    song.pan(kPad3, 236);
    song.mix(kick, 1.05);
    song.mix(bass, 0.8);
    song.mix(snare, 1.3);
    song.mix(hat, 1.4);
    song.mix(shake, 1.3);
    song.setGain(1.0);
    return {"spring.xm",
            song.finish({0, 1, 2, 3, 4, 1, 2, 5, 7, 3, 4, 5, 6, 3, 4, 7, 8}, 9, 10, 1),
            song.parts(),
            {}};
}

}  // namespace songs
