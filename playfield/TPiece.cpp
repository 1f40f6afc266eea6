#include "playfield/TPiece.h"

#include <algorithm>

#include "core/Console.h"

namespace gb {

namespace {

// The cursor step of a direction code (x grows to the right, y downwards).
TVector codeStep(int code) {
    switch (code) {
        case 1:
            return {0.0f, -1.0f};
        case 2:
            return {1.0f, -1.0f};
        case 3:
            return {1.0f, 0.0f};
        case 4:
            return {1.0f, 1.0f};
        case 5:
            return {0.0f, 1.0f};
        case 6:
            return {-1.0f, 1.0f};
        case 7:
            return {-1.0f, 0.0f};
        case 8:
            return {-1.0f, -1.0f};
        default:
            return {0.0f, 0.0f};
    }
}

// Copies of the source's blocks, packed from index 0.
std::array<BlockRef, 4> copyBlocks(const std::array<BlockRef, 4>& source) {
    std::array<BlockRef, 4> copies;
    std::size_t next = 0;
    for (const BlockRef& block : source) {
        if (block) {
            copies[next++] = block->copy();
        }
    }
    return copies;
}

}  // namespace

PieceRef TPiece::create(const std::vector<int>& codes, int kind) {
    auto piece = std::make_shared<TPiece>();
    piece->build(codes, kind);
    return piece;
}

PieceRef TPiece::createCopy(const TPiece& source) {
    auto piece = std::make_shared<TPiece>();
    piece->copyFrom(source);
    return piece;
}

void TPiece::copyFrom(const TPiece& source) {
    kind = source.kind;
    position = source.position ? source.position->copy() : TVector::create(0.0f, 0.0f);
    savedPosition = position->copy();
    blocks = copyBlocks(source.blocks);
    shapeBlocks = copyBlocks(source.shapeBlocks);
    stuck = false;
    angle = 0;
    grid = source.grid;
}

void TPiece::build(const std::vector<int>& codes, int newKind) {
    kind = newKind;
    position = TVector::create(0.0f, 0.0f);
    savedPosition = position->copy();
    debugLog("Building Piece #", kind);
    buildBlocks(codes);
    centre();
    saveShape();
    stuck = false;
    angle = 0;
    grid = nullptr;
}

void TPiece::setGrid(const GridRef& newGrid) {
    grid = newGrid;
    for (const BlockRef& block : blocks) {
        if (block) {
            block->grid = newGrid;
        }
    }
}

void TPiece::clearGrid() {
    grid = nullptr;
    for (const BlockRef& block : blocks) {
        if (block) {
            block->grid = nullptr;
        }
    }
}

void TPiece::saveShape() {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        shapeBlocks[i] = blocks[i] ? blocks[i]->copy() : nullptr;
    }
}

void TPiece::markStuck() {
    stuck = true;
    for (const BlockRef& block : blocks) {
        if (block) {
            block->stuck = true;
        }
    }
}

bool TPiece::isStuck() {
    for (const BlockRef& block : blocks) {
        if (block && block->stuck) {
            stuck = true;
            return true;
        }
    }
    stuck = false;
    return false;
}

void TPiece::detach() {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i]) {
            blocks[i]->detach();
        }
        blocks[i] = shapeBlocks[i] ? shapeBlocks[i]->copy() : nullptr;
    }
}

void TPiece::applyRotation() {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i] && shapeBlocks[i]) {
            blocks[i]->setPosition(*shapeBlocks[i]->position);
            blocks[i]->rotate(angle);
        }
    }
}

void TPiece::centre() {
    TVector min;
    TVector max;
    bool first = true;
    for (const BlockRef& block : blocks) {
        if (!block) {
            continue;
        }
        const TVector& p = *block->position;
        if (first) {
            min = p;
            max = p;
            first = false;
            continue;
        }
        min.x = std::min(min.x, p.x);
        min.y = std::min(min.y, p.y);
        max.x = std::max(max.x, p.x);
        max.y = std::max(max.y, p.y);
    }
    // d = (min - max) / 2 - min, which is -(min + max) / 2.
    TVector span = min;
    span.subtract(max);
    TVector half = span;
    half.divide(2.0f);
    TVector d = half;
    d.subtract(min);
    debugLog("Calculating offset from min (", min.x, ",", min.y, ")");
    debugLog("                  minus max (", span.x, ",", span.y, ")");
    debugLog("                divide by 2 (", half.x, ",", half.y, ")");
    debugLog("                  minus min (", d.x, ",", d.y, ")");
    offsetBy(d);
}

