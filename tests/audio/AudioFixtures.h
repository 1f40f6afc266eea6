#pragma once

#include <cstdint>
#include <vector>

namespace gb::testing {

// A small XM module written byte by byte: one 16-row pattern at speed 6 / 125 BPM (1.92 s) and
// one instrument, a looped square wave. With busy set, every channel plays a note every four
// rows; otherwise only channel 1 plays one long note from the first row.
std::vector<unsigned char> makeTestModule(int channels = 2, bool busy = false);

// A mono Ogg Vorbis sine tone of the given length, encoded with libvorbisenc.
std::vector<unsigned char> makeTestOgg(int rate, int frames, float frequency, float amplitude);

// Root mean square of interleaved 16-bit samples, as a fraction of full scale.
double rms(const std::vector<int16_t>& samples, std::size_t from = 0, std::size_t to = SIZE_MAX);

}  // namespace gb::testing
