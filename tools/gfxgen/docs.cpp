#include "docs.h"

#include <cmath>
#include <map>
#include <string>

#include "catalogue.h"
#include "style.h"
#include "text.h"
#include "wordart.h"

namespace gfx {

namespace {

// The pictures as the game would load them, made once.
const Canvas& pic(const std::string& file) {
    static std::map<std::string, Canvas> cache;
    auto it = cache.find(file);
    if (it == cache.end())
        it = cache.emplace(file, findPicture(file)->make()).first;
    return it->second;
}

// The side panels' picture: red 255 - y, green x, blue max(0, y - x).
Canvas gradientPanel() {
    Canvas g(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            g.set(x, y,
                  rgbf(float(255 - y) / 255.0f, float(x) / 255.0f,
                       float(std::max(0, y - x)) / 255.0f));
    return g;
}

// Draws cell `cell` of a strip cut into cw x ch cells, top-left at (x, y).
void drawCell(Canvas& s, const std::string& file, int cw, int ch, int cell, int x, int y) {
    const Canvas& img = pic(file);
    int cols = img.w / cw;
    s.draw(img.crop((cell % cols) * cw, (cell / cols) * ch, cw, ch), x, y);
}

void drawImage(Canvas& s, const std::string& file, int x, int y) {
    s.draw(pic(file), x, y);
}

void drawPanel(Canvas& s, float x, float y, float w, float h) {
    static const Canvas panel = gradientPanel();
    s.drawTransformed(panel, 0, 0, 256, 256, x, y, w, h, 0, 0, 0, false);
}

int drawString(Canvas& s, const std::string& text, int x, int y) {
    int cx = x;
    for (char ch : text) {
        if (ch >= 'a' && ch <= 'z')
            drawCell(s, "lettersSmall.png", kLetterCellW, kLetterCellH, 2 * (ch - 'a') + 1, cx, y);
        else if (ch >= 'A' && ch <= 'Z')
            drawCell(s, "lettersSmall.png", kLetterCellW, kLetterCellH, 2 * (ch - 'A'), cx, y);
        cx += letterAdvance(ch);
    }
    return cx;
}

void drawNumber(Canvas& s, int value, int y, int right) {
    std::string t = std::to_string(value);
    int x = right - kDigitPitch;
    for (size_t i = t.size(); i-- > 0; x -= kDigitPitch)
        drawCell(s, "numbers.png", kDigitCellW, kDigitCellH, t[i] - '0', x, y);
}

void drawBlockAt(Canvas& s, int kind, int x, int y) {
    drawCell(s, "blockList.png", kBlockSize, kBlockSize, kind, x, y);
}

struct GridView {
    int ox, oy, cols, rows;
};

void drawGridBack(Canvas& s, const GridView& g) {
    s.setClip(g.ox, g.oy, g.cols * kBlockSize, g.rows * kBlockSize);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c)
            drawImage(s, "backTile.png", g.ox + c * kBlockSize, g.oy + r * kBlockSize);
    s.resetClip();
}

void drawFruit(Canvas& s, const GridView& g, int kind, float x, float y, float scale, float angle,
               float alpha) {
    s.setClip(g.ox, g.oy, g.cols * kBlockSize, g.rows * kBlockSize);
    s.drawTransformed(pic("fruits.png"), kind * kFruitCellW, 0, kFruitCellW, kFruitCellH, x, y,
                      kFruitCellW * scale, kFruitCellH * scale, angle, 32, 36, true, alpha);
    s.resetClip();
}

void drawPipes(Canvas& s) {
    auto cell = [&](int n, int x, int y) {
        drawCell(s, "pipes.png", kPipeCell, kPipeCell, n, x, y);
    };
    for (int x = 20; x <= 780; x += 20) {
        if (x < 225 || x > 545)
            cell(1, x, 0);
        cell(1, x, 580);
    }
    for (int y = 20; y <= 560; y += 20)
        cell(3, 0, y), cell(3, 780, y), cell(3, 235, y), cell(3, 545, y);
    cell(0, 0, 0), cell(2, 235, 0), cell(0, 545, 0), cell(2, 780, 0);
    cell(6, 0, 580), cell(8, 780, 580), cell(7, 235, 580), cell(7, 545, 580);
}

const GridView kGameGrid{255, 0, 10, 20}, kPreviewGrid{585, 60, 6, 6};

// The play screen as the game draws it, with a game in progress.
void drawScreen(Canvas& s, bool withGame, const std::string& name, int score, int level,
                float spinner) {
    drawPanel(s, 20, 20, 216, 560);
    drawPanel(s, 565, 20, 216, 560);
    drawImage(s, "quillon.png", 105, 170);
    drawImage(s, "player.png", 25, 230);
    drawString(s, name, 130, 225);
    drawGridBack(s, kGameGrid);
    if (withGame) {
        // Landed blocks: rows 14..19 with gaps; a falling piece; fruit.
        const char* rows[] = {"....3.....", "...33..1..", "6.0332.11.",
                              "6600.22.14", "6540025514", "5544.25.44"};
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 10; ++c)
                if (rows[r][c] != '.')
                    drawBlockAt(s, rows[r][c] - '0', 255 + c * 29, (14 + r) * 29);
        const int piece[4][2] = {{4, 5}, {5, 5}, {6, 5}, {5, 6}};
        for (const auto& p : piece)
            drawBlockAt(s, 2, 255 + p[0] * 29, p[1] * 29);
    }
    drawImage(s, "score.png", 25, 280);
    drawNumber(s, score, 280, 230);
    drawImage(s, "level.png", 25, 330);
    drawNumber(s, level, 330, 230);
    drawImage(s, "nextBlock.png", 600, 25);
    drawGridBack(s, kPreviewGrid);
    if (withGame) {
        const int next[4][2] = {{2, 2}, {3, 2}, {3, 3}, {4, 3}};
        for (const auto& p : next)
            drawBlockAt(s, 0, 585 + p[0] * 29, 60 + p[1] * 29);
    }
    if (withGame) {
        drawFruit(s, kGameGrid, 0, 300, 380, 1.0f, 20, 0.8f);
        drawFruit(s, kGameGrid, 1, 360, 395, 0.9f, -35, 0.95f);
        drawFruit(s, kGameGrid, 4, 420, 370, 0.7f, 60, 1.0f);
        drawFruit(s, kGameGrid, 6, 480, 400, 1.05f, -10, 0.6f);
        drawFruit(s, kGameGrid, 2, 520, 385, 0.5f, 120, 1.0f);
        drawFruit(s, kGameGrid, 5, 390, 420, 0.95f, 15, 0.7f);
        drawFruit(s, kGameGrid, 3, 270, 420, 0.8f, -50, 0.9f);
    }
    drawPipes(s);
    drawImage(s, "gumbolt.png", 15, 10);
    s.drawTransformed(pic("yingyang.png"), 0, 0, 20, 20, 400, 590, 20, 20, spinner, 10, 10, false);
    drawImage(s, "vantrel.png", 40, 400);
    drawImage(s, "keys.png", 590, 250);
    drawImage(s, "fmod.png", 30, 520);
    drawImage(s, "norvane.png", 620, 480);
}

// The frame of every overlay: a gradient panel ringed with blocks.
void drawBox(Canvas& s, int cols, int rows, int colour) {
    int W = cols * 29, H = rows * 29;
    int x0 = 400 - W / 2 + 15, y0 = 300 - H / 2 - 29;
    drawPanel(s, float(x0 - 15), float(y0 + 15), float(W), float(H));
    int x = x0, y = y0;
    auto put = [&] {
        drawBlockAt(s, colour, x, y);
        colour = (colour + 1) % 7;
    };
    for (int i = 0; i < cols; ++i)
        put(), x += 29;
    x -= 29;
    for (int i = 0; i < rows; ++i)
        y += 29, put();
    for (int i = 0; i < cols; ++i)
        x -= 29, put();
    for (int i = 0; i < rows; ++i)
        y -= 29, put();
}

void label(Canvas& c, const std::string& text, int x, int baseline, float size = 11.0f,
           Col col = hex(0xFFFFFF)) {
    TextOptions o;
    o.hinting = true;
    TextRun run = renderText(Face::Sans, text, size, o);
    c.fillMask(run.mask, int(std::lround(float(x) - run.originX)),
               int(std::lround(float(baseline) - run.originY)), solid(col));
}

void checker(Canvas& c, int x, int y, int w, int h) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            c.set(x + i, y + j, ((i / 8 + j / 8) % 2) ? hex(0x5E5E68) : hex(0x74747E));
}

