#include "services/TPixmap.h"

#include <algorithm>

namespace gb {

TPixmap::TPixmap(int width, int height, int format, int rowAlignment)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), format_(format) {
    const int align = std::max(rowAlignment, 1);
    pitch_ = (width_ * 4 + align - 1) / align * align;
    // Width and height are never negative, so neither is the size.
    pixels_.assign(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height_), 0);
}

void TPixmap::writePixel(int x, int y, std::uint32_t argb) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    std::uint8_t* p = row(y) + std::ptrdiff_t{x} * 4;
    p[0] = static_cast<std::uint8_t>(argb >> 16);
    p[1] = static_cast<std::uint8_t>(argb >> 8);
    p[2] = static_cast<std::uint8_t>(argb);
    p[3] = static_cast<std::uint8_t>(argb >> 24);
}

std::uint32_t TPixmap::readPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    const std::uint8_t* p = row(y) + std::ptrdiff_t{x} * 4;
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

}  // namespace gb
