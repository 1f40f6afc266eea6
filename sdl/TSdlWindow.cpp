#include "sdl/TSdlWindow.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>

#include "sdl/TGamepads.h"
#include "sdl/TSdlEvents.h"
#include "services/TKeyboard.h"

namespace gb {

namespace {

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

// True for a "GPU" renderer whose OpenGL is really a CPU rasteriser (Mesa's llvmpipe or
// softpipe on a machine without GPU drivers, or under a virtual X server). For this game's
// 2-D drawing SDL's own software renderer then costs a fraction of the CPU and memory.
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

// How the window opens (full screen or a window, as chosen), and whether F11 switches it: a
// browser's page does both itself.
#ifdef __EMSCRIPTEN__
constexpr Uint32 kWindowFlags = 0;
constexpr bool kOpensAsChosen = false;
constexpr bool kSwitchesOnF11 = false;
#else
constexpr Uint32 kWindowFlags = SDL_WINDOW_RESIZABLE;
constexpr bool kOpensAsChosen = true;
constexpr bool kSwitchesOnF11 = true;
#endif

SDL_Renderer* makeAcceleratedRenderer(SDL_Window* window) {
    return SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
}

}  // namespace

TSdlWindow::TSdlWindow() = default;

// The platform destroys the window after the backend that draws into it, and before anything
// else shuts SDL down.
TSdlWindow::~TSdlWindow() {
    if (gpuRenderer_ != nullptr) {
        SDL_DestroyRenderer(gpuRenderer_);
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool TSdlWindow::open(int width, int height, std::string& error) {
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
    if (window_ == nullptr) {
        // Full screen at the desktop's own resolution: no mode switch, and the picture is
        // scaled up with black bars where the proportions differ; or a resizable window, as
        // the player chose. In a browser the canvas keeps the picture's size and the page
        // scales it.
        const Uint32 screen =
            kOpensAsChosen && startFullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
        window_ = SDL_CreateWindow("Gumbolt", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, screen | kWindowFlags);
        if (window_ == nullptr) {
            error = SDL_GetError();
            return false;
        }
        SDL_StartTextInput();
    } else if (width != width_ || height != height_) {
        SDL_SetWindowSize(window_, width, height);
    }
    width_ = width;
    height_ = height;
    return true;
}

void TSdlWindow::setTitle(const std::string& title) {
    if (window_ != nullptr) {
        SDL_SetWindowTitle(window_, title.c_str());
    }
}

void TSdlWindow::hideMouse() {
    SDL_ShowCursor(SDL_DISABLE);
}

bool TSdlWindow::hasGpu() {
    if (!gpuProbed_ && window_ != nullptr) {
        gpuProbed_ = true;
        // Without a GPU an OpenGL renderer would be a CPU rasteriser that costs far more than
        // SDL's software renderer (and loads a compiler into memory): no GPU then.
        if (!userChoseSoftware() && (userChoseRenderer() || hasGraphicsDevice())) {
            gpuRenderer_ = makeAcceleratedRenderer(window_);
            if (gpuRenderer_ != nullptr &&
                (rasterisesOnTheCpu(gpuRenderer_) || drawsInSoftware(gpuRenderer_))) {
                SDL_DestroyRenderer(gpuRenderer_);
                gpuRenderer_ = nullptr;
            }
        }
    }
    return gpuRenderer_ != nullptr;
}

SDL_Renderer* TSdlWindow::takeGpuRenderer() {
    if (gpuRenderer_ != nullptr) {
        return std::exchange(gpuRenderer_, nullptr);
    }
    return window_ != nullptr ? makeAcceleratedRenderer(window_) : nullptr;
}

void TSdlWindow::restartPacing(bool presentWaits) {
    SDL_DisplayMode mode{};
    const bool known = window_ != nullptr && SDL_GetWindowDisplayMode(window_, &mode) == 0 &&
                       mode.refresh_rate >= 24;
    pacer_.restart(known ? std::chrono::nanoseconds(1'000'000'000 / mode.refresh_rate)
                         : std::chrono::nanoseconds::zero(),
                   presentWaits && !driverWithoutVsync());
}

void TSdlWindow::toggleFullscreen() {
    if (window_ == nullptr) {
        return;
    }
    // The renderer and its textures survive the switch; the picture stays scaled and
    // letterboxed in a window of any size.
    SDL_SetWindowFullscreen(window_, fullscreen() ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

bool TSdlWindow::switchUnderWay(std::uint32_t pressTicks) const {
    return switched_ && !SDL_TICKS_PASSED(pressTicks, switchSettlesAt_);
}

void TSdlWindow::switchForPress(std::uint32_t pressTicks) {
    toggleFullscreen();
    // Under way until a while after the later of the press and the end of the switch.
    const std::uint32_t done = SDL_GetTicks();
    switchSettlesAt_ = (SDL_TICKS_PASSED(pressTicks, done) ? pressTicks : done) + kSwitchSettleMs;
    switched_ = true;
}

bool TSdlWindow::fullscreen() const {
    return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}

void TSdlWindow::pump(TKeyboard& keyboard) {
    pacer_.waitForSlot();
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11) {
            // Without a window manager a switch blocks for a tenth of a second or so, and a
            // burst of presses would pile up switch after switch: a press while a switch is
            // under way, or queued before it ended, is dropped, as are key repeats. (In a
            // browser the page switches: it may only while it handles the press.)
            if (kSwitchesOnF11 && event.key.repeat == 0 && !switchUnderWay(event.key.timestamp)) {
                switchForPress(event.key.timestamp);
            }
            continue;
        }
        if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_F11) {
            continue;
        }
        if (event.type == SDL_RENDER_DEVICE_RESET) {
            restoreAfterDeviceReset(keyboard);
            continue;
        }
        deliverSdlEvent(event, keyboard, pads_);
    }
    if (pads_ != nullptr) {
        pads_->eventsDelivered(keyboard);
    }
}

void TSdlWindow::restoreAfterDeviceReset(TKeyboard& keyboard) {
    std::string error;
    if (remakeRenderer_ && !remakeRenderer_(error)) {
        // Nothing can be shown any more. Rather than play on behind a black screen, say why
        // and end the game the way closing the window does, so the scores are saved.
        std::fprintf(stderr, "Gumbolt: cannot restore the display after a device reset: %s\n",
                     error.c_str());
        keyboard.closeRequested();
    }
}

}  // namespace gb
