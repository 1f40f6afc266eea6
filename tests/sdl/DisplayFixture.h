#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "sdl/TSdlCpuBackend.h"
#include "sdl/TSdlGpuBackend.h"
#include "sdl/TSdlWindow.h"
#include "services/Graphics.h"

#if defined(__SANITIZE_ADDRESS__)
#define GUMBOLT_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GUMBOLT_LEAK_CHECKS 1
#endif
#endif
#ifdef GUMBOLT_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace gb::testkit {

// Runs what makes an OpenGL renderer with LeakSanitizer looking away: Mesa keeps blocks it
// never frees (its driver's option strings, its screen) in a library SDL unloads before the
// end, where no suppression can name it.
template <class Work>
auto withoutLeakChecks(Work&& work) {
#ifdef GUMBOLT_LEAK_CHECKS
    const __lsan::ScopedDisabler notNow;
#endif
    return work();
}

// The two render backends main chooses between.
enum class Backend { cpu, gpu };

inline const char* nameOf(Backend backend) {
    return backend == Backend::gpu ? "Gpu" : "Cpu";
}

// No real screen. For the CPU backend: SDL's dummy (or offscreen) video driver with the
// software renderer, so pixels read back are the same on every machine. For the GPU backend:
// the offscreen driver with an OpenGL renderer, through EGL (Mesa draws it on the CPU where
// there is no GPU, which is enough to check what the backend asks of it).
inline void useHeadlessDisplay(Backend backend = Backend::cpu) {
    if (backend == Backend::gpu) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_RENDER_DRIVER", "opengl", 1);
    } else {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (driver == nullptr || std::strcmp(driver, "offscreen") != 0) {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
        }
        setenv("SDL_RENDER_DRIVER", "software", 1);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// A 0xAARRGGBB colour with its parts.
constexpr std::uint32_t argb(int a, int r, int g, int b) {
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// An image of one cell filled with one colour (nearest sampling unless flags say otherwise).
inline ImageRef solidImage(int width, int height, std::uint32_t colour, int flags = 0) {
    ImageRef image = createImage(width, height, 1, flags);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image->cells[0]->writePixel(x, y, colour);
        }
    }
    return image;
}

// A copy of a back-buffer rectangle, read through grabImage.
inline PixmapRef grabScreen(int x, int y, int width, int height) {
    ImageRef image = createImage(width, height, 1, 0);
    grabImage(image, x, y, 0);
    return image->cells[0];
}

// The back-buffer colour at (x, y) as 0xRRGGBB.
inline std::uint32_t screenPixel(int x, int y) {
    return readPixel(grabScreen(x, y, 1, 1), 0, 0) & 0xFFFFFFu;
}

// Fills the whole back buffer with one colour, whatever the drawing state.
inline void paintScreen(std::uint32_t rgb) {
    PixmapRef fill = createPixmap(graphicsWidth(), graphicsHeight());
    for (int y = 0; y < fill->height(); ++y) {
        for (int x = 0; x < fill->width(); ++x) {
            fill->writePixel(x, y, rgb);
        }
    }
    drawPixmap(fill, 0, 0);
}

// The platform's window, and a backend drawing into it, as main makes them: SDL's software
// renderer on a machine without a GPU, an accelerated renderer on one with a GPU.
inline TSdlBackend& makeSdlDisplay(TPlatform& platform, Backend backend = Backend::cpu) {
    TSdlWindow& window = platform.makeEventSource<TSdlWindow>();
    if (backend == Backend::gpu) {
        return platform.makeDisplay<TSdlGpuBackend>(window);
    }
    return platform.makeDisplay<TSdlCpuBackend>(window);
}

// Each test gets a freshly opened 800 x 600 SDL display in alpha-blend mode, on a platform of
// its own, drawn by the CPU backend unless backend() says otherwise. A GPU test is skipped
// where no OpenGL renderer can be made.
class SdlDisplayTest : public ::testing::Test {
  protected:
    virtual Backend backend() const { return Backend::cpu; }
    void SetUp() override {
        useHeadlessDisplay(backend());
        sdl = backend() == Backend::gpu
                  ? static_cast<TSdlBackend*>(&platform.makeDisplay<TSdlGpuBackend>(window))
                  : static_cast<TSdlBackend*>(&platform.makeDisplay<TSdlCpuBackend>(window));
        const bool opened = withoutLeakChecks([] { return openGraphics(800, 600, 32, 0, 0); });
        if (!opened && backend() == Backend::gpu) {
            GTEST_SKIP() << "no OpenGL renderer here: " << graphicsError();
        }
        ASSERT_TRUE(opened) << graphicsError();
        window.setFramePacing(false);
        setBlend(alphaBlend);
    }
    void TearDown() override { useHeadlessDisplay(); }

    TPlatform platform;
    TPlatformScope installed{platform};
    TSdlWindow& window = platform.makeEventSource<TSdlWindow>();
    TSdlBackend* sdl = nullptr;
};

// Expects each colour channel of 0xRRGGBB values within a tolerance of the expected one.
inline ::testing::AssertionResult nearColour(std::uint32_t actual, std::uint32_t expected,
                                             int tolerance = 2) {
    for (int shift : {16, 8, 0}) {
        const int a = static_cast<int>(actual >> shift & 0xFF);
        const int e = static_cast<int>(expected >> shift & 0xFF);
        if (std::abs(a - e) > tolerance) {
            return ::testing::AssertionFailure()
                   << std::hex << "colour 0x" << actual << " is not near 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace gb::testkit
