// sfxmeasure: plays the generated music and effects the way the game will
// hear them, measures them as a broadcast loudness meter does (ITU-R
// BS.1770, K-weighted), reads them as a score, and checks them.
//
//   sfxmeasure [--channels] [--sections] [--only FILE] MEDIA_SFX_DIR
//   sfxmeasure --reference MODULE [--reference MODULE ...]
//
// Each module is rendered for one pass through its positions and on for a
// while past the loop (48 kHz stereo, as the game loops it); each effect is
// decoded in full. Printed per module: gated loudness (LUFS), loudness range
// (LU, EBU Tech 3342), true peak (dBTP), side/mid energy ratio, spectral
// centroid, loudness of the first 10 s and of the 10 s after the song
// loops, the longest near-silence, the tracker effect kinds the patterns
// use, the tune's bar rhythms, how often the arrangement thins out, the
// notes a second and the held clashes of one pass; per effect its true
// peak, the loudness of its loudest 100 ms and its strongest frequency,
// and for the key click how much louder a held key's clicks are.
// --channels adds each channel's loudness played alone, with the mix's
// targets (the tune at least 2 LU above every other channel, hats 8 to
// 10 LU under the mix); --sections the loudness of every song position.
// --reference measures other modules (any format libopenmpt plays) the
// same way for comparison, without checks.
//
// Exit status 1 when a true peak is above -1 dBTP, the six modules' loudness
// spreads over more than 1.5 LU, the effects' over more than 1 LU, a module
// is silent for more than 2 s, its side/mid ratio leaves -12..-8 dB, its
// mono fold-down is more than 1 LU from the stereo loudness, the loop
// restarts more than 3 LU under the song, its loudness range is under 5 LU,
// its tune has fewer than 12 bar rhythms or one of them (or the 3-3-2
// opening) in more than a quarter of its bars, fewer than 15 % of its bars
// have half the channels or fewer, it plays more than 20 notes a second, a
// module has held clashes its track does not allow, the key click is more
// than 5 cents from G or a held key's clicks rise more than 1 LU over one,
// the loader reports anything, or (with --channels) a mix target is missed.
#include <vorbis/vorbisfile.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include "analysis.h"
#include "dsp.h"
#include "loudness.h"
#include "songs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr double kTruePeakLimit = -1.0;  // dBTP
constexpr double kMusicSpread = 1.5;     // LU across the six modules
constexpr double kEffectSpread = 1.0;    // LU across the six effects
constexpr double kSilenceDb = -50.0;     // a 50 ms window this quiet is silence
constexpr double kMaxSilenceSeconds = 2.0;
constexpr double kSideMidLow = -12.0, kSideMidHigh = -8.0;
constexpr double kMonoDrift = 1.0;                  // LU
constexpr double kLoopDip = 3.0;                    // LU the restart may sit under the song
constexpr double kWindowSeconds = 10.0;             // the intro and after-loop windows
constexpr double kLeadMargin = 2.0;                 // LU the tune sits over every other channel
constexpr double kHatsLow = 8.0, kHatsHigh = 10.0;  // LU the hats sit under the mix
// How the music is written and arranged: it must breathe, and its tune must
// not say the same rhythm over and over.
constexpr double kMinRange = 5.0;            // LU of loudness range over a pass
constexpr double kMinThinBars = 0.15;        // bars with half the channels or fewer
constexpr double kMaxNotesPerSecond = 20.0;  // on every channel together
constexpr int kMinRhythms = 12;              // distinct bar rhythms of the tune
constexpr double kMaxOneRhythm = 0.25;       // share of the tune's bars in one rhythm
// The key click: G (in every track's key) within kClickCents, and held, as
// the game plays it (on the press, on the third 50 ms keyboard tick, then on
// every other tick), no more than kHeldClickRise over one click.
constexpr double kG = 1567.98;
constexpr double kClickCents = 5.0;
constexpr double kHeldClickRise = 1.0;
const std::vector<double> kHeldClicks = {0.0, 0.15, 0.25, 0.35, 0.45, 0.55};

