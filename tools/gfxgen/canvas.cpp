#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <png.h>

namespace gfx {

Col operator+(Col x, Col y) {
    return {x.r + y.r, x.g + y.g, x.b + y.b, x.a + y.a};
}
Col operator*(Col x, float k) {
    return {x.r * k, x.g * k, x.b * k, x.a * k};
}

Col hex(uint32_t rgb, float alpha) {
    return rgbf(float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f,
                float(rgb & 255) / 255.0f, alpha);
}

Col rgbf(float r, float g, float b, float alpha) {
    return {r * alpha, g * alpha, b * alpha, alpha};
}

namespace {
Col straight(Col c) {
    if (c.a <= 0.0f)
        return {0, 0, 0, 0};
    return {c.r / c.a, c.g / c.a, c.b / c.a, c.a};
}
}  // namespace

Col mix(Col x, Col y, float t) {
    Col sx = straight(x), sy = straight(y);
    if (x.a <= 0.0f)
        sx = {sy.r, sy.g, sy.b, 0};
    if (y.a <= 0.0f)
        sy = {sx.r, sx.g, sx.b, 0};
    float a = sx.a + (sy.a - sx.a) * t;
    return rgbf(sx.r + (sy.r - sx.r) * t, sx.g + (sy.g - sx.g) * t, sx.b + (sy.b - sx.b) * t, a);
}

Col shade(Col c, float k) {
    Col s = straight(c);
    if (k >= 0) {
        s.r += (1 - s.r) * k;
        s.g += (1 - s.g) * k;
        s.b += (1 - s.b) * k;
    } else {
        s.r *= 1 + k;
        s.g *= 1 + k;
        s.b *= 1 + k;
    }
    return rgbf(s.r, s.g, s.b, s.a);
}

float luma(Col c) {
    Col s = straight(c);
    auto lin = [](float v) {
        return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
    };
    float y = 0.2126f * lin(s.r) + 0.7152f * lin(s.g) + 0.0722f * lin(s.b);
    // CIE L* scaled to 0..1
    float l = y > 0.008856f ? 1.16f * std::cbrt(y) - 0.16f : 9.033f * y;
    return l;
}

float clampf(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

float smoothstep(float e0, float e1, float x) {
    float t = clampf((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Mask::Mask(int width, int height) : w(width), h(height), v(size_t(width) * size_t(height), 0.0f) {}

float Mask::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h)
        return 0.0f;
    return v[size_t(y) * size_t(w) + size_t(x)];
}

float Mask::sample(float x, float y) const {
    float fx = x - 0.5f, fy = y - 0.5f;
    int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    float tx = fx - float(x0), ty = fy - float(y0);
    float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * tx;
    float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * tx;
    return a + (b - a) * ty;
}

Paint solid(Col c) {
    return [c](float, float) { return c; };
}

Paint linear(float x0, float y0, Col c0, float x1, float y1, Col c1) {
    float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    return [=](float x, float y) {
        float t = clampf(((x - x0) * dx + (y - y0) * dy) / len2);
        return mix(c0, c1, t);
    };
}

Paint vgrad(float y0, float y1, const std::vector<Col>& stops) {
    return [=](float, float y) {
        float t = clampf((y - y0) / (y1 - y0)) * float(stops.size() - 1);
        size_t i = std::min(size_t(t), stops.size() - 2);
        return mix(stops[i], stops[i + 1], t - float(i));
    };
}

Canvas::Canvas(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height)) {}

Col Canvas::get(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h)
        return {};
    return px[size_t(y) * size_t(w) + size_t(x)];
}

void Canvas::set(int x, int y, Col c) {
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    px[size_t(y) * size_t(w) + size_t(x)] = c;
}

void Canvas::over(int x, int y, Col c) {
    if (x < 0 || y < 0 || x >= w || y >= h || c.a <= 0.0f || clipped(x, y))
        return;
    Col& d = px[size_t(y) * size_t(w) + size_t(x)];
    float k = 1.0f - c.a;
    d = {c.r + d.r * k, c.g + d.g * k, c.b + d.b * k, c.a + d.a * k};
}

void Canvas::add(int x, int y, Col c) {
    if (x < 0 || y < 0 || x >= w || y >= h || clipped(x, y))
        return;
    Col& d = px[size_t(y) * size_t(w) + size_t(x)];
    d = {std::min(1.0f, d.r + c.r), std::min(1.0f, d.g + c.g), std::min(1.0f, d.b + c.b),
         std::min(1.0f, d.a + c.a)};
}

void Canvas::fill(Col c) {
    std::fill(px.begin(), px.end(), c);
}

void Canvas::fillMask(const Mask& m, int ox, int oy, const Paint& p, float opacity) {
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float cov = m.v[size_t(y) * size_t(m.w) + size_t(x)] * opacity;
            if (cov <= 0.0f)
                continue;
            int tx = x + ox, ty = y + oy;
            if (tx < 0 || ty < 0 || tx >= w || ty >= h)
                continue;
            over(tx, ty, p(float(tx) + 0.5f, float(ty) + 0.5f) * cov);
        }
}

