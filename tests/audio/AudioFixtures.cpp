#include "tests/audio/AudioFixtures.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace gb::testing {

namespace {

void put8(std::vector<unsigned char>& out, int value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
}
void put16(std::vector<unsigned char>& out, int value) {
    put8(out, value);
    put8(out, value >> 8);
}
void put32(std::vector<unsigned char>& out, uint32_t value) {
    put16(out, static_cast<int>(value & 0xFFFF));
    put16(out, static_cast<int>(value >> 16));
}
void putText(std::vector<unsigned char>& out, const char* text, std::size_t width) {
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < width; ++i) {
        put8(out, i < length ? text[i] : 0);
    }
}
void putZeros(std::vector<unsigned char>& out, std::size_t count) {
    out.insert(out.end(), count, 0);
}

constexpr int kRows = 16;
constexpr int kNoteC4 = 49;
constexpr int kCycle = 32;  // samples of one square-wave cycle

}  // namespace

std::vector<unsigned char> makeTestModule(int channels, bool busy) {
    std::vector<unsigned char> xm;
    putText(xm, "Extended Module: ", 17);
    putText(xm, "test", 20);
    put8(xm, 0x1A);
    putText(xm, "fixture", 20);
    put16(xm, 0x0104);
    put32(xm, 276);
    put16(xm, 1);         // song length
    put16(xm, 0);         // restart position
    put16(xm, channels);  // channels
    put16(xm, 1);         // patterns
    put16(xm, 1);         // instruments
    put16(xm, 1);         // linear frequencies
    put16(xm, 6);         // speed
    put16(xm, 125);       // BPM
    putZeros(xm, 256);    // order table: pattern 0

    std::vector<unsigned char> cells;
    for (int row = 0; row < kRows; ++row) {
        for (int channel = 0; channel < channels; ++channel) {
            const bool note = busy ? row % 4 == 0 : row == 0 && channel == 0;
            if (note) {
                put8(cells, 0x83);  // note and instrument follow
                put8(cells, kNoteC4 + (busy ? (channel * 5 + row) % 24 - 12 : 0));
                put8(cells, 1);
            } else {
                put8(cells, 0x80);
            }
        }
    }
    put32(xm, 9);
    put8(xm, 0);
    put16(xm, kRows);
    put16(xm, static_cast<int>(cells.size()));
    xm.insert(xm.end(), cells.begin(), cells.end());

    // Instrument: no envelopes, one sample.
    put32(xm, 263);
    putText(xm, "square", 22);
    put8(xm, 0);
    put16(xm, 1);
    put32(xm, 40);
    putZeros(xm, 96 + 48 + 48);
    putZeros(xm, 2 + 3 + 3 + 2 + 4);  // point counts, sustain/loop points, flags, vibrato
    put16(xm, 0);                     // fadeout
    putZeros(xm, 22);

    put32(xm, kCycle);  // length in bytes (8-bit)
    put32(xm, 0);       // loop start
    put32(xm, kCycle);  // loop length
    put8(xm, 32);       // volume: half, leaving headroom
    put8(xm, 0);        // finetune
    put8(xm, 1);        // forward loop, 8-bit
    put8(xm, 128);      // panning
    put8(xm, 0);        // relative note
    put8(xm, 0);
    putText(xm, "square", 22);
    int previous = 0;
    for (int i = 0; i < kCycle; ++i) {
        const int value = i < kCycle / 2 ? 64 : -64;
        put8(xm, value - previous);
        previous = value;
    }
    return xm;
}

std::vector<unsigned char> makeTestOgg(int rate, int frames, float frequency, float amplitude) {
    std::vector<unsigned char> out;
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 1, rate, 0.4f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1234);

    ogg_packet id;
    ogg_packet commentPacket;
    ogg_packet setup;
    vorbis_analysis_headerout(&dsp, &comment, &id, &commentPacket, &setup);
    ogg_stream_packetin(&stream, &id);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &setup);
    ogg_page page;
    auto writePage = [&out, &page] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    while (ogg_stream_flush(&stream, &page) != 0) {
        writePage();
    }
    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    writePage();
                }
            }
        }
    };
    float** buffer = vorbis_analysis_buffer(&dsp, frames);
    for (int i = 0; i < frames; ++i) {
        buffer[0][i] = amplitude * std::sin(2.0f * std::numbers::pi_v<float> * frequency *
                                            static_cast<float>(i) / static_cast<float>(rate));
    }
    vorbis_analysis_wrote(&dsp, frames);
    drain();
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page) != 0) {
        writePage();
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

double rms(const std::vector<int16_t>& samples, std::size_t from, std::size_t to) {
    to = std::min(to, samples.size());
    if (to <= from) {
        return 0.0;
    }
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double value = samples[i] / 32768.0;
        sum += value * value;
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace gb::testing
