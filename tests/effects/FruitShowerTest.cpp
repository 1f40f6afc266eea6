#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Console.h"
#include "core/EmbeddedFiles.h"
#include "core/Random.h"
#include "core/TDeltaTimer.h"
#include "core/TPlatformScope.h"
#include "effects/TFruit.h"
#include "effects/TFruitShower.h"
#include "services/Graphics.h"
#include "tests/support/TTestPlatform.h"

namespace gb {
namespace {

// A transparent 462 x 72 PNG: the size of the fruit sheet.
const unsigned char kBlankSheet[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x01, 0xce, 0x00, 0x00, 0x00, 0x48, 0x08, 0x06, 0x00, 0x00, 0x00, 0x7f, 0x78, 0x15,
    0xc1, 0x00, 0x00, 0x00, 0x97, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0xed, 0xc1, 0x01, 0x01, 0x00,
    0x00, 0x00, 0x82, 0x20, 0xff, 0xaf, 0x6e, 0x48, 0x40, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xef, 0x06, 0x08, 0x26, 0x00, 0x01,
    0x01, 0x1d, 0x68, 0xe6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82,
};

class FruitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(openGraphics(800, 600));
        backend->reset();
    }

    // A fruit at its start values that drifts straight up without spinning.
    std::shared_ptr<TFruit> fruitAt(int x, int y) const {
        auto fruit = TFruit::create(x, y, sheet);
        fruit->dir->x = 0.0f;
        fruit->spin = 0.0f;
        return fruit;
    }
    void step(TParticle& particle, float dt) {
        platform.deltaTimer.delta = dt;
        particle.update();
    }

    testing::TTestPlatform platform;
    TPlatformScope installed{platform};
    TRecordingBackend* backend = &platform.recording;
    ImageRef sheet = createImage(64, 72, 7);
};

TEST_F(FruitTest, StartsTinyAndOpaqueWithRandomSpinSpeedAndFrameInThatOrder) {
    seedRnd(77);
    const float r1 = rndFloat();
    const float r2 = rndFloat();
    const int frame = rand(1, 7) - 1;
    seedRnd(77);
    auto fruit = TFruit::create(400, 300, sheet);
    EXPECT_EQ(fruit->pos->y, 300.0f);
    EXPECT_EQ(fruit->spin, (r1 - 0.5f) * 720.0f);
    EXPECT_EQ(fruit->dir->x, (r2 - 0.5f) * 60.0f);
    EXPECT_EQ(fruit->dir->y, -50.0f);
    EXPECT_EQ(fruit->frame, frame);
    EXPECT_EQ(fruit->sheet, sheet);
}

TEST_F(FruitTest, TheSheetDecodesIntoSevenCentredFramesEveryFruitOfAShowerShares) {
    EXPECT_FALSE(TFruitShower::loadSheet());  // nothing registered yet
    registerEmbeddedFile("media/gfx/fruits.png", kBlankSheet, sizeof kBlankSheet);
    autoMidHandle(true);
    const ImageRef decoded = TFruitShower::loadSheet();
    EXPECT_FALSE(drawState().autoMidHandle);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->cellCount(), 7);
    EXPECT_EQ(decoded->width, 64);
    EXPECT_EQ(decoded->height, 72);
    EXPECT_EQ(decoded->handleX, 32.0f);
    EXPECT_EQ(decoded->handleY, 36.0f);
    EXPECT_EQ(decoded->flags, mipmappedImage);
    auto shower = TFruitShower::create();
    shower->sheet = decoded;
    shower->spawn(1, 2);
    shower->spawn(3, 4);
    for (auto* link = shower->particles.firstLink(); link != nullptr; link = link->nextLink()) {
        EXPECT_EQ(dynamic_cast<TFruit&>(*link->value()).sheet, decoded);
    }
}

TEST_F(FruitTest, GrowsWhileRisingThenFallsAndFadesUntilFinished) {
    auto fruit = fruitAt(400, 300);
    step(*fruit, 0.0f);
    EXPECT_EQ(fruit->pos->y, 300.0f);
    EXPECT_EQ(fruit->scale, 0.01f);

    int frames = 0;
    while (fruit->scale < 1.0f) {
        step(*fruit, 0.1f);
        ++frames;
        EXPECT_EQ(fruit->alpha, 1.0f);
        EXPECT_EQ(fruit->dir->y, -50.0f);
    }
    EXPECT_EQ(frames, 9);  // about 0.9 s of growth
    EXPECT_FLOAT_EQ(fruit->pos->y, 255.0f);

    step(*fruit, 0.1f);
    ++frames;
    EXPECT_FLOAT_EQ(fruit->dir->y, -20.0f);  // gravity, 300 per second squared
    EXPECT_FLOAT_EQ(fruit->alpha, 0.9f);
    EXPECT_FLOAT_EQ(fruit->pos->y, 253.0f);
    while (fruit->dead == 0) {
        step(*fruit, 0.1f);
        ++frames;
    }
    // Finished after about 1.9 s: 0.9 s of growth, then 1 s of fading.
    EXPECT_GE(frames, 19);
    EXPECT_LE(frames, 20);

    // A finished fruit keeps its values and is neither moved nor drawn.
    const float y = fruit->pos->y;
    step(*fruit, 0.1f);
    fruit->draw();
    EXPECT_EQ(fruit->pos->y, y);
    EXPECT_TRUE(backend->drawsOf(sheet.get()).empty());
}

