#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "services/EmbeddedFiles.h"
#include "services/TDrawState.h"
#include "services/TImage.h"
#include "services/TKeyboard.h"

namespace gb {

class TEventSource;
class TGamepads;
class TRenderBackend;
class TSoundLibrary;  // audio/SoundLibrary.h

using LineSink = std::function<void(std::string_view)>;

// Everything process-wide the game's free functions stand on: the display and its drawing
// state, the keyboard and the source of its window events, the clock and the frame-delta
// timer, the random numbers, the console, the embedded files, the sound library, and the two
// pictures every block and every fruit draw with. main makes one as a local and installs it
// (TPlatformScope); a test makes its own, with stand-ins for the devices, and installs it for
// its duration.
//
// The services that hold a device (a display, a sound library, an event source) are made by
// the platform with make() and destroyed in reverse order of their making, before the rest of
// its state: the pictures first (their textures belong to the display), then the devices, so
// no service outlives what it stands on.
class TPlatform {
  public:
    TPlatform();
    ~TPlatform();
    TPlatform(const TPlatform&) = delete;
    TPlatform& operator=(const TPlatform&) = delete;

    // Makes a service the platform owns until it is destroyed.
    template <class Service, class... Args>
    Service& make(Args&&... args) {
        auto part = std::make_unique<Part<Service>>(std::forward<Args>(args)...);
        Service& made = part->service;
        parts_.push_back(std::move(part));
        return made;
    }
    // Makes the display's renderer, the source of window events or the sound library, and
    // makes it the one the free functions use.
    template <class Backend, class... Args>
    Backend& makeDisplay(Args&&... args) {
        Backend& made = make<Backend>(std::forward<Args>(args)...);
        renderBackend = &made;
        return made;
    }
    template <class Source, class... Args>
    Source& makeEventSource(Args&&... args) {
        Source& made = make<Source>(std::forward<Args>(args)...);
        eventSource = &made;
        return made;
    }
    template <class Library, class... Args>
    Library& makeSoundLibrary(Args&&... args) {
        Library& made = make<Library>(std::forward<Args>(args)...);
        soundLibrary = &made;
        return made;
    }
    // Makes the gamepads, which then receive the window events of their controls.
    template <class Pads, class... Args>
    Pads& makeGamepads(Args&&... args) {
        Pads& made = make<Pads>(std::forward<Args>(args)...);
        gamepads = &made;
        return made;
    }

    // The devices the free functions use (none until made).
    TRenderBackend* renderBackend = nullptr;
    TEventSource* eventSource = nullptr;
    TSoundLibrary* soundLibrary = nullptr;
    TGamepads* gamepads = nullptr;

    // The display: whether it is open, its size, why it did not open, the drawing state.
    struct Display {
        bool open = false;
        int width = 0;
        int height = 0;
        std::string error;
        TDrawState state;
    };
    Display display;

    TKeyboard keyboard;

    // The millisecond clock; empty: the system's monotonic clock.
    std::function<int()> clock;

    // The frame-delta timer: the clock reading at its last start or update, and the interval
    // that update measured, in seconds.
    struct DeltaTimer {
        int last = 0;
        float delta = 0.0f;
    };
    DeltaTimer deltaTimer;

    // The random generator's state (0x1234 until seeded).
    std::int32_t randomState = 0x1234;

    // Where print's lines go (empty: standard output) and the debug channel: silent unless
    // on, then to its sink (empty: standard error).
    struct Console {
        LineSink print;
        LineSink debug;
        bool debugOn = false;
    };
    Console console;

    // The embedded files registered by virtual path.
    EmbeddedFileTable embeddedFiles;

    // The 7-frame block picture, installed by the game; every block draws with it.
    ImageRef blockImage;
    // The fruit sheet every fruit draws with, decoded by the first fruit that needs it.
    struct FruitSheet {
        ImageRef image;
        bool loaded = false;
    };
    FruitSheet fruitSheet;

    // Renames a file the way rename(2) does (0, or -1 with errno); empty: rename(2) itself.
    std::function<int(const char* from, const char* to)> renameFile;

    // Told the path of every file the game has just written in full (the high scores);
    // empty: nothing to do. In a browser it hands the file on to the page's lasting storage.
    std::function<void(const std::string& path)> fileWritten;

  private:
    struct PartBase {
        virtual ~PartBase() = default;
    };
    template <class Service>
    struct Part : PartBase {
        template <class... Args>
        explicit Part(Args&&... args) : service(std::forward<Args>(args)...) {}
        Service service;
    };
    std::vector<std::unique_ptr<PartBase>> parts_;
};

namespace detail {
extern TPlatform* installedPlatform;
[[noreturn]] void noPlatformInstalled();
}  // namespace detail

// The installed platform. Using the services with none installed is a program fault.
inline TPlatform& platform() {
    if (detail::installedPlatform == nullptr) {
        detail::noPlatformInstalled();
    }
    return *detail::installedPlatform;
}

}  // namespace gb
