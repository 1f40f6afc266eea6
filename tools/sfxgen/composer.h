// Tools for writing module music by code: keys and chords, a one-character-
// per-row notation for parts, and a song builder that checks the finished
// module's structure.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "analysis.h"
#include "xm.h"

namespace compose {

// Semitone offsets of the seven degrees of a mode.
using Scale = std::array<int, 7>;
inline constexpr Scale kMajor = {0, 2, 4, 5, 7, 9, 11};
inline constexpr Scale kMinor = {0, 2, 3, 5, 7, 8, 10};
inline constexpr Scale kDorian = {0, 2, 3, 5, 7, 9, 10};
inline constexpr Scale kPhrygian = {0, 1, 3, 5, 7, 8, 10};
inline constexpr Scale kMixolydian = {0, 2, 4, 5, 7, 9, 10};

struct Key {
    int tonic;  // module note number of the tonic in octave 4 (C-4 = 49)
    Scale scale;
    // Note number of a scale degree counted from the tonic (0 = tonic,
    // 7 = tonic an octave up, -1 = the degree below the tonic).
    int note(int degree) const;
};

// A triad (or seventh chord) on a scale degree; alterations raise or lower
// its third or fifth by semitones (e.g. the major V of a minor key).
struct Chord {
    int degree;
    int third = 0;
    int fifth = 0;
    int root = 0;  // chromatic shift of the whole chord (borrowed chords)
};

// A chord sounding from `row` for `length` rows.
struct Span {
    Chord chord;
    int row;
    int length;
};
using Harmony = std::vector<Span>;

// Chords of equal length, one after another from row 0.
Harmony progression(const std::vector<Chord>& chords, int rowsEach = 16);

// Options for the melodic notation (see line()).
struct LineStyle {
    int octave = 0;   // octaves added to every note
    int volume = 48;  // 0..64
    int accent = 0;   // added on rows that start a beat, taken off others
    bool chordRelative = true;
    int foldAbove = 3;          // chord roots above this degree are taken an octave down
    int shift = 0;              // diatonic shift of the whole line (harmony a third below: -2)
    int startRow = 0;           // first row written
    int effect = 0, param = 0;  // effect written beside every new note
    // Expression, one mark per row beside the notes (repeating like them):
    //   '.' nothing       '~' vibrato (4xy with `vibrato`)
    //   '/' slide into this row's note from the one before (3xx with `slide`)
    //   '>' fade (volume slide down by `fade`)   '<' swell (up by `swell`)
    //   'a' arpeggio up through the chord from this row's note
    //   'r' retrigger a struck note every `retrigger` ticks
    //   'x' cut after `cut` ticks
    // With no notes (empty text) only the marks are written, over what the
    // channel already plays.
    std::string expression = "";
    uint8_t vibrato = 0x44, slide = 0x30, fade = 0x02, swell = 0x02, retrigger = 3, cut = 3;
    // Vibrato that sets in on long notes by itself: from this many rows
    // after a note starts to its end, for notes that last two rows more
    // (0 leaves it to the marks). `heldEffect` may make it a tremolo (7xy).
    int vibratoAfter = 0;
    uint8_t heldEffect = xm::kVibrato;
    // A harmony under a tune: each note becomes the nearest tone of the
    // sounding chord at least a minor third below it.
    bool chordBelow = false;
};

// Writes a part in a one-character-per-row notation; the text repeats until
// the pattern ends:
//   '.' nothing (the note goes on)      '^' key-off
//   '1'..'9' the scale step 0..8 above the anchor, 'X' 'Y' 'Z' steps 9..11
//   'a'..'g' steps -1..-7 below the anchor
//   'A' a semitone below the next chord's root (a leading note into it)
//   'B' a semitone above the next chord's root
// The anchor is the root of the chord sounding on that row (chordRelative)
// or the tonic; a step on the chord's third or fifth takes its alteration.
// Returns the number of notes written.
int line(xm::Pattern& p, int channel, int instrument, const Key& key, const Harmony& harmony,
         const std::string& text, const LineStyle& style);

// One drum or percussion voice of a hit notation.
struct Hit {
    char symbol;
    int instrument;
    int note;    // module note number
    int volume;  // 0..64
};

// The usual kit notation for one instrument: 'X' accent, 'x' normal, 'o'
// soft, 'g' ghost, at `volume` for 'x'.
std::vector<Hit> kitOf(int instrument, int volume, int note = xm::kC4);

// Writes hits; '.' leaves the row alone, '^' writes a key-off, any symbol of
// `kit` plays that hit. The text repeats from `startRow` to the end.
int hits(xm::Pattern& p, int channel, const std::string& text, const std::vector<Hit>& kit,
         int startRow = 0);

// Sustained chords over several channels with smooth voice leading: each
// chord takes the inversion closest to the previous one near `centre` (a
// note number). `rhythm` (repeating) marks with 'x' the rows where the
// chord is struck again and with '^' releases; a new chord always strikes.
void pad(xm::Pattern& p, const std::vector<int>& channels, int instrument, const Key& key,
         const Harmony& harmony, int centre, int volume, const std::string& rhythm = "");

// Chords played by one channel as a tracker arpeggio (0xy cycling through
// the chord every tick): the chord's root or `inversion` struck on 'x' rows
// of `rhythm`, the arpeggio going on while it holds, '^' releasing.
void arpeggioChords(xm::Pattern& p, int channel, int instrument, const Key& key,
                    const Harmony& harmony, const std::string& rhythm, int octave, int volume);

// Writes one note with its instrument and volume.
void strike(xm::Pattern& p, int row, int channel, int note, int instrument, int volume);

// Copies the notes of one channel to another, `delay` rows later and with
// volumes scaled (an echo); instrument 0 keeps the source instrument.
void echo(xm::Pattern& p, int from, int to, int delay, double volumeScale, int instrument = 0);

// Writes an effect on the first row of a channel whose effect column is
// free at `row`, preferring `channel`. Returns false if every column is taken.
bool placeEffect(xm::Pattern& p, int row, int channel, uint8_t effect, uint8_t param);

// Collects instruments and patterns, then checks and finishes the module.
class Song {
  public:
    // One channel for each part, in order.
    Song(const std::string& name, const std::vector<analysis::Part>& parts, int bpm);
    const std::vector<analysis::Part>& parts() const { return parts_; }
    int add(xm::Instrument ins);    // returns the 1-based instrument number
    int newPattern(int rows = 64);  // returns the pattern index
    xm::Pattern& pattern(int index) { return module_.patterns.at(index); }
    // Multiplies every volume written in the patterns (the song's mix level).
    void setGain(double gain) { gain_ = gain; }
    // Multiplies the volumes of one instrument's notes (its level in the mix).
    void mix(int instrument, double gain) { mix_[instrument] = gain; }
    // Places a channel in the stereo field (0 left .. 255 right): every note
    // it strikes carries the panning, where its effect column is free.
    void pan(int channel, int position) { pan_[channel] = position; }
    // Spreads a channel's notes across the field by pitch, as a piano sits:
    // `centre` at C-5 (the note 61), `perSemitone` further right for each
    // semitone up.
    void panByPitch(int channel, int centre, double perSemitone) {
        spread_[channel] = {centre, perSemitone};
    }
    // Swing: the ticks of each row of a beat (four rows), repeating through
    // the song; {8, 7, 5, 4} puts every off-beat eighth at 62.5 % of the
    // beat, moving all parts together.
    void swing(const std::vector<int>& ticksPerRow) { swing_ = ticksPerRow; }
    // Finishes the module: orders, the tempo at the start, a jump back to
    // the restart position (the first one after the intro) at the end of
    // the last pattern, a release at the start of each pattern for
    // sustained parts that have nothing to play there, pans and swing.
    // Throws std::runtime_error if the structure is not the one asked for
    // or anything is left unused.
    xm::Module finish(const std::vector<int>& orders, int patterns, int instruments,
                      int restart = 0);

  private:
    xm::Module module_;
    std::vector<analysis::Part> parts_;
    int bpm_;
    double gain_ = 1.0;
    std::map<int, double> mix_;
    std::map<int, int> pan_;
    std::map<int, std::pair<int, double>> spread_;
    std::vector<int> swing_;
};

}  // namespace compose
