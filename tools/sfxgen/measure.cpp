// sfxmeasure: plays the generated music and effects the way the game will
// hear them and checks their levels.
//
//   sfxmeasure [--sections] [--channels] MEDIA_SFX_DIR
//
// Each module is rendered for 60 s (44.1 kHz stereo, looping as in the
// game) and each effect is decoded in full. Printed per file: peak (dBFS),
// loudness as RMS (dBFS; for effects the loudest 100 ms, weighted as the
// ear hears it), and for music the longest stretch below -50 dBFS.
// Fails (exit 1) when a peak is above -1 dBFS, the music's loudness spreads
// over more than 3 dB, music is silent for more than 2 s, the effects'
// loudness spreads over more than 3 dB, or the module loader reports
// anything. --sections also prints the loudness of every 7.68 s (one
// 64-row pattern at 125 BPM); --channels prints the loudness of each
// channel played alone (for balancing a mix).
#include <vorbis/vorbisfile.h>
#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include "dsp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kMusicSeconds = 60.0;
constexpr double kPeakLimitDb = -1.0;
constexpr double kMusicSpreadDb = 3.0;
constexpr double kEffectSpreadDb = 3.0;
constexpr double kSilenceDb = -50.0;
constexpr double kMaxSilenceSeconds = 2.0;

const char* const kModules[] = {"extend.xm", "level3.xm", "maddy.xm",
                                "sad.xm",    "spring.xm", "trauma.xm"};
const char* const kEffects[] = {"bidip.ogg",   "blip1.ogg",   "boingg.ogg",
                                "clicker.ogg", "keyclik.ogg", "bhump.ogg"};

double toDb(double v) {
    return v > 0 ? 20.0 * std::log10(v) : -200.0;
}

double rms(const std::vector<float>& s, size_t from, size_t to) {
    double acc = 0.0;
    for (size_t i = from; i < to; ++i)
        acc += double(s[i]) * s[i];
    return to > from ? std::sqrt(acc / double(to - from)) : 0.0;
}

double peak(const std::vector<float>& s) {
    float p = 0.0f;
    for (float v : s)
        p = std::max(p, std::fabs(v));
    return p;
}

// Longest run of 50 ms windows (interleaved stereo) quieter than kSilenceDb.
double longestSilence(const std::vector<float>& s) {
    const size_t win = kRate / 20 * 2;
    int run = 0, best = 0;
    for (size_t i = 0; i + win <= s.size(); i += win) {
        if (toDb(rms(s, i, i + win)) < kSilenceDb)
            best = std::max(best, ++run);
        else
            run = 0;
    }
    return best * 0.05;
}

struct Result {
    std::string name;
    double peakDb = -200, loudDb = -200, silence = 0;
    bool ok = true;
    std::string problem;
};

