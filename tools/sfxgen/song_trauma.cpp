// trauma: tense and dark. C phrygian at 100 BPM: a bowed viola sings a
// tune that climbs the minor triad and sighs down from the flat sixth onto
// the flat second, over a slow bass that walks down and leans into each
// chord from a semitone above, half-time drums that stalk rather than run,
// a drone that sways across the field and a bell that tolls. It opens and
// breaks on the drone alone, so the full band has somewhere to come from.
// The flat second against the tonic is the colour it wants (the drone's bII
// over a held C, the tune's D-flat over C), and is allowed as such.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track trauma() {
    using P = analysis::Part;
    Song song("trauma",
              {P::Kick, P::Snare, P::Hats, P::Perc, P::Bass, P::Lead, P::Counter, P::Chords,
               P::Chords, P::Chords},
              100);
    const Key key{49, kPhrygian};  // C-4
    enum { kKick, kSnare, kHats, kPerc, kBass, kLead, kBell, kDrone1, kDrone2, kDrone3 };

    const int kick = song.add(sfx::kick("deep kick", 120, 46, 0.22, 0.6));
    const int snare = song.add(sfx::snare("snare", 180, 1500, 0.14, 0xA1));
    const int hat = song.add(sfx::hat("hat", 0.08, 5500, 0xA2));
    const int tom = song.add(sfx::tom("low tom", 90, 0.2));
    const int bass = song.add(sfx::sweptBass("dark bass", 1500, 320, 0.06, 0.4, 0.8));
    const int drone = song.add(sfx::withPanSway(
        sfx::loopInstrument("drone", {sfx::Wave::Saw, 192, {-1, 0, 1}, 4.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(60, 40, 52), 0x80),
        12, 480));
    // A bowed viola: a dark saw, two strings' worth of width, a slow bow.
    const int viola = song.add(sfx::withVibrato(
        sfx::loopInstrument("viola", {sfx::Wave::Saw, 192, {0, 1}, 6.0, 0.15, 0.0, 22050.0},
                            sfx::envSustain(6, 24, 50), 0x200),
        3, 20, 40));
    const int bell = song.add(sfx::bell("toll", 1.41, 3.0, 1.0, 2.5));
    const int riser = song.add(sfx::riser("riser", 3.8, 0xA3));

    // Phrygian chords; the fifth of v is raised so it is minor, not diminished.
    const Chord i{0}, bII{1}, iv{3}, v{4, 0, 1}, bVI{5}, bvii{6};
    const Harmony verse = progression({i, bII, i, v});
    const Harmony verse2 = progression({i, iv, bII, i});
    const Harmony climb = progression({bVI, bII, v, v});
    const Harmony dark = progression({iv, bvii, bII, i});

    const std::string kickHalf = "X.........x.....";
    const std::string kickStalk = "X.......X.....x.";
    const std::string snareHalf = "........X.......";
    const std::string snareFill = "........X...xXXX";
    const std::string hat8 = "X.x.X.x.X.x.X.xx";
    const std::vector<Hit> tomKit = {{'h', tom, xm::kC4 + 5, 40},
                                     {'m', tom, xm::kC4 + 2, 42},
                                     {'l', tom, xm::kC4 - 3, 44},
                                     {'R', riser, xm::kC4, 30}};
    const std::string tomFill = cat({rep("................", 3), "h.h.h.m.m.m.l.l."});
    LineStyle rollStyle;
    rollStyle.expression = "............rrrr";
    rollStyle.retrigger = 3;

    // The bass: long roots, a step down through the chord, and a lean into
    // every chord from a semitone above.
    const std::string bassWalk = "1.......8...5.B.";
    const std::string bassSlow = "1.......1.....B.";

    // The tune, against the key (1 = C): up the minor triad, the flat sixth
    // sighing onto the fifth, then down onto the flat second.
    // Each phrase asks in long notes and answers in shorter ones.
    const std::string t1 = "1.......3...5.6.";
    const std::string t2 = "5.......4.2.....";
    const std::string t3 = "1...3...5.6.8...";
    const std::string t4 = "7...........5.^.";
    const std::string u2 = "6.....5.4...3.4.";
    const std::string u3 = "6.......2.......";
    const std::string u4 = "1.......^.......";
    // Higher: the same shape from the flat sixth, and from the tonic.
    const std::string h1 = "6...8...X.......";
    const std::string h2 = "8.6.4...9.....8.";
    const std::string h3 = "7.....5.7.8.....";
    const std::string h4 = "7.......5.....^.";
    const std::string h0 = "8.......X.Y.X...";
    // Slides into the long notes, vibrato once they are held.
    const std::string leadMarks = "........//......";

    LineStyle bassStyle{-2, 44, 6};
    LineStyle leadStyle{1, 56, 0, false};
    leadStyle.vibratoAfter = 3;
    leadStyle.vibrato = 0x34;
    leadStyle.expression = leadMarks;
    leadStyle.slide = 0x10;
    LineStyle lowLead = leadStyle;
    lowLead.octave = 0;
    lowLead.volume = 38;
    LineStyle bellStyle{0, 30, 0};
    const std::vector<int> droneChs = {kDrone1, kDrone2, kDrone3};
    const int droneCentre = 58;
    // The drone swells into each chord.
    LineStyle swell;
    swell.expression = "<...<...........";
    swell.swell = 1;

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill, bool walk) {
        hits(p, kKick, walk ? kickStalk : kickHalf, kitOf(kick, 48));
        hits(p, kSnare, cat({snareHalf, snareHalf, snareHalf, fill ? snareFill : snareHalf}),
             kitOf(snare, 38));
        if (fill) {
            LineStyle roll = rollStyle;
            roll.startRow = 48;
            line(p, kSnare, 0, key, h, "", roll);
        }
        // The verses keep time in quarters; the climb and the climax drive in eighths.
        hits(p, kHats, walk ? hat8 : "x...x...x...x...", kitOf(hat, 44));
        if (fill)
            hits(p, kPerc, tomFill, tomKit);
        line(p, kBass, bass, key, h, walk ? cat({bassSlow, bassWalk}) : bassSlow, bassStyle);
    };

    // 0: the drone alone moves from C minor to its flat second under a
    // tolling bell and a low C; the viola calls the tune's first phrase low.
    {
        const std::string rest = "................";
        xm::Pattern& p = song.pattern(song.newPattern());
        pad(p, droneChs, drone, key, verse, droneCentre, 10);
        for (int ch : droneChs)
            line(p, ch, 0, key, verse, "", swell);
        line(p, kBell, bell, key, verse, "1...............", bellStyle);
        // A low C tolls under the first two chords: the flat second against it.
        line(p, kBass, bass, key, verse, cat({"1...............", "1.......^.......", rest, rest}),
             LineStyle{-2, 40, 0, false});
        line(p, kLead, viola, key, verse, cat({rest, rest, t3, t4}), lowLead);
    }
    // 1: the band comes in; the viola sings the tune.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, false, false);
        pad(p, droneChs, drone, key, verse, droneCentre, 14);
        LineStyle first = leadStyle;
        first.volume = 50;
        line(p, kLead, viola, key, verse, cat({t1, t2, t3, t4}), first);
        line(p, kBell, bell, key, verse, "1...............", bellStyle);
    }
    // 2: the answer over i-iv-bII-i, the bell tolling a chord tone under it.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse2, true, false);
        pad(p, droneChs, drone, key, verse2, droneCentre, 18);
        line(p, kLead, viola, key, verse2, cat({t1, u2, u3, u4}), leadStyle);
        LineStyle under = bellStyle;
        under.chordRelative = false;
        under.octave = 1;
        under.chordBelow = true;
        under.volume = 24;
        line(p, kBell, bell, key, verse2,
             cat({"1...............", "6...............", "6...............", "1..............."}),
             under);
    }
    // 3: the climb on bVI-bII-v, the tune an octave up, the bell a chord tone under it.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, climb, false, true);
        pad(p, droneChs, drone, key, climb, droneCentre + 2, 18);
        line(p, kLead, viola, key, climb, cat({h1, h2, h3, h4}), leadStyle);
        LineStyle b = leadStyle;
        b.chordBelow = true;
        b.volume = 24;
        b.vibratoAfter = 0;
        b.expression = "";
        line(p, kBell, bell, key, climb, cat({h1, h2, h3, h4}), b);
    }
    // 4: the climb falls back darker, a tom fill leads on.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, dark, true, true);
        pad(p, droneChs, drone, key, dark, droneCentre, 20);
        line(p, kLead, viola, key, dark,
             cat({"4.6.8.....6.4...", "7...6...4...2.4.", "6.4.2...........", u4}), leadStyle);
    }
    // 5: break. A low tom and the bell playing the tune slowly over the
    // drone, nothing else; a riser builds into the climax.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        pad(p, droneChs, drone, key, dark, droneCentre, 10);
        for (int ch : droneChs)
            line(p, ch, 0, key, dark, "", swell);
        hits(p, kPerc,
             cat({"l.........l.....", "l...............", "l.........l.....", "R..............."}),
             tomKit);
        line(p, kLead, bell, key, dark,
             cat({"4.......6...8...", "7...6.......4...", "6...4.2.........", "1..............."}),
             LineStyle{1, 38, 0, false});
    }
    // 6: climax, everything, the bell a chord tone under the tune.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true, true);
        strike(p, 0, kPerc, xm::kC4 + 12, tom, 44);
        pad(p, droneChs, drone, key, verse, droneCentre + 2, 22);
        LineStyle loud = leadStyle;
        loud.volume = 62;
        line(p, kLead, viola, key, verse, cat({h0, t2, t3, t4}), loud);
        LineStyle b = leadStyle;
        b.chordBelow = true;
        b.volume = 24;
        b.vibratoAfter = 0;
        b.expression = "";
        line(p, kBell, bell, key, verse, cat({h0, t2, t3, t4}), b);
    }
    // 7: the last toll: drums thin out onto the tonic, then back to the gallop.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({bII, i, bII, i});
        const std::string rest = "................";
        hits(p, kKick, cat({kickHalf, kickHalf, rest, rest}), kitOf(kick, 44));
        hits(p, kSnare, cat({snareHalf, snareHalf, "................", "................"}),
             kitOf(snare, 34));
        hits(p, kHats, cat({hat8, "x.......x.......", rest, rest}), kitOf(hat, 40));
        pad(p, droneChs, drone, key, close, droneCentre, 22);
        line(p, kBass, bass, key, close, cat({bassSlow, bassSlow, "^...............", rest}),
             bassStyle);
        line(p, kLead, viola, key, close,
             cat({"6.5.4.....2.....", "1...............", "6...5...4.2.....", "1.......^......."}),
             leadStyle);
        line(p, kBell, bell, key, close, "................1...............", bellStyle);
    }

    song.pan(kHats, 212);
    song.pan(kPerc, 64);
    song.pan(kBell, 32);
    song.pan(kDrone1, 28);
    song.pan(kDrone2, 160);
    song.pan(kDrone3, 228);
    song.mix(kick, 1.1);
    song.mix(snare, 1.0);
    song.mix(hat, 1.45);
    song.mix(bass, 0.8);
    song.mix(drone, 1.2);
    song.mix(bell, 1.15);
    song.setGain(1.146);
    return {"trauma.xm",
            song.finish({0, 1, 2, 1, 2, 3, 4, 5, 6, 3, 4, 7}, 8, 9, 1),
            song.parts(),
            {{0, 1}}};  // the phrygian second: D-flat against C
}

}  // namespace songs
