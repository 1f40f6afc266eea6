// maddy: the bouncy one. F major at 118 BPM with a shuffle heard in every
// part (each beat's second eighth comes at 62.5 % of the beat), I-vi-ii-V
// verses sung by an organ, a chorus where a muted brass takes the tune
// with scoops and swells, off-beat organ stabs, marimba and a plucked bass
// jumping octaves. The hook comes back in new rhythms rather than the same
// bar each time; the break drops to clap, bass, marimba and a soft organ.
// The organ turns slowly (two voices a shade apart) and the pad sways.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track maddy() {
    using P = analysis::Part;
    Song song("maddy",
              {P::Kick, P::Snare, P::Hats, P::Perc, P::Perc, P::Bass, P::Lead, P::Lead, P::Chords,
               P::Counter, P::Chords, P::Chords},
              118);
    const Key key{54, kMajor};  // F-4
    enum {
        kKick,
        kSnare,
        kHats,
        kShaker,
        kPerc,
        kBass,
        kLead,
        kBrass,
        kMarimba,
        kBell,
        kPad1,
        kPad2
    };

    const int kick = song.add(sfx::kick("kick", 140, 52, 0.16, 0.4));
    const int snare = song.add(sfx::snare("snare", 230, 2000, 0.08, 0x51));
    const int hat = song.add(sfx::hat("hat", 0.06, 6500, 0x52));
    const int clap = song.add(sfx::clap("clap", 0x53));
    const int shake = song.add(sfx::shaker("shaker", 0x54));
    const int tom = song.add(sfx::tom("tom", 140, 0.12));
    const int bass = song.add(sfx::pluck("pluck bass", 0.55, 0.5, 1.0, 0x55));
    const int organ = song.add(
        sfx::loopInstrument("organ", {sfx::Wave::Square, 128, {0, 1}, 10.0, 0.5, 0.25, 22050.0},
                            sfx::envSustain(0, 10, 50), 0x500));
    // A muted brass: a dark saw that breathes in over a few ticks, two
    // players a shade apart, a slow vibrato on held notes.
    const int brass = song.add(sfx::withVibrato(
        sfx::loopInstrument("muted brass", {sfx::Wave::Saw, 192, {0, 1}, 5.0, 0.3, 0.0, 22050.0},
                            sfx::envSustain(4, 12, 54), 0x300),
        3, 22, 70));
    const int marimba = song.add(sfx::mallet("marimba", 0.25));
    const int bell = song.add(sfx::bell("glock", 4.0, 1.2, 0.5, 1.5));
    const int padI = song.add(sfx::withPanSway(
        sfx::loopInstrument("warm pad", {sfx::Wave::Triangle, 192, {-1, 1}, 0.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(20, 20, 50), 0x100),
        12, 416));

    const Chord I{0}, ii{1}, iii{2}, IV{3}, V{4}, vi{5};
    const Harmony verse = progression({I, vi, ii, V});
    const Harmony chorus = progression({IV, V, iii, vi});
    const Harmony turn = progression({ii, V, I, I});

    const std::string kickBar = "X.....x.X.......";
    const std::string kickHop = "X.....x.X.....x.";
    const std::string snareBar = "....X..g....X...";
    const std::string snareFill = "....X.......X.XX";
    const std::string clapBar = "............X...";
    const std::string hatBar = "X.x.X.x.X.x.X.o.";
    const std::string shakeBar = "o.x.o.x.o.x.o.x.";
    const std::string tomFill = cat({rep("................", 3), "........h.h.m.l."});
    const std::vector<Hit> tomKit = {
        {'h', tom, xm::kC4 + 7, 40}, {'m', tom, xm::kC4 + 3, 42}, {'l', tom, xm::kC4 - 1, 44}};
    // Bass: root, octave jump, fifth, a leading note of one eighth.
    const std::string bassBar = "1...8.1.5...8.A.";
    const std::string bassWalk = "1...3...5.6.8.A.";
    // The organ's tune (1 = F): a hook on the swung eighths, its answer.
    const std::string o1 = "5.5.6...5.3...1.";
    const std::string o2 = "6.....5.3.1.3...";
    const std::string o3 = "4.4.5...4.2.4...";
    const std::string o4 = "5...3...2.3.2...";
    const std::string o1b = "5.5.6...8...6.5.";
    const std::string o2b = "6...8.6.5.......";
    const std::string o3b = "4.5.6.5.4...2...";
    const std::string o4b = "3...2...5.......";
    // The brass's chorus tune, scooping into its long notes.
    const std::string b1 = "8.......7.6.4...";
    const std::string b2 = "7...7.6.5...3...";
    const std::string b3 = "3.3.5.....3.2.3.";
    const std::string b4 = "6.......^.......";
    const std::string b5 = "4.4.5.6.....4...";
    const std::string b6 = "5.....3.2...5...";
    const std::string b7 = "8...6.5.6...5...";
    const std::string b8 = "1.......^.......";
    const std::string brassMarks = "<.......<...<...";
    const std::string marBar = "..5...8...5...8.";
    const std::string marRun = "1.3.5.8.5.3.1.3.";
    const std::string stabs = "..x^..x^..x^..x^";

    LineStyle bassStyle{-2, 44, 4};
    LineStyle organStyle{1, 58, 0, false};
    organStyle.vibratoAfter = 3;
    organStyle.vibrato = 0x63;
    LineStyle brassStyle{1, 48, 0, false};
    brassStyle.expression = brassMarks;
    brassStyle.swell = 2;
    brassStyle.vibratoAfter = 4;
    brassStyle.vibrato = 0x44;
    LineStyle scoop = brassStyle;
    scoop.expression = "........//......";
    scoop.slide = 0x30;
    LineStyle marStyle{0, 30, 4};
    LineStyle bellStyle{1, 28, 0};
    const std::vector<int> padChs = {kPad1, kPad2};
    const int padCentre = 58;

    std::vector<Hit> percKit = kitOf(clap, 36);
    percKit.insert(percKit.end(), tomKit.begin(), tomKit.end());
    LineStyle clapRoll;
    clapRoll.expression = "............r...";
    clapRoll.retrigger = 4;

    auto groove = [&](xm::Pattern& p, const Harmony& h, bool fill) {
        hits(p, kKick, cat({kickBar, kickHop, kickBar, kickHop}), kitOf(kick, 50));
        hits(p, kSnare, cat({snareBar, snareBar, snareBar, fill ? snareFill : snareBar}),
             kitOf(snare, 40));
        hits(p, kHats, hatBar, kitOf(hat, 44));
        hits(p, kShaker, shakeBar, kitOf(shake, 30));
        hits(p, kPerc, fill ? tomFill : clapBar, percKit);
        if (!fill)
            line(p, kPerc, 0, key, h, "", clapRoll);
        line(p, kBass, bass, key, h, bassBar, bassStyle);
    };

    // 0: intro, marimba and shaker over the walking bass, the kit enters at the end.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kShaker, shakeBar, kitOf(shake, 30));
        line(p, kBass, bass, key, verse, bassWalk, bassStyle);
        line(p, kMarimba, marimba, key, verse, marRun, marStyle);
        hits(p, kPerc, tomFill, tomKit);
        pad(p, padChs, padI, key, verse, padCentre, 14);
    }
    // 1: verse, the organ states the hook.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, false);
        line(p, kLead, organ, key, verse, cat({o1, o2, o3, o4}), organStyle);
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        pad(p, padChs, padI, key, verse, padCentre, 16);
    }
    // 2: verse again, the answer; the glockenspiel replies at the ends of phrases.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true);
        line(p, kLead, organ, key, verse, cat({o1b, o2b, o3b, o4b}), organStyle);
        LineStyle reply{0, 30, 0, false};
        line(p, kBell, bell, key, verse,
             cat({"............5.6.", "8...............", "............6.5.", "5..............."}),
             reply);
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        pad(p, padChs, padI, key, verse, padCentre, 16);
    }
    // 3: chorus, the brass on top, organ stabs on the off-beats, glockenspiel sparkle.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, chorus, false);
        line(p, kBrass, brass, key, chorus, cat({b1, b2, b3, b4}), brassStyle);
        arpeggioChords(p, kMarimba, organ, key, chorus, stabs, 0, 26);
        line(p, kBell, bell, key, chorus, "8.......5.......", bellStyle);
        pad(p, padChs, padI, key, chorus, padCentre + 2, 18);
    }
    // 4: chorus turnaround to the tonic, with the tom fill; the brass scoops.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, turn, true);
        line(p, kBrass, brass, key, turn, cat({b5, b6, b7, b8}), scoop);
        arpeggioChords(p, kMarimba, organ, key, turn, stabs, 0, 26);
        line(p, kBell, bell, key, turn, "8.......5.......", bellStyle);
        pad(p, padChs, padI, key, turn, padCentre + 2, 18);
    }
    // 5: break, clap and marimba, no kick; the marimba takes the hook, the
    // organ plays it softly with it.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        hits(p, kPerc, "....X.......X...", kitOf(clap, 30));
        LineStyle walk = bassStyle;
        walk.volume = 36;
        line(p, kBass, bass, key, verse, bassWalk, walk);
        line(p, kLead, organ, key, verse, cat({o1, o2, o3, o4}), LineStyle{1, 32, 0, false});
        line(p, kMarimba, marimba, key, verse, cat({o1, o2, o3, o4}), LineStyle{0, 30, 0, false});
        pad(p, padChs, padI, key, verse, padCentre, 14);
    }
    // 6: the organ and the brass trade phrases over the verse chords.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        groove(p, verse, true);
        line(p, kLead, organ, key, verse, cat({o1b, "^...............", o3b, "^..............."}),
             organStyle);
        line(p, kBrass, brass, key, verse, cat({"................", o2b, "................", o4b}),
             scoop);
        line(p, kMarimba, marimba, key, verse, marBar, marStyle);
        pad(p, padChs, padI, key, verse, padCentre, 16);
    }
    // 7: closing phrase on the tonic, then back to the first verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({ii, V, I, I});
        groove(p, close, true);
        line(p, kLead, organ, key, close, cat({o3b, o4, "8.......5.......", "1...........^..."}),
             organStyle);
        line(p, kMarimba, marimba, key, close, marRun, marStyle);
        pad(p, padChs, padI, key, close, padCentre, 18);
        // The band stops for the last bar: the organ's tonic over the pad
        // and the bass.
        for (int row = 44; row < 64; ++row)
            for (int ch :
                 {int(kKick), int(kSnare), int(kHats), int(kShaker), int(kPerc), int(kMarimba)})
                p.at(row, ch) = xm::Cell{};
    }

    song.swing({8, 7, 5, 4});
    song.pan(kLead, 100);
    song.pan(kBrass, 160);
    song.pan(kHats, 184);
    song.pan(kShaker, 56);
    song.pan(kPerc, 156);
    song.pan(kMarimba, 44);
    song.pan(kBell, 216);
    song.pan(kPad1, 40);
    song.pan(kPad2, 216);
    song.mix(kick, 0.95);
    song.mix(snare, 1.2);
    song.mix(hat, 1.3);
    song.mix(shake, 1.2);
    song.mix(clap, 1.2);
    song.mix(bass, 1.1);
    song.mix(organ, 0.56);
    song.mix(brass, 0.75);
    song.setGain(1.126);
    return {"maddy.xm",
            song.finish({0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 5, 6, 6, 3, 4, 1, 2, 5, 1, 2, 3, 4, 3, 7}, 8,
                        12, 1),
            song.parts(),
            {}};
}

}  // namespace songs
