#include "effects/TFruit.h"

#include "core/Console.h"
#include "core/Random.h"
#include "core/TDeltaTimer.h"
#include "core/TPlatform.h"
#include "services/Graphics.h"

namespace gb {

namespace {

constexpr const char* kFruitSheet = "incbin::media/gfx/fruits.png";
constexpr int kFruitWidth = 64;
constexpr int kFruitHeight = 72;
constexpr int kFruitFrames = 7;
constexpr float kGravity = 300.0f;  // pixels per second squared

TPlatform::FruitSheet& sheet() {
    return platform().fruitSheet;
}

}  // namespace

std::shared_ptr<TFruit> TFruit::create(int x, int y) {
    auto fruit = std::make_shared<TFruit>();
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
    // The sheet is loaded with mid handles, and automatic mid handles are off afterwards
    // whether or not this fruit had to load it.
    TPlatform::FruitSheet& shared = sheet();
    if (!shared.loaded) {
        autoMidHandle(true);
        shared.image =
            loadAnimImage(kFruitSheet, kFruitWidth, kFruitHeight, 0, kFruitFrames, mipmappedImage);
        // A sheet that is not there yet is looked for again by the next fruit.
        shared.loaded = shared.image != nullptr;
    }
    autoMidHandle(false);
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
    if (pos->y > static_cast<float>(graphicsHeight() + imageHeight(sheet().image))) {
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
    drawImage(sheet().image, pos->x, pos->y, frame);
    setAlpha(1.0f);
    setScale(1.0f, 1.0f);
    setRotation(0.0f);
}

ImageRef TFruit::sharedImage() {
    return sheet().image;
}

}  // namespace gb
