#pragma once

#include <memory>

#include "services/TRenderBackend.h"

namespace gb {

// The platform renderer: an SDL2 window and renderer (GPU where there is one, software
// elsewhere). It is also the window system's event source for the keyboard.
std::shared_ptr<TRenderBackend> makeSdlRenderBackend();

}  // namespace gb
