#pragma once

#include <SDL.h>

#include "services/TDrawState.h"
#include "services/TPixmap.h"

// Helpers the SDL render backends share.
namespace gb::sdl {

// Memory order R, G, B, A: the pixel maps' own layout.
inline constexpr Uint32 kRgbaFormat = SDL_PIXELFORMAT_RGBA32;
// Cells are kept in the back buffer's own format, which every renderer supports and the
// software renderer blends without converting each pixel on every draw.
inline constexpr Uint32 kTextureFormat = SDL_PIXELFORMAT_ARGB8888;

// A texture holding a copy of the pixel map, or nullptr.
SDL_Texture* uploadTexture(SDL_Renderer* renderer, const TPixmap& pixels);

SDL_BlendMode blendMode(BlendMode blend);
// The drawing colour and alpha as SDL's colour and alpha modulation.
SDL_Color tintOf(const TDrawState& state);
// Sets the drawing state's tint and blend mode on a texture.
void applyTint(SDL_Texture* texture, const TDrawState& state);
// Whether the viewport leaves nothing to draw in.
bool viewportEmpty(const TDrawState& state);

}  // namespace gb::sdl
