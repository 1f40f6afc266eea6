#include "game/GameAssets.h"

#include <string>

#include "core/EmbeddedFiles.h"
#include "core/EmbeddedMedia.h"

namespace gb {

namespace {

// The fruit shower's sheet and the grid's tile come first (their modules start up before
// the game's own list), then the sound effects, the music and the pictures.
constexpr std::string_view kRegistrations[] = {
    "media/gfx/fruits.png",    "media/gfx/backTile.png",     "media/sfx/bidip.ogg",
    "media/sfx/blip1.ogg",     "media/sfx/boingg.ogg",       "media/sfx/clicker.ogg",
    "media/sfx/keyclik.ogg",   "media/sfx/bhump.ogg",        "media/sfx/extend.xm",
    "media/sfx/level3.xm",     "media/sfx/maddy.xm",         "media/sfx/sad.xm",
    "media/sfx/spring.xm",     "media/sfx/trauma.xm",        "media/gfx/backTile.png",
    "media/gfx/blockList.png", "media/gfx/gumbolt.png",      "media/gfx/exit.png",
    "media/gfx/fruits.png",    "media/gfx/norvane.png",      "media/gfx/gameover.png",
    "media/gfx/keys.png",      "media/gfx/lettersSmall.png", "media/gfx/level.png",
    "media/gfx/levelup.png",   "media/gfx/lines.png",        "media/gfx/quillon.png",
    "media/gfx/nextBlock.png", "media/gfx/numbers.png",      "media/gfx/paused.png",
    "media/gfx/pipes.png",     "media/gfx/player.png",       "media/gfx/pump.png",
    "media/gfx/score.png",     "media/gfx/start.png",        "media/gfx/Title.png",
    "media/gfx/yingyang.png",  "media/gfx/fmod.png",         "media/gfx/vantrel.png",
};

}  // namespace

std::span<const std::string_view> assetRegistrationOrder() {
    return kRegistrations;
}

int registerGameAssets() {
    int found = 0;
    for (std::string_view path : kRegistrations) {
        const EmbeddedBlob* blob = findBuiltInMedia(std::string(path).c_str());
        if (blob != nullptr) {
            registerEmbeddedFile(path, blob->begin,
                                 static_cast<std::size_t>(blob->end - blob->begin));
            ++found;
        }
    }
    return found;
}

}  // namespace gb
