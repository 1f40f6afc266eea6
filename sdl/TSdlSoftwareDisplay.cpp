#include "sdl/TSdlSoftwareDisplay.h"

#include <algorithm>
#include <cmath>

#include "sdl/NearestSampling.h"
#include "sdl/TLightSprite.h"

namespace gb {

namespace {

// A picture that is drawn on and on without ever being cleared keeps every operation: past
// this many, the back buffer itself becomes the first operation of a shorter list.
constexpr std::size_t kMostOperations = 4096;

std::uint32_t low(const void* pointer) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}
std::uint32_t high(const void* pointer) {
    // Widened first: on a 32-bit machine the address has no high half.
    return static_cast<std::uint32_t>(std::uint64_t{reinterpret_cast<std::uintptr_t>(pointer)} >>
                                      32);
}
std::uint32_t word(int value) {
    return static_cast<std::uint32_t>(value);
}

// The whole pixels SDL's software renderer gives a target rectangle: each part truncated.
SDL_Rect wholeTarget(const SDL_FRect& target) {
    return SDL_Rect{static_cast<int>(target.x), static_cast<int>(target.y),
                    static_cast<int>(target.w), static_cast<int>(target.h)};
}

TPixelRect pixelRect(const SDL_Rect& rect) {
    return TPixelRect{rect.x, rect.y, rect.w, rect.h};
}

SDL_Rect sdlRect(const TPixelRect& rect) {
    return SDL_Rect{rect.x, rect.y, rect.width, rect.height};
}

// The rectangles SDL's scaled blit (SDL_BlitScaled) takes for a copy of the whole source
// stretched to target and clipped to clip: where the target is cut, the source's start moves
// by the cut part over the scale, and both are rounded to whole pixels. False when nothing is
// left to draw.
bool clipScaled(const SDL_Rect& source, const SDL_Rect& target, const SDL_Rect& clip,
                SDL_Rect& fromSource, SDL_Rect& toTarget) {
    SDL_Rect met{};
    if (SDL_IntersectRect(&target, &clip, &met) == SDL_FALSE) {
        return false;
    }
    const double scalingW = static_cast<double>(target.w) / source.w;
    const double scalingH = static_cast<double>(target.h) / source.h;
    double dstX0 = target.x - clip.x;
    double dstY0 = target.y - clip.y;
    double dstX1 = dstX0 + target.w;
    double dstY1 = dstY0 + target.h;
    double srcX0 = source.x;
    double srcY0 = source.y;
    double srcX1 = srcX0 + source.w;
    double srcY1 = srcY0 + source.h;
    if (dstX0 < 0) {
        srcX0 -= dstX0 / scalingW;
        dstX0 = 0;
    }
    if (dstX1 > clip.w) {
        srcX1 -= (dstX1 - clip.w) / scalingW;
        dstX1 = clip.w;
    }
    if (dstY0 < 0) {
        srcY0 -= dstY0 / scalingH;
        dstY0 = 0;
    }
    if (dstY1 > clip.h) {
        srcY1 -= (dstY1 - clip.h) / scalingH;
        dstY1 = clip.h;
    }
    dstX0 += clip.x;
    dstX1 += clip.x;
    dstY0 += clip.y;
    dstY1 += clip.y;
    SDL_Rect from{static_cast<int>(SDL_round(srcX0)), static_cast<int>(SDL_round(srcY0)),
                  static_cast<int>(SDL_round(srcX1 - srcX0)),
                  static_cast<int>(SDL_round(srcY1 - srcY0))};
    SDL_Rect to{static_cast<int>(SDL_round(dstX0)), static_cast<int>(SDL_round(dstY0)),
                static_cast<int>(SDL_round(dstX1 - dstX0)),
                static_cast<int>(SDL_round(dstY1 - dstY0))};
    SDL_IntersectRect(&source, &from, &fromSource);
    SDL_IntersectRect(&clip, &to, &toTarget);
    return toTarget.w > 0 && toTarget.h > 0 && fromSource.w > 0 && fromSource.h > 0;
}

// Holds a texture made for one operation, freed when the last operation using it goes.
class TOwnedTexture {
  public:
    explicit TOwnedTexture(SDL_Texture* texture) : texture_(texture) {}
    ~TOwnedTexture() { SDL_DestroyTexture(texture_); }
    TOwnedTexture(const TOwnedTexture&) = delete;
    TOwnedTexture& operator=(const TOwnedTexture&) = delete;

