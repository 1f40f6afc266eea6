#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "PlayfieldTestSupport.h"
#include "playfield/TPiece.h"

namespace gb {
namespace {

using testing::TraceCapture;

const std::vector<int> kShapes[7] = {{3, 3, 3}, {5, 3, 1}, {3, 5, 3}, {3, 1, 3},
                                     {3, 3, 1}, {3, 3, 5}, {3, 5, 2}};

using Cells = std::set<std::pair<int, int>>;

class PieceTest : public testing::PlayfieldTest {
  protected:
    // A copy of a kind's prototype placed in the game grid, as the game places a new piece.
    PieceRef place(int kind, float x, float y, int angle = 0) {
        prototypes[kind] = TPiece::create(kShapes[kind], kind);
        PieceRef piece = TPiece::createCopy(*prototypes[kind]);
        piece->setGrid(grid);
        piece->position->setXY(x, y);
        piece->angle = angle;
        piece->applyRotation();
        piece->offsetBy(*piece->position);
        EXPECT_TRUE(piece->addToGrid());
        return piece;
    }
    // The cells of the piece's blocks, checked against where the grid holds them.
    Cells cellsOf(const TPiece& piece) {
        Cells cells;
        for (const BlockRef& block : piece.blocks) {
            const int column = block->position->roundX();
            const int row = block->position->roundY();
            if (!block->position->insideBounds(*grid->size)) {
                ADD_FAILURE() << "block outside the grid at " << column << "," << row;
                continue;
            }
            EXPECT_EQ(grid->cells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)],
                      block)
                << column << "," << row;
            cells.emplace(column, row);
        }
        return cells;
    }

    PieceRef prototypes[7];
};

TEST_F(PieceTest, SevenShapesAreCentredOnTheirBoundingBox) {
    const float expected[7][8] = {
        {-1.5f, 0, -0.5f, 0, 0.5f, 0, 1.5f, 0},
        {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 0.5f, -0.5f},
        {-1, -0.5f, 0, -0.5f, 0, 0.5f, 1, 0.5f},
        {-1, 0.5f, 0, 0.5f, 0, -0.5f, 1, -0.5f},
        {-1, 0.5f, 0, 0.5f, 1, 0.5f, 1, -0.5f},
        {-1, -0.5f, 0, -0.5f, 1, -0.5f, 1, 0.5f},
        {-1, -0.5f, 0, -0.5f, 0, 0.5f, 1, -0.5f},
    };
    for (int kind = 0; kind < 7; ++kind) {
        PieceRef piece = TPiece::create(kShapes[kind], kind);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(piece->shapeBlocks[i]->position->x, expected[kind][2 * i]) << kind << i;
            EXPECT_EQ(piece->shapeBlocks[i]->position->y, expected[kind][2 * i + 1]) << kind << i;
            EXPECT_EQ(piece->blocks[i]->owner.lock(), piece);
        }
    }
    TraceCapture traces;
    const PieceRef piece = TPiece::create({5, 3, 1}, 1);
    EXPECT_EQ(std::vector<std::string>(traces.lines.begin(), traces.lines.begin() + 9),
              (std::vector<std::string>{
                  "Building Piece #1",
                  "Block [1] pos (0.00000000,1.00000000)",
                  "Block [2] pos (1.00000000,1.00000000)",
                  "Block [3] pos (1.00000000,0.00000000)",
                  "Calculating offset from min (0.00000000,0.00000000)",
                  "                  minus max (-1.00000000,-1.00000000)",
                  "                divide by 2 (-0.500000000,-0.500000000)",
                  "                  minus min (-0.500000000,-0.500000000)",
                  "offsetBy (-0.500000000,-0.500000000)",
              }));
}

