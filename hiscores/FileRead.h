#pragma once

#include <cstddef>
#include <string>

namespace gb {

// What became of an attempt to read a file.
enum class FileReadResult {
    read,       // bytes holds the start of the file
    missing,    // there is no such file
    unreadable  // something is there but cannot be read; reason says why
};

// Reads at most maxBytes from the start of the regular file at path into bytes. A symbolic
// link is followed. Only a regular file is opened at all, and without waiting: a FIFO, a
// device or a directory is unreadable (so opening one never blocks nor touches a device), as
// is a file the system refuses to open or read. Nothing here is a program fault.
FileReadResult readFileStart(const std::string& path, std::size_t maxBytes, std::string& bytes,
                             std::string& reason);

}  // namespace gb