void outline(Canvas& c, int x, int y, int w, int h, Col col) {
    for (int i = 0; i < w; ++i)
        c.over(x + i, y - 1, col), c.over(x + i, y + h, col);
    for (int j = -1; j <= h; ++j)
        c.over(x - 1, y + j, col), c.over(x + w, y + j, col);
}

struct Cells {
    int cw, ch, count;
};

Cells cellsOf(const std::string& file, int w, int h) {
    if (file == "fruits.png")
        return {64, 72, 7};
    if (file == "blockList.png")
        return {29, 29, 7};
    if (file == "lettersSmall.png")
        return {28, 31, 52};
    if (file == "numbers.png")
        return {24, 28, 10};
    if (file == "pipes.png")
        return {20, 20, 9};
    if (file == "paused.png")
        return {150, 44, 2};
    if (file == "start.png")
        return {190, 35, 2};
    if (file == "gameover.png")
        return {222, 46, 2};
    if (file == "exit.png")
        return {251, 40, 2};
    return {w, h, 1};
}

}  // namespace

Canvas makeContactSheet() {
    const int W = 1100;
    // Lay the pictures out in rows, then draw.
    struct Slot {
        const Picture* p;
        int x, y;
    };
    std::vector<Slot> slots;
    int x = 16, y = 40, rowH = 0;
    for (const Picture& p : catalogue()) {
        if (x + p.w + 16 > W)
            x = 16, y += rowH + 34, rowH = 0;
        slots.push_back({&p, x, y});
        x += std::max(p.w, 110) + 24;
        rowH = std::max(rowH, p.h);
    }
    int proofY = y + rowH + 50;
    int H = proofY + 330;
    Canvas c(W, H);
    c.fill(hex(0x1A0620));
    label(c, "Gumbolt pictures: every file of media/gfx on a checkerboard, cells outlined", 16, 22,
          14.0f, hex(0xFFE36A));
    for (const Slot& s : slots) {
        const Picture& p = *s.p;
        checker(c, s.x, s.y, p.w, p.h);
        c.draw(p.make(), s.x, s.y);
        Cells cl = cellsOf(p.file, p.w, p.h);
        int cols = p.w / cl.cw;
        for (int k = 0; k < cl.count; ++k)
            outline(c, s.x + (k % cols) * cl.cw, s.y + (k / cols) * cl.ch, cl.cw, cl.ch,
                    hex(0x40E0FF, 0.55f));
        label(c, p.file + "  " + std::to_string(p.w) + "x" + std::to_string(p.h), s.x,
              s.y + p.h + 16, 11.0f);
    }
    // Text proof: words drawn with the game's letter advances.
    label(c, "Bitmap text at the game's advances, on the panel picture and on the dark grid colour",
          16, proofY - 10, 14.0f, hex(0xFFE36A));
    drawPanel(c, 16, float(proofY), 520, 310);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 18; ++j)
            drawImage(c, "backTile.png", 560 + j * 29, proofY + i * 29 + 10);
    const char* words[] = {"Enter Your Name",           "Hi Scores",   "Player Quillon",
                           "Vantrel Tessary",           "Norvane Wim", "AaBbCcDdEeFfGgHhIiJjKkLlMm",
                           "NnOoPpQqRrSsTtUuVvWwXxYyZz"};
    for (int i = 0; i < 7; ++i) {
        drawString(c, words[i], 24, proofY + 6 + i * 34);
        if (i < 5)
            drawString(c, words[i], 570, proofY + 16 + i * 34);
    }
    drawNumber(c, 1234567890, proofY + 250, 1060);
    return c;
}

