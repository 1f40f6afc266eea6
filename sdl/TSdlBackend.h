#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "services/TRenderBackend.h"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Rect;
struct SDL_FRect;
struct SDL_Vertex;

namespace gb {

class TSdlCellTexture;
class TSdlWindow;
struct TSdlRendererLife;

// What the two SDL render backends share: an SDL renderer drawing the game's 800 x 600
// picture for a TSdlWindow, the cells uploaded as textures on their first draw, each cell
// drawn as one quad (a copy, or two triangles when turned), and the built-in font. The GPU
// backend (TSdlGpuBackend) sends the quads to SDL at once; the CPU backend (TSdlCpuBackend)
// writes them down and draws only what changed. Each keeps its own caches.
//
// Opening the backend opens its window, if it is not open yet, and makes the renderer; when
// the window reports a lost render device the renderer is made again and the cells upload
// again on their next draw.
class TSdlBackend : public TRenderBackend {
  public:
    explicit TSdlBackend(TSdlWindow& window);
    ~TSdlBackend() override;
    TSdlBackend(const TSdlBackend&) = delete;
    TSdlBackend& operator=(const TSdlBackend&) = delete;

    bool open(int width, int height, std::string& error) final;
    void setWindowTitle(const std::string& title) final;
    void hideMouse() final;
    void drawText(const std::string& text, float x, float y, const TDrawState& state) override;
    // The part of the back buffer inside the display; the rest of the pixmap black.
    void grabPixels(int x, int y, TPixmap& into) final;

    // Carries out every drawing command given so far.
    virtual void finish() = 0;
    SDL_Renderer* renderer() const { return renderer_; }
    TSdlWindow& window() const { return window_; }

  protected:
    // Makes the renderer (renderer_) for the open window at the display size; false with the
    // reason when it cannot. life_ is new when it is called.
    [[nodiscard]] virtual bool createRenderer(std::string& error) = 0;
    // Frees the renderer, with every texture made with it and whatever the backend keeps.
    virtual void destroyRenderer() = 0;
    // SDL_RenderCopyExF without turning, and SDL_RenderGeometry, or what stands for them; keep
    // is what the texture belongs to.
    virtual void emitCopy(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                          const SDL_Rect* source, const SDL_FRect& target, int flip) = 0;
    virtual void emitGeometry(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                              const SDL_Vertex* vertices, int vertexCount, const int* indices,
                              int indexCount) = 0;
    // Reads a rectangle of the back buffer (inside the display) into RGBA rows of the given
    // pitch, as SDL_RenderReadPixels does.
    virtual void readBackBuffer(const SDL_Rect& area, std::uint8_t* into, int pitch) = 0;
    // Keeps an uploaded cell texture; a backend may keep more with it.
    virtual std::shared_ptr<TSdlCellTexture> keepCellTexture(SDL_Texture* texture);

    // The texture of a cell, uploaded when it has none of this renderer; nullptr when it
    // cannot be made. Its sampling follows the image's flags.
    SDL_Texture* cellTexture(TImage& image, int cell);
    SDL_Texture* fontTexture();
    void applyClip(const TDrawState& state);
    // Draws part of a texture as one quad: the w x h rectangle whose point (hx, hy) is the
    // handle, scaled and turned about the handle, which lands on (x, y).
    void drawQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                  const SDL_Rect* source, float x, float y, float w, float h, float hx, float hy,
                  const TDrawState& state);
    void drawTurnedQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                        const SDL_Rect* source, float x, float y, float w, float h, float hx,
                        float hy, const TDrawState& state);
    // Copies of a w x h tile from (firstX, firstY) on, covering everything left of right and
    // above bottom.
    void copyTiles(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture, float firstX,
                   float firstY, float w, float h, float right, float bottom);
    // Where the copies of a tile anchored at (x, y) start: the first ones whose right and
    // bottom edges pass the viewport's left and top.
    static float firstTile(float anchor, float size, int viewportStart);
    // Marks every texture of the renderer as gone (before the renderer is destroyed).
    void forgetTextures();

    TSdlWindow& window_;
    SDL_Renderer* renderer_ = nullptr;
    std::shared_ptr<TSdlRendererLife> life_;
    int width_ = 0;
    int height_ = 0;

  private:
    [[nodiscard]] bool makeRenderer(std::string& error);
    // After a lost device: a new renderer; false with the reason when none can be made.
    [[nodiscard]] bool remakeRenderer(std::string& error);

    std::shared_ptr<TCellTexture> font_;  // the built-in font's glyphs
};

}  // namespace gb