TEST_F(PieceTest, EveryShapeTurnsOnWholeCellsAndComesBackAfterFourTurns) {
    for (int kind = 0; kind < 7; ++kind) {
        PieceRef piece = place(kind, 4.5f, 9.5f);
        const Cells start = cellsOf(*piece);
        for (int turn = 1; turn <= 4; ++turn) {
            piece->rotateLeft();
            EXPECT_FALSE(piece->isStuck()) << kind;
            for (const BlockRef& block : piece->blocks) {
                // Rotation residues stay far below one cell: every block sits on a half cell.
                EXPECT_NEAR(block->position->x * 2, std::round(block->position->x * 2), 1e-5);
                EXPECT_NEAR(block->position->y * 2, std::round(block->position->y * 2), 1e-5);
            }
            EXPECT_EQ(cellsOf(*piece).size(), 4u) << kind << " turn " << turn;
        }
        EXPECT_EQ(piece->angle, 0);
        EXPECT_EQ(cellsOf(*piece), start) << kind;
        piece->removeFromGrid();
        EXPECT_EQ(blockCount(), 0);
    }
}

// A right turn is three left turns, never one: checked on the L, J and T pieces, whose quarter
// turns either way differ.
TEST_F(PieceTest, ARightTurnIsTheOppositeOfALeftTurn) {
    for (int kind : {4, 5, 6}) {
        PieceRef left = place(kind, 4.0f, 9.5f);
        left->rotateLeft();
        const Cells oneLeft = cellsOf(*left);
        left->rotateLeft();
        left->rotateLeft();
        const Cells threeLeft = cellsOf(*left);
        left->removeFromGrid();

        PieceRef right = place(kind, 4.0f, 9.5f);
        right->rotateRight();
        EXPECT_EQ(cellsOf(*right), threeLeft) << kind;
        EXPECT_NE(cellsOf(*right), oneLeft) << kind;
        right->removeFromGrid();
    }
}

TEST_F(PieceTest, StraightPieceTurnsAboutItsCentreAndReachesMinusOneAtTheWall) {
    PieceRef piece = place(0, 4, 1);
    piece->rotateLeft();
    const float ys[4] = {2.5f, 1.5f, 0.5f, -0.5f};  // the left end goes to the bottom
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(piece->blocks[i]->position->x, 4.0f, 1e-6);
        EXPECT_FLOAT_EQ(piece->blocks[i]->position->y, ys[i]);
    }
    EXPECT_EQ(cellsOf(*piece), (Cells{{4, 0}, {4, 1}, {4, 2}, {4, 3}}));
    piece->rotateRight();
    EXPECT_EQ(piece->angle, 0);
    piece->rotateRight();
    EXPECT_EQ(piece->angle, -90);  // the remainder keeps the sign of the dividend

    PieceRef upright = place(0, 0, 5, 90);
    EXPECT_TRUE(upright->moveLeft());  // x = -1 still rounds to column 0
    EXPECT_FLOAT_EQ(upright->blocks[0]->position->x, -1.0f);
    EXPECT_EQ(cellsOf(*upright).begin()->first, 0);
    EXPECT_FALSE(upright->moveLeft());
}

TEST_F(PieceTest, ATurnThatDoesNotFitIsUndoneAndMarksThePieceStuckUntilDrawn) {
    PieceRef piece = place(0, 4, 19);  // lying on the floor
    const Cells before = cellsOf(*piece);
    TraceCapture traces;
    piece->rotateLeft();
    EXPECT_EQ(piece->angle, 0);
    EXPECT_EQ(piece->position->y, 19.0f);
    EXPECT_EQ(cellsOf(*piece), before);
    EXPECT_EQ(blockCount(), 4);
    EXPECT_TRUE(piece->isStuck());
    EXPECT_TRUE(traces.contains("Rotate Angle: 90 Position (4.00000000,19.0000000)"));
    EXPECT_TRUE(traces.contains("Failed added Block at 4.00000000 , 20.5000000"));

    // Trying again fails again and changes nothing; the grid's next frame clears the mark.
    piece->rotateLeft();
    EXPECT_EQ(piece->angle, 0);
    EXPECT_EQ(cellsOf(*piece), before);
    grid->update();
    EXPECT_FALSE(piece->isStuck());
}

