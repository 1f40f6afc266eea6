#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DisplayFixture.h"
#include "services/BuiltInFont.h"
#include "services/Graphics.h"
#include "tests/support/PlatformSkips.h"

namespace gb {
namespace {

using testkit::argb;
using testkit::nearColour;
using testkit::paintScreen;
using testkit::screenPixel;
using testkit::solidImage;

// Every check holds for both backends main chooses between.
class DisplayTest : public testkit::SdlDisplayTest,
                    public ::testing::WithParamInterface<testkit::Backend> {
  protected:
    testkit::Backend backend() const override { return GetParam(); }
};

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;

TEST_P(DisplayTest, OpensBlackAt800x600AndClearIgnoresTheViewport) {
    EXPECT_EQ(graphicsWidth(), 800);
    EXPECT_EQ(graphicsHeight(), 600);
    EXPECT_EQ(screenPixel(0, 0), kBlack);
    EXPECT_EQ(screenPixel(799, 599), kBlack);

    paintScreen(kWhite);
    setViewport(10, 10, 5, 5);
    clearScreen();
    EXPECT_EQ(screenPixel(0, 0), kBlack);
    EXPECT_EQ(screenPixel(12, 12), kBlack);
    EXPECT_EQ(screenPixel(799, 599), kBlack);
}

TEST_P(DisplayTest, AlphaBlendMixesByCellAlphaTimesDrawingAlpha) {
    paintScreen(0xC86400);  // 200, 100, 0
    setAlpha(0.5f);
    drawImage(solidImage(4, 4, argb(255, 0, 0, 255)), 10, 10);
    EXPECT_TRUE(nearColour(screenPixel(11, 11), 0x643280));  // 100, 50, 128

    // A half-transparent cell at half alpha lets a quarter through.
    drawImage(solidImage(4, 4, argb(128, 0, 0, 255)), 20, 10);
    EXPECT_TRUE(nearColour(screenPixel(21, 11), 0x964B40));  // 150, 75, 64
}

TEST_P(DisplayTest, LightBlendAddsAndSaturates) {
    paintScreen(0x646464);  // 100, 100, 100
    setBlend(lightBlend);
    ImageRef light = solidImage(4, 4, argb(255, 200, 50, 0));
    setAlpha(0.5f);
    drawImage(light, 10, 10);
    EXPECT_TRUE(nearColour(screenPixel(11, 11), 0xC87D64));  // 200, 125, 100
    setAlpha(1.0f);
    drawImage(light, 20, 10);
    EXPECT_TRUE(nearColour(screenPixel(21, 11), 0xFF9664));  // 255 (saturated), 150, 100
}

TEST_P(DisplayTest, ShadeBlendMultipliesAndSolidBlendReplaces) {
    paintScreen(0xC86432);  // 200, 100, 50
    setBlend(shadeBlend);
    drawImage(solidImage(4, 4, argb(255, 128, 255, 0)), 10, 10);
    EXPECT_TRUE(nearColour(screenPixel(11, 11), 0x646400));  // 100, 100, 0

    // Solid: the cell's colour replaces the destination, its alpha notwithstanding.
    setBlend(solidBlend);
    drawImage(solidImage(4, 4, argb(64, 10, 20, 30)), 20, 10);
    EXPECT_TRUE(nearColour(screenPixel(21, 11), 0x0A141E));
}

TEST_P(DisplayTest, DrawingColourAndAlphaAreClamped) {
    ImageRef white = solidImage(4, 4, argb(255, 255, 255, 255));
    setColor(256, 256, 256);
    drawImage(white, 0, 0);
    EXPECT_EQ(screenPixel(1, 1), kWhite);

    setColor(-5, 128, 300);
    drawImage(white, 10, 0);
    EXPECT_TRUE(nearColour(screenPixel(11, 1), 0x0080FF));

    setColor(255, 255, 255);
    paintScreen(0x202020);
    setAlpha(1.5f);
    drawImage(white, 20, 0);
    EXPECT_EQ(screenPixel(21, 1), kWhite);
    setAlpha(-1.0f);
    drawImage(white, 30, 0);
    EXPECT_EQ(screenPixel(31, 1), 0x202020u);
}

TEST_P(DisplayTest, ViewportClipsInScreenCoordinatesWithoutMovingTheOrigin) {
    setViewport(100, 100, 50, 40);
    drawImage(solidImage(200, 200, argb(255, 255, 255, 255)), 50, 50);
    EXPECT_EQ(screenPixel(99, 120), kBlack);
    EXPECT_EQ(screenPixel(100, 100), kWhite);
    EXPECT_EQ(screenPixel(149, 139), kWhite);
    EXPECT_EQ(screenPixel(150, 120), kBlack);
    EXPECT_EQ(screenPixel(120, 140), kBlack);

    // Drawing at (120, 120) lands at screen (120, 120), not offset by the viewport.
    drawImage(solidImage(5, 5, argb(255, 255, 0, 0)), 120, 120);
    EXPECT_EQ(screenPixel(122, 122), kRed);
    EXPECT_EQ(screenPixel(119, 119), kWhite);

    // An empty viewport draws nothing.
    setViewport(0, 0, 0, 0);
    drawImage(solidImage(5, 5, argb(255, 255, 0, 0)), 0, 0);
    EXPECT_EQ(screenPixel(2, 2), kBlack);
}

// A 20 x 10 red cell with a green 5 x 5 mark in its top-left corner.
ImageRef markedCell() {
    ImageRef image = solidImage(20, 10, argb(255, 255, 0, 0));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            image->cells[0]->writePixel(x, y, argb(255, 0, 255, 0));
        }
    }
    return image;
}