void Canvas::fillSdf(const Sdf& d, const Paint& p, float opacity) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
            float cov = clampf(0.5f - d(fx, fy)) * opacity;
            if (cov > 0.0f)
                over(x, y, p(fx, fy) * cov);
        }
}

void Canvas::draw(const Canvas& src, int dx, int dy, float opacity) {
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            over(x + dx, y + dy, src.px[size_t(y) * size_t(src.w) + size_t(x)] * opacity);
}

void Canvas::drawTransformed(const Canvas& src, int sx, int sy, int sw, int sh, float x, float y,
                             float dw, float dh, float angleDeg, float hx, float hy, bool additive,
                             float alpha) {
    const float kx = dw / float(sw), ky = dh / float(sh);
    const float rad = angleDeg * 3.14159265358979f / 180.0f;
    const float cs = std::cos(rad), sn = std::sin(rad);
    // Destination bounds from the four corners.
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    const float cornersX[4] = {-hx * kx, (float(sw) - hx) * kx, -hx * kx, (float(sw) - hx) * kx};
    const float cornersY[4] = {-hy * ky, -hy * ky, (float(sh) - hy) * ky, (float(sh) - hy) * ky};
    for (int i = 0; i < 4; ++i) {
        float X = cornersX[i] * cs - cornersY[i] * sn + x,
              Y = cornersX[i] * sn + cornersY[i] * cs + y;
        minX = std::min(minX, X), maxX = std::max(maxX, X), minY = std::min(minY, Y),
        maxY = std::max(maxY, Y);
    }
    int x0 = std::max(0, int(std::floor(minX)) - 1), x1 = std::min(w - 1, int(std::ceil(maxX)) + 1);
    int y0 = std::max(0, int(std::floor(minY)) - 1), y1 = std::min(h - 1, int(std::ceil(maxY)) + 1);
    // Texels clamp to the rectangle's edge; pixels whose centre falls
    // outside the rectangle are not drawn.
    auto texel = [&](int u, int v) -> Col {
        u = std::clamp(u, 0, sw - 1), v = std::clamp(v, 0, sh - 1);
        return src.get(sx + u, sy + v);
    };
    for (int Y = y0; Y <= y1; ++Y)
        for (int X = x0; X <= x1; ++X) {
            float px0 = float(X) + 0.5f - x, py0 = float(Y) + 0.5f - y;
            float u = (px0 * cs + py0 * sn) / kx + hx, v = (-px0 * sn + py0 * cs) / ky + hy;
            if (u < 0 || v < 0 || u >= float(sw) || v >= float(sh))
                continue;
            float fu = u - 0.5f, fv = v - 0.5f;
            int iu = int(std::floor(fu)), iv = int(std::floor(fv));
            float tu = fu - float(iu), tv = fv - float(iv);
            Col a = texel(iu, iv) * (1 - tu) + texel(iu + 1, iv) * tu;
            Col b = texel(iu, iv + 1) * (1 - tu) + texel(iu + 1, iv + 1) * tu;
            Col c = (a * (1 - tv) + b * tv) * alpha;
            if (additive)
                add(X, Y, {c.r, c.g, c.b, 0});
            else
                over(X, Y, c);
        }
}

