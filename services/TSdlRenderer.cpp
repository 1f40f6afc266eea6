#include "services/TSdlRenderer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <numbers>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "services/BuiltInFont.h"
#include "services/TKeyboard.h"
#include "services/TLightSprite.h"
#include "services/TPlatform.h"
#include "services/TSdlEvents.h"
#include "services/TSdlSoftwareDisplay.h"

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

using Clock = std::chrono::steady_clock;

// The frame length when the display gives no vertical-refresh wait: 60 Hz.
constexpr auto kFramePeriod = std::chrono::nanoseconds(1'000'000'000 / 60);
// Presents are watched in groups of this many. When most of a group came back in less than
// half a refresh of the display, present is not waiting for the refresh (a virtual X server,
// a driver that ignores the request) and the display paces its frames itself.
constexpr int kPresentsWatched = 30;
constexpr int kQuickPresentsForPacing = 24;

// Memory order R, G, B, A: the pixel maps' own layout.
constexpr Uint32 kRgbaFormat = SDL_PIXELFORMAT_RGBA32;
// Cells are kept in the back buffer's own format, which every renderer supports and the
// software renderer blends without converting each pixel on every draw.
constexpr Uint32 kTextureFormat = SDL_PIXELFORMAT_ARGB8888;

// A texture holding a copy of the pixel map, or nullptr.
SDL_Texture* uploadTexture(SDL_Renderer* renderer, const TPixmap& pixels) {
    SDL_Texture* texture = SDL_CreateTexture(renderer, kTextureFormat, SDL_TEXTUREACCESS_STATIC,
                                             pixels.width(), pixels.height());
    if (texture == nullptr) {
        return nullptr;
    }
    std::vector<std::uint8_t> converted(static_cast<std::size_t>(pixels.width()) * 4 *
                                        static_cast<std::size_t>(pixels.height()));
    SDL_ConvertPixels(pixels.width(), pixels.height(), kRgbaFormat, pixels.data(), pixels.pitch(),
                      kTextureFormat, converted.data(), pixels.width() * 4);
    SDL_UpdateTexture(texture, nullptr, converted.data(), pixels.width() * 4);
    return texture;
}

// A texture of one cell (or of the font), owned by the renderer that made it. SDL frees a
// renderer's textures with the renderer, so a texture that outlives its renderer is only
// forgotten, never freed twice.
class TSdlCellTexture : public TCellTexture {
  public:
    TSdlCellTexture(std::shared_ptr<TSdlRendererLife> life, SDL_Texture* texture)
        : life_(std::move(life)), texture_(texture) {}
    ~TSdlCellTexture() override {
        if (life_->alive && texture_ != nullptr) {
            SDL_DestroyTexture(texture_);
            for (const Stretched& copy : stretched_) {
                SDL_DestroyTexture(copy.texture);
            }
        }
    }
    TSdlCellTexture(const TSdlCellTexture&) = delete;
    TSdlCellTexture& operator=(const TSdlCellTexture&) = delete;

    bool belongsTo(const std::shared_ptr<TSdlRendererLife>& life) const {
        return life_ == life && life_->alive;
    }
    SDL_Texture* texture() const { return texture_; }

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
    std::shared_ptr<TSdlRendererLife> life_;
    SDL_Texture* texture_;
    std::vector<Stretched> stretched_;
    std::vector<Turned> turned_;
};

SDL_BlendMode sdlBlendMode(BlendMode blend) {
    switch (blend) {
        case solidBlend:
            return SDL_BLENDMODE_NONE;
        case lightBlend:
            return SDL_BLENDMODE_ADD;
        case shadeBlend:
            return SDL_BLENDMODE_MOD;
        case alphaBlend:
        // maskBlend's alpha test is never used by the game; it draws as alpha blending so
        // that partly transparent edges still look right.
        case maskBlend:
            return SDL_BLENDMODE_BLEND;
    }
    return SDL_BLENDMODE_BLEND;  // not reached: every mode is handled above
}

Uint8 alphaByte(float alpha) {
    return static_cast<Uint8>(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f));
}

constexpr const char* kNoDisplay =
    "no display was found (set DISPLAY or WAYLAND_DISPLAY, or choose a driver with "
    "SDL_VIDEODRIVER)";

// True when the user (or a test) named a video driver, in SDL_VIDEODRIVER or as a hint.
bool userChoseVideoDriver() {
    const char* chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return chosen != nullptr && *chosen != '\0';
}

