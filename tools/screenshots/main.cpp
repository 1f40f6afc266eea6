// Plays the real game headless (SDL's offscreen video driver, software renderer) with a fake
// clock and scripted keys, and writes screenshots of its screens as PNG files.
//
// Usage: gumbolt-screenshots OUTDIR

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/TMixerLibrary.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlWindow.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "tests/support/TScriptedEvents.h"
#include "values/TVector.h"

namespace {

using namespace gb;

// The game being photographed, with the clock it reads and the keys it is sent.
struct Session {
    int now = 5000;
    std::shared_ptr<TGame> game;

    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            now += 17;
            game->frame();
        }
    }
};

bool writePng(const TPixmap& pixmap, const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixmap.width());
    image.height = static_cast<png_uint_32>(pixmap.height());
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, pixmap.data(), pixmap.pitch(),
                                   nullptr) != 0;
}

// Moves the play screen on by one more frame, draws it and grabs the back buffer before it
// is presented.
void shoot(Session& session, const std::string& dir, const char* name) {
    session.now += 17;
    session.game->updateScreen();
    clearScreen();
    session.game->drawFrame();
    ImageRef shot = createImage(800, 600, 1, 0);
    grabImage(shot, 0, 0, 0);
    flip(-1);
    const std::string path = dir + "/" + name + ".png";
    if (!writePng(*shot->cells[0], path)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        std::exit(1);
    }
    std::printf("wrote %s\n", path.c_str());
}

// Settled blocks of varied kinds along the bottom rows, leaving the given column open.
void buildStack(TGame& game, int fromRow, int open) {
    for (int row = fromRow; row < 20; ++row) {
        for (int column = 0; column < 10; ++column) {
            if (column == open && row >= 16) {
                continue;
            }
            if (row < 16 && (column * 7 + row * 3) % 5 < 2) {
                continue;
            }
            auto block =
                TBlock::create(TVector(static_cast<float>(column), static_cast<float>(row)),
                               (column + row) % 7, nullptr);
            block->grid = game.gameGrid;
            game.gameGrid->addBlock(block);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "docs/screenshots";
    std::filesystem::create_directories(dir);
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / "gumbolt-screenshots";
    std::filesystem::create_directories(work);
    std::filesystem::remove(work / "gb.dat");
    const std::string out = std::filesystem::absolute(dir).string();
    std::filesystem::current_path(work);

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    // The real display (offscreen) and mixer (dummy audio), a fake clock and scripted keys.
    TPlatform platform;
    TPlatformScope installed(platform);
    Session session;
    platform.clock = [&session] { return session.now; };
    registerGameAssets();
    TSdlWindow& window = platform.makeEventSource<TSdlWindow>();
    platform.makeDisplay<TSdlCpuBackend>(window);
    // Frames follow one another at once: the clock is the session's own.
    window.setFramePacing(false);
    platform.makeSoundLibrary<TMixerLibrary>();
    session.game = TGame::create();
    if (!session.game) {
        return 1;
    }
    TGame& game = *session.game;
    TScriptedEvents& script = platform.makeEventSource<TScriptedEvents>();
    game.startLoop();

    session.frames(30);
    shoot(session, out, "title");

    script.tap('N', 'n');
    session.frames(2);
    for (int i = 0; i < 6; ++i) {
        script.tap(key::backspace, 8);
        session.frames(2);
    }
    for (char ch : std::string("Mandy")) {
        script.tap(ch >= 'a' ? ch - 32 : ch, ch);
        session.frames(2);
    }
    session.frames(10);
    shoot(session, out, "name-entry");

    script.tap(key::enter, 13);
    session.frames(60);
    buildStack(game, 12, 4);
    session.frames(20);
    shoot(session, out, "playing");

    // Drop the piece into the open column region and let the full rows burst into fruit.
    for (int row = 16; row < 20; ++row) {
        for (int column = 0; column < 10; ++column) {
            TVector cell(static_cast<float>(column), static_cast<float>(row));
            if (game.gameGrid->isFree(cell)) {
                auto block = TBlock::create(cell, 5, nullptr);
                block->grid = game.gameGrid;
                game.gameGrid->addBlock(block);
            }
        }
    }
    game.score = 60;
    game.checkLines();
    session.frames(25);
    shoot(session, out, "fruit-shower");

    session.frames(200);
    shoot(session, out, "level-up");

    script.tap('K', 'k');
    session.frames(120);
    buildStack(game, 3, 4);
    for (int i = 0; i < 120 && game.state != TGame::gameOver; ++i) {
        session.frames(10);
    }
    session.frames(20);
    shoot(session, out, "game-over");
    return 0;
}
