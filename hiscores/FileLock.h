#pragma once

#include <string>

namespace gb {

// An advisory lock (flock) on the directory that holds a file, from construction to
// destruction. Programs that take it before reading and replacing the file take turns, so
// each reads what the other wrote before it writes. The directory is locked rather than the
// file because a save replaces the file: a lock on the old file would not stop a process
// that opened the new one.
//
// The lock is a courtesy, not a condition: where the directory cannot be opened, or another
// holder keeps it for longer than a few seconds, the owner goes on without it (held() is
// false) rather than failing or waiting for ever.
class FileLock {
  public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace gb
