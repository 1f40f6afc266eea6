#include "catalogue.h"

namespace gfx {

const std::vector<Picture>& catalogue() {
    static const std::vector<Picture> list = {
        {"fruits.png", 462, 72, makeFruits},
        {"backTile.png", 29, 29, makeBackTile},
        {"blockList.png", 203, 29, makeBlockList},
        {"gumbolt.png", 226, 163, makeLogo},
        {"exit.png", 505, 40, [] { return makeStrip("exit.png"); }},
        {"norvane.png", 100, 99, makeNorvane},
        {"gameover.png", 444, 46, [] { return makeStrip("gameover.png"); }},
        {"keys.png", 169, 228, makeKeys},
        {"lettersSmall.png", 225, 224, makeLetters},
        {"level.png", 66, 29, [] { return makeLabel("level.png"); }},
        {"levelup.png", 66, 29, [] { return makeLabel("levelup.png"); }},
        {"lines.png", 66, 29, [] { return makeLabel("lines.png"); }},
        {"quillon.png", 137, 25, makeQuillon},
        {"nextBlock.png", 139, 30, [] { return makeLabel("nextBlock.png"); }},
        {"numbers.png", 290, 28, makeNumbers},
        {"paused.png", 301, 44, [] { return makeStrip("paused.png"); }},
        {"pipes.png", 61, 60, makePipes},
        {"player.png", 82, 35, [] { return makeLabel("player.png"); }},
        {"pump.png", 20, 58, makePump},
        {"score.png", 73, 28, [] { return makeLabel("score.png"); }},
        {"start.png", 381, 35, [] { return makeStrip("start.png"); }},
        {"Title.png", 190, 35, makeTitleBanner},
        {"yingyang.png", 20, 20, makeYingYang},
        {"fmod.png", 200, 52, makeSoundBadge},
        {"vantrel.png", 190, 86, makeVantrel},
    };
    return list;
}

const Picture* findPicture(const std::string& file) {
    for (const Picture& p : catalogue())
        if (p.file == file)
            return &p;
    return nullptr;
}

}  // namespace gfx
