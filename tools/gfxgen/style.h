// The shared look of the set: palette, candy lettering and glossy sweets,
// all lit from the top-left.
#pragma once

#include <vector>

#include "canvas.h"
#include "text.h"

namespace gfx {

namespace pal {
const uint32_t cherry = 0xE8334A, tangerine = 0xFF8C1A, lemon = 0xFFD23F, lime = 0x6CCB3C,
               blueberry = 0x3F7BE0, grape = 0x8E4FD6, bubblegum = 0xFF6FB5, mint = 0x5FE3C0,
               cream = 0xFFF4E0, plum = 0x400040, plumDark = 0x22062A, plumInk = 0x2B0B33,
               berryInk = 0x5A0F3C, gold = 0xFFC23A;
}

struct CandyStyle {
    std::vector<Col> fill{hex(0xFFFFFF), hex(pal::lemon)};  // top to bottom of the ink
    Col outline = hex(pal::plumInk);
    float outlineR = 2.0f;
    Col outer = Col{};  // optional second, wider outline
    float outerR = 0.0f;
    Col shadow = hex(0x120016);
    float shadowDx = 1.0f, shadowDy = 2.0f, shadowSigma = 1.0f, shadowA = 0.5f;
    float gloss = 0.5f;     // white band on the upper part of the letters
    float glossTo = 0.45f;  // fraction of the ink height it covers
    float bevelSigma = 1.0f, bevelLight = 2.2f, bevelDark = 1.6f;
    Col glow = Col{};
    float glowSigma = 0.0f;
};

// Extra pixels the style draws around the ink (outline, shadow, glow).
int candyMargin(const CandyStyle& s);

// Draws the run with its pen origin (baseline start) at (x, y).
void drawCandy(Canvas& c, const TextRun& run, float x, float y, const CandyStyle& s);
// Draws the run so that its ink box starts at (x, y) (top-left of the ink).
void drawCandyInk(Canvas& c, const TextRun& run, int x, int y, const CandyStyle& s);

// A glossy boiled-sweet fill of a shape: gradient, bevel, specular band,
// thin rim and soft shadow.
struct SweetStyle {
    Col base;
    float rimDark = 0.45f;  // how much darker the rim is
    float rimWidth = 1.0f;
    float gloss = 0.6f;
    float shadowA = 0.35f;
    float bevelSigma = 1.5f;
    float bevelLight = 2.0f, bevelDark = 1.4f;
};
void drawSweet(Canvas& c, const Mask& shape, int ox, int oy, const SweetStyle& s, float glossX0,
               float glossY0, float glossX1, float glossY1);

// Candy colourways used by two-frame strips and labels.
CandyStyle styleLemon();
CandyStyle styleBubblegum();

}  // namespace gfx
