#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "core/EmbeddedFiles.h"

namespace gb {

class TEventSource;    // services/TEventSource.h
class TRenderBackend;  // services/TRenderBackend.h
class TSoundLibrary;   // audio/SoundLibrary.h

namespace detail {
// How many kinds of state the platforms can keep, and a number for each kind (see
// TPlatform::state), handed out when the program starts.
inline constexpr std::size_t kMostStates = 16;
std::size_t nextStateSlot();
template <class State>
inline const std::size_t stateSlot = nextStateSlot();
}  // namespace detail

using LineSink = std::function<void(std::string_view)>;

// Everything process-wide the game's free functions stand on: the devices (the display's
// renderer, the source of window events, the sound library), the clock and the frame-delta
// timer, the random numbers, the console and the embedded files; and, for the services built
// on it, one state of each kind they ask for (the display's drawing state, the keyboard).
// main makes one as a local and installs it (TPlatformScope); a test makes its own, with
// stand-ins for the devices, and installs it for its duration.
//
// What the platform makes (the devices with make(), the services' state with state()) is
// destroyed in reverse order of its making, before the rest of it, so no service outlives
// what it stands on.
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

    // The devices the free functions use (none until made).
    TRenderBackend* renderBackend = nullptr;
    TEventSource* eventSource = nullptr;
    TSoundLibrary* soundLibrary = nullptr;

    // The platform's one State, made the first time it is asked for and kept until the
    // platform goes: the services keep their state here (Graphics its drawing state, the
    // keyboard its keys), so that every platform has its own.
    // (Every drawing call asks for the drawing state: the way there is kept short.)
    template <class State>
    State& state() {
        const std::size_t slot = detail::stateSlot<State>;
        if (void* kept = states_[slot]) {
            return *static_cast<State*>(kept);
        }
        return makeState<State>(slot);
    }

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

  private:
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
    struct PartBase {
        virtual ~PartBase() = default;
        std::size_t slot = kNoSlot;  // of a state, or none for a device
    };
    template <class Service>
    struct Part : PartBase {
        template <class... Args>
        explicit Part(Args&&... args) : service(std::forward<Args>(args)...) {}
        Service service;
    };
    template <class State>
    [[gnu::noinline]] State& makeState(std::size_t slot) {
        State& made = make<State>();
        parts_.back()->slot = slot;
        states_[slot] = &made;
        return made;
    }
    std::vector<std::unique_ptr<PartBase>> parts_;
    std::array<void*, detail::kMostStates> states_{};  // by slot: the state made, or nullptr
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
