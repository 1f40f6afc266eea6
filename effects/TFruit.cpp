#include "effects/TFruit.h"

#include <utility>

#include "core/Console.h"
#include "core/Random.h"
#include "core/TDeltaTimer.h"
#include "services/Graphics.h"

namespace gb {

namespace {

constexpr float kGravity = 300.0f;  // pixels per second squared

}  // namespace

std::shared_ptr<TFruit> TFruit::create(int x, int y, ImageRef sheet) {
    auto fruit = std::make_shared<TFruit>();
    fruit->sheet = std::move(sheet);
    fruit->init(x, y);
    return fruit;
}

void TFruit::init(int x, int y) {
    pos = TVector::create(static_cast<float>(x), static_cast<float>(y));
    rotation = 0.0f;
    growth = 1.1f;
    scale = 0.01f;
    // The random draws come in this order: spin, sideways speed, frame.
    spin = (rndFloat() - 0.5f) * 720.0f;
    dir = TVector::create((rndFloat() - 0.5f) * 60.0f, -50.0f);
    frame = rand(1, 7) - 1;
    alpha = 1.0f;
    fade = -1.0f;
    dead = false;
}

void TFruit::update() {
    if (dead) {
        return;
    }
    const float dt = TDeltaTimer::deltaTime();
    debugLog("deltaTime = ", dt);
    rotation += spin * dt;
    if (scale >= 1.0f) {
        // Full size: falls and fades.
        dir->y += kGravity * dt;
        alpha += fade * dt;
    } else {
        scale += growth * dt;
    }
    if (!(alpha >= 0.0f)) {
        dead = true;
    }
    pos->x += dir->x * dt;
    pos->y += dir->y * dt;
    if (pos->y > static_cast<float>(graphicsHeight() + imageHeight(sheet))) {
        dead = true;
    }
    if (rotation > 360.0f) {
        rotation = 0.0f;
    }
    if (!(rotation >= 0.0f)) {
        rotation += 360.0f;
    }
    debugLog("Scale:", scale);
    debugLog("Pos x:", pos->x, " y:", pos->y);
    debugLog("Dir x:", dir->x, " y:", dir->y);
}

void TFruit::draw() const {
    if (dead) {
        return;
    }
    setColor(255, 255, 255);
    setAlpha(alpha);
    setScale(scale, scale);
    setRotation(rotation);
    drawImage(sheet, pos->x, pos->y, frame);
    setAlpha(1.0f);
    setScale(1.0f, 1.0f);
    setRotation(0.0f);
}

}  // namespace gb