TEST_F(FruitTest, ALongFrameOvershootsTheGrowthAndTheBottomEdgeFinishesAFruit) {
    auto fruit = fruitAt(400, 660);
    step(*fruit, 2.0f);
    EXPECT_FLOAT_EQ(fruit->scale, 2.21f);
    EXPECT_EQ(fruit->dir->y, -50.0f);
    fruit->pos->y = 660.0f;
    step(*fruit, 0.1f);  // now falling: 660 + (-50 + 30) * 0.1 = 658
    EXPECT_FLOAT_EQ(fruit->scale, 2.21f);
    EXPECT_FLOAT_EQ(fruit->alpha, 0.9f);
    EXPECT_FALSE(fruit->dead);
    fruit->dir->y = 125.0f;
    step(*fruit, 0.1f);  // 658 + 15.5 is past 600 + 72
    EXPECT_GT(fruit->alpha, 0.0f);
    EXPECT_TRUE(fruit->dead);
}

TEST_F(FruitTest, RotationWrapsToZeroAboveAFullTurnAndUpFromBelowZero) {
    auto fruit = fruitAt(400, 300);
    const float starts[] = {359, 1, 355};
    const float spins[] = {50, -40, 50};
    const float ends[] = {0, 357, 360};  // 364 becomes 0, not 4; -3 becomes 357
    for (int i = 0; i < 3; ++i) {
        fruit->rotation = starts[i];
        fruit->spin = spins[i];
        step(*fruit, 0.1f);
        EXPECT_FLOAT_EQ(fruit->rotation, ends[i]) << starts[i];
    }
}

TEST_F(FruitTest, UpdateWritesItsTraceLines) {
    auto fruit = fruitAt(400, 300);
    std::vector<std::string> lines;
    platform.console.debug = [&lines](std::string_view line) { lines.emplace_back(line); };
    platform.console.debugOn = true;
    step(*fruit, 0.5f);
    platform.console.debugOn = false;
    platform.console.debug = nullptr;
    EXPECT_EQ(lines, (std::vector<std::string>{"deltaTime = 0.500000000", "Scale:0.560000002",
                                               "Pos x:400.000000 y:275.000000",
                                               "Dir x:0.00000000 y:-50.0000000"}));
}

TEST_F(FruitTest, ShowerDrawsAdditivelyAndDropsFinishedFruitInTheSamePass) {
    auto shower = TFruitShower::create();
    shower->sheet = sheet;
    EXPECT_FALSE(shower->isActive());
    for (int i = 1; i <= 3; ++i) {
        shower->spawn(100 * i, 100 * i);
    }
    auto first = shower->particles.firstLink()->value();
    auto middle = shower->particles.firstLink()->nextLink()->value();
    auto last = shower->particles.firstLink()->nextLink()->nextLink()->value();
    first->dead = true;
    last->dead = true;
    middle->rotation = 30.0f;

    setBlend(shadeBlend);
    setColor(1, 2, 3);
    platform.deltaTimer.delta = 0.0f;
    shower->update();
    shower->draw();
    EXPECT_EQ(getBlend(), shadeBlend);
    EXPECT_EQ(shower->particles.count(), 1);
    const auto draws = backend->drawsOf(sheet.get());
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].x, 200.0f);  // about its centre
    EXPECT_EQ(draws[0].cell, middle->frame);
    EXPECT_EQ(draws[0].state.blend, lightBlend);
    EXPECT_EQ(draws[0].state.scaleX, 0.01f);
    EXPECT_EQ(draws[0].state.rotation, 30.0f);
    EXPECT_EQ(drawState().scaleX, 1.0f);
    EXPECT_EQ(drawState().rotation, 0.0f);

    // A fruit that finishes during its update is not drawn, and goes on the next call.
    middle->alpha = 0.01f;
    middle->scale = 1.0f;
    backend->reset();
    platform.deltaTimer.delta = 0.1f;
    shower->update();
    shower->draw();
    EXPECT_TRUE(backend->drawsOf(sheet.get()).empty());
    EXPECT_TRUE(shower->isActive());
    shower->update();
    EXPECT_FALSE(shower->isActive());
    setBlend(maskBlend);
}

}  // namespace
}  // namespace gb
