#include "services/TDeltaTimer.h"

#include "services/Clock.h"

namespace gb {

int TDeltaTimer::last_ = 0;
float TDeltaTimer::delta_ = 0.0f;

void TDeltaTimer::start() {
    last_ = milliSecs();
}

void TDeltaTimer::update() {
    delta_ = static_cast<float>(millisBetween(last_, milliSecs())) * 0.001f;
    last_ = milliSecs();
}

float TDeltaTimer::deltaTime() {
    return delta_;
}

void TDeltaTimer::setDeltaTime(float seconds) {
    delta_ = seconds;
}

}  // namespace gb
