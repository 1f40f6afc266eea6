#pragma once

#include <memory>

#include "core/TList.h"
#include "effects/TParticle.h"
#include "services/TImage.h"

namespace gb {

// The live fruit of one grid: creates them on request and, once per frame, moves them all
// (dropping the finished ones in the same pass) and then draws them with additive blending.
class TFruitShower {
  public:
    TList<TParticle> particles;  // oldest first
    // The fruit sheet every new fruit draws with (see loadSheet); the game shares one.
    ImageRef sheet;

    [[nodiscard]] static std::shared_ptr<TFruitShower> create();
    // Decodes the fruit sheet: 7 frames of 64 x 72 with their handles at their centres, for
    // drawing turned and scaled about the fruit's centre; nullptr when it is not there.
    [[nodiscard]] static ImageRef loadSheet();
    // Adds a new fruit centred at the pixel point (x, y).
    void spawn(int x, int y);
    void add(std::shared_ptr<TParticle> particle);
    // Whether any particle is in the list.
    bool isActive() const;
    // One frame of motion: removes the finished particles and updates each of the others.
    void update();
    // Draws every particle that is not finished; the blend mode in force before the call is
    // in force again after it. Changes nothing.
    void draw() const;
};

}  // namespace gb
