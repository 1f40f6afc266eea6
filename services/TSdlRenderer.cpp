#include "services/TSdlRenderer.h"

namespace gb {

// Placeholder until the SDL renderer lands: no platform display.
std::shared_ptr<TRenderBackend> makeSdlRenderBackend() { return nullptr; }

}  // namespace gb
