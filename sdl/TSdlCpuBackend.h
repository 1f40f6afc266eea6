#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

#include "sdl/TSdlBackend.h"

namespace gb {

class TSdlSoftwareDisplay;
struct TSdlTurnedCell;

// The SDL render backend where SDL draws on the CPU (no GPU, or SDL_RENDER_DRIVER=software):
// SDL's software renderer draws into a back buffer of the display's size, a
// TSdlSoftwareDisplay, which draws again and presents only what changed from one frame to the
// next, straight into the window's surface. Presenting does not wait for a refresh, so the
// window paces the frames.
//
// What the software renderer would pay for on every draw is made once and kept with each cell
// texture: the panel picture stretched to its sizes, a grid's tiled background, and every
// fruit cell turned in steps of 7.5 degrees (drawn by the display's own blitter). A frame drawn
// with the very calls of the last one, which shows nothing new (the loading screen), is
// presented at once instead of waiting for the next frame: every drawing call, with the state
// it is made under, goes into a fingerprint of the frame.
class TSdlCpuBackend final : public TSdlBackend {
  public:
    explicit TSdlCpuBackend(TSdlWindow& window);
    ~TSdlCpuBackend() override;
    TSdlCpuBackend(const TSdlCpuBackend&) = delete;
    TSdlCpuBackend& operator=(const TSdlCpuBackend&) = delete;

    void clear(const TDrawState& state) override;
    void present() override;
    void drawImageRect(TImage& image, int cell, float x, float y, float width, float height,
                       const TDrawState& state) override;
    void tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) override;
    void drawText(const std::string& text, float x, float y, const TDrawState& state) override;
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
    std::shared_ptr<TSdlCellTexture> keepCellTexture(SDL_Texture* texture) override;
    void readBackBuffer(const SDL_Rect& area, std::uint8_t* into, int pitch) override;
    void releaseRenderer();

    const TSdlTurnedCell* turnedCellTexture(TImage& image, int cell, float rotation);
    SDL_Texture* stretchedCellTexture(TImage& image, int cell, int width, int height);
    // A new width x height picture, transparent at first, into which draw copies the source's
    // own pixels (no blending, no tint); nullptr when the renderer cannot make one.
    SDL_Texture* makeCopy(SDL_Texture* source, int width, int height,
                          const std::function<void()>& draw);
    // Mix one drawing call, and the drawing state it is made under, into the fingerprint of
    // the frame's calls.
    template <class... Values>
    void noteCall(Values... values) {
        noteValues({static_cast<double>(values)...});
    }
    void noteValues(std::initializer_list<double> values);
    void noteState(const TDrawState& state);

    std::unique_ptr<TSdlSoftwareDisplay> display_;
    bool immediate_ = false;        // drawing into a copy of a cell, not into the frame
    std::uint64_t frameCalls_ = 0;  // fingerprint of this frame's drawing calls
    std::uint64_t shownCalls_ = 1;  // and of the last presented frame's
};

}  // namespace gb
