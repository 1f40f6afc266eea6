// Blocks, the grid's background tile, the pipe frame, the pump and the
// turning disc.
#include <cmath>

#include "catalogue.h"
#include "style.h"

namespace gfx {

namespace {

// Lightness rises from grape to lemon so the kinds differ in greyscale and
// for colour-blind players, not only in hue.
const uint32_t kBlockColours[kBlockKinds] = {0xD81E3A, 0xF86A14, 0xFFE84A, 0x3CCC7C,
                                             0x2F76E8, 0x5E24AC, 0xFFB5DD};

}  // namespace

void drawCandyBlock(Canvas& c, int ox, int oy, int size, Col base) {
    // Designed at 29 pixels; k scales every length for other sizes.
    const float k = float(size) / 29.0f;
    const float s = float(size);
    const float cx = s * 0.5f, cy = s * 0.5f;
    Mask shape = sdfMask(size, size, [&](float x, float y) {
        return sdBox(x, y, cx, cy, 13.6f * k, 13.6f * k, 5.0f * k);
    });
    Canvas b(size, size);
    b.fillMask(shape, 0, 0,
               linear(2 * k, 2 * k, shade(base, 0.22f), s - 2 * k, s - 2 * k, shade(base, -0.28f)));
    // Raised bevel: light on the upper-left slopes, shade on the lower-right.
    bevel(b, shape, 0, 0, 1.6f * k, 2.6f, 2.0f, shade(base, -0.7f));
    // Rim so touching blocks read as separate sweets.
    Mask rim = subtract(shape, erode(shape, 1.0f * k));
    b.fillMask(rim, 0, 0, solid(shade(base, -0.55f)), 0.85f);
    // Pillow face: a faint inner rounded square.
    Mask face = sdfMask(size, size, [&](float x, float y) {
        return sdBox(x, y, cx + 0.3f * k, cy + 0.5f * k, 9.0f * k, 9.0f * k, 4.0f * k);
    });
    b.fillMask(face, 0, 0,
               linear(6 * k, 6 * k, shade(base, -0.05f), 23 * k, 23 * k, shade(base, 0.08f)),
               0.55f);
    // Gloss band across the upper half.
    Mask gloss = sdfMask(size, size, [&](float x, float y) {
        return sdBox(x, y, cx - 0.5f * k, 8.6f * k, 9.6f * k, 4.4f * k, 4.0f * k);
    });
    b.fillMask(gloss, 0, 0,
               vgrad(4.0f * k, 13.5f * k, {Col{1, 1, 1, 1} * 0.62f, Col{1, 1, 1, 1} * 0.08f}));
    // Specular glint.
    b.fillSdf([k](float x, float y) { return sdCircle(x, y, 7.4f * k, 6.6f * k, 1.5f * k); },
              solid(Col{1, 1, 1, 1}), 0.9f);
    c.draw(b, ox, oy);
}

Col blockColour(int kind) {
    return hex(kBlockColours[kind]);
}

Canvas makeBlockList() {
    Canvas c(kBlockSize * kBlockKinds, kBlockSize);
    for (int k = 0; k < kBlockKinds; ++k)
        drawCandyBlock(c, k * kBlockSize, 0, kBlockSize, blockColour(k));
    return c;
}

Canvas makeBackTile() {
    const int n = kBlockSize;
    Canvas c(n, n);
    // Recessed slot per cell: dark plum, a touch lighter in the middle.
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            float d = std::hypot(fx - 14.5f, fy - 14.5f) / 14.5f;
            Col base = mix(hex(0x3E0B45), hex(0x2A0632), smoothstep(0.2f, 1.3f, d));
            c.set(x, y, base);
        }
    // Faint candy sugar: a small diamond in the centre of each cell.
    c.fillSdf(
        [](float x, float y) {
            return (std::fabs(x - 14.5f) + std::fabs(y - 14.5f)) * 0.7071f - 1.3f;
        },
        solid(hex(0x5A1A63)), 0.8f);
    // Groove between cells: shade on the top and left inner edges (the light
    // comes from the top-left), a soft highlight on the bottom and right.
    for (int i = 0; i < n; ++i) {
        c.set(i, 0, hex(0x16021B, 0.92f));
        c.set(0, i, hex(0x16021B, 0.92f));
        c.over(i, 1, hex(0x1C0322, 0.45f));
        c.over(1, i, hex(0x1C0322, 0.45f));
        c.over(i, n - 1, hex(0x5C2266, 0.55f));
        c.over(n - 1, i, hex(0x5C2266, 0.55f));
    }
    c.set(0, 0, hex(0x12011A, 0.9f));
    return c;
}

