#pragma once

#include <cstdint>
#include <vector>

#include "sdl/TDirtyRegion.h"

struct SDL_Surface;

namespace gb {

// A picture kept in memory (an SDL surface in the back buffer's format, ARGB8888) for drawing
// with additive light, the fruit shower's blend, many times a frame. It knows where the visible
// pixels of each row lie, and adds itself to a picture, scaled to any size, with exactly the
// arithmetic and sampling of SDL's own blitter for this case (nearest sampling; each channel
// gets source x alpha / 255 added, saturating; the destination's alpha stays) but without
// visiting the transparent pixels around the picture's shape.
class TLightSprite {
  public:
    // Takes over the surface, which must be ARGB8888.
    explicit TLightSprite(SDL_Surface* surface);
    ~TLightSprite();
    TLightSprite(const TLightSprite&) = delete;
    TLightSprite& operator=(const TLightSprite&) = delete;

    SDL_Surface* surface() const { return surface_; }
    int width() const;
    int height() const;

    // Adds the source rectangle of the picture, stretched to the target rectangle, onto an
    // ARGB8888 picture of the given pitch (bytes per row), but only the target's pixels that
    // lie inside clip, which must lie inside the picture. The alpha of every source pixel is
    // first multiplied by alpha / 255 (truncated), as SDL's alpha modulation does.
    //
    // The samples are SDL's: source column source.x + ((step / 2 + k * step) >> 16) for target
    // column k, with step = (source.width << 16) / target.width, and the same for rows.
    void addTo(std::uint32_t* pixels, int pitch, const TPixelRect& source, const TPixelRect& target,
               const TPixelRect& clip, std::uint8_t alpha) const;

  private:
    struct Span {
        int first;  // the first and last pixel of the row whose alpha is not 0; first > last
        int last;   // when the whole row is transparent
    };
    SDL_Surface* surface_;
    std::vector<Span> spans_;
};

}  // namespace gb
