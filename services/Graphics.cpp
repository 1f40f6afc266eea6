#include "services/Graphics.h"

#include <algorithm>
#include <string>

#include "core/TPlatform.h"
#include "services/TRenderBackend.h"

namespace gb {

namespace {

// The display of a platform: whether it is open, its size, why it did not open, and the
// drawing state.
struct TDisplay {
    bool open = false;
    int width = 0;
    int height = 0;
    std::string error;
    TDrawState state;
};

TDisplay& display() {
    return platform().state<TDisplay>();
}

TDrawState& state() {
    return display().state;
}

// The renderer of an open display, or nullptr.
TRenderBackend* openBackend(TPlatform& installed) {
    return installed.state<TDisplay>().open ? installed.renderBackend : nullptr;
}
TRenderBackend* openBackend() {
    return openBackend(platform());
}

int resolveFlags(int flags) {
    return flags == -1 ? state().defaultImageFlags : flags;
}

bool validCell(const ImageRef& image, int cell) {
    return image && cell >= 0 && cell < image->cellCount() &&
           image->cells[static_cast<std::size_t>(cell)];
}

// Pictures without an alpha channel lose the pixels of the mask colour.
void applyMask(TPixmap& pixmap, const TImage& image) {
    for (int y = 0; y < pixmap.height(); ++y) {
        std::uint8_t* p = pixmap.row(y);
        for (int x = 0; x < pixmap.width(); ++x, p += 4) {
            if (p[0] == image.maskRed && p[1] == image.maskGreen && p[2] == image.maskBlue) {
                p[3] = 0;
            }
        }
    }
}

ImageRef newImage(int cellWidth, int cellHeight, int flags) {
    auto image = std::make_shared<TImage>();
    image->width = cellWidth;
    image->height = cellHeight;
    image->flags = flags;
    const TDrawState& drawing = state();
    image->maskRed = drawing.maskRed;
    image->maskGreen = drawing.maskGreen;
    image->maskBlue = drawing.maskBlue;
    return image;
}

// Cuts cells out of a decoded picture; nullptr when fewer than first + count whole cells fit.
ImageRef cutCells(const PixmapRef& picture, bool hasAlpha, int cellWidth, int cellHeight,
                  int firstCell, int cellCount, int flags) {
    if (!picture || cellWidth <= 0 || cellHeight <= 0 || firstCell < 0 || cellCount <= 0) {
        return nullptr;
    }
    const int columns = picture->width() / cellWidth;
    const int rows = picture->height() / cellHeight;
    if (static_cast<long long>(columns) * rows < static_cast<long long>(firstCell) + cellCount) {
        return nullptr;
    }
    ImageRef image = newImage(cellWidth, cellHeight, flags);
    for (int n = 0; n < cellCount; ++n) {
        const int k = firstCell + n;
        const int left = cellWidth * (k % columns);
        const int top = cellHeight * (k / columns);
        auto cell = std::make_shared<TPixmap>(cellWidth, cellHeight);
        for (int y = 0; y < cellHeight; ++y) {
            std::copy_n(picture->row(top + y) + std::ptrdiff_t{left} * 4, cellWidth * 4,
                        cell->row(y));
        }
        if ((flags & maskedImage) != 0 && !hasAlpha) {
            applyMask(*cell, *image);
        }
        image->cells.push_back(std::move(cell));
    }
    image->textures.resize(image->cells.size());
    if (state().autoMidHandle) {
        midHandleImage(image);
    }
    return image;
}

}  // namespace

TRenderBackend* renderBackend() {
    return platform().renderBackend;
}

bool openGraphics(int width, int height, int /*depth*/, int /*hertz*/, int /*flags*/) {
    TDisplay& d = display();
    d.state = TDrawState{};
    d.state.viewport = TViewport{0, 0, width, height};
    d.open = false;
    TRenderBackend* backend = platform().renderBackend;
    if (backend == nullptr) {
        d.error = "no renderer was selected";
        return false;
    }
    d.error.clear();
    if (!backend->open(width, height, d.error)) {
        return false;
    }
    d.open = true;
    d.width = width;
    d.height = height;
    // The first frame the game draws starts from a black screen.
    for (int i = 0; i < 2; ++i) {
        clearScreen();
        flip();
    }
    return true;
}

const std::string& graphicsError() {
    return display().error;
}

int graphicsWidth() {
    return display().width;
}
int graphicsHeight() {
    return display().height;
}

void setWindowTitle(const std::string& title) {
    if (TRenderBackend* backend = openBackend()) {
        backend->setWindowTitle(title);
    }
}

void hideMouse() {
    if (TRenderBackend* backend = openBackend()) {
        backend->hideMouse();
    }
}

void clearScreen() {
    if (TRenderBackend* backend = openBackend()) {
        backend->clear(state());
    }
}

void flip(int /*sync*/) {
    if (TRenderBackend* backend = openBackend()) {
        backend->present();
    }
}

ImageRef loadImage(const std::string& path, int flags) {
    bool hasAlpha = false;
    PixmapRef picture = loadPicture(path, &hasAlpha);
    if (!picture) {
        return nullptr;
    }
    return cutCells(picture, hasAlpha, picture->width(), picture->height(), 0, 1,
                    resolveFlags(flags));
}

ImageRef loadAnimImage(const std::string& path, int cellWidth, int cellHeight, int firstCell,
                       int cellCount, int flags) {
    bool hasAlpha = false;
    PixmapRef picture = loadPicture(path, &hasAlpha);
    return cutCells(picture, hasAlpha, cellWidth, cellHeight, firstCell, cellCount,
                    resolveFlags(flags));
}

ImageRef createImage(int width, int height, int cellCount, int flags) {
    ImageRef image =
        newImage(std::max(width, 0), std::max(height, 0), resolveFlags(flags) | dynamicImage);
    for (int n = 0; n < std::max(cellCount, 0); ++n) {
        image->cells.push_back(std::make_shared<TPixmap>(image->width, image->height));
    }
    image->textures.resize(image->cells.size());
    if (state().autoMidHandle) {
        midHandleImage(image);
    }
    return image;
}

void grabImage(const ImageRef& image, int x, int y, int cell) {
    TRenderBackend* backend = openBackend();
    if (!validCell(image, cell) || backend == nullptr) {
        return;
    }
    TPixmap& pixels = image->pixels(cell);
    backend->grabPixels(x, y, pixels);
    for (int row = 0; row < pixels.height(); ++row) {
        std::uint8_t* p = pixels.row(row);
        for (int col = 0; col < pixels.width(); ++col) {
            p[col * 4 + 3] = 255;
        }
    }
    if ((image->flags & maskedImage) != 0) {
        applyMask(pixels, *image);
    }
    image->texture(cell).reset();
}

void autoMidHandle(bool on) {
    state().autoMidHandle = on;
}

void midHandleImage(const ImageRef& image) {
    if (image) {
        image->handleX = static_cast<float>(image->width) * 0.5f;
        image->handleY = static_cast<float>(image->height) * 0.5f;
    }
}

int imageWidth(const ImageRef& image) {
    return image ? image->width : 0;
}
int imageHeight(const ImageRef& image) {
    return image ? image->height : 0;
}

void drawImage(const ImageRef& image, float x, float y, int cell) {
    if (image) {
        drawImageRect(image, x, y, static_cast<float>(image->width),
                      static_cast<float>(image->height), cell);
    }
}

void drawImageRect(const ImageRef& image, float x, float y, float width, float height, int cell) {
    // The game draws hundreds of cells a frame: the display is looked up once per cell.
    TPlatform& installed = platform();
    const TDisplay& shown = installed.state<TDisplay>();
    if (shown.open && installed.renderBackend != nullptr && validCell(image, cell)) {
        installed.renderBackend->drawImageRect(*image, cell, x, y, width, height, shown.state);
    }
}

void tileImage(const ImageRef& image, float x, float y, int cell) {
    TRenderBackend* backend = openBackend();
    if (!validCell(image, cell) || backend == nullptr) {
        return;
    }
    // Tiling ignores rotation and scale for the duration of the call.
    TDrawState tiling = state();
    tiling.rotation = 0.0f;
    tiling.scaleX = 1.0f;
    tiling.scaleY = 1.0f;
    const float anchorX = x + tiling.originX - image->handleX;
    const float anchorY = y + tiling.originY - image->handleY;
    backend->tileImage(*image, cell, anchorX, anchorY, tiling);
}

void drawText(const std::string& text, float x, float y) {
    if (TRenderBackend* backend = openBackend()) {
        backend->drawText(text, x, y, state());
    }
}

PixmapRef createPixmap(int width, int height, int format, int rowAlignment) {
    return std::make_shared<TPixmap>(width, height, format, rowAlignment);
}

int pixmapWidth(const PixmapRef& pixmap) {
    return pixmap ? pixmap->width() : 0;
}
int pixmapHeight(const PixmapRef& pixmap) {
    return pixmap ? pixmap->height() : 0;
}

void writePixel(const PixmapRef& pixmap, int x, int y, std::uint32_t argb) {
    if (pixmap) {
        pixmap->writePixel(x, y, argb);
    }
}

std::uint32_t readPixel(const PixmapRef& pixmap, int x, int y) {
    return pixmap ? pixmap->readPixel(x, y) : 0;
}

void drawPixmap(const PixmapRef& pixmap, int x, int y) {
    TRenderBackend* backend = openBackend();
    if (pixmap && backend != nullptr) {
        backend->drawPixmap(*pixmap, x, y);
    }
}

void setColor(int red, int green, int blue) {
    TDrawState& drawing = state();
    drawing.red = std::clamp(red, 0, 255);
    drawing.green = std::clamp(green, 0, 255);
    drawing.blue = std::clamp(blue, 0, 255);
}

void setAlpha(float alpha) {
    state().alpha = std::clamp(alpha, 0.0f, 1.0f);
}

void setBlend(BlendMode mode) {
    state().blend = mode;
}

BlendMode getBlend() {
    return state().blend;
}

void setRotation(float degrees) {
    state().rotation = degrees;
}

void setScale(float scaleX, float scaleY) {
    TDrawState& drawing = state();
    drawing.scaleX = scaleX;
    drawing.scaleY = scaleY;
}

void setViewport(int x, int y, int width, int height) {
    state().viewport = TViewport{x, y, std::max(width, 0), std::max(height, 0)};
}

const TDrawState& drawState() {
    return state();
}

}  // namespace gb
