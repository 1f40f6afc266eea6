// Gumbolt: a falling-blocks puzzle game of fruit and sweets.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "audio/TMixerLibrary.h"
#include "core/Console.h"
#include "core/ShutdownSignals.h"
#include "core/StandardStreams.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "game/CommandLine.h"
#include "game/ControllerMappingFile.h"
#include "game/EnvironmentNumbers.h"
#include "game/GameAssets.h"
#include "game/GameConstants.h"
#include "game/StartUpSignals.h"
#include "game/TGame.h"
#include "sdl/TGamepads.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlGpuBackend.h"
#include "sdl/TSdlWindow.h"

int main(int argc, char* argv[]) {
    gb::endStartUpOnSignals();
    // Whether the program was given a standard output at all: secureStandardStreams puts
    // /dev/null in the place of a closed one, and --help must not seem answered there.
    const bool outputGiven = ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
    gb::secureStandardStreams();
    if (const auto status =
            gb::CommandLine::answer(argc, argv, outputGiven ? stdout : nullptr, stderr)) {
        return *status;
    }
    // GUMBOLT_QUIT_AFTER_FRAMES=N ends the game after N frames, the way closing the window
    // does: used to measure start-up time and the cost of idle frames.
    const int frameLimit =
        gb::countFromEnvironment("GUMBOLT_QUIT_AFTER_FRAMES", stderr).value_or(0);
    gb::vetControllerMappingFile(stderr);

    // Every process-wide service lives in the platform, installed for the whole run: the
    // game is gone before it, and it takes the pads, the sound library, the display and then
    // the window with it.
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    gb::initDebugLogFromEnvironment();
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
    // From here a termination signal ends the loop the orderly way, scores saved.
    gb::installShutdownSignals();
    gb::debugLog("Starting the game");
    game->run(frameLimit);
    return 0;
}
