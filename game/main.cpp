// Gumbolt: a falling-blocks puzzle game of fruit and sweets.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/TMixerLibrary.h"
#include "core/Console.h"
#include "core/ShutdownSignals.h"
#include "core/StandardStreams.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "game/CommandLine.h"
#include "game/GameAssets.h"
#include "game/GameConstants.h"
#include "game/TGame.h"
#include "sdl/TGamepads.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlGpuBackend.h"
#include "sdl/TSdlWindow.h"

int main(int argc, char* argv[]) {
    gb::secureStandardStreams();
    if (const auto status = gb::CommandLine::answer(argc, argv, stdout, stderr)) {
        return *status;
    }
    // Every process-wide service lives in the platform, installed for the whole run: the
    // game is gone before it, and it takes the pads, the sound library, the display and then
    // the window with it.
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    gb::initDebugLogFromEnvironment();
    gb::installShutdownSignals();
    gb::registerGameAssets();
    // The window, and what draws into it, chosen once: the GPU where SDL has one that draws
    // for the window, SDL's software renderer otherwise.
    auto& window = platform.makeEventSource<gb::TSdlWindow>();
    std::string error;
    if (!window.open(gb::kScreenWidth, gb::kScreenHeight, error)) {
        // Without a display there is nothing to play on: say why in one line and stop.
        std::fprintf(stderr, "Gumbolt: cannot open the display: %s\n", error.c_str());
        return 1;
    }
    if (window.hasGpu()) {
        platform.makeDisplay<gb::TSdlGpuBackend>(window);
    } else {
        platform.makeDisplay<gb::TSdlCpuBackend>(window);
    }
    platform.makeSoundLibrary<gb::TMixerLibrary>();
    gb::debugLog("Creating the game");
    auto game = gb::TGame::create();
    if (!game) {
        return 1;
    }
    // Started once the display is open, which has already started most of what SDL's game
    // controller support stands on; the pads plugged in now open on the first frame.
    window.useGamepads(&platform.make<gb::TGamepads>());
    gb::debugLog("Starting the game");
    // GUMBOLT_QUIT_AFTER_FRAMES=N ends the game after N frames, the way closing the window
    // does: used to measure start-up time and the cost of idle frames.
    const char* limit = std::getenv("GUMBOLT_QUIT_AFTER_FRAMES");
    game->run(limit != nullptr ? std::atoi(limit) : 0);
    return 0;
}
