// In-memory extended module (XM, version 1.04) and its byte writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xm {

constexpr int kNoteOff = 97;
constexpr int kC4 = 49;  // note number of C-4; A-4 is 58

// Effect type numbers used by the composer.
enum Effect : uint8_t {
    kArpeggio = 0x00,
    kPortaUp = 0x01,
    kPortaDown = 0x02,
    kTonePorta = 0x03,
    kVibrato = 0x04,
    kTremolo = 0x07,
    kPanning = 0x08,
    kVolSlide = 0x0A,
    kPositionJump = 0x0B,
    kSetVolume = 0x0C,
    kPatternBreak = 0x0D,
    kExtended = 0x0E,
    kSetSpeed = 0x0F,
    kKeyOff = 0x14,
};

struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;  // volume column byte (0x10 + v sets volume v)
    uint8_t effect = 0;
    uint8_t param = 0;
    bool empty() const { return !note && !instrument && !volume && !effect && !param; }
};

struct Pattern {
    int rows = 64;
    int channels = 0;
    std::vector<Cell> cells;  // row-major: rows x channels
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(rowCount * channelCount) {}
    Cell& at(int row, int channel) { return cells.at(row * channels + channel); }
    const Cell& at(int row, int channel) const { return cells.at(row * channels + channel); }
};

struct EnvelopePoint {
    uint16_t tick;
    uint16_t value;  // 0..64
};

struct Envelope {
    std::vector<EnvelopePoint> points;
    int sustain = -1;  // index of the sustain point, -1 for none
    int loopStart = -1, loopEnd = -1;
};

struct Sample {
    std::vector<int16_t> data;
    bool loop = false;
    uint32_t loopStart = 0;  // in frames
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    int8_t relativeNote = 0;
    uint8_t panning = 128;
    std::string name;
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope volume;
    Envelope panning;  // no points: off; 32 is the channel's own pan, 0 left, 64 right
    uint16_t fadeout = 0x200;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Module {
    std::string name;
    int channels = 8;
    std::vector<uint8_t> orders;
    int restart = 0;  // the position the song goes on from after its last one
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Relative note and finetune (a multiple of 8, which every replayer honours
// the same way) that make C-4 play a sample recorded at `rate` at its own
// pitch.
struct Tuning {
    int8_t relativeNote;
    int8_t finetune;
    // The playback rate that this pair gives at C-4; synthesising at this
    // rate instead of the nominal one removes the rounding error.
    double exactRate;
};
Tuning tuningFor(double rate);

// The file bytes. Throws std::runtime_error if the module breaks a limit of
// the format (counts, order entries, pattern sizes, note range).
std::vector<uint8_t> write(const Module& module);

// Reads a module back from its file bytes (the first sample of each
// instrument; 8-bit samples are widened to 16 bits). Throws
// std::runtime_error when the bytes are not a well-formed module.
Module read(const std::vector<uint8_t>& bytes);

}  // namespace xm
