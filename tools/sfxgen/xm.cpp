#include "xm.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace xm {

namespace {

class Writer {
  public:
    void u8(unsigned v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const std::string& s, size_t width, char pad) {
        for (size_t i = 0; i < width; ++i)
            u8(i < s.size() ? s[i] : pad);
    }
    void put16(size_t at, unsigned v) {
        bytes[at] = v & 0xFF;
        bytes[at + 1] = (v >> 8) & 0xFF;
    }
    std::vector<uint8_t> bytes;
};

void fail(const std::string& what) {
    throw std::runtime_error(what);
}

std::vector<uint8_t> packPattern(const Pattern& p) {
    std::vector<uint8_t> out;
    for (const Cell& c : p.cells) {
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        uint8_t flags = 0x80;
        for (int i = 0; i < 5; ++i)
            if (fields[i])
                flags |= 1 << i;
        if (flags == 0x9F) {
            // All five present: the plain form is one byte shorter.
            out.insert(out.end(), fields, fields + 5);
            continue;
        }
        out.push_back(flags);
        for (int i = 0; i < 5; ++i)
            if (fields[i])
                out.push_back(fields[i]);
    }
    return out;
}

void writeEnvelope(Writer& w, const std::vector<EnvelopePoint>& pts) {
    for (size_t i = 0; i < 12; ++i) {
        w.u16(i < pts.size() ? pts[i].tick : 0);
        w.u16(i < pts.size() ? pts[i].value : 0);
    }
}

void checkEnvelope(const Instrument& ins, const Envelope& env, const std::string& what,
                   bool optional) {
    const auto& pts = env.points;
    if (optional && pts.empty())
        return;
    if (pts.empty() || pts.size() > 12 || pts[0].tick != 0)
        fail("instrument " + ins.name + ": " + what + " envelope needs 1..12 points starting at 0");
    for (size_t i = 1; i < pts.size(); ++i)
        if (pts[i].tick <= pts[i - 1].tick)
            fail("instrument " + ins.name + ": envelope order");
    for (const auto& p : pts)
        if (p.value > 64)
            fail("instrument " + ins.name + ": envelope value above 64");
    const int count = static_cast<int>(pts.size());
    if (env.sustain >= count || env.loopEnd >= count || env.loopStart > env.loopEnd)
        fail("instrument " + ins.name + ": sustain or loop point out of range");
}

// The type byte of an envelope: on, sustain, loop.
unsigned envelopeFlags(const Envelope& env) {
    if (env.points.empty())
        return 0;
    unsigned flags = 1;
    if (env.sustain >= 0)
        flags |= 2;
    if (env.loopStart >= 0)
        flags |= 4;
    return flags;
}

}  // namespace

Tuning tuningFor(double rate) {
    double s = 12.0 * std::log2(rate / 8363.0);
    int rel = static_cast<int>(std::lround(s));
    int fine = 8 * static_cast<int>(std::lround(16.0 * (s - rel)));
    fine = std::clamp(fine, -128, 120);
    Tuning t;
    t.relativeNote = static_cast<int8_t>(rel);
    t.finetune = static_cast<int8_t>(fine);
    t.exactRate = 8363.0 * std::pow(2.0, rel / 12.0 + fine / 1536.0);
    return t;
}