namespace {

// One tube section: the signed "left" offset from the centre line (pixels,
// -6.5..6.5 inside the tube), the 2-D direction of that offset, and the
// distance along the pipe used for the stripes.
struct TubePoint {
    float across;  // offset from the centre line
    float nx, ny;  // unit direction of the offset on screen
    float along;   // distance along the pipe
};

const float kTubeHalf = 6.6f;
const float kStripePeriod = 10.0f;

Col tubeColour(const TubePoint& t, bool striped) {
    float a = clampf(std::fabs(t.across) / kTubeHalf, 0.0f, 1.0f);
    float nz = std::sqrt(std::max(0.0f, 1.0f - a * a));
    float nx = t.nx * a, ny = t.ny * a;
    const float lx = -0.42f, ly = -0.62f, lz = 0.66f;
    float diff = std::max(0.0f, nx * lx + ny * ly + nz * lz);
    float phase = t.along + t.across;
    float st =
        striped ? smoothstep(-0.35f, 0.35f, std::cos(phase * 6.2831853f / kStripePeriod)) : 0.0f;
    Col base = mix(hex(0xFFF1F5), hex(0xE8334A), st);
    Col c = shade(base, (diff - 0.7f) * 1.05f);
    float hx = lx, hy = ly, hz = lz + 1, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    float glint = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), 24.0f);
    c = shade(c, glint * 0.85f);
    // Dark rim at the silhouette.
    c = shade(c, -smoothstep(0.78f, 1.0f, a) * 0.45f);
    return c;
}

// Maps a point to its tube coordinates; false where the piece has no tube.
using TubeFn = std::function<bool(float, float, TubePoint&)>;

// Paints a tube given a function that maps a point to its tube coordinates.
void paintTube(Canvas& c, int ox, int oy, const TubeFn& fn, bool striped,
               float halfWidth = kTubeHalf) {
    for (int y = 0; y < kPipeCell; ++y)
        for (int x = 0; x < kPipeCell; ++x) {
            // 3x3 supersampling for clean curves.
            Col acc{};
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    float fx = float(x) + (float(i) + 0.5f) / 3.0f,
                          fy = float(y) + (float(j) + 0.5f) / 3.0f;
                    TubePoint t{};
                    if (!fn(fx, fy, t))
                        continue;
                    if (std::fabs(t.across) > halfWidth)
                        continue;
                    TubePoint scaled = t;
                    scaled.across = t.across * kTubeHalf / halfWidth;
                    acc = acc + tubeColour(scaled, striped) * (1.0f / 9.0f);
                }
            c.over(x + ox, y + oy, acc);
        }
}

TubeFn straightH(float x0, float x1) {
    return [=](float x, float y, TubePoint& t) {
        if (x < x0 || x > x1)
            return false;
        t = {y - 10.0f, 0.0f, 1.0f, x};
        return true;
    };
}

TubeFn straightV(float y0, float y1) {
    return [=](float x, float y, TubePoint& t) {
        if (y < y0 || y > y1)
            return false;
        t = {x - 10.0f, 1.0f, 0.0f, y};
        return true;
    };
}