  private:
    SDL_Texture* texture_;
};

}  // namespace

void TSdlSoftwareDisplay::Picture::clear() {
    operations.clear();
    list.clear();
    vertices.clear();
    indices.clear();
}

TSdlSoftwareDisplay::~TSdlSoftwareDisplay() {
    close();
}

bool TSdlSoftwareDisplay::open(SDL_Window* window, int width, int height, std::string& error) {
    close();
    back_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (back_ == nullptr) {
        error = SDL_GetError();
        return false;
    }
    // Presenting copies the colours as they are.
    SDL_SetSurfaceBlendMode(back_, SDL_BLENDMODE_NONE);
    renderer_ = SDL_CreateSoftwareRenderer(back_);
    if (renderer_ == nullptr) {
        error = SDL_GetError();
        SDL_FreeSurface(back_);
        back_ = nullptr;
        return false;
    }
    // The picture is shown through the window's surface: a window that cannot have one (too
    // large for a surface, or a video driver without one) cannot show anything.
    if (window != nullptr && SDL_GetWindowSurface(window) == nullptr) {
        error = SDL_GetError();
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        SDL_FreeSurface(back_);
        back_ = nullptr;
        return false;
    }
    window_ = window;
    width_ = width;
    height_ = height;
    changed_ = TDirtyRegion(width, height);
    unpresented_ = TDirtyRegion(width, height);
    windowStale_ = true;
    windowSurface_ = nullptr;
    // A new surface is all zeros: the picture it holds is a fill with 0.
    shown_.clear();
    drawing_.clear();
    clear(0, 0, 0, 0);
    settle();
    if (window_ != nullptr) {
        SDL_AddEventWatch(watchWindow, this);
    }
    return true;
}

void TSdlSoftwareDisplay::close() {
    if (window_ != nullptr) {
        SDL_DelEventWatch(watchWindow, this);
    }
    // The operations hold textures of the renderer: they go first.
    shown_.clear();
    drawing_.clear();
    drawingIsShown_ = false;
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
    }
    SDL_FreeSurface(back_);
    renderer_ = nullptr;
    back_ = nullptr;
    window_ = nullptr;
    windowSurface_ = nullptr;
}

int SDLCALL TSdlSoftwareDisplay::watchWindow(void* display, SDL_Event* event) {
    auto* self = static_cast<TSdlSoftwareDisplay*>(display);
    if (event->type != SDL_WINDOWEVENT || self->window_ == nullptr ||
        event->window.windowID != SDL_GetWindowID(self->window_)) {
        return 1;
    }
    switch (event->window.event) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            // The window lost what it showed: the next present shows everything.
            self->windowStale_ = true;
            break;
        default:
            break;
    }
    return 1;
}

void TSdlSoftwareDisplay::takeClip(Operation& operation) const {
    operation.clipped = SDL_RenderIsClipEnabled(renderer_) == SDL_TRUE;
    if (operation.clipped) {
        SDL_RenderGetClipRect(renderer_, &operation.clip);
    }
}

TPixelRect TSdlSoftwareDisplay::clipOf(const Operation& operation) const {
    const TPixelRect screen{0, 0, width_, height_};
    return operation.clipped ? pixelRect(operation.clip).intersection(screen) : screen;
}

void TSdlSoftwareDisplay::settle() {
    std::swap(shown_, drawing_);
    drawingIsShown_ = true;
}

