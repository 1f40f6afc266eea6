#pragma once

#include <memory>
#include <vector>

#include "playfield/TBlock.h"
#include "services/TImage.h"
#include "values/TColor.h"
#include "values/TVector.h"

namespace gb {

class TFruitShower;

// A rectangular board of cells holding blocks, addressed cells[column][row] from (0, 0) at
// the top left. A position in cell units belongs to the cell (roundX, roundY). The grid finds
// and removes full rows, lets the rows above fall, bursts a fruit from every removed block
// and draws its background, its blocks and its fruit shower clipped to the board.
class TGrid : public std::enable_shared_from_this<TGrid> {
  public:
    VectorRef size;      // columns (x) and rows (y), whole numbers
    VectorRef origin;    // pixel position of the top-left corner of cell (0, 0)
    VectorRef cellSize;  // cell width and height in pixels
    VectorRef extent;    // board size in pixels: pitch * size
    VectorRef pitch;     // cellSize + (gap, gap): distance between neighbouring cells
    int gap = 0;
    std::vector<std::vector<BlockRef>> cells;
    ColorRef colour;  // kept; drawing does not use it
    ImageRef backTile;
    ImageRef blockImage;        // the 7-frame block picture its blocks draw with (frame = kind)
    std::vector<int> fullRows;  // 1 for each row that was full at the last findFullLines
    std::shared_ptr<TFruitShower> fruits;

    // Keeps the caller's size, origin and cellSize objects themselves (not copies).
    [[nodiscard]] static GridRef create(VectorRef size, VectorRef origin, VectorRef cellSize,
                                        int gap, ColorRef colour);
    // True when the block was stored in the cell of its rounded position; false when that cell
    // is outside the grid or taken. The block itself is not changed.
    bool addBlock(const BlockRef& block);
    // True when the cell of pos held a block and was emptied.
    bool removeBlockAt(const TVector& pos);
    // Empties every cell, with a fruit burst from each block.
    void clear();
    // Whether pos lies inside the grid and its cell is empty.
    bool isFree(const TVector& pos) const;
    void init(VectorRef size, VectorRef origin, VectorRef cellSize, int gap, ColorRef colour);
    // One frame of the grid's own life, before it is drawn: the marks of blocks that could not
    // move in the last frame are cleared, and the fruit shower moves.
    void update();
    // Draws the background, the blocks and the fruit, clipped to the board. Changes nothing.
    void draw() const;
    // Starts a fruit burst at the pixel point of a cell.
    void dropFruit(int column, int row);
    bool hasFruits() const;
    // Flags the full rows, empties them (a fruit per block) and answers how many there were.
    int findFullLines();
    // Lets the blocks above every flagged row fall by one row per flagged row below them.
    void collapse();

    int columnCount() const { return static_cast<int>(cells.size()); }
    int rowCount() const { return static_cast<int>(fullRows.size()); }

  private:
    // The cell of pos when it lies inside the grid, else nullptr.
    BlockRef* cellAt(const TVector& pos);
    const BlockRef* cellAt(const TVector& pos) const;
    // The cell at a column and row within the grid, and whether a row is flagged full.
    BlockRef& cell(int column, int row);
    int& fullRow(int row);
};

}  // namespace gb
