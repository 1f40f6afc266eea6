#pragma once

namespace gb {

// The game's random numbers: a Park-Miller generator (multiplier 48271, modulus 2^31 - 1,
// in Schrage's form) with a 32-bit state, so a seed always gives the same sequence. The state
// is the installed platform's.

// s := seed AND 0x7FFFFFFF; 0 and 0x7FFFFFFF become 0x1234 (also the unseeded state).
void seedRnd(int seed);

// A float in [0, 1): one step, then (s AND 0x0FFFFFF0) / 2^28.
float rndFloat();

// A whole number from low to high inclusive; the bounds may come in either order.
int rand(int low, int high);

// The generator's state, for tests and replays.
int rndState();

}  // namespace gb