void TSdlSoftwareDisplay::drawOn() {
    if (drawingIsShown_) {
        // Drawn on without clearing: the picture on screen goes on.
        drawing_ = shown_;
        drawingIsShown_ = false;
    }
}

void TSdlSoftwareDisplay::add(Operation operation, const TPixelRect& box, bool exact, bool unique) {
    drawOn();
    TDrawList::Key key{};
    key[0] = static_cast<std::uint32_t>(operation.kind);
    const void* source = operation.sprite != nullptr ? static_cast<const void*>(operation.sprite)
                                                     : static_cast<const void*>(operation.texture);
    key[1] = low(source);
    key[2] = high(source);
    key[3] = word(operation.source.x);
    key[4] = word(operation.source.y);
    key[5] = word(operation.source.w);
    key[6] = word(operation.source.h);
    const SDL_Rect target = wholeTarget(operation.target);
    key[7] = word(target.x);
    key[8] = word(target.y);
    key[9] = word(target.w);
    key[10] = word(target.h);
    key[11] = static_cast<std::uint32_t>(operation.tint.r) << 24 |
              static_cast<std::uint32_t>(operation.tint.g) << 16 |
              static_cast<std::uint32_t>(operation.tint.b) << 8 | operation.tint.a;
    key[12] = static_cast<std::uint32_t>(operation.blend);
    key[13] = static_cast<std::uint32_t>(operation.scale) |
              static_cast<std::uint32_t>(operation.flip) << 8 |
              (operation.hasSource ? 1u << 16 : 0u) | (operation.clipped ? 1u << 17 : 0u);
    key[14] = word(operation.clip.x);
    key[15] = word(operation.clip.y);
    key[16] = word(operation.clip.w);
    key[17] = word(operation.clip.h);
    key[18] = operation.pixel;
    drawing_.list.add(key, box, exact, unique);
    drawing_.operations.push_back(std::move(operation));
}

void TSdlSoftwareDisplay::clear(Uint8 red, Uint8 green, Uint8 blue, Uint8 alpha) {
    if (renderer_ == nullptr) {
        return;
    }
    // Everything drawn before is covered.
    drawing_.clear();
    drawingIsShown_ = false;
    Operation fill;
    fill.kind = Kind::fill;
    fill.pixel = SDL_MapRGBA(back_->format, red, green, blue, alpha);
    add(std::move(fill), TPixelRect{0, 0, width_, height_}, true, false);
}

void TSdlSoftwareDisplay::copy(std::shared_ptr<const void> keep, SDL_Texture* texture,
                               const SDL_Rect* source, const SDL_FRect& target,
                               SDL_RendererFlip flip) {
    if (renderer_ == nullptr || texture == nullptr) {
        return;
    }
    // What SDL_RenderCopyF does before it queues anything.
    int textureWidth = 0;
    int textureHeight = 0;
    SDL_QueryTexture(texture, nullptr, nullptr, &textureWidth, &textureHeight);
    SDL_Rect whole{0, 0, textureWidth, textureHeight};
    SDL_Rect part = whole;
    if (source != nullptr && SDL_IntersectRect(source, &whole, &part) == SDL_FALSE) {
        return;
    }
    const SDL_FRect screen{0.0f, 0.0f, static_cast<float>(width_), static_cast<float>(height_)};
    if (SDL_HasIntersectionF(&target, &screen) == SDL_FALSE) {
        return;
    }
    Operation operation;
    operation.kind = flip == SDL_FLIP_NONE ? Kind::copy : Kind::flipped;
    operation.keep = std::move(keep);
    operation.texture = texture;
    operation.hasSource = source != nullptr;
    operation.source = operation.hasSource ? *source : whole;
    operation.target = target;
    operation.flip = flip;
    SDL_GetTextureColorMod(texture, &operation.tint.r, &operation.tint.g, &operation.tint.b);
    SDL_GetTextureAlphaMod(texture, &operation.tint.a);
    SDL_GetTextureBlendMode(texture, &operation.blend);
    SDL_GetTextureScaleMode(texture, &operation.scale);
    takeClip(operation);
    const SDL_Rect pixels = wholeTarget(target);
    // A flipped copy is turned into a picture of its own first; allow for a pixel around it.
    const TPixelRect covered =
        operation.kind == Kind::flipped
            ? TPixelRect{pixels.x - 2, pixels.y - 2, pixels.w + 4, pixels.h + 4}
            : pixelRect(pixels);
    const TPixelRect box = covered.intersection(clipOf(operation));
    if (box.empty()) {
        return;
    }
    const bool unscaled = pixels.w == part.w && pixels.h == part.h;
    add(std::move(operation), box, unscaled && flip == SDL_FLIP_NONE, false);
}