TEST_P(DisplayTest, QuarterTurnIsClockwiseAboutTheHandle) {
    ImageRef cell = markedCell();
    cell->handleX = 5.0f;
    cell->handleY = 5.0f;
    setRotation(90.0f);
    drawImage(cell, 400, 300);
    // (px, py) goes to (400 - py, 300 + px): the cell now spans x 395..405, y 295..315,
    // and its marked corner (px, py in -5..0) lies at x 400..405, y 295..300.
    EXPECT_EQ(screenPixel(402, 297), kGreen);
    EXPECT_EQ(screenPixel(397, 297), kRed);
    EXPECT_EQ(screenPixel(402, 312), kRed);
    EXPECT_EQ(screenPixel(397, 312), kRed);
    EXPECT_EQ(screenPixel(407, 300), kBlack);
    EXPECT_EQ(screenPixel(400, 317), kBlack);
    EXPECT_EQ(screenPixel(400, 292), kBlack);
}

TEST_P(DisplayTest, ScaleStretchesAboutTheHandleAndNegativeScaleMirrors) {
    ImageRef cell = markedCell();
    cell->handleX = 10.0f;
    cell->handleY = 0.0f;
    setScale(2.0f, 3.0f);
    drawImage(cell, 100, 100);
    // Spans x 80..120 and y 100..130; the mark covers x 80..90, y 100..115.
    EXPECT_EQ(screenPixel(81, 101), kGreen);
    EXPECT_EQ(screenPixel(89, 114), kGreen);
    EXPECT_EQ(screenPixel(91, 101), kRed);
    EXPECT_EQ(screenPixel(118, 128), kRed);
    EXPECT_EQ(screenPixel(121, 110), kBlack);
    EXPECT_EQ(screenPixel(100, 131), kBlack);

    // Mirrored left to right about the handle: the mark moves to the right end.
    setScale(-1.0f, 1.0f);
    drawImage(cell, 300, 100);
    EXPECT_EQ(screenPixel(307, 101), kGreen);
    EXPECT_EQ(screenPixel(292, 101), kRed);
    EXPECT_EQ(screenPixel(311, 101), kBlack);
}

