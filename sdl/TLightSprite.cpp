#include "sdl/TLightSprite.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>

#include "sdl/NearestSampling.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gb {

namespace {

// One pixel of additive light, SDL's way: the source alpha times the modulation / 255, the
// colour times that alpha / 255 (both truncated; a colour at full alpha stays as it is), added
// to the destination's colour with saturation; the destination's alpha stays.
inline std::uint32_t addLight(std::uint32_t pixel, std::uint32_t destination,
                              std::uint32_t modulate) {
    std::uint32_t a = pixel >> 24;
    if (modulate != 255) {
        a = a * modulate / 255;
    }
    if (a == 0) {
        return destination;
    }
    std::uint32_t r = pixel >> 16 & 0xFF;
    std::uint32_t g = pixel >> 8 & 0xFF;
    std::uint32_t b = pixel & 0xFF;
    if (a < 255) {
        r = r * a / 255;
        g = g * a / 255;
        b = b * a / 255;
    }
    r = std::min<std::uint32_t>(255, r + (destination >> 16 & 0xFF));
    g = std::min<std::uint32_t>(255, g + (destination >> 8 & 0xFF));
    b = std::min<std::uint32_t>(255, b + (destination & 0xFF));
    return (destination & 0xFF000000u) | r << 16 | g << 8 | b;
}

#if defined(__SSE2__)
// x / 255 for 16-bit lanes holding at most 255 * 255, exactly: (x + 1 + (x >> 8)) >> 8.
inline __m128i divideBy255(__m128i x) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)),
                          8);
}

// Two pixels of additive light in 16-bit lanes (B, G, R, A each): the colours to add, with 0
// for alpha. Multiplying a colour by a full alpha and dividing by 255 leaves it as it is, so
// SDL's arithmetic needs no exception here.
inline __m128i lightOf(__m128i pixels, __m128i modulate, bool modulated) {
    __m128i alpha = _mm_shufflelo_epi16(pixels, _MM_SHUFFLE(3, 3, 3, 3));
    alpha = _mm_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
    if (modulated) {
        alpha = divideBy255(_mm_mullo_epi16(alpha, modulate));
    }
    const __m128i colourOnly = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    return _mm_and_si128(divideBy255(_mm_mullo_epi16(pixels, alpha)), colourOnly);
}
#endif

}  // namespace

TLightSprite::TLightSprite(SDL_Surface* surface) : surface_(surface) {
    if (surface_ == nullptr) {
        return;
    }
    spans_.resize(static_cast<std::size_t>(surface_->h));
    for (int y = 0; y < surface_->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(surface_->pixels) +
            static_cast<std::ptrdiff_t>(y) * surface_->pitch);
        Span span{surface_->w, -1};
        for (int x = 0; x < surface_->w; ++x) {
            if ((row[x] >> 24) != 0) {
                span.first = std::min(span.first, x);
                span.last = x;
            }
        }
        spans_[static_cast<std::size_t>(y)] = span;
    }
}

TLightSprite::~TLightSprite() {
    SDL_FreeSurface(surface_);
}

int TLightSprite::width() const {
    return surface_ != nullptr ? surface_->w : 0;
}

int TLightSprite::height() const {
    return surface_ != nullptr ? surface_->h : 0;
}

void TLightSprite::addTo(std::uint32_t* pixels, int pitch, const TPixelRect& source,
                         const TPixelRect& target, const TPixelRect& clip,
                         std::uint8_t alpha) const {
    const TPixelRect drawn = target.intersection(clip);
    if (surface_ == nullptr || drawn.empty() || source.empty() || source.x < 0 || source.y < 0 ||
        source.right() > surface_->w || source.bottom() > surface_->h) {
        return;
    }
    // SDL's nearest sampling.
    const std::int64_t stepX = nearest::step(source.width, target.width);
    const std::int64_t stepY = nearest::step(source.height, target.height);
    const auto* bytes = static_cast<const std::uint8_t*>(surface_->pixels);
    const std::uint32_t modulate = alpha;
    const int firstColumn = drawn.x - target.x;
    const int endColumn = drawn.right() - target.x;
    for (int row = drawn.y - target.y; row < drawn.bottom() - target.y; ++row) {
        const auto sourceY = static_cast<std::size_t>(source.y + nearest::sample(stepY, row));
        const Span span = spans_[sourceY];
        const std::int64_t first = std::max(span.first, source.x) - source.x;
        const std::int64_t last = std::min(span.last, source.right() - 1) - source.x;
        if (first > last) {
            continue;
        }
        // The target columns whose sample falls inside the row's visible span.
        const int begin = static_cast<int>(
            std::max<std::int64_t>(firstColumn, nearest::firstReaching(first, stepX)));
        const int end = static_cast<int>(
            std::min<std::int64_t>(endColumn, nearest::firstReaching(last + 1, stepX)));
        const auto* line = reinterpret_cast<const std::uint32_t*>(
                               bytes + static_cast<std::ptrdiff_t>(sourceY) * surface_->pitch) +
                           source.x;
        auto* out =
            reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(pixels) +
                                             static_cast<std::ptrdiff_t>(target.y + row) * pitch) +
            target.x;
        std::int64_t positionX = stepX / 2 + begin * stepX;
        int column = begin;
#if defined(__SSE2__)
        // Four pixels at a time: the samples are gathered, the light is worked out in 16-bit
        // lanes and added to the destination with byte saturation.
        const __m128i zero = _mm_setzero_si128();
        const __m128i modulation = _mm_set1_epi16(static_cast<short>(modulate));
        const bool modulated = modulate != 255;
        for (; column + 4 <= end; column += 4, positionX += 4 * stepX) {
            const __m128i source4 =
                _mm_set_epi32(static_cast<int>(line[(positionX + 3 * stepX) >> 16]),
                              static_cast<int>(line[(positionX + 2 * stepX) >> 16]),
                              static_cast<int>(line[(positionX + stepX) >> 16]),
                              static_cast<int>(line[positionX >> 16]));
            const __m128i low = lightOf(_mm_unpacklo_epi8(source4, zero), modulation, modulated);
            const __m128i high = lightOf(_mm_unpackhi_epi8(source4, zero), modulation, modulated);
            auto* place = reinterpret_cast<__m128i*>(out + column);
            _mm_storeu_si128(place,
                             _mm_adds_epu8(_mm_loadu_si128(place), _mm_packus_epi16(low, high)));
        }
#endif
        for (; column < end; ++column, positionX += stepX) {
            out[column] = addLight(line[positionX >> 16], out[column], modulate);
        }
    }
}

}  // namespace gb
