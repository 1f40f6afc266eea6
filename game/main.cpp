#include "game/GameAssets.h"
#include "services/Console.h"

int main() {
    gb::initDebugLogFromEnvironment();
    gb::registerGameAssets();
    gb::debugLog("Creating the game");
    return 0;
}
