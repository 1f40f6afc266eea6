#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace gb {

// Replaces the contents of the file at path so that a crash, a kill or a full disk at any
// moment leaves either the old file or the new one, never a part of either: the bytes go to a
// temporary file beside it, are flushed to disk, and the temporary file is renamed over the
// old one. A symbolic link is followed, so the file it names is the one replaced; an existing
// file keeps its permissions, and one that we may not write stays as it is.
//
// Returns true on success. On failure the old file is untouched, the temporary file is
// removed and reason holds the system's description of what went wrong.
bool replaceFileContents(const std::string& path, std::string_view bytes, std::string& reason);

// The step that moves the finished temporary file over the old one; rename(2) unless a test
// replaces it to imitate a failure or a crash between writing and renaming. An empty
// function restores rename(2).
using RenameStep = std::function<int(const char* from, const char* to)>;
void setRenameStep(RenameStep step);

}  // namespace gb