Canvas makePlayScreen() {
    Canvas s(800, 600);
    s.fill(hex(0x000000));
    drawScreen(s, true, "Tessary", 12345, 7, -30.0f);
    return s;
}

Canvas makeTitleScreen() {
    Canvas s(800, 600);
    s.fill(hex(0x000000));
    drawScreen(s, false, "Player", 0, 1, -75.0f);
    drawBox(s, 10, 16, 3);
    drawImage(s, "gumbolt.png", 287, 70);
    drawCell(s, "start.png", 190, 35, 0, 300, 260);
    drawString(s, "Hi Scores", 325, 300);
    const char* names[] = {"Quillon", "Vantrel", "Tessary", "Norvane", "Player"};
    const int scores[] = {48210, 31975, 12345, 8800, 960};
    for (int i = 0; i < 5; ++i) {
        drawString(s, names[i], 275, 340 + 30 * i);
        drawNumber(s, scores[i], 340 + 30 * i, 525);
    }
    return s;
}

Canvas makeNameEntryScreen() {
    Canvas s(800, 600);
    s.fill(hex(0x000000));
    drawScreen(s, false, "Wimbly", 0, 1, -140.0f);
    drawBox(s, 10, 10, 5);
    drawImage(s, "gumbolt.png", 287, 170);
    drawString(s, "Enter Your Name", 289, 340);
    int e = drawString(s, "Wimbly", 290, 380);
    drawBlockAt(s, (5 + 40) % 7, e + 2, 380);
    return s;
}