Canvas Canvas::crop(int x, int y, int cw, int ch) const {
    Canvas out(cw, ch);
    for (int j = 0; j < ch; ++j)
        for (int i = 0; i < cw; ++i)
            out.set(i, j, get(x + i, y + j));
    return out;
}

Mask Canvas::alpha() const {
    Mask m(w, h);
    for (size_t i = 0; i < px.size(); ++i)
        m.v[i] = px[i].a;
    return m;
}

Mask sdfMask(int w, int h, const Sdf& d, float soft) {
    Mask m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m.ref(x, y) = clampf(0.5f - d(float(x) + 0.5f, float(y) + 0.5f) / soft);
    return m;
}

Mask blur(const Mask& m, float sigma) {
    if (sigma <= 0.0f)
        return m;
    int r = int(std::ceil(sigma * 3.0f));
    std::vector<float> k(size_t(2 * r + 1));
    float sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += k[size_t(i + r)] = std::exp(-float(i * i) / (2 * sigma * sigma));
    for (float& v : k)
        v /= sum;
    Mask tmp(m.w, m.h), out(m.w, m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float s = 0;
            for (int i = -r; i <= r; ++i)
                s += m.at(x + i, y) * k[size_t(i + r)];
            tmp.ref(x, y) = s;
        }
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float s = 0;
            for (int i = -r; i <= r; ++i)
                s += tmp.at(x, y + i) * k[size_t(i + r)];
            out.ref(x, y) = s;
        }
    return out;
}

Mask dilate(const Mask& m, float r) {
    int ir = int(std::ceil(r)) + 1;
    Mask out(m.w, m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float best = 0;
            for (int j = -ir; j <= ir; ++j)
                for (int i = -ir; i <= ir; ++i) {
                    // A neighbour's centre lies half a pixel inside its own
                    // edge, so it covers this pixel fully up to r + 0.5 away.
                    float wgt = clampf(r + 1.0f - std::sqrt(float(i * i + j * j)));
                    if (wgt <= 0)
                        continue;
                    best = std::max(best, m.at(x + i, y + j) * wgt);
                }
            out.ref(x, y) = best;
        }
    return out;
}

Mask erode(const Mask& m, float r) {
    Mask inv(m.w, m.h);
    for (size_t i = 0; i < m.v.size(); ++i)
        inv.v[i] = 1.0f - m.v[i];
    // Outside the mask counts as empty, so borders erode too.
    Mask padded = pad(inv, int(std::ceil(r)) + 2);
    int p = int(std::ceil(r)) + 2;
    for (int y = 0; y < padded.h; ++y)
        for (int x = 0; x < padded.w; ++x)
            if (x < p || y < p || x >= p + m.w || y >= p + m.h)
                padded.ref(x, y) = 1.0f;
    Mask d = dilate(padded, r);
    Mask out(m.w, m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            out.ref(x, y) = 1.0f - d.at(x + p, y + p);
    return out;
}

Mask pad(const Mask& m, int p) {
    Mask out(m.w + 2 * p, m.h + 2 * p);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            out.ref(x + p, y + p) = m.at(x, y);
    return out;
}

Mask subtract(const Mask& a, const Mask& b) {
    Mask out(a.w, a.h);
    for (size_t i = 0; i < a.v.size(); ++i)
        out.v[i] = clampf(a.v[i] - b.v[i]);
    return out;
}

void bevel(Canvas& c, const Mask& m, int ox, int oy, float sigma, float light, float dark,
           Col darkCol) {
    Mask hgt = blur(m, sigma);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float cov = m.at(x, y);
            if (cov <= 0)
                continue;
            float gx = hgt.at(x + 1, y) - hgt.at(x - 1, y);
            float gy = hgt.at(x, y + 1) - hgt.at(x, y - 1);
            // Slopes rising towards the lower right face the top-left light.
            float s = (gx + gy) * 0.7071f;
            if (s > 0)
                c.over(x + ox, y + oy, Col{1, 1, 1, 1} * (clampf(s * light) * cov));
            else
                c.over(x + ox, y + oy, darkCol * (clampf(-s * dark) * cov));
        }
}

