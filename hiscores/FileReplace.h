#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace gb {

// What fills a file rewritten in place between the end of its new contents and the end of
// its old ones, until the file is cut to the new length: copies of a record that readers never
// rank (one that sorts below every record of the new contents), as far as readers read.
// Without a record nothing is filled.
struct InPlaceFill {
    std::string_view record;
    std::size_t readLimit = SIZE_MAX;
};

// Replaces the contents of the file at path so that a crash, a kill or a full disk at any
// moment leaves either the old file or the new one, never a part of either: the bytes go to a
// new file beside it (unnamed while it is written, where the file system allows), are flushed
// to disk, and the new file is renamed over the old one.
//
// A symbolic link is followed only to a regular file, which is then the file replaced (the
// link stays); a link to anything else, or to nothing, is left alone. Only a regular file is
// ever replaced: a directory, a FIFO or a device is left untouched. The new file keeps the
// owner, group and permissions of the old one where the process may set them, and an old
// file that we may not write stays as it is.
//
// Where the directory does not let us create a file but the old file is writable, the bytes
// are written into the old file itself instead: over its start, with the space up to its old
// length filled as fill says, flushed to disk, and only then is it cut to length and flushed
// again. A reader of the records therefore finds the old ones or the new ones (and filler
// records that never rank) whenever the process stops.
//
// The caller holds the file's lock (FileLock). Returns true on success. On failure nothing
// new is left behind, reason holds a description of what went wrong, and the old file is
// untouched (or, written in place, reads as the old table or the new one).
//
// The new file is moved into place with rename(2), or with the given stand-in for it (which
// answers as rename(2) does: 0, or -1 with errno set), so a test can imitate a failure or a
// crash between writing and renaming.
using RenameFile = std::function<int(const char* from, const char* to)>;
[[nodiscard]] bool replaceFileContents(const std::string& path, std::string_view bytes,
                                       const InPlaceFill& fill, std::string& reason,
                                       const RenameFile& rename = nullptr);
// The same without filler: a file rewritten in place is cut straight after the new bytes.
[[nodiscard]] bool replaceFileContents(const std::string& path, std::string_view bytes,
                                       std::string& reason);

// Removes the temporary files that saves of path left behind when their process was killed
// between naming the new file and moving it into place: the regular files in path's own
// directory named "<name>.<process id>.tmp" or "<name>.<process id>-<n>.tmp", whose process
// no longer runs and which belong to this user. (Where path is a symbolic link the
// temporaries are made beside the file it leads to, and are not looked for there.)
void removeStaleTemporaries(const std::string& path);

// The file that replacing path would replace: the target of a symbolic link, path itself
// otherwise. Empty, with errno set, when path is a link that cannot be followed.
std::string fileBehind(const std::string& path);

// The directory holding the file at path: "." for a bare name.
std::string directoryOf(const std::string& path);

}  // namespace gb
