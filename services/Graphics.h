#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "services/TDrawState.h"
#include "services/TImage.h"
#include "services/TPixmap.h"

namespace gb {

class TRenderBackend;

// Display and frame. The display is the installed platform's.

// The platform's display renderer (none until one is made).
TRenderBackend* renderBackend();
// Opens the full-screen display; false, with the reason in graphicsError(), when it cannot.
[[nodiscard]] bool openGraphics(int width, int height, int depth = 0, int hertz = 0, int flags = 0);
const std::string& graphicsError();
int graphicsWidth();
int graphicsHeight();
void setWindowTitle(const std::string& title);
void hideMouse();
void clearScreen();
void flip(int sync = -1);

// Images. A none image (nullptr) is never an error: drawing it draws nothing.
[[nodiscard]] ImageRef loadImage(const std::string& path, int flags = -1);
[[nodiscard]] ImageRef loadAnimImage(const std::string& path, int cellWidth, int cellHeight,
                                     int firstCell, int cellCount, int flags = -1);
[[nodiscard]] ImageRef createImage(int width, int height, int cellCount = 1, int flags = -1);
void grabImage(const ImageRef& image, int x, int y, int cell = 0);
void autoMidHandle(bool on);
void midHandleImage(const ImageRef& image);
int imageWidth(const ImageRef& image);
int imageHeight(const ImageRef& image);
void drawImage(const ImageRef& image, float x, float y, int cell = 0);
void drawImageRect(const ImageRef& image, float x, float y, float width, float height,
                   int cell = 0);
void tileImage(const ImageRef& image, float x = 0.0f, float y = 0.0f, int cell = 0);
void drawText(const std::string& text, float x, float y);

// Decodes a picture file (a PNG) from memory into RGBA; nullptr when it is not one.
// hasAlpha, when given, tells whether the file carried an alpha channel.
[[nodiscard]] PixmapRef decodePicture(const unsigned char* data, std::size_t size,
                                      bool* hasAlpha = nullptr);
// Reads and decodes a picture from a path ("incbin::" paths included); nullptr on failure.
[[nodiscard]] PixmapRef loadPicture(const std::string& path, bool* hasAlpha = nullptr);

// Pixel maps.
[[nodiscard]] PixmapRef createPixmap(int width, int height, int format = kPixelFormatRGBA8888,
                                     int rowAlignment = 4);
int pixmapWidth(const PixmapRef& pixmap);
int pixmapHeight(const PixmapRef& pixmap);
void writePixel(const PixmapRef& pixmap, int x, int y, std::uint32_t argb);
std::uint32_t readPixel(const PixmapRef& pixmap, int x, int y);
void drawPixmap(const PixmapRef& pixmap, int x, int y);

// Drawing state.
void setColor(int red, int green, int blue);
void setAlpha(float alpha);
void setBlend(BlendMode mode);
BlendMode getBlend();
void setRotation(float degrees);
void setScale(float scaleX, float scaleY);
void setViewport(int x, int y, int width, int height);
const TDrawState& drawState();

}  // namespace gb
