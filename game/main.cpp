// Gumbolt: a falling-blocks puzzle game of fruit and sweets.
#include <cstdio>
#include <cstdlib>

#include "audio/TMixerLibrary.h"
#include "core/Console.h"
#include "core/ShutdownSignals.h"
#include "core/StandardStreams.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "game/CommandLine.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "sdl/TGamepads.h"
#include "services/Graphics.h"

int main(int argc, char* argv[]) {
    gb::secureStandardStreams();
    if (const auto status = gb::CommandLine::answer(argc, argv, stdout, stderr)) {
        return *status;
    }
    // Every process-wide service lives in the platform, installed for the whole run: the
    // game is gone before it, and it takes the sound library and then the display with it.
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    gb::initDebugLogFromEnvironment();
    gb::installShutdownSignals();
    gb::registerGameAssets();
    gb::selectRenderer();
    platform.makeSoundLibrary<gb::TMixerLibrary>();
    gb::debugLog("Creating the game");
    auto game = gb::TGame::create();
    if (!game) {
        return 1;
    }
    // Started once the display is open, which has already started most of what SDL's game
    // controller support stands on; the pads plugged in now open on the first frame.
    platform.makeGamepads<gb::TGamepads>();
    gb::debugLog("Starting the game");
    // GUMBOLT_QUIT_AFTER_FRAMES=N ends the game after N frames, the way closing the window
    // does: used to measure start-up time and the cost of idle frames.
    const char* limit = std::getenv("GUMBOLT_QUIT_AFTER_FRAMES");
    game->run(limit != nullptr ? std::atoi(limit) : 0);
    return 0;
}