std::vector<uint8_t> write(const Module& m) {
    if (m.channels < 2 || m.channels > 32 || m.channels % 2)
        fail("channel count");
    if (m.orders.empty() || m.orders.size() > 256)
        fail("song length");
    if (m.patterns.empty() || m.patterns.size() > 256)
        fail("pattern count");
    if (m.instruments.empty() || m.instruments.size() > 128)
        fail("instrument count");
    if (m.restart < 0 || m.restart >= static_cast<int>(m.orders.size()))
        fail("restart position outside the song");
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size())
            fail("order names a missing pattern");

    Writer w;
    w.text("Extended Module: ", 17, ' ');
    w.text(m.name, 20, ' ');
    w.u8(0x1A);
    w.text("sfxgen", 20, ' ');
    w.u16(0x0104);
    w.u32(276);
    w.u16(static_cast<unsigned>(m.orders.size()));
    w.u16(static_cast<unsigned>(m.restart));
    w.u16(m.channels);
    w.u16(static_cast<unsigned>(m.patterns.size()));
    w.u16(static_cast<unsigned>(m.instruments.size()));
    w.u16(1);  // linear frequency table
    w.u16(6);
    w.u16(125);
    for (int i = 0; i < 256; ++i)
        w.u8(i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns) {
        if (p.channels != m.channels || p.rows < 1 || p.rows > 256)
            fail("pattern shape does not fit the module");
        for (const Cell& c : p.cells) {
            if (c.note > kNoteOff)
                fail("note byte out of range");
            if (c.instrument > m.instruments.size())
                fail("cell names a missing instrument");
        }
        std::vector<uint8_t> packed = packPattern(p);
        if (packed.size() > 0xFFFF)
            fail("pattern too large");
        w.u32(9);
        w.u8(0);
        w.u16(p.rows);
        w.u16(static_cast<unsigned>(packed.size()));
        w.bytes.insert(w.bytes.end(), packed.begin(), packed.end());
    }

    for (const Instrument& ins : m.instruments) {
        checkEnvelope(ins, ins.volume, "volume", false);
        checkEnvelope(ins, ins.panning, "panning", true);
        const Sample& s = ins.sample;
        if (s.data.empty())
            fail("instrument " + ins.name + " has no sample data");
        if (s.loop && (s.loopLength == 0 || s.loopStart + s.loopLength > s.data.size()))
            fail("instrument " + ins.name + ": loop outside the sample");
        size_t start = w.bytes.size();
        w.u32(263);
        w.text(ins.name, 22, 0);
        w.u8(0);
        w.u16(1);
        w.u32(40);
        for (int n = 0; n < 96; ++n)
            w.u8(0);  // every note plays sample 0
        writeEnvelope(w, ins.volume.points);
        // Without a panning envelope: one neutral point, switched off.
        const Envelope& pan = ins.panning.points.empty() ? Envelope{{{0, 32}}} : ins.panning;
        writeEnvelope(w, pan.points);
        w.u8(static_cast<unsigned>(ins.volume.points.size()));
        w.u8(static_cast<unsigned>(pan.points.size()));
        for (const Envelope* env : {&ins.volume, &pan}) {
            w.u8(env->sustain >= 0 ? env->sustain : 0);
            w.u8(env->loopStart >= 0 ? env->loopStart : 0);
            w.u8(env->loopEnd >= 0 ? env->loopEnd : 0);
        }
        w.u8(envelopeFlags(ins.volume));
        w.u8(envelopeFlags(ins.panning));
        w.u8(ins.vibratoType);
        w.u8(ins.vibratoSweep);
        w.u8(ins.vibratoDepth);
        w.u8(ins.vibratoRate);
        w.u16(ins.fadeout);
        while (w.bytes.size() < start + 263)
            w.u8(0);

        uint32_t frames = static_cast<uint32_t>(s.data.size());
        w.u32(frames * 2);
        w.u32(s.loop ? s.loopStart * 2 : 0);
        w.u32(s.loop ? s.loopLength * 2 : 0);
        w.u8(std::min<unsigned>(s.volume, 64));
        w.u8(static_cast<uint8_t>(s.finetune));
        w.u8((s.loop ? 1 : 0) | 0x10);
        w.u8(s.panning);
        w.u8(static_cast<uint8_t>(s.relativeNote));
        w.u8(0);
        w.text(s.name, 22, 0);
        int16_t prev = 0;
        for (int16_t v : s.data) {
            // Stored as differences from the previous sample, wrapping at 16 bits.
            uint16_t d =
                static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(prev));
            w.u16(d);
            prev = v;
        }
    }
    return w.bytes;
}

namespace {

// Bounds-checked little-endian reads over the file bytes.
class Reader {
  public:
    explicit Reader(const std::vector<uint8_t>& b) : bytes_(b) {}
    void need(size_t at, size_t n) const {
        if (at > bytes_.size() || n > bytes_.size() - at)
            fail("the module ends too early");
    }
    unsigned u8(size_t at) const {
        need(at, 1);
        return bytes_[at];
    }
    unsigned u16(size_t at) const { return u8(at) | (u8(at + 1) << 8); }
    uint32_t u32(size_t at) const { return u16(at) | (static_cast<uint32_t>(u16(at + 2)) << 16); }
    std::string text(size_t at, size_t width) const {
        need(at, width);
        std::string s(bytes_.begin() + at, bytes_.begin() + at + width);
        s = s.substr(0, s.find('\0'));
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    }

  private:
    const std::vector<uint8_t>& bytes_;
};

Envelope readEnvelope(const Reader& r, size_t at, unsigned count, unsigned sustain,
                      unsigned loopStart, unsigned loopEnd, unsigned flags) {
    Envelope e;
    if (!(flags & 1))
        return e;
    if (count > 12)
        fail("an envelope has more than 12 points");
    for (unsigned i = 0; i < count; ++i)
        e.points.push_back({static_cast<uint16_t>(r.u16(at + 4 * i)),
                            static_cast<uint16_t>(r.u16(at + 4 * i + 2))});
    if (flags & 2)
        e.sustain = static_cast<int>(sustain);
    if (flags & 4) {
        e.loopStart = static_cast<int>(loopStart);
        e.loopEnd = static_cast<int>(loopEnd);
    }
    return e;
}

}  // namespace

