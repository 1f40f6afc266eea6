#pragma once

#include <functional>

namespace gb {

// Milliseconds from a fixed point on a monotonic clock; only differences are meaningful.
int milliSecs();

// Replaces the clock (a test's fake clock); an empty function restores the real one.
void setClockSource(std::function<int()> source);

}  // namespace gb
