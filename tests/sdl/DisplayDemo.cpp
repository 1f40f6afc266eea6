// Draws one frame that uses every drawing operation on the headless SDL display and writes it
// as an 800 x 600 PNG, so a person can see what the display services draw.
//   display_demo [output.png]     (default: display-demo.png)

#include <cmath>
#include <cstdio>
#include <string>

#include "DisplayFixture.h"
#include "core/EmbeddedFiles.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "services/Graphics.h"
#include "tests/services/PngWriter.h"

namespace {

using gb::testkit::argb;

// A round, soft-edged sweet: a disc in the given colour with a lighter spot, alpha at the rim.
gb::ImageRef sweet(int size, int red, int green, int blue) {
    gb::ImageRef image = gb::createImage(size, size, 1, gb::filteredImage);
    const float radius = static_cast<float>(size) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - radius;
            const float dy = static_cast<float>(y) + 0.5f - radius;
            const float d = std::sqrt(dx * dx + dy * dy) / radius;
            const float edge = std::fmin(std::fmax((1.0f - d) * 6.0f, 0.0f), 1.0f);
            const float spot =
                std::fmax(0.0f, 1.0f - std::hypot(dx + radius * 0.35f, dy + radius * 0.35f) /
                                           (radius * 0.45f));
            auto mix = [spot](int c) {
                return static_cast<int>(static_cast<float>(c) + static_cast<float>(255 - c) * spot);
            };
            image->cells[0]->writePixel(
                x, y, argb(static_cast<int>(edge * 255), mix(red), mix(green), mix(blue)));
        }
    }
    return image;
}

