#pragma once

#include <string>

#include "services/TRenderBackend.h"

namespace gb {

// A display that accepts every call and draws nothing: benchmarks use it to measure the
// game's own work without any renderer's.
class TNullBackend : public TRenderBackend {
  public:
    bool open(int, int, std::string&) override { return true; }
    void setWindowTitle(const std::string&) override {}
    void hideMouse() override {}
    void clear(const TDrawState&) override {}
    void present() override {}
    void drawImageRect(TImage&, int, float, float, float, float, const TDrawState&) override {}
    void tileImage(TImage&, int, float, float, const TDrawState&) override {}
    void drawText(const std::string&, float, float, const TDrawState&) override {}
    void drawPixmap(const TPixmap&, int, int) override {}
    void grabPixels(int, int, TPixmap&) override {}
};

}  // namespace gb
