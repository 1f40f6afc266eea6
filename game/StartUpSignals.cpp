#include "game/StartUpSignals.h"

#include <unistd.h>

#include <csignal>
#include <initializer_list>

namespace gb {

namespace {
extern "C" void endAtOnce(int) {
    ::_exit(0);
}
}  // namespace

void endStartUpOnSignals() {
    struct sigaction action {};
    action.sa_handler = endAtOnce;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }
}

}  // namespace gb
