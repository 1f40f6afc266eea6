#include "analysis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>

namespace analysis {

namespace {

constexpr int kMaxRingTicks = 3000;  // a minute at 125 BPM: "held"

int pitchClass(int note) {
    return (note - 1) % 12;
}

bool allowedPair(const std::vector<Allowance>& allowed, int noteA, int noteB) {
    const int a = pitchClass(noteA), b = pitchClass(noteB);
    for (const Allowance& al : allowed)
        if ((al.pitchClassA == a && al.pitchClassB == b) ||
            (al.pitchClassA == b && al.pitchClassB == a))
            return true;
    return false;
}

bool tonePortamento(const xm::Cell& c) {
    return c.effect == xm::kTonePorta || c.effect == 0x05 || c.volume >= 0xF0;
}

// The walk through the song's positions, row by row.
class Walker {
  public:
    Walker(const xm::Module& m, const std::vector<Part>& parts) : m_(m), parts_(parts) {}

    std::vector<Sounding> run(int* passRows) {
        std::vector<int> positions(m_.orders.begin(), m_.orders.end());
        const int passLength = static_cast<int>(positions.size());
        for (int i = m_.restart; i < passLength; ++i)
            positions.push_back(m_.orders[i]);
        const int channels = m_.channels;
        active_.assign(channels, -1);
        ringEnd_.assign(channels, 0);
        instrument_.assign(channels, 0);
        arpeggio_.assign(channels, {});
        int row = 0;
        int pass = 0;
        for (size_t pos = 0; pos < positions.size(); ++pos) {
            if (static_cast<int>(pos) == passLength)
                pass = row;
            const xm::Pattern& p = m_.patterns.at(positions[pos]);
            for (int r = 0; r < p.rows; ++r, ++row) {
                bool breaks = false;
                for (int ch = 0; ch < channels; ++ch) {
                    const xm::Cell& c = p.at(r, ch);
                    if (c.effect == xm::kSetSpeed && c.param) {
                        if (c.param < 32)
                            speed_ = c.param;
                        else
                            bpm_ = c.param;
                    }
                    breaks =
                        breaks || c.effect == xm::kPositionJump || c.effect == xm::kPatternBreak;
                }
                patternRow_ = r;
                for (int ch = 0; ch < channels; ++ch)
                    if (ch < static_cast<int>(parts_.size()) && pitched(parts_[ch]))
                        cell(ch, row, p.at(r, ch));
                if (breaks) {
                    ++row;
                    break;
                }
            }
        }
        if (pass == 0)
            pass = row;
        for (int ch = 0; ch < channels; ++ch)
            close(ch, std::min(row, ringEnd_[ch]));
        if (passRows)
            *passRows = pass;
        return out_;
    }

  private:
    void close(int ch, int row) {
        if (active_[ch] >= 0) {
            Sounding& s = out_[active_[ch]];
            s.end = std::max(s.start + 1, std::min(row, ringEnd_[ch]));
            active_[ch] = -1;
        }
    }

    int ringRows(int ins, int note) {
        if (ins < 1 || ins > static_cast<int>(m_.instruments.size()))
            return 0;
        auto key = std::make_tuple(ins, note, bpm_);
        auto it = ringCache_.find(key);
        int ticks;
        if (it != ringCache_.end()) {
            ticks = it->second;
        } else {
            ticks = ringTicks(m_.instruments[ins - 1], note, bpm_);
            ringCache_[key] = ticks;
        }
        if (ticks < 0)
            return 1 << 28;
        return std::max(1, (ticks + speed_ - 1) / speed_);
    }

