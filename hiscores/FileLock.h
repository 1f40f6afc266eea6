#pragma once

#include <chrono>
#include <string>

namespace gb {

// The lock that every save of a file takes before it reads and rewrites the file, from
// construction to destruction, so that programs saving the same file take turns and each
// reads what the other wrote before it writes. It is made of up to three advisory locks
// (flock), always taken in this order:
//
//  1. the directory that holds the file, where the directory can be opened (earlier versions
//     of the game lock only this, so they and this one still take turns);
//  2. while the file does not exist (or is not a regular file), a lock file beside it,
//     "<name>.lock", made for the occasion and removed again by the holder;
//  3. the file itself, once it exists: the lock is on the file that has the name when the
//     lock is granted (a save replaces the file by renaming a new one over it, so a lock on
//     the old one would no longer stop anyone), and the holder checks that it still has
//     the name, or tries again.
//
// The last two can be taken wherever the file can be saved at all: a directory that cannot
// be read but takes new files gets the lock file, and a directory that takes no new file
// (where the file is written in place) has the file. Two savers therefore always share at
// least one of the locks, whichever of them can open the directory or create files in it.
//
// The owner never goes on without the lock: held() is false when another holder kept any of
// them past the longest wait (busy()), or when one could not be opened (reason()).
class FileLock {
  public:
    FileLock(const std::string& path, std::chrono::milliseconds longestWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }
    // Not held because another holder kept the lock for the whole wait.
    bool busy() const { return busy_; }
    // Why the lock is not held when it is not busy: the error met, as strerror gives it.
    const std::string& reason() const { return reason_; }

    // The lock file used while path does not exist.
    static std::string lockFileOf(const std::string& path);

  private:
    using Clock = std::chrono::steady_clock;

    bool take(const std::string& target, Clock::time_point giveUp);
    int lockNamed(const std::string& name, int flags, Clock::time_point giveUp, bool& renamed);
    bool fail(int error);

    int directoryFd_ = -1;
    int lockFileFd_ = -1;
    int fileFd_ = -1;
    std::string lockFile_;
    bool held_ = false;
    bool busy_ = false;
    std::string reason_;
};

}  // namespace gb
