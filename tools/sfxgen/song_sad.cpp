// sad: the minor ballad. D minor at 76 BPM: piano arpeggios, a flute
// melody, strings that swell in the chorus and a brushed kit that only
// joins halfway. i-VI-III-VII and i-iv-VII-III verses, a VI-VII-i chorus
// that turns on a major V.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track sad() {
    Song song("sad", 8, 76);
    const Key key{51, kMinor};  // D-4
    enum { kKick, kSnare, kHats, kBass, kPiano, kFlute, kStr1, kStr2 };

    const int kick = song.add(sfx::kick("soft kick", 110, 46, 0.22, 0.15));
    const int snare = song.add(sfx::snare("brush", 180, 3000, 0.16, 0x71));
    const int hat = song.add(sfx::shaker("soft hat", 0x72));
    const int bass = song.add(
        sfx::loopInstrument("round bass", {sfx::Wave::Triangle, 16, {0}, 0.0, 0.4, 0.0, 22050.0},
                            sfx::envSustain(2, 30, 44), 0x200));
    const int piano = song.add(sfx::place(sfx::keys("piano", 2.4, 0x73), 110, 64));
    xm::Instrument fluteIns =
        sfx::loopInstrument("flute", {sfx::Wave::Triangle, 16, {0}, 3.0, 0.0, 0.08, 22050.0},
                            sfx::envSustain(6, 20, 54), 0x180);
    fluteIns.vibratoSweep = 40;
    fluteIns.vibratoDepth = 4;
    fluteIns.vibratoRate = 10;
    const int flute = song.add(sfx::place(fluteIns, 150, 64));
    const int strings = song.add(
        sfx::loopInstrument("strings", {sfx::Wave::Saw, 192, {-1, 0, 1}, 4.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(40, 20, 56), 0xC0));

    const Chord i{0}, iv{3}, VI{5}, III{2}, VII{6}, V{4, 1};
    const Harmony verseA = progression({i, VI, III, VII});
    const Harmony verseB = progression({i, iv, VII, III});
    const Harmony chorusA = progression({VI, VII, i, i});
    const Harmony chorusB = progression({iv, i, V, V});

    // Piano: broken chords in eighths, the top note moving.
    const std::string arpA = "1...5...8...5...";
    const std::string arpB = "1...5...8...X...";
    const std::string arpFull = "1.5.8.5.X.8.5.8.";
    // Flute phrases, against each chord's root.
    const std::string f1 = "5.......4...3...";
    const std::string f2 = "3.......2.......";
    const std::string f3 = "1...2...3...5...";
    const std::string f4 = "4.......3...^...";
    const std::string f5 = "8.......7...5...";
    const std::string f6 = "5...........^...";
    const std::string f7 = "3...4...5...8...";
    const std::string f8 = "7.......^.......";

    LineStyle pianoStyle{0, 34, 4};
    pianoStyle.foldAbove = 4;
    LineStyle fluteStyle{1, 40, 0};
    fluteStyle.foldAbove = 3;
    LineStyle bassStyle{-2, 44, 0};
    const std::vector<int> strChs = {kStr1, kStr2};

    const std::string kickBar = "X.........x.....";
    const std::string snareBar = "........x.......";
    const std::string hatBar = "o...x...o...x...";
    const std::string fill = "........x...x.xx";

    auto verse = [&](const Harmony& h, const std::string& mel, bool drums, bool strings_,
                     bool drumFill) {
        xm::Pattern& p = song.pattern(song.newPattern());
        line(p, kPiano, piano, key, h, drums ? arpFull : arpA, pianoStyle);
        line(p, kBass, bass, key, h, "1.......5.......", bassStyle);
        if (!mel.empty())
            line(p, kFlute, flute, key, h, mel, fluteStyle);
        if (strings_)
            pad(p, strChs, strings, key, h, 58, 22);
        if (drums) {
            hits(p, kKick, kickBar, kitOf(kick, 44));
            hits(p, kSnare, cat({snareBar, snareBar, snareBar, drumFill ? fill : snareBar}),
                 kitOf(snare, 36));
            hits(p, kHats, hatBar, kitOf(hat, 22));
        }
    };

    // 0: piano alone with a breath of strings.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        line(p, kPiano, piano, key, verseA, arpA, pianoStyle);
        pad(p, strChs, strings, key, verseA, 58, 14);
        line(p, kBass, bass, key, verseA,
             cat({rep("................", 2), "1...............", "1.......A......."}), bassStyle);
    }
    // 1, 2: first verse, the flute enters.
    verse(verseA, cat({f1, f2, f3, f4}), false, false, false);
    verse(verseB, cat({f1, f2, f7, f8}), false, true, false);
    // 3, 4: second verse, the brushes join.
    verse(verseA, cat({f1, f2, f3, f4}), true, true, false);
    verse(verseB, cat({f5, f2, f7, f6}), true, true, true);
    // 5, 6: chorus, strings swell and the flute climbs.
    verse(chorusA, cat({f7, f5, f6, f3}), true, true, false);
    verse(chorusB, cat({f5, f1, f8, "5...4...3...A..."}), true, true, true);
    // 7: interlude, the piano alone plays the tune, strings underneath.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        LineStyle mel = fluteStyle;
        mel.octave = 1;
        mel.volume = 40;
        line(p, kPiano, piano, key, verseA, cat({f1, f2, f3, f4}), mel);
        pad(p, strChs, strings, key, verseA, 58, 20);
        line(p, kBass, bass, key, verseA, "1...............", bassStyle);
        hits(p, kHats, "o.......o.......", kitOf(hat, 18));
    }
    // 8: last verse, the flute's second phrase.
    verse(verseB, cat({f5, f2, f7, f8}), true, true, false);
    // 9: final chorus, the fullest.
    verse(chorusA, cat({f7, f5, "8.......7.5.4.3.", "5...........^..."}), true, true, true);
    // 10: ending on the tonic, then back to the start.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({iv, V, i, i});
        line(p, kPiano, piano, key, close, arpA, pianoStyle);
        line(p, kFlute, flute, key, close, cat({f1, f8, "1...............", "^..............."}),
             fluteStyle);
        pad(p, strChs, strings, key, close, 58, 22);
        line(p, kBass, bass, key, close, "1.......5.......", bassStyle);
        hits(p, kKick, cat({kickBar, kickBar, "X...............", "................"}),
             kitOf(kick, 40));
        hits(p, kHats, cat({hatBar, hatBar, "o...............", "................"}),
             kitOf(hat, 20));
    }

    song.mix(snare, 1.3);
    song.mix(hat, 1.6);
    song.mix(piano, 1.4);
    song.mix(bass, 0.7);
    song.mix(flute, 0.8);
    song.setGain(1.62);
    using P = analysis::Part;
    return {"sad.xm",
            song.finish({0, 1, 2, 1, 2, 3, 4, 5, 6, 7, 3, 4, 5, 6, 8, 9, 6, 7, 1, 2, 9, 10}, 11, 7),
            {P::Kick, P::Snare, P::Hats, P::Bass, P::Chords, P::Lead, P::Chords, P::Chords},
            {}};
}

}  // namespace songs
