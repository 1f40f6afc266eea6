#include "wordart.h"

#include <algorithm>
#include <cmath>

namespace gfx {

Box inkBox(const Canvas& c, float threshold) {
    Box b{c.w, c.h, 0, 0};
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.get(x, y).a > threshold)
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y), b.x1 = std::max(b.x1, x + 1),
                b.y1 = std::max(b.y1, y + 1);
    return b;
}

Canvas candyWordTight(Face face, const std::string& text, const CandyStyle& style, float size,
                      float scaleX, float tracking) {
    TextOptions opt;
    opt.scaleX = scaleX;
    opt.tracking = tracking;
    TextRun run = renderText(face, text, size, opt);
    int m = candyMargin(style);
    Canvas tmp(run.mask.w + 2 * m, run.mask.h + 2 * m);
    drawCandy(tmp, run, run.originX + float(m), run.originY + float(m), style);
    Box b = inkBox(tmp);
    if (b.empty())
        return Canvas(1, 1);
    return tmp.crop(b.x0, b.y0, b.w(), b.h());
}

Canvas candyWord(int w, int h, Face face, const std::string& text, const CandyStyle& style,
                 float maxSize, float minScaleX, float tracking) {
    Canvas word;
    for (float size = maxSize; size >= 6.0f; size -= 0.5f) {
        float sx = 1.0f;
        word = candyWordTight(face, text, style, size, sx, tracking);
        if (word.h > h)
            continue;
        if (word.w > w) {
            sx = std::max(minScaleX, float(w) / float(word.w) * 0.99f);
            word = candyWordTight(face, text, style, size, sx, tracking);
        }
        if (word.w <= w && word.h <= h)
            break;
    }
    Canvas out(w, h);
    out.draw(word, (w - word.w) / 2, (h - word.h) / 2);
    return out;
}

void sparkle(Canvas& c, float x, float y, float r, Col col) {
    c.fillSdf(
        [=](float px, float py) {
            float dx = std::fabs(px - x), dy = std::fabs(py - y);
            return std::min(std::max(dx * 0.28f + dy - r * 0.28f, dx - r),
                            std::max(dy * 0.28f + dx - r * 0.28f, dy - r));
        },
        solid(col));
}

}  // namespace gfx
