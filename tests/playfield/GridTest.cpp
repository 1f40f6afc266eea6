#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "PlayfieldTestSupport.h"
#include "core/TDeltaTimer.h"
#include "core/Text.h"
#include "effects/TFruitShower.h"

namespace gb {
namespace {

using testing::TraceCapture;

class GridTest : public testing::PlayfieldTest {
  protected:
    // The start points of the grid's live fruit, oldest first.
    std::vector<std::pair<float, float>> fruitPoints() {
        std::vector<std::pair<float, float>> points;
        for (const auto& particle : grid->fruits->particles) {
            points.emplace_back(particle->pos->x, particle->pos->y);
        }
        return points;
    }
};

TEST_F(GridTest, StoresBlocksByRoundedCellAndRefusesWallsAndTakenCells) {
    BlockRef left = TBlock::create(TVector(-1.0f, 7), 0, nullptr);
    TraceCapture traces;
    EXPECT_TRUE(grid->addBlock(left));
    EXPECT_EQ(grid->cells[0][7], left);
    EXPECT_EQ(traces.lines.back(), "Added Block to 0,7 to grid " + objectToText(grid.get()));
    EXPECT_FALSE(grid->addBlock(left));  // its own cell is taken
    EXPECT_EQ(traces.lines.back(), "Failed to addBlock to 0,7 to grid " + objectToText(grid.get()));
    for (const TVector outside : {TVector(-1.5f, 7), TVector(10, 7), TVector(3, 20)}) {
        EXPECT_FALSE(grid->addBlock(TBlock::create(outside, 0, nullptr)));
        EXPECT_FALSE(grid->removeBlockAt(outside));
    }
    EXPECT_FALSE(grid->removeBlockAt(TVector(1, 7)));
    EXPECT_TRUE(grid->removeBlockAt(TVector(-0.9f, 7.2f)));
    EXPECT_EQ(blockCount(), 0);
}

TEST_F(GridTest, FullRowsBurstIntoFruitAndTheRowsAboveFallByTheRowsBelowThem) {
    EXPECT_EQ(grid->findFullLines(), 0);
    BlockRef top = put(0, 0);
    BlockRef row14 = put(1, 14);
    BlockRef row16 = put(2, 16);
    BlockRef row17 = put(3, 17);
    fillRow(15);
    fillRow(18);
    BlockRef floor = put(9, 19);
    ASSERT_EQ(grid->findFullLines(), 2);
    std::vector<int> flagged(20, 0);
    flagged[15] = flagged[18] = 1;
    EXPECT_EQ(grid->fullRows, flagged);
    EXPECT_EQ(blockCount(), 5);  // nothing has moved yet
    EXPECT_EQ(grid->cells[3][17], row17);
    // The lower row bursts first, column by column: 18 * 29 - 14.5 truncates to 507.
    const auto points = fruitPoints();
    ASSERT_EQ(points.size(), 20u);
    EXPECT_EQ(points[0], std::make_pair(240.0f, 507.0f));
    EXPECT_EQ(points[19], std::make_pair(501.0f, 420.0f));

    grid->collapse();
    EXPECT_EQ(grid->cells[0][2], top);
    EXPECT_EQ(grid->cells[1][16], row14);
    EXPECT_EQ(grid->cells[2][17], row16);
    EXPECT_EQ(grid->cells[3][18], row17);
    EXPECT_EQ(grid->cells[9][19], floor);
    EXPECT_EQ(top->position->y, 2.0f);
    EXPECT_EQ(row17->position->y, 18.0f);
    EXPECT_EQ(blockCount(), 5);

    // Every entry is rewritten by the next search.
    EXPECT_EQ(grid->findFullLines(), 0);
    EXPECT_EQ(grid->fullRows, std::vector<int>(20, 0));
}

TEST_F(GridTest, ABlockThatCannotFallStaysAndIsMarkedStuck) {
    BlockRef blocked = put(4, 9);
    put(4, 10);
    grid->fullRows[10] = 1;  // flagged but not emptied
    grid->collapse();
    EXPECT_EQ(grid->cells[4][9], blocked);
    EXPECT_EQ(blocked->position->y, 9.0f);
    EXPECT_TRUE(blocked->stuck);
}

TEST_F(GridTest, FruitStartsHalfACellUpAndLeftOfTheCell) {
    grid->clear();
    EXPECT_FALSE(grid->hasFruits());
    put(9, 19);
    put(1, 2);
    grid->clear();  // column by column
    EXPECT_EQ(blockCount(), 0);
    TraceCapture traces;
    grid->dropFruit(0, 0);
    EXPECT_EQ(traces.lines.back(), "Fruit dropped at x:240,y:-14");
    EXPECT_EQ(fruitPoints(),
              (std::vector<std::pair<float, float>>{{269, 43}, {501, 536}, {240, -14}}));

    // With a gap, cells are a pitch apart.
    auto spaced = TGrid::create(TVector::create(4, 4), TVector::create(10, 20),
                                TVector::create(8, 6), 2, TColor::create(0, 0, 0));
    spaced->dropFruit(3, 2);
    const auto& fruit = *spaced->fruits->particles.firstLink()->value();
    EXPECT_EQ(fruit.pos->x, 36.0f);  // 3 * 10 + 10 - 4
    EXPECT_EQ(fruit.pos->y, 33.0f);  // 2 * 8 + 20 - 3
}

TEST_F(GridTest, DrawsBlocksAndFruitInsideTheBoardThenTheWholeScreenAgain) {
    put(2, 3, 4);
    put(-1, 5, 6);  // -1 rounds to column 0
    grid->dropFruit(5, 5);
    platform.deltaTimer.delta = 0.0f;
    setBlend(alphaBlend);
    setColor(1, 2, 3);
    grid->update();
    grid->draw();

    const auto blocks = backend->drawsOf(blockImage.get());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(std::make_pair(blocks[0].x, blocks[0].y), std::make_pair(255.0f, 145.0f));
    EXPECT_EQ(std::make_pair(blocks[1].x, blocks[1].y), std::make_pair(313.0f, 87.0f));
    EXPECT_EQ(blocks[1].cell, 4);
    EXPECT_EQ(blocks[1].state.red, 255);
    const auto fruit = backend->drawsOf(fruitImage.get());
    ASSERT_EQ(fruit.size(), 1u);
    EXPECT_EQ(fruit[0].state.blend, lightBlend);
    for (const auto& draw : {blocks[0], fruit[0]}) {
        const TViewport& v = draw.state.viewport;
        EXPECT_EQ((std::vector<int>{v.x, v.y, v.width, v.height}),
                  (std::vector<int>{255, 0, 290, 580}));
    }
    EXPECT_EQ(drawState().viewport.width * drawState().viewport.height, 800 * 600);
    EXPECT_EQ(getBlend(), alphaBlend);
    setBlend(maskBlend);
}

}  // namespace
}  // namespace gb