    void cell(int ch, int row, const xm::Cell& c) {
        if (active_[ch] >= 0 && ringEnd_[ch] <= row)
            close(ch, ringEnd_[ch]);
        if (c.instrument)
            instrument_[ch] = c.instrument;
        if (c.note == xm::kNoteOff || (c.effect == xm::kKeyOff && c.param == 0)) {
            close(ch, row);
        } else if (c.note >= 1 && c.note <= 96) {
            if (tonePortamento(c) && active_[ch] >= 0) {
                // The sound goes on and glides to the new pitch.
                int keep = ringEnd_[ch];
                close(ch, row);
                open(ch, row, c.note);
                ringEnd_[ch] = keep;
            } else {
                close(ch, row);
                open(ch, row, c.note);
                ringEnd_[ch] = row + ringRows(instrument_[ch], c.note);
            }
        }
        if (c.effect == xm::kKeyOff && c.param > 0 && c.param < speed_)
            close(ch, row + 1);
        if (c.effect == xm::kExtended && (c.param >> 4) == 0xC && (c.param & 15) < speed_)
            close(ch, row + 1);
        // An arpeggio sounds its other two notes on this row as well; rows of
        // the same arpeggio join into one sounding note per pitch.
        std::vector<int> still;
        if (c.effect == xm::kArpeggio && c.param && active_[ch] >= 0) {
            const int base = out_[active_[ch]].note;
            for (int add : {c.param >> 4, c.param & 15}) {
                if (!add)
                    continue;
                int found = -1;
                for (int k : arpeggio_[ch])
                    if (out_[k].note == base + add && out_[k].end == row)
                        found = k;
                if (found >= 0) {
                    out_[found].end = row + 1;
                } else {
                    out_.push_back({ch, base + add, row, row + 1, patternRow_});
                    found = static_cast<int>(out_.size()) - 1;
                }
                still.push_back(found);
            }
        }
        arpeggio_[ch] = still;
    }

    void open(int ch, int row, int note) {
        out_.push_back({ch, note, row, row + 1, patternRow_});
        active_[ch] = static_cast<int>(out_.size()) - 1;
    }

