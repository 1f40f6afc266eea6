#include "sdl/TSdlBackend.h"

#include <SDL.h>

#include <cmath>
#include <numbers>
#include <utility>

#include "sdl/SdlDrawing.h"
#include "sdl/TSdlCellTexture.h"
#include "sdl/TSdlWindow.h"
#include "services/BuiltInFont.h"

namespace gb {

namespace {

// Where a w-long side of a quad lies before turning, relative to the handle: the side starts
// at -handle in the cell's own space and is multiplied by the scale. A negative result
// (negative scale or size) mirrors the side. Returns the start and length of the
// unmirrored rectangle, and whether it is mirrored.
struct Span {
    float start;
    float length;
    bool mirrored;
};

Span placeSide(float size, float handle, float scale) {
    const float extent = size * scale;
    const float start = -handle * scale;
    if (extent >= 0.0f) {
        return {start, extent, false};
    }
    return {start + extent, -extent, true};
}

}  // namespace

TSdlBackend::TSdlBackend(TSdlWindow& window) : window_(window) {}

// The platform destroys the backend before the window it draws into.
TSdlBackend::~TSdlBackend() {
    window_.onDeviceReset(nullptr);
}

bool TSdlBackend::open(int width, int height, std::string& error) {
    if (!window_.open(width, height, error)) {
        return false;
    }
    const bool resized = width != width_ || height != height_;
    width_ = width;
    height_ = height;
    if (renderer_ == nullptr || resized) {
        destroyRenderer();
        if (!makeRenderer(error)) {
            return false;
        }
    }
    window_.onDeviceReset([this](std::string& reason) { return remakeRenderer(reason); });
    return true;
}

bool TSdlBackend::makeRenderer(std::string& error) {
    life_ = std::make_shared<TSdlRendererLife>();
    if (!createRenderer(error)) {
        life_.reset();
        return false;
    }
    return true;
}

bool TSdlBackend::remakeRenderer(std::string& error) {
    if (renderer_ == nullptr) {
        return true;  // nothing drew: nothing was lost
    }
    // Every texture is lost: start over with a new renderer; cells upload again on their next
    // draw.
    destroyRenderer();
    return makeRenderer(error);
}

void TSdlBackend::forgetTextures() {
    if (life_) {
        life_->alive = false;
        life_.reset();
    }
    font_.reset();
}

void TSdlBackend::setWindowTitle(const std::string& title) {
    window_.setTitle(title);
}

void TSdlBackend::hideMouse() {
    window_.hideMouse();
}

std::shared_ptr<TSdlCellTexture> TSdlBackend::keepCellTexture(SDL_Texture* texture) {
    return std::make_shared<TSdlCellTexture>(life_, texture);
}

SDL_Texture* TSdlBackend::cellTexture(TImage& image, int cell) {
    if (image.textures.size() < image.cells.size()) {
        image.textures.resize(image.cells.size());
    }
    std::shared_ptr<TCellTexture>& slot = image.texture(cell);
    auto* cached = dynamic_cast<TSdlCellTexture*>(slot.get());
    if (cached == nullptr || !cached->belongsTo(life_)) {
        SDL_Texture* texture = sdl::uploadTexture(renderer_, image.pixels(cell));
        if (texture == nullptr) {
            return nullptr;
        }
        std::shared_ptr<TSdlCellTexture> made = keepCellTexture(texture);
        cached = made.get();
        slot = std::move(made);
    }
    SDL_Texture* texture = cached->texture();
    // Smooth sampling follows the image flags, which the game may change after loading.
    SDL_SetTextureScaleMode(
        texture, (image.flags & filteredImage) != 0 ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    return texture;
}

SDL_Texture* TSdlBackend::fontTexture() {
    auto* cached = dynamic_cast<TSdlCellTexture*>(font_.get());
    if (cached != nullptr && cached->belongsTo(life_)) {
        return cached->texture();
    }
    const TPixmap atlas = font::makeAtlas();
    SDL_Texture* texture = sdl::uploadTexture(renderer_, atlas);
    if (texture == nullptr) {
        return nullptr;
    }
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    font_ = std::make_shared<TSdlCellTexture>(life_, texture);
    return texture;
}

void TSdlBackend::applyClip(const TDrawState& state) {
    const SDL_Rect clip{state.viewport.x, state.viewport.y, state.viewport.width,
                        state.viewport.height};
    SDL_RenderSetClipRect(renderer_, &clip);
}

void TSdlBackend::drawText(const std::string& text, float x, float y, const TDrawState& state) {
    if (renderer_ == nullptr || sdl::viewportEmpty(state)) {
        return;
    }
    SDL_Texture* texture = fontTexture();
    if (texture == nullptr) {
        return;
    }
    sdl::applyTint(texture, state);
    applyClip(state);
    // Each glyph turns and scales about the text's top-left corner, so a line stays a line.
    int column = 0;
    for (const char c : text) {
        const font::TGlyphBox box = font::glyphRect(static_cast<unsigned char>(c));
        const SDL_Rect source{box.x, box.y, box.w, box.h};
        const auto offset = static_cast<float>(column * font::kAdvance);
        drawQuad(font_, texture, &source, x, y, static_cast<float>(source.w),
                 static_cast<float>(source.h), -offset, 0.0f, state);
        ++column;
    }
}

void TSdlBackend::drawQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                           const SDL_Rect* source, float x, float y, float w, float h, float hx,
                           float hy, const TDrawState& state) {
    if (std::fmod(state.rotation, 360.0f) != 0.0f) {
        drawTurnedQuad(keep, texture, source, x, y, w, h, hx, hy, state);
        return;
    }
    const Span across = placeSide(w, hx, state.scaleX);
    const Span down = placeSide(h, hy, state.scaleY);
    if (across.length <= 0.0f || down.length <= 0.0f) {
        return;
    }
    const SDL_FRect target{x + across.start, y + down.start, across.length, down.length};
    const int flip =
        (across.mirrored ? SDL_FLIP_HORIZONTAL : 0) | (down.mirrored ? SDL_FLIP_VERTICAL : 0);
    emitCopy(keep, texture, source, target, flip);
}

void TSdlBackend::copyTiles(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                            float firstX, float firstY, float w, float h, float right,
                            float bottom) {
    // Counted in whole tiles: a float counter would carry its rounding from tile to tile.
    for (int row = 0; firstY + static_cast<float>(row) * h < bottom; ++row) {
        const float top = firstY + static_cast<float>(row) * h;
        for (int column = 0; firstX + static_cast<float>(column) * w < right; ++column) {
            const SDL_FRect target{firstX + static_cast<float>(column) * w, top, w, h};
            emitCopy(keep, texture, nullptr, target, SDL_FLIP_NONE);
        }
    }
}

float TSdlBackend::firstTile(float anchor, float size, int viewportStart) {
    return anchor + std::floor((static_cast<float>(viewportStart) - anchor) / size) * size;
}

// A turned quad goes to the renderer as its two triangles, with each corner placed by
// X = px·cos(r)·sx − py·sin(r)·sy + x, Y = px·sin(r)·sx + py·cos(r)·sy + y. This is the same
// single quad a turned copy would be, but the software renderer maps it straight from the
// texture instead of first turning the cell into a temporary picture on every call.
void TSdlBackend::drawTurnedQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                                 const SDL_Rect* source, float x, float y, float w, float h,
                                 float hx, float hy, const TDrawState& state) {
    float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
    if (source != nullptr) {
        int textureWidth = 0;
        int textureHeight = 0;
        SDL_QueryTexture(texture, nullptr, nullptr, &textureWidth, &textureHeight);
        u0 = static_cast<float>(source->x) / static_cast<float>(textureWidth);
        v0 = static_cast<float>(source->y) / static_cast<float>(textureHeight);
        u1 = static_cast<float>(source->x + source->w) / static_cast<float>(textureWidth);
        v1 = static_cast<float>(source->y + source->h) / static_cast<float>(textureHeight);
    }
    // Geometry takes the tint from its corners; the texture's own tint must not apply twice.
    SDL_Color tint{255, 255, 255, 255};
    SDL_GetTextureColorMod(texture, &tint.r, &tint.g, &tint.b);
    SDL_GetTextureAlphaMod(texture, &tint.a);
    SDL_SetTextureColorMod(texture, 255, 255, 255);
    SDL_SetTextureAlphaMod(texture, 255);

    const double radians = static_cast<double>(state.rotation) * (std::numbers::pi / 180.0);
    const auto cosine = static_cast<float>(std::cos(radians));
    const auto sine = static_cast<float>(std::sin(radians));
    const float left = -hx;
    const float top = -hy;
    const float right = w - hx;
    const float bottom = h - hy;
    const float corners[4][4] = {
        {left, top, u0, v0}, {right, top, u1, v0}, {right, bottom, u1, v1}, {left, bottom, u0, v1}};
    SDL_Vertex vertices[4];
    for (int i = 0; i < 4; ++i) {
        const float px = corners[i][0] * state.scaleX;
        const float py = corners[i][1] * state.scaleY;
        vertices[i].position = SDL_FPoint{px * cosine - py * sine + x, px * sine + py * cosine + y};
        vertices[i].color = tint;
        vertices[i].tex_coord = SDL_FPoint{corners[i][2], corners[i][3]};
    }
    static constexpr int kTriangles[6] = {0, 1, 2, 0, 2, 3};
    emitGeometry(keep, texture, vertices, 4, kTriangles, 6);
    SDL_SetTextureColorMod(texture, tint.r, tint.g, tint.b);
    SDL_SetTextureAlphaMod(texture, tint.a);
}

void TSdlBackend::grabPixels(int x, int y, TPixmap& into) {
    std::fill_n(into.data(),
                static_cast<std::size_t>(into.pitch()) * static_cast<std::size_t>(into.height()),
                0);
    if (renderer_ == nullptr || into.width() <= 0 || into.height() <= 0) {
        return;
    }
    // Only the part inside the back buffer can be read; the rest stays black.
    SDL_Rect wanted{x, y, into.width(), into.height()};
    const SDL_Rect screen{0, 0, width_, height_};
    SDL_Rect inside;
    if (!SDL_IntersectRect(&wanted, &screen, &inside)) {
        return;
    }
    std::uint8_t* start = into.row(inside.y - y) + static_cast<std::ptrdiff_t>(inside.x - x) * 4;
    readBackBuffer(inside, start, into.pitch());
}

}  // namespace gb