Canvas makeOverlays() {
    // The four remaining overlays, each cropped to its box, side by side.
    const int cropX = 230, cropY = 115, cropW = 336, cropH = 336;
    Canvas out(4 * cropW + 3 * 8, cropH);
    out.fill(hex(0x1A0620));
    for (int i = 0; i < 4; ++i) {
        Canvas s(800, 600);
        s.fill(hex(0x000000));
        drawScreen(s, false, "Tessary", 4200, 3, -20.0f);
        drawBox(s, 10, 10, i * 2);
        drawImage(s, "gumbolt.png", 287, 170);
        switch (i) {
            case 0:
                drawCell(s, "paused.png", 150, 44, 0, 325, 360);
                break;
            case 1:
                drawCell(s, "gameover.png", 222, 46, 1, 289, 360);
                break;
            case 2:
                drawCell(s, "exit.png", 251, 40, 0, 274, 360);
                break;
            default:
                drawImage(s, "levelup.png", 334, 360);
                drawNumber(s, 12, 360, 460);
        }
        out.draw(s.crop(cropX, cropY, cropW, cropH), i * (cropW + 8), 0);
    }
    return out;
}

// Draws the cherries of the fruit sheet at the icon's scale k. Where they come out smaller
// than in the sheet they are drawn four times larger and averaged down, so the small icons
// show them smooth instead of with the gaps of a minified bilinear read.
void drawIconFruit(Canvas& c, float k) {
    const Canvas fruit = pic("fruits.png").crop(0, 0, 64, 72);
    const int n = 104 * k < 64 ? 4 : 1;
    if (n == 1) {
        c.drawTransformed(fruit, 0, 0, 64, 72, 196 * k, 186 * k, 104 * k, 117 * k, 12, 32, 36,
                          false);
        return;
    }
    Canvas big(c.w * n, c.h * n);
    big.drawTransformed(fruit, 0, 0, 64, 72, 196 * k * n, 186 * k * n, 104 * k * n, 117 * k * n, 12,
                        32, 36, false);
    Canvas small(c.w, c.h);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            Col sum;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i)
                    sum = sum + big.get(x * n + i, y * n + j);
            small.set(x, y, sum * (1.0f / float(n * n)));
        }
    c.draw(small, 0, 0);
}

Canvas makeIcon(int size) {
    // Designed at 256 pixels; k scales every length, so each size is drawn, not resampled.
    const float k = float(size) / 256.0f;
    Canvas c(size, size);
    Mask tile = sdfMask(size, size, [k](float x, float y) {
        return sdBox(x, y, 128 * k, 128 * k, 120 * k, 120 * k, 44 * k);
    });
    dropShadow(c, tile, 0, 0, 2 * k, 4 * k, 4 * k, 0.5f, hex(0x100014));
    c.fillMask(tile, 0, 0, linear(20 * k, 20 * k, hex(0x5A1664), 236 * k, 236 * k, hex(0x22062A)));
    bevel(c, tile, 0, 0, 4.0f * k, 1.2f, 1.0f, hex(0x000000));
    // A T piece of four glossy blocks.
    const int bs = int(std::lround(62 * k));
    const int left = int(std::lround(35 * k)), top = int(std::lround(62 * k));
    const int cells[4][2] = {{0, 0}, {1, 0}, {2, 0}, {1, 1}};
    const int kinds[4] = {0, 2, 4, 6};
    for (int i = 0; i < 4; ++i)
        drawCandyBlock(c, left + cells[i][0] * bs, top + cells[i][1] * bs, bs,
                       blockColour(kinds[i]));
    // Cherries on the right.
    drawIconFruit(c, k);
    return c;
}

bool writeDocs(const std::string& dir) {
    return writePng(makeContactSheet(), dir + "/contact-sheet.png") &&
           writePng(makePlayScreen(), dir + "/play-screen.png") &&
           writePng(makeTitleScreen(), dir + "/title-screen.png") &&
           writePng(makeNameEntryScreen(), dir + "/name-entry.png") &&
           writePng(makeOverlays(), dir + "/overlays.png");
}

}  // namespace gfx
