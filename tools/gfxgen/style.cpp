#include "style.h"

#include <algorithm>
#include <cmath>

namespace gfx {

int candyMargin(const CandyStyle& s) {
    float r = s.outlineR + s.outerR;
    float sh = std::max(std::fabs(s.shadowDx), std::fabs(s.shadowDy)) + 3 * s.shadowSigma;
    return int(std::ceil(r + std::max(sh, 3 * s.glowSigma))) + 2;
}

void drawCandy(Canvas& c, const TextRun& run, float x, float y, const CandyStyle& s) {
    const int P = candyMargin(s);
    Mask m = pad(run.mask, P);
    int ox = int(std::lround(x - run.originX)) - P;
    int oy = int(std::lround(y - run.originY)) - P;
    float top = float(oy + P + run.inkY0), bot = float(oy + P + run.inkY1);

    Mask outline = dilate(m, s.outlineR);
    Mask outer = s.outerR > 0 ? dilate(m, s.outlineR + s.outerR) : outline;
    if (s.glowSigma > 0)
        c.fillMask(blur(outer, s.glowSigma), ox, oy, solid(s.glow));
    if (s.shadowA > 0)
        dropShadow(c, outer, ox, oy, s.shadowDx, s.shadowDy, s.shadowSigma, s.shadowA, s.shadow);
    if (s.outerR > 0)
        c.fillMask(outer, ox, oy, solid(s.outer));
    c.fillMask(outline, ox, oy, vgrad(top, bot, {shade(s.outline, 0.12f), s.outline}));
    c.fillMask(m, ox, oy, vgrad(top, bot, s.fill));
    bevel(c, m, ox, oy, s.bevelSigma, s.bevelLight, s.bevelDark, shade(s.fill.back(), -0.55f));
    if (s.gloss > 0) {
        Mask g = erode(m, 1.0f);
        float edge = top + (bot - top) * s.glossTo;
        c.fillMask(g, ox, oy, [&](float, float py) {
            float k = 1.0f - smoothstep(edge - 1.5f, edge + 0.5f, py);
            return Col{1, 1, 1, 1} * (k * s.gloss);
        });
    }
}

void drawCandyInk(Canvas& c, const TextRun& run, int x, int y, const CandyStyle& s) {
    drawCandy(c, run, float(x) + run.originX - float(run.inkX0),
              float(y) + run.originY - float(run.inkY0), s);
}

void drawSweet(Canvas& c, const Mask& shape, int ox, int oy, const SweetStyle& s, float gx0,
               float gy0, float gx1, float gy1) {
    if (s.shadowA > 0)
        dropShadow(c, shape, ox, oy, 1.0f, 1.5f, 1.2f, s.shadowA, hex(0x14001A));
    // Body: lighter top-left, deeper bottom-right.
    float x0 = float(ox), y0 = float(oy), x1 = float(ox + shape.w), y1 = float(oy + shape.h);
    c.fillMask(shape, ox, oy, linear(x0, y0, shade(s.base, 0.25f), x1, y1, shade(s.base, -0.3f)));
    Mask rim = subtract(shape, erode(shape, s.rimWidth));
    c.fillMask(rim, ox, oy, solid(shade(s.base, -s.rimDark)), 0.8f);
    bevel(c, shape, ox, oy, s.bevelSigma, s.bevelLight, s.bevelDark, shade(s.base, -0.6f));
    if (s.gloss > 0) {
        Mask g = erode(shape, 1.5f);
        c.fillMask(g, ox, oy, [&](float px, float py) {
            // Soft elliptical specular spot in the given box.
            float cx = (gx0 + gx1) * 0.5f, cy = (gy0 + gy1) * 0.5f;
            float rx = (gx1 - gx0) * 0.5f, ry = (gy1 - gy0) * 0.5f;
            float d = std::hypot((px - cx) / rx, (py - cy) / ry);
            float k = 1.0f - smoothstep(0.55f, 1.0f, d);
            return Col{1, 1, 1, 1} * (k * s.gloss);
        });
    }
}

CandyStyle styleLemon() {
    CandyStyle s;
    s.fill = {hex(0xFFFBE0), hex(0xFFE45C), hex(0xFFB31F)};
    s.outline = hex(0x4A1240);
    return s;
}

CandyStyle styleBubblegum() {
    CandyStyle s;
    s.fill = {hex(0xFFE6F3), hex(0xFF8CC6), hex(0xE8408F)};
    s.outline = hex(0x3E0A3A);
    return s;
}

}  // namespace gfx