Module read(const std::vector<uint8_t>& bytes) {
    const Reader r(bytes);
    if (r.text(0, 17) != "Extended Module:" || r.u8(37) != 0x1A)
        fail("not an extended module");
    Module m;
    m.name = r.text(17, 20);
    const size_t headerSize = r.u32(60);
    const unsigned length = r.u16(64);
    m.restart = static_cast<int>(r.u16(66));
    m.channels = static_cast<int>(r.u16(68));
    const unsigned patterns = r.u16(70), instruments = r.u16(72);
    if (length < 1 || length > 256 || m.channels < 1 || m.channels > 32 || patterns > 256 ||
        instruments > 128)
        fail("module header out of range");
    for (unsigned i = 0; i < length; ++i)
        m.orders.push_back(static_cast<uint8_t>(r.u8(80 + i)));

    size_t at = 60 + headerSize;
    for (unsigned pi = 0; pi < patterns; ++pi) {
        const size_t headerLength = r.u32(at);
        const int rows = static_cast<int>(r.u16(at + 5));
        const size_t size = r.u16(at + 7);
        if (rows < 1 || rows > 256)
            fail("pattern row count out of range");
        Pattern p(rows, m.channels);
        size_t pos = at + headerLength;
        const size_t end = pos + size;
        r.need(pos, size);
        if (size > 0) {
            for (Cell& c : p.cells) {
                uint8_t* fields[5] = {&c.note, &c.instrument, &c.volume, &c.effect, &c.param};
                const unsigned first = r.u8(pos);
                if (first & 0x80) {
                    ++pos;
                    for (int k = 0; k < 5; ++k)
                        if (first & (1u << k))
                            *fields[k] = static_cast<uint8_t>(r.u8(pos++));
                } else {
                    for (int k = 0; k < 5; ++k)
                        *fields[k] = static_cast<uint8_t>(r.u8(pos++));
                }
                if (pos > end)
                    fail("a pattern's cells run past its data");
            }
            if (pos != end)
                fail("a pattern's data does not end with its last cell");
        }
        m.patterns.push_back(std::move(p));
        at = end;
    }

    for (unsigned ii = 0; ii < instruments; ++ii) {
        const size_t start = at;
        const size_t size = r.u32(start);
        Instrument ins;
        ins.name = r.text(start + 4, 22);
        const unsigned samples = r.u16(start + 27);
        if (samples == 0)
            fail("instrument " + ins.name + " has no sample");
        const size_t sampleHeaderSize = r.u32(start + 29);
        ins.volume = readEnvelope(r, start + 129, r.u8(start + 225), r.u8(start + 227),
                                  r.u8(start + 228), r.u8(start + 229), r.u8(start + 233));
        ins.panning = readEnvelope(r, start + 177, r.u8(start + 226), r.u8(start + 230),
                                   r.u8(start + 231), r.u8(start + 232), r.u8(start + 234));
        ins.vibratoType = static_cast<uint8_t>(r.u8(start + 235));
        ins.vibratoSweep = static_cast<uint8_t>(r.u8(start + 236));
        ins.vibratoDepth = static_cast<uint8_t>(r.u8(start + 237));
        ins.vibratoRate = static_cast<uint8_t>(r.u8(start + 238));
        ins.fadeout = static_cast<uint16_t>(r.u16(start + 239));

        // Every sample header first, then every sample's data.
        size_t data = start + size + samples * sampleHeaderSize;
        for (unsigned si = 0; si < samples; ++si) {
            const size_t sh = start + size + si * sampleHeaderSize;
            const uint32_t lengthBytes = r.u32(sh);
            const unsigned type = r.u8(sh + 14);
            const bool wide = type & 0x10;
            r.need(data, lengthBytes);
            if (si == 0) {
                Sample& s = ins.sample;
                const uint32_t unit = wide ? 2 : 1;
                s.loop = (type & 3) != 0 && r.u32(sh + 8) > 0;
                s.loopStart = r.u32(sh + 4) / unit;
                s.loopLength = s.loop ? r.u32(sh + 8) / unit : 0;
                s.volume = static_cast<uint8_t>(r.u8(sh + 12));
                s.finetune = static_cast<int8_t>(r.u8(sh + 13));
                s.panning = static_cast<uint8_t>(r.u8(sh + 15));
                s.relativeNote = static_cast<int8_t>(r.u8(sh + 16));
                s.name = r.text(sh + 18, 22);
                // Stored as differences: the running sum gives the samples back.
                uint16_t acc = 0;
                for (uint32_t i = 0; i + unit <= lengthBytes; i += unit) {
                    if (wide) {
                        acc = static_cast<uint16_t>(acc + r.u16(data + i));
                        s.data.push_back(static_cast<int16_t>(acc));
                    } else {
                        acc = static_cast<uint8_t>(acc + r.u8(data + i));
                        s.data.push_back(static_cast<int16_t>(static_cast<int8_t>(acc) * 256));
                    }
                }
            }
            data += lengthBytes;
        }
        m.instruments.push_back(std::move(ins));
        at = data;
    }
    return m;
}

}  // namespace xm
