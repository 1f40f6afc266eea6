// Checks on the generated pictures: the properties the game relies on (sizes,
// cell layouts, letters inside their advances, empty spare cells) and the art
// rules that are easy to break by accident (distinct block lightness, pipes
// that join, bright fruit, deterministic PNG bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "catalogue.h"
#include "docs.h"

using namespace gfx;

namespace {

const Canvas& picture(const std::string& file) {
    static std::map<std::string, Canvas> cache;
    auto it = cache.find(file);
    if (it == cache.end())
        it = cache.emplace(file, findPicture(file)->make()).first;
    return it->second;
}

// Alpha as the PNG stores it.
int alpha8(const Canvas& c, int x, int y) {
    return int(std::lround(clampf(c.get(x, y).a) * 255.0f));
}

bool regionEmpty(const Canvas& c, int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (alpha8(c, x, y) != 0)
                return false;
    return true;
}

int inkCount(const Canvas& c, int x0, int y0, int w, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += alpha8(c, x, y) > 128;
    return n;
}

TEST(Pictures, Catalogue) {
    const auto& cat = catalogue();
    EXPECT_TRUE(cat.size() == 25) << "the catalogue lists 25 distinct files";
    std::set<std::string> names;
    for (const Picture& p : cat) {
        names.insert(p.file);
        const Canvas& c = picture(p.file);
        EXPECT_TRUE(c.w == p.w && c.h == p.h) << p.file + " has its catalogue size";
        bool someTransparent = false;
        for (const Col& px : c.px)
            someTransparent = someTransparent || px.a < 254.5f / 255.0f;
        EXPECT_TRUE(someTransparent) << p.file + " uses its alpha channel";
        EXPECT_TRUE(inkCount(c, 0, 0, c.w, c.h) > 0) << p.file + " shows something";
    }
    EXPECT_TRUE(names.size() == cat.size()) << "file names are unique";
}

TEST(Pictures, Png) {
    const Canvas& c = picture("yingyang.png");
    std::vector<uint8_t> a = encodePng(c), b = encodePng(c);
    EXPECT_TRUE(!a.empty() && a == b) << "PNG encoding is deterministic";
    // Only IHDR, IDAT and IEND chunks; 8-bit RGBA, not interlaced.
    std::vector<std::string> chunks;
    for (size_t pos = 8; pos + 8 <= a.size();) {
        uint32_t len = (uint32_t(a[pos]) << 24) | (uint32_t(a[pos + 1]) << 16) |
                       (uint32_t(a[pos + 2]) << 8) | a[pos + 3];
        chunks.emplace_back(reinterpret_cast<const char*>(&a[pos + 4]), 4);
        pos += 12 + len;
    }
    bool onlyImageChunks = !chunks.empty() && chunks.front() == "IHDR" && chunks.back() == "IEND";
    for (const std::string& ch : chunks)
        onlyImageChunks = onlyImageChunks && (ch == "IHDR" || ch == "IDAT" || ch == "IEND");
    EXPECT_TRUE(onlyImageChunks) << "PNG holds only IHDR, IDAT and IEND";
    EXPECT_TRUE(a.size() > 28 && a[24] == 8 && a[25] == 6 && a[28] == 0)
        << "PNG is 8-bit RGBA, non-interlaced";
    Canvas back;
    EXPECT_TRUE(decodePng(a, back) && back.w == c.w && back.h == c.h)
        << "PNG decodes to the same size";
    bool same = true;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            same = same && alpha8(back, x, y) == alpha8(c, x, y);
    EXPECT_TRUE(same) << "PNG keeps the alpha channel";
}

TEST(Pictures, Letters) {
    const Canvas& c = picture("lettersSmall.png");
    for (int k = 0; k < 52; ++k) {
        char ch = (k % 2 == 0) ? char('A' + k / 2) : char('a' + k / 2);
        int cx = (k % kLetterCols) * kLetterCellW, cy = (k / kLetterCols) * kLetterCellH;
        int adv = letterAdvance(ch);
        EXPECT_TRUE(regionEmpty(c, cx + adv, cy, kLetterCellW - adv, kLetterCellH))
            << std::string("letter ") + ch + " keeps its ink inside its advance of " +
                   std::to_string(adv);
        EXPECT_TRUE(inkCount(c, cx, cy, kLetterCellW, kLetterCellH) > 20)
            << std::string("letter ") + ch + " is drawn";
        // Starts at the left edge of its cell: at most a few pixels of bearing.
        EXPECT_TRUE(!regionEmpty(c, cx, cy, std::min(adv, 4), kLetterCellH))
            << std::string("letter ") + ch + " sits at the left of its cell";
    }
    for (int k = 52; k < 56; ++k)
        EXPECT_TRUE(regionEmpty(c, (k % 8) * kLetterCellW, (k / 8) * kLetterCellH, kLetterCellW,
                                kLetterCellH))
            << "spare letter cell " + std::to_string(k) + " is empty";
    EXPECT_TRUE(regionEmpty(c, 224, 0, 1, 224)) << "column right of the letter cells is empty";
    EXPECT_TRUE(letterAdvance('W') + letterAdvance('i') + letterAdvance('m') == 54 &&
                letterAdvance(' ') == 16 && letterAdvance('A') + letterAdvance('b') == 30 &&
                letterAdvance('1') == 0)
        << "letter advances follow the game's table";
}

TEST(Pictures, Digits) {
    const Canvas& c = picture("numbers.png");
    for (int d = 0; d < 10; ++d)
        EXPECT_TRUE(inkCount(c, d * kDigitCellW, 0, kDigitCellW, kDigitCellH) > 40)
            << "digit " + std::to_string(d) + " is drawn";
    EXPECT_TRUE(regionEmpty(c, 10 * kDigitCellW, 0, 290 - 10 * kDigitCellW, 28))
        << "the space after digit 9 is empty";
    // Digits of one number should look alike in size: compare ink heights.
    int minH = 99, maxH = 0;
    for (int d = 0; d < 10; ++d) {
        int top = -1, bottom = -1;
        for (int y = 0; y < kDigitCellH; ++y)
            if (inkCount(c, d * kDigitCellW, y, kDigitCellW, 1) > 0)
                bottom = y, top = top < 0 ? y : top;
        minH = std::min(minH, bottom - top), maxH = std::max(maxH, bottom - top);
    }
    EXPECT_TRUE(maxH - minH <= 3 && minH >= 18) << "digits share one height and fill their cells";
}

TEST(Pictures, BlocksAndTile) {
    const Canvas& b = picture("blockList.png");
    float light[kBlockKinds];
    for (int k = 0; k < kBlockKinds; ++k) {
        Col sum{};
        float n = 0;
        for (int y = 0; y < kBlockSize; ++y)
            for (int x = 0; x < kBlockSize; ++x)
                sum = sum + b.get(k * kBlockSize + x, y), n += 1;
        light[k] = luma(sum * (1.0f / n));
        EXPECT_TRUE(alpha8(b, k * kBlockSize, 0) == 0 && alpha8(b, k * kBlockSize + 28, 28) == 0)
            << "block " + std::to_string(k) + " has rounded corners that separate neighbours";
    }
    float minGap = 1.0f;
    for (int i = 0; i < kBlockKinds; ++i)
        for (int j = i + 1; j < kBlockKinds; ++j)
            minGap = std::min(minGap, std::fabs(light[i] - light[j]));
    EXPECT_TRUE(minGap >= 0.04f) << "the seven blocks differ in lightness (smallest gap " +
                                        std::to_string(minGap) + ")";

    const Canvas& t = picture("backTile.png");
    float tileMax = 0;
    for (const Col& p : t.px)
        tileMax = std::max(tileMax, luma(p));
    float blockMin = *std::min_element(light, light + kBlockKinds);
    EXPECT_TRUE(tileMax + 0.15f < blockMin) << "the background tile stays darker than every block";
    // Repeats without a visible jump: opposite edges are close in colour
    // once the one-pixel groove is set aside.
    float jump = 0;
    for (int i = 2; i < 27; ++i) {
        jump = std::max(jump, std::fabs(luma(t.get(i, 2)) - luma(t.get(i, 26))));
        jump = std::max(jump, std::fabs(luma(t.get(2, i)) - luma(t.get(26, i))));
    }
    EXPECT_TRUE(jump < 0.05f) << "the background tile repeats seamlessly";
}

TEST(Pictures, Fruits) {
    const Canvas& f = picture("fruits.png");
    EXPECT_TRUE(regionEmpty(f, 448, 0, 14, 72))
        << "the last 14 columns of the fruit sheet are empty";
    for (int k = 0; k < kFruitKinds; ++k) {
        double sx = 0, sy = 0, n = 0, bright = 0;
        for (int y = 0; y < kFruitCellH; ++y)
            for (int x = 0; x < kFruitCellW; ++x) {
                Col p = f.get(k * kFruitCellW + x, y);
                if (p.a < 0.5f)
                    continue;
                sx += x, sy += y, n += 1, bright += luma(p);
            }
        std::string name = "fruit " + std::to_string(k);
        EXPECT_TRUE(n > 600) << name + " is drawn";
        EXPECT_TRUE(std::fabs(sx / n - 32) < 6 && std::fabs(sy / n - 36) < 8)
            << name + " is centred in its cell";
        EXPECT_TRUE(bright / n > 0.5) << name + " is bright enough to glow";
        EXPECT_TRUE(regionEmpty(f, k * kFruitCellW, 0, 1, kFruitCellH))
            << name + " does not touch its cell's left edge";
    }
}

// Alpha profile across the tube at one edge of a pipe cell.
std::vector<int> edgeProfile(const Canvas& p, int cell, char edge) {
    int cx = (cell % 3) * kPipeCell, cy = (cell / 3) * kPipeCell;
    std::vector<int> out;
    for (int i = 0; i < kPipeCell; ++i) {
        int x = edge == 'l' ? cx : edge == 'r' ? cx + kPipeCell - 1 : cx + i;
        int y = edge == 't' ? cy : edge == 'b' ? cy + kPipeCell - 1 : cy + i;
        out.push_back(alpha8(p, x, y));
    }
    return out;
}

// A joint may carry a coupling ring slightly wider than the tube, but it
// must sit on the same centre line with about the same width.
bool profilesMatch(const std::vector<int>& a, const std::vector<int>& b) {
    double ma = 0, mb = 0, sa = 0, sb = 0;
    for (size_t i = 0; i < a.size(); ++i)
        ma += double(i) * a[i], sa += a[i], mb += double(i) * b[i], sb += b[i];
    if (sa <= 0 || sb <= 0)
        return false;
    return std::fabs(ma / sa - mb / sb) < 0.5 && std::fabs(sa - sb) / 255.0 < 3.0;
}

TEST(Pictures, Pipes) {
    const Canvas& p = picture("pipes.png");
    // Straight pieces repeat without a jump in colour.
    float worst = 0, inside = 0;
    for (int y = 0; y < kPipeCell; ++y) {
        Col a = p.get(kPipeCell + 19, y), b = p.get(kPipeCell, y);
        worst = std::max(worst, std::fabs(luma(a) - luma(b)));
        for (int x = 0; x < 19; ++x)
            inside = std::max(inside, std::fabs(luma(p.get(kPipeCell + x, y)) -
                                                luma(p.get(kPipeCell + x + 1, y))));
    }
    EXPECT_TRUE(worst <= inside + 0.02f) << "the horizontal pipe repeats seamlessly";
    worst = 0, inside = 0;
    for (int x = 0; x < kPipeCell; ++x) {
        worst =
            std::max(worst, std::fabs(luma(p.get(x, kPipeCell + 19)) - luma(p.get(x, kPipeCell))));
        for (int y = 0; y < 19; ++y)
            inside = std::max(inside, std::fabs(luma(p.get(x, kPipeCell + y)) -
                                                luma(p.get(x, kPipeCell + y + 1))));
    }
    EXPECT_TRUE(worst <= inside + 0.02f) << "the vertical pipe repeats seamlessly";
    // Every joint has the tube's outline: the ends match the straight pieces.
    const auto hEnd = edgeProfile(p, 1, 'l'), vEnd = edgeProfile(p, 3, 't');
    EXPECT_TRUE(profilesMatch(edgeProfile(p, 0, 'r'), hEnd) &&
                profilesMatch(edgeProfile(p, 0, 'b'), vEnd))
        << "corner 0 joins right and down";
    EXPECT_TRUE(profilesMatch(edgeProfile(p, 2, 'l'), hEnd) &&
                profilesMatch(edgeProfile(p, 2, 'b'), vEnd))
        << "corner 2 joins left and down";
    EXPECT_TRUE(profilesMatch(edgeProfile(p, 6, 'r'), hEnd) &&
                profilesMatch(edgeProfile(p, 6, 't'), vEnd))
        << "corner 6 joins up and right";
    EXPECT_TRUE(profilesMatch(edgeProfile(p, 8, 'l'), hEnd) &&
                profilesMatch(edgeProfile(p, 8, 't'), vEnd))
        << "corner 8 joins up and left";
    EXPECT_TRUE(profilesMatch(edgeProfile(p, 7, 'l'), hEnd) &&
                profilesMatch(edgeProfile(p, 7, 'r'), hEnd) &&
                profilesMatch(edgeProfile(p, 7, 't'), vEnd))
        << "cell 7 joins left, right and up";
    EXPECT_TRUE(regionEmpty(p, 0, 0, 20, 1) && regionEmpty(p, 0, 0, 1, 20))
        << "corner 0 leaves its outer edges open";
    EXPECT_TRUE(regionEmpty(p, 4 * 0 + 20, 20, 40, 20)) << "cells 4 and 5 are unused and empty";
    EXPECT_TRUE(regionEmpty(p, 60, 0, 1, 60)) << "the spare column of the pipe sheet is empty";
}

TEST(Pictures, Strips) {
    struct Strip {
        const char* file;
        int cw, ch;
    };
    for (const Strip& s : {Strip{"paused.png", 150, 44}, Strip{"start.png", 190, 35},
                           Strip{"gameover.png", 222, 46}, Strip{"exit.png", 251, 40}}) {
        const Canvas& c = picture(s.file);
        std::string n = s.file;
        EXPECT_TRUE(inkCount(c, 0, 0, s.cw, s.ch) > 200 && inkCount(c, s.cw, 0, s.cw, s.ch) > 200)
            << n + " has two frames";
        EXPECT_TRUE(regionEmpty(c, 2 * s.cw, 0, c.w - 2 * s.cw, c.h))
            << n + " is empty right of its two frames";
        bool differ = false;
        for (int y = 0; y < s.ch && !differ; ++y)
            for (int x = 0; x < s.cw && !differ; ++x) {
                Col a = c.get(x, y), b = c.get(x + s.cw, y);
                differ = std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b) > 0.3f;
            }
        EXPECT_TRUE(differ) << n + " blinks between two colourways";
        for (int f = 0; f < 2; ++f)
            EXPECT_TRUE(regionEmpty(c, f * s.cw, 0, 1, s.ch) &&
                        regionEmpty(c, f * s.cw + s.cw - 1, 0, 1, s.ch) &&
                        regionEmpty(c, f * s.cw, 0, s.cw, 1))
                << n + " frame " + std::to_string(f) + " is not cut off at its cell edges";
    }
}

TEST(Pictures, Docs) {
    for (int size : kIconSizes) {
        Canvas icon = makeIcon(size);
        const std::string n = "the " + std::to_string(size) + " pixel icon";
        EXPECT_TRUE(icon.w == size && icon.h == size &&
                    encodePng(icon) == encodePng(makeIcon(size)))
            << n + " has its size and is deterministic";
        // A rounded tile with transparent corners, opaque in the middle.
        EXPECT_TRUE(icon.get(0, 0).a < 0.05f && icon.get(size / 2, size / 2).a > 0.99f)
            << n + " is a rounded tile";
        // The cherries are drawn at every size: bright red somewhere in their corner.
        bool red = false;
        for (int y = size * 5 / 8; y < size && !red; ++y)
            for (int x = size * 5 / 8; x < size && !red; ++x) {
                Col p = icon.get(x, y);
                red = p.a > 0.9f && p.r > 0.6f && p.r > 2 * p.g && p.r > 2 * p.b;
            }
        EXPECT_TRUE(red) << n + " shows the cherries";
    }
    Canvas screen = makePlayScreen();
    EXPECT_TRUE(screen.w == 800 && screen.h == 600) << "the play-screen mock-up is 800 x 600";
}

}  // namespace
