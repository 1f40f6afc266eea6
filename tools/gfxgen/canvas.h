// Float RGBA canvas, coverage masks and signed-distance shapes: the drawing
// core that every picture of the generator is built from.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gfx {

// A colour with premultiplied alpha, components 0..1 in display (sRGB) space.
struct Col {
    float r = 0, g = 0, b = 0, a = 0;
};

Col operator+(Col x, Col y);
Col operator*(Col x, float k);

// Opaque colour from 0xRRGGBB, optionally with an alpha (premultiplied here).
Col hex(uint32_t rgb, float alpha = 1.0f);
Col rgbf(float r, float g, float b, float alpha = 1.0f);
// Straight-alpha interpolation between two colours.
Col mix(Col x, Col y, float t);
// Moves the colour towards white (k > 0) or black (k < 0), keeping alpha.
Col shade(Col c, float k);
float luma(Col c);

float clampf(float v, float lo = 0.0f, float hi = 1.0f);
float smoothstep(float e0, float e1, float x);

// Coverage (0..1) per pixel.
struct Mask {
    int w = 0, h = 0;
    std::vector<float> v;
    Mask() = default;
    Mask(int width, int height);
    float at(int x, int y) const;
    float& ref(int x, int y) { return v[size_t(y) * size_t(w) + size_t(x)]; }
    // Bilinear read at a real position (pixel centres at +0.5).
    float sample(float x, float y) const;
};

using Sdf = std::function<float(float, float)>;  // signed distance in pixels, negative inside
using Paint = std::function<Col(float, float)>;  // premultiplied colour at a point

Paint solid(Col c);
// Linear gradient from c0 at (x0,y0) to c1 at (x1,y1).
Paint linear(float x0, float y0, Col c0, float x1, float y1, Col c1);
// Multi-stop vertical gradient between y0 and y1.
Paint vgrad(float y0, float y1, const std::vector<Col>& stops);

class Canvas {
  public:
    int w = 0, h = 0;
    std::vector<Col> px;
    // Clip rectangle for over() and add(); the whole canvas when empty.
    int clipX0 = 0, clipY0 = 0, clipX1 = -1, clipY1 = -1;

    Canvas() = default;
    Canvas(int width, int height);

    void setClip(int x, int y, int cw, int ch) {
        clipX0 = x, clipY0 = y, clipX1 = x + cw, clipY1 = y + ch;
    }
    void resetClip() { clipX0 = clipY0 = 0, clipX1 = clipY1 = -1; }
    bool clipped(int x, int y) const {
        return clipX1 >= 0 && (x < clipX0 || y < clipY0 || x >= clipX1 || y >= clipY1);
    }
    Col get(int x, int y) const;
    void set(int x, int y, Col c);
    // Source-over compositing of a premultiplied colour.
    void over(int x, int y, Col c);
    void add(int x, int y, Col c);
    void fill(Col c);

    // Paints the mask (placed with its top-left at ox, oy) with the paint.
    void fillMask(const Mask& m, int ox, int oy, const Paint& p, float opacity = 1.0f);
    void fillSdf(const Sdf& d, const Paint& p, float opacity = 1.0f);
    // Draws another canvas with its top-left at (dx, dy), whole pixels.
    void draw(const Canvas& src, int dx, int dy, float opacity = 1.0f);
    // Draws the source rectangle (sx, sy, sw, sh) of another canvas scaled
    // to dw x dh and turned by angleDeg (clockwise on screen) about its
    // handle (handleX, handleY, in source pixels), which lands on (x, y);
    // bilinear sampling, optionally added as light instead of blended.
    void drawTransformed(const Canvas& src, int sx, int sy, int sw, int sh, float x, float y,
                         float dw, float dh, float angleDeg, float handleX, float handleY,
                         bool additive, float alpha = 1.0f);
    Canvas crop(int x, int y, int cw, int ch) const;
    Mask alpha() const;
};

// Anti-aliased coverage of a signed-distance shape over a w x h area.
Mask sdfMask(int w, int h, const Sdf& d, float soft = 1.0f);

Mask blur(const Mask& m, float sigma);
// Grows (r > 0) the coverage by r pixels, anti-aliased.
Mask dilate(const Mask& m, float r);
Mask erode(const Mask& m, float r);
Mask pad(const Mask& m, int p);
Mask subtract(const Mask& a, const Mask& b);

// Top-left lit bevel: adds light on the upper-left slopes and shade on the
// lower-right slopes of the (blurred) mask.
void bevel(Canvas& c, const Mask& m, int ox, int oy, float sigma, float light, float dark,
           Col darkCol = Col{0, 0, 0, 1});
// Soft drop shadow of the mask.
void dropShadow(Canvas& c, const Mask& m, int ox, int oy, float dx, float dy, float sigma,
                float opacity, Col col = Col{0.08f, 0, 0.1f, 1});

// Signed-distance primitives.
float sdCircle(float x, float y, float cx, float cy, float r);
float sdEllipse(float x, float y, float cx, float cy, float rx, float ry);
float sdBox(float x, float y, float cx, float cy, float hw, float hh, float radius);
float sdSegment(float x, float y, float ax, float ay, float bx, float by, float r);
float sdPolygon(float x, float y, const std::vector<std::pair<float, float>>& pts);
// Distance to a quadratic Bezier stroke of radius r (sampled).
float sdBezier(float x, float y, float ax, float ay, float bx, float by, float cx, float cy,
               float r);

// Sphere-like shading for a round sweet lit from the top-left.
Col sphereShade(Col base, float x, float y, float cx, float cy, float r, float specular = 0.8f);

// Writes an 8-bit RGBA non-interlaced PNG; returns false on failure.
bool writePng(const Canvas& c, const std::string& path);
// Encodes to memory (the same bytes writePng writes).
std::vector<uint8_t> encodePng(const Canvas& c);
// Decodes an 8-bit RGBA PNG produced by encodePng (for tests and docs).
bool decodePng(const std::vector<uint8_t>& bytes, Canvas& out);

}  // namespace gfx
