#pragma once

namespace gb {

// The frame-delta timer: the time between the last two updates, in seconds. Its readings are
// kept by the installed platform.
class TDeltaTimer {
  public:
    // Remembers the current milliSecs.
    static void start();
    // Measures the interval since the last start or update.
    static void update();
    // The interval of the latest update in seconds (0 before the first).
    static float deltaTime();
};

}  // namespace gb
