#include "sdl/TSdlCpuBackend.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "sdl/SdlDrawing.h"
#include "sdl/TLightSprite.h"
#include "sdl/TSdlCellTexture.h"
#include "sdl/TSdlSoftwareDisplay.h"
#include "sdl/TSdlWindow.h"

namespace gb {

// A cell turned by one step of a full turn: the picture (kept as a sprite of the software
// display), its top-left corner relative to the handle it turns about, and its size.
struct TSdlTurnedCell {
    std::shared_ptr<TLightSprite> sprite;
    float left = 0.0f;
    float top = 0.0f;
    int width = 0;
    int height = 0;
};

namespace {

// A cell's texture with the copies the CPU backend makes of it: stretched to a size, tiled
// over a viewport, turned by a step of a full turn.
class TSdlCpuCell : public TSdlCellTexture {
  public:
    using TSdlCellTexture::TSdlCellTexture;
    ~TSdlCpuCell() override {
        if (rendererAlive()) {
            for (const Stretched& copy : stretched_) {
                SDL_DestroyTexture(copy.texture);
            }
        }
    }
    TSdlCpuCell(const TSdlCpuCell&) = delete;
    TSdlCpuCell& operator=(const TSdlCpuCell&) = delete;

    // A copy of the cell stretched to width x height, made by the caller, or nullptr.
    SDL_Texture* stretched(int width, int height) const { return find(width, height, -1, -1); }
    // A width x height picture tiled with the cell from (offsetX, offsetY), or nullptr.
    SDL_Texture* tiled(int width, int height, float offsetX, float offsetY) const {
        return find(width, height, offsetX, offsetY);
    }
    void keepTiled(int width, int height, float offsetX, float offsetY, SDL_Texture* texture) {
        stretched_.push_back({width, height, texture, offsetX, offsetY});
    }
    void keepStretched(int width, int height, SDL_Texture* texture) {
        stretched_.push_back({width, height, texture});
    }
    bool canKeepMore() const { return stretched_.size() < kMostCopies; }

    // The cell turned by one of kTurns steps of a full turn about its handle, made by the
    // caller, or nullptr.
    static constexpr int kTurns = 48;
    using Turned = TSdlTurnedCell;
    const Turned* turned(int step) const {
        return turned_.empty() || turned_[static_cast<std::size_t>(step)].sprite == nullptr
                   ? nullptr
                   : &turned_[static_cast<std::size_t>(step)];
    }
    const Turned* keepTurned(int step, const Turned& copy) {
        turned_.resize(kTurns);
        turned_[static_cast<std::size_t>(step)] = copy;
        return &turned_[static_cast<std::size_t>(step)];
    }

