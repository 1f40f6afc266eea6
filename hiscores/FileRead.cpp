#include "hiscores/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace gb {

namespace {

constexpr const char* kNotRegular = "not a regular file";

FileReadResult unreadable(std::string& reason, const char* why) {
    reason = why;
    return FileReadResult::unreadable;
}

}  // namespace

FileReadResult readFileStart(const std::string& path, std::size_t maxBytes, std::string& bytes,
                             std::string& reason) {
    bytes.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return FileReadResult::missing;
        }
        return unreadable(reason, std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return unreadable(reason, std::strerror(EISDIR));
    }
    if (!S_ISREG(info.st_mode)) {
        return unreadable(reason, kNotRegular);
    }
    // O_NONBLOCK: if the name was swapped for a FIFO since the check above, opening it must
    // not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return FileReadResult::missing;
        }
        return unreadable(reason, std::strerror(errno));
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return unreadable(reason, kNotRegular);
    }

    // The file may be far larger than what is read (a sparse file of many gigabytes), so the
    // buffer grows with what arrives rather than with the size the file claims.
    constexpr std::size_t kBlock = std::size_t{64} * 1024;
    while (bytes.size() < maxBytes) {
        const std::size_t at = bytes.size();
        const std::size_t wanted = std::min(kBlock, maxBytes - at);
        bytes.resize(at + wanted);
        const ssize_t got = ::read(fd, bytes.data() + at, wanted);
        if (got < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            bytes.clear();
            return unreadable(reason, std::strerror(error));
        }
        bytes.resize(at + static_cast<std::size_t>(got));
        if (got == 0) {
            break;
        }
    }
    ::close(fd);
    return FileReadResult::read;
}

}  // namespace gb
