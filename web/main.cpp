// Gumbolt in a browser: the same game, started by the page (web/index.html). A browser must
// get control back after every frame, so the frames run from its animation callback rather
// than from a loop, and the high scores and the settings live in a folder the page keeps in
// IndexedDB.
#include <emscripten.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/TMixerLibrary.h"
#include "core/Console.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "game/GameAssets.h"
#include "game/GameConstants.h"
#include "game/TGame.h"
#include "game/TSettings.h"
#include "game/TSettingsFile.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "sdl/TGamepads.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlGpuBackend.h"
#include "sdl/TSdlWindow.h"

namespace {

// Hands the score folder to the page, which copies it to IndexedDB (web/pre.js).
EM_JS(void, persistFiles, (), { Module["gumboltPersist"](); });

// Tells the page that the game has ended (the player quit): it says so on the page.
EM_JS(void, reportEnded, (), { Module["gumboltEnded"](); });

// The platform and the game live as long as the page: main hands the frames to the browser
// and never returns, and nothing is torn down.
struct WebGame {
    // The kept settings live beside the scores, in the folder the page keeps in IndexedDB.
    gb::TSettingsFile settingsFile{"settings"};
    gb::TPlatform platform;
    std::unique_ptr<gb::TPlatformScope> installed;
    std::shared_ptr<gb::TGame> game;
};

WebGame* running = nullptr;
int framesShown = 0;

void frame(void* data) {
    auto* web = static_cast<WebGame*>(data);
    web->game->frame();
    ++framesShown;
    if (web->game->state == gb::TGame::quit) {
        emscripten_cancel_main_loop();
        web->game->endLoop();
        reportEnded();
    }
}

}  // namespace

// What the page, its tests and its benchmark can ask the game: the screen it shows (the
// codes of TGame::ScreenState; -2 before the game has started), the frames it has run, and
// the score of the game in play.
extern "C" EMSCRIPTEN_KEEPALIVE int gumbolt_screen() {
    return running != nullptr && running->game ? static_cast<int>(running->game->state) : -2;
}
extern "C" EMSCRIPTEN_KEEPALIVE int gumbolt_frames() {
    return framesShown;
}
extern "C" EMSCRIPTEN_KEEPALIVE int gumbolt_score() {
    return running != nullptr && running->game ? running->game->score : 0;
}

// What the playing grid holds at a column and row (from 0, 0 at the top left): 0 an empty
// cell (or one outside the grid), 1 a block that has landed, 2 a block of the falling piece.
// The browser test reads it to steer pieces the way a player watching the screen would; it
// only looks.
extern "C" EMSCRIPTEN_KEEPALIVE int gumbolt_cell(int column, int row) {
    if (running == nullptr || !running->game || !running->game->gameGrid) {
        return 0;
    }
    const gb::TGame& game = *running->game;
    const gb::TGrid& grid = *game.gameGrid;
    if (column < 0 || row < 0 || column >= grid.columnCount() || row >= grid.rowCount()) {
        return 0;
    }
    const gb::BlockRef& block =
        grid.cells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
    if (!block) {
        return 0;
    }
    if (game.currentPiece) {
        for (const gb::BlockRef& own : game.currentPiece->blocks) {
            if (own == block) {
                return 2;
            }
        }
    }
    return 1;
}

int main() {
    static WebGame game;
    WebGame* web = &game;
    web->installed = std::make_unique<gb::TPlatformScope>(web->platform);
    gb::initDebugLogFromEnvironment();
    gb::registerGameAssets();
    auto& window = web->platform.makeEventSource<gb::TSdlWindow>();
    std::string error;
    if (!window.open(gb::kScreenWidth, gb::kScreenHeight, error)) {
        std::fprintf(stderr, "Gumbolt: cannot open the display: %s\n", error.c_str());
        return 1;
    }
    // The browser's animation callback paces the frames: the window never waits for a slot.
    window.setFramePacing(false);
    // WebGL; SDL's software renderer only where the browser gives no WebGL to SDL.
    if (window.hasGpu()) {
        web->platform.makeDisplay<gb::TSdlGpuBackend>(window);
    } else {
        web->platform.makeDisplay<gb::TSdlCpuBackend>(window);
    }
    web->platform.makeSoundLibrary<gb::TMixerLibrary>();
    web->game = gb::TGame::create(web->settingsFile.load(stderr));
    if (!web->game) {
        return 1;
    }
    // Written when the options close and when the game ends, if they changed, and then
    // handed to lasting storage like the scores.
    web->game->keepSettings = [web](const gb::TSettings& settings) {
        if (web->settingsFile.save(settings, stderr)) {
            persistFiles();
        }
    };
    // Every save that wrote the table goes on to lasting storage at once: a tab is closed
    // without warning.
    web->game->hiScores->saved = [](const std::string&) { persistFiles(); };
    window.useGamepads(&web->platform.make<gb::TGamepads>());
    running = web;
    web->game->startLoop();
    // 0 frames a second: at the browser's own refresh rate.
    emscripten_set_main_loop_arg(frame, web, 0, 1);
    return 0;
}