void TSdlSoftwareDisplay::geometry(std::shared_ptr<const void> keep, SDL_Texture* texture,
                                   const SDL_Vertex* vertices, int vertexCount, const int* indices,
                                   int indexCount) {
    if (renderer_ == nullptr || vertexCount <= 0) {
        return;
    }
    Operation operation;
    operation.kind = Kind::geometry;
    operation.keep = std::move(keep);
    operation.texture = texture;
    if (texture != nullptr) {
        SDL_GetTextureColorMod(texture, &operation.tint.r, &operation.tint.g, &operation.tint.b);
        SDL_GetTextureAlphaMod(texture, &operation.tint.a);
        SDL_GetTextureBlendMode(texture, &operation.blend);
        SDL_GetTextureScaleMode(texture, &operation.scale);
    }
    takeClip(operation);
    float left = vertices[0].position.x;
    float top = vertices[0].position.y;
    float right = left;
    float bottom = top;
    for (int i = 1; i < vertexCount; ++i) {
        left = std::min(left, vertices[i].position.x);
        right = std::max(right, vertices[i].position.x);
        top = std::min(top, vertices[i].position.y);
        bottom = std::max(bottom, vertices[i].position.y);
    }
    const auto x0 = static_cast<int>(std::floor(left)) - 1;
    const auto y0 = static_cast<int>(std::floor(top)) - 1;
    const TPixelRect box = TPixelRect{x0, y0, static_cast<int>(std::ceil(right)) + 2 - x0,
                                      static_cast<int>(std::ceil(bottom)) + 2 - y0}
                               .intersection(clipOf(operation));
    if (box.empty()) {
        return;
    }
    drawOn();
    operation.vertices = drawing_.vertices.size();
    operation.vertexCount = vertexCount;
    drawing_.vertices.insert(drawing_.vertices.end(), vertices, vertices + vertexCount);
    operation.indices = drawing_.indices.size();
    operation.indexCount = indices != nullptr ? indexCount : 0;
    if (indices != nullptr) {
        drawing_.indices.insert(drawing_.indices.end(), indices, indices + indexCount);
    }
    // Its vertices are not part of the key: it is never taken for another one.
    add(std::move(operation), box, false, true);
}

void TSdlSoftwareDisplay::copySprite(std::shared_ptr<const void> keep, const TLightSprite& sprite,
                                     const SDL_FRect& target, SDL_Color tint, SDL_BlendMode blend) {
    if (renderer_ == nullptr || sprite.surface() == nullptr) {
        return;
    }
    const SDL_FRect screen{0.0f, 0.0f, static_cast<float>(width_), static_cast<float>(height_)};
    if (SDL_HasIntersectionF(&target, &screen) == SDL_FALSE) {
        return;
    }
    Operation operation;
    operation.kind = Kind::sprite;
    operation.keep = std::move(keep);
    operation.sprite = &sprite;
    operation.source = SDL_Rect{0, 0, sprite.width(), sprite.height()};
    operation.target = target;
    operation.tint = tint;
    operation.blend = blend;
    takeClip(operation);
    const SDL_Rect pixels = wholeTarget(target);
    const TPixelRect box = pixelRect(pixels).intersection(clipOf(operation));
    if (box.empty()) {
        return;
    }
    const bool unscaled = pixels.w == sprite.width() && pixels.h == sprite.height();
    add(std::move(operation), box, unscaled, false);
}

