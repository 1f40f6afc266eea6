#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gb {

// The registry of embedded files: virtual path -> bytes. Paths are compared exactly.
// A path that is already registered keeps its first registration.
void registerEmbeddedFile(std::string_view path, const void* data, std::size_t size);

// The registered bytes of a path, or nullptr for an unknown path.
const unsigned char* embeddedFileData(std::string_view path);

// The registered byte count of a path, or 0 for an unknown path.
int embeddedFileSize(std::string_view path);

// How many distinct paths are registered.
int embeddedFileCount();

// Forgets every registration (for tests that build their own registry).
void clearEmbeddedFiles();

// The prefix that opens an embedded file wherever a file path is accepted.
inline constexpr std::string_view kIncbinPrefix = "incbin::";

}  // namespace gb
