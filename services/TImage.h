#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "services/TPixmap.h"

namespace gb {

// Image flags (bit values).
inline constexpr int maskedImage = 1;
inline constexpr int filteredImage = 2;
inline constexpr int mipmappedImage = 4;
inline constexpr int dynamicImage = 8;

// What a renderer keeps for one cell (its texture). Made on the cell's first draw.
class TCellTexture {
  public:
    virtual ~TCellTexture() = default;
};

// A picture divided into equally sized cells (frames), drawn cell by cell.
class TImage {
  public:
    int width = 0;   // of one cell
    int height = 0;  // of one cell
    int flags = 0;
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
    float handleX = 0.0f;  // the cell point placed at the drawing coordinates
    float handleY = 0.0f;
    std::vector<PixmapRef> cells;
    // One renderer texture per cell, created on first draw; reset when a cell changes.
    std::vector<std::shared_ptr<TCellTexture>> textures;

    int cellCount() const { return static_cast<int>(cells.size()); }
    // Cell n's pixels and its texture slot, for n in 0 .. cellCount() - 1.
    TPixmap& pixels(int n) const { return *cells[static_cast<std::size_t>(n)]; }
    std::shared_ptr<TCellTexture>& texture(int n) { return textures[static_cast<std::size_t>(n)]; }
};

using ImageRef = std::shared_ptr<TImage>;

}  // namespace gb
