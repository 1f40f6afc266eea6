#include "core/TPlatform.h"

#include <atomic>

#include "core/ProgramError.h"

namespace gb {

namespace detail {

// The one process-wide variable the services keep: which platform they use.
TPlatform* installedPlatform = nullptr;

void noPlatformInstalled() {
    programError("No platform is installed for the game's services");
}

std::size_t nextStateSlot() {
    static std::atomic<std::size_t> next{0};
    const std::size_t slot = next++;
    if (slot >= kMostStates) {
        programError("More kinds of platform state than there are slots for");
    }
    return slot;
}

}  // namespace detail

TPlatform::TPlatform() = default;

TPlatform::~TPlatform() {
    renderBackend = nullptr;
    eventSource = nullptr;
    soundLibrary = nullptr;
    // The devices and states, the last made first. A state is forgotten before it goes, so
    // that a device that asks for it while it goes gets a new one, not a destroyed one.
    while (!parts_.empty()) {
        std::unique_ptr<PartBase> part = std::move(parts_.back());
        parts_.pop_back();
        if (part->slot != kNoSlot) {
            states_[part->slot] = nullptr;
        }
        part.reset();
    }
}

}  // namespace gb
