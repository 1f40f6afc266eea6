#include <benchmark/benchmark.h>

#include <memory>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "effects/TFruit.h"
#include "effects/TFruitShower.h"
#include "services/Graphics.h"
#include "tests/support/TNullBackend.h"

namespace gb {
namespace {

std::shared_ptr<TFruitShower> fullShower(const ImageRef& sheet) {
    auto shower = TFruitShower::create();
    shower->sheet = sheet;
    for (int i = 0; i < 200; ++i) {
        shower->spawn(255 + (i % 10) * 29, 300 + (i / 10) * 10);
    }
    return shower;
}

// One frame of update and draw of 200 live fruit. The shower is rebuilt (untimed) every
// 60 frames, long before any fruit finishes, so every frame moves and draws all 200.
void BM_FruitShowerFrame200(benchmark::State& state) {
    TPlatform platform;
    TPlatformScope installed(platform);
    platform.makeDisplay<TNullBackend>();
    if (!openGraphics(800, 600)) {
        state.SkipWithError(graphicsError().c_str());
        return;
    }
    const ImageRef sheet = createImage(64, 72, 7);
    platform.deltaTimer.delta = 1.0f / 60.0f;
    auto shower = fullShower(sheet);
    int frames = 0;
    for (auto _ : state) {
        if (++frames == 60) {
            state.PauseTiming();
            shower = fullShower(sheet);
            frames = 0;
            state.ResumeTiming();
        }
        shower->update();
        shower->draw();
    }
}
BENCHMARK(BM_FruitShowerFrame200)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gb
