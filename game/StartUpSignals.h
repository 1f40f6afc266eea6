#pragma once

namespace gb {

// Until the game's loop runs, nothing waits to be saved: from this call on SIGINT, SIGTERM and
// SIGHUP end the process at once, with status 0 as an orderly end has, whatever step of the
// start it is in (SDL reading a long gamepad mapping file, a slow sound device or display).
// installShutdownSignals, called when the loop is about to run, replaces this with the
// orderly end. Being installed before SDL starts, it also keeps SDL from putting its own
// handlers in place.
void endStartUpOnSignals();

}  // namespace gb
