// Checks on the drawing core: compositing arithmetic, shapes, mask filters,
// the affine drawing used by the mock-ups, PNG conversion and text layout.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <png.h>

#include "canvas.h"
#include "text.h"
#include "wordart.h"

using namespace gfx;

namespace {

bool near(double a, double b, double tol) {
    return a - b <= tol && b - a <= tol;
}

double total(const Mask& m) {
    double s = 0;
    for (float v : m.v)
        s += v;
    return s;
}

TEST(Canvas, Compositing) {
    Canvas c(1, 1);
    c.set(0, 0, hex(0x0000FF));
    c.over(0, 0, rgbf(1, 0, 0, 0.25f));
    Col p = c.get(0, 0);
    EXPECT_TRUE(near(p.r, 0.25, 1e-6) && near(p.b, 0.75, 1e-6) && near(p.a, 1.0, 1e-6))
        << "source-over of premultiplied colours";
    Canvas e(1, 1);
    e.over(0, 0, rgbf(0, 1, 0, 0.5f));
    e.over(0, 0, rgbf(0, 1, 0, 0.5f));
    EXPECT_TRUE(near(e.get(0, 0).a, 0.75, 1e-6)) << "alpha accumulates as 1 - (1 - a)^2";
    Col m = mix(rgbf(1, 0, 0, 1), rgbf(0, 0, 1, 0), 0.5f);
    EXPECT_TRUE(near(m.a, 0.5, 1e-6) && near(m.r / m.a, 1.0, 1e-5) && near(m.b, 0.0, 1e-6))
        << "mixing towards a transparent colour keeps the visible hue";
    EXPECT_TRUE(near(luma(hex(0xFFFFFF)), 1.0, 1e-3) && near(luma(hex(0x000000)), 0.0, 1e-6) &&
                luma(hex(0x00FF00)) > luma(hex(0xFF0000)) &&
                luma(hex(0xFF0000)) > luma(hex(0x0000FF)))
        << "lightness orders green, red, blue";
    EXPECT_TRUE(near(shade(hex(0x808080), 1.0f).r, 1.0, 1e-6) &&
                near(shade(hex(0x808080), -1.0f).g, 0.0, 1e-6))
        << "shade reaches white and black at its ends";
    Canvas clip(4, 1);
    clip.setClip(1, 0, 2, 1);
    for (int x = 0; x < 4; ++x)
        clip.over(x, 0, hex(0xFFFFFF));
    EXPECT_TRUE(clip.get(0, 0).a == 0 && clip.get(1, 0).a == 1 && clip.get(2, 0).a == 1 &&
                clip.get(3, 0).a == 0)
        << "drawing stays inside the clip rectangle";
}

TEST(Canvas, Shapes) {
    EXPECT_TRUE(near(sdCircle(13, 10, 10, 10, 2), 1.0, 1e-6) && sdCircle(10, 10, 10, 10, 2) < 0)
        << "circle distance";
    EXPECT_TRUE(near(sdBox(20, 10, 10, 10, 5, 5, 0), 5.0, 1e-6) &&
                near(sdBox(10, 10, 10, 10, 5, 3, 0), -3.0, 1e-6))
        << "box distance outside and inside";
    EXPECT_TRUE(near(sdBox(15, 15, 10, 10, 5, 5, 2), std::sqrt(8.0) - 2.0, 1e-5))
        << "rounded box corner distance";
    EXPECT_TRUE(near(sdEllipse(16, 10, 10, 10, 6, 3), 0.0, 1e-4) &&
                near(sdEllipse(10, 13, 10, 10, 6, 3), 0.0, 1e-4) &&
                sdEllipse(10, 10, 10, 10, 6, 3) < 0)
        << "ellipse passes through its axis ends";
    EXPECT_TRUE(near(sdSegment(5, 3, 0, 0, 10, 0, 1), 2.0, 1e-6) &&
                near(sdSegment(-3, 0, 0, 0, 10, 0, 0), 3.0, 1e-6))
        << "capsule distance beside and beyond its ends";
    // A concave L shape: the notch is outside.
    std::vector<std::pair<float, float>> ell = {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}};
    EXPECT_TRUE(sdPolygon(2, 2, ell) < 0 && sdPolygon(8, 8, ell) > 0 &&
                near(sdPolygon(7, 7, ell), 3.0, 1e-5))
        << "polygon distance with a concave corner";
    EXPECT_TRUE(near(sdBezier(5, 0, 0, 0, 5, 0, 10, 0, 0.5f), -0.5, 1e-4) &&
                sdBezier(5, 6, 0, 0, 5, 10, 10, 0, 0) > 0)
        << "curve stroke distance";
    Mask disc = sdfMask(40, 40, [](float x, float y) { return sdCircle(x, y, 20, 20, 10); });
    EXPECT_TRUE(near(total(disc), 3.14159 * 100, 3.0)) << "anti-aliased disc covers its area";
    EXPECT_TRUE(disc.at(20, 20) == 1.0f && disc.at(0, 0) == 0.0f && disc.at(29, 20) > 0.3f &&
                disc.at(29, 20) < 1.0f)
        << "disc is solid inside, empty outside and soft at its edge";
}