TEST_P(DisplayTest, DrawImageRectStretchesTheCellButNotItsHandle) {
    // Four colours, one per pixel of a 2 x 2 cell.
    ImageRef quad = createImage(2, 2, 1, 0);
    quad->cells[0]->writePixel(0, 0, argb(255, 255, 0, 0));
    quad->cells[0]->writePixel(1, 0, argb(255, 0, 255, 0));
    quad->cells[0]->writePixel(0, 1, argb(255, 0, 0, 255));
    quad->cells[0]->writePixel(1, 1, argb(255, 255, 255, 0));
    drawImageRect(quad, 100, 100, 40, 20);
    EXPECT_EQ(screenPixel(100, 100), kRed);
    EXPECT_EQ(screenPixel(119, 109), kRed);
    EXPECT_EQ(screenPixel(120, 100), kGreen);
    EXPECT_EQ(screenPixel(105, 110), 0x0000FFu);
    EXPECT_EQ(screenPixel(139, 119), 0xFFFF00u);
    EXPECT_EQ(screenPixel(140, 110), kBlack);
    EXPECT_EQ(screenPixel(120, 120), kBlack);

    // The handle stays in cell pixels: a mid-handled 2 x 2 cell moves up-left by one pixel.
    midHandleImage(quad);
    drawImageRect(quad, 300, 300, 40, 20);
    EXPECT_EQ(screenPixel(299, 299), kRed);
    EXPECT_EQ(screenPixel(338, 318), 0xFFFF00u);
    EXPECT_EQ(screenPixel(339, 319), kBlack);
}

// The column inside the viewport row where each red stripe of a tiled pattern begins.
std::vector<int> stripeColumns(int x, int y, int width) {
    std::vector<int> columns;
    PixmapRef row = testkit::grabScreen(x, y, width, 1);
    for (int i = 0; i < width; ++i) {
        if ((readPixel(row, i, 0) & 0xFFFFFF) == kRed) {
            columns.push_back(x + i);
        }
    }
    return columns;
}

TEST_P(DisplayTest, TileCoversTheViewportFromAFractionalAnchor) {
    // White 10 x 10 cells whose first column and row are red.
    ImageRef tile = solidImage(10, 10, argb(255, 255, 255, 255));
    for (int i = 0; i < 10; ++i) {
        tile->cells[0]->writePixel(0, i, argb(255, 255, 0, 0));
        tile->cells[0]->writePixel(i, 0, argb(255, 255, 0, 0));
    }
    setRotation(30.0f);  // tiling ignores rotation and scale
    setScale(3.0f, 3.0f);
    setViewport(100, 200, 95, 47);
    // The anchor lies inside the viewport on one axis and far before it on the other.
    tileImage(tile, 153.25f, -996.75f);

    PixmapRef area = testkit::grabScreen(99, 199, 97, 49);
    for (int y = 0; y < 49; ++y) {
        for (int x = 0; x < 97; ++x) {
            const bool inside = x >= 1 && x <= 95 && y >= 1 && y <= 47;
            const bool painted = (readPixel(area, x, y) & 0xFFFFFF) != kBlack;
            ASSERT_EQ(painted, inside) << "at " << 99 + x << ", " << 199 + y;
        }
    }
    // Stripes every 10 pixels from the anchor, its fraction kept to within a pixel.
    const std::vector<int> columns = stripeColumns(100, 205, 95);
    ASSERT_EQ(columns.size(), 10u);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_NEAR(columns[i], 103.25 + 10.0 * static_cast<double>(i), 1.0);
    }
    EXPECT_EQ(drawState().rotation, 30.0f);
    EXPECT_EQ(drawState().scaleX, 3.0f);
}

TEST_P(DisplayTest, PixmapRoundTripKeepsColoursOfFullyTransparentPixels) {
    PixmapRef source = createPixmap(16, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            writePixel(source, x, y, argb(0, x * 16, y * 32, 255 - x * 8));
        }
    }
    // The drawing state does not apply to pixel maps.
    setColor(0, 0, 0);
    setAlpha(0.0f);
    setBlend(lightBlend);
    setRotation(45.0f);
    setScale(2.0f, 2.0f);
    drawPixmap(source, 30, 40);

    PixmapRef copy = testkit::grabScreen(30, 40, 16, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(readPixel(copy, x, y), readPixel(source, x, y) | 0xFF000000u)
                << "at " << x << ", " << y;
        }
    }
    EXPECT_EQ(screenPixel(46, 40), kBlack);
    EXPECT_EQ(screenPixel(30, 48), kBlack);
}

