// trauma: tense and dark. C phrygian at 100 BPM, half-time drums, a
// galloping bass that leans on the flat second, a low drone, a bell that
// tolls and a saw lead that sighs down in semitones.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track trauma() {
    Song song("trauma", 10, 100);
    const Key key{49, kPhrygian};  // C-4
    enum { kKick, kSnare, kHats, kPerc, kBass, kLead, kBell, kDrone1, kDrone2, kDrone3 };

    const int kick = song.add(sfx::kick("deep kick", 120, 38, 0.30, 0.6));
    const int snare = song.add(sfx::snare("snare", 160, 1200, 0.16, 0xA1));
    const int hat = song.add(sfx::hat("hat", 0.03, 6000, 0xA2));
    const int tom = song.add(sfx::tom("low tom", 80, 0.22));
    const int bass = song.add(sfx::sweptBass("dark bass", 1200, 180, 0.05, 0.4, 0.8));
    const int drone = song.add(
        sfx::loopInstrument("drone", {sfx::Wave::Saw, 192, {-1, 0, 1}, 3.0, 0.3, 0.0, 22050.0},
                            sfx::envSustain(60, 40, 52), 0x80));
    xm::Instrument leadIns =
        sfx::loopInstrument("saw lead", {sfx::Wave::Saw, 96, {-1, 1}, 8.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(4, 30, 50), 0x200);
    leadIns.vibratoSweep = 50;
    leadIns.vibratoDepth = 6;
    leadIns.vibratoRate = 10;
    const int lead = song.add(sfx::place(leadIns, 140, 64));
    const int bell = song.add(sfx::place(sfx::bell("toll", 1.41, 3.0, 1.0, 2.5), 100, 64));
    const int riser = song.add(sfx::riser("riser", 3.8, 0xA3));

    // Phrygian chords; the fifth of v is raised so it is minor, not diminished.
    const Chord i{0}, bII{1}, iv{3}, v{4, 0, 1}, bVI{5}, bvii{6};
    const Harmony verse = progression({i, bII, i, v});
    const Harmony verse2 = progression({i, iv, bII, i});
    const Harmony climb = progression({bVI, bII, v, v});
    const Harmony dark = progression({iv, bvii, bII, i});

    const std::string kickHalf = "X.........x.....";
    const std::string kickGallop = "X..x......x..x..";
    const std::string snareHalf = "........X.......";
    const std::string snareFill = "........X...xXXX";
    const std::string hat16 = "x.o.x.o.xoo.x.o.";
    const std::string heart = "X..x............";
    const std::vector<Hit> tomKit = {{'h', tom, xm::kC4 + 5, 44},
                                     {'m', tom, xm::kC4 + 2, 46},
                                     {'l', tom, xm::kC4 - 3, 48},
                                     {'R', riser, xm::kC4, 34}};
    const std::string tomFill = cat({rep("................", 3), "h.h.h.m.m.m.l.l."});

    const std::string bassGallop = "1.11.11.1.11.1B.";
    const std::string bassSlow = "1.......1.....B.";
    // Lead: long notes that fall by step onto the flat second.
    const std::string l1 = "5...........4.3.";
    const std::string l2 = "2.......1.......";
    const std::string l3 = "3.......5...6...";
    const std::string l4 = "5.......^.......";
    const std::string h1 = "8.......7...5...";
    const std::string h2 = "6...5...4...3...";

    LineStyle bassStyle{-2, 46, 6};
    LineStyle leadStyle{0, 40, 0};
    leadStyle.foldAbove = 3;
    LineStyle bellStyle{0, 32, 0};
    const std::vector<int> droneChs = {kDrone1, kDrone2, kDrone3};

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill, bool gallop) {
        hits(p, kKick, gallop ? kickGallop : kickHalf, kitOf(kick, 54));
        hits(p, kSnare, cat({snareHalf, snareHalf, snareHalf, fill ? snareFill : snareHalf}),
             kitOf(snare, 46));
        hits(p, kHats, hat16, kitOf(hat, 26));
        if (fill)
            hits(p, kPerc, tomFill, tomKit);
        line(p, kBass, bass, key, h, gallop ? bassGallop : bassSlow, bassStyle);
    };

    // 0: drone and a tolling bell over a heartbeat kick.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        pad(p, droneChs, drone, key, verse, 52, 24);
        line(p, kBell, bell, key, verse, "1...............", bellStyle);
        hits(p, kKick, heart, kitOf(kick, 44));
        // The riser swells over the last bars into the first groove.
        strike(p, 40, kPerc, xm::kC4, riser, 22);
        line(p, kBass, bass, key, verse, "................................1.......1.....B.",
             bassStyle);
    }
    // 1: the gallop starts under the drone.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, false, true);
        pad(p, droneChs, drone, key, verse, 52, 20);
        line(p, kBell, bell, key, verse, "1.......5.......", bellStyle);
    }
    // 2: the lead sings over the same ground.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse2, true, true);
        pad(p, droneChs, drone, key, verse2, 52, 18);
        line(p, kLead, lead, key, verse2, cat({l1, l2, l3, l4}), leadStyle);
    }
    // 3: the climb on bVI-bII-v, lead up an octave, bell doubling.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, climb, false, true);
        pad(p, droneChs, drone, key, climb, 54, 18);
        LineStyle hi = leadStyle;
        hi.foldAbove = 4;
        line(p, kLead, lead, key, climb, cat({h1, h2, l1, l2}), hi);
        LineStyle b = bellStyle;
        b.foldAbove = 4;
        b.shift = -2;
        line(p, kBell, bell, key, climb, cat({h1, h2, l1, l2}), b);
    }
    // 4: the climb resolves darker, a tom fill leads on.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, dark, true, true);
        pad(p, droneChs, drone, key, dark, 52, 20);
        line(p, kLead, lead, key, dark, cat({l3, l1, l2, l4}), leadStyle);
    }
    // 5: break. Toms and bell over the drone, no snare or hats; a riser
    // builds into the climax.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        pad(p, droneChs, drone, key, dark, 52, 26);
        hits(p, kPerc, "l.....l...l.....", tomKit);
        hits(p, kKick, heart, kitOf(kick, 44));
        line(p, kBell, bell, key, dark, cat({l1, l2, l3, l4}), LineStyle{0, 40, 0});
        line(p, kBass, bass, key, dark, bassSlow, bassStyle);
        strike(p, 40, kHats, xm::kC4, riser, 28);  // the hats rest: room to swell
    }
    // 6: climax, everything with the bell a third under the lead.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true, true);
        strike(p, 0, kPerc, xm::kC4 + 12, tom, 50);
        pad(p, droneChs, drone, key, verse, 54, 18);
        line(p, kLead, lead, key, verse, cat({h1, l1, h2, l2}), leadStyle);
        LineStyle b = leadStyle;
        b.shift = -2;
        b.volume = 28;
        line(p, kBell, bell, key, verse, cat({h1, l1, h2, l2}), b);
    }
    // 7: the last toll: drums thin out onto the tonic, then back to the start.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({bII, i, bII, i});
        hits(p, kKick, cat({kickHalf, kickHalf, heart, heart}), kitOf(kick, 50));
        hits(p, kSnare, cat({snareHalf, snareHalf, "................", "................"}),
             kitOf(snare, 42));
        pad(p, droneChs, drone, key, close, 52, 22);
        line(p, kBass, bass, key, close, bassSlow, bassStyle);
        line(p, kLead, lead, key, close,
             cat({l2, "1...............", "^...............", "................"}), leadStyle);
        line(p, kBell, bell, key, close, "................1...............", bellStyle);
    }

    song.mix(kick, 0.8);
    song.mix(snare, 1.25);
    song.mix(hat, 1.6);
    song.setGain(1.3);
    using P = analysis::Part;
    return {"trauma.xm",
            song.finish({0, 1, 2, 1, 2, 3, 4, 5, 6, 3, 4, 7}, 8, 9),
            {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Counter, P::Chords,
             P::Chords, P::Chords},
            {}};
}

}  // namespace songs
