#pragma once

#include <memory>

namespace gb {

class TColor;
using ColorRef = std::shared_ptr<TColor>;

// A red, green, blue triple (each 0..255) that can make itself the drawing colour.
class TColor {
  public:
    int red = 0;
    int green = 0;
    int blue = 0;

    [[nodiscard]] static ColorRef create(int red, int green, int blue);
    void setRGB(int newRed, int newGreen, int newBlue);
    // Makes this the current drawing colour.
    void apply() const;
};

}  // namespace gb
