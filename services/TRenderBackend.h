#pragma once

#include <string>

#include "services/TDrawState.h"
#include "services/TImage.h"
#include "services/TPixmap.h"

namespace gb {

// What a display does for the drawing services: the SDL renderer for the game, a recording
// stand-in for tests. The services keep the drawing state and pass it with every call.
class TRenderBackend {
  public:
    virtual ~TRenderBackend() = default;

    // Opens an 800 x 600 (width x height) display; false with a reason when it cannot.
    [[nodiscard]] virtual bool open(int width, int height, std::string& error) = 0;
    virtual void setWindowTitle(const std::string& title) = 0;
    virtual void hideMouse() = 0;
    // The whole back buffer becomes the clear colour.
    virtual void clear(const TDrawState& state) = 0;
    // Presents the back buffer and waits for the next frame.
    virtual void present() = 0;
    // Draws a cell stretched to width x height, placed, turned and scaled about the
    // image handle as the drawing state says, clipped to the viewport.
    virtual void drawImageRect(TImage& image, int cell, float x, float y, float width, float height,
                               const TDrawState& state) = 0;
    // Fills the viewport with copies of the cell anchored at (x, y) (handle already applied),
    // without rotation or scale.
    virtual void tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) = 0;
    // Text in the built-in font, top-left at (x, y).
    virtual void drawText(const std::string& text, float x, float y, const TDrawState& state) = 0;
    // Copies the pixel map's colours 1:1 into the back buffer (alpha ignored).
    virtual void drawPixmap(const TPixmap& pixmap, int x, int y) = 0;
    // Copies the back-buffer rectangle at (x, y) of the pixel map's size into it, opaque.
    virtual void grabPixels(int x, int y, TPixmap& into) = 0;
};

}  // namespace gb
