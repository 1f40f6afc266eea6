// Mono Ogg Vorbis encoding through libvorbisenc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sfx {

// Encodes `pcm` (mono, values in [-1, 1]) at `rate` Hz with the VBR
// `quality` (-0.1 .. 1.0). The stream's serial number is fixed by the caller
// so the output is the same on every run; the final granule position equals
// pcm.size(), which sets the playing length exactly. Throws std::runtime_error
// if the encoder refuses the settings.
std::vector<uint8_t> encodeOggVorbis(const std::vector<float>& pcm, int rate, float quality,
                                     uint32_t serial, const std::string& title);

}  // namespace sfx
