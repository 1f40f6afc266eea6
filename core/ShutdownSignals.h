#pragma once

namespace gb {

// Turns SIGINT, SIGTERM and SIGHUP into a request to end the program the orderly way
// (the main loop sees it, closes the sound library and saves the high scores).
void installShutdownSignals();

// True once one of those signals has arrived.
bool shutdownSignalled();

// Forgets an earlier signal (tests).
void clearShutdownSignal();

}  // namespace gb
