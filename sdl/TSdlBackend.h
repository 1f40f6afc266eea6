#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "services/TEventSource.h"
#include "services/TRenderBackend.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Rect;
struct SDL_FRect;
struct SDL_Vertex;

namespace gb {

struct TSdlTurnedCell;
class TSdlSoftwareDisplay;

// What the SDL display's textures check before use: they belong to one renderer, and are
// only valid while that renderer lives and has not lost its textures.
struct TSdlRendererLife {
    bool alive = true;
};

// The platform renderer, an SDL2 window and renderer (GPU where there is one, software
// elsewhere); once open it is also the window system's event source for the keyboard.
// The game draws into an off-screen back buffer of exactly the display size
// (a render target), so drawing, clipping and reading pixels back work in display pixels
// whatever the window's real size; presenting scales that buffer into the window, keeping
// its proportions with black bars (letterboxing).
//
// Where SDL draws on the CPU (no GPU, or SDL_RENDER_DRIVER=software), the back buffer is a
// TSdlSoftwareDisplay, which draws again and presents only what changed from one frame to
// the next. A frame drawn with the very calls of the last one, which shows nothing new (the
// loading screen), is presented at once instead of waiting for the next frame.
class TSdlRenderBackend : public TRenderBackend, public TEventSource {
  public:
    TSdlRenderBackend();
    ~TSdlRenderBackend() override;
    TSdlRenderBackend(const TSdlRenderBackend&) = delete;
    TSdlRenderBackend& operator=(const TSdlRenderBackend&) = delete;

    bool open(int width, int height, std::string& error) override;
    void setWindowTitle(const std::string& title) override;
    void hideMouse() override;
    void clear(const TDrawState& state) override;
    void present() override;
    void drawImageRect(TImage& image, int cell, float x, float y, float width, float height,
                       const TDrawState& state) override;
    void tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) override;
    void drawText(const std::string& text, float x, float y, const TDrawState& state) override;
    void drawPixmap(const TPixmap& pixmap, int x, int y) override;
    void grabPixels(int x, int y, TPixmap& into) override;

    // Window events: keys, text, focus and close requests go to the keyboard; F11 switches
    // between full screen and a window here and never reaches the game, and a lost render
    // device is replaced here.
    void pump(TKeyboard& keyboard) override;

    // Switches between full screen and a resizable window.
    void toggleFullscreen();
    // How long after an F11 switch (from the later of the press and the end of the switch,
    // in SDL ticks) further presses are ignored.
    static constexpr std::uint32_t kSwitchSettleMs = 300;
    bool fullscreen() const;
    // Whether present waits out the frame itself because the display does not wait for
    // its vertical refresh. Turning pacing off makes present return at once (measurements).
    bool selfPaced() const { return selfPaced_; }
    void setFramePacing(bool on) { pacingAllowed_ = on; }
    // How many presented frames waited for their refresh (or would have, with pacing off):
    // all but the repeats of the last frame on the software display.
    int pacedFrames() const { return pacedFrames_; }
    // Carries out every queued drawing command now.
    void finish();
    SDL_Renderer* renderer() const { return renderer_; }
    // The window (the software display's renderer draws into a surface, not into it).
    SDL_Window* window() const { return window_; }

  private:
    [[nodiscard]] bool createRenderer(std::string& error);
    // A GPU renderer's back buffer: a render target of the display's size.
    void createBackBuffer();
    void destroyRenderer();
    // After the renderer lost its device: a new renderer, or, when none can be made, a line on
    // standard error and a close request.
    void restoreAfterDeviceReset(TKeyboard& keyboard);
    SDL_Texture* cellTexture(TImage& image, int cell);
    SDL_Texture* stretchedCellTexture(TImage& image, int cell, int width, int height);
    // A new width x height picture, transparent at first, into which draw copies the source's
    // own pixels (no blending, no tint); nullptr when the renderer cannot make one.
    SDL_Texture* makeCopy(SDL_Texture* source, int width, int height,
                          const std::function<void()>& draw);
    const TSdlTurnedCell* turnedCellTexture(TImage& image, int cell, float rotation);
    // Copies of a tile from (firstX, firstY) on, covering everything left of right and
    // above bottom.
    void copyTiles(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture, float firstX,
                   float firstY, float w, float h, float right, float bottom);
    SDL_Texture* fontTexture();
    void applyClip(const TDrawState& state);
    // Draws part of a texture as one quad: the w x h rectangle whose point (hx, hy) is the
    // handle, scaled and turned about the handle, which lands on (x, y). keep is what the
    // texture belongs to.
    void drawQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                  const SDL_Rect* source, float x, float y, float w, float h, float hx, float hy,
                  const TDrawState& state);
    void drawTurnedQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                        const SDL_Rect* source, float x, float y, float w, float h, float hx,
                        float hy, const TDrawState& state);
    // The renderer's copy and geometry calls: straight to SDL, or written down for the
    // software display (except while a copy of a cell is being made).
    void emitCopy(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                  const SDL_Rect* source, const SDL_FRect& target, int flip);
    void emitGeometry(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                      const SDL_Vertex* vertices, int vertexCount, const int* indices,
                      int indexCount);
    // Mix one drawing call, and the drawing state it is made under, into the fingerprint of
    // the frame's calls.
    template <class... Values>
    void noteCall(Values... values) {
        noteValues({static_cast<double>(values)...});
    }
    void noteValues(std::initializer_list<double> values);
    void noteState(const TDrawState& state);
    void paceFrame();
    void waitForSlot();
    // Whether an F11 press stamped at these SDL ticks falls while a switch is under way.
    bool switchUnderWay(std::uint32_t pressTicks) const;
    void switchForPress(std::uint32_t pressTicks);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* backBuffer_ = nullptr;     // the render target the game draws into
    SDL_Texture* pixmapTexture_ = nullptr;  // reused for drawPixmap uploads
    int pixmapTextureWidth_ = 0;
    int pixmapTextureHeight_ = 0;
    std::shared_ptr<TSdlRendererLife> life_;
    std::shared_ptr<TCellTexture> font_;  // the built-in font's glyphs
    bool videoStarted_ = false;
    int width_ = 0;
    int height_ = 0;

    bool switched_ = false;              // a switch to or from full screen has been made
    std::uint32_t switchSettlesAt_ = 0;  // SDL ticks at which the last switch counts as done

    bool selfPaced_ = false;
    // SDL's software renderer and its back buffer, where SDL draws on the CPU (none on a GPU).
    std::unique_ptr<TSdlSoftwareDisplay> cpuDisplay_;
    bool immediate_ = false;        // drawing into a copy of a cell, not into the frame
    std::uint64_t frameCalls_ = 0;  // fingerprint of this frame's drawing calls
    std::uint64_t shownCalls_ = 1;  // and of the last presented frame's
    int pacedFrames_ = 0;
    bool pacingAllowed_ = true;
    std::chrono::nanoseconds refreshPeriod_{};  // of the display, as it reports it
    int presentsWatched_ = 0;
    int quickPresents_ = 0;
    std::chrono::steady_clock::time_point lastPresent_{};
    std::chrono::steady_clock::time_point nextFrame_{};
    bool slotPending_ = false;  // the next frame waits until nextFrame_
};

}  // namespace gb
