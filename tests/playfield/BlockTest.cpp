#include <gtest/gtest.h>

#include "PlayfieldTestSupport.h"
#include "core/Text.h"

namespace gb {
namespace {

using testing::TraceCapture;
using BlockTest = testing::PlayfieldTest;

TEST_F(BlockTest, StuckBlockIgnoresMovesAndTurnsUntilItsGridsNextFrame) {
    BlockRef block = put(3, 4);
    block->setStuck(1);
    block->moveBy(TVector(1, 0));
    block->rotate(90);
    EXPECT_EQ(block->position->x, 3.0f);
    EXPECT_EQ(block->position->y, 4.0f);

    // Direct placements still apply to a stuck block.
    block->savePosition();
    TraceCapture traces;
    block->offsetBy(TVector(0.5f, 1));
    EXPECT_EQ(traces.lines[0], "Offseting (3.00000000,4.00000000) by (0.500000000,1.00000000) ");
    EXPECT_EQ(traces.lines[1], "Offset to (3.50000000,5.00000000)");
    block->restorePosition();
    EXPECT_EQ(traces.lines[2], "moving block back too (3.00000000,4.00000000)");

    // Drawing changes nothing; the grid's next frame clears the mark.
    block->draw();
    EXPECT_TRUE(block->stuck);
    grid->update();
    EXPECT_FALSE(block->stuck);
    block->moveBy(TVector(1, 0));
    EXPECT_EQ(block->position->x, 4.0f);
}

TEST_F(BlockTest, RemoveWithoutBeingInTheGridChangesNothing) {
    BlockRef mine = TBlock::create(TVector(2, 2), 0, nullptr);
    mine->grid = grid;
    BlockRef other = put(2, 2);  // the same cell, stored by somebody else
    TraceCapture traces;
    mine->removeFromGrid();
    EXPECT_EQ(grid->cells[2][2], other);
    EXPECT_EQ(traces.lines.back(), "failed to remove block at (2.00000000,2.00000000) from grid " +
                                       objectToText(grid.get()));
}

}  // namespace
}  // namespace gb
