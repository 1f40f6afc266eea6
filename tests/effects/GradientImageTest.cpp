#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "core/TPlatformScope.h"
#include "effects/GradientImage.h"
#include "services/Graphics.h"
#include "tests/support/TTestPlatform.h"

namespace gb {
namespace {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

Rgba at(const TPixmap& pixmap, int x, int y) {
    const std::uint8_t* p = pixmap.row(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(Gradient, EveryPixelOfThePanelGradient) {
    const PixmapRef pixmap = gradientPixmap(createPixmap(256, 256));
    ASSERT_EQ(pixmapWidth(pixmap) * pixmapHeight(pixmap), 256 * 256);
    // Corners: (255, 0) is yellow, (0, 255) blue, (255, 255) green.
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(at(*pixmap, x, y), (Rgba{255 - y, x, y > x ? y - x : 0, 0})) << x << "," << y;
        }
    }
    // Larger maps wrap every counter modulo 256.
    const PixmapRef large = gradientPixmap(createPixmap(300, 260));
    EXPECT_EQ(at(*large, 256, 0), (Rgba{255, 0, 0, 0}));
    EXPECT_EQ(at(*large, 0, 259), (Rgba{252, 0, 3, 0}));
}

TEST(Gradient, ImageIsOpaqueAndLeavesTheScreenAlone) {
    testing::TTestPlatform platform;
    TPlatformScope installed(platform);
    TRecordingBackend* backend = &platform.recording;
    ASSERT_TRUE(openGraphics(800, 600));
    backend->reset();
    const ImageRef image = makeGradientImage();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->cellCount(), 1);
    EXPECT_EQ(image->width * image->height, 256 * 256);
    const TPixmap& cell = *image->cells[0];
    EXPECT_EQ(at(cell, 0, 255), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(at(cell, 10, 20), (Rgba{235, 10, 10, 255}));
    EXPECT_TRUE(backend->calls().empty());
}

}  // namespace
}  // namespace gb