// A strip of 24 x 28 numbered cells (a stripe count per cell), loaded back from PNG bytes.
gb::ImageRef numberStrip() {
    gb::TPixmap strip(290, 28);
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 290; ++x) {
            const int cell = x / 24;
            const int inCell = x % 24;
            const bool stripe =
                y >= 4 && y < 24 && inCell >= 2 && inCell / 2 - 1 < cell + 1 && inCell % 2 == 0;
            strip.writePixel(x, y, stripe ? argb(255, 255, 230, 120) : argb(255, 60, 30, 90));
        }
    }
    static const std::vector<unsigned char> bytes = gb::testkit::encodePng(strip);
    gb::registerEmbeddedFile("media/gfx/demo-numbers.png", bytes.data(), bytes.size());
    return gb::loadAnimImage("incbin::media/gfx/demo-numbers.png", 24, 28, 0, 12, -1);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string output = argc > 1 ? argv[1] : "display-demo.png";
    gb::testkit::useHeadlessDisplay();
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    gb::testkit::makeSdlDisplay(platform);
    if (!gb::openGraphics(800, 600, 32, 0, 0)) {
        std::fprintf(stderr, "display_demo: cannot open the display: %s\n",
                     gb::graphicsError().c_str());
        return 1;
    }
    gb::setWindowTitle("Display demo");
    gb::hideMouse();
    gb::setBlend(gb::alphaBlend);
    gb::clearScreen();

    // A side panel from a pixel map whose alpha is 0 everywhere: drawn as it is.
    gb::PixmapRef panel = gb::createPixmap(180, 600);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 180; ++x) {
            gb::writePixel(panel, x, y, argb(0, 40 + y / 6, 20 + x / 4, 120 - y / 8));
        }
    }
    gb::drawPixmap(panel, 0, 0);
    gb::drawPixmap(panel, 620, 0);

    // A tiled play area clipped to its viewport, anchored at a fractional position.
    gb::ImageRef tile = gb::createImage(32, 32, 1, 0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool edge = x == 0 || y == 0;
            tile->cells[0]->writePixel(
                x, y, edge ? argb(255, 70, 50, 110) : argb(255, 30 + y, 20, 50 + x));
        }
    }
    gb::setViewport(200, 40, 400, 520);
    gb::tileImage(tile, 200.5f, 40.25f);

    // Sweets: alpha-blended, turned and scaled about their middles, some mirrored.
    gb::autoMidHandle(true);
    gb::ImageRef cherry = sweet(64, 220, 30, 60);
    gb::ImageRef lemon = sweet(64, 240, 210, 40);
    gb::ImageRef mint = sweet(64, 60, 200, 140);
    gb::autoMidHandle(false);
    const gb::ImageRef sweets[] = {cherry, lemon, mint};
    for (int i = 0; i < 15; ++i) {
        gb::setRotation(static_cast<float>(i) * 24.0f);
        const float scale = 0.5f + static_cast<float>(i % 5) * 0.2f;
        gb::setScale(i % 4 == 3 ? -scale : scale, scale);
        gb::setAlpha(0.55f + static_cast<float>(i % 3) * 0.2f);
        gb::drawImage(sweets[i % 3], 240.0f + static_cast<float>(i % 5) * 80.0f,
                      120.0f + static_cast<float>(i / 5) * 90.0f);
    }
    // Additive light: overlapping glows brighten where they meet.
    gb::setBlend(gb::lightBlend);
    gb::setAlpha(0.6f);
    gb::setRotation(0.0f);
    gb::setScale(1.5f, 1.5f);
    for (int i = 0; i < 5; ++i) {
        gb::drawImage(sweets[i % 3], 280.0f + static_cast<float>(i) * 60.0f, 430.0f);
    }
    // Shade: a darkening band across the lower play area.
    gb::setBlend(gb::shadeBlend);
    gb::setAlpha(1.0f);
    gb::setScale(1.0f, 1.0f);
    gb::setColor(120, 120, 200);
    gb::ImageRef shade = gb::createImage(1, 1, 1, 0);
    shade->cells[0]->writePixel(0, 0, argb(255, 255, 255, 255));
    gb::drawImageRect(shade, 200, 500, 400, 60);
    gb::setColor(255, 255, 255);
    gb::setBlend(gb::alphaBlend);
    gb::setViewport(0, 0, 800, 600);

    // Solid: a stretched bar that replaces what is below it.
    gb::setBlend(gb::solidBlend);
    gb::ImageRef bar = gb::createImage(2, 1, 1, gb::filteredImage);
    bar->cells[0]->writePixel(0, 0, argb(255, 250, 120, 40));
    bar->cells[0]->writePixel(1, 0, argb(255, 250, 220, 60));
    gb::drawImageRect(bar, 200, 10, 400, 20);
    gb::setBlend(gb::alphaBlend);

    // Numbered cells cut from a picture; tinted by the drawing colour.
    gb::ImageRef numbers = numberStrip();
    for (int i = 0; numbers && i < 12; ++i) {
        gb::setColor(255, 255 - i * 15, 120 + i * 10);
        gb::drawImage(numbers, 10.0f + static_cast<float>(i % 6) * 27.0f,
                      430.0f + static_cast<float>(i / 6) * 32.0f, i);
    }
    gb::setColor(255, 255, 255);

    // Text in the built-in font, plain, tinted, scaled and turned.
    gb::drawText("Display demo: every drawing operation", 10, 40);
    gb::setColor(255, 220, 120);
    gb::setScale(2.0f, 2.0f);
    gb::drawText("SCORE 012345", 10, 60);
    gb::setScale(1.0f, 1.0f);
    gb::setColor(180, 255, 200);
    gb::drawText("abcdefghijklmnopqrstuvwxyz", 10, 100);
    gb::drawText("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 10, 112);
    gb::drawText("0123456789 !\"#$%&'()*+,-./", 10, 124);
    gb::drawText(":;<=>?@[\\]^_`{|}~", 10, 136);
    gb::setColor(255, 255, 255);
    gb::setRotation(-20.0f);
    gb::setScale(2.0f, 2.0f);
    gb::drawText("Sweet!", 640, 120);
    gb::setRotation(0.0f);
    gb::setScale(1.0f, 1.0f);

    // A grabbed corner of the play area, shown again at double size.
    gb::ImageRef grabbed = gb::createImage(100, 80, 1, 0);
    gb::grabImage(grabbed, 220, 80);
    gb::drawImageRect(grabbed, 630, 200, 160, 128);
    gb::drawText("grabbed + stretched", 632, 332);

    gb::PixmapRef frame = gb::testkit::grabScreen(0, 0, 800, 600);
    gb::flip();
    if (!gb::testkit::writePng(output, *frame, false)) {
        std::fprintf(stderr, "display_demo: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("wrote %s\n", output.c_str());
    return 0;
}
