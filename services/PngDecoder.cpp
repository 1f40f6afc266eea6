#include <png.h>

#include <cstdint>
#include <cstring>

#include "core/EmbeddedFiles.h"
#include "core/TStream.h"
#include "services/Graphics.h"

namespace gb {

namespace {

// A file's size as a length in memory: the same type on a 64-bit machine, a narrower one on a
// 32-bit machine (the browser build), where a picture file is far below its limit.
template <class Length>
Length lengthInMemory(std::uint64_t fileSize) {
    return static_cast<Length>(fileSize);
}

}  // namespace

PixmapRef decodePicture(const unsigned char* data, std::size_t size, bool* hasAlpha) {
    if (data == nullptr || size == 0) {
        return nullptr;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        return nullptr;
    }
    // Refuse absurd sizes before allocating: a corrupt header must not exhaust memory.
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        return nullptr;
    }
    if (hasAlpha != nullptr) {
        *hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    }
    image.format = PNG_FORMAT_RGBA;
    auto pixmap =
        std::make_shared<TPixmap>(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!png_image_finish_read(&image, nullptr, pixmap->data(), pixmap->pitch(), nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    return pixmap;
}

PixmapRef loadPicture(const std::string& path, bool* hasAlpha) {
    if (path.starts_with(kIncbinPrefix)) {
        // Embedded bytes are already in memory: decode them in place.
        const std::string_view name = std::string_view(path).substr(kIncbinPrefix.size());
        return decodePicture(embeddedFileData(name),
                             static_cast<std::size_t>(embeddedFileSize(name)), hasAlpha);
    }
    StreamRef stream = readStream(path);
    if (!stream) {
        return nullptr;
    }
    std::string bytes(lengthInMemory<std::size_t>(stream->size()), '\0');
    bytes.resize(stream->read(bytes.data(), bytes.size()));
    stream->close();
    return decodePicture(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                         hasAlpha);
}

}  // namespace gb
