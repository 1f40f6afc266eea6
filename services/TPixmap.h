#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gb {

// Pixel formats of a pixel map. The game uses only RGBA8888: bytes R, G, B, A.
inline constexpr int kPixelFormatRGBA8888 = 6;

// A raw picture in memory.
class TPixmap {
  public:
    TPixmap(int width, int height, int format = kPixelFormatRGBA8888, int rowAlignment = 4);

    int width() const { return width_; }
    int height() const { return height_; }
    int pitch() const { return pitch_; }
    int format() const { return format_; }
    std::uint8_t* row(int y) { return pixels_.data() + static_cast<std::ptrdiff_t>(y) * pitch_; }
    const std::uint8_t* row(int y) const {
        return pixels_.data() + static_cast<std::ptrdiff_t>(y) * pitch_;
    }
    std::uint8_t* data() { return pixels_.data(); }
    const std::uint8_t* data() const { return pixels_.data(); }

    // The colour as 0xAARRGGBB; pixels outside the map are ignored / read as 0.
    void writePixel(int x, int y, std::uint32_t argb);
    std::uint32_t readPixel(int x, int y) const;

  private:
    int width_;
    int height_;
    int format_;
    int pitch_;
    std::vector<std::uint8_t> pixels_;
};

using PixmapRef = std::shared_ptr<TPixmap>;

}  // namespace gb
