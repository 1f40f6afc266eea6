// Fitting candy lettering into a picture of a given size.
#pragma once

#include <string>

#include "canvas.h"
#include "style.h"
#include "text.h"

namespace gfx {

// Bounding box of the visible pixels (alpha above a small threshold).
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int w() const { return x1 - x0; }
    int h() const { return y1 - y0; }
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};
Box inkBox(const Canvas& c, float threshold = 0.01f);

// Renders the text in the style at the largest size (up to maxSize) that
// fits into w x h, squeezing it horizontally down to minScaleX first. The
// result is the w x h picture with the lettering centred.
Canvas candyWord(int w, int h, Face face, const std::string& text, const CandyStyle& style,
                 float maxSize, float minScaleX = 0.8f, float tracking = 0.0f);

// The lettering alone on a canvas cropped to its visible pixels.
Canvas candyWordTight(Face face, const std::string& text, const CandyStyle& style, float size,
                      float scaleX = 1.0f, float tracking = 0.0f);

// A little four-point sparkle of radius r centred on (x, y), the lettering's and badges' glint.
void sparkle(Canvas& c, float x, float y, float r, Col col);

}  // namespace gfx
