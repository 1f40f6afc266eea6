// Where a piece would land: the distance the drop and the landing shadow go by, checked
// against the piece falling row by row, and the shadow as the grid draws it.

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "PlayfieldTestSupport.h"
#include "playfield/TPiece.h"

namespace gb {
namespace {

const std::vector<int> kShapes[7] = {{3, 3, 3}, {5, 3, 1}, {3, 5, 3}, {3, 1, 3},
                                     {3, 3, 1}, {3, 3, 5}, {3, 5, 2}};

using Cells = std::set<std::pair<int, int>>;

class LandingTest : public testing::PlayfieldTest {
  protected:
    // A copy of a kind's prototype entering the grid at a centre and an angle, as the game
    // brings in a new piece.
    PieceRef enter(int kind, float x, float y, int angle) {
        prototype = TPiece::create(kShapes[kind], kind);
        PieceRef piece = TPiece::createCopy(*prototype);
        piece->setGrid(grid);
        piece->angle = angle;
        piece->applyRotation();
        piece->offsetBy(TVector(x, y));
        piece->position->setXY(x, y);
        EXPECT_TRUE(piece->addToGrid());
        return piece;
    }

    // The cells of the piece's blocks moved down by rows (0: where they are).
    static Cells cellsOf(const TPiece& piece, int rows = 0) {
        Cells cells;
        for (const BlockRef& block : piece.blocks) {
            TVector p = *block->position;
            p.y += static_cast<float>(rows);
            cells.emplace(p.roundX(), p.roundY());
        }
        return cells;
    }

    // The cells of the piece, each checked to hold that very block in the grid.
    Cells heldCells(const TPiece& piece) {
        for (const BlockRef& block : piece.blocks) {
            EXPECT_EQ(grid->blockAt(*block->position), block);
        }
        return cellsOf(piece);
    }

    // A stack with overhangs: blocks with empty cells under them that a falling piece must
    // stop on, a gap down to the floor, and steps of different heights.
    void buildStack() {
        for (int column = 0; column < 9; ++column) {
            put(static_cast<float>(column), 19);
        }
        for (const int column : {0, 3, 4, 8}) {
            put(static_cast<float>(column), 18);
        }
        put(4, 17);
        put(1, 15);  // over (1, 16) to (1, 18)
        put(6, 14);  // over (6, 15) to (6, 18)
        put(9, 12);  // over column 9 all the way down to the floor
    }

