// Reading a finished module as a musician reads a score: which notes sound
// together and for how long, and which tracker effects the song uses.
#pragma once

#include <string>
#include <vector>

#include "xm.h"

namespace analysis {

// What a channel plays in a song. Drums and percussion are unpitched; the
// others take part in the harmony.
enum class Part {
    Kick,
    Snare,
    Hats,
    Perc,  // other percussion: toms, claps, shakers, cymbals, risers
    Bass,
    Lead,     // the tune
    Echo,     // a delayed, quieter copy of the tune
    Counter,  // a second melody or answering phrases
    Chords,   // pads, arpeggios and other chord parts
};
bool pitched(Part part);
const char* partName(Part part);

// Two pitch classes (0 = C .. 11 = B) a song lets clash on purpose, such as
// the flat second of a phrygian tune against its tonic.
struct Allowance {
    int pitchClassA;
    int pitchClassB;
};

// A note as it sounds: from the row it starts to the row it stops (its next
// note, a key-off or note cut, or when it has died away), counted in rows
// from the start of the song.
struct Sounding {
    int channel;
    int note;   // module note number (C-4 = 49)
    int start;  // first row
    int end;    // first row it no longer sounds
    int row;    // the row of its pattern where it starts
};

// Every pitched note that starts in one pass through the song, by start;
// a note ringing over the loop ends where the song, going on from its restart
// position, stops it. `passRows` receives the length of one pass in rows.
std::vector<Sounding> soundingNotes(const xm::Module& m, const std::vector<Part>& parts,
                                    int* passRows = nullptr);

// The time (in seconds) at which each row of one pass starts, following the
// song's tempo and speed changes; one more entry gives the pass's end.
std::vector<double> rowTimes(const xm::Module& m);

// How long (in ticks) an instrument's note stays within 20 dB of its start
// when nothing stops it, or -1 if it holds for as long as the note is held.
int ringTicks(const xm::Instrument& ins, int note, int bpm);

struct Clash {
    int position;  // order position and row where the two notes first meet
    int row;
    Sounding a, b;
    int rows;  // how long they sound together
    std::string describe(const std::vector<Part>& parts) const;
};

// Held clashes of one pass: two pitched notes on different channels a minor
// second or minor ninth apart (the upper a semitone above an octave of the
// lower) that sound together for `minRows` rows or more, and bass notes a
// semitone from a note of a chord part (either way) for as long. Pairs of
// pitch classes in `allowed` are left out.
std::vector<Clash> heldClashes(const xm::Module& m, const std::vector<Part>& parts,
                               const std::vector<Allowance>& allowed, int minRows = 4);

// The kinds of tracker effect the played patterns use (arpeggio, vibrato,
// tone portamento, ...), in a fixed order; tempo, speed and the song's
// jumps are structure, not expression, and are left out.
std::vector<std::string> effectKinds(const xm::Module& m);

// One pass row by row, channels as bits (channel 0 = bit 0): which strike
// a note on each row and which sound during it. Built from a module's
// patterns here; the level checks build it from what a player renders.
struct PassRows {
    int channels = 0;
    std::vector<uint64_t> struck;
    std::vector<uint64_t> sounding;
    double seconds = 0.0;  // how long the pass plays
};
PassRows passRows(const xm::Module& m);

// The channels that play a part, as bits.
uint64_t channelsOf(const std::vector<Part>& parts, Part part);

// How a pass is laid out bar by bar: how varied the tune's rhythm is, how
// often the arrangement thins out and how busy it is. A bar's rhythm is the
// set of its rows on which a tune channel strikes a note; the 3-3-2 figure
// is a bar whose first half strikes on its first, fourth and seventh
// sixteenths and nowhere else.
struct Texture {
    int bars = 0;
    int tuneBars = 0;              // bars in which the tune strikes a note
    int rhythms = 0;               // distinct rhythms among them
    double commonestRhythm = 0.0;  // share of the tune's bars in the commonest one
    double threeThreeTwo = 0.0;    // share of the tune's bars that open 3-3-2
    double thinBars = 0.0;         // share of bars with half the channels or fewer sounding
    double fullBars = 0.0;         // share with 80 % of the channels or more sounding
    double notesPerSecond = 0.0;   // notes struck on every channel
};
Texture texture(const PassRows& pass, uint64_t tuneChannels, int rowsPerBar = 16);

// Note name as a tracker shows it ("C#4").
std::string noteName(int note);

}  // namespace analysis