void TSdlSoftwareDisplay::render() {
    lastRender_ = Work{};
    if (renderer_ == nullptr || drawingIsShown_) {
        return;
    }
    changed_.clear();
    TDrawList::compare(shown_.list, drawing_.list, changed_);
    if (changed_.empty()) {
        settle();
        return;
    }
    drawing_.list.coverInexact(changed_);
    const std::vector<TPixelRect> parts = changed_.rects();

    // The renderer's clip is the caller's: it is put back afterwards.
    const SDL_bool wasClipped = SDL_RenderIsClipEnabled(renderer_);
    SDL_Rect callerClip{};
    SDL_RenderGetClipRect(renderer_, &callerClip);

    for (std::size_t i = 0; i < drawing_.operations.size(); ++i) {
        const TDrawList::Entry& entry = drawing_.list[i];
        const Operation& operation = drawing_.operations[i];
        if (!entry.exact) {
            if (changed_.intersects(entry.box)) {
                draw(operation, drawing_, nullptr);
                ++lastRender_.operations;
            }
            continue;
        }
        for (const TPixelRect& part : parts) {
            if (part.intersects(entry.box)) {
                draw(operation, drawing_, &part);
                ++lastRender_.operations;
            }
        }
    }
    for (const TPixelRect& part : parts) {
        unpresented_.add(part);
        lastRender_.pixels += static_cast<long>(part.width) * part.height;
    }
    SDL_RenderSetClipRect(renderer_, wasClipped == SDL_TRUE ? &callerClip : nullptr);
    settle();
    if (shown_.operations.size() > kMostOperations) {
        flatten();
    }
}

void TSdlSoftwareDisplay::draw(const Operation& operation, const Picture& picture,
                               const TPixelRect* part) {
    // The clip the operation was drawn with, narrowed to the part being drawn again.
    TPixelRect clip = clipOf(operation);
    if (part != nullptr) {
        clip = clip.intersection(*part);
    }
    if (clip.empty()) {
        return;
    }
    const SDL_Rect sdlClip = sdlRect(clip);
    switch (operation.kind) {
        case Kind::fill: {
            // As SDL_RenderClear fills, over the part only.
            SDL_SetClipRect(back_, nullptr);
            SDL_Rect area = sdlClip;
            SDL_FillRect(back_, &area, operation.pixel);
            break;
        }
        case Kind::copy:
        case Kind::flipped: {
            SDL_Texture* texture = operation.texture;
            SDL_SetTextureColorMod(texture, operation.tint.r, operation.tint.g, operation.tint.b);
            SDL_SetTextureAlphaMod(texture, operation.tint.a);
            SDL_SetTextureBlendMode(texture, operation.blend);
            SDL_SetTextureScaleMode(texture, operation.scale);
            SDL_RenderSetClipRect(renderer_, &sdlClip);
            const SDL_Rect* source = operation.hasSource ? &operation.source : nullptr;
            if (operation.kind == Kind::copy) {
                SDL_RenderCopyF(renderer_, texture, source, &operation.target);
            } else {
                SDL_RenderCopyExF(renderer_, texture, source, &operation.target, 0.0, nullptr,
                                  operation.flip);
            }
            break;
        }
        case Kind::geometry: {
            SDL_Texture* texture = operation.texture;
            if (texture != nullptr) {
                SDL_SetTextureColorMod(texture, operation.tint.r, operation.tint.g,
                                       operation.tint.b);
                SDL_SetTextureAlphaMod(texture, operation.tint.a);
                SDL_SetTextureBlendMode(texture, operation.blend);
                SDL_SetTextureScaleMode(texture, operation.scale);
            }
            SDL_RenderSetClipRect(renderer_, &sdlClip);
            SDL_RenderGeometry(
                renderer_, texture, &picture.vertices[operation.vertices], operation.vertexCount,
                operation.indexCount > 0 ? &picture.indices[operation.indices] : nullptr,
                operation.indexCount);
            break;
        }
        case Kind::sprite:
            drawSprite(operation, sdlClip);
            break;
    }
}