// Drivers that draw into memory only: nothing appears anywhere.
bool driverWithoutDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return true;
    }
    const std::string_view name(driver);
    return name == "dummy" || name == "offscreen";
}

// Window systems that never wait for a vertical refresh on present.
bool driverWithoutVsync() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return true;
    }
    const std::string_view name(driver);
    return name == "dummy" || name == "offscreen" || name == "evdev";
}

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

TSdlRenderBackend::TSdlRenderBackend() = default;

// The platform that owns the display destroys it before anything else shuts SDL down.
TSdlRenderBackend::~TSdlRenderBackend() {
    destroyRenderer();
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

namespace {

// True for a "GPU" renderer whose OpenGL is really a CPU rasteriser (Mesa's llvmpipe or
// softpipe on a machine without GPU drivers, or under a virtual X server). For this game's
// 2-D drawing SDL's own software renderer then costs a fraction of the CPU and memory.
// A renderer the user picked with SDL_RENDER_DRIVER is always kept.
bool userChoseRenderer() {
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    return chosen != nullptr && *chosen != '\0';
}

bool userChoseSoftware() {
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    return chosen != nullptr && std::string_view(chosen) == "software";
}

// True for a renderer that draws on the CPU: SDL's software renderer, which SDL may give for
// an accelerated one.
bool drawsInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

// True when the machine has a GPU device node (a DRM render node or card, or the NVIDIA
// driver's device). In a browser the renderer is WebGL, whatever draws it.
bool hasGraphicsDevice() {
#ifdef __EMSCRIPTEN__
    return true;
#else
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("renderD") || name.starts_with("card")) {
            return true;
        }
    }
    return std::filesystem::exists("/dev/nvidia0", ignored);
#endif
}

// SDL's software renderer presents through the window system's own shared-memory images
// rather than through an OpenGL texture, unless the user asked for something else.
void useSoftwareWindowSurface() {
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
}

bool rasterisesOnTheCpu(SDL_Renderer* renderer) {
    if (userChoseRenderer()) {
        return false;
    }
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
        std::string_view(info.name).find("opengl") == std::string_view::npos) {
        return false;
    }
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned int kGlRenderer = 0x1F01;
    const unsigned char* text = getString != nullptr ? getString(kGlRenderer) : nullptr;
    if (text == nullptr) {
        return false;
    }
    const std::string_view name(reinterpret_cast<const char*>(text));
    for (std::string_view cpu : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (name.find(cpu) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool TSdlRenderBackend::open(int width, int height, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "the display size must be positive";
        return false;
    }
    if (!videoStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error = SDL_GetError();
            return false;
        }
        if (!userChoseVideoDriver() && driverWithoutDisplay()) {
            // SDL fell back to a driver that shows nothing: the game would run unseen.
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            error = kNoDisplay;
            return false;
        }
        videoStarted_ = true;
    }
    const bool resized = width != width_ || height != height_;
    width_ = width;
    height_ = height;
    if (window_ == nullptr) {
        // Full screen at the desktop's own resolution: no mode switch, and the picture is
        // scaled up with black bars where the proportions differ. In a browser the canvas
        // keeps the picture's size and the page scales it.
#ifdef __EMSCRIPTEN__
        constexpr Uint32 kWindowFlags = 0;
#else
        constexpr Uint32 kWindowFlags = SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_RESIZABLE;
#endif
        window_ = SDL_CreateWindow("Gumbolt", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, kWindowFlags);
        if (window_ == nullptr) {
            error = SDL_GetError();
            return false;
        }
    }
    if (renderer_ == nullptr || resized) {
        destroyRenderer();
        if (!createRenderer(error)) {
            return false;
        }
    }
    SDL_StartTextInput();
    platform().eventSource = this;
    return true;
}