    const xm::Module& m_;
    const std::vector<Part>& parts_;
    int speed_ = 6, bpm_ = 125;
    int patternRow_ = 0;
    std::vector<int> active_, ringEnd_, instrument_;
    std::vector<std::vector<int>> arpeggio_;  // open arpeggio notes of each channel
    std::vector<Sounding> out_;
    std::map<std::tuple<int, int, int>, int> ringCache_;
};

}  // namespace

bool pitched(Part part) {
    switch (part) {
        case Part::Kick:
        case Part::Snare:
        case Part::Hats:
        case Part::Perc:
            return false;
        default:
            return true;
    }
}

const char* partName(Part part) {
    switch (part) {
        case Part::Kick:
            return "kick";
        case Part::Snare:
            return "snare";
        case Part::Hats:
            return "hats";
        case Part::Perc:
            return "perc";
        case Part::Bass:
            return "bass";
        case Part::Lead:
            return "lead";
        case Part::Echo:
            return "echo";
        case Part::Counter:
            return "counter";
        case Part::Chords:
            return "chords";
    }
    return "?";
}

std::string noteName(int note) {
    static const char* const names[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                          "F#", "G-", "G#", "A-", "A#", "B-"};
    if (note < 1 || note > 96)
        return "---";
    return std::string(names[(note - 1) % 12]) + std::to_string((note - 1) / 12);
}

int ringTicks(const xm::Instrument& ins, int note, int bpm) {
    const xm::Sample& s = ins.sample;
    if (s.data.empty())
        return 0;
    const double tickSeconds = 2.5 / bpm;
    const double rate =
        8363.0 * std::pow(2.0, (note + s.relativeNote - 49) / 12.0 + s.finetune / 1536.0);
    // The sample's level in windows of 256 frames.
    constexpr size_t kWindow = 256;
    std::vector<double> level;
    for (size_t i = 0; i < s.data.size(); i += kWindow) {
        double acc = 0.0;
        size_t n = std::min(kWindow, s.data.size() - i);
        for (size_t k = 0; k < n; ++k)
            acc += double(s.data[i + k]) * s.data[i + k];
        level.push_back(std::sqrt(acc / double(n)));
    }
    double loopLevel = 0.0;
    if (s.loop && s.loopLength > 0) {
        double acc = 0.0;
        for (size_t i = s.loopStart; i < s.loopStart + s.loopLength && i < s.data.size(); ++i)
            acc += double(s.data[i]) * s.data[i];
        loopLevel = std::sqrt(acc / double(s.loopLength));
    }
    const auto& pts = ins.volume.points;
    const bool sustain = !pts.empty() && ins.volume.sustain >= 0;
    auto envelope = [&](int tick) -> double {
        if (pts.empty())
            return 1.0;
        if (sustain && tick >= pts[ins.volume.sustain].tick)
            return pts[ins.volume.sustain].value / 64.0;
        if (tick >= pts.back().tick)
            return pts.back().value / 64.0;
        size_t k = 1;
        while (pts[k].tick <= tick)
            ++k;
        const auto& a = pts[k - 1];
        const auto& b = pts[k];
        double f = double(tick - a.tick) / double(b.tick - a.tick);
        return (a.value + f * (b.value - a.value)) / 64.0;
    };
    double loudest = 0.0;
    for (int tick = 0; tick < kMaxRingTicks; ++tick) {
        const double frame = tick * tickSeconds * rate;
        double sampleLevel;
        if (frame < double(s.data.size()))
            sampleLevel = level[static_cast<size_t>(frame) / kWindow];
        else
            sampleLevel = s.loop ? loopLevel : 0.0;
        const double v = envelope(tick) * sampleLevel;
        loudest = std::max(loudest, v);
        if (v < 0.1 * loudest)
            return tick;
        // Held at the sustain point on a looping sample: it sounds until released.
        if (sustain && s.loop && tick >= pts[ins.volume.sustain].tick &&
            frame >= double(s.loopStart))
            return -1;
    }
    return -1;
}

std::vector<double> rowTimes(const xm::Module& m) {
    std::vector<double> times;
    int speed = 6, bpm = 125;
    double t = 0.0;
    for (uint8_t o : m.orders) {
        const xm::Pattern& p = m.patterns.at(o);
        for (int r = 0; r < p.rows; ++r) {
            bool breaks = false;
            for (int ch = 0; ch < p.channels; ++ch) {
                const xm::Cell& c = p.at(r, ch);
                if (c.effect == xm::kSetSpeed && c.param) {
                    if (c.param < 32)
                        speed = c.param;
                    else
                        bpm = c.param;
                }
                breaks = breaks || c.effect == xm::kPositionJump || c.effect == xm::kPatternBreak;
            }
            times.push_back(t);
            t += speed * 2.5 / bpm;
            if (breaks)
                break;
        }
    }
    times.push_back(t);
    return times;
}

namespace {

// The notes of one pass and of the positions it loops back to, by start.
std::vector<Sounding> passAndLoop(const xm::Module& m, const std::vector<Part>& parts,
                                  int* passRows) {
    Walker w(m, parts);
    std::vector<Sounding> notes = w.run(passRows);
    std::stable_sort(notes.begin(), notes.end(),
                     [](const Sounding& a, const Sounding& b) { return a.start < b.start; });
    return notes;
}

}  // namespace

std::vector<Sounding> soundingNotes(const xm::Module& m, const std::vector<Part>& parts,
                                    int* passRows) {
    int pass = 0;
    std::vector<Sounding> notes = passAndLoop(m, parts, &pass);
    notes.erase(std::remove_if(notes.begin(), notes.end(),
                               [pass](const Sounding& s) { return s.start >= pass; }),
                notes.end());
    if (passRows)
        *passRows = pass;
    return notes;
}

std::string Clash::describe(const std::vector<Part>& parts) const {
    auto part = [&](int ch) {
        return std::string(ch < static_cast<int>(parts.size()) ? partName(parts[ch]) : "?") +
               " (channel " + std::to_string(ch + 1) + ")";
    };
    return "position " + std::to_string(position) + " row " + std::to_string(row) + ": " +
           noteName(a.note) + " on " + part(a.channel) + " against " + noteName(b.note) + " on " +
           part(b.channel) + " for " + std::to_string(rows) + " rows";
}

std::vector<Clash> heldClashes(const xm::Module& m, const std::vector<Part>& parts,
                               const std::vector<Allowance>& allowed, int minRows) {
    int passRows = 0;
    const std::vector<Sounding> notes = passAndLoop(m, parts, &passRows);
    // Where each position starts, to name the place of a clash.
    std::vector<int> positionStart;
    int row = 0;
    for (uint8_t o : m.orders) {
        positionStart.push_back(row);
        row += m.patterns.at(o).rows;
    }
    std::vector<Clash> out;
    for (size_t i = 0; i < notes.size(); ++i) {
        for (size_t j = i + 1; j < notes.size() && notes[j].start < notes[i].end; ++j) {
            const Sounding& a = notes[i];
            const Sounding& b = notes[j];
            if (a.channel == b.channel)
                continue;
            const int together = std::min(a.end, b.end) - std::max(a.start, b.start);
            const int meet = std::max(a.start, b.start);
            if (together < minRows || meet >= passRows)
                continue;
            const int interval = std::abs(a.note - b.note);
            bool clash = interval % 12 == 1;
            const Part pa = parts.at(a.channel), pb = parts.at(b.channel);
            if ((pa == Part::Bass && pb == Part::Chords) ||
                (pb == Part::Bass && pa == Part::Chords))
                clash = clash || interval % 12 == 11;
            if (!clash || allowedPair(allowed, a.note, b.note))
                continue;
            auto at = std::upper_bound(positionStart.begin(), positionStart.end(), meet);
            const int position = static_cast<int>(at - positionStart.begin()) - 1;
            out.push_back({position, meet - positionStart[position], a, b, together});
        }
    }
    return out;
}

std::vector<std::string> effectKinds(const xm::Module& m) {
    // Index into `names` for each kind found.
    static const char* const names[] = {
        "arpeggio",    "portamento", "tone portamento", "vibrato",      "tremolo",
        "panning",     "pan slide",  "sample offset",   "volume slide", "set volume",
        "fine slides", "retrigger",  "note cut",        "note delay",   "key off"};
    bool used[std::size(names)] = {};
    auto mark = [&](int k) { used[k] = true; };
    std::vector<bool> played(m.patterns.size(), false);
    for (uint8_t o : m.orders)
        played.at(o) = true;
    for (size_t pi = 0; pi < m.patterns.size(); ++pi) {
        if (!played[pi])
            continue;
        for (const xm::Cell& c : m.patterns[pi].cells) {
            const int x = c.param >> 4;
            switch (c.effect) {
                case 0x00:
                    if (c.param)
                        mark(0);
                    break;
                case 0x01:
                case 0x02:
                    mark(1);
                    break;
                case 0x03:
                    mark(2);
                    break;
                case 0x04:
                    mark(3);
                    break;
                case 0x05:
                    mark(2), mark(8);
                    break;
                case 0x06:
                    mark(3), mark(8);
                    break;
                case 0x07:
                    mark(4);
                    break;
                case 0x08:
                    mark(5);
                    break;
                case 0x09:
                    mark(7);
                    break;
                case 0x0A:
                    mark(8);
                    break;
                case 0x0C:
                    mark(9);
                    break;
                case 0x0E:
                    if (x == 1 || x == 2 || x == 0xA || x == 0xB)
                        mark(10);
                    else if (x == 9)
                        mark(11);
                    else if (x == 0xC)
                        mark(12);
                    else if (x == 0xD)
                        mark(13);
                    break;
                case 0x14:
                    mark(14);
                    break;
                case 0x19:
                    mark(6);
                    break;
                case 0x1B:
                    mark(11);
                    break;
                default:
                    break;
            }
            const int v = c.volume;
            if (v >= 0x60 && v <= 0x9F)
                mark(v < 0x80 ? 8 : 10);
            else if (v >= 0xA0 && v <= 0xBF)
                mark(3);
            else if (v >= 0xC0 && v <= 0xCF)
                mark(5);
            else if (v >= 0xD0 && v <= 0xEF)
                mark(6);
            else if (v >= 0xF0)
                mark(2);
        }
    }
    std::vector<std::string> out;
    for (size_t k = 0; k < std::size(names); ++k)
        if (used[k])
            out.push_back(names[k]);
    return out;
}

}  // namespace analysis