// What SDL's software renderer does with a copy of a texture, done with the sprite's surface:
// the colour, alpha and blend mode go on the surface, the clip on the back buffer; a copy of
// the same size is a plain blit, a scaled one a scaled blit, through a picture of the target's
// size when it reaches past the back buffer's edge. Additive light without a tint, the fruit
// shower's case, is added by the sprite itself with the same samples SDL takes in each case.
void TSdlSoftwareDisplay::drawSprite(const Operation& operation, const SDL_Rect& clip) {
    const TLightSprite& sprite = *operation.sprite;
    SDL_Surface* source = sprite.surface();
    SDL_Rect target = wholeTarget(operation.target);
    const SDL_Color tint = operation.tint;
    SDL_Rect whole{0, 0, source->w, source->h};
    const bool unscaled = whole.w == target.w && whole.h == target.h;
    const bool pastEdge = target.x < 0 || target.y < 0 || target.x + target.w > back_->w ||
                          target.y + target.h > back_->h;
    if (operation.blend == SDL_BLENDMODE_ADD && tint.r == 255 && tint.g == 255 && tint.b == 255) {
        auto* pixels = static_cast<std::uint32_t*>(back_->pixels);
        if (unscaled || pastEdge) {
            // The picture, or a copy of it scaled to the target's size, is blitted, and the
            // clip cuts off part of the result.
            sprite.addTo(pixels, back_->pitch, pixelRect(whole), pixelRect(target), pixelRect(clip),
                         tint.a);
        } else {
            SDL_Rect from{};
            SDL_Rect to{};
            if (clipScaled(whole, target, clip, from, to)) {
                sprite.addTo(pixels, back_->pitch, pixelRect(from), pixelRect(to), pixelRect(to),
                             tint.a);
            }
        }
        return;
    }
    SDL_SetClipRect(back_, &clip);
    const bool colourMod = (tint.r & tint.g & tint.b) != 0xFF;
    const bool alphaMod = tint.a != 0xFF;
    const bool blending = operation.blend == SDL_BLENDMODE_ADD ||
                          operation.blend == SDL_BLENDMODE_MOD ||
                          operation.blend == SDL_BLENDMODE_MUL;
    if (colourMod || alphaMod || blending) {
        SDL_SetSurfaceRLE(source, 0);
    }
    SDL_SetSurfaceColorMod(source, tint.r, tint.g, tint.b);
    SDL_SetSurfaceAlphaMod(source, tint.a);
    SDL_SetSurfaceBlendMode(source, operation.blend);
    if (unscaled) {
        SDL_BlitSurface(source, &whole, back_, &target);
        return;
    }
    if (pastEdge) {
        SDL_Surface* scaled =
            SDL_CreateRGBSurfaceWithFormat(0, target.w, target.h, 0, source->format->format);
        if (scaled == nullptr) {
            return;
        }
        SDL_Rect all{0, 0, target.w, target.h};
        SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
        SDL_SetSurfaceColorMod(source, 255, 255, 255);
        SDL_SetSurfaceAlphaMod(source, 255);
        SDL_BlitScaled(source, &whole, scaled, &all);
        SDL_SetSurfaceColorMod(scaled, tint.r, tint.g, tint.b);
        SDL_SetSurfaceAlphaMod(scaled, tint.a);
        SDL_SetSurfaceBlendMode(scaled, operation.blend);
        SDL_BlitSurface(scaled, nullptr, back_, &target);
        SDL_FreeSurface(scaled);
        return;
    }
    SDL_BlitScaled(source, &whole, back_, &target);
}

