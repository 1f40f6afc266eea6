#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sdl/TFramePacer.h"
#include "services/TEventSource.h"

struct SDL_Window;
struct SDL_Renderer;

namespace gb {

class TGamepads;

// The game's window, through SDL2, and the source of the window system's events. It starts
// SDL's video, opens the window (full screen at the desktop's own resolution, so there is no
// mode switch; a resizable window after F11), and once per frame reads every pending event:
// F11 switches between full screen and a window here and never reaches the game, a lost
// render device has the renderer made again, game controller events go to the pads, and the
// rest go to the keyboard. It also keeps the frames to the display's rhythm (TFramePacer)
// where presenting does not wait for the refresh.
//
// What draws into the window is a render backend (TSdlGpuBackend or TSdlCpuBackend), chosen
// once at the start: hasGpu tells whether SDL has a graphics device that draws for this
// window.
class TSdlWindow : public TEventSource {
  public:
    TSdlWindow();
    ~TSdlWindow() override;
    TSdlWindow(const TSdlWindow&) = delete;
    TSdlWindow& operator=(const TSdlWindow&) = delete;

    // Starts SDL's video and opens a width x height window, or gives the open window that
    // size; false with the reason when it cannot (no display to show it on, among others).
    [[nodiscard]] bool open(int width, int height, std::string& error);
    bool isOpen() const { return window_ != nullptr; }
    SDL_Window* window() const { return window_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void setTitle(const std::string& title);
    void hideMouse();

    // Whether SDL can draw for the open window on a graphics device, with a renderer that is
    // not a CPU rasteriser in disguise (Mesa's llvmpipe on a machine without GPU drivers), or
    // the one the user chose with SDL_RENDER_DRIVER. The renderer made to find out is kept
    // for takeGpuRenderer. SDL_RENDER_DRIVER=software always says no.
    bool hasGpu();
    // The accelerated renderer hasGpu made, or a new one (after a lost device); nullptr when
    // none can be made. The caller owns it.
    SDL_Renderer* takeGpuRenderer();

    // Game controller events go to these pads (none: they are dropped).
    void useGamepads(TGamepads* pads) { pads_ = pads; }
    // What makes the renderer again after its device was lost: false, with the reason, when
    // no renderer can be made. Empty: nothing to make again.
    void onDeviceReset(std::function<bool(std::string& error)> remake) {
        remakeRenderer_ = std::move(remake);
    }

    // The frame's input: waits for the frame's slot (see pacer()), then delivers every
    // pending event. When no renderer can be made after a lost device, one line on standard
    // error says why and the keyboard gets a close request, which ends the game as closing
    // the window does (the scores are saved).
    void pump(TKeyboard& keyboard) override;

    // Switches between full screen and a resizable window.
    void toggleFullscreen();
    bool fullscreen() const;
    // How long after an F11 switch (from the later of the press and the end of the switch,
    // in SDL ticks) further presses are ignored.
    static constexpr std::uint32_t kSwitchSettleMs = 300;

    // The frame pacing of the renderer drawing into the window.
    TFramePacer& pacer() { return pacer_; }
    // A new renderer: the pacer learns the display's refresh rate and whether presenting
    // waits for it (asked for, and honoured by the video driver).
    void restartPacing(bool presentWaits);
    // Turning pacing off makes frames follow one another at once (measurements).
    void setFramePacing(bool on) { pacer_.allow(on); }
    int pacedFrames() const { return pacer_.pacedFrames(); }
    bool selfPaced() const { return pacer_.selfPaced(); }

  private:
    // Whether an F11 press stamped at these SDL ticks falls while a switch is under way.
    bool switchUnderWay(std::uint32_t pressTicks) const;
    void switchForPress(std::uint32_t pressTicks);
    void restoreAfterDeviceReset(TKeyboard& keyboard);

    SDL_Window* window_ = nullptr;
    bool videoStarted_ = false;
    int width_ = 0;
    int height_ = 0;
    TGamepads* pads_ = nullptr;
    std::function<bool(std::string& error)> remakeRenderer_;

    bool gpuProbed_ = false;
    SDL_Renderer* gpuRenderer_ = nullptr;  // made by hasGpu, not yet taken

    bool switched_ = false;              // a switch to or from full screen has been made
    std::uint32_t switchSettlesAt_ = 0;  // SDL ticks at which the last switch counts as done

    TFramePacer pacer_;
};

}  // namespace gb
