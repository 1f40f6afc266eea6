// Drawing speed of the SDL display with the software renderer under the dummy video driver:
// the heaviest frame the game draws is a tiled background and a few hundred turning, scaled,
// additive fruit cells. The cells move from one frame to the next, as fruit do: the display
// draws again only what changed, so a frame that repeats the last would measure nothing.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlWindow.h"
#include "services/Graphics.h"

namespace {

constexpr int kCells = 400;

// A 64 x 72 cell with a soft round shape, drawn smoothly (the image defaults).
gb::ImageRef fruitCell() {
    gb::ImageRef image = gb::createImage(64, 72, 1, -1);
    for (int y = 0; y < 72; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float dx = (static_cast<float>(x) - 32.0f) / 32.0f;
            const float dy = (static_cast<float>(y) - 36.0f) / 36.0f;
            const float d = std::fmin(std::sqrt(dx * dx + dy * dy), 1.0f);
            const auto alpha = static_cast<std::uint32_t>((1.0f - d) * 255.0f);
            image->cells[0]->writePixel(x, y, alpha << 24 | 0xE05080u);
        }
    }
    gb::midHandleImage(image);
    return image;
}

class SdlDisplay {
  public:
    SdlDisplay() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_RENDER_DRIVER", "software", 1);
        window_.setFramePacing(false);
        opened_ = gb::openGraphics(800, 600, 32, 0, 0) == 1;
    }
    // False, with the benchmark marked as skipped, when the display could not be opened.
    bool ready(benchmark::State& state) const {
        if (!opened_) {
            state.SkipWithError(gb::graphicsError().c_str());
        }
        return opened_;
    }
    gb::TSdlCpuBackend& backend() { return backend_; }

  private:
    gb::TPlatform platform_;
    gb::TPlatformScope installed_{platform_};
    gb::TSdlWindow& window_ = platform_.makeEventSource<gb::TSdlWindow>();
    gb::TSdlCpuBackend& backend_ = platform_.makeDisplay<gb::TSdlCpuBackend>(window_);
    bool opened_ = false;
};

void drawFruit(const gb::ImageRef& cell, int frame) {
    gb::setBlend(gb::lightBlend);
    gb::setAlpha(0.7f);
    for (int i = 0; i < kCells; ++i) {
        gb::setRotation(static_cast<float>((i * 37 + frame * 5) % 360));
        const float scale = 0.5f + static_cast<float>(i % 11) * 0.1f;
        gb::setScale(scale, scale);
        gb::drawImage(cell, static_cast<float>((i * 53 + frame) % 800),
                      static_cast<float>((i * 29 + frame * 2) % 600));
    }
    gb::setRotation(0.0f);
    gb::setScale(1.0f, 1.0f);
    gb::setAlpha(1.0f);
    gb::setBlend(gb::alphaBlend);
}

// One frame's drawing: clear, a full-screen tile and 400 additive turned and scaled cells.
void BM_TileAnd400AdditiveCells(benchmark::State& state) {
    SdlDisplay display;
    if (!display.ready(state)) {
        return;
    }
    const gb::ImageRef cell = fruitCell();
    int frame = 0;
    for (auto _ : state) {
        gb::clearScreen();
        gb::tileImage(cell, 0.5f, 0.25f);
        drawFruit(cell, ++frame);
        display.backend().finish();
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_TileAnd400AdditiveCells)->Unit(benchmark::kMillisecond);

// The full-screen tile alone, its anchor moving.
void BM_FullScreenTile(benchmark::State& state) {
    SdlDisplay display;
    if (!display.ready(state)) {
        return;
    }
    const gb::ImageRef cell = fruitCell();
    int frame = 0;
    for (auto _ : state) {
        gb::clearScreen();
        gb::tileImage(cell, static_cast<float>(++frame % 64), 0.25f);
        display.backend().finish();
    }
}
BENCHMARK(BM_FullScreenTile)->Unit(benchmark::kMillisecond);

// The same frame presented into the window (frame pacing off), as the game's flip does.
void BM_FramePresented(benchmark::State& state) {
    SdlDisplay display;
    if (!display.ready(state)) {
        return;
    }
    const gb::ImageRef cell = fruitCell();
    int frame = 0;
    for (auto _ : state) {
        gb::clearScreen();
        gb::tileImage(cell, 0.5f, 0.25f);
        drawFruit(cell, ++frame);
        gb::flip();
    }
}
BENCHMARK(BM_FramePresented)->Unit(benchmark::kMillisecond);

}  // namespace
