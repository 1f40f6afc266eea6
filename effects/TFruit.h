#pragma once

#include <memory>

#include "effects/TParticle.h"
#include "services/TImage.h"

namespace gb {

// One fruit of a shower: born tiny, it grows to full size while it drifts upwards, spinning,
// then falls under gravity while it fades, and finishes when it has faded or left the screen.
class TFruit : public TParticle {
  public:
    // A fruit drawn from a frame of the sheet (7 frames of 64 x 72 with their handles at their
    // centres, see TFruitShower::loadSheet); without one it moves but shows nothing.
    [[nodiscard]] static std::shared_ptr<TFruit> create(int x, int y, ImageRef sheet = nullptr);
    void init(int x, int y);
    void update() override;
    void draw() const override;

    ImageRef sheet;
};

}  // namespace gb