const char* const kModules[] = {"extend.xm", "level3.xm", "maddy.xm",
                                "sad.xm",    "spring.xm", "trauma.xm"};
const char* const kEffects[] = {"bidip.ogg",   "blip1.ogg",   "boingg.ogg",
                                "clicker.ogg", "keyclik.ogg", "bhump.ogg"};

double toDb(double v) {
    return v > 0 ? 20.0 * std::log10(v) : -200.0;
}

bool readFile(const std::string& path, std::vector<char>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

struct Render {
    sfx::Buffer left, right;
    std::vector<int> orderAt;  // the song position of every 10 ms
    analysis::PassRows rows;   // the first `pass` seconds, row by row, as heard
};

// A channel whose level stays under this (of full scale) is not playing.
constexpr float kChannelAudible = 0.01f;

// Whether a pattern cell strikes a note: a note, not a key-off or cut, and
// not a slide into it.
bool strikes(openmpt::module& mod, int pattern, int row, int ch) {
    const int note =
        mod.get_pattern_row_channel_command(pattern, row, ch, openmpt::module::command_note);
    if (note < 1 || note > 120)
        return false;
    const std::string fx =
        mod.format_pattern_row_channel_command(pattern, row, ch, openmpt::module::command_effect);
    const std::string vol = mod.format_pattern_row_channel_command(
        pattern, row, ch, openmpt::module::command_volumeffect);
    // Tone portamento as the formats write it: 3 and 5 (MOD, XM), G and L
    // (S3M, IT), g in the volume column.
    return fx != "3" && fx != "5" && fx != "G" && fx != "L" && vol != "g";
}

// Renders `seconds` of a module, looping as the game does, and reads the
// first `pass` seconds row by row: the notes struck, and the channels heard.
Render render(const std::vector<char>& data, double seconds, double pass, std::ostringstream& log) {
    openmpt::module mod(data, log);
    mod.set_repeat_count(-1);
    Render r;
    const int channels = std::min(mod.get_num_channels(), 64);
    r.rows.channels = channels;
    r.rows.seconds = pass;
    const size_t frames = static_cast<size_t>(seconds * kRate);
    const size_t passFrames = static_cast<size_t>(pass * kRate);
    const size_t chunk = kRate / 200;
    r.left.resize(frames);
    r.right.resize(frames);
    size_t done = 0;
    int lastOrder = -1, lastRow = -1;
    // A new row is noted with the notes it strikes; what the channels sound
    // after each read belongs to the row the read ended in.
    auto follow = [&] {
        const int order = mod.get_current_order(), row = mod.get_current_row();
        if (order == lastOrder && row == lastRow)
            return;
        lastOrder = order;
        lastRow = row;
        uint64_t struck = 0;
        const int pattern = mod.get_current_pattern();
        for (int ch = 0; ch < channels; ++ch)
            if (strikes(mod, pattern, row, ch))
                struck |= uint64_t{1} << ch;
        r.rows.struck.push_back(struck);
        r.rows.sounding.push_back(0);
    };
    follow();
    while (done < frames) {
        if (done % (kRate / 100) == 0)
            r.orderAt.push_back(mod.get_current_order());
        size_t n = mod.read(kRate, std::min(chunk, frames - done), r.left.data() + done,
                            r.right.data() + done);
        if (n == 0)
            break;
        done += n;
        if (done > passFrames)
            continue;
        follow();
        for (int ch = 0; ch < channels; ++ch)
            if (mod.get_current_channel_vu_mono(ch) > kChannelAudible)
                r.rows.sounding.back() |= uint64_t{1} << ch;
    }
    r.left.resize(done);
    r.right.resize(done);
    return r;
}

// The meter, having heard the stretch from `from` to `to` seconds of a
// stereo pair: its loudness and its loudness range.
sfx::LoudnessMeter meterOf(const sfx::Buffer& l, const sfx::Buffer& r, double from, double to) {
    const size_t a = std::min(l.size(), static_cast<size_t>(from * kRate));
    const size_t z = std::min(l.size(), static_cast<size_t>(to * kRate));
    sfx::LoudnessMeter meter(kRate, 2);
    const float* both[2] = {l.data() + a, r.data() + a};
    meter.add(both, z - a);
    return meter;
}

double loudnessOf(const sfx::Buffer& l, const sfx::Buffer& r, double from, double to) {
    return meterOf(l, r, from, to).integrated();
}

// Spectral centroid (Hz) of a stretch of sound: the power-weighted mean
// frequency over Hann-windowed frames of 4096 samples, one frame in every
// eight (enough for a song's colour, and quick in a sanitizer build), how
// bright it sounds.
double centroidOf(const sfx::Buffer& l, const sfx::Buffer& r, double from, double to) {
    constexpr size_t kFrame = 4096;
    const size_t a = std::min(l.size(), static_cast<size_t>(from * kRate));
    const size_t z = std::min(l.size(), static_cast<size_t>(to * kRate));
    std::vector<double> window(kFrame), power(kFrame / 2, 0.0), re(kFrame), im(kFrame);
    for (size_t i = 0; i < kFrame; ++i)
        window[i] = 0.5 - 0.5 * std::cos(sfx::kTwoPi * double(i) / kFrame);
    // The twiddle factors of every stage, taken from one table.
    std::vector<double> cosT(kFrame / 2), sinT(kFrame / 2);
    for (size_t k = 0; k < kFrame / 2; ++k) {
        cosT[k] = std::cos(sfx::kTwoPi * double(k) / kFrame);
        sinT[k] = -std::sin(sfx::kTwoPi * double(k) / kFrame);
    }
    for (size_t start = a; start + kFrame <= z; start += 8 * kFrame) {
        // Bit-reversed order, then the butterflies of an iterative radix-2
        // transform.
        for (size_t i = 0, j = 0; i < kFrame; ++i) {
            re[j] = 0.5 * (l[start + i] + r[start + i]) * window[i];
            im[j] = 0.0;
            size_t bit = kFrame >> 1;
            for (; j & bit; bit >>= 1)
                j ^= bit;
            j ^= bit;
        }
        for (size_t len = 2; len <= kFrame; len <<= 1) {
            const size_t stride = kFrame / len;
            for (size_t i = 0; i < kFrame; i += len)
                for (size_t k = 0; k < len / 2; ++k) {
                    const double wr = cosT[k * stride], wi = sinT[k * stride];
                    const size_t p = i + k, q = i + k + len / 2;
                    const double vr = re[q] * wr - im[q] * wi, vi = re[q] * wi + im[q] * wr;
                    re[q] = re[p] - vr;
                    im[q] = im[p] - vi;
                    re[p] += vr;
                    im[p] += vi;
                }
        }
        for (size_t k = 0; k < kFrame / 2; ++k)
            power[k] += re[k] * re[k] + im[k] * im[k];
    }
    double sum = 0.0, weighted = 0.0;
    for (size_t k = 1; k < kFrame / 2; ++k) {
        sum += power[k];
        weighted += power[k] * double(k) * kRate / kFrame;
    }
    return sum > 0.0 ? weighted / sum : 0.0;
}

// Prints how a pass is laid out: the tune's bar rhythms (when the tune's
// channels are known), how often the channels thin out, how busy it is.
void printTexture(const analysis::Texture& t, bool tune) {
    if (tune)
        std::printf(
            "  tune rhythm: %d bars with the tune of %d, %d distinct bar rhythms, the commonest in "
            "%.0f%% of them, the 3-3-2 opening in %.0f%%\n",
            t.tuneBars, t.bars, t.rhythms, 100 * t.commonestRhythm, 100 * t.threeThreeTwo);
    std::printf(
        "  arrangement: %.0f%% of bars with half the channels or fewer, %.0f%% with 80%% or "
        "more; %.1f notes a second\n",
        100 * t.thinBars, 100 * t.fullBars, t.notesPerSecond);
}

// Loudness of one channel of a module played alone for `seconds`.
double soloLoudness(const std::vector<char>& data, double seconds, int solo,
                    std::ostringstream& log) {
    openmpt::module_ext mod(data, log);
    mod.set_repeat_count(-1);
    auto* inter =
        static_cast<openmpt::ext::interactive*>(mod.get_interface(openmpt::ext::interactive_id));
    for (int ch = 0; ch < mod.get_num_channels(); ++ch)
        inter->set_channel_mute_status(ch, ch != solo);
    sfx::LoudnessMeter meter(kRate, 2);
    std::vector<float> l(4096), r(4096);
    const float* both[2] = {l.data(), r.data()};
    size_t left = static_cast<size_t>(seconds * kRate);
    while (left > 0) {
        size_t n = mod.read(kRate, std::min(left, l.size()), l.data(), r.data());
        if (n == 0)
            break;
        meter.add(both, n);
        left -= n;
    }
    return meter.integrated();
}

// Longest run of 50 ms windows quieter than kSilenceDb (either channel).
double longestSilence(const Render& r) {
    const size_t win = kRate / 20;
    int run = 0, best = 0;
    for (size_t i = 0; i + win <= r.left.size(); i += win) {
        double acc = 0.0;
        for (size_t k = i; k < i + win; ++k)
            acc += 0.5 * (double(r.left[k]) * r.left[k] + double(r.right[k]) * r.right[k]);
        if (10.0 * std::log10(acc / win + 1e-30) < kSilenceDb)
            best = std::max(best, ++run);
        else
            run = 0;
    }
    return best * 0.05;
}

struct ModuleResult {
    std::string name;
    double loudness = -200;
    bool ok = true;
};

void problem(ModuleResult& m, const std::string& why) {
    std::printf("  PROBLEM: %s\n", why.c_str());
    m.ok = false;
}

const songs::Track* trackFor(const std::vector<songs::Track>& tracks, const std::string& file) {
    for (const songs::Track& t : tracks)
        if (t.file == file)
            return &t;
    return nullptr;
}

// Plays every channel alone and checks the mix's balance: the tune (every
// lead channel) at least kLeadMargin over each other channel, the hats
// kHatsLow to kHatsHigh under the whole mix.
void checkBalance(const std::vector<char>& data, double pass, int channels,
                  const songs::Track* track, ModuleResult& res, std::ostringstream& log) {
    std::printf("  channels alone:");
    std::vector<double> solo;
    for (int ch = 0; ch < channels; ++ch) {
        solo.push_back(soloLoudness(data, pass, ch, log));
        std::printf(" %d%s%s:%.1f", ch + 1, track ? " " : "",
                    track ? analysis::partName(track->parts[ch]) : "", solo.back());
    }
    std::printf("\n");
    if (!track)
        return;
    double quietestTune = 200, loudestOther = -200;
    for (int ch = 0; ch < channels; ++ch) {
        if (track->parts[ch] == analysis::Part::Lead)
            quietestTune = std::min(quietestTune, solo[ch]);
        else
            loudestOther = std::max(loudestOther, solo[ch]);
    }
    std::printf("  the tune %.1f LU over the loudest other channel", quietestTune - loudestOther);
    bool hatsOk = true;
    for (int ch = 0; ch < channels; ++ch) {
        if (track->parts[ch] != analysis::Part::Hats)
            continue;
        const double under = res.loudness - solo[ch];
        std::printf("; hats (channel %d) %.1f LU under the mix", ch + 1, under);
        hatsOk = hatsOk && under >= kHatsLow && under <= kHatsHigh;
    }
    std::printf("\n");
    if (quietestTune - loudestOther < kLeadMargin)
        problem(res, "the tune is not on top of the mix");
    if (!hatsOk)
        problem(res, "hats outside 8-10 LU under the mix");
}

ModuleResult measureModule(const std::string& dir, const std::string& name,
                           const std::vector<songs::Track>& tracks, bool channels, bool sections) {
    ModuleResult res;
    res.name = name;
    std::printf("%s\n", name.c_str());
    std::vector<char> data;
    if (!readFile(dir + "/" + name, data)) {
        problem(res, "cannot read the file");
        return res;
    }
    std::ostringstream log;
    try {
        const xm::Module m = xm::read(std::vector<uint8_t>(data.begin(), data.end()));
        double pass = 0.0;
        {
            openmpt::module probe(data, log);
            pass = probe.get_duration_seconds();
        }
        const Render mix = render(data, pass + kWindowSeconds + 2.0, pass, log);
        const sfx::Buffer& l = mix.left;
        const sfx::Buffer& r = mix.right;
        const sfx::LoudnessMeter whole = meterOf(l, r, 0, pass);
        res.loudness = whole.integrated();
        const size_t passFrames = std::min(l.size(), static_cast<size_t>(pass * kRate));
        sfx::Buffer mono(passFrames);
        for (size_t i = 0; i < passFrames; ++i)
            mono[i] = 0.5f * (l[i] + r[i]);
        const double monoLoudness = loudnessOf(mono, mono, 0, pass);
        const double peak = toDb(std::max(sfx::truePeak(l), sfx::truePeak(r)));
        const double sideMid = sfx::sideToMid(sfx::Buffer(l.begin(), l.begin() + passFrames),
                                              sfx::Buffer(r.begin(), r.begin() + passFrames));
        const double intro = loudnessOf(l, r, 0, kWindowSeconds);
        const double afterLoop = loudnessOf(l, r, pass, pass + kWindowSeconds);
        const double silence = longestSilence(mix);
        const double range = whole.range();
        std::printf("  one pass %.1f s, restarts at position %d, spectral centroid %.0f Hz\n", pass,
                    m.restart, centroidOf(l, r, 0, pass));
        std::printf(
            "  loudness %.2f LUFS (mono %.2f), range %.1f LU, true peak %.2f dBTP, side/mid "
            "%.1f dB\n",
            res.loudness, monoLoudness, range, peak, sideMid);
        std::printf(
            "  first 10 s %.2f LUFS, 10 s after the loop %.2f LUFS, longest silence %.2f s\n",
            intro, afterLoop, silence);
        std::string kinds;
        const std::vector<std::string> used = analysis::effectKinds(m);
        for (const std::string& k : used)
            kinds += (kinds.empty() ? "" : ", ") + k;
        std::printf("  effect kinds (%zu): %s\n", used.size(),
                    kinds.empty() ? "none" : kinds.c_str());

        const songs::Track* track = trackFor(tracks, name);
        const bool known = track && static_cast<int>(track->parts.size()) == m.channels;
        if (known) {
            // The tune: how much of it there is, when it starts, and where its
            // notes fall in the beat.
            int passRows = 0;
            const std::vector<analysis::Sounding> notes =
                analysis::soundingNotes(m, track->parts, &passRows);
            const std::vector<double> times = analysis::rowTimes(m);
            int count = 0, sixteenths = 0, onBeat = 0;
            double first = -1.0;
            for (const analysis::Sounding& s : notes) {
                if (track->parts[s.channel] != analysis::Part::Lead || s.start >= passRows)
                    continue;
                if (first < 0)
                    first = times.at(s.start);
                ++count;
                sixteenths += s.row % 2;
                onBeat += s.row % 4 == 0;
            }
            std::printf(
                "  tune: %d notes a pass (%.2f a second), the first at %.1f s; "
                "%d on sixteenths, %.0f%% on the beat\n",
                count, count / times.back(), first, sixteenths,
                count ? 100.0 * onBeat / count : 0.0);
            std::vector<analysis::Clash> all = analysis::heldClashes(m, track->parts, {});
            std::vector<analysis::Clash> left =
                analysis::heldClashes(m, track->parts, track->allowed);
            const analysis::Texture t = analysis::texture(
                mix.rows, analysis::channelsOf(track->parts, analysis::Part::Lead));
            printTexture(t, true);
            if (t.rhythms < kMinRhythms)
                problem(res, "too few bar rhythms in the tune");
            if (t.commonestRhythm > kMaxOneRhythm)
                problem(res, "one bar rhythm dominates the tune");
            if (t.threeThreeTwo > kMaxOneRhythm)
                problem(res, "the 3-3-2 figure opens too many of the tune's bars");
            if (t.thinBars < kMinThinBars)
                problem(res, "the arrangement seldom thins out");
            if (t.notesPerSecond > kMaxNotesPerSecond)
                problem(res, "too many notes a second");
            std::printf("  held clashes per pass: %zu outside the allowances (%zu in all)\n",
                        left.size(), all.size());
            for (const analysis::Clash& c : left)
                std::printf("    %s\n", c.describe(track->parts).c_str());
            if (!left.empty())
                problem(res, "held clashes");
        } else {
            std::printf("  held clashes: the generator does not know this module's channels\n");
        }

        if (sections) {
            std::printf("  loudness by position:");
            size_t from = 0;
            for (size_t i = 1; i <= mix.orderAt.size(); ++i) {
                if (i < mix.orderAt.size() && mix.orderAt[i] == mix.orderAt[from])
                    continue;
                const double a = from * 0.01, z = i * 0.01;
                std::printf(" %d:%.1f", mix.orderAt[from], loudnessOf(l, r, a, z));
                from = i;
            }
            std::printf("\n");
        }

        if (channels)
            checkBalance(data, pass, m.channels, known ? track : nullptr, res, log);

        if (peak > kTruePeakLimit)
            problem(res, "true peak above -1 dBTP");
        if (silence > kMaxSilenceSeconds)
            problem(res, "silent for too long");
        if (sideMid < kSideMidLow || sideMid > kSideMidHigh)
            problem(res, "side/mid outside -12..-8 dB");
        if (std::fabs(monoLoudness - res.loudness) > kMonoDrift)
            problem(res, "mono fold-down changes the loudness by more than 1 LU");
        if (range < kMinRange)
            problem(res, "the loudness hardly moves (range under 5 LU)");
        if (afterLoop < res.loudness - kLoopDip)
            problem(res, "the loop restarts much quieter than the song");
    } catch (const std::exception& e) {
        problem(res, std::string("does not load: ") + e.what());
    }
    if (!log.str().empty())
        problem(res, "the loader says: " + log.str());
    return res;
}

// Another module, measured the same way for comparison (no checks): its
// loudness and range, and how its arrangement thins out and how busy it is.
void measureReference(const std::string& path) {
    std::printf("%s\n", path.c_str());
    std::vector<char> data;
    if (!readFile(path, data)) {
        std::printf("  cannot read the file\n");
        return;
    }
    std::ostringstream log;
    try {
        double pass = 0.0;
        {
            openmpt::module probe(data, log);
            pass = probe.get_duration_seconds();
        }
        const Render mix = render(data, pass, pass, log);
        std::printf("  one pass %.1f s, %d channels\n", pass, mix.rows.channels);
        const sfx::LoudnessMeter whole = meterOf(mix.left, mix.right, 0, pass);
        std::printf("  loudness %.2f LUFS, range %.1f LU, spectral centroid %.0f Hz\n",
                    whole.integrated(), whole.range(), centroidOf(mix.left, mix.right, 0, pass));
        printTexture(analysis::texture(mix.rows, 0), false);
    } catch (const std::exception& e) {
        std::printf("  does not load: %s\n", e.what());
    }
}

struct EffectResult {
    std::string name;
    double loudness = -200, peak = -200;
    bool ok = true;
};

EffectResult measureEffect(const std::string& dir, const std::string& name) {
    EffectResult r;
    r.name = name;
    OggVorbis_File vf;
    std::string path = dir + "/" + name;
    if (ov_fopen(path.c_str(), &vf) != 0) {
        r.ok = false;
        std::printf("%-12s cannot be decoded\n", name.c_str());
        return r;
    }
    sfx::Buffer pcm;
    int section = 0;
    for (;;) {
        float** buf = nullptr;
        long n = ov_read_float(&vf, &buf, 4096, &section);
        if (n <= 0)
            break;
        pcm.insert(pcm.end(), buf[0], buf[0] + n);
    }
    const int rate = static_cast<int>(ov_info(&vf, -1)->rate);
    ov_clear(&vf);
    r.peak = toDb(sfx::truePeak(pcm));
    r.loudness = sfx::loudestWindowLoudness(pcm, rate, 0.1);
    r.ok = r.peak <= kTruePeakLimit;
    const double pitch = sfx::strongestFrequency(pcm, rate, 100.0, std::min(8000.0, 0.45 * rate));
    const double cents = sfx::centsFromOctaveOf(pitch, kG);
    std::printf(
        "%-12s %9.2f %14.2f  %5zu samples at %d Hz, strongest at %.1f Hz (%+.0f cents from G)%s\n",
        name.c_str(), r.peak, r.loudness, pcm.size(), rate, pitch, cents,
        r.ok ? "" : "  PROBLEM: true peak above -1 dBTP");
    if (name == "keyclik.ogg") {
        // The most heard sound: in every track's key, and a held key's
        // repeats no louder than one press.
        const sfx::Buffer held = sfx::repeatAt(pcm, rate, kHeldClicks);
        const double over = sfx::loudestWindowLoudness(held, rate, 0.1) - r.loudness;
        std::printf("%-12s a held key's clicks %.2f LU over one click\n", "", over);
        if (std::fabs(cents) > kClickCents) {
            std::printf("  PROBLEM: the click is not tuned to G\n");
            r.ok = false;
        }
        if (over > kHeldClickRise) {
            std::printf("  PROBLEM: a held key's clicks pile up\n");
            r.ok = false;
        }
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    bool channels = false, sections = false;
    std::string dir, only;
    std::vector<std::string> references;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--channels")
            channels = true;
        else if (a == "--sections")
            sections = true;
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (a == "--reference" && i + 1 < argc)
            references.push_back(argv[++i]);
        else
            dir = a;
    }
    if (!references.empty()) {
        for (const std::string& path : references)
            measureReference(path);
        return 0;
    }
    if (dir.empty()) {
        std::fprintf(stderr,
                     "usage: sfxmeasure [--channels] [--sections] [--only FILE] MEDIA_SFX_DIR\n"
                     "       sfxmeasure --reference MODULE [--reference MODULE ...]\n");
        return 2;
    }
    if (!only.empty()) {
        // One file's figures, for working on it; the checks across files need all.
        if (only.ends_with(".xm"))
            measureModule(dir, only, songs::all(), channels, sections);
        else
            measureEffect(dir, only);
        return 0;
    }
    const std::vector<songs::Track> tracks = songs::all();
    bool allOk = true;
    double lo = 1e9, hi = -1e9;
    for (const char* name : kModules) {
        ModuleResult r = measureModule(dir, name, tracks, channels, sections);
        allOk = allOk && r.ok;
        lo = std::min(lo, r.loudness);
        hi = std::max(hi, r.loudness);
    }
    std::printf("music loudness spread: %.2f LU (at most %.1f)\n", hi - lo, kMusicSpread);
    if (hi - lo > kMusicSpread) {
        std::printf("  PROBLEM: the tracks are not equally loud\n");
        allOk = false;
    }

    std::printf("%-12s %9s %14s\n", "effect", "peak dBTP", "loudest 100 ms");
    lo = 1e9, hi = -1e9;
    for (const char* name : kEffects) {
        EffectResult r = measureEffect(dir, name);
        allOk = allOk && r.ok;
        lo = std::min(lo, r.loudness);
        hi = std::max(hi, r.loudness);
    }
    std::printf("effect loudness spread: %.2f LU (at most %.1f)\n", hi - lo, kEffectSpread);
    if (hi - lo > kEffectSpread) {
        std::printf("  PROBLEM: the effects are not equally loud\n");
        allOk = false;
    }
    std::printf("%s\n", allOk ? "all levels ok" : "LEVEL CHECK FAILED");
    return allOk ? 0 : 1;
}