namespace analysis {

PassRows passRows(const xm::Module& m) {
    PassRows out;
    out.channels = m.channels;
    const std::vector<double> times = rowTimes(m);
    out.seconds = times.back();
    const size_t rows = times.size() - 1;
    out.struck.assign(rows, 0);
    out.sounding.assign(rows, 0);
    size_t row = 0;
    for (uint8_t o : m.orders) {
        const xm::Pattern& p = m.patterns.at(o);
        for (int r = 0; r < p.rows && row < rows; ++r, ++row) {
            bool breaks = false;
            for (int ch = 0; ch < p.channels; ++ch) {
                const xm::Cell& c = p.at(r, ch);
                if (c.note >= 1 && c.note <= 96 && !tonePortamento(c))
                    out.struck[row] |= uint64_t{1} << ch;
                breaks = breaks || c.effect == xm::kPositionJump || c.effect == xm::kPatternBreak;
            }
            if (breaks) {
                ++row;
                break;
            }
        }
    }
    // Every channel read as pitched, so that drums ring for as long as they sound.
    const std::vector<Part> all(m.channels, Part::Lead);
    for (const Sounding& s : soundingNotes(m, all))
        for (int r = s.start; r < s.end && r < static_cast<int>(rows); ++r)
            out.sounding[r] |= uint64_t{1} << s.channel;
    return out;
}

uint64_t channelsOf(const std::vector<Part>& parts, Part part) {
    uint64_t bits = 0;
    for (size_t ch = 0; ch < parts.size(); ++ch)
        if (parts[ch] == part)
            bits |= uint64_t{1} << ch;
    return bits;
}

Texture texture(const PassRows& pass, uint64_t tuneChannels, int rowsPerBar) {
    Texture t;
    const int rows = static_cast<int>(pass.struck.size());
    const int step = std::max(1, rowsPerBar / 16);
    const uint64_t firstHalf = (uint64_t{1} << (rowsPerBar / 2)) - 1;
    const uint64_t figure = 1 | (uint64_t{1} << (3 * step)) | (uint64_t{1} << (6 * step));
    std::map<uint64_t, int> rhythms;
    int thin = 0, full = 0, threeThreeTwo = 0, notes = 0;
    for (int bar = 0; bar * rowsPerBar < rows; ++bar) {
        uint64_t rhythm = 0, sounding = 0;
        for (int r = 0; r < rowsPerBar && bar * rowsPerBar + r < rows; ++r) {
            const int row = bar * rowsPerBar + r;
            if (pass.struck[row] & tuneChannels)
                rhythm |= uint64_t{1} << r;
            sounding |= pass.sounding[row];
            notes += std::popcount(pass.struck[row]);
        }
        ++t.bars;
        const int playing = std::popcount(sounding);
        thin += 2 * playing <= pass.channels;
        full += 5 * playing >= 4 * pass.channels;
        if (!rhythm)
            continue;
        ++t.tuneBars;
        ++rhythms[rhythm];
        threeThreeTwo += (rhythm & firstHalf) == figure;
    }
    int commonest = 0;
    for (const auto& [rhythm, count] : rhythms)
        commonest = std::max(commonest, count);
    t.rhythms = static_cast<int>(rhythms.size());
    if (t.tuneBars) {
        t.commonestRhythm = double(commonest) / t.tuneBars;
        t.threeThreeTwo = double(threeThreeTwo) / t.tuneBars;
    }
    if (t.bars) {
        t.thinBars = double(thin) / t.bars;
        t.fullBars = double(full) / t.bars;
    }
    if (pass.seconds > 0)
        t.notesPerSecond = notes / pass.seconds;
    return t;
}

}  // namespace analysis