void TSdlSoftwareDisplay::flatten() {
    SDL_Texture* texture = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STATIC, width_, height_);
    if (texture == nullptr) {
        return;
    }
    SDL_UpdateTexture(texture, nullptr, back_->pixels, back_->pitch);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    auto owner = std::make_shared<TOwnedTexture>(texture);
    const SDL_bool wasClipped = SDL_RenderIsClipEnabled(renderer_);
    SDL_Rect callerClip{};
    SDL_RenderGetClipRect(renderer_, &callerClip);
    SDL_RenderSetClipRect(renderer_, nullptr);
    drawing_.clear();
    drawingIsShown_ = false;
    copy(owner, texture, nullptr,
         SDL_FRect{0.0f, 0.0f, static_cast<float>(width_), static_cast<float>(height_)});
    SDL_RenderSetClipRect(renderer_, wasClipped == SDL_TRUE ? &callerClip : nullptr);
    settle();
}

int TSdlSoftwareDisplay::readPixels(const SDL_Rect& rect, Uint32 format, void* pixels, int pitch) {
    if (renderer_ == nullptr) {
        return -1;
    }
    render();
    return SDL_RenderReadPixels(renderer_, &rect, format, pixels, pitch);
}

bool TSdlSoftwareDisplay::present() {
    render();
    if (window_ == nullptr) {
        const bool changed = !unpresented_.empty();
        unpresented_.clear();
        return changed;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) {
        return false;
    }
    if (surface != windowSurface_) {
        windowSurface_ = surface;
        windowStale_ = true;
    }
    if (!windowStale_ && unpresented_.empty()) {
        return false;
    }
    presentToWindow();
    unpresented_.clear();
    windowStale_ = false;
    return true;
}

void TSdlSoftwareDisplay::presentToWindow() {
    SDL_Surface* surface = windowSurface_;
    if (surface->w == width_ && surface->h == height_) {
        std::vector<SDL_Rect> parts;
        if (windowStale_) {
            parts.push_back(SDL_Rect{0, 0, width_, height_});
        } else {
            for (const TPixelRect& part : unpresented_.rects()) {
                parts.push_back(sdlRect(part));
            }
        }
        SDL_SetClipRect(surface, nullptr);
        for (const SDL_Rect& part : parts) {
            SDL_Rect from = part;
            SDL_Rect to = part;
            SDL_BlitSurface(back_, &from, surface, &to);
        }
        SDL_UpdateWindowSurfaceRects(window_, parts.data(), static_cast<int>(parts.size()));
        return;
    }
    // A window of another size (full screen on a larger display, a resized window) shows the
    // picture scaled to fit, with black bars: the placement and the nearest-pixel scaling of
    // SDL's renderer with a logical size, which is how the other renderers show it.
    const SDL_Rect target = letterbox(surface->w, surface->h);
    SDL_Rect whole{0, 0, width_, height_};
    const bool inside = target.x >= 0 && target.y >= 0 && target.x + target.w <= surface->w &&
                        target.y + target.h <= surface->h && target.w > 0 && target.h > 0;
    if (!windowStale_ && inside && surface->format->format == SDL_PIXELFORMAT_RGB888) {
        // Only what changed: the window pixels whose samples fall in a changed part, copied
        // as SDL's scaling blit copies them (colour kept, alpha dropped).
        std::vector<SDL_Rect> parts;
        const std::int64_t stepX = nearest::step(width_, target.w);
        const std::int64_t stepY = nearest::step(height_, target.h);
        // The first target column (or row) whose sample is at least 'at'.
        auto firstReaching = [](int at, std::int64_t step, int count) {
            return static_cast<int>(
                std::clamp<std::int64_t>(nearest::firstReaching(at, step), 0, count));
        };
        for (const TPixelRect& part : unpresented_.rects()) {
            const int left = firstReaching(part.x, stepX, target.w);
            const int right = firstReaching(part.right(), stepX, target.w);
            const int top = firstReaching(part.y, stepY, target.h);
            const int bottom = firstReaching(part.bottom(), stepY, target.h);
            if (left >= right || top >= bottom) {
                continue;
            }
            for (int row = top; row < bottom; ++row) {
                const auto sourceY = static_cast<int>(nearest::sample(stepY, row));
                const auto* from = reinterpret_cast<const std::uint32_t*>(
                    static_cast<const std::uint8_t*>(back_->pixels) +
                    static_cast<std::ptrdiff_t>(sourceY) * back_->pitch);
                auto* to = reinterpret_cast<std::uint32_t*>(
                               static_cast<std::uint8_t*>(surface->pixels) +
                               static_cast<std::ptrdiff_t>(target.y + row) * surface->pitch) +
                           target.x;
                std::int64_t positionX = stepX / 2 + left * stepX;
                for (int column = left; column < right; ++column, positionX += stepX) {
                    to[column] = from[positionX >> 16] & 0xFFFFFFu;
                }
            }
            parts.push_back(SDL_Rect{target.x + left, target.y + top, right - left, bottom - top});
        }
        SDL_UpdateWindowSurfaceRects(window_, parts.data(), static_cast<int>(parts.size()));
        return;
    }
    SDL_SetClipRect(surface, nullptr);
    SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, 0, 0, 0, 255));
    SDL_Rect viewport = letterboxViewport(surface->w, surface->h);
    SDL_SetClipRect(surface, &viewport);
    SDL_Rect to = target;
    if (to.w == width_ && to.h == height_) {
        SDL_BlitSurface(back_, &whole, surface, &to);
    } else {
        SDL_BlitScaled(back_, &whole, surface, &to);
    }
    SDL_SetClipRect(surface, nullptr);
    SDL_UpdateWindowSurface(window_);
}

