#pragma once

#include <memory>

namespace gb {

class TColor;
using ColorRef = std::shared_ptr<TColor>;

// A red, green, blue triple (each 0..255).
class TColor {
  public:
    int red = 0;
    int green = 0;
    int blue = 0;

    [[nodiscard]] static ColorRef create(int red, int green, int blue);
    void setRGB(int newRed, int newGreen, int newBlue);
};

}  // namespace gb
