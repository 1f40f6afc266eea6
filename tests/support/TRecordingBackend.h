#pragma once

#include <string>
#include <vector>

#include "services/TRenderBackend.h"

namespace gb {

// One call that reached the display.
struct TDrawCall {
    enum class Op { clear, present, image, tile, text, pixmap, grab };
    Op op = Op::clear;
    const TImage* image = nullptr;
    int cell = 0;
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
    std::string text;
    TDrawState state;
};

// A display that draws nothing and records every call, so tests can check what a screen
// draws, where and under which drawing state. grabPixels hands back a fixed colour.
class TRecordingBackend : public TRenderBackend {
  public:
    bool open(int width, int height, std::string& error) override;
    void setWindowTitle(const std::string& title) override { title_ = title; }
    void hideMouse() override { mouseHidden_ = true; }
    void clear(const TDrawState& state) override;
    void present() override;
    void drawImageRect(TImage& image, int cell, float x, float y, float width, float height,
                       const TDrawState& state) override;
    void tileImage(TImage& image, int cell, float x, float y, const TDrawState& state) override;
    void drawText(const std::string& text, float x, float y, const TDrawState& state) override;
    void drawPixmap(const TPixmap& pixmap, int x, int y) override;
    void grabPixels(int x, int y, TPixmap& into) override;

    const std::vector<TDrawCall>& calls() const { return calls_; }
    void reset() { calls_.clear(); }
    // The image draws (drawImage, drawImageRect) of one image, in order.
    std::vector<TDrawCall> drawsOf(const TImage* image) const;
    const std::string& title() const { return title_; }
    bool mouseHidden() const { return mouseHidden_; }
    int presentCount() const { return presents_; }
    bool failOpen = false;  // makes open fail, as a display that cannot be opened

  private:
    std::vector<TDrawCall> calls_;
    std::string title_;
    bool mouseHidden_ = false;
    int presents_ = 0;
};

}  // namespace gb
