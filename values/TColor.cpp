#include "values/TColor.h"

namespace gb {

ColorRef TColor::create(int red, int green, int blue) {
    auto colour = std::make_shared<TColor>();
    colour->setRGB(red, green, blue);
    return colour;
}

void TColor::setRGB(int newRed, int newGreen, int newBlue) {
    red = newRed;
    green = newGreen;
    blue = newBlue;
}

}  // namespace gb
