#include "hiscores/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "hiscores/FileReplace.h"

namespace gb {

namespace {
// How long to wait for another holder before going on without the lock.
constexpr auto kLongestWait = std::chrono::seconds(5);
constexpr auto kRetryEvery = std::chrono::milliseconds(10);
}  // namespace

FileLock::FileLock(const std::string& path) {
    std::string file = fileBehind(path);
    if (file.empty()) {
        file = path;
    }
    fd_ = ::open(directoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + kLongestWait;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= giveUp) {
            return;
        }
        std::this_thread::sleep_for(kRetryEvery);
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        // Closing the descriptor releases the lock.
        ::close(fd_);
    }
}

}  // namespace gb
