#pragma once

#include <string>
#include <vector>

#include "services/TPixmap.h"

namespace gb::testkit {

// Encodes a pixel map as a PNG file in memory: RGBA, or RGB (alpha dropped) when withAlpha
// is false. Empty on failure.
std::vector<unsigned char> encodePng(const TPixmap& pixmap, bool withAlpha = true);

// Writes a pixel map to a PNG file; false on failure.
bool writePng(const std::string& path, const TPixmap& pixmap, bool withAlpha = true);

}  // namespace gb::testkit
