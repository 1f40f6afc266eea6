#include "core/ShutdownSignals.h"

#include <csignal>
#include <initializer_list>

namespace gb {

namespace {
volatile std::sig_atomic_t signalled = 0;

extern "C" void onShutdownSignal(int) {
    signalled = 1;
}
}  // namespace

void installShutdownSignals() {
    struct sigaction action {};
    action.sa_handler = onShutdownSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }
}

bool shutdownSignalled() {
    return signalled != 0;
}

void clearShutdownSignal() {
    signalled = 0;
}

}  // namespace gb
