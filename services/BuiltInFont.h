#pragma once

#include "services/TPixmap.h"

namespace gb::font {

// The built-in bitmap font: 5 x 9 glyphs for printable ASCII (capitals and digits use the
// top seven rows, descenders the last two), set in cells of kAdvance x kLineHeight pixels.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 9;
inline constexpr int kAdvance = 6;
inline constexpr int kLineHeight = 10;

// A rectangle of the font picture.
struct TGlyphBox {
    int x, y, w, h;
};

// Whether pixel (x, y) of the character's glyph is set. Characters outside printable ASCII
// show a hollow box.
bool glyphPixel(unsigned char ch, int x, int y);

// Every glyph in one picture: white where set, transparent elsewhere.
TPixmap makeAtlas();

// The character's cell in that picture (kAdvance x kLineHeight, spacing included).
TGlyphBox glyphRect(unsigned char ch);

}  // namespace gb::font
