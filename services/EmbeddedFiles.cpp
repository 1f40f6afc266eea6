#include "services/EmbeddedFiles.h"

#include <cstring>
#include <map>

#include "services/EmbeddedMedia.h"

namespace gb {

namespace {

struct Entry {
    const unsigned char* data;
    std::size_t size;
};

std::map<std::string, Entry, std::less<>>& registry() {
    static std::map<std::string, Entry, std::less<>> entries;
    return entries;
}

}  // namespace

void registerEmbeddedFile(std::string_view path, const void* data, std::size_t size) {
    registry().try_emplace(std::string(path), Entry{static_cast<const unsigned char*>(data), size});
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

void clearEmbeddedFiles() {
    registry().clear();
}

const EmbeddedBlob* findBuiltInMedia(const char* path) {
    for (const EmbeddedBlob& blob : builtInMedia()) {
        if (std::strcmp(blob.path, path) == 0) {
            return &blob;
        }
    }
    return nullptr;
}

}  // namespace gb
