// Gumbolt in a browser: the same game, started by the page (web/index.html). A browser must
// get control back after every frame, so the frames run from its animation callback rather
// than from a loop, and the high scores live in a folder the page keeps in IndexedDB.
#include <emscripten.h>

#include <memory>
#include <string>

#include "audio/TMixerLibrary.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "services/Console.h"
#include "services/TGamepads.h"
#include "services/TPlatform.h"
#include "services/TPlatformScope.h"
#include "services/TSdlRenderer.h"

namespace {

// Hands a file the game has written to the page, which copies the folder to IndexedDB
// (web/pre.js).
EM_JS(void, persistFiles, (), { Module["gumboltPersist"](); });

// Tells the page that the game has ended (the player quit): it says so on the page.
EM_JS(void, reportEnded, (), { Module["gumboltEnded"](); });

// The platform and the game live as long as the page: main hands the frames to the browser
// and never returns, and nothing is torn down.
struct WebGame {
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

int main() {
    static WebGame game;
    WebGame* web = &game;
    web->installed = std::make_unique<gb::TPlatformScope>(web->platform);
    gb::initDebugLogFromEnvironment();
    web->platform.fileWritten = [](const std::string&) { persistFiles(); };
    gb::registerGameAssets();
    // WebGL; the browser's animation callback paces the frames, so the display never waits.
    web->platform.makeDisplay<gb::TSdlRenderBackend>().setFramePacing(false);
    web->platform.makeSoundLibrary<gb::TMixerLibrary>();
    web->game = gb::TGame::create();
    if (!web->game) {
        return 1;
    }
    web->platform.makeGamepads<gb::TGamepads>();
    running = web;
    web->game->startLoop();
    // 0 frames a second: at the browser's own refresh rate.
    emscripten_set_main_loop_arg(frame, web, 0, 1);
    return 0;
}
