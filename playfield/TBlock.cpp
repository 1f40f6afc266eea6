#include "playfield/TBlock.h"

#include "core/Console.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/Graphics.h"

namespace gb {

BlockRef TBlock::create(const TVector& position, int kind, const std::shared_ptr<TPiece>& owner) {
    auto block = std::make_shared<TBlock>();
    block->init(position, kind, owner);
    return block;
}

void TBlock::init(const TVector& newPosition, int newKind,
                  const std::shared_ptr<TPiece>& newOwner) {
    position = newPosition.copy();
    savedPosition = newPosition.copy();
    kind = newKind;
    owner = newOwner;
    stuck = false;
}

BlockRef TBlock::copy() const {
    return create(*position, kind, owner.lock());
}

void TBlock::setPosition(const TVector& v) {
    position->set(v);
}

void TBlock::setStuck(bool value) {
    stuck = value;
}

bool TBlock::isStuck() const {
    if (stuck) {
        return true;
    }
    const std::shared_ptr<TPiece> piece = owner.lock();
    return piece && piece->isStuck();
}

void TBlock::detach() {
    owner.reset();
    stuck = false;
}

void TBlock::offsetBy(const TVector& v) {
    debugLog("Offseting (", position->x, ",", position->y, ") by (", v.x, ",", v.y, ") ");
    position->add(v);
    debugLog("Offset to (", position->x, ",", position->y, ")");
}

void TBlock::savePosition() {
    savedPosition->set(*position);
}

void TBlock::moveBy(const TVector& v) {
    if (!isStuck()) {
        position->add(v);
    }
}

void TBlock::restorePosition() {
    position->set(*savedPosition);
    debugLog("moving block back too (", position->x, ",", position->y, ")");
}

bool TBlock::addToGrid() {
    // A block without a grid has nowhere to go: it counts as not placed.
    const GridRef target = grid.lock();
    inGrid = target && target->addBlock(shared_from_this());
    return inGrid;
}

void TBlock::removeFromGrid() {
    const GridRef target = grid.lock();
    if (inGrid && target) {
        target->removeBlockAt(*position);
        debugLog("removing block at (", position->x, ",", position->y, ") from grid ",
                 ObjectText{target.get()});
        inGrid = false;
    } else {
        debugLog("failed to remove block at (", position->x, ",", position->y, ") from grid ",
                 ObjectText{target.get()});
    }
}

void TBlock::rotate(int angle) {
    if (isStuck()) {
        return;
    }
    debugLog("pre-rotation position at (", position->x, ",", position->y, ")");
    position->rotate(angle);
    debugLog("post-rotation position at (", position->x, ",", position->y, ")");
}

void TBlock::drawAt(const ImageRef& image, const TVector& pixel, int frame) {
    drawImage(image, pixel.x, pixel.y, frame);
}

void TBlock::draw() const {
    setColor(255, 255, 255);
    // A block outside any grid has no pixel frame to be drawn in.
    if (const GridRef frame = grid.lock()) {
        TVector pixel = *position;
        pixel.roundOff();
        pixel.multiplyBy(*frame->pitch);
        pixel.add(*frame->origin);
        drawImage(frame->blockImage, pixel.x, pixel.y, kind);
    }
}

}  // namespace gb
