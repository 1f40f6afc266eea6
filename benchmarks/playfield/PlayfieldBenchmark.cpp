#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "effects/TFruit.h"
#include "effects/TFruitShower.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/Graphics.h"
#include "tests/support/TNullBackend.h"
#include "values/TColor.h"
#include "values/TVector.h"

namespace gb {
namespace {

// A platform with a display that draws nothing, stand-in images and the game's 10 x 20 grid.
struct Playfield {
    Playfield() {
        platform.makeDisplay<TNullBackend>();
        opened = openGraphics(800, 600);
        platform.deltaTimer.delta = 1.0f / 60.0f;
        grid = TGrid::create(TVector::create(10, 20), TVector::create(255, 0),
                             TVector::create(29, 29), 0, TColor::create(64, 0, 64));
        grid->blockImage = createImage(29, 29, 7);
        grid->fruits->sheet = fruitSheet;
    }
    void fill() {
        for (int column = 0; column < 10; ++column) {
            for (int row = 0; row < 20; ++row) {
                BlockRef block = TBlock::create(
                    TVector(static_cast<float>(column), static_cast<float>(row)), row % 7, nullptr);
                block->grid = grid;
                grid->addBlock(block);
            }
        }
    }
    // False, with the benchmark marked as skipped, when the display could not be opened.
    bool ready(benchmark::State& state) const {
        if (!opened) {
            state.SkipWithError(graphicsError().c_str());
        }
        return opened;
    }

    TPlatform platform;
    TPlatformScope installed{platform};
    bool opened = false;
    ImageRef fruitSheet = createImage(64, 72, 7);
    GridRef grid;
};

// The level-up clear of a full grid (200 fruit bursts) and the frame that follows it.
void BM_LevelUpClearAndFrame(benchmark::State& state) {
    Playfield field;
    if (!field.ready(state)) {
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        field.grid->fruits = TFruitShower::create();
        field.grid->fruits->sheet = field.fruitSheet;
        field.fill();
        state.ResumeTiming();
        field.grid->clear();
        field.grid->update();
        field.grid->draw();
    }
}
BENCHMARK(BM_LevelUpClearAndFrame)->Unit(benchmark::kMicrosecond);

// A straight piece lying in the top row falling to the floor: 19 moves and the one that lands.
void BM_PieceFallsTwentyRows(benchmark::State& state) {
    Playfield field;
    if (!field.ready(state)) {
        return;
    }
    const PieceRef prototype = TPiece::create({3, 3, 3}, 0);
    for (auto _ : state) {
        state.PauseTiming();
        PieceRef piece = TPiece::createCopy(*prototype);
        piece->setGrid(field.grid);
        piece->position->setXY(4, 0);
        piece->offsetBy(*piece->position);
        piece->addToGrid();
        state.ResumeTiming();
        for (int row = 0; row < 20; ++row) {
            piece->moveDown();
        }
        state.PauseTiming();
        piece->removeFromGrid();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PieceFallsTwentyRows)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gb
