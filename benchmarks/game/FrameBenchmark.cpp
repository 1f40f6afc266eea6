// The cost of one frame of the real game on SDL's software renderer (dummy video driver):
// the play screen with a falling piece, and the same with 200 live fruit after a level-up
// clear. CPU time is the figure to read; frames also wait for the 60 Hz pacing in flip.
//
// The game starts once, on a platform that main keeps for the whole run, as the game's own
// main does; every benchmark measures that one game.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "audio/TMixerLibrary.h"
#include "effects/TFruitShower.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "playfield/TGrid.h"
#include "services/Graphics.h"
#include "services/TPlatform.h"
#include "services/TPlatformScope.h"

namespace {

using namespace gb;

// Draws one frame the way the loop does, without the pacing wait of flip.
void drawOneFrame(TGame& game) {
    clearScreen();
    game.drawFrame();
}

void playFrame(benchmark::State& state, TGame& game) {
    game.gameGrid->fruits->particles.clear();
    for (auto _ : state) {
        drawOneFrame(game);
    }
}

void playFrameWith200Fruit(benchmark::State& state, TGame& game) {
    game.gameGrid->fruits->particles.clear();
    for (int row = 0; row < 20; ++row) {
        for (int column = 0; column < 10; ++column) {
            game.gameGrid->dropFruit(column, row);
        }
    }
    // Let them grow to full size, then hold them there (no time passes while measuring).
    platform().deltaTimer.delta = 1.0f / 60.0f;
    for (int i = 0; i < 56; ++i) {
        drawOneFrame(game);
    }
    platform().deltaTimer.delta = 0.0f;
    for (auto _ : state) {
        drawOneFrame(game);
    }
    state.counters["fruit"] = game.gameGrid->fruits->particles.count();
    game.gameGrid->fruits->particles.clear();
}

// Presenting a frame: the back buffer copied into the window (no pacing wait counted: the
// CPU time is what matters).
void present(benchmark::State& state, TGame& /*game*/) {
    for (auto _ : state) {
        flip(-1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    benchmark::Initialize(&argc, argv);
    std::filesystem::current_path(std::filesystem::temp_directory_path());

    TPlatform platform;
    TPlatformScope installed(platform);
    int now = 1000;
    platform.clock = [&now] { return now; };
    registerGameAssets();
    selectRenderer();
    platform.makeSoundLibrary<TMixerLibrary>();
    const auto game = TGame::create();
    if (!game) {
        return 1;
    }
    game->startLoop();
    game->state = TGame::playing;

    benchmark::RegisterBenchmark("BM_PlayFrame", playFrame, std::ref(*game))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PlayFrameWith200Fruit", playFrameWith200Fruit, std::ref(*game))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Present", present, std::ref(*game))
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
