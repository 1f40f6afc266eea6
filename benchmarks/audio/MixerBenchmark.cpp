#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "audio/TMixerLibrary.h"
#include "core/EmbeddedMedia.h"
#include "tests/audio/AudioFixtures.h"

namespace gb {
namespace {

constexpr int kRate = 22000;
constexpr int kEffects = 8;

// CPU time to mix one second of the game's sound: a module plus 8 effects that last the whole
// second, rendered in device-buffer-sized pieces as the audio callback would. The game's own
// first track is used when the build holds it, else an 8-channel generated module with notes on
// every channel.
void BM_MixOneSecond(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    TMixerLibrary mixer{TMixerLibrary::Rendering::caller};
    if (mixer.init(kRate, 256, 0) != 1) {
        state.SkipWithError("no audio device, not even the dummy one");
        return;
    }
    std::vector<unsigned char> generated;
    const void* moduleData = nullptr;
    int moduleSize = 0;
    if (const EmbeddedBlob* track = findBuiltInMedia("media/sfx/extend.xm")) {
        moduleData = track->begin;
        moduleSize = static_cast<int>(track->end - track->begin);
        state.SetLabel("media/sfx/extend.xm");
    } else {
        generated = testing::makeTestModule(8, true);
        moduleData = generated.data();
        moduleSize = static_cast<int>(generated.size());
        state.SetLabel("generated 8-channel module");
    }
    FMUSIC_MODULE* song =
        mixer.loadSong(moduleData, 0, moduleSize, FSOUND_LOADMEMORY | FSOUND_LOOP_OFF, nullptr, 0);
    const auto ogg = testing::makeTestOgg(11025, 11025 * 3 / 2, 440.0f, 0.1f);
    FSOUND_SAMPLE* effect = mixer.loadSample(FSOUND_FREE, ogg.data(), FSOUND_LOADMEMORY, 0,
                                             static_cast<int>(ogg.size()));
    if (song == nullptr || effect == nullptr || mixer.playSong(song) != 1) {
        state.SkipWithError("fixtures failed to load");
        return;
    }
    const int buffer = TMixerLibrary::kDeviceBufferFrames;
    std::vector<int16_t> out(static_cast<std::size_t>(buffer) * 2);
    for (auto _ : state) {
        for (int i = 0; i < kEffects; ++i) {
            mixer.playSound(i, effect);  // restarts the effect on its channel
        }
        for (int done = 0; done < kRate; done += buffer) {
            mixer.mix(out.data(), buffer);
        }
        benchmark::DoNotOptimize(out.data());
    }
    mixer.close();
}
BENCHMARK(BM_MixOneSecond)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace gb
