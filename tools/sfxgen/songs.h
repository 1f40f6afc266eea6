// The six music tracks of the game, each composed by its own function.
#pragma once

#include <string>
#include <vector>

#include "xm.h"

namespace songs {

struct Track {
    std::string file;
    xm::Module module;
};

xm::Module extend();  // bright opener
xm::Module level3();  // driving
xm::Module maddy();   // bouncy
xm::Module sad();     // minor ballad
xm::Module spring();  // light and happy
xm::Module trauma();  // tense and dark

// All six in the game's track order.
std::vector<Track> all();

// Text helpers for the part notation: `n` copies of `s`, and bar strings
// joined into a phrase.
std::string rep(const std::string& s, int n);
std::string cat(const std::vector<std::string>& parts);

}  // namespace songs