// The blocks of a piece always sit at its centre plus its shape turned by its angle.
void expectBlocksAroundTheCentre(const TPiece& piece) {
    for (std::size_t i = 0; i < 4; ++i) {
        TVector expected = *piece.shapeBlocks[i]->position;
        expected.rotate(piece.angle);
        expected.add(*piece.position);
        EXPECT_NEAR(piece.blocks[i]->position->x, expected.x, 1e-4) << "block " << i;
        EXPECT_NEAR(piece.blocks[i]->position->y, expected.y, 1e-4) << "block " << i;
    }
}

TEST_F(PieceTest, AFailedPushDoesNotHoldTheNextMoveOrLetTheCentreDrift) {
    PieceRef square = place(1, 0, 5);  // blocks at x = -0.5 and 0.5: columns 0 and 1
    const Cells before = cellsOf(*square);
    EXPECT_FALSE(square->moveLeft());
    EXPECT_EQ(square->position->x, 0.0f);
    EXPECT_EQ(cellsOf(*square), before);
    EXPECT_TRUE(square->isStuck());  // the game reads this when a piece lands
    // The move down just after the failed push is carried out, centre and blocks together.
    EXPECT_TRUE(square->moveDown());
    EXPECT_EQ(cellsOf(*square), (Cells{{0, 6}, {0, 7}, {1, 6}, {1, 7}}));
    expectBlocksAroundTheCentre(*square);

    // Pushed into the wall and down, again and again, then turned: the piece stays whole.
    PieceRef bar = place(4, 8, 2.5f);  // the L of kind 4 against the right wall
    for (int step = 0; step < 12; ++step) {
        bar->moveRight();
        bar->moveDown();
        expectBlocksAroundTheCentre(*bar);
        EXPECT_EQ(cellsOf(*bar).size(), 4u);
    }
    EXPECT_FLOAT_EQ(bar->position->y, 14.5f);
    bar->rotateLeft();
    expectBlocksAroundTheCentre(*bar);
    EXPECT_EQ(cellsOf(*bar), (Cells{{9, 14}, {9, 15}, {9, 16}, {8, 14}}));
}

TEST_F(PieceTest, DropDownLandsOnTheStackAndAHeldPieceCannotMove) {
    put(5, 15);
    PieceRef piece = place(2, 4, 3.5f);  // Z over columns 3..5, lower row in columns 4 and 5
    piece->dropDown();
    EXPECT_EQ(piece->position->y, 13.5f);
    EXPECT_TRUE(piece->isStuck());
    piece->dropDown();  // already landed: one failed step and nothing moves
    EXPECT_EQ(piece->position->y, 13.5f);
    expectBlocksAroundTheCentre(*piece);

    // Blocks held through the prototype they were copied from do not move, and neither does
    // the centre: every move answers 0 and a drop ends at once.
    grid->update();
    PieceRef other = place(1, 0.5f, 0.5f);
    prototypes[1]->markStuck();
    EXPECT_FALSE(other->moveDown());
    other->dropDown();
    other->rotateLeft();
    EXPECT_EQ(other->position->y, 0.5f);
    EXPECT_EQ(other->angle, 0);
    expectBlocksAroundTheCentre(*other);
}

TEST_F(PieceTest, DetachLeavesTheBlocksInTheGridAndCopiesDropTheAngle) {
    PieceRef piece = place(5, 4, 5.5f);
    piece->rotateLeft();
    PieceRef copy = TPiece::createCopy(*piece);
    EXPECT_EQ(copy->angle, 0);
    EXPECT_EQ(copy->blocks[2]->position->x, piece->blocks[2]->position->x);
    EXPECT_EQ(copy->blocks[2]->owner.lock(), prototypes[5]);

    const std::array<BlockRef, 4> landed = piece->blocks;
    piece->detach();
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_FALSE(landed[i]->owner.lock());
        EXPECT_EQ(landed[i]->grid, grid);
        EXPECT_FALSE(piece->blocks[i]->inGrid);
        EXPECT_EQ(piece->blocks[i]->position->y, piece->shapeBlocks[i]->position->y);
    }
    EXPECT_EQ(blockCount(), 4);
}

}  // namespace
}  // namespace gb
