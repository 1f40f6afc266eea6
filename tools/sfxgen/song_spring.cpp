// spring: light and happy. G major at 132 BPM in a high register:
// I-iii-IV-V verses, a flute tune with a glockenspiel echo, marimba and a
// bright pluck arpeggio, a round bass and a shaker.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track spring() {
    Song song("spring", 12, 132);
    const Key key{56, kMajor};  // G-4
    enum {
        kKick,
        kSnare,
        kHats,
        kShaker,
        kBass,
        kFlute,
        kGlock,
        kMarimba,
        kPluck,
        kPad1,
        kPad2,
        kPad3
    };

    const int kick = song.add(sfx::kick("light kick", 130, 55, 0.14, 0.3));
    const int snare = song.add(sfx::snare("rim snare", 330, 2600, 0.06, 0x91));
    const int hat = song.add(sfx::hat("hat", 0.025, 8000, 0x92));
    const int shake = song.add(sfx::shaker("shaker", 0x93));
    const int bass = song.add(
        sfx::loopInstrument("round bass", {sfx::Wave::Triangle, 16, {0}, 0.0, 0.3, 0.0, 22050.0},
                            sfx::envSustain(0, 16, 36), 0x400));
    xm::Instrument fluteIns =
        sfx::loopInstrument("flute", {sfx::Wave::Triangle, 16, {0}, 4.0, 0.0, 0.1, 22050.0},
                            sfx::envSustain(3, 16, 50), 0x280);
    fluteIns.vibratoSweep = 30;
    fluteIns.vibratoDepth = 3;
    fluteIns.vibratoRate = 12;
    const int flute = song.add(sfx::place(fluteIns, 120, 64));
    const int glock = song.add(sfx::place(sfx::bell("glockenspiel", 4.0, 1.0, 0.45, 1.4), 168, 64));
    const int marimba = song.add(sfx::place(sfx::mallet("marimba", 0.3), 88, 64));
    const int pluckI = song.add(sfx::place(sfx::pluck("pluck", 0.1, 0.95, 0.9, 0x94), 180, 64));
    const int padI = song.add(sfx::loopInstrument(
        "airy pad", {sfx::Wave::Square, 192, {-1, 0, 1}, 3.0, 0.0, 0.0, 22050.0},
        sfx::envSustain(24, 20, 48), 0x100));

    const Chord I{0}, ii{1}, iii{2}, IV{3}, V{4}, vi{5};
    const Harmony verse = progression({I, iii, IV, V});
    const Harmony chorus = progression({IV, V, I, vi});
    const Harmony turn = progression({ii, V, I, I});
    const Harmony bridge = progression({vi, IV, ii, V});

    const std::string kickBar = "X.......X.......";
    const std::string snareBar = "....x.......x...";
    const std::string snareFill = "....x.......x.xx";
    const std::string hatBar = "..x...x...x...x.";
    const std::string shakeBar = "oxoxoxoxoxoxoxox";
    const std::string bassBar = "1.....5.8.....5.";
    const std::string bassWalk = "1...3...5...A...";
    // Flute tune: a hopping motif, its answer and a cadence.
    const std::string t1 = "1.3.5...3.5.8...";
    const std::string t2 = "8.7.5.3.5.......";
    const std::string t3 = "6.5.3.1.2.3.5...";
    const std::string t4 = "5.4.3.2.1.......";
    const std::string t5 = "3...5...6.5.3...";
    const std::string t6 = "8...........7.5.";
    const std::string marBar = "1.5.8.5.1.5.8.5.";
    const std::string marHop = "..5...8...5...3.";
    const std::string pl16 = "1358135813581358";

    LineStyle bassStyle{-2, 46, 4};
    LineStyle fluteStyle{0, 44, 0};
    fluteStyle.foldAbove = 3;
    LineStyle glockStyle = fluteStyle;
    glockStyle.volume = 26;
    LineStyle marStyle{0, 30, 4};
    LineStyle pluckStyle{1, 20, 4};
    const std::vector<int> padChs = {kPad1, kPad2, kPad3};

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill) {
        hits(p, kKick, kickBar, kitOf(kick, 50));
        hits(p, kSnare, cat({snareBar, snareBar, snareBar, fill ? snareFill : snareBar}),
             kitOf(snare, 38));
        hits(p, kHats, hatBar, kitOf(hat, 28));
        hits(p, kShaker, shakeBar, kitOf(shake, 20));
        line(p, kBass, bass, key, h, bassBar, bassStyle);
    };

    // 0: intro, marimba and glockenspiel, the shaker, the bass walking in.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        line(p, kGlock, glock, key, verse, "8...............", LineStyle{1, 30, 0});
        hits(p, kShaker, shakeBar, kitOf(shake, 20), 32);
        line(p, kBass, bass, key, verse, bassWalk, LineStyle{-2, 44, 0, true, 3, 0, 32});
        pad(p, padChs, padI, key, verse, 66, 14);
    }
    // 1, 2: verse, the flute tune and its answer; the glockenspiel echoes.
    for (int k = 0; k < 2; ++k) {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, k == 1);
        line(p, kFlute, flute, key, verse, k == 0 ? cat({t1, t2, t3, t4}) : cat({t1, t2, t5, t6}),
             fluteStyle);
        echo(p, kFlute, kGlock, 3, 0.6, glock);
        line(p, kMarimba, marimba, key, verse, marHop, marStyle);
        pad(p, padChs, padI, key, verse, 66, 14);
    }
    // 3, 4: chorus, pluck arpeggio in sixteenths, the flute up high.
    for (int k = 0; k < 2; ++k) {
        const Harmony& h = k == 0 ? chorus : turn;
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, h, k == 1);
        LineStyle f = fluteStyle;
        f.foldAbove = 4;
        line(p, kFlute, flute, key, h,
             k == 0 ? cat({t5, t5, t2, t6}) : cat({t5, t3, t4, "1...........^..."}), f);
        line(p, kPluck, pluckI, key, h, pl16, pluckStyle);
        line(p, kMarimba, marimba, key, h, marBar, marStyle);
        line(p, kGlock, glock, key, h, "8.......5.......", glockStyle);
        pad(p, padChs, padI, key, h, 66, 16);
    }
    // 5: break, no drums: pluck, marimba and glockenspiel playing the tune.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        line(p, kPluck, pluckI, key, verse, "1.3.5.8.5.3.1.3.", pluckStyle);
        line(p, kMarimba, marimba, key, verse, cat({t1, t2, t3, t4}), LineStyle{1, 36, 0});
        line(p, kGlock, glock, key, verse, cat({"................", t2, "................", t4}),
             LineStyle{1, 28, 0});
        line(p, kBass, bass, key, verse, "1.......5.......", bassStyle);
        pad(p, padChs, padI, key, verse, 66, 20);
        hits(p, kShaker, cat({rep("................", 3), "oxoxoxoxoxoxXXXX"}), kitOf(shake, 22));
    }
    // 6: the verse once more with everyone, a harmony a third below.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true);
        line(p, kFlute, flute, key, verse, cat({t1, t2, t5, t6}), fluteStyle);
        LineStyle low = fluteStyle;
        low.shift = -2;
        low.volume = 30;
        line(p, kMarimba, marimba, key, verse, cat({t1, t2, t5, t6}), low);
        line(p, kPluck, pluckI, key, verse, pl16, pluckStyle);
        echo(p, kFlute, kGlock, 3, 0.55, glock);
        pad(p, padChs, padI, key, verse, 66, 14);
    }
    // 7: bridge on vi-IV-ii-V, the glockenspiel leads.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, bridge, true);
        LineStyle g{1, 40, 0};
        g.foldAbove = 4;
        line(p, kGlock, glock, key, bridge, cat({t3, t3, t5, "5...4...3...2..."}), g);
        line(p, kMarimba, marimba, key, bridge, marHop, marStyle);
        line(p, kPluck, pluckI, key, bridge, "1.3.5.8.5.3.1.3.", pluckStyle);
        pad(p, padChs, padI, key, bridge, 66, 18);
    }
    // 8: closing cadence on the tonic, then back to the start.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({IV, V, I, I});
        groove(p, close, true);
        line(p, kFlute, flute, key, close, cat({t5, t3, "8...............", "^..............."}),
             fluteStyle);
        line(p, kMarimba, marimba, key, close, marBar, marStyle);
        line(p, kGlock, glock, key, close, "8.......5.......", glockStyle);
        pad(p, padChs, padI, key, close, 66, 16);
    }

    song.mix(kick, 0.85);
    song.mix(bass, 0.8);
    song.mix(snare, 1.4);
    song.mix(hat, 1.6);
    song.mix(shake, 1.6);
    song.setGain(1.17);
    using P = analysis::Part;
    return {"spring.xm",
            song.finish({0, 1, 2, 3, 4, 1, 2, 5, 7, 3, 4, 6, 2, 3, 4, 7, 8}, 9, 10),
            {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Echo, P::Chords, P::Chords,
             P::Chords, P::Chords, P::Chords},
            {}};
}

}  // namespace songs
