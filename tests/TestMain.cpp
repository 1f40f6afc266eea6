// The main of every test program: the tests never need a screen or a sound card, so SDL
// uses its dummy drivers and the software renderer unless the caller chose others. As in
// the game, a platform lives for the whole run: a bare one (no display, no sound library)
// for the tests that need nothing more; a test that needs devices or a clean slate installs
// a platform of its own on top of it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    ::testing::InitGoogleTest(&argc, argv);
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    return RUN_ALL_TESTS();
}

// Memory that SDL and the system libraries keep until exit on purpose is not ours to free;
// LeakSanitizer reads this list when it checks for leaks at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libdbus\nleak:libX11\nleak:libasound\nleak:libpulse\n";
}
