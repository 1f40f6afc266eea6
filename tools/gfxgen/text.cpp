#include "text.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace gfx {

namespace {

FT_Library g_lib = nullptr;
FT_Face g_faces[2] = {nullptr, nullptr};

// Fonts from Debian packages: fonts-cherrybomb and fonts-dejavu-core.
const char* const kFontFiles[2] = {
    "/usr/share/fonts/opentype/cherrybomb/CherryBomb-Regular.otf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
};
const char* const kFontPackages[2] = {"fonts-cherrybomb", "fonts-dejavu-core"};
unsigned g_facesUsed = 0;

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int extra;
        if (c < 0x80)
            cp = c, extra = 0;
        else if ((c >> 5) == 6)
            cp = c & 0x1F, extra = 1;
        else if ((c >> 4) == 14)
            cp = c & 0x0F, extra = 2;
        else
            cp = c & 0x07, extra = 3;
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        out.push_back(cp);
    }
    return out;
}

}  // namespace

void initFonts() {
    if (g_lib)
        return;
    if (FT_Init_FreeType(&g_lib))
        throw std::runtime_error("FreeType could not be initialised");
    for (int i = 0; i < 2; ++i)
        if (FT_New_Face(g_lib, kFontFiles[i], 0, &g_faces[i]))
            throw std::runtime_error(std::string("cannot open font ") + kFontFiles[i] +
                                     " (Debian package " + kFontPackages[i] + ")");
}

void doneFonts() {
    for (auto& f : g_faces)
        if (f)
            FT_Done_Face(f), f = nullptr;
    if (g_lib)
        FT_Done_FreeType(g_lib), g_lib = nullptr;
}

std::string facePath(Face f) {
    return kFontFiles[int(f)];
}

std::string facePackage(Face f) {
    return kFontPackages[int(f)];
}

unsigned takeFacesUsed() {
    unsigned used = g_facesUsed;
    g_facesUsed = 0;
    return used;
}

TextRun renderText(Face face, const std::string& utf8, float sizePx, const TextOptions& opt) {
    initFonts();
    g_facesUsed |= 1u << int(face);
    FT_Face ft = g_faces[int(face)];
    FT_Set_Char_Size(ft, 0, FT_F26Dot6(std::lround(sizePx * 64.0f)), 72, 72);
    std::u32string text = decodeUtf8(utf8);

    struct Piece {
        std::vector<float> cov;
        int w, h, left, top;
    };
    std::vector<Piece> pieces;
    float pen = 0;
    FT_UInt prev = 0;
    int minX = 1 << 20, minY = 1 << 20, maxX = -(1 << 20), maxY = -(1 << 20);
    const FT_Int32 loadFlags = opt.hinting ? FT_LOAD_TARGET_LIGHT : FT_LOAD_NO_HINTING;
    for (char32_t cp : text) {
        FT_UInt gi = FT_Get_Char_Index(ft, cp);
        if (prev && gi && FT_HAS_KERNING(ft)) {
            FT_Vector k;
            FT_Get_Kerning(ft, prev, gi, FT_KERNING_UNFITTED, &k);
            pen += float(k.x) / 64.0f * opt.scaleX;
        }
        FT_Matrix m;
        m.xx = FT_Fixed(std::lround(opt.scaleX * 65536.0f));
        m.xy = 0;
        m.yx = 0;
        m.yy = 0x10000;
        float fl = std::floor(pen);
        FT_Vector delta{FT_Pos(std::lround((pen - fl) * 64.0f)), 0};
        FT_Set_Transform(ft, &m, &delta);
        bool ok = FT_Load_Glyph(ft, gi, loadFlags) == 0;
        if (ok && opt.embolden > 0 && ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Pos e = FT_Pos(std::lround(opt.embolden * 64.0f));
            FT_Outline_EmboldenXY(&ft->glyph->outline, e, e);
            // Keep the glyph on its baseline: emboldening grows it downwards too.
            FT_Outline_Translate(&ft->glyph->outline, -e / 2, -e / 2);
        }
        ok = ok && FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_NORMAL) == 0;
        if (ok) {
            FT_Bitmap& bm = ft->glyph->bitmap;
            Piece p{std::vector<float>(size_t(bm.width) * bm.rows), int(bm.width), int(bm.rows),
                    int(fl) + ft->glyph->bitmap_left, -ft->glyph->bitmap_top};
            for (unsigned y = 0; y < bm.rows; ++y)
                for (unsigned x = 0; x < bm.width; ++x)
                    p.cov[y * bm.width + x] = float(bm.buffer[int(y) * bm.pitch + int(x)]) / 255.0f;
            if (p.w > 0 && p.h > 0) {
                minX = std::min(minX, p.left), minY = std::min(minY, p.top);
                maxX = std::max(maxX, p.left + p.w), maxY = std::max(maxY, p.top + p.h);
            }
            pieces.push_back(std::move(p));
            pen += float(ft->glyph->advance.x) / 64.0f + opt.tracking;
        }
        prev = gi;
    }
    FT_Set_Transform(ft, nullptr, nullptr);
    TextRun run;
    run.advance = pen - opt.tracking;
    if (minX > maxX) {
        run.mask = Mask(1, 1);
        return run;
    }
    const int mg = opt.margin;
    run.mask = Mask(maxX - minX + 2 * mg, maxY - minY + 2 * mg);
    run.originX = float(mg - minX);
    run.originY = float(mg - minY);
    for (const Piece& p : pieces)
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x) {
                float& d = run.mask.ref(p.left - minX + mg + x, p.top - minY + mg + y);
                d = std::min(1.0f, d + p.cov[size_t(y) * size_t(p.w) + size_t(x)]);
            }
    // Exact ink bounds (rows/columns with visible coverage).
    int x0 = run.mask.w, y0 = run.mask.h, x1 = 0, y1 = 0;
    for (int y = 0; y < run.mask.h; ++y)
        for (int x = 0; x < run.mask.w; ++x)
            if (run.mask.at(x, y) > 0.02f)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1),
                y1 = std::max(y1, y + 1);
    run.inkX0 = x0, run.inkY0 = y0, run.inkX1 = x1, run.inkY1 = y1;
    return run;
}

}  // namespace gfx