TEST_P(DisplayTest, GrabbedCellsAreOpaqueMaskedOnlyOnRequestAndRedrawnAfterAGrab) {
    paintScreen(kBlack);
    drawImage(solidImage(2, 1, argb(255, 0, 0, 255)), 1, 0);
    // A masked image loses the black (mask colour) pixels it grabs; an unmasked one keeps them.
    ImageRef masked = createImage(3, 1, 1, maskedImage);
    grabImage(masked, 0, 0);
    EXPECT_EQ(readPixel(masked->cells[0], 0, 0), 0x00000000u);
    EXPECT_EQ(readPixel(masked->cells[0], 1, 0), 0xFF0000FFu);
    ImageRef plain = createImage(3, 1, 1, 0);
    grabImage(plain, 0, 0);
    EXPECT_EQ(readPixel(plain->cells[0], 0, 0), 0xFF000000u);

    // Off the screen edge reads black.
    ImageRef edge = createImage(4, 1, 1, 0);
    grabImage(edge, -2, 0);
    EXPECT_EQ(readPixel(edge->cells[0], 0, 0), 0xFF000000u);
    EXPECT_EQ(readPixel(edge->cells[0], 3, 0), 0xFF0000FFu);

    // After a grab changes a drawn cell, its next draw shows the new pixels.
    ImageRef cell = solidImage(2, 2, argb(255, 255, 0, 0));
    drawImage(cell, 100, 100);
    EXPECT_EQ(screenPixel(100, 100), kRed);
    grabImage(cell, 1, 0);
    drawImage(cell, 100, 100);
    EXPECT_EQ(screenPixel(100, 100), 0x0000FFu);
}

// Compares a text cell on screen with the font's glyph: colour where set, black elsewhere.
void expectGlyphAt(unsigned char ch, int left, int top, int scale, std::uint32_t colour) {
    PixmapRef area =
        testkit::grabScreen(left, top, font::kAdvance * scale, font::kLineHeight * scale);
    for (int y = 0; y < area->height(); ++y) {
        for (int x = 0; x < area->width(); ++x) {
            const bool set = font::glyphPixel(ch, x / scale, y / scale);
            ASSERT_EQ(readPixel(area, x, y) & 0xFFFFFF, set ? colour : kBlack)
                << "glyph " << ch << " pixel " << x << ", " << y;
        }
    }
}

TEST_P(DisplayTest, TextUsesTheBuiltInFontUnderTheDrawingState) {
    setColor(255, 0, 0);
    drawText("Hg~", 10, 20);
    expectGlyphAt('H', 10, 20, 1, kRed);
    expectGlyphAt('g', 10 + font::kAdvance, 20, 1, kRed);
    expectGlyphAt('~', 10 + 2 * font::kAdvance, 20, 1, kRed);

    // Scale applies about the text's corner; characters without a glyph show a box.
    setColor(255, 255, 255);
    setScale(2.0f, 2.0f);
    drawText("A\x01", 100, 100);
    expectGlyphAt('A', 100, 100, 2, kWhite);
    expectGlyphAt('\x01', 100 + 2 * font::kAdvance, 100, 2, kWhite);
}

TEST_P(DisplayTest, CellsSurviveTheirRendererAndUploadAgainForANewOne) {
    ImageRef cell = solidImage(4, 4, argb(255, 0, 255, 0));
    // Two displays one after the other, each on a platform of its own: when the second opens,
    // the first renderer and its textures are gone.
    for (int display = 0; display < 2; ++display) {
        TPlatform next;
        TPlatformScope nextInstalled(next);
        testkit::makeSdlDisplay(next, GetParam());
        ASSERT_TRUE(testkit::withoutLeakChecks([] { return openGraphics(800, 600); }))
            << graphicsError();
        drawImage(cell, 0, 0);
        ASSERT_TRUE(cell->textures[0]);
        EXPECT_EQ(screenPixel(1, 1), kGreen) << "display " << display;
    }
    // The image may outlive every display.
    cell->textures[0].reset();
}

INSTANTIATE_TEST_SUITE_P(Backends, DisplayTest,
                         ::testing::Values(testkit::Backend::cpu, testkit::Backend::gpu),
                         [](const auto& backend) { return testkit::nameOf(backend.param); });