void TPiece::buildBlocks(const std::vector<int>& codes) {
    const std::shared_ptr<TPiece> self = weak_from_this().lock();
    TVector cursor;
    blocks = {};
    blocks[0] = TBlock::create(cursor, kind, self);
    // A shape has three codes, one for each block after the first.
    for (std::size_t n = 1; n < blocks.size() && n <= codes.size(); ++n) {
        cursor.add(codeStep(codes[n - 1]));
        blocks[n] = TBlock::create(cursor, kind, self);
        debugLog("Block [", static_cast<int>(n), "] pos (", cursor.x, ",", cursor.y, ")");
    }
}

void TPiece::offsetBy(const TVector& v) {
    debugLog("offsetBy (", v.x, ",", v.y, ")");
    for (const BlockRef& block : blocks) {
        if (block) {
            block->offsetBy(v);
        }
    }
}

bool TPiece::moveBy(const TVector& v) {
    if (!startMove()) {
        return false;
    }
    saveState();
    position->add(v);
    removeFromGrid();
    for (const BlockRef& block : blocks) {
        if (block) {
            block->moveBy(v);
            debugLog("move blocks to (", block->position->x, ",", block->position->y, ")");
        }
    }
    if (addToGrid()) {
        return true;
    }
    removeFromGrid();
    reset();
    addToGrid();
    return false;
}

void TPiece::reset() {
    debugLog("reseting...");
    for (const BlockRef& block : blocks) {
        if (block) {
            block->restorePosition();
        }
    }
    position->set(*savedPosition);
    angle = savedAngle;
}

bool TPiece::moveLeft() {
    debugLog("Moving Left");
    return moveBy(TVector(-1.0f, 0.0f));
}

bool TPiece::moveRight() {
    debugLog("Moving Right");
    return moveBy(TVector(1.0f, 0.0f));
}

bool TPiece::moveDown() {
    debugLog("Move Down");
    return moveBy(TVector(0.0f, 1.0f));
}

bool TPiece::blocksHeld() const {
    for (const BlockRef& block : blocks) {
        if (block && block->isStuck()) {
            return true;
        }
    }
    return false;
}

bool TPiece::startMove() {
    for (const BlockRef& block : blocks) {
        if (block) {
            block->stuck = false;
        }
    }
    stuck = false;
    return !blocksHeld();
}

void TPiece::dropDown() {
    debugLog("Drop Down");
    // Every moveDown that answers true has taken the whole piece one row down, and a held
    // piece answers false, so the drop ends at the floor or on the stack.
    while (moveDown()) {
    }
}

void TPiece::saveState() {
    for (const BlockRef& block : blocks) {
        if (block) {
            block->savePosition();
        }
    }
    savedPosition->set(*position);
    savedAngle = angle;
}

void TPiece::rotate(int delta) {
    if (!startMove()) {
        return;
    }
    saveState();
    angle = (angle + delta) % 360;  // keeps the sign of the dividend: 0 - 90 gives -90
    debugLog("Rotate Angle: ", angle, " Position (", position->x, ",", position->y, ")");
    removeFromGrid();
    applyRotation();
    offsetBy(*position);
    if (!addToGrid()) {
        removeFromGrid();
        reset();
        addToGrid();
    }
}

void TPiece::rotateLeft() {
    rotate(90);
}

void TPiece::rotateRight() {
    rotate(-90);
}

bool TPiece::addToGrid() {
    int placed = 0;
    for (const BlockRef& block : blocks) {
        if (!block) {
            continue;
        }
        if (!block->addToGrid()) {
            debugLog("Failed added Block at ", block->position->x, " , ", block->position->y);
            markStuck();
            return false;
        }
        debugLog("added Block at ", block->position->x, " , ", block->position->y);
        ++placed;
    }
    return placed > 0;
}

void TPiece::removeFromGrid() {
    for (const BlockRef& block : blocks) {
        if (block) {
            block->removeFromGrid();
        }
    }
}

}  // namespace gb
