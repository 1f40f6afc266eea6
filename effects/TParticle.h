#pragma once

#include "values/TVector.h"

namespace gb {

// A moving, spinning, scaling and fading sprite. Positions are screen pixels (y grows
// downwards); the rates are per second.
class TParticle {
  public:
    virtual ~TParticle() = default;

    VectorRef pos;          // centre of the sprite
    VectorRef dir;          // velocity, pixels per second
    float rotation = 0.0f;  // degrees
    float spin = 0.0f;      // change of rotation per second
    float scale = 0.0f;
    float growth = 0.0f;  // change of scale per second
    float alpha = 0.0f;   // 1 = opaque
    float fade = 0.0f;    // change of alpha per second
    bool dead = false;    // once finished: neither moved nor drawn again
    int frame = 0;

    // Draws the particle as it is; drawing changes nothing.
    virtual void draw() const = 0;
    virtual void update() = 0;
};

}  // namespace gb