void dropShadow(Canvas& c, const Mask& m, int ox, int oy, float dx, float dy, float sigma,
                float opacity, Col col) {
    int p = int(std::ceil(sigma * 3)) + int(std::ceil(std::max(std::fabs(dx), std::fabs(dy)))) + 1;
    Mask s = blur(pad(m, p), sigma);
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            float v = s.sample(float(x) + 0.5f - dx, float(y) + 0.5f - dy) * opacity;
            if (v > 0)
                c.over(x + ox - p, y + oy - p, col * v);
        }
}

float sdCircle(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) - r;
}

float sdEllipse(float x, float y, float cx, float cy, float rx, float ry) {
    float px = (x - cx) / rx, py = (y - cy) / ry;
    float k0 = std::hypot(px, py);
    float k1 = std::hypot((x - cx) / (rx * rx), (y - cy) / (ry * ry));
    if (k1 <= 1e-6f)
        return -std::min(rx, ry);
    return k0 * (k0 - 1.0f) / k1;
}

float sdBox(float x, float y, float cx, float cy, float hw, float hh, float radius) {
    float qx = std::fabs(x - cx) - hw + radius, qy = std::fabs(y - cy) - hh + radius;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float sdSegment(float x, float y, float ax, float ay, float bx, float by, float r) {
    float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    float h = clampf((pax * bax + pay * bay) / (bax * bax + bay * bay));
    return std::hypot(pax - bax * h, pay - bay * h) - r;
}

float sdPolygon(float x, float y, const std::vector<std::pair<float, float>>& v) {
    size_t n = v.size();
    float d = (x - v[0].first) * (x - v[0].first) + (y - v[0].second) * (y - v[0].second);
    float s = 1.0f;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        float ex = v[j].first - v[i].first, ey = v[j].second - v[i].second;
        float wx = x - v[i].first, wy = y - v[i].second;
        float t = clampf((wx * ex + wy * ey) / (ex * ex + ey * ey));
        float bx = wx - ex * t, by = wy - ey * t;
        d = std::min(d, bx * bx + by * by);
        bool c1 = y >= v[i].second, c2 = (y < v[j].second), c3 = (ex * wy > ey * wx);
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            s = -s;
    }
    return s * std::sqrt(d);
}

float sdBezier(float x, float y, float ax, float ay, float bx, float by, float cx, float cy,
               float r) {
    const int n = 24;
    float best = 1e9f;
    float px = ax, py = ay;
    for (int i = 1; i <= n; ++i) {
        float t = float(i) / float(n), u = 1 - t;
        float qx = u * u * ax + 2 * u * t * bx + t * t * cx,
              qy = u * u * ay + 2 * u * t * by + t * t * cy;
        best = std::min(best, sdSegment(x, y, px, py, qx, qy, 0));
        px = qx, py = qy;
    }
    return best - r;
}

