// The cost of one frame of the real game on SDL's software renderer (dummy video driver):
// the play screen with a falling piece, and the same with 200 live fruit after a level-up
// clear. CPU time is the figure to read; frames also wait for the 60 Hz pacing in flip.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "effects/TFruitShower.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "playfield/TGrid.h"
#include "services/Clock.h"
#include "services/Graphics.h"
#include "services/TDeltaTimer.h"

namespace {

using namespace gb;

int now = 1000;

std::shared_ptr<TGame> startedGame() {
    static std::shared_ptr<TGame> game = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("SDL_RENDER_DRIVER", "software", 0);
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        setClockSource([] { return now; });
        registerGameAssets();
        selectRenderer();
        auto g = TGame::create();
        g->startLoop();
        g->state = TGame::playing;
        return g;
    }();
    return game;
}

// Draws one frame the way the loop does, without the pacing wait of flip.
void drawOneFrame(TGame& game) {
    clearScreen();
    game.drawFrame();
}

void BM_PlayFrame(benchmark::State& state) {
    auto game = startedGame();
    game->gameGrid->fruits->particles.clear();
    for (auto _ : state) {
        drawOneFrame(*game);
    }
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMillisecond);

void BM_PlayFrameWith200Fruit(benchmark::State& state) {
    auto game = startedGame();
    game->gameGrid->fruits->particles.clear();
    for (int row = 0; row < 20; ++row) {
        for (int column = 0; column < 10; ++column) {
            game->gameGrid->dropFruit(column, row);
        }
    }
    // Let them grow to full size, then hold them there (no time passes while measuring).
    TDeltaTimer::setDeltaTime(1.0f / 60.0f);
    for (int i = 0; i < 56; ++i) {
        clearScreen();
        game->drawFrame();
    }
    TDeltaTimer::setDeltaTime(0.0f);
    for (auto _ : state) {
        drawOneFrame(*game);
    }
    state.counters["fruit"] = game->gameGrid->fruits->particles.count();
    game->gameGrid->fruits->particles.clear();
}
BENCHMARK(BM_PlayFrameWith200Fruit)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// Presenting a frame: the back buffer copied into the window (no pacing wait counted: the
// CPU time is what matters).
void BM_Present(benchmark::State& state) {
    auto game = startedGame();
    for (auto _ : state) {
        gb::flip(-1);
    }
}
BENCHMARK(BM_Present)->Unit(benchmark::kMillisecond);

}  // namespace
