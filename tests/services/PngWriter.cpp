#include "PngWriter.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace gb::testkit {

namespace {

png_image describe(const TPixmap& pixmap, bool withAlpha) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixmap.width());
    image.height = static_cast<png_uint_32>(pixmap.height());
    image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return image;
}

// The simplified writer takes tightly packed rows of its own format.
std::vector<unsigned char> packedRows(const TPixmap& pixmap, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    std::vector<unsigned char> rows;
    rows.reserve(static_cast<std::size_t>(pixmap.width()) *
                 static_cast<std::size_t>(pixmap.height() * channels));
    for (int y = 0; y < pixmap.height(); ++y) {
        const std::uint8_t* p = pixmap.row(y);
        for (int x = 0; x < pixmap.width(); ++x, p += 4) {
            rows.insert(rows.end(), p, p + channels);
        }
    }
    return rows;
}

}  // namespace

std::vector<unsigned char> encodePng(const TPixmap& pixmap, bool withAlpha) {
    png_image image = describe(pixmap, withAlpha);
    const std::vector<unsigned char> rows = packedRows(pixmap, withAlpha);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rows.data(), 0, nullptr)) {
        return {};
    }
    std::vector<unsigned char> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rows.data(), 0, nullptr)) {
        return {};
    }
    bytes.resize(size);
    return bytes;
}

bool writePng(const std::string& path, const TPixmap& pixmap, bool withAlpha) {
    const std::vector<unsigned char> bytes = encodePng(pixmap, withAlpha);
    if (bytes.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace gb::testkit
