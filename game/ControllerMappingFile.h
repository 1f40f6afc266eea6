#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace gb {

// SDL reads the file of gamepad mapping lines named in SDL_GAMECONTROLLERCONFIG_FILE when its
// game controller support starts, all of it into memory and with work that grows with the
// square of the number of lines: a FIFO there would stop the start for ever, and a huge or
// very long file for minutes. The largest real mapping lists are a few hundred kilobytes
// and a few thousand lines, so a file is left to SDL only within these bounds.
constexpr std::size_t kMaxMappingFileBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxMappingFileLines = 10000;

// Why SDL should not read the mapping file at path: it cannot be opened, it is not a
// regular file, or it is beyond the bounds above. Empty when it may. Opens nothing but a
// regular file, and that without waiting.
std::string reasonToSkipMappingFile(const std::string& path);

// Checks the file named in SDL_GAMECONTROLLERCONFIG_FILE, if any, before SDL starts; one that
// SDL should not read is taken out of the environment (SDL then reads no file) and skipped
// with one line on err.
void vetControllerMappingFile(std::FILE* err);

}  // namespace gb