    PieceRef prototype;
};

// Every kind, at every angle the game gives a new piece, in every column it can reach from
// the left wall to the right wall, over the bare floor and over a stack with overhangs: the
// distance is where the piece rests when it falls one row at a time, and where the drop puts
// it, stuck as a landed piece is.
TEST_F(LandingTest, DistanceIsWhereTheFallRowByRowAndTheDropEnd) {
    for (const bool stack : {false, true}) {
        for (int kind = 0; kind < 7; ++kind) {
            for (const int angle : {90, 180, 270, 360}) {
                SCOPED_TRACE(::testing::Message() << (stack ? "stack" : "floor") << " kind " << kind
                                                  << " angle " << angle);
                grid = TGrid::create(TVector::create(10, 20), TVector::create(255, 0),
                                     TVector::create(29, 29), 0, TColor::create(64, 0, 64));
                if (stack) {
                    buildStack();
                }
                PieceRef piece = enter(kind, 4, 1, angle);
                while (piece->moveLeft()) {
                }
                std::set<int> leftColumns;
                for (;;) {
                    const std::optional<int> rows = piece->dropDistance();
                    ASSERT_TRUE(rows.has_value());
                    const Cells shadow = cellsOf(*piece, *rows);
                    leftColumns.insert(shadow.begin()->first);

                    int fallen = 0;
                    while (piece->moveDown()) {
                        ++fallen;
                    }
                    EXPECT_EQ(fallen, *rows);
                    EXPECT_EQ(heldCells(*piece), shadow);
                    EXPECT_EQ(piece->dropDistance(), 0);
                    ASSERT_TRUE(piece->moveBy(TVector(0, static_cast<float>(-fallen))));

                    piece->dropDown();
                    EXPECT_EQ(heldCells(*piece), shadow);
                    EXPECT_TRUE(piece->isStuck());
                    ASSERT_TRUE(piece->moveBy(TVector(0, static_cast<float>(-fallen))));
                    if (!piece->moveRight()) {
                        break;
                    }
                }
                // From the left wall to the right wall: 10 columns less the piece's width.
                int width = 0;
                const Cells cells = cellsOf(*piece);
                width = cells.rbegin()->first - cells.begin()->first + 1;
                EXPECT_EQ(cells.rbegin()->first, 9);
                EXPECT_EQ(static_cast<int>(leftColumns.size()), 10 - width + 1);
                EXPECT_EQ(*leftColumns.begin(), 0);
            }
        }
    }
}

// Only a piece wholly in a grid has a place to land; its own blocks never stop it, and a
// piece held through the prototype it was copied from cannot drop at all.
TEST_F(LandingTest, OnlyAPlacedPieceHasADistanceAndAHeldOneDoesNotMove) {
    prototype = TPiece::create(kShapes[0], 0);
    EXPECT_FALSE(TPiece::createCopy(*prototype)->dropDistance().has_value());

    // An upright bar in rows 4 to 7: three of the four cells one row down are its own.
    PieceRef bar = enter(0, 4, 5.5f, 90);
    EXPECT_EQ(bar->dropDistance(), 12);
    bar->removeFromGrid();
    EXPECT_FALSE(bar->dropDistance().has_value());
    ASSERT_TRUE(bar->addToGrid());

    // A block that is not the bar's own stops it on top.
    put(4, 18);
    EXPECT_EQ(bar->dropDistance(), 10);

    prototype->markStuck();
    const Cells before = heldCells(*bar);
    bar->dropDown();
    EXPECT_EQ(heldCells(*bar), before);
    EXPECT_EQ(bar->dropDistance(), 10);
}

// The grid draws the shadow over its background and under every block, faint, in the
// piece's frame of the block picture, at the cells the drop would take; without a piece it
// draws exactly what it always drew.
TEST_F(LandingTest, GridDrawsTheShadowFaintBetweenBackgroundAndBlocks) {
    grid->backTile = createImage(29, 29);
    buildStack();
    PieceRef piece = enter(6, 2, 1, 180);  // the T, pointing up, over the overhang at (1, 15)
    const std::optional<int> rows = piece->dropDistance();
    ASSERT_TRUE(rows.has_value());
    const Cells shadow = cellsOf(*piece, *rows);

    backend->reset();
    grid->draw(piece.get());
    const std::vector<TDrawCall>& calls = backend->calls();
    ASSERT_FALSE(calls.empty());
    std::size_t i = 0;
    for (; i < calls.size() && calls[i].op != TDrawCall::Op::tile; ++i) {
    }
    ASSERT_LT(i, calls.size()) << "no background";
    ++i;
    Cells drawnShadow;
    for (; i < calls.size() && calls[i].state.alpha < 1.0f; ++i) {
        EXPECT_EQ(calls[i].image, blockImage.get());
        EXPECT_EQ(calls[i].cell, 6);
        EXPECT_GT(calls[i].state.alpha, 0.1f);
        EXPECT_LT(calls[i].state.alpha, 0.6f);
        drawnShadow.emplace(static_cast<int>(calls[i].x - 255) / 29,
                            static_cast<int>(calls[i].y) / 29);
    }
    EXPECT_EQ(drawnShadow, shadow);
    // The blocks follow at full strength, the piece's among them.
    Cells drawnBlocks;
    for (; i < calls.size(); ++i) {
        if (calls[i].image == blockImage.get()) {
            EXPECT_EQ(calls[i].state.alpha, 1.0f);
            drawnBlocks.emplace(static_cast<int>(calls[i].x - 255) / 29,
                                static_cast<int>(calls[i].y) / 29);
        }
    }
    EXPECT_EQ(static_cast<int>(drawnBlocks.size()), blockCount());
    for (const auto& cell : cellsOf(*piece)) {
        EXPECT_TRUE(drawnBlocks.contains(cell));
    }
    EXPECT_EQ(drawState().alpha, 1.0f);

    // A landed piece's shadow lies under the piece itself, still drawn before it.
    piece->dropDown();
    backend->reset();
    grid->draw(piece.get());
    const auto draws = backend->drawsOf(blockImage.get());
    ASSERT_GE(draws.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_LT(draws[k].state.alpha, 1.0f);
    }
    EXPECT_EQ(draws.size(), static_cast<std::size_t>(blockCount()) + 4);

    backend->reset();
    grid->draw();
    for (const TDrawCall& call : backend->drawsOf(blockImage.get())) {
        EXPECT_EQ(call.state.alpha, 1.0f);
    }
    EXPECT_EQ(backend->drawsOf(blockImage.get()).size(), static_cast<std::size_t>(blockCount()));
}

}  // namespace
}  // namespace gb
