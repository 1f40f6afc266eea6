// Gumbolt: a falling-blocks puzzle game of fruit and sweets.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "audio/TMixerLibrary.h"
#include "game/CommandLine.h"
#include "game/ControllerMappingFile.h"
#include "game/EnvironmentNumbers.h"
#include "game/GameAssets.h"
#include "game/StartUpSignals.h"
#include "game/TGame.h"
#include "services/Console.h"
#include "services/Graphics.h"
#include "services/ShutdownSignals.h"
#include "services/StandardStreams.h"
#include "services/TGamepads.h"
#include "services/TPlatform.h"
#include "services/TPlatformScope.h"

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
    // game is gone before it, and it takes the sound library and then the display with it.
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    gb::initDebugLogFromEnvironment();
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
    // From here a termination signal ends the loop the orderly way, scores saved.
    gb::installShutdownSignals();
    gb::debugLog("Starting the game");
    game->run(frameLimit);
    return 0;
}
