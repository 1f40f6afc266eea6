#include "hiscores/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hiscores/SaveSteps.h"

namespace gb {

namespace {

constexpr const char* kNotRegular = "not a regular file";
constexpr const char* kLinkToNothing = "a symbolic link to a file that does not exist";
constexpr std::string_view kTemporaryEnd = ".tmp";

// "<target>.<pid>.tmp" for the first attempt, "<target>.<pid>-<attempt>.tmp" after. Built by
// appending, one piece at a time.
std::string temporaryName(const std::string& target, int attempt) {
    std::string name;
    name.reserve(target.size() + 32);
    name.append(target);
    name.push_back('.');
    name.append(std::to_string(::getpid()));
    if (attempt > 0) {
        name.push_back('-');
        name.append(std::to_string(attempt));
    }
    name.append(kTemporaryEnd);
    return name;
}

// Creates a new named file beside target; -1 with errno set when that fails. The name
// carries the process id, so two running games never write into the same temporary file.
int createNamed(const std::string& target, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryName(target, attempt);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            temporary.clear();
            return -1;
        }
    }
    temporary.clear();
    errno = EEXIST;
    return -1;
}

// Gives an unnamed file (O_TMPFILE) a temporary name beside target, so that it can be renamed
// over the old file. False with errno set when it cannot be linked.
bool linkUnnamed(int fd, const std::string& target, std::string& temporary) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryName(target, attempt);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        // Without /proc, linking the descriptor itself works for a privileged process.
        if (::linkat(fd, "", AT_FDCWD, temporary.c_str(), AT_EMPTY_PATH) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    temporary.clear();
    return false;
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

// The new file gets the old one's owner, group and permissions. Changing the owner needs
// privileges; without them the group alone may still be ours to set, and the permissions
// always are (set last, because a change of owner clears the set-id bits).
void keepOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    ::fchmod(fd, old.st_mode & 07777);
}

// Writes the new contents into a new file beside target and gives it a temporary name.
// Returns 0, or the errno of what failed; created tells whether a new file could be made at
// all. Nothing is left behind on failure.
int writeReplacement(const std::string& target, const struct stat* old, std::string_view bytes,
                     std::string& temporary, bool& created) {
    created = false;
    // An unnamed file first: a process killed while writing it leaves nothing behind.
    bool unnamed = true;
    int fd = ::open(directoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    for (;;) {
        if (fd < 0) {
            unnamed = false;
            fd = createNamed(target, temporary);
            if (fd < 0) {
                return errno;
            }
        }
        created = true;
        if (old != nullptr) {
            keepOwnerAndMode(fd, *old);
        }
        int error = 0;
        if (!writeAll(fd, bytes)) {
            error = errno;
        } else {
            SaveSteps::reached(SaveStep::wrote);
            if (::fsync(fd) != 0) {
                error = errno;
            } else {
                SaveSteps::reached(SaveStep::flushed);
            }
        }
        if (error == 0 && unnamed && !linkUnnamed(fd, target, temporary)) {
            // The file system gives unnamed files but we cannot name this one: write a named
            // file instead.
            ::close(fd);
            fd = -1;
            continue;
        }
        if (::close(fd) != 0 && error == 0) {
            error = errno;
        }
        if (error != 0 && !temporary.empty()) {
            ::unlink(temporary.c_str());
            temporary.clear();
        }
        return error;
    }
}

// Writes the new contents over the old file itself, for a directory that does not let us
// create a file. A reader must find the old table or the new one at every moment, even if the
// process is killed between two steps, so the old records are never left after the new ones:
//  1. the new records, followed (where the old file is longer) by copies of the filler record
//     as far as a reader reads, are written over the start of the old file in one write, and
//     flushed to disk, so that the file already reads as the new table;
//  2. then the file is cut to the new length and flushed again.
bool writeInPlace(const std::string& target, std::string_view bytes, const InPlaceFill& fill,
                  std::string& reason) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        reason = kNotRegular;
        return false;
    }
    std::string image(bytes);
    const auto oldSize = static_cast<std::size_t>(info.st_size);
    if (!fill.record.empty() && oldSize > image.size()) {
        const std::size_t reach = std::min(oldSize, fill.readLimit);
        while (image.size() < reach) {
            image.append(fill.record);
        }
    }
    int error = 0;
    const auto step = [&](bool done, SaveStep reached) {
        if (error != 0) {
            return;
        }
        if (!done) {
            error = errno;
            return;
        }
        SaveSteps::reached(reached);
    };
    step(writeAll(fd, image), SaveStep::wrote);
    step(::fsync(fd) == 0, SaveStep::flushed);
    step(::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0, SaveStep::cut);
    step(::fsync(fd) == 0, SaveStep::cutFlushed);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        reason = std::strerror(error);
        return false;
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

