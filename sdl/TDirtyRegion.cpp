#include "sdl/TDirtyRegion.h"

#include <algorithm>
#include <cstddef>

namespace gb {

TPixelRect TPixelRect::intersection(const TPixelRect& other) const {
    const int left = std::max(x, other.x);
    const int top = std::max(y, other.y);
    const int right = std::min(this->right(), other.right());
    const int bottom = std::min(this->bottom(), other.bottom());
    if (left >= right || top >= bottom) {
        return TPixelRect{};
    }
    return TPixelRect{left, top, right - left, bottom - top};
}

TDirtyRegion::TDirtyRegion(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      columns_((width_ + kTile - 1) / kTile),
      rows_((height_ + kTile - 1) / kTile),
      tiles_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), 0) {}

TDirtyRegion::TileSpan TDirtyRegion::tilesOf(const TPixelRect& rect) const {
    const TPixelRect inside = rect.intersection(TPixelRect{0, 0, width_, height_});
    if (inside.empty()) {
        return TileSpan{0, 0, 0, 0};
    }
    return TileSpan{inside.x / kTile, inside.y / kTile, (inside.right() + kTile - 1) / kTile,
                    (inside.bottom() + kTile - 1) / kTile};
}

bool TDirtyRegion::add(const TPixelRect& rect) {
    const TileSpan span = tilesOf(rect);
    const int before = marked_;
    for (int row = span.top; row < span.bottom; ++row) {
        std::uint8_t* tile = &tiles_[index(row, span.left)];
        for (int column = span.left; column < span.right; ++column, ++tile) {
            marked_ += 1 - *tile;
            *tile = 1;
        }
    }
    return marked_ != before;
}

void TDirtyRegion::addAll() {
    std::fill(tiles_.begin(), tiles_.end(), std::uint8_t{1});
    marked_ = static_cast<int>(tiles_.size());
}

void TDirtyRegion::clear() {
    std::fill(tiles_.begin(), tiles_.end(), std::uint8_t{0});
    marked_ = 0;
}

bool TDirtyRegion::intersects(const TPixelRect& rect) const {
    if (marked_ == 0) {
        return false;
    }
    const TileSpan span = tilesOf(rect);
    for (int row = span.top; row < span.bottom; ++row) {
        const std::uint8_t* tile = &tiles_[index(row, span.left)];
        for (int column = span.left; column < span.right; ++column, ++tile) {
            if (*tile != 0) {
                return true;
            }
        }
    }
    return false;
}

std::vector<TPixelRect> TDirtyRegion::rects() const {
    std::vector<TPixelRect> done;
    // Rectangles still growing downwards, as tile columns [left, right) from row top.
    struct Open {
        int left, right, top;
    };
    std::vector<Open> open;
    std::vector<Open> next;
    auto close = [&](const Open& o, int bottomRow) {
        const int x = o.left * kTile;
        const int y = o.top * kTile;
        done.push_back(TPixelRect{x, y, std::min(o.right * kTile, width_) - x,
                                  std::min(bottomRow * kTile, height_) - y});
    };
    for (int row = 0; row <= rows_; ++row) {
        next.clear();
        std::size_t kept = 0;  // open rectangles are ordered by left, as the runs are
        int column = 0;
        while (row < rows_ && column < columns_) {
            const std::uint8_t* line = &tiles_[index(row, 0)];
            if (line[column] == 0) {
                ++column;
                continue;
            }
            const int left = column;
            while (column < columns_ && line[column] != 0) {
                ++column;
            }
            // Close the open rectangles that end before this run starts.
            while (kept < open.size() && open[kept].left < left) {
                close(open[kept], row);
                ++kept;
            }
            if (kept < open.size() && open[kept].left == left && open[kept].right == column) {
                next.push_back(open[kept]);
                ++kept;
            } else {
                next.push_back(Open{left, column, row});
            }
        }
        for (; kept < open.size(); ++kept) {
            close(open[kept], row);
        }
        open.swap(next);
    }
    return done;
}

}  // namespace gb
