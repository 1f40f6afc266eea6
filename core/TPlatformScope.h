#pragma once

#include "core/TPlatform.h"

namespace gb {

// Installs a platform for the free functions while the scope lives, and puts the one that was
// installed before (or none) back at its end. main installs the program's platform for its
// whole run; a test installs its own for the test's duration.
class TPlatformScope {
  public:
    explicit TPlatformScope(TPlatform& platform) : previous_(detail::installedPlatform) {
        detail::installedPlatform = &platform;
    }
    ~TPlatformScope() { detail::installedPlatform = previous_; }
    TPlatformScope(const TPlatformScope&) = delete;
    TPlatformScope& operator=(const TPlatformScope&) = delete;

  private:
    TPlatform* previous_;
};

}  // namespace gb
