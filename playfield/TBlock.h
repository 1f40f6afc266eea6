#pragma once

#include <cstddef>
#include <memory>

#include "services/TImage.h"
#include "values/TVector.h"

namespace gb {

class TBlock;
class TGrid;
class TPiece;
using BlockRef = std::shared_ptr<TBlock>;
using GridRef = std::shared_ptr<TGrid>;

// A block's reference to its grid. The grid keeps its blocks in its cells, so this link does
// not own the grid (grid and blocks would otherwise keep each other alive for ever); the game
// owns its grids for the whole run. It reads and assigns like a GridRef.
class GridLink {
  public:
    GridLink() = default;
    GridLink(std::nullptr_t) {}
    GridLink(const GridRef& grid) : grid_(grid) {}

    GridLink& operator=(const GridRef& grid) {
        grid_ = grid;
        return *this;
    }
    GridLink& operator=(std::nullptr_t) {
        grid_.reset();
        return *this;
    }

    GridRef lock() const { return grid_.lock(); }
    operator GridRef() const { return grid_.lock(); }
    TGrid* get() const { return grid_.lock().get(); }
    TGrid* operator->() const { return get(); }
    explicit operator bool() const { return !grid_.expired(); }
    bool operator==(const GridRef& other) const { return get() == other.get(); }
    bool operator==(std::nullptr_t) const { return grid_.expired(); }

  private:
    std::weak_ptr<TGrid> grid_;
};

// One square of a piece: its position in the cell units of its grid (possibly fractional),
// its kind (also the frame of the shared block image) and the piece that built it. When a
// piece lands, the very same block objects stay in the grid's cells as free blocks.
class TBlock : public std::enable_shared_from_this<TBlock> {
  public:
    GridLink grid;
    VectorRef position;
    VectorRef savedPosition;
    int kind = 0;
    // Set when the block failed to be placed in this frame; such a block ignores moveBy and
    // rotate until its grid's next frame starts (TGrid::update) or its piece starts a new
    // move.
    bool stuck = false;
    // Not owning: the piece owns its blocks.
    std::weak_ptr<TPiece> owner;
    // Whether the block is stored in its grid by its own addToGrid.
    bool inGrid = false;

    [[nodiscard]] static BlockRef create(const TVector& position, int kind,
                                         const std::shared_ptr<TPiece>& owner);
    void init(const TVector& position, int kind, const std::shared_ptr<TPiece>& owner);
    // Same position, kind and owner; no grid, not stuck, not in a grid.
    [[nodiscard]] BlockRef copy() const;
    void setPosition(const TVector& v);
    void setStuck(bool value);
    // Whether this block is stuck, otherwise what its owner piece answers (false without one).
    bool isStuck() const;
    void detach();
    void offsetBy(const TVector& v);
    void savePosition();
    void moveBy(const TVector& v);
    void restorePosition();
    // Stores the block in its grid; the answer (also kept in inGrid) is whether it went in.
    bool addToGrid();
    void removeFromGrid();
    void rotate(int angle);
    // Draws a frame of a block picture at a pixel point under the current drawing state.
    static void drawAt(const ImageRef& image, const TVector& pixel, int frame);
    // Draws the block in its cell of its grid, with the grid's block picture. Changes nothing.
    void draw() const;
};

}  // namespace gb