bool TSdlRenderBackend::createRenderer(std::string& error) {
    // Without a GPU an OpenGL renderer would be a CPU rasteriser that costs far more than
    // SDL's software renderer (and loads a compiler into memory): go straight to software.
    if (!userChoseSoftware() && (userChoseRenderer() || hasGraphicsDevice())) {
        renderer_ =
            SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        if (renderer_ != nullptr && (rasterisesOnTheCpu(renderer_) || drawsInSoftware(renderer_))) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
    }
    life_ = std::make_shared<TSdlRendererLife>();
    if (renderer_ == nullptr) {
        // SDL's software renderer, drawing into a back buffer that is redrawn and presented
        // only where one frame differs from the last. It never waits for a refresh.
        useSoftwareWindowSurface();
        cpuDisplay_ = std::make_unique<TSdlSoftwareDisplay>();
        if (!cpuDisplay_->open(window_, width_, height_, error)) {
            cpuDisplay_.reset();
            life_.reset();
            return false;
        }
        renderer_ = cpuDisplay_->renderer();
        selfPaced_ = true;
        shownCalls_ = frameCalls_ + 1;
    } else {
        createBackBuffer();
    }

    SDL_DisplayMode mode{};
    const bool known = SDL_GetWindowDisplayMode(window_, &mode) == 0 && mode.refresh_rate >= 24;
    refreshPeriod_ =
        known ? std::chrono::nanoseconds(1'000'000'000 / mode.refresh_rate) : kFramePeriod;
    presentsWatched_ = 0;
    quickPresents_ = 0;
    lastPresent_ = Clock::now();
    nextFrame_ = lastPresent_;
    return true;
}

void TSdlRenderBackend::createBackBuffer() {
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    if (SDL_RenderTargetSupported(renderer_)) {
        backBuffer_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                        SDL_TEXTUREACCESS_TARGET, width_, height_);
    }
    if (backBuffer_ != nullptr) {
        SDL_SetTextureBlendMode(backBuffer_, SDL_BLENDMODE_NONE);
        // Smooth scaling to the window costs nothing on a GPU (the software renderer has its
        // own back buffer, which it scales by pixel replication).
        SDL_SetTextureScaleMode(backBuffer_, SDL_ScaleModeLinear);
        SDL_SetRenderTarget(renderer_, backBuffer_);
    }
    // Without a render target the game draws straight into the window, through the
    // renderer's logical size.

    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer_, &info);
    selfPaced_ = (info.flags & SDL_RENDERER_PRESENTVSYNC) == 0 || driverWithoutVsync();
}

void TSdlRenderBackend::destroyRenderer() {
    if (life_) {
        life_->alive = false;
        life_.reset();
    }
    font_.reset();
    if (cpuDisplay_) {
        // Frees the renderer, every texture made with it, and the back buffer.
        cpuDisplay_.reset();
        renderer_ = nullptr;
    }
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

void TSdlRenderBackend::setWindowTitle(const std::string& title) {
    if (window_ != nullptr) {
        SDL_SetWindowTitle(window_, title.c_str());
    }
}

void TSdlRenderBackend::hideMouse() {
    SDL_ShowCursor(SDL_DISABLE);
}

void TSdlRenderBackend::clear(const TDrawState& state) {
    if (renderer_ == nullptr) {
        return;
    }
    // A frame starts here: it waits for its slot, and its fingerprint starts afresh.
    waitForSlot();
    frameCalls_ = 0;
    noteCall(0.0, state.clearRed, state.clearGreen, state.clearBlue);
    // The whole back buffer, whatever the viewport.
    SDL_RenderSetClipRect(renderer_, nullptr);
    if (cpuDisplay_) {
        cpuDisplay_->clear(static_cast<Uint8>(state.clearRed), static_cast<Uint8>(state.clearGreen),
                           static_cast<Uint8>(state.clearBlue), 255);
        return;
    }
    SDL_SetRenderDrawColor(renderer_, static_cast<Uint8>(state.clearRed),
                           static_cast<Uint8>(state.clearGreen),
                           static_cast<Uint8>(state.clearBlue), 255);
    SDL_RenderClear(renderer_);
}

void TSdlRenderBackend::noteState(const TDrawState& state) {
    if (!cpuDisplay_) {
        return;
    }
    noteCall(state.red, state.green, state.blue, state.alpha, state.blend, state.rotation,
             state.scaleX, state.scaleY, state.viewport.x, state.viewport.y, state.viewport.width,
             state.viewport.height);
}

void TSdlRenderBackend::noteValues(std::initializer_list<double> values) {
    // Only the software display asks whether a frame repeats the last one.
    if (!cpuDisplay_) {
        return;
    }
    // 64-bit FNV-1a over the values' bits.
    std::uint64_t h = frameCalls_ ^ 0xcbf29ce484222325ULL;
    for (const double value : values) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        h = (h ^ bits) * 0x100000001b3ULL;
    }
    frameCalls_ = h;
}

