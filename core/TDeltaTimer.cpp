#include "core/TDeltaTimer.h"

#include "core/Clock.h"
#include "core/TPlatform.h"

namespace gb {

void TDeltaTimer::start() {
    platform().deltaTimer.last = milliSecs();
}

void TDeltaTimer::update() {
    TPlatform::DeltaTimer& timer = platform().deltaTimer;
    timer.delta = static_cast<float>(millisBetween(timer.last, milliSecs())) * 0.001f;
    timer.last = milliSecs();
}

float TDeltaTimer::deltaTime() {
    return platform().deltaTimer.delta;
}

}  // namespace gb
