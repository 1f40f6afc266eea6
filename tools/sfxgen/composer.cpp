#include "composer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <stdexcept>

namespace compose {

namespace {

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

const Span& spanAt(const Harmony& h, int row) {
    for (const Span& s : h)
        if (row >= s.row && row < s.row + s.length)
            return s;
    return row < h.front().row ? h.front() : h.back();
}

const Span& spanAfter(const Harmony& h, int row) {
    const Span& cur = spanAt(h, row);
    for (const Span& s : h)
        if (s.row == cur.row + cur.length)
            return s;
    return h.front();  // the pattern ends: the music goes on from its start
}

uint8_t volumeByte(int v) {
    return static_cast<uint8_t>(0x10 + std::clamp(v, 0, 64));
}

// Note of a diatonic step above an anchor (the chord's root, or the tonic),
// with the chord's alterations on its own third and fifth.
int chordStep(const Key& key, const Chord& c, int anchor, int step) {
    int n = key.note(anchor + step) + c.root;
    int pos = (((anchor + step - c.degree) % 7) + 7) % 7;
    if (pos == 2)
        n += c.third;
    if (pos == 4)
        n += c.fifth;
    return n;
}

int anchorOf(const Chord& c, const LineStyle& s) {
    if (!s.chordRelative)
        return 0;
    return c.degree > s.foldAbove ? c.degree - 7 : c.degree;
}

void putNote(xm::Pattern& p, int row, int ch, int note, int ins, int vol, int fx, int param) {
    if (note < 1 || note > 96)
        throw std::runtime_error("note outside the module's range");
    xm::Cell& c = p.at(row, ch);
    c.note = static_cast<uint8_t>(note);
    c.instrument = static_cast<uint8_t>(ins);
    c.volume = volumeByte(vol);
    if (fx || param) {
        c.effect = static_cast<uint8_t>(fx);
        c.param = static_cast<uint8_t>(param);
    }
}

}  // namespace

int Key::note(int degree) const {
    int oct = floorDiv(degree, 7);
    int pos = degree - 7 * oct;
    return tonic + 12 * oct + scale[pos];
}

Harmony progression(const std::vector<Chord>& chords, int rowsEach) {
    Harmony h;
    int row = 0;
    for (const Chord& c : chords) {
        h.push_back({c, row, rowsEach});
        row += rowsEach;
    }
    return h;
}

namespace {

// Semitones from `note` up to the next two tones of the chord above it.
uint8_t arpeggioFrom(const Key& key, const Chord& c, int note) {
    std::vector<int> above;
    for (int step : {0, 2, 4}) {
        int tone = chordStep(key, c, c.degree, step);
        int d = ((tone - note) % 12 + 12) % 12;
        above.push_back(d == 0 ? 12 : d);
    }
    std::sort(above.begin(), above.end());
    return static_cast<uint8_t>((above[0] << 4) | above[1]);
}

// The row after `row` where a channel's note stops: its next note or key-off.
int noteEnd(const xm::Pattern& p, int channel, int row) {
    for (int r = row + 1; r < p.rows; ++r)
        if (p.at(r, channel).note)
            return r;
    return p.rows;
}

void setEffect(xm::Cell& c, uint8_t effect, uint8_t param) {
    if (!c.effect && !c.param) {
        c.effect = effect;
        c.param = param;
    }
}

}  // namespace

int line(xm::Pattern& p, int channel, int instrument, const Key& key, const Harmony& harmony,
         const std::string& text, const LineStyle& style) {
    if (text.empty() && style.expression.empty())
        return 0;
    int written = 0;
    int last = 0;
    std::vector<int> starts;
    for (int row = style.startRow; row < p.rows; ++row) {
        const int at = row - style.startRow;
        // No notes: only the marks, over whatever the channel plays.
        const char ch = text.empty() ? '.' : text[at % text.size()];
        const char mark =
            style.expression.empty() ? '.' : style.expression[at % style.expression.size()];
        const Chord& chord = spanAt(harmony, row).chord;
        if (ch == '^') {
            p.at(row, channel).note = xm::kNoteOff;
        } else if (ch != '.') {
            int anchor = anchorOf(chord, style);
            int note;
            if (ch == 'A' || ch == 'B') {
                // A semitone from the next chord's root as this line will play
                // it, so the leading note resolves by step.
                const Chord& next = spanAfter(harmony, row).chord;
                int nextAnchor = next.degree > style.foldAbove ? next.degree - 7 : next.degree;
                int root = chordStep(key, next, nextAnchor, 0) + 12 * style.octave;
                int target = root + (ch == 'A' ? -1 : 1);
                note = target;
            } else {
                int step;
                if (ch >= '1' && ch <= '9') {
                    step = ch - '1';
                } else if (ch >= 'X' && ch <= 'Z') {
                    step = 9 + (ch - 'X');
                } else if (ch >= 'a' && ch <= 'g') {
                    step = -1 - (ch - 'a');
                } else {
                    throw std::runtime_error(std::string("unknown note symbol '") + ch + "'");
                }
                note = chordStep(key, chord, anchor, step + style.shift) + 12 * style.octave;
            }
            if (style.chordBelow) {
                int tones[3];
                for (int k = 0; k < 3; ++k)
                    tones[k] = ((chordStep(key, chord, chord.degree, 2 * k) % 12) + 12) % 12;
                int below = note - 3;
                while (std::find(std::begin(tones), std::end(tones), ((below % 12) + 12) % 12) ==
                       std::end(tones))
                    --below;
                note = below;
            }
            int vol = style.volume + (row % 4 == 0 ? style.accent : -style.accent);
            putNote(p, row, channel, note, instrument, vol, style.effect, style.param);
            if (mark == '/') {
                // The sound goes on and glides: no new instrument, no restart.
                xm::Cell& c = p.at(row, channel);
                c.instrument = 0;
                c.effect = xm::kTonePorta;
                c.param = style.slide;
            }
            starts.push_back(row);
            last = note;
            ++written;
        }
        xm::Cell& c = p.at(row, channel);
        switch (mark) {
            case '~':
                setEffect(c, xm::kVibrato, style.vibrato);
                break;
            case '>':
                setEffect(c, xm::kVolSlide, style.fade & 0x0F);
                break;
            case '<':
                setEffect(c, xm::kVolSlide, static_cast<uint8_t>((style.swell & 0x0F) << 4));
                break;
            case 'r':
                // Only a struck note rolls; on an empty row it would wake an old sound.
                if (c.note >= 1 && c.note <= 96)
                    setEffect(c, xm::kExtended,
                              static_cast<uint8_t>(0x90 | (style.retrigger & 15)));
                break;
            case 'x':
                setEffect(c, xm::kExtended, static_cast<uint8_t>(0xC0 | (style.cut & 15)));
                break;
            case 'a':
                if (last)
                    setEffect(c, xm::kArpeggio, arpeggioFrom(key, chord, last));
                break;
            case '.':
            case '/':
                break;
            default:
                throw std::runtime_error(std::string("unknown expression mark '") + mark + "'");
        }
    }
    if (style.vibratoAfter > 0) {
        for (int start : starts) {
            const int end = noteEnd(p, channel, start);
            if (end - start < style.vibratoAfter + 2)
                continue;
            for (int r = start + style.vibratoAfter; r < end; ++r)
                setEffect(p.at(r, channel), style.heldEffect, style.vibrato);
        }
    }
    return written;
}

std::vector<Hit> kitOf(int instrument, int volume, int note) {
    return {{'X', instrument, note, std::min(64, volume * 5 / 4)},
            {'x', instrument, note, volume},
            {'o', instrument, note, volume * 3 / 5},
            {'g', instrument, note, volume * 3 / 10}};
}

int hits(xm::Pattern& p, int channel, const std::string& text, const std::vector<Hit>& kit,
         int startRow) {
    if (text.empty())
        return 0;
    int written = 0;
    for (int row = startRow; row < p.rows; ++row) {
        char ch = text[(row - startRow) % text.size()];
        if (ch == '.')
            continue;
        if (ch == '^') {
            p.at(row, channel).note = xm::kNoteOff;
            continue;
        }
        auto it =
            std::find_if(kit.begin(), kit.end(), [ch](const Hit& h) { return h.symbol == ch; });
        if (it == kit.end())
            throw std::runtime_error(std::string("unknown hit symbol '") + ch + "'");
        putNote(p, row, channel, it->note, it->instrument, it->volume, 0, 0);
        ++written;
    }
    return written;
}

void pad(xm::Pattern& p, const std::vector<int>& channels, int instrument, const Key& key,
         const Harmony& harmony, int centre, int volume, const std::string& rhythm) {
    const int voices = static_cast<int>(channels.size());
    std::vector<int> prev;
    for (const Span& s : harmony) {
        if (s.row >= p.rows)
            break;
        // Chord tones as pitch classes: root, third, fifth, then the octave
        // or seventh for a fourth voice.
        std::vector<int> tones = {chordStep(key, s.chord, s.chord.degree, 0),
                                  chordStep(key, s.chord, s.chord.degree, 2),
                                  chordStep(key, s.chord, s.chord.degree, 4)};
        // Try every inversion in every nearby octave; keep the closest.
        std::vector<int> best;
        int bestCost = 1 << 30;
        for (int inv = 0; inv < 3; ++inv) {
            for (int base = centre - 12; base <= centre + 12; ++base) {
                std::vector<int> v;
                int n = base;
                for (int k = 0; k < voices; ++k) {
                    int pc = tones[(inv + k) % 3];
                    int cand = n;
                    while (((cand - pc) % 12 + 12) % 12)
                        ++cand;
                    v.push_back(cand);
                    n = cand + 1;
                }
                if (v.front() != base)
                    continue;
                int mean = 0;
                for (int x : v)
                    mean += x;
                int cost = std::abs(mean - centre * voices) * 2;
                if (!prev.empty())
                    for (int k = 0; k < voices; ++k)
                        cost += std::abs(v[k] - prev[k]) * 3;
                if (cost < bestCost) {
                    bestCost = cost;
                    best = v;
                }
            }
        }
        for (int r = s.row; r < std::min(p.rows, s.row + s.length); ++r) {
            char c = rhythm.empty() ? '.' : rhythm[r % rhythm.size()];
            bool strike = r == s.row || c == 'x';
            for (int k = 0; k < voices; ++k) {
                if (strike)
                    putNote(p, r, channels[k], best[k], instrument, volume, 0, 0);
                else if (c == '^')
                    p.at(r, channels[k]).note = xm::kNoteOff;
            }
        }
        prev = best;
    }
}

void arpeggioChords(xm::Pattern& p, int channel, int instrument, const Key& key,
                    const Harmony& harmony, const std::string& rhythm, int octave, int volume) {
    if (rhythm.empty())
        return;
    bool sounding = false;
    const Span* struck = nullptr;
    for (int row = 0; row < p.rows; ++row) {
        const char c = rhythm[row % rhythm.size()];
        const Span& span = spanAt(harmony, row);
        if (c == '^') {
            p.at(row, channel).note = xm::kNoteOff;
            sounding = false;
            continue;
        }
        const bool strikeNow = c == 'x' || (sounding && &span != struck);
        if (strikeNow) {
            const Chord& ch = span.chord;
            const int degree = ch.degree > 3 ? ch.degree - 7 : ch.degree;
            const int root = chordStep(key, ch, degree, 0) + 12 * octave;
            putNote(p, row, channel, root, instrument, volume, 0, 0);
            struck = &span;
            sounding = true;
        }
        if (sounding) {
            const Chord& ch = struck->chord;
            const int third = chordStep(key, ch, ch.degree, 2) - chordStep(key, ch, ch.degree, 0);
            const int fifth = chordStep(key, ch, ch.degree, 4) - chordStep(key, ch, ch.degree, 0);
            setEffect(p.at(row, channel), xm::kArpeggio,
                      static_cast<uint8_t>((third << 4) | fifth));
        }
    }
}

void strike(xm::Pattern& p, int row, int channel, int note, int instrument, int volume) {
    putNote(p, row, channel, note, instrument, volume, 0, 0);
}

void echo(xm::Pattern& p, int from, int to, int delay, double volumeScale, int instrument) {
    for (int row = p.rows - 1 - delay; row >= 0; --row) {
        const xm::Cell& src = p.at(row, from);
        if (!src.note)
            continue;
        xm::Cell& dst = p.at(row + delay, to);
        dst.note = src.note;
        if (src.note != xm::kNoteOff) {
            // A slid note goes on sliding in the echo; others strike afresh.
            const bool slides = src.effect == xm::kTonePorta && !src.instrument;
            dst.instrument =
                slides ? 0 : static_cast<uint8_t>(instrument ? instrument : src.instrument);
            int v = src.volume >= 0x10 && src.volume <= 0x50 ? src.volume - 0x10 : 64;
            dst.volume = volumeByte(static_cast<int>(std::lround(v * volumeScale)));
            if (slides)
                setEffect(dst, src.effect, src.param);
        }
    }
}

bool placeEffect(xm::Pattern& p, int row, int channel, uint8_t effect, uint8_t param) {
    for (int k = 0; k < p.channels; ++k) {
        int ch = (channel + k) % p.channels;
        xm::Cell& c = p.at(row, ch);
        if (!c.effect && !c.param) {
            c.effect = effect;
            c.param = param;
            return true;
        }
    }
    return false;
}

Song::Song(const std::string& name, const std::vector<analysis::Part>& parts, int bpm)
    : parts_(parts), bpm_(bpm) {
    module_.name = name;
    module_.channels = static_cast<int>(parts.size());
}

int Song::add(xm::Instrument ins) {
    module_.instruments.push_back(std::move(ins));
    return static_cast<int>(module_.instruments.size());
}

int Song::newPattern(int rows) {
    module_.patterns.emplace_back(rows, module_.channels);
    return static_cast<int>(module_.patterns.size()) - 1;
}

xm::Module Song::finish(const std::vector<int>& orders, int patterns, int instruments,
                        int restart) {
    auto fail = [&](const std::string& why) {
        throw std::runtime_error(module_.name + ": " + why);
    };
    if (static_cast<int>(module_.patterns.size()) != patterns)
        fail("wrong number of patterns");
    if (static_cast<int>(module_.instruments.size()) != instruments)
        fail("wrong number of instruments");
    std::set<int> usedPatterns(orders.begin(), orders.end());
    for (int i = 0; i < patterns; ++i)
        if (!usedPatterns.count(i))
            fail("pattern " + std::to_string(i) + " is never played");
    for (int o : orders)
        if (o < 0 || o >= patterns)
            fail("order names a missing pattern");
    if (restart < 0 || restart >= static_cast<int>(orders.size()))
        fail("the restart position is outside the song");
    const int lastPattern = orders.back();
    if (std::count(orders.begin(), orders.end(), lastPattern) != 1)
        fail("the closing pattern must be played only once (it holds the jump to the start)");

    // A held note must not ring on into a section that has nothing for its
    // channel (a chord of the last section would clash with the new one):
    // channels that ever play a sustaining instrument release at the start
    // of every pattern whose first row is empty for them.
    std::set<int> sustainingChannels;
    for (const xm::Pattern& p : module_.patterns)
        for (int row = 0; row < p.rows; ++row)
            for (int ch = 0; ch < p.channels; ++ch) {
                int ins = p.at(row, ch).instrument;
                if (ins >= 1 && ins <= instruments &&
                    module_.instruments[ins - 1].volume.sustain >= 0)
                    sustainingChannels.insert(ch);
            }
    for (xm::Pattern& p : module_.patterns)
        for (int ch : sustainingChannels)
            if (!p.at(0, ch).note)
                p.at(0, ch).note = xm::kNoteOff;

    std::set<int> usedInstruments;
    for (xm::Pattern& p : module_.patterns) {
        for (xm::Cell& c : p.cells) {
            if (c.instrument)
                usedInstruments.insert(c.instrument);
            if (c.volume >= 0x10 && c.volume <= 0x50) {
                auto level = mix_.find(c.instrument);
                double g = gain_ * (level == mix_.end() ? 1.0 : level->second);
                c.volume = volumeByte(static_cast<int>(std::lround((c.volume - 0x10) * g)));
            }
        }
    }
    for (int i = 1; i <= instruments; ++i)
        if (!usedInstruments.count(i))
            fail("instrument " + std::to_string(i) + " (" + module_.instruments[i - 1].name +
                 ") is never played");

    // Notes plus each sample's relative note must stay in the playable range.
    for (const xm::Pattern& p : module_.patterns) {
        for (int ch = 0; ch < p.channels; ++ch) {
            int ins = 0;
            for (int row = 0; row < p.rows; ++row) {
                const xm::Cell& c = p.at(row, ch);
                if (c.instrument)
                    ins = c.instrument;
                if (c.note >= 1 && c.note <= 96 && ins) {
                    int n = c.note + module_.instruments[ins - 1].sample.relativeNote;
                    if (n < 1 || n > 119)
                        fail("a note leaves the playable range");
                }
            }
        }
    }

    // Panning: a new note (one that names its instrument) takes its
    // sample's panning, so the channel's place goes beside every such note.
    for (const auto& [ch, position] : pan_)
        for (xm::Pattern& p : module_.patterns)
            for (int row = 0; row < p.rows; ++row) {
                xm::Cell& c = p.at(row, ch);
                if (c.note >= 1 && c.note <= 96 && c.instrument)
                    setEffect(c, 0x08, static_cast<uint8_t>(std::clamp(position, 0, 255)));
            }
    for (const auto& [ch, spread] : spread_)
        for (xm::Pattern& p : module_.patterns)
            for (int row = 0; row < p.rows; ++row) {
                xm::Cell& c = p.at(row, ch);
                if (c.note >= 1 && c.note <= 96 && c.instrument) {
                    const long at = spread.first + std::lround((c.note - 61) * spread.second);
                    setEffect(c, 0x08, static_cast<uint8_t>(std::clamp<long>(at, 0, 255)));
                }
            }

    xm::Pattern& first = module_.patterns.at(orders.front());
    if (bpm_ != 125 && !placeEffect(first, 0, 0, xm::kSetSpeed, static_cast<uint8_t>(bpm_)))
        fail("no free effect column for the tempo");
    if (!swing_.empty()) {
        for (xm::Pattern& p : module_.patterns)
            for (int row = 0; row < p.rows; ++row) {
                const int ticks = swing_[row % swing_.size()];
                if (!placeEffect(p, row, 0, xm::kSetSpeed, static_cast<uint8_t>(ticks)))
                    fail("no free effect column for the swing");
            }
    }
    xm::Pattern& closing = module_.patterns.at(lastPattern);
    if (!placeEffect(closing, closing.rows - 1, 0, xm::kPositionJump,
                     static_cast<uint8_t>(restart)))
        fail("no free effect column for the jump back to the restart position");

    for (int o : orders)
        module_.orders.push_back(static_cast<uint8_t>(o));
    module_.restart = restart;
    return module_;
}

}  // namespace compose