void TSdlRenderBackend::present() {
    if (renderer_ == nullptr) {
        return;
    }
    waitForSlot();
    if (cpuDisplay_) {
        // A frame drawn with the same calls as the last one, which shows nothing new, is not
        // waited for: the loading screen is shown ten times, but once is enough to see it.
        const bool shown = cpuDisplay_->present();
        const bool repeated = !shown && frameCalls_ == shownCalls_;
        shownCalls_ = frameCalls_;
        if (!repeated) {
            ++pacedFrames_;
            paceFrame();
        }
        return;
    }
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
    ++pacedFrames_;
    paceFrame();
}

void TSdlRenderBackend::paceFrame() {
    const Clock::time_point now = Clock::now();
    if (!selfPaced_) {
        quickPresents_ += now - lastPresent_ < refreshPeriod_ / 2 ? 1 : 0;
        if (++presentsWatched_ == kPresentsWatched) {
            selfPaced_ = quickPresents_ >= kQuickPresentsForPacing;
            nextFrame_ = now;
            presentsWatched_ = 0;
            quickPresents_ = 0;
        }
    }
    lastPresent_ = now;
    if (!selfPaced_ || !pacingAllowed_) {
        return;
    }
    // The next frame waits for its slot when it starts. A frame that ran late starts a new
    // rhythm rather than being followed by a burst of short ones.
    nextFrame_ += kFramePeriod;
    if (nextFrame_ < now) {
        nextFrame_ = now;
        return;
    }
    slotPending_ = true;
}

// The wait for a frame's slot comes when the next frame starts (its clear, or its present when
// it draws without clearing). In the main loop nothing happens between a flip and the next
// frame's clear, so the loop keeps its rhythm and reads the keys right after the wait as
// before; work done between frames (loading) is done in the wait instead of after it.
void TSdlRenderBackend::waitForSlot() {
    if (!slotPending_) {
        return;
    }
    slotPending_ = false;
    std::this_thread::sleep_until(nextFrame_);
    lastPresent_ = Clock::now();
}

void TSdlRenderBackend::finish() {
    if (cpuDisplay_) {
        cpuDisplay_->render();
    } else if (renderer_ != nullptr) {
        SDL_RenderFlush(renderer_);
    }
}

void TSdlRenderBackend::toggleFullscreen() {
    if (window_ == nullptr) {
        return;
    }
    // The renderer and its textures survive the switch; the logical size keeps the
    // picture scaled and letterboxed in a window of any size.
    SDL_SetWindowFullscreen(window_, fullscreen() ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

bool TSdlRenderBackend::switchUnderWay(std::uint32_t pressTicks) const {
    return switched_ && !SDL_TICKS_PASSED(pressTicks, switchSettlesAt_);
}

void TSdlRenderBackend::switchForPress(std::uint32_t pressTicks) {
    toggleFullscreen();
    // Under way until a while after the later of the press and the end of the switch.
    const std::uint32_t done = SDL_GetTicks();
    switchSettlesAt_ = (SDL_TICKS_PASSED(pressTicks, done) ? pressTicks : done) + kSwitchSettleMs;
    switched_ = true;
}

bool TSdlRenderBackend::fullscreen() const {
    return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}

void TSdlRenderBackend::pump(TKeyboard& keyboard) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11) {
#ifndef __EMSCRIPTEN__
            // Without a window manager a switch blocks for a tenth of a second or so, and a
            // burst of presses would pile up switch after switch: a press while a switch is
            // under way, or queued before it ended, is dropped, as are key repeats. (In a
            // browser the page switches itself: it may only while it handles the press.)
            if (event.key.repeat == 0 && !switchUnderWay(event.key.timestamp)) {
                switchForPress(event.key.timestamp);
            }
#endif
            continue;
        }
        if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_F11) {
            continue;
        }
        if (event.type == SDL_RENDER_DEVICE_RESET && renderer_ != nullptr) {
            restoreAfterDeviceReset(keyboard);
            continue;
        }
        deliverSdlEvent(event, keyboard);
    }
}

