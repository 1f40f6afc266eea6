#pragma once

#include "services/TImage.h"
#include "services/TPixmap.h"

namespace gb {

// A pixel map of the template's width, height and format (its pixels are not read) filled
// with the panel gradient: red falls from 255 down the rows, green rises along each row and
// blue is a ramp below the diagonal (red 255 - y, green x, blue max(0, y - x) on 256 x 256,
// each counter wrapping modulo 256 on larger maps). Every alpha byte is 0.
PixmapRef gradientPixmap(const PixmapRef& templ);

// The 256 x 256 panel image: the gradient, fully opaque, in one cell.
ImageRef makeGradientImage();

}  // namespace gb
