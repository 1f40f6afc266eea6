#include "core/TPlatform.h"

#include "core/ProgramError.h"

namespace gb {

namespace detail {

// The one process-wide variable the services keep: which platform they use.
TPlatform* installedPlatform = nullptr;

void noPlatformInstalled() {
    programError("No platform is installed for the game's services");
}

}  // namespace detail

TPlatform::TPlatform() = default;

TPlatform::~TPlatform() {
    // The pictures go first: their textures belong to the display's renderer.
    blockImage.reset();
    fruitSheet = FruitSheet{};
    renderBackend = nullptr;
    eventSource = nullptr;
    soundLibrary = nullptr;
    // Then the devices, the last made first.
    while (!parts_.empty()) {
        parts_.pop_back();
    }
}

}  // namespace gb
