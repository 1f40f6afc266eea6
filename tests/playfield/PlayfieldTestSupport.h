#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Console.h"
#include "core/TPlatformScope.h"
#include "effects/TFruit.h"
#include "effects/TFruitShower.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "services/Graphics.h"
#include "tests/support/TTestPlatform.h"
#include "values/TColor.h"
#include "values/TVector.h"

namespace gb::testing {

// Collects the debug channel's lines while it lives.
struct TraceCapture {
    TraceCapture() {
        platform().console.debug = [this](std::string_view line) { lines.emplace_back(line); };
        platform().console.debugOn = true;
    }
    ~TraceCapture() {
        platform().console.debugOn = false;
        platform().console.debug = nullptr;
    }
    bool contains(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines;
};

// A recording 800 x 600 display, stand-in block and fruit images, and the game's 10 x 20
// grid at pixel (255, 0) with 29-pixel cells.
class PlayfieldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openGraphics(800, 600));
        backend->reset();
        grid = TGrid::create(TVector::create(10, 20), TVector::create(255, 0),
                             TVector::create(29, 29), 0, TColor::create(64, 0, 64));
        grid->blockImage = blockImage;
        grid->fruits->sheet = fruitImage;
    }

    // A free block stored at a cell.
    BlockRef put(float x, float y, int kind = 0) {
        BlockRef block = TBlock::create(TVector(x, y), kind, nullptr);
        block->grid = grid;
        EXPECT_TRUE(grid->addBlock(block)) << x << "," << y;
        return block;
    }
    void fillRow(int row) {
        for (int column = 0; column < 10; ++column) {
            put(static_cast<float>(column), static_cast<float>(row));
        }
    }
    int blockCount() const {
        int n = 0;
        for (const auto& column : grid->cells) {
            for (const BlockRef& block : column) {
                n += block ? 1 : 0;
            }
        }
        return n;
    }

    TTestPlatform platform;
    TPlatformScope installed{platform};
    TRecordingBackend* backend = &platform.recording;
    ImageRef blockImage = createImage(29, 29, 7);
    ImageRef fruitImage = createImage(64, 72, 7);
    GridRef grid;
};

}  // namespace gb::testing
