// Every picture the game embeds, with its pixel size and how it is made.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "canvas.h"

namespace gfx {

struct Picture {
    std::string file;  // name inside media/gfx/
    int w, h;
    std::function<Canvas()> make;
};

const std::vector<Picture>& catalogue();
const Picture* findPicture(const std::string& file);

// Pen advance of a letter in the game's bitmap text (0 for anything else;
// a space advances 16).
int letterAdvance(char ch);

// Cell layouts the game cuts.
constexpr int kLetterCellW = 28, kLetterCellH = 31, kLetterCols = 8;
constexpr int kDigitCellW = 24, kDigitCellH = 28, kDigitPitch = 26;
constexpr int kBlockSize = 29, kBlockKinds = 7;
constexpr int kFruitCellW = 64, kFruitCellH = 72, kFruitKinds = 7;
constexpr int kPipeCell = 20;

// Picture makers, grouped by file.
Canvas makeBlockList();
Canvas makeBackTile();
Canvas makePipes();
Canvas makePump();
Canvas makeYingYang();
Canvas makeFruits();
Canvas makeLetters();
Canvas makeNumbers();
Canvas makeLabel(const std::string& file);
Canvas makeStrip(const std::string& file);
Canvas makeTitleBanner();
Canvas makeLogo();
Canvas makeKeys();
Canvas makeQuillon();
Canvas makeVantrel();
Canvas makeNorvane();
Canvas makeSoundBadge();

// Block base colours by piece kind.
Col blockColour(int kind);
// One glossy block of the given size (29 in the game) at (x, y).
void drawCandyBlock(Canvas& c, int x, int y, int size, Col base);

}  // namespace gfx
