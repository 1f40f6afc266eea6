#include "game/ControllerMappingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "game/EnvironmentNumbers.h"

namespace gb {

namespace {

constexpr const char* kVariable = "SDL_GAMECONTROLLERCONFIG_FILE";

std::string tooLarge() {
    return "it is larger than " + std::to_string(kMaxMappingFileBytes >> 10) +
           " KiB, more than any list of mappings";
}

constexpr long kReadError = -1;
constexpr long kGrewTooLarge = -2;

// Counts the lines of the open file: kReadError on a read error, kGrewTooLarge when it turns
// out longer than kMaxMappingFileBytes (it grew after the look at its size).
long countLines(int fd) {
    char buffer[16384];
    long lines = 0;
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return kReadError;
        }
        if (got == 0) {
            return lines;
        }
        total += static_cast<std::size_t>(got);
        if (total > kMaxMappingFileBytes) {
            return kGrewTooLarge;
        }
        lines += std::count(buffer, buffer + got, '\n');
    }
}

}  // namespace

std::string reasonToSkipMappingFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return "not a regular file";
    }
    if (static_cast<std::size_t>(info.st_size) > kMaxMappingFileBytes) {
        return tooLarge();
    }
    // O_NONBLOCK: if the name was swapped for a FIFO since the check above, opening it must
    // not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    std::string reason;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    } else if (static_cast<std::size_t>(info.st_size) > kMaxMappingFileBytes) {
        reason = tooLarge();
    } else {
        const long lines = countLines(fd);
        if (lines == kReadError) {
            reason = std::strerror(errno);
        } else if (lines == kGrewTooLarge) {
            reason = tooLarge();
        } else if (static_cast<std::size_t>(lines) > kMaxMappingFileLines) {
            reason = "it has more than " + std::to_string(kMaxMappingFileLines) +
                     " lines, more than any list of mappings";
        }
    }
    ::close(fd);
    return reason;
}

void vetControllerMappingFile(std::FILE* err) {
    const char* path = std::getenv(kVariable);
    if (path == nullptr || *path == '\0') {
        return;
    }
    const std::string reason = reasonToSkipMappingFile(path);
    if (reason.empty()) {
        return;
    }
    std::fprintf(err, "gumbolt: not reading the gamepad mappings in %s (%s): %s\n",
                 shownValue(path, 200).c_str(), kVariable, reason.c_str());
    std::fflush(err);
    ::unsetenv(kVariable);
}

}  // namespace gb
