#pragma once

#include <memory>

#include "core/TList.h"
#include "effects/TParticle.h"

namespace gb {

// The live fruit of one grid: creates them on request and, once per frame, moves and draws
// them all with additive blending, dropping the finished ones in the same pass.
class TFruitShower {
  public:
    TList<TParticle> particles;  // oldest first

    [[nodiscard]] static std::shared_ptr<TFruitShower> create();
    // Adds a new fruit centred at the pixel point (x, y).
    void spawn(int x, int y);
    void add(std::shared_ptr<TParticle> particle);
    // Whether any particle is in the list.
    bool isActive() const;
    // Removes finished particles, updates and then draws each of the others; the blend mode
    // in force before the call is in force again after it.
    void updateAndDraw();
};

}  // namespace gb
