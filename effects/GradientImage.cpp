#include "effects/GradientImage.h"

#include <cstdint>

#include "services/Graphics.h"

namespace gb {

namespace {
constexpr int kGradientSize = 256;
}

PixmapRef gradientPixmap(const PixmapRef& templ) {
    const int width = pixmapWidth(templ);
    const int height = pixmapHeight(templ);
    const int format = templ ? templ->format() : kPixelFormatRGBA8888;
    PixmapRef pixmap = createPixmap(width, height, format, 4);
    // 8-bit counters, so each of them wraps modulo 256 on maps larger than 256 x 256.
    std::uint8_t red = 255;
    std::uint8_t rowStart = 0;
    for (int y = 0; y < height; ++y) {
        std::uint8_t green = 0;
        std::uint8_t blue = rowStart;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t argb = static_cast<std::uint32_t>(red) << 16 |
                                       static_cast<std::uint32_t>(green) << 8 | blue;
            pixmap->writePixel(x, y, argb);
            ++green;
            if (blue > 0) {
                --blue;
            }
        }
        --red;
        ++rowStart;
    }
    return pixmap;
}

ImageRef makeGradientImage() {
    const PixmapRef templ = createPixmap(kGradientSize, kGradientSize, kPixelFormatRGBA8888, 4);
    const PixmapRef gradient = gradientPixmap(templ);
    ImageRef image = createImage(kGradientSize, kGradientSize, 1, dynamicImage);
    // The gradient's colours become the image's pixels directly, fully opaque (the pixel
    // map's alpha of 0 does not carry over).
    TPixmap& cell = *image->cells[0];
    for (int y = 0; y < kGradientSize; ++y) {
        const std::uint8_t* from = gradient->row(y);
        std::uint8_t* to = cell.row(y);
        for (int x = 0; x < kGradientSize; ++x) {
            to[x * 4 + 0] = from[x * 4 + 0];
            to[x * 4 + 1] = from[x * 4 + 1];
            to[x * 4 + 2] = from[x * 4 + 2];
            to[x * 4 + 3] = 255;
        }
    }
    image->textures[0].reset();
    return image;
}

}  // namespace gb
