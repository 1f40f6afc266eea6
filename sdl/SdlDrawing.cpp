#include "sdl/SdlDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gb::sdl {

SDL_Texture* uploadTexture(SDL_Renderer* renderer, const TPixmap& pixels) {
    SDL_Texture* texture = SDL_CreateTexture(renderer, kTextureFormat, SDL_TEXTUREACCESS_STATIC,
                                             pixels.width(), pixels.height());
    if (texture == nullptr) {
        return nullptr;
    }
    std::vector<std::uint8_t> converted(static_cast<std::size_t>(pixels.width()) * 4 *
                                        static_cast<std::size_t>(pixels.height()));
    SDL_ConvertPixels(pixels.width(), pixels.height(), kRgbaFormat, pixels.data(), pixels.pitch(),
                      kTextureFormat, converted.data(), pixels.width() * 4);
    SDL_UpdateTexture(texture, nullptr, converted.data(), pixels.width() * 4);
    return texture;
}

SDL_BlendMode blendMode(BlendMode blend) {
    switch (blend) {
        case solidBlend:
            return SDL_BLENDMODE_NONE;
        case lightBlend:
            return SDL_BLENDMODE_ADD;
        case shadeBlend:
            return SDL_BLENDMODE_MOD;
        case alphaBlend:
        // maskBlend's alpha test is never used by the game; it draws as alpha blending so
        // that partly transparent edges still look right.
        case maskBlend:
            return SDL_BLENDMODE_BLEND;
    }
    return SDL_BLENDMODE_BLEND;  // not reached: every mode is handled above
}

namespace {

Uint8 alphaByte(float alpha) {
    return static_cast<Uint8>(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

SDL_Color tintOf(const TDrawState& state) {
    return SDL_Color{static_cast<Uint8>(std::clamp(state.red, 0, 255)),
                     static_cast<Uint8>(std::clamp(state.green, 0, 255)),
                     static_cast<Uint8>(std::clamp(state.blue, 0, 255)), alphaByte(state.alpha)};
}

void applyTint(SDL_Texture* texture, const TDrawState& state) {
    const SDL_Color tint = tintOf(state);
    SDL_SetTextureColorMod(texture, tint.r, tint.g, tint.b);
    SDL_SetTextureAlphaMod(texture, tint.a);
    SDL_SetTextureBlendMode(texture, blendMode(state.blend));
}

bool viewportEmpty(const TDrawState& state) {
    return state.viewport.width <= 0 || state.viewport.height <= 0;
}

}  // namespace gb::sdl