// Quarter bend about the cell corner (cx, cy), centre-line radius 10.
TubeFn bend(float cx, float cy) {
    return [=](float x, float y, TubePoint& t) {
        float dx = x - cx, dy = y - cy;
        // Only the quadrant that lies inside the cell.
        if ((cx > 10 && dx > 0) || (cx < 10 && dx < 0) || (cy > 10 && dy > 0) ||
            (cy < 10 && dy < 0))
            return false;
        float r = std::hypot(dx, dy);
        if (r < 1e-3f)
            return false;
        float ang = std::atan2(std::fabs(dy), std::fabs(dx));  // 0..pi/2
        t = {r - 10.0f, dx / r, dy / r, ang / 1.5707963f * 20.0f};
        return true;
    };
}

// A coupling ring across the tube at the given cell edge.
void collar(Canvas& c, int ox, int oy, bool vertical, float pos0, float pos1) {
    TubeFn fn = vertical ? straightV(pos0, pos1) : straightH(pos0, pos1);
    for (int y = 0; y < kPipeCell; ++y)
        for (int x = 0; x < kPipeCell; ++x) {
            Col acc{};
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    float fx = float(x) + (float(i) + 0.5f) / 3.0f,
                          fy = float(y) + (float(j) + 0.5f) / 3.0f;
                    TubePoint t{};
                    if (!fn(fx, fy, t) || std::fabs(t.across) > 7.6f)
                        continue;
                    t.across *= kTubeHalf / 7.6f;
                    float a = std::fabs(t.across) / kTubeHalf;
                    float nz = std::sqrt(std::max(0.0f, 1 - a * a));
                    float diff = std::max(0.0f, t.nx * a * -0.42f + t.ny * a * -0.62f + nz * 0.66f);
                    // Ring bulges along its length too.
                    float u = ((vertical ? fy : fx) - pos0) / (pos1 - pos0) * 2 - 1;
                    float bulge = 1.0f - u * u * 0.5f;
                    Col col = shade(hex(pal::lemon), (diff * bulge - 0.62f) * 1.1f);
                    col = shade(col, -smoothstep(0.8f, 1.0f, a) * 0.4f);
                    acc = acc + col * (1.0f / 9.0f);
                }
            c.over(x + ox, y + oy, acc);
        }
}

}  // namespace

Canvas makePipes() {
    Canvas c(61, 60);
    const int P = kPipeCell;
    // Cell 1: horizontal, cell 3: vertical.
    paintTube(c, P, 0, straightH(0, 20), true);
    paintTube(c, 0, P, straightV(0, 20), true);
    // Cell 0: top-left corner, joins right and bottom.
    paintTube(c, 0, 0, bend(20, 20), true);
    collar(c, 0, 0, false, 17, 20);
    collar(c, 0, 0, true, 17, 20);
    // Cell 2: top-right corner, joins left and bottom.
    paintTube(c, 2 * P, 0, bend(0, 20), true);
    collar(c, 2 * P, 0, false, 0, 3);
    collar(c, 2 * P, 0, true, 17, 20);
    // Cell 6: bottom-left corner, joins top and right.
    paintTube(c, 0, 2 * P, bend(20, 0), true);
    collar(c, 0, 2 * P, false, 17, 20);
    collar(c, 0, 2 * P, true, 0, 3);
    // Cell 8: bottom-right corner, joins top and left.
    paintTube(c, 2 * P, 2 * P, bend(0, 0), true);
    collar(c, 2 * P, 2 * P, false, 0, 3);
    collar(c, 2 * P, 2 * P, true, 0, 3);
    // Cell 7: a vertical pipe coming down into the bottom pipe.
    paintTube(c, P, 2 * P, straightH(0, 20), true);
    paintTube(c, P, 2 * P, straightV(0, 9), true);
    collar(c, P, 2 * P, true, 0, 3);
    collar(c, P, 2 * P, false, 0, 3);
    collar(c, P, 2 * P, false, 17, 20);
    // A round joint where the two tubes meet.
    Mask hub = sdfMask(20, 20, [](float x, float y) { return sdCircle(x, y, 10, 9.5f, 5.2f); });
    drawSweet(c, hub, P, 2 * P,
              SweetStyle{hex(pal::lemon), 0.35f, 1.0f, 0.7f, 0.0f, 1.2f, 2.0f, 1.4f}, P + 5.5f,
              2 * P + 5.0f, P + 11.0f, 2 * P + 10.0f);
    return c;
}

