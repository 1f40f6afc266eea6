// Lettering: the bitmap font strip, the digits, the labels and the two-frame
// blinking words.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "catalogue.h"
#include "core/LetterAdvance.h"
#include "wordart.h"

namespace gfx {

namespace {

const int kLetterBaseline = 22;  // baseline row inside a 28 x 31 cell
// Tall, narrow letters: the game's advances are narrow for their 31-pixel
// cells, so each glyph of a plain bold face is squeezed horizontally to its
// advance; a plain face stays legible when squeezed, a bubbly one does not.
const float kLetterSize = 25.0f;
const float kLetterBold = 0.3f;
const Face kLetterFace = Face::Sans;

CandyStyle letterStyle() {
    CandyStyle s = styleLemon();
    s.outlineR = 0.7f;
    s.shadowDx = 0.0f;
    s.shadowDy = 1.3f;
    s.shadowSigma = 0.5f;
    s.shadowA = 0.7f;
    s.gloss = 0.42f;
    s.glossTo = 0.42f;
    s.bevelSigma = 0.8f;
    s.bevelLight = 1.6f;
    s.bevelDark = 1.2f;
    return s;
}

// Renders one character with its baseline at row `baseline` of a scratch
// canvas and its pen origin at column `penX`.
Canvas glyphScratch(Face face, char ch, float size, float scaleX, const CandyStyle& st, int penX,
                    int baseline, int w, int h, float embolden = 0.0f) {
    TextOptions opt;
    opt.scaleX = scaleX;
    opt.embolden = embolden;
    TextRun run = renderText(face, std::string(1, ch), size, opt);
    Canvas c(w, h);
    drawCandy(c, run, float(penX), float(baseline), st);
    // Drop the barely visible tail of the blurred shadow so it does not count
    // as ink when the glyph is fitted to its advance.
    for (Col& p : c.px)
        if (p.a < 3.0f / 255.0f)
            p = Col{};
    return c;
}

// Draws ch into the cell at (cx, cy): ink, outline and shadow all inside
// [0, advance), centred in the advance so words read evenly spaced.
void letterCell(Canvas& sheet, int cx, int cy, char ch) {
    const int limit = letterAdvance(ch);
    const CandyStyle st = letterStyle();
    const int scratchW = 64, scratchH = 48, penX = 16, base = 32;
    float sx = 1.0f;
    Canvas g;
    Box b;
    for (int tries = 0; tries < 12; ++tries) {
        g = glyphScratch(kLetterFace, ch, kLetterSize, sx, st, penX, base, scratchW, scratchH,
                         kLetterBold);
        b = inkBox(g, 0.0f);
        if (b.w() <= limit)
            break;
        sx *= std::min(0.97f, float(limit) / float(b.w()));
    }
    if (b.w() > limit)
        throw std::runtime_error(std::string("letter does not fit its advance: ") + ch);
    int left = (limit - b.w()) / 2;
    int dy = kLetterBaseline - base;
    for (int y = b.y0; y < b.y1; ++y)
        for (int x = b.x0; x < b.x1; ++x) {
            int tx = x - b.x0 + left, ty = y + dy;
            if (ty < 0 || ty >= kLetterCellH)
                throw std::runtime_error(std::string("letter leaves its cell: ") + ch);
            sheet.set(cx + tx, cy + ty, g.get(x, y));
        }
}

}  // namespace

int letterAdvance(char ch) {
    return ch == ' ' ? 16 : gb::letterAdvance(ch);
}

Canvas makeLetters() {
    Canvas sheet(225, 224);
    for (int k = 0; k < 52; ++k) {
        char ch = (k % 2 == 0) ? char('A' + k / 2) : char('a' + k / 2);
        letterCell(sheet, (k % kLetterCols) * kLetterCellW, (k / kLetterCols) * kLetterCellH, ch);
    }
    return sheet;
}

Canvas makeNumbers() {
    Canvas sheet(290, 28);
    CandyStyle st = styleBubblegum();
    st.outlineR = 1.6f;
    st.shadowDx = 0.0f;
    st.shadowDy = 1.4f;
    st.shadowSigma = 0.6f;
    st.shadowA = 0.7f;
    st.gloss = 0.45f;
    st.bevelSigma = 0.9f;
    // The largest size at which every digit fits its 24 x 28 cell, squeezed
    // horizontally where needed; all digits share one baseline.
    const int scratchW = 80, scratchH = 64, penX = 20, base = 46;
    Canvas glyphs[10];
    Box boxes[10];
    int top = 0, bottom = 0;
    for (float size = 40.0f; size > 10.0f; size -= 0.5f) {
        top = scratchH, bottom = 0;
        for (int d = 0; d < 10; ++d) {
            float sx = 1.0f;
            for (int tries = 0; tries < 10; ++tries) {
                glyphs[d] = glyphScratch(Face::Display, char('0' + d), size, sx, st, penX, base,
                                         scratchW, scratchH);
                boxes[d] = inkBox(glyphs[d], 0.0f);
                if (boxes[d].w() <= kDigitCellW || sx < 0.8f)
                    break;
                sx *= std::min(0.98f, float(kDigitCellW) / float(boxes[d].w()));
            }
            top = std::min(top, boxes[d].y0), bottom = std::max(bottom, boxes[d].y1);
        }
        bool fits = bottom - top <= kDigitCellH;
        for (const Box& b : boxes)
            fits = fits && b.w() <= kDigitCellW;
        if (fits)
            break;
    }
    const int dy = -top + (kDigitCellH - (bottom - top)) / 2;
    for (int d = 0; d < 10; ++d) {
        const Box& b = boxes[d];
        int left = (kDigitCellW - b.w()) / 2;
        for (int y = b.y0; y < b.y1; ++y)
            for (int x = b.x0; x < b.x1; ++x)
                sheet.set(d * kDigitCellW + x - b.x0 + left, y + dy, glyphs[d].get(x, y));
    }
    return sheet;
}

namespace {

CandyStyle labelStyle() {
    CandyStyle s = styleBubblegum();
    s.outlineR = 2.0f;
    s.gloss = 0.5f;
    return s;
}

struct LabelDef {
    const char* file;
    const char* text;
};

const LabelDef kLabels[] = {{"player.png", "Player"},
                            {"score.png", "Score"},
                            {"level.png", "Level"},
                            {"lines.png", "Lines"},
                            {"nextBlock.png", "Next Piece"}};

}  // namespace

Canvas makeLabel(const std::string& file) {
    if (file == "levelup.png") {
        // The word before the new level number: gold, with sparkles.
        Canvas c(66, 29);
        CandyStyle s = styleLemon();
        s.fill = {hex(0xFFFFF0), hex(0xFFE040), hex(0xFF9A10)};
        s.outlineR = 2.0f;
        s.glow = hex(0xFFD040, 0.55f);
        s.glowSigma = 1.5f;
        Canvas w = candyWord(62, 27, Face::Display, "Level", s, 26.0f);
        c.draw(w, 2, 1);
        sparkle(c, 5.5f, 5.5f, 4.0f, hex(0xFFFFFF));
        sparkle(c, 61.5f, 24.0f, 3.2f, hex(0xFFF4B0));
        return c;
    }
    for (const LabelDef& d : kLabels) {
        if (file != d.file)
            continue;
        const Picture* p = findPicture(file);
        return candyWord(p->w, p->h, Face::Display, d.text, labelStyle(), 40.0f);
    }
    throw std::runtime_error("no label for " + file);
}

namespace {

struct StripDef {
    const char* file;
    int cellW, cellH;
    const char* text;
};

const StripDef kStrips[] = {{"paused.png", 150, 44, "Paused"},
                            {"start.png", 190, 35, "Press any key"},
                            {"gameover.png", 222, 46, "Game Over"},
                            {"exit.png", 251, 40, "Quit?"}};

// A candy key with a letter on it, for the Y / N answer of the exit prompt.
void answerKey(Canvas& c, float x, float y, float size, char letter, Col base) {
    Mask m = sdfMask(c.w, c.h, [=](float px, float py) {
        return sdBox(px, py, x + size / 2, y + size / 2, size / 2, size / 2, 6);
    });
    c.fillMask(dilate(m, 1.6f), 0, 0, solid(hex(0x3A0A3E)));
    drawSweet(c, m, 0, 0, SweetStyle{base, 0.45f, 1.0f, 0.0f, 0.5f, 1.6f, 2.2f, 1.8f}, 0, 0, 1, 1);
    c.fillSdf(
        [=](float px, float py) {
            return sdBox(px, py, x + size / 2, y + size * 0.3f, size / 2 - 4, size * 0.16f, 4);
        },
        solid(Col{1, 1, 1, 1}), 0.35f);
    TextOptions o;
    o.hinting = true;
    TextRun run = renderText(Face::Sans, std::string(1, letter), size * 0.62f, o);
    float tx = x + size / 2 - float(run.inkW()) / 2 - float(run.inkX0) + run.originX;
    float ty = y + size / 2 + float(run.inkH()) / 2 - float(run.inkY1) + run.originY - 1;
    c.fillMask(run.mask, int(std::lround(tx - run.originX)), int(std::lround(ty - run.originY)),
               solid(hex(0x4A1250)));
}

}  // namespace

Canvas makeStrip(const std::string& file) {
    for (const StripDef& d : kStrips) {
        if (file != d.file)
            continue;
        const Picture* p = findPicture(file);
        Canvas c(p->w, p->h);
        // Frame 0 lemon, frame 1 bubblegum: the blink reads as a glow change.
        CandyStyle a = styleLemon(), b = styleBubblegum();
        for (CandyStyle* s : {&a, &b}) {
            s->outlineR = 2.2f;
            s->glowSigma = 2.5f;
        }
        a.glow = hex(0xFFE060, 0.45f);
        b.glow = hex(0xFF60B0, 0.45f);
        if (file == "exit.png") {
            // "Quit?" followed by the two answer keys.
            const float key = 30;
            for (int f = 0; f < 2; ++f) {
                int ox = f * d.cellW;
                Canvas word = candyWord(118, d.cellH - 2, Face::Display, d.text, f ? b : a, 60.0f);
                c.draw(word, ox + 6, 1);
                Col keyCol = f ? hex(0xFF9ACF) : hex(0xFFE36A);
                answerKey(c, float(ox + 136), 5, key, 'Y', keyCol);
                CandyStyle slash = f ? b : a;
                slash.glowSigma = 0;
                c.draw(candyWord(22, 34, Face::Display, "/", slash, 40.0f), ox + 168, 3);
                answerKey(c, float(ox + 192), 5, key, 'N', keyCol);
            }
            return c;
        }
        c.draw(candyWord(d.cellW - 2, d.cellH - 2, Face::Display, d.text, a, 60.0f), 1, 1);
        c.draw(candyWord(d.cellW - 2, d.cellH - 2, Face::Display, d.text, b, 60.0f), d.cellW + 1,
               1);
        return c;
    }
    throw std::runtime_error("no strip for " + file);
}

Canvas makeTitleBanner() {
    Canvas c(190, 35);
    // A striped candy bar behind the name.
    Mask bar = sdfMask(190, 35, [](float x, float y) { return sdBox(x, y, 95, 18, 92, 14, 13); });
    SweetStyle ss{hex(0x7A2A9A), 0.45f, 1.2f, 0.0f, 0.4f, 1.6f, 1.6f, 1.2f};
    drawSweet(c, bar, 0, 0, ss, 0, 0, 1, 1);
    Mask stripes = sdfMask(190, 35, [](float x, float y) {
        float d = std::fabs(std::fmod(x + y + 100.0f, 16.0f) - 8.0f) - 3.0f;
        return std::max(d, sdBox(x, y, 95, 18, 90, 12, 11));
    });
    c.fillMask(stripes, 0, 0, solid(hex(0xA64CC8)), 0.6f);
    c.fillSdf([](float x, float y) { return sdBox(x, y, 95, 10, 84, 4, 4); },
              vgrad(6, 14, {Col{1, 1, 1, 1} * 0.45f, Col{}}));
    CandyStyle s = styleLemon();
    s.outlineR = 2.0f;
    c.draw(candyWord(170, 33, Face::Display, "Gumbolt", s, 40.0f), 10, 0);
    return c;
}

}  // namespace gfx
