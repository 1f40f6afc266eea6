#include "hiscores/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "hiscores/FileReplace.h"

namespace gb {

namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(10);

// Waits for an exclusive lock on fd until giveUp: 0 once it is ours, EWOULDBLOCK when another
// holder kept it until then, or the errno of a lock the file system refuses.
int lockBefore(int fd, std::chrono::steady_clock::time_point giveUp) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return 0;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return errno;
        }
        if (std::chrono::steady_clock::now() >= giveUp) {
            return EWOULDBLOCK;
        }
        std::this_thread::sleep_for(kRetryEvery);
    }
}

// Whether the open file is the one that has the name now.
bool stillNamed(int fd, const std::string& name) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(name.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

std::string FileLock::lockFileOf(const std::string& path) {
    return path + ".lock";
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds longestWait) {
    const auto giveUp = Clock::now() + longestWait;
    std::string target = fileBehind(path);
    if (target.empty()) {
        target = path;
    }
    directoryFd_ = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd_ >= 0) {
        const int error = lockBefore(directoryFd_, giveUp);
        if (error != 0) {
            fail(error);
            return;
        }
    }
    held_ = take(target, giveUp);
}

FileLock::~FileLock() {
    // Closing a descriptor releases its lock. The lock file goes while it is still locked:
    // whoever waits on it then finds that it no longer has the name, and looks again.
    if (fileFd_ >= 0) {
        ::close(fileFd_);
    }
    if (lockFileFd_ >= 0) {
        if (stillNamed(lockFileFd_, lockFile_)) {
            ::unlink(lockFile_.c_str());
        }
        ::close(lockFileFd_);
    }
    if (directoryFd_ >= 0) {
        ::close(directoryFd_);
    }
}

bool FileLock::fail(int error) {
    busy_ = error == EWOULDBLOCK;
    reason_ = std::strerror(error);
    return false;
}

// Opens the file of that name (creating it with O_CREAT), locks it and checks that it still
// has the name. Returns the descriptor once that holds; -1 with renamed set when the name
// went to another file or to none meanwhile (look again), or -1 after fail().
int FileLock::lockNamed(const std::string& name, int flags, Clock::time_point giveUp,
                        bool& renamed) {
    renamed = false;
    // Without waiting: the name may have turned into a FIFO since it was looked at.
    const int fd = ::open(name.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        renamed = errno == ENOENT && (flags & O_CREAT) == 0;
        if (!renamed) {
            fail(errno);
        }
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        renamed = (flags & O_CREAT) == 0;
        if (!renamed) {
            busy_ = false;
            reason_ = "not a regular file";
        }
        return -1;
    }
    const int error = lockBefore(fd, giveUp);
    if (error != 0) {
        ::close(fd);
        fail(error);
        return -1;
    }
    if (!stillNamed(fd, name)) {
        ::close(fd);
        renamed = true;
        return -1;
    }
    return fd;
}

bool FileLock::take(const std::string& target, Clock::time_point giveUp) {
    bool lookAgain = false;
    for (;;) {
        if (lookAgain && Clock::now() >= giveUp) {
            // The name went to another file again and again until the wait ran out.
            return fail(EWOULDBLOCK);
        }
        struct stat info {};
        if (::stat(target.c_str(), &info) != 0 && errno != ENOENT) {
            return fail(errno);
        }
        bool renamed = false;
        if (S_ISREG(info.st_mode)) {
            fileFd_ = lockNamed(target, O_RDONLY, giveUp, renamed);
            if (fileFd_ >= 0) {
                return true;
            }
            if (!renamed) {
                return false;
            }
            lookAgain = true;
        } else if (lockFileFd_ >= 0) {
            // Still no file: the lock file covers making it.
            return true;
        } else {
            lockFile_ = lockFileOf(target);
            lockFileFd_ = lockNamed(lockFile_, O_RDONLY | O_CREAT | O_NOFOLLOW, giveUp, renamed);
            if (lockFileFd_ >= 0) {
                // The file may have been made while this waited; if so, it is locked too.
                continue;
            }
            if (!renamed) {
                if (!busy_) {
                    reason_ = lockFile_ + ": " + reason_;
                }
                return false;
            }
            lookAgain = true;
        }
    }
}

}  // namespace gb
