// Synthesised module instruments. Every pitched instrument sounds at its
// nominal pitch (C4, 261.63 Hz) when the module plays note C-4; drums sound
// as designed at C-4 and higher or lower at other notes.
#pragma once

#include <string>
#include <vector>

#include "dsp.h"
#include "xm.h"

namespace sfx {

// Volume envelope shapes, in ticks (20 ms at 125 BPM).
// Attack to full, decay to `sustain` (0..64), hold until key-off.
xm::Envelope envSustain(int attack, int decay, int sustain);
// Attack to full, then a two-stage fall that ends silent: for notes that
// should die away even if never released.
xm::Envelope envDecay(int attack, int hold, int mid, int midLevel, int end);

// Sustained looped tones (lead, pad, bass, organ, flute, strings).
struct LoopTone {
    Wave wave = Wave::Saw;
    int cycles = 16;                // periods of the fundamental in the loop
    std::vector<int> detune = {0};  // extra periods per voice (chorus when != 0)
    double brightness = 0.0;        // low-pass corner in harmonics, 0 = all
    double body = 0.0;              // level of an extra sine on the fundamental
    double twelfth = 0.0;           // level of a sine a twelfth up (organ colour)
    double rate = 22050.0;          // nominal sample rate
};

xm::Instrument loopInstrument(const std::string& name, const LoopTone& tone,
                              const xm::Envelope& env, uint16_t fadeout);

// One-shot instruments rendered in the time domain.
xm::Instrument pluck(const std::string& name, double damping, double brightness, double seconds,
                     uint64_t seed);
// Two detuned strings struck together: a soft piano-like tone.
xm::Instrument keys(const std::string& name, double seconds, uint64_t seed);
xm::Instrument bell(const std::string& name, double ratio, double index, double decay,
                    double seconds);
xm::Instrument mallet(const std::string& name, double decay);
// Saw through a resonant low-pass whose cutoff falls after the attack.
xm::Instrument sweptBass(const std::string& name, double cutoffStart, double cutoffEnd,
                         double sweepTime, double resonance, double seconds);

// Drums.
xm::Instrument kick(const std::string& name, double startHz, double endHz, double decay,
                    double click);
xm::Instrument snare(const std::string& name, double toneHz, double noiseHz, double decay,
                     uint64_t seed);
xm::Instrument hat(const std::string& name, double decay, double lowCut, uint64_t seed);
xm::Instrument crash(const std::string& name, double seconds, uint64_t seed);
xm::Instrument clap(const std::string& name, uint64_t seed);
xm::Instrument shaker(const std::string& name, uint64_t seed);
xm::Instrument tom(const std::string& name, double hz, double decay);
// Rising filtered noise, for the build before a section.
xm::Instrument riser(const std::string& name, double seconds, uint64_t seed);

// Sets the sample's default panning (0 left .. 255 right) and volume.
xm::Instrument place(xm::Instrument ins, int panning, int volume);

// The instrument's own vibrato (sine, `depth` in 1/16 semitone steps as the
// replayer reads it, `rate` in 1/256 of a cycle per tick) that fades in over
// `sweep` ticks: a held note that lives without an effect on every row.
xm::Instrument withVibrato(xm::Instrument ins, int depth, int rate, int sweep);

// A panning envelope that sways the note from `width` left of the channel's
// pan to as far right and back, once every `period` ticks, for as long as it
// sounds; `startRight` begins the sway on the other side.
xm::Instrument withPanSway(xm::Instrument ins, int width, int period, bool startRight = false);

// Quantises a float buffer rendered at `rate` to the 16-bit sample of an
// instrument, peak at about -0.5 dBFS, after removing any DC offset: a
// looped sample (whole cycles) loses its mean, so the loop stays seamless;
// a one-shot goes through the 20 Hz high-pass of removeDc.
std::vector<int16_t> toSample16(Buffer b, double rate, bool looped);

}  // namespace sfx
