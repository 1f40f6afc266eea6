#include "core/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace gb {

namespace {

// A descriptor that reads nothing and swallows what is written: /dev/null, or where there
// is none (a bare chroot) a pipe with its other end closed, which reads as empty and fails
// writes with EPIPE.
int openNothing(int fd) {
    const int opened = ::open("/dev/null", (fd == 0 ? O_RDONLY : O_WRONLY) | O_NOCTTY);
    if (opened >= 0) {
        return opened;
    }
    int ends[2];
    if (::pipe(ends) != 0) {
        return -1;
    }
    const int keep = fd == 0 ? ends[0] : ends[1];
    ::close(fd == 0 ? ends[1] : ends[0]);
    return keep;
}

}  // namespace

void secureStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        const int opened = openNothing(fd);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace gb
