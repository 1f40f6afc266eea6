#include "effects/TFruitShower.h"

#include "effects/TFruit.h"
#include "services/Graphics.h"

namespace gb {

std::shared_ptr<TFruitShower> TFruitShower::create() {
    return std::make_shared<TFruitShower>();
}

ImageRef TFruitShower::loadSheet() {
    // Loaded with mid handles; automatic mid handles are off again afterwards.
    autoMidHandle(true);
    ImageRef loaded = loadAnimImage("incbin::media/gfx/fruits.png", 64, 72, 0, 7, mipmappedImage);
    autoMidHandle(false);
    return loaded;
}

void TFruitShower::spawn(int x, int y) {
    add(TFruit::create(x, y, sheet));
}

void TFruitShower::add(std::shared_ptr<TParticle> particle) {
    particles.addLast(std::move(particle));
}

bool TFruitShower::isActive() const {
    return !particles.isEmpty();
}

void TFruitShower::update() {
    // Each link's successor is taken before the body runs, so a finished particle can be
    // removed.
    for (auto* link = particles.firstLink(); link != nullptr;) {
        auto* const next = link->nextLink();
        if (TParticle* particle = link->value().get()) {
            if (particle->dead) {
                particles.remove(link->value());
            } else {
                particle->update();
            }
        }
        link = next;
    }
}

void TFruitShower::draw() const {
    const BlendMode previousBlend = getBlend();
    setBlend(lightBlend);
    // A particle that finished in this frame's update is not drawn (its draw checks), and the
    // next update removes it.
    for (auto* link = particles.firstLink(); link != nullptr; link = link->nextLink()) {
        if (const std::shared_ptr<TParticle>& particle = link->value()) {
            particle->draw();
        }
    }
    setBlend(previousBlend);
}

}  // namespace gb
