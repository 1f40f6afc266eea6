// The CPU cost of one frame of the real game on SDL's software renderer (dummy video driver),
// presenting included: each iteration is one pass of the game's own loop (keyboard, rules,
// drawing, flip) with a clock that moves on by a 60 Hz frame, so the piece falls, the disc
// turns and the fruit move exactly as they do on screen. Only the wait for the next frame is
// left out (frame pacing off). The figures to read are the CPU times:
//   BM_TitleFrame             the title screen with the high scores
//   BM_PlayFrame              a game playing, the piece falling, no fruit
//   BM_PlayFrameWith200Fruit  the same with 200 full-size fruit falling and fading (one for
//                             every cell of the grid), started afresh whenever they fade
//
// The game starts once, on a platform that main keeps for the whole run, as the game's own
// main does; every benchmark measures that one game.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "audio/TMixerLibrary.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "effects/TFruitShower.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "playfield/TGrid.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlWindow.h"
#include "services/Graphics.h"

namespace {

using namespace gb;

// The game and the clock it reads.
struct Session {
    TGame* game = nullptr;
    int now = 1000;
    int frames = 0;

    // One pass of the loop, a 60 Hz frame after the last one: three frames every 50 ms.
    void frame() {
        now += (frames++ % 3 == 0) ? 16 : 17;
        game->frame();
    }
    // Back to a game that has just started: an empty grid, no fruit, level 1.
    void newGame() {
        game->restart();
        game->gameGrid->fruits->particles.clear();
        game->previewGrid->fruits->particles.clear();
        game->state = TGame::playing;
    }
};

void titleFrame(benchmark::State& state, Session& session) {
    session.newGame();
    session.game->state = TGame::title;
    for (auto _ : state) {
        session.frame();
    }
}

void playFrame(benchmark::State& state, Session& session) {
    session.newGame();
    for (auto _ : state) {
        session.frame();
        if (session.game->state != TGame::playing) {
            // The pieces piled up to the top: start again, outside the measured time.
            state.PauseTiming();
            session.newGame();
            state.ResumeTiming();
        }
    }
}

// A fruit takes about 0.9 s to grow to full size and then falls and fades for 1 s: grown,
// they are measured for the 54 frames (0.9 s) before the first of them fades out.
constexpr int kGrowFrames = 56;
constexpr int kFullSizeFrames = 54;

void burst200Fruit(Session& session) {
    session.newGame();
    for (int row = 0; row < 20; ++row) {
        for (int column = 0; column < 10; ++column) {
            session.game->gameGrid->dropFruit(column, row);
        }
    }
    for (int i = 0; i < kGrowFrames; ++i) {
        session.frame();
    }
}

void playFrameWith200Fruit(benchmark::State& state, Session& session) {
    burst200Fruit(session);
    int shown = 0;
    for (auto _ : state) {
        session.frame();
        if (++shown == kFullSizeFrames || session.game->state != TGame::playing) {
            state.PauseTiming();
            burst200Fruit(session);
            shown = 0;
            state.ResumeTiming();
        }
    }
    state.counters["fruit"] = session.game->gameGrid->fruits->particles.count();
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
    Session session;
    platform.clock = [&session] { return session.now; };
    // The game's status lines would only come between the figures.
    platform.console.print = [](std::string_view) {};
    registerGameAssets();
    // The display main makes on a machine without a GPU: SDL's software renderer.
    TSdlWindow& window = platform.makeEventSource<TSdlWindow>();
    platform.makeDisplay<TSdlCpuBackend>(window);
    platform.makeSoundLibrary<TMixerLibrary>();
    const auto game = TGame::create();
    if (!game) {
        return 1;
    }
    // The loop's own wait for the next frame is not part of a frame's cost.
    window.setFramePacing(false);
    session.game = game.get();
    game->startLoop();

    benchmark::RegisterBenchmark("BM_TitleFrame", titleFrame, std::ref(session))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PlayFrame", playFrame, std::ref(session))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PlayFrameWith200Fruit", playFrameWith200Fruit,
                                 std::ref(session))
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