TEST(Canvas, MaskFilters) {
    Mask dot(21, 21);
    dot.ref(10, 10) = 1.0f;
    Mask b = blur(dot, 2.0f);
    EXPECT_TRUE(near(total(b), 1.0, 1e-3)) << "blur keeps the total coverage";
    EXPECT_TRUE(b.at(10, 10) > b.at(12, 10) && near(b.at(8, 10), b.at(12, 10), 1e-6) &&
                near(b.at(10, 7), b.at(13, 10), 1e-6))
        << "blur spreads evenly in every direction";
    Mask sq = sdfMask(30, 30, [](float x, float y) { return sdBox(x, y, 15, 15, 6, 6, 0); });
    Mask grown = dilate(sq, 2.0f), shrunk = erode(sq, 2.0f);
    EXPECT_TRUE(near(total(grown), 16.0 * 16.0, 8.0) && near(total(shrunk), 8.0 * 8.0, 4.0))
        << "dilate and erode move the edge by their radius";
    EXPECT_TRUE(total(subtract(grown, sq)) > 0 && near(total(subtract(sq, grown)), 0.0, 1e-6))
        << "the grown square contains the square";
    Mask full(5, 5);
    for (float& v : full.v)
        v = 1.0f;
    EXPECT_TRUE(erode(full, 1.0f).at(0, 2) < 0.5f && erode(full, 1.0f).at(2, 2) == 1.0f)
        << "erosion also works from the mask border";
    EXPECT_TRUE(pad(sq, 3).w == 36 && pad(sq, 3).at(18, 18) == 1.0f)
        << "padding keeps the content centred";
    EXPECT_TRUE(near(dot.sample(10.5f, 10.5f), 1.0, 1e-6) &&
                near(dot.sample(11.0f, 10.5f), 0.5, 1e-6))
        << "bilinear mask sampling";
}

TEST(Canvas, TransformedDrawing) {
    Canvas src(4, 2);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            src.set(x, y, rgbf(float(x) / 3.0f, float(y), 0.5f));
    Canvas same(4, 2);
    same.drawTransformed(src, 0, 0, 4, 2, 0, 0, 4, 2, 0, 0, 0, false);
    bool identical = true;
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            identical = identical && near(same.get(x, y).r, src.get(x, y).r, 1e-5) &&
                        near(same.get(x, y).a, 1.0, 1e-5);
    EXPECT_TRUE(identical) << "drawing without rotation or scale copies the pixels";
    Canvas big(8, 4);
    big.drawTransformed(src, 0, 0, 4, 2, 0, 0, 8, 4, 0, 0, 0, false);
    EXPECT_TRUE(big.get(7, 3).a > 0.99f && big.get(0, 0).a > 0.99f && big.get(7, 3).r > 0.9f)
        << "stretching fills the larger rectangle";
    // A quarter turn about the handle (2, 1) placed at (10, 10): the source's
    // right end lands below the handle (clockwise on screen).
    Canvas turned(20, 20);
    turned.drawTransformed(src, 0, 0, 4, 2, 10, 10, 4, 2, 90, 2, 1, false);
    EXPECT_TRUE(turned.get(10, 11).a > 0.9f && turned.get(12, 10).a < 0.1f &&
                turned.get(9, 11).r > turned.get(9, 8).r)
        << "a positive angle turns the picture clockwise about its handle";
    Canvas lit(1, 1);
    lit.set(0, 0, rgbf(0.5f, 0, 0));
    Canvas one(1, 1);
    one.set(0, 0, rgbf(0.25f, 0.5f, 0));
    lit.drawTransformed(one, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, true, 0.5f);
    EXPECT_TRUE(near(lit.get(0, 0).r, 0.625, 1e-3) && near(lit.get(0, 0).g, 0.25, 1e-3))
        << "additive drawing adds the faded light";
}