SDL_Rect TSdlSoftwareDisplay::letterboxViewport(int w, int h) const {
    const float wantAspect = static_cast<float>(width_) / static_cast<float>(height_);
    const float realAspect = static_cast<float>(w) / static_cast<float>(h);
    SDL_Rect viewport{0, 0, w, h};
    if (std::fabs(wantAspect - realAspect) < 0.0001f) {
        return viewport;
    }
    if (wantAspect > realAspect) {
        const float scale = static_cast<float>(w) / static_cast<float>(width_);
        viewport.h =
            static_cast<int>(std::floor(static_cast<double>(static_cast<float>(height_) * scale)));
        viewport.y = (h - viewport.h) / 2;
    } else {
        const float scale = static_cast<float>(h) / static_cast<float>(height_);
        viewport.w =
            static_cast<int>(std::floor(static_cast<double>(static_cast<float>(width_) * scale)));
        viewport.x = (w - viewport.w) / 2;
    }
    return viewport;
}

SDL_Rect TSdlSoftwareDisplay::letterbox(int w, int h) const {
    const float wantAspect = static_cast<float>(width_) / static_cast<float>(height_);
    const float realAspect = static_cast<float>(w) / static_cast<float>(h);
    const float scale = std::fabs(wantAspect - realAspect) >= 0.0001f && wantAspect <= realAspect
                            ? static_cast<float>(h) / static_cast<float>(height_)
                            : static_cast<float>(w) / static_cast<float>(width_);
    const SDL_Rect viewport = letterboxViewport(w, h);
    // The whole picture in logical units, as the renderer takes it, back in window pixels.
    const auto logicalWidth =
        static_cast<float>(static_cast<double>(viewport.w) / static_cast<double>(scale));
    const auto logicalHeight =
        static_cast<float>(static_cast<double>(viewport.h) / static_cast<double>(scale));
    return SDL_Rect{viewport.x, viewport.y, static_cast<int>(logicalWidth * scale),
                    static_cast<int>(logicalHeight * scale)};
}

}  // namespace gb
