#include "sdl/TSdlGpuBackend.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sdl/SdlDrawing.h"
#include "sdl/TSdlWindow.h"

namespace gb {

TSdlGpuBackend::TSdlGpuBackend(TSdlWindow& window) : TSdlBackend(window) {}

TSdlGpuBackend::~TSdlGpuBackend() {
    releaseRenderer();
}

bool TSdlGpuBackend::createRenderer(std::string& error) {
    renderer_ = window_.takeGpuRenderer();
    if (renderer_ == nullptr) {
        error = SDL_GetError();
        return false;
    }
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    if (SDL_RenderTargetSupported(renderer_)) {
        backBuffer_ = SDL_CreateTexture(renderer_, sdl::kTextureFormat, SDL_TEXTUREACCESS_TARGET,
                                        width_, height_);
    }
    if (backBuffer_ != nullptr) {
        SDL_SetTextureBlendMode(backBuffer_, SDL_BLENDMODE_NONE);
        // Smooth scaling to the window costs nothing on a GPU.
        SDL_SetTextureScaleMode(backBuffer_, SDL_ScaleModeLinear);
        SDL_SetRenderTarget(renderer_, backBuffer_);
    }
    // Without a render target the game draws straight into the window, through the
    // renderer's logical size.

    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer_, &info);
    window_.restartPacing((info.flags & SDL_RENDERER_PRESENTVSYNC) != 0);
    return true;
}

void TSdlGpuBackend::destroyRenderer() {
    releaseRenderer();
}

void TSdlGpuBackend::releaseRenderer() {
    forgetTextures();
    if (renderer_ != nullptr) {
        // Back to the window first: destroying the renderer while it still draws into a
        // texture queues commands that nothing frees any more.
        SDL_SetRenderTarget(renderer_, nullptr);
        // Frees every texture the renderer made, the back buffer included.
        SDL_DestroyRenderer(renderer_);
    }
    renderer_ = nullptr;
    backBuffer_ = nullptr;
    pixmapTexture_ = nullptr;
    pixmapTextureWidth_ = 0;
    pixmapTextureHeight_ = 0;
}

void TSdlGpuBackend::clear(const TDrawState& state) {
    if (renderer_ == nullptr) {
        return;
    }
    // The whole back buffer, whatever the viewport.
    SDL_RenderSetClipRect(renderer_, nullptr);
    SDL_SetRenderDrawColor(renderer_, static_cast<Uint8>(state.clearRed),
                           static_cast<Uint8>(state.clearGreen),
                           static_cast<Uint8>(state.clearBlue), 255);
    SDL_RenderClear(renderer_);
}

void TSdlGpuBackend::present() {
    if (renderer_ == nullptr) {
        return;
    }
    window_.pacer().waitForSlot();
    if (backBuffer_ != nullptr) {
        // Scale the back buffer into the window; the logical size letterboxes it.
        SDL_SetRenderTarget(renderer_, nullptr);
        SDL_RenderSetClipRect(renderer_, nullptr);
        int outputWidth = 0;
        int outputHeight = 0;
        SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
        if (outputWidth != width_ || outputHeight != height_) {
            // Black bars where the window's proportions differ from the picture's.
            SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
            SDL_RenderClear(renderer_);
        }
        SDL_RenderCopy(renderer_, backBuffer_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
        SDL_SetRenderTarget(renderer_, backBuffer_);
    } else {
        SDL_RenderPresent(renderer_);
    }
    window_.pacer().presented();
}

void TSdlGpuBackend::finish() {
    if (renderer_ != nullptr) {
        SDL_RenderFlush(renderer_);
    }
}

void TSdlGpuBackend::emitCopy(const std::shared_ptr<TCellTexture>& /*keep*/, SDL_Texture* texture,
                              const SDL_Rect* source, const SDL_FRect& target, int flip) {
    SDL_RenderCopyExF(renderer_, texture, source, &target, 0.0, nullptr,
                      static_cast<SDL_RendererFlip>(flip));
}

void TSdlGpuBackend::emitGeometry(const std::shared_ptr<TCellTexture>& /*keep*/,
                                  SDL_Texture* texture, const SDL_Vertex* vertices, int vertexCount,
                                  const int* indices, int indexCount) {
    SDL_RenderGeometry(renderer_, texture, vertices, vertexCount, indices, indexCount);
}

void TSdlGpuBackend::drawImageRect(TImage& image, int cell, float x, float y, float width,
                                   float height, const TDrawState& state) {
    if (renderer_ == nullptr || sdl::viewportEmpty(state)) {
        return;
    }
    SDL_Texture* texture = cellTexture(image, cell);
    if (texture == nullptr) {
        return;
    }
    sdl::applyTint(texture, state);
    applyClip(state);
    drawQuad(image.texture(cell), texture, nullptr, x, y, width, height, image.handleX,
             image.handleY, state);
}

void TSdlGpuBackend::tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) {
    if (renderer_ == nullptr || sdl::viewportEmpty(state) || image.width <= 0 ||
        image.height <= 0) {
        return;
    }
    SDL_Texture* texture = cellTexture(image, cell);
    if (texture == nullptr) {
        return;
    }
    const auto w = static_cast<float>(image.width);
    const auto h = static_cast<float>(image.height);
    const TViewport& v = state.viewport;
    sdl::applyTint(texture, state);
    applyClip(state);
    copyTiles(image.texture(cell), texture, firstTile(x, w, v.x), firstTile(y, h, v.y), w, h,
              static_cast<float>(v.x + v.width), static_cast<float>(v.y + v.height));
}

void TSdlGpuBackend::drawPixmap(const TPixmap& pixmap, int x, int y) {
    if (renderer_ == nullptr || pixmap.width() <= 0 || pixmap.height() <= 0) {
        return;
    }
    if (pixmapTexture_ == nullptr || pixmap.width() > pixmapTextureWidth_ ||
        pixmap.height() > pixmapTextureHeight_) {
        if (pixmapTexture_ != nullptr) {
            SDL_DestroyTexture(pixmapTexture_);
        }
        pixmapTextureWidth_ = std::max(pixmap.width(), pixmapTextureWidth_);
        pixmapTextureHeight_ = std::max(pixmap.height(), pixmapTextureHeight_);
        pixmapTexture_ = SDL_CreateTexture(renderer_, sdl::kRgbaFormat, SDL_TEXTUREACCESS_STREAMING,
                                           pixmapTextureWidth_, pixmapTextureHeight_);
        if (pixmapTexture_ == nullptr) {
            pixmapTextureWidth_ = 0;
            pixmapTextureHeight_ = 0;
            return;
        }
        // Colours are copied as they are: no blending, so the pixel map's alpha (often 0 in
        // generated pictures) does not matter.
        SDL_SetTextureBlendMode(pixmapTexture_, SDL_BLENDMODE_NONE);
        SDL_SetTextureScaleMode(pixmapTexture_, SDL_ScaleModeNearest);
    }
    const SDL_Rect area{0, 0, pixmap.width(), pixmap.height()};
    SDL_UpdateTexture(pixmapTexture_, &area, pixmap.data(), pixmap.pitch());
    const SDL_Rect target{x, y, pixmap.width(), pixmap.height()};
    SDL_RenderSetClipRect(renderer_, nullptr);
    SDL_RenderCopy(renderer_, pixmapTexture_, &area, &target);
}

void TSdlGpuBackend::readBackBuffer(const SDL_Rect& area, std::uint8_t* into, int pitch) {
    SDL_RenderReadPixels(renderer_, &area, sdl::kRgbaFormat, into, pitch);
}

}  // namespace gb
