#pragma once

namespace gb {

// Blend modes, with the codes the game has always had; alphaBlend and the others name them.
enum class BlendMode : int {
    maskBlend = 1,   // alpha test (the game never draws in this mode)
    solidBlend = 2,  // the source replaces the destination
    alphaBlend = 3,  // source over destination by the source's alpha
    lightBlend = 4,  // additive light
    shadeBlend = 5,  // darkening: destination times source colour
};
using enum BlendMode;

struct TViewport {
    int x = 0, y = 0, width = 0, height = 0;
};

// The drawing state that applies to every draw until changed.
struct TDrawState {
    int red = 255, green = 255, blue = 255;
    float alpha = 1.0f;
    BlendMode blend = maskBlend;
    float rotation = 0.0f;  // degrees; positive turns clockwise on screen
    float scaleX = 1.0f, scaleY = 1.0f;
    TViewport viewport;
    float originX = 0.0f, originY = 0.0f;
    int clearRed = 0, clearGreen = 0, clearBlue = 0;
    bool autoMidHandle = false;
    int defaultImageFlags = 3;  // maskedImage + filteredImage
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
};

}  // namespace gb
