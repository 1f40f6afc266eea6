#pragma once

#include "sdl/TSdlBackend.h"

namespace gb {

// The SDL render backend for a graphics device: an accelerated renderer that draws the game
// into an off-screen back buffer of exactly the display size (a render target), so drawing,
// clipping and reading pixels back work in display pixels whatever the window's real size.
// Presenting scales that buffer smoothly into the window, keeping its proportions with black
// bars (letterboxing), and waits for the display's refresh where the driver does.
class TSdlGpuBackend final : public TSdlBackend {
  public:
    explicit TSdlGpuBackend(TSdlWindow& window);
    ~TSdlGpuBackend() override;
    TSdlGpuBackend(const TSdlGpuBackend&) = delete;
    TSdlGpuBackend& operator=(const TSdlGpuBackend&) = delete;

    void clear(const TDrawState& state) override;
    void present() override;
    void drawImageRect(TImage& image, int cell, float x, float y, float width, float height,
                       const TDrawState& state) override;
    void tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) override;
    void drawPixmap(const TPixmap& pixmap, int x, int y) override;
    void finish() override;

  private:
    bool createRenderer(std::string& error) override;
    void destroyRenderer() override;
    void emitCopy(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                  const SDL_Rect* source, const SDL_FRect& target, int flip) override;
    void emitGeometry(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                      const SDL_Vertex* vertices, int vertexCount, const int* indices,
                      int indexCount) override;
    void readBackBuffer(const SDL_Rect& area, std::uint8_t* into, int pitch) override;
    void releaseRenderer();

    SDL_Texture* backBuffer_ = nullptr;     // the render target the game draws into
    SDL_Texture* pixmapTexture_ = nullptr;  // reused for drawPixmap uploads
    int pixmapTextureWidth_ = 0;
    int pixmapTextureHeight_ = 0;
};

}  // namespace gb
