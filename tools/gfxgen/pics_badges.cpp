// The title logo, the key help and the credit badges.
#include <cmath>

#include "catalogue.h"
#include "wordart.h"

namespace gfx {

namespace {

const float kPi = 3.14159265f;

// A note head: ellipse tilted up to the right.
float sdRotEllipse0(float x, float y, float cx, float cy, float rx, float ry) {
    const float a = -20.0f * kPi / 180.0f, cs = std::cos(a), sn = std::sin(a);
    float dx = x - cx, dy = y - cy;
    return sdEllipse(cx + dx * cs + dy * sn, cy - dx * sn + dy * cs, cx, cy, rx, ry);
}

// Sticker lettering: fill, a cream line, then a deep plum border.
CandyStyle sticker(std::vector<Col> fill) {
    CandyStyle s;
    s.fill = std::move(fill);
    s.outline = hex(0xFFF6EC);
    s.outlineR = 1.6f;
    s.outer = hex(0x3A0A3E);
    s.outerR = 2.6f;
    s.shadowDx = 1.5f;
    s.shadowDy = 2.5f;
    s.shadowSigma = 1.6f;
    s.shadowA = 0.6f;
    s.gloss = 0.5f;
    s.glossTo = 0.45f;
    s.bevelSigma = 1.6f;
    s.bevelLight = 2.4f;
    s.bevelDark = 1.8f;
    return s;
}

// Translucent plum plate behind small print so it reads on the bright panels.
void plate(Canvas& c, float cx, float cy, float hw, float hh, float radius, float alpha) {
    Mask m =
        sdfMask(c.w, c.h, [=](float x, float y) { return sdBox(x, y, cx, cy, hw, hh, radius); });
    dropShadow(c, m, 0, 0, 1.0f, 1.5f, 1.5f, 0.35f * alpha, hex(0x100014));
    c.fillMask(m, 0, 0, vgrad(cy - hh, cy + hh, {hex(0x4A1252, alpha), hex(0x2A0630, alpha)}));
    Mask rim = subtract(m, erode(m, 1.2f));
    c.fillMask(rim, 0, 0, linear(cx - hw, cy - hh, hex(0xFFB8E0), cx + hw, cy + hh, hex(0x8A3A9A)),
               0.9f);
}

void smallText(Canvas& c, const std::string& text, float x, float baseline, float size,
               std::vector<Col> fill, Face face = Face::Sans) {
    CandyStyle s;
    s.fill = std::move(fill);
    s.outline = hex(0x22042A);
    s.outlineR = 1.1f;
    s.shadowDx = 0.5f;
    s.shadowDy = 1.0f;
    s.shadowSigma = 0.6f;
    s.shadowA = 0.6f;
    s.gloss = 0.0f;
    s.bevelLight = 0.8f;
    s.bevelDark = 0.5f;
    s.bevelSigma = 0.7f;
    TextOptions o;
    o.hinting = true;
    TextRun run = renderText(face, text, size, o);
    drawCandy(c, run, x, baseline, s);
}

}  // namespace

Canvas makeLogo() {
    Canvas c(226, 163);
    // A candy lightning bolt behind the name.
    std::vector<std::pair<float, float>> bolt = {{132, 6},  {98, 70},  {122, 70}, {92, 150},
                                                 {158, 58}, {132, 58}, {160, 6}};
    Mask bm = sdfMask(226, 163, [&](float x, float y) { return sdPolygon(x, y, bolt) - 2.0f; });
    dropShadow(c, bm, 0, 0, 2, 3, 2, 0.5f, hex(0x100014));
    Mask border = dilate(bm, 2.5f);
    c.fillMask(border, 0, 0, solid(hex(0x3A0A3E)));
    // Candy-cane stripes under the shading so they take the same light.
    c.fillMask(bm, 0, 0, [](float x, float y) {
        float d = std::fabs(std::fmod(x * 0.8f - y + 400.0f, 18.0f) - 9.0f) - 3.6f;
        return mix(hex(0xFFF4D6), hex(0xFF4F8A), clampf(0.5f - d));
    });
    bevel(c, bm, 0, 0, 2.5f, 2.4f, 1.8f, hex(0x6A0A3A));
    Mask rimB = subtract(bm, erode(bm, 1.0f));
    c.fillMask(rimB, 0, 0, solid(hex(0xB02060)), 0.5f);
    c.fillMask(erode(bm, 3), 0, 0, [](float x, float y) {
        return Col{1, 1, 1, 1} * (0.35f * (1 - smoothstep(0, 30, x + y - 150)));
    });

    // "Gum" in bubblegum pink, "bolt" in lemon, stacked and offset.
    Canvas gum = candyWordTight(Face::Display, "Gum",
                                sticker({hex(0xFFF0F8), hex(0xFF8ACB), hex(0xE83F93)}), 70.0f);
    Canvas boltWord = candyWordTight(Face::Display, "bolt",
                                     sticker({hex(0xFFFDE8), hex(0xFFE050), hex(0xFF9A18)}), 70.0f);
    c.draw(gum, 4, 2);
    c.draw(boltWord, 226 - boltWord.w - 2, 158 - boltWord.h);

    // Cherries hanging on the corner of the bolt and a few sparkles.
    Mask stemM = sdfMask(226, 163, [](float x, float y) {
        return std::min(sdBezier(x, y, 187, 38, 186, 22, 200, 10, 1.5f),
                        sdBezier(x, y, 208, 36, 204, 22, 200, 10, 1.5f));
    });
    c.fillMask(dilate(stemM, 1.2f), 0, 0, solid(hex(0x3A0A3E)));
    c.fillMask(stemM, 0, 0, solid(hex(0x8CD048)));
    for (int i = 0; i < 2; ++i) {
        float cx = i ? 208.0f : 186.0f, cy = i ? 42.0f : 44.0f, r = 9.0f;
        Mask m = sdfMask(226, 163, [=](float x, float y) { return sdCircle(x, y, cx, cy, r); });
        c.fillMask(dilate(m, 2.0f), 0, 0, solid(hex(0x3A0A3E)));
        c.fillMask(m, 0, 0, [=](float x, float y) {
            return sphereShade(hex(0xF42848), x, y, cx, cy, r, 0.9f);
        });
    }
    sparkle(c, 20, 104, 7, hex(0xFFFFFF));
    sparkle(c, 36, 124, 4, hex(0xFFF2A8));
    sparkle(c, 214, 64, 5, hex(0xFFFFFF));
    sparkle(c, 170, 8, 4, hex(0xFFD6EC));
    return c;
}

namespace {

void keycap(Canvas& c, float x, float y, float w, float h, const std::string& label, int arrow) {
    Mask m = sdfMask(c.w, c.h, [=](float px, float py) {
        return sdBox(px, py, x + w / 2, y + h / 2, w / 2, h / 2, 4);
    });
    drawSweet(c, m, 0, 0, SweetStyle{hex(0xFFF1F8), 0.55f, 1.0f, 0.0f, 0.45f, 1.3f, 1.2f, 2.4f}, 0,
              0, 1, 1);
    // Key top: a lighter inset.
    c.fillSdf(
        [=](float px, float py) {
            return sdBox(px, py, x + w / 2 - 0.5f, y + h / 2 - 1.0f, w / 2 - 3, h / 2 - 3, 3);
        },
        vgrad(y, y + h, {hex(0xFFFFFF), hex(0xF6DDEB)}));
    Col ink = hex(0x5A1660);
    float cx = x + w / 2 - 0.5f, cy = y + h / 2 - 1.0f;
    if (arrow >= 0) {
        // 0 left, 1 right, 2 down, 3 up.
        const float dirs[4][2] = {{-1, 0}, {1, 0}, {0, 1}, {0, -1}};
        float dx = dirs[arrow][0], dy = dirs[arrow][1];
        float tipX = cx + dx * 5, tipY = cy + dy * 5;
        float bx = cx - dx * 1, by = cy - dy * 1;
        std::vector<std::pair<float, float>> head = {
            {tipX, tipY}, {bx - dy * 4.5f, by + dx * 4.5f}, {bx + dy * 4.5f, by - dx * 4.5f}};
        c.fillSdf(
            [=](float px, float py) {
                return std::min(sdPolygon(px, py, head),
                                sdSegment(px, py, bx, by, cx - dx * 5, cy - dy * 5, 1.4f));
            },
            solid(ink));
        return;
    }
    TextOptions o;
    o.hinting = true;
    const bool punctuation = label == "," || label == "." || label == "-" || label == "=";
    TextRun run = renderText(Face::Sans, label,
                             label.size() > 1 ? 9.5f
                             : punctuation    ? 16.0f
                                              : 11.5f,
                             o);
    Canvas t(c.w, c.h);
    float tx = cx - float(run.inkW()) / 2 + run.originX - float(run.inkX0);
    float ty = cy + float(run.inkH()) / 2 + run.originY - float(run.inkY1);
    t.fillMask(run.mask, int(std::lround(tx - run.originX)), int(std::lround(ty - run.originY)),
               solid(ink));
    c.draw(t, 0, 0);
}

}  // namespace

Canvas makeKeys() {
    Canvas c(169, 228);
    plate(c, 84.5f, 114, 83, 112, 9, 0.78f);
    struct Row {
        const char* a;
        int arrowA;
        const char* b;
        int arrowB;
        const char* what;
        float wideA;
    };
    const Row rows[] = {
        {"", 0, "", 1, "Move", 0},          {"", 2, nullptr, -1, "Down", 0},
        {"", 3, nullptr, -1, "Drop", 0},    {"Z", -1, "X", -1, "Turn", 0},
        {"P", -1, nullptr, -1, "Pause", 0}, {"M", -1, nullptr, -1, "Music on/off", 0},
        {",", -1, ".", -1, "Track", 0},     {"-", -1, "=", -1, "Volume", 0},
        {"Esc", -1, nullptr, -1, "Quit", 8}};
    const float top = 6, pitch = 24.4f, capW = 21, capH = 20, x0 = 10;
    int i = 0;
    for (const Row& r : rows) {
        float y = top + pitch * float(i);
        keycap(c, x0, y, capW + r.wideA, capH, r.a, r.arrowA);
        if (r.b)
            keycap(c, x0 + capW + 4, y, capW, capH, r.b, r.arrowB);
        smallText(c, r.what, 62, y + 15.0f, std::string(r.what).size() > 8 ? 11.5f : 13.0f,
                  {hex(0xFFFFFF), hex(0xFFE36A)});
        ++i;
    }
    return c;
}

Canvas makeQuillon() {
    Canvas c(137, 25);
    // A ribbon with notched tails; the right end stays clear of the pipe
    // that the game draws over the last few columns.
    std::vector<std::pair<float, float>> ribbon = {{2, 3},    {126, 3}, {120, 12.5f},
                                                   {126, 22}, {2, 22},  {8, 12.5f}};
    Mask m = sdfMask(137, 25, [&](float x, float y) { return sdPolygon(x, y, ribbon) - 0.8f; });
    drawSweet(c, m, 0, 0, SweetStyle{hex(0x8E3FC8), 0.5f, 1.0f, 0.0f, 0.45f, 1.2f, 1.8f, 1.2f}, 0,
              0, 1, 1);
    c.fillSdf(
        [](float x, float y) {
            return std::max(std::fabs(y - 5.5f) - 0.6f, std::max(10 - x, x - 118));
        },
        solid(hex(0xD9A8F0)), 0.7f);
    c.fillSdf(
        [](float x, float y) {
            return std::max(std::fabs(y - 19.5f) - 0.6f, std::max(10 - x, x - 118));
        },
        solid(hex(0x5A1E86)), 0.7f);
    CandyStyle s = styleLemon();
    s.outlineR = 1.4f;
    s.shadowDy = 1.2f;
    s.shadowSigma = 0.7f;
    s.gloss = 0.35f;
    Canvas w = candyWord(96, 21, Face::Display, "Quillon", s, 22.0f);
    c.draw(w, 16, 2);
    sparkle(c, 17, 12.5f, 3.2f, hex(0xFFFFFF));
    sparkle(c, 111, 12.5f, 3.2f, hex(0xFFFFFF));
    return c;
}

Canvas makeVantrel() {
    Canvas c(190, 86);
    // Candy-striped frame around a plum plate.
    Mask outerM =
        sdfMask(190, 86, [](float x, float y) { return sdBox(x, y, 95, 42, 91, 39, 16); });
    Mask innerM =
        sdfMask(190, 86, [](float x, float y) { return sdBox(x, y, 95, 42, 84, 32, 11); });
    dropShadow(c, outerM, 0, 0, 1.5f, 2.5f, 2.0f, 0.45f, hex(0x100014));
    Mask ring = subtract(outerM, innerM);
    c.fillMask(ring, 0, 0, [](float x, float y) {
        float st = smoothstep(-0.5f, 0.5f, std::sin((x + y) * 0.42f));
        return mix(hex(0xFFF3F8), hex(0x5FE3C0), st);
    });
    bevel(c, ring, 0, 0, 1.6f, 2.2f, 1.8f, hex(0x1C5A4C));
    c.fillMask(innerM, 0, 0, vgrad(10, 76, {hex(0x4E1458), hex(0x2A0632)}));
    bevel(c, innerM, 0, 0, 2.0f, -1.2f, -1.2f, hex(0x000000));
    Canvas w = candyWordTight(Face::Display, "Vantrel",
                              sticker({hex(0xF0FFF8), hex(0x8FF5D6), hex(0x1FB58C)}), 40.0f);
    if (w.w > 160)
        w = candyWordTight(Face::Display, "Vantrel",
                           sticker({hex(0xF0FFF8), hex(0x8FF5D6), hex(0x1FB58C)}), 40.0f,
                           160.0f / float(w.w));
    c.draw(w, (190 - w.w) / 2, (86 - w.h) / 2);
    sparkle(c, 22, 22, 4, hex(0xFFF6C0));
    sparkle(c, 168, 64, 4, hex(0xFFF6C0));
    return c;
}

Canvas makeNorvane() {
    Canvas c(100, 99);
    const float cx = 49.5f, cy = 48.5f;
    // Scalloped seal, like the paper cup of a bonbon.
    Mask seal = sdfMask(100, 99, [=](float x, float y) {
        float a = std::atan2(y - cy, x - cx);
        return std::hypot(x - cx, y - cy) - (43.5f + 2.2f * std::cos(a * 16));
    });
    dropShadow(c, seal, 0, 0, 1.2f, 2.0f, 1.8f, 0.45f, hex(0x100014));
    c.fillMask(seal, 0, 0, linear(10, 8, hex(0xFFB0D8), 90, 92, hex(0xC2307A)));
    bevel(c, seal, 0, 0, 2.0f, 2.0f, 1.6f, hex(0x5A0A34));
    Mask disc = sdfMask(100, 99, [=](float x, float y) { return sdCircle(x, y, cx, cy, 36); });
    c.fillMask(disc, 0, 0, vgrad(12, 86, {hex(0x56185E), hex(0x2A0632)}));
    // Dotted ring of sugar pearls.
    for (int i = 0; i < 24; ++i) {
        float a = float(i) * 2 * kPi / 24;
        float px = cx + std::cos(a) * 32.5f, py = cy + std::sin(a) * 32.5f;
        c.fillSdf([=](float x, float y) { return sdCircle(x, y, px, py, 1.2f); },
                  solid(hex(0xFFE6F4)), 0.85f);
    }
    sparkle(c, cx, cy - 22, 4.5f, hex(0xFFFFFF));
    sparkle(c, cx - 11, cy + 22, 2.8f, hex(0xFFD6EC));
    sparkle(c, cx + 11, cy + 22, 2.8f, hex(0xFFD6EC));
    // A ribbon across the seal carries the name.
    std::vector<std::pair<float, float>> band = {{1, 38},  {99, 38}, {94, 48.5f},
                                                 {99, 59}, {1, 59},  {6, 48.5f}};
    Mask bandM = sdfMask(100, 99, [&](float x, float y) { return sdPolygon(x, y, band) - 0.6f; });
    drawSweet(c, bandM, 0, 0, SweetStyle{hex(0x8E3FC8), 0.5f, 1.0f, 0.0f, 0.45f, 1.2f, 1.8f, 1.2f},
              0, 0, 1, 1);
    CandyStyle s = styleLemon();
    s.outlineR = 1.3f;
    s.shadowDy = 1.2f;
    s.shadowSigma = 0.6f;
    s.gloss = 0.4f;
    Canvas w = candyWord(84, 22, Face::Display, "Norvane", s, 26.0f, 0.85f);
    c.draw(w, 8, 38);
    // Gloss over the upper-left of the seal.
    c.fillMask(erode(seal, 2), 0, 0, [=](float x, float y) {
        float d = sdEllipse(x, y, cx - 14, cy - 22, 24, 11);
        return Col{1, 1, 1, 1} * (0.22f * (1 - smoothstep(-6, 2, d)));
    });
    return c;
}

Canvas makeSoundBadge() {
    Canvas c(200, 52);
    plate(c, 100, 26, 98, 24, 10, 0.85f);
    // Two beamed notes as glossy sweets.
    Col noteCol = hex(pal::bubblegum);
    Mask notes = sdfMask(200, 52, [](float x, float y) {
        float h1 = sdRotEllipse0(x, y, 13, 37, 5.2f, 3.8f);
        float h2 = sdRotEllipse0(x, y, 30, 33, 5.2f, 3.8f);
        float s1 = sdBox(x, y, 17.2f, 24, 1.3f, 13, 0.6f);
        float s2 = sdBox(x, y, 34.2f, 20, 1.3f, 13, 0.6f);
        float beam = sdPolygon(x, y, {{16, 10}, {35.5f, 6}, {35.5f, 11}, {16, 15}});
        return std::min(std::min(std::min(h1, h2), std::min(s1, s2)), beam);
    });
    c.fillMask(dilate(notes, 1.2f), 0, 0, solid(hex(0x22042A)));
    drawSweet(c, notes, 0, 0, SweetStyle{noteCol, 0.35f, 1.0f, 0.0f, 0.0f, 1.0f, 2.0f, 1.4f}, 0, 0,
              1, 1);
    smallText(c, "Music and sound by", 48, 15, 10.0f, {hex(0xFFFFFF), hex(0xFFD0EA)});
    smallText(c, "libopenmpt", 48, 31, 13.0f, {hex(0xFFFFFF), hex(0xFFE36A)});
    smallText(c, "libvorbis  +  SDL2", 48, 46, 13.0f, {hex(0xFFFFFF), hex(0xFFE36A)});
    return c;
}

}  // namespace gfx
