#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gb {

// A rectangle of whole pixels: x, y of its top-left corner, its width and height.
struct TPixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    // The part both rectangles cover (empty when they do not meet).
    TPixelRect intersection(const TPixelRect& other) const;
    bool intersects(const TPixelRect& other) const { return !intersection(other).empty(); }
    bool operator==(const TPixelRect&) const = default;
};

// The part of a picture that has to be drawn again: a set of square tiles over a width x height
// area. Marking a rectangle marks every tile it touches, so the region always covers at least
// what was marked; reading it back gives rectangles that do not overlap.
class TDirtyRegion {
  public:
    static constexpr int kTile = 16;

    TDirtyRegion(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    // Marks the tiles the rectangle touches (the part inside the area); true when any of them
    // was not marked yet.
    bool add(const TPixelRect& rect);
    void addAll();
    void clear();
    bool empty() const { return marked_ == 0; }
    bool full() const { return marked_ == static_cast<int>(tiles_.size()); }
    // Whether any marked tile meets the rectangle.
    bool intersects(const TPixelRect& rect) const;
    // The marked tiles as rectangles that do not overlap, clipped to the area, top to bottom:
    // runs of marked tiles along each row of tiles, with runs of the same extent in rows below
    // one another joined into one rectangle.
    std::vector<TPixelRect> rects() const;

  private:
    // The tiles a rectangle touches, inside the area: columns [left, right), rows [top, bottom).
    struct TileSpan {
        int left, top, right, bottom;
        bool empty() const { return left >= right || top >= bottom; }
    };
    TileSpan tilesOf(const TPixelRect& rect) const;
    // Where a tile of the area is kept in tiles_.
    std::size_t index(int row, int column) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column);
    }

    int width_;
    int height_;
    int columns_;
    int rows_;
    int marked_ = 0;
    std::vector<std::uint8_t> tiles_;  // 1 for a marked tile, row by row
};

}  // namespace gb