TEST(Canvas, PngConversion) {
    Canvas c(3, 1);
    c.set(0, 0, rgbf(1, 0, 0, 128.0f / 255.0f));  // premultiplied internally
    c.set(2, 0, rgbf(0, 1, 0, 1));
    Canvas back;
    EXPECT_TRUE(decodePng(encodePng(c), back)) << "encoded PNG decodes";
    Col a = back.get(0, 0), gap = back.get(1, 0);
    EXPECT_TRUE(near(a.a * 255, 128, 0.01) && near(a.r / a.a, 1.0, 1e-3))
        << "half-transparent red is stored as straight red, alpha 128";
    EXPECT_TRUE(gap.a == 0.0f) << "a transparent pixel stays transparent";
    // The hidden colour of that transparent pixel comes from its visible
    // neighbours, so filtered drawing shows no dark fringe: read the raw
    // straight-alpha bytes through libpng's simplified reader.
    std::vector<uint8_t> bytes = encodePng(c);
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> raw;
    if (png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) {
        img.format = PNG_FORMAT_RGBA;
        raw.resize(PNG_IMAGE_SIZE(img));
        png_image_finish_read(&img, nullptr, raw.data(), 0, nullptr);
    }
    EXPECT_TRUE(raw.size() == 12 && raw[7] == 0 && near(raw[4], 85, 2) && near(raw[5], 170, 2) &&
                raw[6] == 0)
        << "a transparent pixel carries its neighbours' colour";
}

TEST(Canvas, Text) {
    TextRun wide = renderText(Face::Sans, "Mm", 20.0f), narrow;
    TextOptions half;
    half.scaleX = 0.5f;
    narrow = renderText(Face::Sans, "Mm", 20.0f, half);
    EXPECT_TRUE(wide.inkW() > 20 && near(narrow.inkW(), wide.inkW() * 0.5, 2.0))
        << "squeezing halves the ink width";
    EXPECT_TRUE(near(narrow.advance, wide.advance * 0.5, 1.0))
        << "squeezing halves the pen advance";
    EXPECT_TRUE(wide.inkH() == narrow.inkH()) << "squeezing keeps the height";
    TextRun x = renderText(Face::Sans, "x", 20.0f), xx = renderText(Face::Sans, "xx", 20.0f);
    EXPECT_TRUE(near(xx.advance, 2 * x.advance, 0.01)) << "pen advances add up along a run";
    TextRun base = renderText(Face::Sans, "x", 20.0f);
    EXPECT_TRUE(near(base.originY - float(base.inkY1), 0.0, 1.0)) << "x sits on the baseline";
    TextRun g = renderText(Face::Sans, "g", 20.0f);
    EXPECT_TRUE(float(g.inkY1) - g.originY > 2.0f) << "g descends below the baseline";
    TextRun arrow = renderText(Face::Sans, "\xE2\x86\x90", 20.0f);  // U+2190 leftwards arrow
    EXPECT_TRUE(arrow.inkW() > 5) << "UTF-8 text is decoded";
    TextOptions bold;
    bold.embolden = 1.5f;
    EXPECT_TRUE(total(renderText(Face::Sans, "l", 20.0f, bold).mask) >
                total(renderText(Face::Sans, "l", 20.0f).mask) * 1.2)
        << "emboldening adds weight";
    // Fitting words into fixed pictures.
    Canvas fit = candyWord(60, 20, Face::Display, "A rather long label", styleLemon(), 40.0f);
    Box b = inkBox(fit);
    EXPECT_TRUE(fit.w == 60 && fit.h == 20 && !b.empty() && b.x0 >= 0 && b.x1 <= 60 && b.y1 <= 20)
        << "a long word is shrunk into its picture";
    Canvas small = candyWord(200, 40, Face::Display, "Hi", styleLemon(), 30.0f);
    Box sb = inkBox(small);
    EXPECT_TRUE(near((sb.x0 + sb.x1) / 2.0, 100, 2) && near((sb.y0 + sb.y1) / 2.0, 20, 2))
        << "a short word is centred in its picture";
}

}  // namespace
