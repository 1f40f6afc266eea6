// The fruit sheet of the fruit shower: seven bright fruits and sweets, each
// centred in a 64 x 72 cell. They are drawn with additive light in the game,
// so they stay bright and fully coloured out to their edges.
#include <cmath>

#include "catalogue.h"
#include "style.h"

namespace gfx {

namespace {

const float kPi = 3.14159265f;

void rotate(float& x, float& y, float cx, float cy, float deg) {
    float a = deg * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
    float dx = x - cx, dy = y - cy;
    x = cx + dx * c + dy * s;
    y = cy - dx * s + dy * c;
}

float sdRotEllipse(float x, float y, float cx, float cy, float rx, float ry, float deg) {
    rotate(x, y, cx, cy, deg);
    return sdEllipse(x, y, cx, cy, rx, ry);
}

float smin(float a, float b, float k) {
    float h = clampf(0.5f + 0.5f * (b - a) / k);
    return b + (a - b) * h - k * h * (1 - h);
}

const int W = kFruitCellW, H = kFruitCellH;

// A leaf: pointed ellipse with a lighter middle vein.
void leaf(Canvas& c, float cx, float cy, float len, float wid, float deg, Col base) {
    auto sd = [=](float x, float y) {
        float px = x, py = y;
        rotate(px, py, cx, cy, deg);
        // Lens shape: intersection of two circles.
        float r = (len * len + wid * wid) / (2 * wid);
        float d1 = sdCircle(px, py, cx, cy + (r - wid), r),
              d2 = sdCircle(px, py, cx, cy - (r - wid), r);
        return std::max(d1, d2);
    };
    Mask m = sdfMask(W, H, sd);
    drawSweet(c, m, 0, 0, SweetStyle{base, 0.3f, 1.0f, 0.0f, 0.25f, 1.0f, 1.6f, 1.0f}, 0, 0, 1, 1);
    c.fillSdf(
        [=](float x, float y) {
            float px = x, py = y;
            rotate(px, py, cx, cy, deg);
            return std::max(std::fabs(py - cy) - 0.45f, std::fabs(px - cx) - len * 0.8f);
        },
        solid(shade(base, 0.5f)), 0.8f);
}

// A round glossy fruit (cherry, grape).
void ball(Canvas& c, float cx, float cy, float r, Col base, float specular = 0.9f) {
    Mask m = sdfMask(W, H, [=](float x, float y) { return sdCircle(x, y, cx, cy, r); });
    dropShadow(c, m, 0, 0, 0.8f, 1.2f, 1.0f, 0.3f, hex(0x14001A));
    c.fillMask(m, 0, 0,
               [=](float x, float y) { return sphereShade(base, x, y, cx, cy, r, specular); });
    Mask rim = subtract(m, erode(m, 1.0f));
    c.fillMask(rim, 0, 0, solid(shade(base, -0.35f)), 0.6f);
    // Window reflection.
    c.fillSdf(
        [=](float x, float y) {
            return sdRotEllipse(x, y, cx - r * 0.38f, cy - r * 0.45f, r * 0.3f, r * 0.16f, 35);
        },
        solid(Col{1, 1, 1, 1}), 0.75f);
}

void stem(Canvas& c, float ax, float ay, float bx, float by, float ex, float ey, float r, Col col) {
    c.fillSdf([=](float x, float y) { return sdBezier(x, y, ax, ay, bx, by, ex, ey, r); },
              linear(ax - 3, ay, shade(col, 0.3f), ax + 3, ay, shade(col, -0.2f)));
}

Canvas cherries() {
    Canvas c(W, H);
    Col stemCol = hex(0x8CCB3A);
    stem(c, 22, 46, 22, 26, 35, 12, 1.4f, stemCol);
    stem(c, 43, 44, 42, 26, 35, 12, 1.4f, stemCol);
    leaf(c, 45, 14, 11, 5, -20, hex(pal::lime));
    ball(c, 22, 50, 11.5f, hex(0xF42848));
    ball(c, 43, 48, 11.5f, hex(0xFF3455));
    return c;
}

Canvas strawberry() {
    Canvas c(W, H);
    auto body = [](float x, float y) {
        float top = sdEllipse(x, y, 32, 34, 19, 14);
        float tip = sdPolygon(x, y, {{14, 36}, {50, 36}, {33, 62}, {31, 62}});
        return smin(top, tip - 3.5f, 9.0f);
    };
    Mask m = sdfMask(W, H, body);
    drawSweet(c, m, 0, 0, SweetStyle{hex(0xFF2E55), 0.3f, 1.0f, 0.0f, 0.3f, 2.0f, 1.8f, 1.2f}, 0, 0,
              1, 1);
    // Seeds in staggered rows, each a tiny lemon drop with a lit top.
    for (int row = 0; row < 6; ++row)
        for (int col = -4; col <= 4; ++col) {
            float sx = 32 + float(col) * 6.2f + (row % 2 ? 3.1f : 0.0f),
                  sy = 28 + float(row) * 5.6f;
            if (body(sx, sy) > -3.0f)
                continue;
            c.fillSdf(
                [=](float x, float y) {
                    return sdRotEllipse(x, y, sx, sy, 1.0f, 1.6f, float(col) * 6);
                },
                solid(hex(0xFFE98A)), 0.95f);
        }
    // Gloss on the upper-left shoulder.
    Mask g = erode(m, 2.0f);
    c.fillMask(g, 0, 0, [](float x, float y) {
        float d = sdRotEllipse(x, y, 24, 30, 7, 4, 30);
        return Col{1, 1, 1, 1} * (0.55f * (1 - smoothstep(-2.0f, 1.5f, d)));
    });
    // Calyx: five leaves around the top and a short stem.
    // Leaves fan out sideways and down over the shoulders (angles on screen,
    // 0 pointing right, 90 pointing down).
    const float fan[5] = {195, 140, 90, 40, -15};
    for (float ang : fan) {
        float a = ang * kPi / 180.0f;
        leaf(c, 32 + std::cos(a) * 6.5f, 22 + std::sin(a) * 3.5f, 6.5f, 2.6f, ang, hex(0x5CD640));
    }
    stem(c, 32, 20, 32, 15, 35, 10, 1.5f, hex(0x7CC43A));
    return c;
}

Canvas orangeSlice() {
    Canvas c(W, H);
    const float cx = 32, cy = 37, R = 25;
    Mask disc = sdfMask(W, H, [=](float x, float y) { return sdCircle(x, y, cx, cy, R); });
    dropShadow(c, disc, 0, 0, 1.0f, 1.5f, 1.2f, 0.3f, hex(0x14001A));
    c.fillMask(disc, 0, 0, linear(10, 12, hex(0xFFB040), 54, 62, hex(0xF46A00)));  // rind
    c.fillSdf([=](float x, float y) { return sdCircle(x, y, cx, cy, R - 3.2f); },
              solid(hex(0xFFF0C8)));  // pith
    // Eight juicy segments separated by pale membranes.
    c.fillSdf(
        [=](float x, float y) {
            float dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
            float a = std::atan2(dy, dx) + kPi / 8;
            float seg = 2 * kPi / 8;
            float local = std::fmod(a + 4 * kPi, seg) - seg / 2;  // angle from the segment middle
            float sideDist = r * std::sin(std::fabs(local)) - (r * std::sin(seg / 2) - 1.1f);
            float d = std::max(sideDist, r - (R - 5.0f));
            return std::max(d, 3.2f - r);
        },
        [=](float x, float y) {
            float r = std::hypot(x - cx, y - cy) / R;
            return mix(hex(0xFFD27A), hex(0xFF9A1A), smoothstep(0.1f, 0.85f, r));
        });
    // Juice sparkles along each segment.
    for (int i = 0; i < 8; ++i) {
        float a = float(i) * 2 * kPi / 8 + kPi / 8 - kPi / 8;
        for (int k = 0; k < 2; ++k) {
            float rr = 9.0f + float(k) * 7.0f;
            float sx = cx + std::cos(a) * rr, sy = cy + std::sin(a) * rr;
            c.fillSdf(
                [=](float x, float y) {
                    return sdRotEllipse(x, y, sx, sy, 2.2f, 0.9f, -a * 180 / kPi);
                },
                solid(hex(0xFFF6D8)), 0.7f);
        }
    }
    // Glossy rind highlight.
    Mask ringHi = sdfMask(W, H, [=](float x, float y) {
        float d = std::fabs(sdCircle(x, y, cx, cy, R - 1.6f)) - 1.0f;
        return std::max(d, x + y - (cx + cy) + 12.0f);
    });
    c.fillMask(ringHi, 0, 0, solid(Col{1, 1, 1, 1}), 0.6f);
    return c;
}

Canvas lemon() {
    Canvas c(W, H);
    const float deg = -22;
    auto body = [=](float x, float y) {
        float e = sdRotEllipse(x, y, 32, 38, 21, 15.5f, deg);
        float px = x, py = y;
        rotate(px, py, 32, 38, deg);
        float n1 = sdEllipse(px, py, 54, 38, 4, 3), n2 = sdEllipse(px, py, 10, 38, 4, 3);
        return smin(smin(e, n1, 4.0f), n2, 4.0f);
    };
    Mask m = sdfMask(W, H, body);
    dropShadow(c, m, 0, 0, 1.0f, 1.5f, 1.2f, 0.3f, hex(0x14001A));
    c.fillMask(m, 0, 0, [=](float x, float y) {
        return sphereShade(hex(0xFFE23A), x, y, 32, 38, 22, 0.0f);
    });
    bevel(c, m, 0, 0, 2.0f, 1.2f, 1.0f, hex(0xC08A00));
    // Pores.
    for (int i = 0; i < 22; ++i) {
        float px = 16 + float((i * 37) % 32), py = 28 + float((i * 23) % 20);
        if (body(px, py) > -3)
            continue;
        c.fillSdf([=](float x, float y) { return sdCircle(x, y, px, py, 0.7f); },
                  solid(hex(0xFFF7B0)), 0.6f);
    }
    c.fillSdf([](float x, float y) { return sdRotEllipse(x, y, 25, 30, 8, 3.2f, 30); },
              solid(Col{1, 1, 1, 1}), 0.7f);
    leaf(c, 22, 20, 10, 4.5f, 35, hex(pal::lime));
    return c;
}

Canvas grapes() {
    Canvas c(W, H);
    stem(c, 32, 22, 31, 14, 35, 8, 1.6f, hex(0x9BCB4A));
    leaf(c, 44, 15, 10, 4.5f, -25, hex(pal::lime));
    const float r = 6.9f;
    const float rows[4][5] = {{4, 15.0f, 25.5f, 36.5f, 47.0f},
                              {3, 20.5f, 31.5f, 42.5f, 0},
                              {2, 26.0f, 37.0f, 0, 0},
                              {1, 31.5f, 0, 0, 0}};
    for (int row = 0; row < 4; ++row)
        for (int k = 0; k < int(rows[row][0]); ++k) {
            float gx = rows[row][1 + k], gy = 25.0f + float(row) * 10.2f;
            Col base = (row + k) % 2 ? hex(0xA55CF5) : hex(0x9650EC);
            ball(c, gx, gy, r, base);
        }
    return c;
}

Canvas wrappedSweet() {
    Canvas c(W, H);
    const float cx = 32, cy = 37;
    // Twisted wrapper ends, lime and translucent, with folds.
    for (int side = -1; side <= 1; side += 2) {
        float s = float(side);
        std::vector<std::pair<float, float>> fan = {{cx + s * 11, cy - 3}, {cx + s * 24, cy - 14},
                                                    {cx + s * 27, cy - 6}, {cx + s * 24.5f, cy},
                                                    {cx + s * 27, cy + 7}, {cx + s * 23, cy + 15},
                                                    {cx + s * 11, cy + 3}};
        Mask m = sdfMask(W, H, [&](float x, float y) { return sdPolygon(x, y, fan) - 0.8f; });
        drawSweet(c, m, 0, 0, SweetStyle{hex(0x8CEB5A), 0.35f, 1.0f, 0.0f, 0.25f, 1.2f, 1.8f, 1.2f},
                  0, 0, 1, 1);
        // Fold lines fanning out from the twist.
        for (int f = -1; f <= 1; ++f) {
            float ex = cx + s * 25, ey = cy + float(f) * 8.5f;
            c.fillSdf(
                [=](float x, float y) {
                    return std::max(sdSegment(x, y, cx + s * 12, cy, ex, ey, 0.55f),
                                    sdPolygon(x, y, fan));
                },
                solid(hex(0xEFFFD8)), 0.75f);
        }
        // The twist knot.
        ball(c, cx + s * 12.5f, cy, 3.4f, hex(0x7CDC48), 0.5f);
    }
    // The sweet: a glossy bubblegum oval with white candy stripes.
    Mask body =
        sdfMask(W, H, [=](float x, float y) { return sdEllipse(x, y, cx, cy, 13.5f, 12.0f); });
    dropShadow(c, body, 0, 0, 0.8f, 1.2f, 1.0f, 0.3f, hex(0x14001A));
    c.fillMask(body, 0, 0, [=](float x, float y) {
        float stripe = smoothstep(-0.3f, 0.3f, std::sin((x - y * 0.6f) * 0.7f));
        Col base = mix(hex(0xFF5FA8), hex(0xFFF0F6), stripe * 0.85f);
        return sphereShade(base, x, y, cx, cy, 13.5f, 0.9f);
    });
    Mask rim = subtract(body, erode(body, 1.0f));
    c.fillMask(rim, 0, 0, solid(hex(0xD0307A)), 0.6f);
    return c;
}

Canvas lollipop() {
    Canvas c(W, H);
    const float cx = 32, cy = 29, R = 19;
    // Stick.
    Mask stick =
        sdfMask(W, H, [](float x, float y) { return sdSegment(x, y, 32, 40, 32, 68, 2.3f); });
    dropShadow(c, stick, 0, 0, 0.8f, 1.0f, 0.8f, 0.3f, hex(0x14001A));
    c.fillMask(stick, 0, 0, linear(29, 0, hex(0xFFFFFF), 35, 0, hex(0xD8CCE0)));
    // Swirl disc.
    Mask disc = sdfMask(W, H, [=](float x, float y) { return sdCircle(x, y, cx, cy, R); });
    dropShadow(c, disc, 0, 0, 1.0f, 1.5f, 1.2f, 0.35f, hex(0x14001A));
    c.fillMask(disc, 0, 0, [=](float x, float y) {
        float dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
        float a = std::atan2(dy, dx);
        float t = a / (2 * kPi) * 3.0f + r / 7.0f;  // three-arm spiral
        float f = t - std::floor(t);
        Col cols[3] = {hex(0xFF4F9A), hex(0xFFF6FA), hex(0x5FE3C0)};
        int i = int(std::floor(f * 3.0f)) % 3;
        float inner = f * 3.0f - std::floor(f * 3.0f);
        Col base = mix(cols[i], cols[(i + 1) % 3], smoothstep(0.86f, 1.0f, inner));
        return sphereShade(base, x, y, cx, cy, R, 0.0f);
    });
    bevel(c, disc, 0, 0, 2.0f, 1.0f, 0.8f, hex(0x801040));
    Mask rim = subtract(disc, erode(disc, 1.0f));
    c.fillMask(rim, 0, 0, solid(hex(0xE03880)), 0.5f);
    c.fillSdf([=](float x, float y) { return sdRotEllipse(x, y, cx - 7, cy - 8, 6.5f, 3.0f, 40); },
              solid(Col{1, 1, 1, 1}), 0.7f);
    // Ribbon bow where the stick meets the sweet.
    for (int side = -1; side <= 1; side += 2) {
        float s = float(side);
        Mask loop = sdfMask(W, H, [=](float x, float y) {
            return sdRotEllipse(x, y, cx + s * 5.5f, 50, 5.0f, 3.0f, s * -20);
        });
        drawSweet(c, loop, 0, 0,
                  SweetStyle{hex(pal::lemon), 0.35f, 1.0f, 0.0f, 0.2f, 1.0f, 1.8f, 1.2f}, 0, 0, 1,
                  1);
    }
    ball(c, cx, 50, 2.6f, hex(0xFFC020), 0.6f);
    return c;
}

}  // namespace

Canvas makeFruits() {
    Canvas sheet(462, 72);
    Canvas (*makers[kFruitKinds])() = {cherries, strawberry,   orangeSlice, lemon,
                                       grapes,   wrappedSweet, lollipop};
    for (int k = 0; k < kFruitKinds; ++k) {
        Canvas cell = makers[k]();
        // A soft coloured halo makes each fruit glow under additive light.
        Mask halo = blur(cell.alpha(), 2.5f);
        // Fade the halo out towards the cell edges so nothing is cut off.
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                float edge = float(std::min(std::min(x, W - 1 - x), std::min(y, H - 1 - y)));
                halo.ref(x, y) *= smoothstep(0.0f, 4.0f, edge);
            }
        Canvas glow(W, H);
        Col avg{};
        float n = 0;
        for (const Col& p : cell.px)
            avg = avg + p, n += p.a;
        Col haloCol = n > 0 ? rgbf(avg.r / n, avg.g / n, avg.b / n) : Col{};
        glow.fillMask(halo, 0, 0, solid(shade(haloCol, 0.2f)), 0.35f);
        glow.draw(cell, 0, 0);
        sheet.draw(glow, k * W, 0);
    }
    return sheet;
}

}  // namespace gfx