void TSdlRenderBackend::restoreAfterDeviceReset(TKeyboard& keyboard) {
    // Every texture is lost: start over with a new renderer; cells upload again on their next
    // draw.
    std::string error;
    destroyRenderer();
    if (!createRenderer(error)) {
        // Nothing can be shown any more. Rather than play on behind a black screen, say why
        // and end the game the way closing the window does, so the scores are saved.
        std::fprintf(stderr, "Gumbolt: cannot restore the display after a device reset: %s\n",
                     error.c_str());
        keyboard.closeRequested();
    }
}

SDL_Texture* TSdlRenderBackend::cellTexture(TImage& image, int cell) {
    if (image.textures.size() < image.cells.size()) {
        image.textures.resize(image.cells.size());
    }
    std::shared_ptr<TCellTexture>& slot = image.texture(cell);
    auto* cached = dynamic_cast<TSdlCellTexture*>(slot.get());
    if (cached == nullptr || !cached->belongsTo(life_)) {
        const TPixmap& pixels = image.pixels(cell);
        SDL_Texture* texture = uploadTexture(renderer_, pixels);
        if (texture == nullptr) {
            return nullptr;
        }
        auto made = std::make_shared<TSdlCellTexture>(life_, texture);
        cached = made.get();
        slot = std::move(made);
    }
    SDL_Texture* texture = cached->texture();
    // Smooth sampling follows the image flags, which the game may change after loading.
    SDL_SetTextureScaleMode(
        texture, (image.flags & filteredImage) != 0 ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    return texture;
}

SDL_Texture* TSdlRenderBackend::fontTexture() {
    auto* cached = dynamic_cast<TSdlCellTexture*>(font_.get());
    if (cached != nullptr && cached->belongsTo(life_)) {
        return cached->texture();
    }
    const TPixmap atlas = font::makeAtlas();
    SDL_Texture* texture = uploadTexture(renderer_, atlas);
    if (texture == nullptr) {
        return nullptr;
    }
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    font_ = std::make_shared<TSdlCellTexture>(life_, texture);
    return texture;
}

void TSdlRenderBackend::applyClip(const TDrawState& state) {
    const SDL_Rect clip{state.viewport.x, state.viewport.y, state.viewport.width,
                        state.viewport.height};
    SDL_RenderSetClipRect(renderer_, &clip);
}

void TSdlRenderBackend::drawQuad(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                                 const SDL_Rect* source, float x, float y, float w, float h,
                                 float hx, float hy, const TDrawState& state) {
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

void TSdlRenderBackend::emitCopy(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                                 const SDL_Rect* source, const SDL_FRect& target, int flip) {
    const auto flipping = static_cast<SDL_RendererFlip>(flip);
    if (cpuDisplay_ && !immediate_) {
        cpuDisplay_->copy(keep, texture, source, target, flipping);
    } else {
        SDL_RenderCopyExF(renderer_, texture, source, &target, 0.0, nullptr, flipping);
    }
}

void TSdlRenderBackend::emitGeometry(const std::shared_ptr<TCellTexture>& keep,
                                     SDL_Texture* texture, const SDL_Vertex* vertices,
                                     int vertexCount, const int* indices, int indexCount) {
    if (cpuDisplay_ && !immediate_) {
        cpuDisplay_->geometry(keep, texture, vertices, vertexCount, indices, indexCount);
    } else {
        SDL_RenderGeometry(renderer_, texture, vertices, vertexCount, indices, indexCount);
    }
}

// A turned quad goes to the renderer as its two triangles, with each corner placed by
// X = px·cos(r)·sx − py·sin(r)·sy + x, Y = px·sin(r)·sx + py·cos(r)·sy + y. This is the same
// single quad a turned copy would be, but the software renderer maps it straight from the
// texture instead of first turning the cell into a temporary picture on every call.
void TSdlRenderBackend::drawTurnedQuad(const std::shared_ptr<TCellTexture>& keep,
                                       SDL_Texture* texture, const SDL_Rect* source, float x,
                                       float y, float w, float h, float hx, float hy,
                                       const TDrawState& state) {
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

namespace {

// The drawing colour and alpha as SDL's colour and alpha modulation.
SDL_Color tintOf(const TDrawState& state) {
    return SDL_Color{static_cast<Uint8>(std::clamp(state.red, 0, 255)),
                     static_cast<Uint8>(std::clamp(state.green, 0, 255)),
                     static_cast<Uint8>(std::clamp(state.blue, 0, 255)), alphaByte(state.alpha)};
}

void applyTint(SDL_Texture* texture, const TDrawState& state) {
    const SDL_Color tint = tintOf(state);
    SDL_SetTextureColorMod(texture, tint.r, tint.g, tint.b);
    SDL_SetTextureAlphaMod(texture, tint.a);
    SDL_SetTextureBlendMode(texture, sdlBlendMode(state.blend));
}

// An address as a number for a fingerprint (exact: addresses use fewer than 53 bits).
double addressOf(const void* pointer) {
    return static_cast<double>(reinterpret_cast<std::uintptr_t>(pointer));
}

bool viewportEmpty(const TDrawState& state) {
    return state.viewport.width <= 0 || state.viewport.height <= 0;
}

}  // namespace

void TSdlRenderBackend::drawImageRect(TImage& image, int cell, float x, float y, float width,
                                      float height, const TDrawState& state) {
    if (renderer_ == nullptr || viewportEmpty(state)) {
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
    if (cpuDisplay_ && plain && static_cast<float>(wholeWidth) == width &&
        static_cast<float>(wholeHeight) == height && wholeWidth > 0 && wholeHeight > 0 &&
        (wholeWidth != image.width || wholeHeight != image.height)) {
        if (SDL_Texture* copy = stretchedCellTexture(image, cell, wholeWidth, wholeHeight)) {
            texture = copy;
        }
    }
    // Turning a cell on the CPU costs far more than copying one, and the fruit shower turns
    // up to 200 of them every frame. The software renderer therefore keeps each cell turned
    // in steps of 7.5 degrees and draws the nearest step, scaled about the handle.
    const bool unstretched =
        width == static_cast<float>(image.width) && height == static_cast<float>(image.height);
    if (cpuDisplay_ && !plain && unstretched && state.scaleX == state.scaleY &&
        state.scaleX > 0.0f) {
        if (const auto* turned = turnedCellTexture(image, cell, state.rotation)) {
            applyClip(state);
            const float s = state.scaleX;
            const SDL_FRect target{x + turned->left * s, y + turned->top * s,
                                   static_cast<float>(turned->width) * s,
                                   static_cast<float>(turned->height) * s};
            cpuDisplay_->copySprite(image.texture(cell), *turned->sprite, target, tintOf(state),
                                    sdlBlendMode(state.blend));
            return;
        }
    }
    applyTint(texture, state);
    applyClip(state);
    drawQuad(image.texture(cell), texture, nullptr, x, y, width, height, image.handleX,
             image.handleY, state);
}

const TSdlTurnedCell* TSdlRenderBackend::turnedCellTexture(TImage& image, int cell,
                                                           float rotation) {
    auto* owner = dynamic_cast<TSdlCellTexture*>(image.texture(cell).get());
    if (owner == nullptr || image.width > 256 || image.height > 256) {
        return nullptr;
    }
    float turns = std::fmod(rotation, 360.0f) / 360.0f;
    if (turns < 0.0f) {
        turns += 1.0f;
    }
    const int step =
        static_cast<int>(std::lround(turns * TSdlCellTexture::kTurns)) % TSdlCellTexture::kTurns;
    if (const auto* turned = owner->turned(step)) {
        return turned;
    }
    // The bounding box of the turned cell, relative to the handle it turns about.
    TDrawState turning;
    turning.rotation = 360.0f * static_cast<float>(step) / TSdlCellTexture::kTurns;
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
        SDL_CreateRGBSurfaceWithFormat(0, copy.width, copy.height, 32, kTextureFormat);
    if (pixels != nullptr) {
        SDL_SetRenderTarget(renderer_, made);
        SDL_RenderReadPixels(renderer_, nullptr, kTextureFormat, pixels->pixels, pixels->pitch);
        SDL_SetRenderTarget(renderer_, backBuffer_);
        copy.sprite = std::make_shared<TLightSprite>(pixels);
    }
    SDL_DestroyTexture(made);
    return copy.sprite != nullptr ? owner->keepTurned(step, copy) : nullptr;
}

SDL_Texture* TSdlRenderBackend::stretchedCellTexture(TImage& image, int cell, int width,
                                                     int height) {
    auto* owner = dynamic_cast<TSdlCellTexture*>(image.texture(cell).get());
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

SDL_Texture* TSdlRenderBackend::makeCopy(SDL_Texture* source, int width, int height,
                                         const std::function<void()>& draw) {
    SDL_Texture* copy =
        SDL_CreateTexture(renderer_, kTextureFormat, SDL_TEXTUREACCESS_TARGET, width, height);
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
    SDL_SetRenderTarget(renderer_, backBuffer_);
    SDL_SetTextureScaleMode(copy, SDL_ScaleModeNearest);
    return copy;
}

void TSdlRenderBackend::tileImage(TImage& image, int cell, float x, float y,
                                  const TDrawState& state) {
    if (renderer_ == nullptr || viewportEmpty(state) || image.width <= 0 || image.height <= 0) {
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
    // The first copies whose right and bottom edges pass the viewport's left and top.
    const float firstX = x + std::floor((static_cast<float>(v.x) - x) / w) * w;
    const float firstY = y + std::floor((static_cast<float>(v.y) - y) / h) * h;
    // The software renderer pays for every copy; the game tiles each grid's background with
    // the same pattern every frame, so the tiled viewport is made once and drawn as one.
    if (cpuDisplay_) {
        auto* owner = dynamic_cast<TSdlCellTexture*>(keep.get());
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
            applyTint(tiles, state);
            applyClip(state);
            const SDL_FRect target{static_cast<float>(v.x), static_cast<float>(v.y),
                                   static_cast<float>(v.width), static_cast<float>(v.height)};
            emitCopy(keep, tiles, nullptr, target, SDL_FLIP_NONE);
            return;
        }
    }
    applyTint(texture, state);
    applyClip(state);
    copyTiles(keep, texture, firstX, firstY, w, h, static_cast<float>(v.x + v.width),
              static_cast<float>(v.y + v.height));
}

void TSdlRenderBackend::copyTiles(const std::shared_ptr<TCellTexture>& keep, SDL_Texture* texture,
                                  float firstX, float firstY, float w, float h, float right,
                                  float bottom) {
    for (float top = firstY; top < bottom; top += h) {
        for (float left = firstX; left < right; left += w) {
            const SDL_FRect target{left, top, w, h};
            emitCopy(keep, texture, nullptr, target, SDL_FLIP_NONE);
        }
    }
}

void TSdlRenderBackend::drawText(const std::string& text, float x, float y,
                                 const TDrawState& state) {
    if (renderer_ == nullptr || viewportEmpty(state)) {
        return;
    }
    noteCall(3.0, x, y);
    for (const char c : text) {
        noteCall(c);
    }
    noteState(state);
    SDL_Texture* texture = fontTexture();
    if (texture == nullptr) {
        return;
    }
    applyTint(texture, state);
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

void TSdlRenderBackend::drawPixmap(const TPixmap& pixmap, int x, int y) {
    if (renderer_ == nullptr || pixmap.width() <= 0 || pixmap.height() <= 0) {
        return;
    }
    noteCall(4.0, x, y);
    if (cpuDisplay_) {
        // The frame is drawn later, so the pixels go into a texture of their own, which the
        // drawing keeps as long as it needs it.
        SDL_Texture* texture = SDL_CreateTexture(renderer_, kRgbaFormat, SDL_TEXTUREACCESS_STATIC,
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
                               static_cast<float>(pixmap.width()),
                               static_cast<float>(pixmap.height())};
        SDL_RenderSetClipRect(renderer_, nullptr);
        emitCopy(keep, texture, &area, target, SDL_FLIP_NONE);
        return;
    }
    if (pixmapTexture_ == nullptr || pixmap.width() > pixmapTextureWidth_ ||
        pixmap.height() > pixmapTextureHeight_) {
        if (pixmapTexture_ != nullptr) {
            SDL_DestroyTexture(pixmapTexture_);
        }
        pixmapTextureWidth_ = std::max(pixmap.width(), pixmapTextureWidth_);
        pixmapTextureHeight_ = std::max(pixmap.height(), pixmapTextureHeight_);
        pixmapTexture_ = SDL_CreateTexture(renderer_, kRgbaFormat, SDL_TEXTUREACCESS_STREAMING,
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

void TSdlRenderBackend::grabPixels(int x, int y, TPixmap& into) {
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
    if (cpuDisplay_) {
        cpuDisplay_->readPixels(inside, kRgbaFormat, start, into.pitch());
        return;
    }
    SDL_RenderReadPixels(renderer_, &inside, kRgbaFormat, start, into.pitch());
}

}  // namespace gb
