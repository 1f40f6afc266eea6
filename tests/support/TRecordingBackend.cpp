#include "tests/support/TRecordingBackend.h"

namespace gb {

namespace {
TDrawCall makeCall(TDrawCall::Op op, const TImage* image, int cell, float x, float y, float width,
                   float height, const TDrawState& state = TDrawState{}) {
    TDrawCall call;
    call.op = op;
    call.image = image;
    call.cell = cell;
    call.x = x;
    call.y = y;
    call.width = width;
    call.height = height;
    call.state = state;
    return call;
}
}  // namespace

bool TRecordingBackend::open(int /*width*/, int /*height*/, std::string& error) {
    if (failOpen) {
        error = "the recording display was told to fail";
        return false;
    }
    return true;
}

void TRecordingBackend::clear(const TDrawState& state) {
    calls_.push_back(makeCall(TDrawCall::Op::clear, nullptr, 0, 0, 0, 0, 0, state));
}

void TRecordingBackend::present() {
    ++presents_;
    calls_.push_back(makeCall(TDrawCall::Op::present, nullptr, 0, 0, 0, 0, 0));
}

void TRecordingBackend::drawImageRect(TImage& image, int cell, float x, float y, float width,
                                      float height, const TDrawState& state) {
    calls_.push_back(makeCall(TDrawCall::Op::image, &image, cell, x, y, width, height, state));
}

void TRecordingBackend::tileImage(TImage& image, int cell, float x, float y,
                                  const TDrawState& state) {
    calls_.push_back(makeCall(TDrawCall::Op::tile, &image, cell, x, y,
                              static_cast<float>(image.width), static_cast<float>(image.height),
                              state));
}

void TRecordingBackend::drawText(const std::string& text, float x, float y,
                                 const TDrawState& state) {
    TDrawCall call = makeCall(TDrawCall::Op::text, nullptr, 0, x, y, 0, 0, state);
    call.text = text;
    calls_.push_back(std::move(call));
}

void TRecordingBackend::drawPixmap(const TPixmap& pixmap, int x, int y) {
    calls_.push_back(makeCall(TDrawCall::Op::pixmap, nullptr, 0, static_cast<float>(x),
                              static_cast<float>(y), static_cast<float>(pixmap.width()),
                              static_cast<float>(pixmap.height())));
}

void TRecordingBackend::grabPixels(int x, int y, TPixmap& into) {
    calls_.push_back(makeCall(TDrawCall::Op::grab, nullptr, 0, static_cast<float>(x),
                              static_cast<float>(y), static_cast<float>(into.width()),
                              static_cast<float>(into.height())));
    for (int row = 0; row < into.height(); ++row) {
        for (int col = 0; col < into.width(); ++col) {
            into.writePixel(col, row, 0xFF000000u);
        }
    }
}

std::vector<TDrawCall> TRecordingBackend::drawsOf(const TImage* image) const {
    std::vector<TDrawCall> draws;
    for (const TDrawCall& call : calls_) {
        if (call.op == TDrawCall::Op::image && call.image == image) {
            draws.push_back(call);
        }
    }
    return draws;
}

}  // namespace gb
