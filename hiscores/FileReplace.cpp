#include "hiscores/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gb {

namespace {

RenameStep& renameStep() {
    static RenameStep step;
    return step;
}

// The file a save really replaces: the target of a symbolic link, so that the link stays.
std::string resolveLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new temporary file beside target; -1 with errno set when that fails. The name
// carries the process id, so two running games never write into the same temporary file.
int createTemporary(const std::string& target, std::string& temporary) {
    const std::string stem = target + "." + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Appended piece by piece: GCC 12 at -O3 sees a false overlap (-Wrestrict) in
        // "-" + std::to_string(attempt), which prepends into a temporary string.
        temporary = stem;
        if (attempt > 0) {
            temporary += '-';
            temporary += std::to_string(attempt);
        }
        temporary += ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable. The new file is already complete whatever happens here,
// so a failure is not a failure of the save.
void syncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void setRenameStep(RenameStep step) {
    renameStep() = std::move(step);
}

bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& reason) {
    const std::string target = resolveLink(path);

    struct stat old {};
    const bool oldIsFile = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (oldIsFile && ::access(target.c_str(), W_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }

    std::string temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (oldIsFile) {
        ::fchmod(fd, old.st_mode & 07777);
    }

    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        const RenameStep& step = renameStep();
        errno = 0;
        const int result = step ? step(temporary.c_str(), target.c_str())
                                : std::rename(temporary.c_str(), target.c_str());
        if (result != 0) {
            error = errno != 0 ? errno : EIO;
        }
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        reason = std::strerror(error);
        return false;
    }
    syncDirectory(directoryOf(target));
    return true;
}

}  // namespace gb
