#pragma once

#include <array>
#include <memory>
#include <vector>

#include "playfield/TBlock.h"
#include "values/TVector.h"

namespace gb {

class TPiece;
using PieceRef = std::shared_ptr<TPiece>;

// A group of four blocks built from a shape, placed in a grid, then moved, dropped and turned
// there. Every move remembers the state, takes the blocks out of the grid, changes them and
// puts them back; when a block does not fit, the piece is marked stuck and the old state is
// restored. Turns are never accumulated: each one rebuilds the blocks from the centred,
// unrotated shape blocks turned by the piece's whole angle.
class TPiece : public std::enable_shared_from_this<TPiece> {
  public:
    std::array<BlockRef, 4> blocks;       // current blocks, in build order
    std::array<BlockRef, 4> shapeBlocks;  // unrotated shape, relative to the piece centre
    int kind = 0;
    VectorRef position;  // piece centre in cell units
    VectorRef savedPosition;
    bool stuck = false;
    int angle = 0;  // degrees applied to the shape blocks
    int savedAngle = 0;
    GridRef grid;

    // Builds a piece from three direction codes: 1 up, 2 up-right, 3 right, 4 down-right,
    // 5 down, 6 down-left, 7 left, 8 up-left; any other code makes no step.
    [[nodiscard]] static PieceRef create(const std::vector<int>& codes, int kind);
    // A piece with copies of the source's blocks (their positions included), angle 0.
    [[nodiscard]] static PieceRef createCopy(const TPiece& source);

    void copyFrom(const TPiece& source);
    void build(const std::vector<int>& codes, int kind);
    void setGrid(const GridRef& newGrid);
    void clearGrid();
    void saveShape();
    void markStuck();
    // Whether any current block failed to be placed since its grid's frame began (see
    // TGrid::update); also stored in stuck.
    bool isStuck();
    // Leaves the current blocks in their grid cells as free blocks and takes fresh unplaced
    // copies of the shape.
    void detach();
    void applyRotation();
    // Moves the blocks so that the middle of their bounding box is at (0, 0).
    void centre();
    void buildBlocks(const std::vector<int>& codes);
    void offsetBy(const TVector& v);
    // True when the piece (its centre and every block) moved by v; false when it did not fit
    // and was put back, marked stuck, or could not move at all. The blocks keep their offsets
    // from the centre: only a turn changes them.
    bool moveBy(const TVector& v);
    void reset();
    bool moveLeft();
    bool moveRight();
    bool moveDown();
    // Moves down until the piece lands.
    void dropDown();
    void saveState();
    // Changes the angle by delta (remainder 360) and rebuilds the blocks; undone when the
    // turned piece does not fit.
    void rotate(int delta);
    void rotateLeft();   // a quarter turn counter-clockwise on the screen
    void rotateRight();  // a quarter turn clockwise on the screen
    // True when every block went into the grid; at the first block that does not, marks the
    // piece stuck and answers false (the blocks before it stay in the grid).
    bool addToGrid();
    void removeFromGrid();

  private:
    // True when some block would ignore a move (it, or its owner, failed to be placed since its
    // grid's frame began).
    bool blocksHeld() const;
    // Every move and turn starts here. A failed move marks the piece stuck so that the game
    // sees it land; the next move of the same piece starts afresh, so a push into a wall does
    // not hold a move down or a turn made just after it. A piece whose blocks are still held
    // through another piece cannot move at all: the answer is false and nothing changes, so
    // the centre never leaves the blocks.
    bool startMove();
};

}  // namespace gb
