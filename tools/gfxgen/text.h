// Text rendering through FreeType into coverage masks.
#pragma once

#include <string>

#include "canvas.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace gfx {

enum class Face { Display, Sans };

// A rendered run of text: its coverage, cropped to the ink plus a margin.
struct TextRun {
    Mask mask;
    float originX = 0, originY = 0;                  // pen start on the baseline, in mask pixels
    float advance = 0;                               // pen advance of the whole run
    int inkX0 = 0, inkY0 = 0, inkX1 = 0, inkY1 = 0;  // ink bounds in mask pixels (exclusive max)
    int inkW() const { return inkX1 - inkX0; }
    int inkH() const { return inkY1 - inkY0; }
};

struct TextOptions {
    float scaleX = 1.0f;    // horizontal squeeze (<1) or stretch (>1)
    float tracking = 0.0f;  // extra pixels between letters
    bool hinting = false;   // light hinting for small, upright text
    float embolden = 0.0f;  // extra stroke weight in pixels
    int margin = 6;
};

// Opens the fonts once; throws std::runtime_error naming the missing file.
void initFonts();
void doneFonts();
// Path of the font file behind a face (for messages and the README).
std::string facePath(Face f);
// The Debian package that holds the font behind a face.
std::string facePackage(Face f);
// The faces renderText drew with since the last call, one bit (1 << int(face)) each; the
// record starts again empty. Tells which fonts a picture's lettering comes from.
unsigned takeFacesUsed();

TextRun renderText(Face face, const std::string& utf8, float sizePx, const TextOptions& opt = {});

}  // namespace gfx
