#pragma once

namespace gb {

// Milliseconds on the installed platform's clock: unless it has one of its own (a test's fake
// clock), the system's monotonic clock, counted from its own fixed point (the machine's
// start), not from the program's: the reading at start-up seeds the game's random numbers, so
// it must differ from one start to the next. The count wraps around as an int does; only
// differences are meaningful, and millisBetween takes them safely across the wrap.
int milliSecs();

// later - earlier in milliseconds, right across the wrap of milliSecs (modular arithmetic:
// no signed overflow). Intervals up to about 24 days come out exactly.
int millisBetween(int earlier, int later);

}  // namespace gb