  private:
    // The game stretches and tiles each picture to one or two sizes; more than this means
    // sizes that keep changing, which a cache would only fill up with.
    static constexpr std::size_t kMostCopies = 8;
    struct Stretched {
        int width;
        int height;
        SDL_Texture* texture;
        float offsetX = -1.0f;  // -1: a stretched copy; otherwise where the tiling starts
        float offsetY = -1.0f;
    };
    SDL_Texture* find(int width, int height, float offsetX, float offsetY) const {
        for (const Stretched& copy : stretched_) {
            if (copy.width == width && copy.height == height && copy.offsetX == offsetX &&
                copy.offsetY == offsetY) {
                return copy.texture;
            }
        }
        return nullptr;
    }
    std::vector<Stretched> stretched_;
    std::vector<Turned> turned_;
};

// An address as a number for a fingerprint (exact: addresses use fewer than 53 bits).
double addressOf(const void* pointer) {
    return static_cast<double>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace

TSdlCpuBackend::TSdlCpuBackend(TSdlWindow& window) : TSdlBackend(window) {}

TSdlCpuBackend::~TSdlCpuBackend() {
    releaseRenderer();
}

bool TSdlCpuBackend::createRenderer(std::string& error) {
    // SDL's software renderer presents through the window system's own shared-memory images
    // rather than through an OpenGL texture, unless the user asked for something else.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    display_ = std::make_unique<TSdlSoftwareDisplay>();
    if (!display_->open(window_.window(), width_, height_, error)) {
        display_.reset();
        return false;
    }
    renderer_ = display_->renderer();
    shownCalls_ = frameCalls_ + 1;
    // It never waits for a refresh.
    window_.restartPacing(false);
    return true;
}

void TSdlCpuBackend::destroyRenderer() {
    releaseRenderer();
}

void TSdlCpuBackend::releaseRenderer() {
    forgetTextures();
    // Frees the renderer, every texture made with it, and the back buffer.
    display_.reset();
    renderer_ = nullptr;
}

std::shared_ptr<TSdlCellTexture> TSdlCpuBackend::keepCellTexture(SDL_Texture* texture) {
    return std::make_shared<TSdlCpuCell>(life_, texture);
}

void TSdlCpuBackend::clear(const TDrawState& state) {
    if (renderer_ == nullptr) {
        return;
    }
    // A frame starts here: its fingerprint starts afresh.
    frameCalls_ = 0;
    noteCall(0.0, state.clearRed, state.clearGreen, state.clearBlue);
    // The whole back buffer, whatever the viewport.
    SDL_RenderSetClipRect(renderer_, nullptr);
    display_->clear(static_cast<Uint8>(state.clearRed), static_cast<Uint8>(state.clearGreen),
                    static_cast<Uint8>(state.clearBlue), 255);
}

void TSdlCpuBackend::noteState(const TDrawState& state) {
    noteCall(state.red, state.green, state.blue, state.alpha, state.blend, state.rotation,
             state.scaleX, state.scaleY, state.viewport.x, state.viewport.y, state.viewport.width,
             state.viewport.height);
}

void TSdlCpuBackend::noteValues(std::initializer_list<double> values) {
    // 64-bit FNV-1a over the values' bits.
    std::uint64_t h = frameCalls_ ^ 0xcbf29ce484222325ULL;
    for (const double value : values) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        h = (h ^ bits) * 0x100000001b3ULL;
    }
    frameCalls_ = h;
}

void TSdlCpuBackend::present() {
    if (renderer_ == nullptr) {
        return;
    }
    window_.pacer().waitForSlot();
    // A frame drawn with the same calls as the last one, which shows nothing new, is not
    // waited for: the loading screen is shown ten times, but once is enough to see it.
    const bool shown = display_->present();
    const bool repeated = !shown && frameCalls_ == shownCalls_;
    shownCalls_ = frameCalls_;
    if (!repeated) {
        window_.pacer().presented();
    }
}

void TSdlCpuBackend::finish() {
    if (display_) {
        display_->render();
    }
}

void TSdlCpuBackend::emitCopy(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                              const SDL_Rect* source, const SDL_FRect& target, int flip) {
    const auto flipping = static_cast<SDL_RendererFlip>(flip);
    if (immediate_) {
        SDL_RenderCopyExF(renderer_, texture, source, &target, 0.0, nullptr, flipping);
    } else {
        display_->copy(keep, texture, source, target, flipping);
    }
}

void TSdlCpuBackend::emitGeometry(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                                  const SDL_Vertex* vertices, int vertexCount, const int* indices,
                                  int indexCount) {
    if (immediate_) {
        SDL_RenderGeometry(renderer_, texture, vertices, vertexCount, indices, indexCount);
    } else {
        display_->geometry(keep, texture, vertices, vertexCount, indices, indexCount);
    }
}

void TSdlCpuBackend::drawImageRect(TImage& image, int cell, float x, float y, float width,
                                   float height, const TDrawState& state) {
    if (renderer_ == nullptr || sdl::viewportEmpty(state)) {
        return;
    }
    noteCall(1.0, addressOf(&image), cell, x, y, width, height);
    noteState(state);
    SDL_Texture* texture = cellTexture(image, cell);
    if (texture == nullptr) {
        return;
    }
    // The software renderer scales a stretched cell afresh on every draw, through a temporary
    // picture. The game stretches its panel picture to the same few sizes every frame, so
    // such a cell is stretched once and the copy is reused.
    const bool plain =
        std::fmod(state.rotation, 360.0f) == 0.0f && state.scaleX == 1.0f && state.scaleY == 1.0f;
    const int wholeWidth = static_cast<int>(width);
    const int wholeHeight = static_cast<int>(height);
    if (plain && static_cast<float>(wholeWidth) == width &&
        static_cast<float>(wholeHeight) == height && wholeWidth > 0 && wholeHeight > 0 &&
        (wholeWidth != image.width || wholeHeight != image.height)) {
        if (SDL_Texture* copy = stretchedCellTexture(image, cell, wholeWidth, wholeHeight)) {
            texture = copy;
        }
    }
    // Turning a cell on the CPU costs far more than copying one, and the fruit shower turns
    // up to 200 of them every frame. Each cell is therefore kept turned in steps of 7.5
    // degrees, and the nearest step is drawn, scaled about the handle.
    const bool unstretched =
        width == static_cast<float>(image.width) && height == static_cast<float>(image.height);
    if (!plain && unstretched && state.scaleX == state.scaleY && state.scaleX > 0.0f) {
        if (const auto* turned = turnedCellTexture(image, cell, state.rotation)) {
            applyClip(state);
            const float s = state.scaleX;
            const SDL_FRect target{x + turned->left * s, y + turned->top * s,
                                   static_cast<float>(turned->width) * s,
                                   static_cast<float>(turned->height) * s};
            display_->copySprite(image.texture(cell), *turned->sprite, target, sdl::tintOf(state),
                                 sdl::blendMode(state.blend));
            return;
        }
    }
    sdl::applyTint(texture, state);
    applyClip(state);
    drawQuad(image.texture(cell), texture, nullptr, x, y, width, height, image.handleX,
             image.handleY, state);
}

const TSdlTurnedCell* TSdlCpuBackend::turnedCellTexture(TImage& image, int cell, float rotation) {
    auto* owner = dynamic_cast<TSdlCpuCell*>(image.texture(cell).get());
    if (owner == nullptr || image.width > 256 || image.height > 256) {
        return nullptr;
    }
    float turns = std::fmod(rotation, 360.0f) / 360.0f;
    if (turns < 0.0f) {
        turns += 1.0f;
    }
    const int step =
        static_cast<int>(std::lround(turns * TSdlCpuCell::kTurns)) % TSdlCpuCell::kTurns;
    if (const auto* turned = owner->turned(step)) {
        return turned;
    }
    // The bounding box of the turned cell, relative to the handle it turns about.
    TDrawState turning;
    turning.rotation = 360.0f * static_cast<float>(step) / TSdlCpuCell::kTurns;
    const double radians = static_cast<double>(turning.rotation) * (std::numbers::pi / 180.0);
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    const float hx = image.handleX;
    const float hy = image.handleY;
    const auto w = static_cast<float>(image.width);
    const auto h = static_cast<float>(image.height);
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    using Corner = std::pair<double, double>;
    for (const auto& [px, py] :
         {Corner{-hx, -hy}, Corner{w - hx, -hy}, Corner{-hx, h - hy}, Corner{w - hx, h - hy}}) {
        const double cx = px * cosine - py * sine;
        const double cy = px * sine + py * cosine;
        left = std::min(left, cx);
        right = std::max(right, cx);
        top = std::min(top, cy);
        bottom = std::max(bottom, cy);
    }
    TSdlTurnedCell copy;
    copy.left = static_cast<float>(std::floor(left));
    copy.top = static_cast<float>(std::floor(top));
    copy.width = static_cast<int>(std::ceil(right) - std::floor(left));
    copy.height = static_cast<int>(std::ceil(bottom) - std::floor(top));
    SDL_Texture* source = owner->texture();
    SDL_Texture* made = makeCopy(source, copy.width, copy.height, [&] {
        drawTurnedQuad(nullptr, source, nullptr, -copy.left, -copy.top, w, h, hx, hy, turning);
    });
    if (made == nullptr) {
        return nullptr;
    }
    // Kept as a sprite of the software display: its pixels, read back once.
    SDL_Surface* pixels =
        SDL_CreateRGBSurfaceWithFormat(0, copy.width, copy.height, 32, sdl::kTextureFormat);
    if (pixels != nullptr) {
        SDL_SetRenderTarget(renderer_, made);
        SDL_RenderReadPixels(renderer_, nullptr, sdl::kTextureFormat, pixels->pixels,
                             pixels->pitch);
        SDL_SetRenderTarget(renderer_, nullptr);
        copy.sprite = std::make_shared<TLightSprite>(pixels);
    }
    SDL_DestroyTexture(made);
    return copy.sprite != nullptr ? owner->keepTurned(step, copy) : nullptr;
}

SDL_Texture* TSdlCpuBackend::stretchedCellTexture(TImage& image, int cell, int width, int height) {
    auto* owner = dynamic_cast<TSdlCpuCell*>(image.texture(cell).get());
    if (owner == nullptr || width > 4096 || height > 4096) {
        return nullptr;
    }
    if (SDL_Texture* copy = owner->stretched(width, height)) {
        return copy;
    }
    if (!owner->canKeepMore()) {
        return nullptr;
    }
    SDL_Texture* source = owner->texture();
    SDL_Texture* copy = makeCopy(source, width, height,
                                 [&] { SDL_RenderCopy(renderer_, source, nullptr, nullptr); });
    if (copy != nullptr) {
        owner->keepStretched(width, height, copy);
    }
    return copy;
}

SDL_Texture* TSdlCpuBackend::makeCopy(SDL_Texture* source, int width, int height,
                                      const std::function<void()>& draw) {
    SDL_Texture* copy =
        SDL_CreateTexture(renderer_, sdl::kTextureFormat, SDL_TEXTUREACCESS_TARGET, width, height);
    if (copy == nullptr) {
        return nullptr;
    }
    SDL_SetTextureBlendMode(source, SDL_BLENDMODE_NONE);
    SDL_SetTextureColorMod(source, 255, 255, 255);
    SDL_SetTextureAlphaMod(source, 255);
    SDL_SetRenderTarget(renderer_, copy);
    SDL_RenderSetClipRect(renderer_, nullptr);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 0);
    SDL_RenderClear(renderer_);
    immediate_ = true;
    draw();
    immediate_ = false;
    // Back to the display's own back buffer.
    SDL_SetRenderTarget(renderer_, nullptr);
    SDL_SetTextureScaleMode(copy, SDL_ScaleModeNearest);
    return copy;
}

void TSdlCpuBackend::tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) {
    if (renderer_ == nullptr || sdl::viewportEmpty(state) || image.width <= 0 ||
        image.height <= 0) {
        return;
    }
    noteCall(2.0, addressOf(&image), cell, x, y);
    noteState(state);
    SDL_Texture* texture = cellTexture(image, cell);
    if (texture == nullptr) {
        return;
    }
    const std::shared_ptr<TCellTexture>& keep = image.texture(cell);
    const auto w = static_cast<float>(image.width);
    const auto h = static_cast<float>(image.height);
    const TViewport& v = state.viewport;
    const float firstX = firstTile(x, w, v.x);
    const float firstY = firstTile(y, h, v.y);
    // The software renderer pays for every copy; the game tiles each grid's background with
    // the same pattern every frame, so the tiled viewport is made once and drawn as one.
    auto* owner = dynamic_cast<TSdlCpuCell*>(keep.get());
    const float offsetX = firstX - static_cast<float>(v.x);
    const float offsetY = firstY - static_cast<float>(v.y);
    SDL_Texture* tiles =
        owner != nullptr ? owner->tiled(v.width, v.height, offsetX, offsetY) : nullptr;
    if (tiles == nullptr && owner != nullptr && owner->canKeepMore()) {
        tiles = makeCopy(texture, v.width, v.height, [&] {
            copyTiles(keep, texture, offsetX, offsetY, w, h, static_cast<float>(v.width),
                      static_cast<float>(v.height));
        });
        if (tiles != nullptr) {
            owner->keepTiled(v.width, v.height, offsetX, offsetY, tiles);
        }
    }
    if (tiles != nullptr) {
        sdl::applyTint(tiles, state);
        applyClip(state);
        const SDL_FRect target{static_cast<float>(v.x), static_cast<float>(v.y),
                               static_cast<float>(v.width), static_cast<float>(v.height)};
        emitCopy(keep, tiles, nullptr, target, SDL_FLIP_NONE);
        return;
    }
    sdl::applyTint(texture, state);
    applyClip(state);
    copyTiles(keep, texture, firstX, firstY, w, h, static_cast<float>(v.x + v.width),
              static_cast<float>(v.y + v.height));
}

