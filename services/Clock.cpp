#include "services/Clock.h"

#include <chrono>

namespace gb {

namespace {
std::function<int()>& clockSource() {
    static std::function<int()> source;
    return source;
}

int realMilliSecs() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return static_cast<int>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}
}  // namespace

int milliSecs() {
    return clockSource() ? clockSource()() : realMilliSecs();
}

void setClockSource(std::function<int()> source) {
    clockSource() = std::move(source);
}

}  // namespace gb
