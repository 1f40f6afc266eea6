#pragma once

#include <memory>

#include "effects/TParticle.h"
#include "services/TImage.h"

namespace gb {

// One fruit of a shower: born tiny, it grows to full size while it drifts upwards, spinning,
// then falls under gravity while it fades, and finishes when it has faded or left the screen.
class TFruit : public TParticle {
  public:
    [[nodiscard]] static std::shared_ptr<TFruit> create(int x, int y);
    void init(int x, int y);
    void update() override;
    void draw() const override;

    // The fruit sheet (7 frames of 64 x 72, handles at their centres), shared by every
    // fruit and kept by the platform. It is decoded by the first init that needs it: a
    // level-up makes 200 fruit in one frame, far too many for a decode each.
    static ImageRef sharedImage();
};

}  // namespace gb