void TSdlCpuBackend::drawText(const std::string& text, float x, float y, const TDrawState& state) {
    if (renderer_ == nullptr || sdl::viewportEmpty(state)) {
        return;
    }
    noteCall(3.0, x, y);
    for (const char c : text) {
        noteCall(c);
    }
    noteState(state);
    TSdlBackend::drawText(text, x, y, state);
}

void TSdlCpuBackend::drawPixmap(const TPixmap& pixmap, int x, int y) {
    if (renderer_ == nullptr || pixmap.width() <= 0 || pixmap.height() <= 0) {
        return;
    }
    noteCall(4.0, x, y);
    // The frame is drawn later, so the pixels go into a texture of their own, which the
    // drawing keeps as long as it needs it.
    SDL_Texture* texture = SDL_CreateTexture(renderer_, sdl::kRgbaFormat, SDL_TEXTUREACCESS_STATIC,
                                             pixmap.width(), pixmap.height());
    if (texture == nullptr) {
        return;
    }
    SDL_UpdateTexture(texture, nullptr, pixmap.data(), pixmap.pitch());
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    const auto keep = std::make_shared<TSdlCellTexture>(life_, texture);
    const SDL_Rect area{0, 0, pixmap.width(), pixmap.height()};
    const SDL_FRect target{static_cast<float>(x), static_cast<float>(y),
                           static_cast<float>(pixmap.width()), static_cast<float>(pixmap.height())};
    SDL_RenderSetClipRect(renderer_, nullptr);
    emitCopy(keep, texture, &area, target, SDL_FLIP_NONE);
}

void TSdlCpuBackend::readBackBuffer(const SDL_Rect& area, std::uint8_t* into, int pitch) {
    display_->readPixels(area, sdl::kRgbaFormat, into, pitch);
}

}  // namespace gb