// main draws with the GPU where SDL has a renderer for the window other than its software
// one (or the one the user names), and with SDL's software renderer otherwise; the renderer
// made to find out is the one the GPU backend draws with.
TEST(SdlDisplay, TheWindowHasAGpuOnlyWhereAnAcceleratedRendererDrawsForIt) {
    GUMBOLT_SKIP_IN_BROWSER(
        "a browser has WebGL, and neither a GPU device nor SDL's offscreen driver");
    testkit::useHeadlessDisplay();
    {
        TPlatform platform;
        TPlatformScope installed(platform);
        TSdlWindow& window = platform.makeEventSource<TSdlWindow>();
        std::string error;
        ASSERT_TRUE(window.open(800, 600, error)) << error;
        EXPECT_FALSE(window.hasGpu()) << "SDL_RENDER_DRIVER=software";
    }
    testkit::useHeadlessDisplay(testkit::Backend::gpu);
    TPlatform platform;
    TPlatformScope installed(platform);
    TSdlWindow& window = platform.makeEventSource<TSdlWindow>();
    std::string error;
    ASSERT_TRUE(window.open(800, 600, error)) << error;
    if (!testkit::withoutLeakChecks([&] { return window.hasGpu(); })) {
        testkit::useHeadlessDisplay();
        GTEST_SKIP() << "no OpenGL renderer here";
    }
    TSdlGpuBackend& gpu = platform.makeDisplay<TSdlGpuBackend>(window);
    ASSERT_TRUE(testkit::withoutLeakChecks([] { return openGraphics(800, 600); }))
        << graphicsError();
    SDL_RendererInfo info{};
    ASSERT_EQ(SDL_GetRendererInfo(gpu.renderer(), &info), 0);
    EXPECT_EQ(std::string(info.name), "opengl");
    EXPECT_EQ(info.flags & SDL_RENDERER_SOFTWARE, 0u);
    testkit::useHeadlessDisplay();
}

TEST(SdlDisplay, ADisplayThatCannotOpenGivesSdlsReason) {
    testkit::useHeadlessDisplay();
    setenv("SDL_VIDEODRIVER", "no-such-video-driver", 1);
    TPlatform platform;
    TPlatformScope installed(platform);
    testkit::makeSdlDisplay(platform);
    EXPECT_FALSE(openGraphics(800, 600, 32, 0, 0));
    EXPECT_NE(graphicsError().find("no-such-video-driver"), std::string::npos) << graphicsError();
    // Nothing is drawn, and nothing breaks, without a display.
    drawImage(solidImage(2, 2, argb(255, 255, 255, 255)), 0, 0);
    drawText("x", 0, 0);
    flip();
    testkit::useHeadlessDisplay();
}

// Run in child processes: a start outside any desktop session has its own environment.
TEST(SdlDisplay, WithNoDisplayAndNoDriverChosenTheDisplayDoesNotOpen) {
    GUMBOLT_EXPECT_EXIT(
        {
            for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) {
                unsetenv(name);
            }
            TPlatform platform;
            TPlatformScope installed(platform);
            testkit::makeSdlDisplay(platform);
            if (openGraphics(800, 600, 32, 0, 0) == 0) {
                std::fprintf(stderr, "%s\n", graphicsError().c_str());
                ::_exit(0);
            }
            // Only a real display may open here (a console with kernel mode setting).
            const std::string driver = SDL_GetCurrentVideoDriver();
            std::fprintf(stderr, "opened on %s: no display was found\n", driver.c_str());
            ::_exit(driver == "dummy" || driver == "offscreen" ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "no display was found");
    // A driver chosen on purpose opens as before, even one that shows nothing.
    for (const char* chosen : {"dummy", "offscreen"}) {
        GUMBOLT_EXPECT_EXIT(
            {
                unsetenv("DISPLAY");
                unsetenv("WAYLAND_DISPLAY");
                setenv("SDL_VIDEODRIVER", chosen, 1);
                TPlatform platform;
                TPlatformScope installed(platform);
                testkit::makeSdlDisplay(platform);
                ::_exit(openGraphics(800, 600, 32, 0, 0) == 1 ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << chosen;
    }
}

}  // namespace
}  // namespace gb
