#include "core/EmbeddedFiles.h"

#include <cstdint>
#include <cstring>

#include "core/EmbeddedMedia.h"
#include "core/TPlatform.h"

namespace gb {

namespace {

EmbeddedFileTable& registry() {
    return platform().embeddedFiles;
}

}  // namespace

void registerEmbeddedFile(std::string_view path, const void* data, std::size_t size) {
    registry().try_emplace(std::string(path),
                           TEmbeddedFile{static_cast<const unsigned char*>(data), size});
}

const unsigned char* embeddedFileData(std::string_view path) {
    auto it = registry().find(path);
    return it == registry().end() ? nullptr : it->second.data;
}

int embeddedFileSize(std::string_view path) {
    auto it = registry().find(path);
    return it == registry().end() ? 0 : static_cast<int>(it->second.size);
}

int embeddedFileCount() {
    return static_cast<int>(registry().size());
}

const EmbeddedBlob* findBuiltInMedia(const char* path) {
    for (const EmbeddedBlob& blob : builtInMedia()) {
        if (std::strcmp(blob.path, path) == 0) {
            return &blob;
        }
    }
    return nullptr;
}

bool isBuiltInMedia(const void* data, std::size_t size) {
    const auto address = reinterpret_cast<std::uintptr_t>(data);
    for (const EmbeddedBlob& blob : builtInMedia()) {
        const auto begin = reinterpret_cast<std::uintptr_t>(blob.begin);
        const auto end = reinterpret_cast<std::uintptr_t>(blob.end);
        if (address >= begin && address <= end && size <= end - address) {
            return true;
        }
    }
    return false;
}

}  // namespace gb
