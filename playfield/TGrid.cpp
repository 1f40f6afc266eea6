#include "playfield/TGrid.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "core/Console.h"
#include "core/Text.h"
#include "effects/TFruitShower.h"
#include "services/Graphics.h"

namespace gb {

GridRef TGrid::create(VectorRef size, VectorRef origin, VectorRef cellSize, int gap,
                      ColorRef colour) {
    auto grid = std::make_shared<TGrid>();
    grid->init(std::move(size), std::move(origin), std::move(cellSize), gap, std::move(colour));
    return grid;
}

const BlockRef* TGrid::cellAt(const TVector& pos) const {
    if (!pos.insideBounds(*size)) {
        return nullptr;
    }
    const int column = pos.roundX();
    const int row = pos.roundY();
    // A fractional size could admit one cell more than the columns and rows hold.
    if (column >= columnCount() || row >= rowCount()) {
        return nullptr;
    }
    return &cells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
}

BlockRef* TGrid::cellAt(const TVector& pos) {
    return const_cast<BlockRef*>(std::as_const(*this).cellAt(pos));
}

BlockRef& TGrid::cell(int column, int row) {
    return cells[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
}

int& TGrid::fullRow(int row) {
    return fullRows[static_cast<std::size_t>(row)];
}

bool TGrid::addBlock(const BlockRef& block) {
    const TVector p = *block->position;
    BlockRef* target = cellAt(p);
    if (target == nullptr || *target) {
        debugLog("Failed to addBlock to ", p.roundX(), ",", p.roundY(), " to grid ",
                 ObjectText{this});
        return false;
    }
    debugLog("Added Block to ", p.roundX(), ",", p.roundY(), " to grid ", ObjectText{this});
    *target = block;
    return true;
}

bool TGrid::removeBlockAt(const TVector& pos) {
    BlockRef* target = cellAt(pos);
    if (target == nullptr || !*target) {
        return false;
    }
    target->reset();
    return true;
}

void TGrid::clear() {
    for (int column = 0; column < columnCount(); ++column) {
        for (int row = 0; row < rowCount(); ++row) {
            if (cell(column, row)) {
                dropFruit(column, row);
            }
            cell(column, row).reset();
        }
    }
}

bool TGrid::isFree(const TVector& pos) const {
    const BlockRef* cell = cellAt(pos);
    return cell != nullptr && !*cell;
}

void TGrid::init(VectorRef newSize, VectorRef newOrigin, VectorRef newCellSize, int newGap,
                 ColorRef newColour) {
    size = std::move(newSize);
    origin = std::move(newOrigin);
    cellSize = std::move(newCellSize);
    gap = newGap;
    pitch = cellSize->copy();
    pitch->add(TVector(static_cast<float>(gap), static_cast<float>(gap)));
    extent = pitch->copy();
    extent->multiplyBy(*size);
    backTile = loadImage("incbin::media/gfx/backTile.png", -1);
    colour = std::move(newColour);
    const auto columns = static_cast<std::size_t>(std::max(truncToInt(size->x), 0));
    const auto rows = static_cast<std::size_t>(std::max(truncToInt(size->y), 0));
    cells.assign(columns, std::vector<BlockRef>(rows));
    fullRows.assign(rows, 0);
    fruits = TFruitShower::create();
}

void TGrid::update() {
    for (const auto& column : cells) {
        for (const BlockRef& block : column) {
            if (block) {
                block->setStuck(false);
            }
        }
    }
    fruits->update();
}

void TGrid::draw() const {
    setViewport(truncToInt(origin->x), truncToInt(origin->y), truncToInt(extent->x),
                truncToInt(extent->y));
    tileImage(backTile, origin->x, origin->y, 0);
    for (const auto& column : cells) {
        for (const BlockRef& block : column) {
            if (block) {
                block->draw();
            }
        }
    }
    fruits->draw();
    setViewport(0, 0, graphicsWidth(), graphicsHeight());
}

void TGrid::dropFruit(int column, int row) {
    // The burst starts half a cell up and left of the cell's pixel corner.
    const float px = static_cast<float>(column) * (cellSize->x + static_cast<float>(gap)) +
                     origin->x - cellSize->x / 2.0f;
    const float py = static_cast<float>(row) * (cellSize->y + static_cast<float>(gap)) + origin->y -
                     cellSize->y / 2.0f;
    const int x = truncToInt(px);
    const int y = truncToInt(py);
    fruits->spawn(x, y);
    debugLog("Fruit dropped at x:", x, ",y:", y);
}

bool TGrid::hasFruits() const {
    return fruits->isActive();
}

int TGrid::findFullLines() {
    int found = 0;
    for (int row = rowCount() - 1; row >= 0; --row) {
        bool full = true;
        for (int column = 0; column < columnCount(); ++column) {
            if (!cell(column, row)) {
                full = false;
                break;
            }
        }
        fullRow(row) = full ? 1 : 0;
        if (!full) {
            continue;
        }
        for (int column = 0; column < columnCount(); ++column) {
            cell(column, row).reset();
            dropFruit(column, row);
        }
        ++found;
    }
    return found;
}

void TGrid::collapse() {
    const TVector down(0.0f, 1.0f);
    const TVector up(0.0f, -1.0f);
    // Flagged rows are handled from the top down; each pass moves the rows just above the
    // flagged row first, so every row falls into a row that has just been vacated.
    for (int i = 1; i < rowCount(); ++i) {
        if (fullRow(i) != 1) {
            continue;
        }
        for (int j = i - 1; j >= 0; --j) {
            for (int k = 0; k < columnCount(); ++k) {
                const BlockRef block = cell(k, j);
                if (!block) {
                    continue;
                }
                block->moveBy(down);
                if (addBlock(block)) {
                    cell(k, j).reset();
                } else {
                    block->moveBy(up);
                    block->setStuck(true);
                }
            }
        }
    }
}

}  // namespace gb