Canvas makePump() {
    Canvas c(20, 58);
    // Pipe stub leaving the pump at the bottom.
    Canvas stub(20, 20);
    paintTube(stub, 0, 0, straightV(0, 20), true);
    c.draw(stub.crop(0, 0, 20, 14), 0, 44);
    collar(c, 0, 38, true, 4, 8);
    // Plunger rod and T handle.
    c.fillSdf([](float x, float y) { return sdSegment(x, y, 10, 5, 10, 18, 1.6f); },
              linear(8, 0, hex(0xFFFFFF), 12, 0, hex(0xB8A8C0)));
    Mask handle = sdfMask(
        20, 58, [](float x, float y) { return sdSegment(x, y, 3.5f, 4.5f, 16.5f, 4.5f, 2.8f); });
    drawSweet(c, handle, 0, 0,
              SweetStyle{hex(pal::cherry), 0.45f, 1.0f, 0.7f, 0.3f, 1.0f, 2.0f, 1.4f}, 3, 1.5f, 12,
              4.5f);
    // Candy-glass chamber.
    Mask body =
        sdfMask(20, 58, [](float x, float y) { return sdBox(x, y, 10, 29, 8.6f, 12.5f, 6.0f); });
    drawSweet(c, body, 0, 0,
              SweetStyle{hex(pal::bubblegum), 0.45f, 1.2f, 0.75f, 0.35f, 1.6f, 2.2f, 1.6f}, 3, 18,
              9, 34);
    // Stripes on the chamber like the pipes.
    Mask bands = sdfMask(20, 58, [](float x, float y) {
        float d = std::fabs(std::fmod(y + 0.3f * x, 6.0f) - 3.0f) - 1.0f;
        return std::max(d, sdBox(x, y, 10, 29, 7.2f, 11.0f, 5.0f));
    });
    c.fillMask(bands, 0, 0, solid(hex(0xFFFFFF)), 0.45f);
    return c;
}

Canvas makeYingYang() {
    Canvas c(20, 20);
    const float cx = 10, cy = 10, R = 9.2f;
    auto inA = [=](float x, float y) {
        // The grape half: the left half plus the upper small disc, minus the
        // lower small disc.
        float dTop = sdCircle(x, y, cx, cy - R / 2, R / 2),
              dBot = sdCircle(x, y, cx, cy + R / 2, R / 2);
        float half = x - cx;  // negative on the left
        return std::min(std::max(half, -dBot), dTop);
    };
    Mask disc = sdfMask(20, 20, [=](float x, float y) { return sdCircle(x, y, cx, cy, R); });
    dropShadow(c, disc, 0, 0, 0.6f, 0.9f, 0.8f, 0.5f, hex(0x120016));
    c.fillMask(disc, 0, 0, [=](float x, float y) {
        Col lemon = sphereShade(hex(pal::lemon), x, y, cx, cy, R, 0.0f);
        Col grape = sphereShade(hex(0x7A3CD0), x, y, cx, cy, R, 0.0f);
        float a = clampf(0.5f - inA(x, y));
        // Dots of the opposite colour.
        float dotA = clampf(0.5f - sdCircle(x, y, cx, cy - R / 2, 1.7f));
        float dotB = clampf(0.5f - sdCircle(x, y, cx, cy + R / 2, 1.7f));
        a = clampf(a * (1 - dotA) + dotB * (1 - a));
        return mix(lemon, grape, a);
    });
    Mask rim = subtract(disc, erode(disc, 1.0f));
    c.fillMask(rim, 0, 0, solid(hex(pal::plumInk)), 0.8f);
    c.fillSdf([=](float x, float y) { return sdEllipse(x, y, 7.0f, 5.6f, 3.2f, 1.9f); },
              solid(Col{1, 1, 1, 1}), 0.5f);
    return c;
}

}  // namespace gfx