bool readFile(const std::string& path, std::vector<char>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The first kMusicSeconds of a module as interleaved stereo floats (shorter if it ends).
std::vector<float> renderMusic(openmpt::module& mod) {
    const size_t frames = static_cast<size_t>(kMusicSeconds * kRate);
    std::vector<float> pcm(frames * 2);
    size_t done = 0;
    while (done < frames) {
        size_t n = mod.read_interleaved_stereo(kRate, std::min<size_t>(4096, frames - done),
                                               pcm.data() + done * 2);
        if (n == 0)
            break;
        done += n;
    }
    pcm.resize(done * 2);
    return pcm;
}

// Loudness of each channel of a module played alone for the first 60 s.
void channelLevels(const std::vector<char>& data, const std::string& name) {
    std::ostringstream log;
    openmpt::module_ext probe(data, log);
    const int channels = probe.get_num_channels();
    std::printf("  %s channels:", name.c_str());
    for (int solo = 0; solo < channels; ++solo) {
        openmpt::module_ext mod(data, log);
        auto* inter = static_cast<openmpt::ext::interactive*>(
            mod.get_interface(openmpt::ext::interactive_id));
        for (int ch = 0; ch < channels; ++ch)
            inter->set_channel_mute_status(ch, ch != solo);
        const std::vector<float> pcm = renderMusic(mod);
        std::printf(" %d:%.1f", solo + 1, toDb(rms(pcm, 0, pcm.size())));
    }
    std::printf("\n");
}

Result measureModule(const std::string& dir, const std::string& name, bool sections,
                     bool channels) {
    Result r;
    r.name = name;
    std::vector<char> data;
    if (!readFile(dir + "/" + name, data)) {
        r.ok = false;
        r.problem = "cannot read";
        return r;
    }
    std::ostringstream log;
    try {
        openmpt::module mod(data, log);
        mod.set_repeat_count(-1);
        const std::vector<float> pcm = renderMusic(mod);
        r.peakDb = toDb(peak(pcm));
        r.loudDb = toDb(rms(pcm, 0, pcm.size()));
        r.silence = longestSilence(pcm);
        if (channels)
            channelLevels(data, name);
        if (sections) {
            const size_t step = static_cast<size_t>(7.68 * kRate) * 2;
            std::printf("  %s sections:", name.c_str());
            for (size_t i = 0; i < pcm.size(); i += step)
                std::printf(" %.1f", toDb(rms(pcm, i, std::min(pcm.size(), i + step))));
            std::printf("\n");
        }
    } catch (const std::exception& e) {
        r.ok = false;
        r.problem = std::string("does not load: ") + e.what();
    }
    if (!log.str().empty()) {
        r.ok = false;
        r.problem += "loader says: " + log.str();
    }
    return r;
}

Result measureEffect(const std::string& dir, const std::string& name) {
    Result r;
    r.name = name;
    OggVorbis_File vf;
    std::string path = dir + "/" + name;
    if (ov_fopen(path.c_str(), &vf) != 0) {
        r.ok = false;
        r.problem = "cannot decode";
        return r;
    }
    std::vector<float> pcm;
    int section = 0;
    for (;;) {
        float** buf = nullptr;
        long n = ov_read_float(&vf, &buf, 4096, &section);
        if (n <= 0)
            break;
        pcm.insert(pcm.end(), buf[0], buf[0] + n);
    }
    int rate = static_cast<int>(ov_info(&vf, -1)->rate);
    ov_clear(&vf);
    r.peakDb = toDb(peak(pcm));
    r.loudDb = toDb(sfx::loudestWindowRms(sfx::loudnessWeighted(pcm, rate), rate / 10));
    return r;
}

void spreadCheck(std::vector<Result>& rs, double limit, const char* what, bool& allOk) {
    double lo = 1e9, hi = -1e9;
    for (const Result& r : rs) {
        lo = std::min(lo, r.loudDb);
        hi = std::max(hi, r.loudDb);
    }
    bool ok = hi - lo <= limit;
    std::printf("%s loudness spread: %.1f dB (limit %.1f) %s\n", what, hi - lo, limit,
                ok ? "ok" : "TOO WIDE");
    allOk = allOk && ok;
}

}  // namespace

int main(int argc, char** argv) {
    bool sections = false, channels = false;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--sections")
            sections = true;
        else if (a == "--channels")
            channels = true;
        else
            dir = a;
    }
    if (dir.empty()) {
        std::fprintf(stderr, "usage: sfxmeasure [--sections] [--channels] MEDIA_SFX_DIR\n");
        return 2;
    }
    bool allOk = true;
    std::vector<Result> music, effects;
    std::printf("%-12s %9s %9s %9s\n", "music", "peak dB", "RMS dB", "silence");
    for (const char* m : kModules) {
        Result r = measureModule(dir, m, sections, channels);
        if (r.ok && r.peakDb > kPeakLimitDb)
            r.ok = false, r.problem = "peak above -1 dBFS";
        if (r.ok && r.silence > kMaxSilenceSeconds)
            r.ok = false, r.problem = "silent too long";
        std::printf("%-12s %9.2f %9.2f %8.2fs %s %s\n", m, r.peakDb, r.loudDb, r.silence,
                    r.ok ? "ok" : "FAIL", r.problem.c_str());
        allOk = allOk && r.ok;
        music.push_back(r);
    }
    spreadCheck(music, kMusicSpreadDb, "music", allOk);
    std::printf("%-12s %9s %9s\n", "effect", "peak dB", "loud dB");
    for (const char* e : kEffects) {
        Result r = measureEffect(dir, e);
        if (r.ok && r.peakDb > kPeakLimitDb)
            r.ok = false, r.problem = "peak above -1 dBFS";
        std::printf("%-12s %9.2f %9.2f  %s %s\n", e, r.peakDb, r.loudDb, r.ok ? "ok" : "FAIL",
                    r.problem.c_str());
        allOk = allOk && r.ok;
        effects.push_back(r);
    }
    spreadCheck(effects, kEffectSpreadDb, "effect", allOk);
    std::printf("%s\n", allOk ? "all levels ok" : "LEVEL CHECK FAILED");
    return allOk ? 0 : 1;
}
