// sad: the minor ballad. D minor at 76 BPM: piano arpeggios on the left, a
// clarinet singing the tune in dotted rhythms with pickups into each
// phrase, strings that swell on both sides in the chorus and a brushed kit
// that only joins halfway. i-VI-III-VII and i-iv-VII-III verses, a
// VI-VII-i chorus that turns on a major V, and an interlude where the piano
// alone takes the tune over the bass. The clarinet is two reeds a shade
// apart with a slow vibrato of its own; the strings sway across the field.
#include "composer.h"
#include "instruments.h"
#include "songs.h"

namespace songs {

using namespace compose;

Track sad() {
    using P = analysis::Part;
    Song song("sad",
              {P::Kick, P::Snare, P::Hats, P::Bass, P::Chords, P::Lead, P::Chords, P::Chords}, 76);
    const Key key{51, kMinor};  // D-4
    enum { kKick, kSnare, kHats, kBass, kPiano, kLead, kStr1, kStr2 };

    const int kick = song.add(sfx::kick("soft kick", 110, 46, 0.22, 0.15));
    const int snare = song.add(sfx::snare("brush", 180, 3000, 0.16, 0x71));
    const int hat = song.add(sfx::hat("soft hat", 0.09, 4200, 0x72));
    const int bass = song.add(
        sfx::loopInstrument("round bass", {sfx::Wave::Triangle, 16, {0}, 0.0, 0.4, 0.0, 22050.0},
                            sfx::envSustain(2, 30, 44), 0x200));
    const int piano = song.add(sfx::keys("piano", 2.4, 0x73));
    // A clarinet: the hollow odd harmonics of a square, softened, breathing in.
    const int clarinet = song.add(sfx::withVibrato(
        sfx::loopInstrument("clarinet", {sfx::Wave::Square, 192, {0, 1}, 4.5, 0.35, 0.0, 22050.0},
                            sfx::envSustain(5, 20, 52), 0x180),
        2, 16, 90));
    const int strings = song.add(sfx::withPanSway(
        sfx::loopInstrument("strings", {sfx::Wave::Saw, 192, {-1, 0, 1}, 4.0, 0.0, 0.0, 22050.0},
                            sfx::envSustain(40, 20, 56), 0x180),
        10, 640));

    const Chord i{0}, iv{3}, VI{5}, III{2}, VII{6}, V{4, 1};
    const Harmony verseA = progression({i, VI, III, VII});
    const Harmony verseB = progression({i, iv, VII, III});
    const Harmony chorusA = progression({VI, VII, i, i});
    const Harmony chorusB = progression({iv, i, V, V});

    // Piano: broken chords in eighths, the top note moving.
    const std::string arpA = "1...5...8...5...";
    const std::string arpFull = "1.5.8.5.X.8.5.8.";
    // The tune, against the key (1 = D): dotted rhythms, pickups into the
    // next bar, long notes that the clarinet leans into.
    const std::string a1 = "5.....4.3.2.3...";
    const std::string a2 = "4.....3.1...b...";
    const std::string a3 = "3...5...8..7.6..";
    const std::string a4 = "5.......^...3.4.";
    const std::string b1 = "5.....6.5.4.3...";
    const std::string b2 = "4...6...8...7.6.";
    const std::string b3 = "5...7...5..43.2.";
    const std::string b4 = "3...........^.4.";
    const std::string c1 = "8.....7.6...4...";
    const std::string c2 = "7...6...5.2.....";
    const std::string c3 = "3...4...5.....8.";
    const std::string c4 = "8...........^.7.";
    const std::string d1 = "6.....5.4...6...";
    const std::string d2 = "5.3.5.......8...";
    const std::string d3 = "5.....2...5.....";
    const std::string d4 = "2...............";  // then a C#, see pattern 6
    // Slides into the long notes that follow a leap.
    const std::string leadMarks = "....../.........";

    LineStyle pianoStyle{0, 34, 4};
    pianoStyle.foldAbove = 4;
    LineStyle leadStyle{1, 56, 0, false};
    leadStyle.vibratoAfter = 4;
    leadStyle.vibrato = 0x33;
    leadStyle.expression = leadMarks;
    leadStyle.slide = 0x08;
    LineStyle bassStyle{-2, 44, 0};
    const std::vector<int> strChs = {kStr1, kStr2};
    // The strings swell into each chord of the chorus.
    LineStyle swell;
    swell.expression = "<...<...<.......";
    swell.swell = 1;

    const std::string kickBar = "X.........x.....";
    const std::string snareBar = "........x.......";
    const std::string hatBar = "x.x.x.x.x.x.x.xo";
    const std::string fill = "........x...x.xx";

    auto verse = [&](const Harmony& h, const std::string& mel, bool drums, bool strings_,
                     bool drumFill, bool swells) -> xm::Pattern& {
        xm::Pattern& p = song.pattern(song.newPattern());
        line(p, kPiano, piano, key, h, drums ? arpFull : arpA, pianoStyle);
        line(p, kBass, bass, key, h, "1.......5.......", bassStyle);
        if (!mel.empty())
            line(p, kLead, clarinet, key, h, mel, leadStyle);
        if (strings_) {
            pad(p, strChs, strings, key, h, 56, swells ? 22 : 28);
            if (swells)
                for (int ch : strChs)
                    line(p, ch, 0, key, h, "", swell);
        }
        if (drums) {
            hits(p, kKick, kickBar, kitOf(kick, 44));
            hits(p, kSnare, cat({snareBar, snareBar, snareBar, drumFill ? fill : snareBar}),
                 kitOf(snare, 36));
            hits(p, kHats, hatBar, kitOf(hat, 44));
        }
        return p;
    };

    // 0: piano alone with a breath of strings; the bass comes in, a short
    // leading note into the verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        LineStyle soft = pianoStyle;
        soft.volume = 26;
        line(p, kPiano, piano, key, verseA, arpA, soft);
        pad(p, strChs, strings, key, verseA, 56, 10);
        line(p, kBass, bass, key, verseA,
             cat({rep("................", 2), "1...............", "1.........5...A."}), bassStyle);
        line(p, kLead, clarinet, key, verseA, cat({rep("................", 3), "........^...3.4."}),
             leadStyle);
    }
    // 1, 2: first verse, the clarinet enters.
    verse(verseA, cat({a1, a2, a3, a4}), false, false, false, false);
    verse(verseB, cat({b1, b2, b3, b4}), false, true, false, false);
    // 3, 4: second verse, the brushes join.
    verse(verseA, cat({a1, a2, a3, a4}), true, true, false, false);
    verse(verseB, cat({b1, b2, b3, b4}), true, true, true, false);
    // 5, 6: chorus, strings swell and the clarinet climbs.
    verse(chorusA, cat({c1, c2, c3, c4}), true, true, false, true);
    {
        xm::Pattern& p = verse(chorusB, cat({d1, d2, d3, d4}), true, true, true, true);
        // The major V's third leads back up to the tonic.
        LineStyle leading = leadStyle;
        leading.chordRelative = true;
        leading.startRow = 60;
        line(p, kLead, clarinet, key, chorusB, "3...", leading);
    }
    // 7: interlude, the piano alone plays the tune over the bass.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        LineStyle mel{1, 36, 0, false};
        line(p, kLead, piano, key, verseA, cat({a1, a2, a3, a4}), mel);
        LineStyle under = pianoStyle;
        under.volume = 22;
        line(p, kPiano, piano, key, verseA, arpA, under);
        line(p, kBass, bass, key, verseA, "1...............", bassStyle);
    }
    // 8: last verse, the second phrase again.
    verse(verseB, cat({b1, b2, b3, b4}), true, true, false, false);
    // 9: final chorus, the fullest.
    verse(chorusA, cat({c1, c2, "3.....4.5...X...", "8...........^..."}), true, true, true, true);
    // 10: ending on the tonic, then back to the first verse.
    {
        xm::Pattern& p = song.pattern(song.newPattern());
        const Harmony close = progression({iv, V, i, i});
        line(p, kPiano, piano, key, close, arpA, pianoStyle);
        line(p, kLead, clarinet, key, close,
             cat({"4.....6.8...6...", "5.....2...5.....", "8...............", "^...........3.4."}),
             leadStyle);
        pad(p, strChs, strings, key, close, 56, 22);
        line(p, kBass, bass, key, close, "1.......5.......", bassStyle);
        hits(p, kKick, cat({kickBar, kickBar, "X...............", "................"}),
             kitOf(kick, 40));
        hits(p, kHats, cat({hatBar, hatBar, "o...............", "................"}),
             kitOf(hat, 36));
    }

    song.panByPitch(kPiano, 88, 8.0);
    song.pan(kLead, 150);
    song.pan(kHats, 188);
    song.pan(kStr1, 40);
    song.pan(kStr2, 216);
    song.mix(kick, 1.0);
    song.mix(snare, 1.3);
    song.mix(hat, 1.32);
    song.mix(piano, 1.6);
    song.mix(clarinet, 0.66);
    song.mix(bass, 0.9);
    song.setGain(1.035);
    return {
        "sad.xm",
        song.finish({0, 1, 2, 1, 2, 3, 4, 5, 6, 7, 3, 4, 5, 6, 8, 9, 6, 7, 1, 2, 9, 10}, 11, 7, 1),
        song.parts(),
        {}};
}

}  // namespace songs