Col sphereShade(Col base, float x, float y, float cx, float cy, float r, float specular) {
    float nx = (x - cx) / r, ny = (y - cy) / r;
    float d2 = std::min(1.0f, nx * nx + ny * ny);
    float nz = std::sqrt(1.0f - d2);
    // Light from the top-left, slightly in front.
    const float lx = -0.48f, ly = -0.58f, lz = 0.66f;
    float diff = std::max(0.0f, nx * lx + ny * ly + nz * lz);
    float hx = lx, hy = ly, hz = lz + 1.0f;
    float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    float glint = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), 28.0f) * specular;
    Col c = shade(base, (diff - 0.62f) * 0.9f);
    // Rim light on the lower right keeps the edge bright (sweets are translucent).
    float rim = smoothstep(0.75f, 1.0f, std::sqrt(d2)) * clampf(nx * 0.5f + ny * 0.7f + 0.2f);
    c = shade(c, rim * 0.25f);
    return shade(c, glint);
}

namespace {

struct PngBuffer {
    std::vector<uint8_t> bytes;
};

void pngWriteCb(png_structp png, png_bytep data, png_size_t len) {
    auto* buf = static_cast<PngBuffer*>(png_get_io_ptr(png));
    buf->bytes.insert(buf->bytes.end(), data, data + len);
}

void pngFlushCb(png_structp) {}

// Straight 8-bit RGBA rows. Fully transparent pixels take the colour of
// their visible neighbours so filtered drawing shows no dark fringe.
std::vector<uint8_t> toRgba8(const Canvas& c) {
    std::vector<uint8_t> out(size_t(c.w) * size_t(c.h) * 4, 0);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            Col p = c.get(x, y);
            uint8_t* o = &out[(size_t(y) * size_t(c.w) + size_t(x)) * 4];
            int a = int(std::lround(clampf(p.a) * 255.0f));
            if (a == 0)
                continue;
            o[0] = uint8_t(std::lround(clampf(p.r / p.a) * 255.0f));
            o[1] = uint8_t(std::lround(clampf(p.g / p.a) * 255.0f));
            o[2] = uint8_t(std::lround(clampf(p.b / p.a) * 255.0f));
            o[3] = uint8_t(a);
        }
    std::vector<uint8_t> bled = out;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            uint8_t* o = &bled[(size_t(y) * size_t(c.w) + size_t(x)) * 4];
            if (o[3] != 0)
                continue;
            int sum[3] = {0, 0, 0}, wsum = 0;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i) {
                    int nx = x + i, ny = y + j;
                    if (nx < 0 || ny < 0 || nx >= c.w || ny >= c.h)
                        continue;
                    const uint8_t* n = &out[(size_t(ny) * size_t(c.w) + size_t(nx)) * 4];
                    if (n[3] == 0)
                        continue;
                    for (int k = 0; k < 3; ++k)
                        sum[k] += n[k] * n[3];
                    wsum += n[3];
                }
            if (wsum > 0)
                for (int k = 0; k < 3; ++k)
                    o[k] = uint8_t((sum[k] + wsum / 2) / wsum);
        }
    return bled;
}

}  // namespace

std::vector<uint8_t> encodePng(const Canvas& c) {
    std::vector<uint8_t> rgba = toRgba8(c);
    PngBuffer buf;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &buf, pngWriteCb, pngFlushCb);
    png_set_IHDR(png, info, png_uint_32(c.w), png_uint_32(c.h), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < c.h; ++y)
        png_write_row(png, &rgba[size_t(y) * size_t(c.w) * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return buf.bytes;
}

bool writePng(const Canvas& c, const std::string& path) {
    std::vector<uint8_t> bytes = encodePng(c);
    if (bytes.empty())
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

bool decodePng(const std::vector<uint8_t>& bytes, Canvas& out) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, bytes.data(), bytes.size()))
        return false;
    img.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> buf(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr))
        return false;
    out = Canvas(int(img.width), int(img.height));
    for (size_t i = 0; i < out.px.size(); ++i) {
        float a = float(buf[i * 4 + 3]) / 255.0f;
        out.px[i] = rgbf(float(buf[i * 4]) / 255.0f, float(buf[i * 4 + 1]) / 255.0f,
                         float(buf[i * 4 + 2]) / 255.0f, a);
    }
    return true;
}

}  // namespace gfx
