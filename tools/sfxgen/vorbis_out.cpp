#include "vorbis_out.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <stdexcept>

namespace sfx {

namespace {

void appendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Resources of one encoding run, released in the order libvorbis expects.
struct Encoder {
    vorbis_info vi;
    vorbis_comment vc;
    vorbis_dsp_state vd;
    vorbis_block vb;
    ogg_stream_state os;
    bool analysis = false;
    bool stream = false;

    Encoder() {
        vorbis_info_init(&vi);
        vorbis_comment_init(&vc);
    }
    ~Encoder() {
        if (stream)
            ogg_stream_clear(&os);
        if (analysis) {
            vorbis_block_clear(&vb);
            vorbis_dsp_clear(&vd);
        }
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

// Moves every finished block through the encoder into pages.
void drain(Encoder& e, std::vector<uint8_t>& out) {
    ogg_packet op;
    ogg_page og;
    while (vorbis_analysis_blockout(&e.vd, &e.vb) == 1) {
        vorbis_analysis(&e.vb, nullptr);
        vorbis_bitrate_addblock(&e.vb);
        while (vorbis_bitrate_flushpacket(&e.vd, &op)) {
            ogg_stream_packetin(&e.os, &op);
            while (ogg_stream_pageout(&e.os, &og))
                appendPage(out, og);
        }
    }
}

}  // namespace

std::vector<uint8_t> encodeOggVorbis(const std::vector<float>& pcm, int rate, float quality,
                                     uint32_t serial, const std::string& title) {
    Encoder e;
    if (vorbis_encode_init_vbr(&e.vi, 1, rate, quality) != 0)
        throw std::runtime_error("vorbis encoder refused rate/quality");
    vorbis_comment_add_tag(&e.vc, "TITLE", title.c_str());
    vorbis_comment_add_tag(&e.vc, "ENCODER", "sfxgen");
    vorbis_analysis_init(&e.vd, &e.vi);
    vorbis_block_init(&e.vd, &e.vb);
    e.analysis = true;
    ogg_stream_init(&e.os, static_cast<int>(serial));
    e.stream = true;

    std::vector<uint8_t> out;
    ogg_packet id, comm, setup;
    vorbis_analysis_headerout(&e.vd, &e.vc, &id, &comm, &setup);
    ogg_stream_packetin(&e.os, &id);
    ogg_stream_packetin(&e.os, &comm);
    ogg_stream_packetin(&e.os, &setup);
    ogg_page og;
    // Flush so the audio begins on a fresh page after the headers.
    while (ogg_stream_flush(&e.os, &og))
        appendPage(out, og);

    const size_t chunk = 1024;
    for (size_t pos = 0; pos < pcm.size(); pos += chunk) {
        size_t n = std::min(chunk, pcm.size() - pos);
        float** buf = vorbis_analysis_buffer(&e.vd, static_cast<int>(n));
        for (size_t i = 0; i < n; ++i)
            buf[0][i] = std::clamp(pcm[pos + i], -1.0f, 1.0f);
        vorbis_analysis_wrote(&e.vd, static_cast<int>(n));
        drain(e, out);
    }
    vorbis_analysis_wrote(&e.vd, 0);
    drain(e, out);
    // Anything still buffered (the end-of-stream page) goes out now.
    while (ogg_stream_flush(&e.os, &og))
        appendPage(out, og);
    return out;
}

}  // namespace sfx