// Reads the process id out of "<pid>.tmp" or "<pid>-<n>.tmp"; 0 when the text is not that.
pid_t temporaryOwner(std::string_view rest) {
    if (!rest.ends_with(kTemporaryEnd)) {
        return 0;
    }
    rest.remove_suffix(kTemporaryEnd.size());
    pid_t pid = 0;
    std::size_t i = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) {
        if (i >= 9) {
            return 0;
        }
        pid = pid * 10 + (rest[i] - '0');
    }
    if (i == 0) {
        return 0;
    }
    if (i < rest.size()) {
        if (rest[i] != '-' || i + 1 == rest.size()) {
            return 0;
        }
        for (std::size_t k = i + 1; k < rest.size(); ++k) {
            if (rest[k] < '0' || rest[k] > '9') {
                return 0;
            }
        }
    }
    return pid;
}

bool processRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileBehind(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return {};
    }
    std::string target(real);
    std::free(real);
    return target;
}

bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& reason) {
    return replaceFileContents(path, bytes, InPlaceFill{}, reason);
}

bool replaceFileContents(const std::string& path, std::string_view bytes, const InPlaceFill& fill,
                         std::string& reason, const RenameFile& rename) {
    const std::string target = fileBehind(path);
    if (target.empty()) {
        reason = errno == ENOENT ? kLinkToNothing : std::strerror(errno);
        return false;
    }

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        reason = std::strerror(errno);
        return false;
    }
    if (exists && S_ISDIR(old.st_mode)) {
        reason = std::strerror(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        reason = kNotRegular;
        return false;
    }
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }

    std::string temporary;
    bool created = false;
    int error = writeReplacement(target, exists ? &old : nullptr, bytes, temporary, created);
    if (!created && exists) {
        // The directory takes no new file, but the old file is ours to write.
        return writeInPlace(target, bytes, fill, reason);
    }
    if (error == 0) {
        errno = 0;
        const int result = rename ? rename(temporary.c_str(), target.c_str())
                                  : std::rename(temporary.c_str(), target.c_str());
        if (result != 0) {
            error = errno != 0 ? errno : EIO;
            ::unlink(temporary.c_str());
        }
    }
    if (error != 0) {
        reason = std::strerror(error);
        return false;
    }
    syncDirectory(directoryOf(target));
    return true;
}

void removeStaleTemporaries(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string prefix = slash == std::string::npos ? path : path.substr(slash + 1);
    prefix.push_back('.');

    DIR* directory = ::opendir(directoryOf(path).c_str());
    if (directory == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(prefix)) {
            continue;
        }
        const pid_t owner = temporaryOwner(name.substr(prefix.size()));
        // A file of this very process is stale too: no save of ours is under way while
        // the table loads.
        if (owner <= 0 || (owner != ::getpid() && processRuns(owner))) {
            continue;
        }
        // Only a file this user made: never another user's in a shared directory, even as root.
        struct stat info {};
        if (::fstatat(::dirfd(directory), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
            ::unlinkat(::dirfd(directory), entry->d_name, 0);
        }
    }
    ::closedir(directory);
}

}  // namespace gb
