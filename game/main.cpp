// Gumbolt: a falling-blocks puzzle game of fruit and sweets.
#include <cstdio>
#include <cstdlib>

#include "game/CommandLine.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "services/Console.h"
#include "services/Graphics.h"
#include "services/ShutdownSignals.h"
#include "services/StandardStreams.h"

int main(int argc, char* argv[]) {
    gb::secureStandardStreams();
    if (const auto status = gb::CommandLine::answer(argc, argv, stdout, stderr)) {
        return *status;
    }
    gb::initDebugLogFromEnvironment();
    gb::installShutdownSignals();
    gb::registerGameAssets();
    gb::selectRenderer();
    gb::debugLog("Creating the game");
    auto game = gb::TGame::create();
    gb::debugLog("Starting the game");
    // GUMBOLT_QUIT_AFTER_FRAMES=N ends the game after N frames, the way closing the window
    // does: used to measure start-up time and the cost of idle frames.
    const char* limit = std::getenv("GUMBOLT_QUIT_AFTER_FRAMES");
    game->run(limit != nullptr ? std::atoi(limit) : 0);
    return 0;
}
