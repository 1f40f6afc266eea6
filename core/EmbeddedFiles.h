#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace gb {

// One registered file: its bytes, which the registry does not own.
struct TEmbeddedFile {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// The registry's table (kept by the installed platform), by virtual path.
using EmbeddedFileTable = std::map<std::string, TEmbeddedFile, std::less<>>;

// The registry of embedded files: virtual path -> bytes. Paths are compared exactly.
// A path that is already registered keeps its first registration.
void registerEmbeddedFile(std::string_view path, const void* data, std::size_t size);

// The registered bytes of a path, or nullptr for an unknown path.
const unsigned char* embeddedFileData(std::string_view path);

// The registered byte count of a path, or 0 for an unknown path.
int embeddedFileSize(std::string_view path);

// How many distinct paths are registered.
int embeddedFileCount();

// The prefix that opens an embedded file wherever a file path is accepted.
inline constexpr std::string_view kIncbinPrefix = "incbin::";

}  // namespace gb
