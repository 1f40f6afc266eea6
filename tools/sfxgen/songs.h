// The six music tracks of the game, each composed by its own function.
#pragma once

#include <string>
#include <vector>

#include "analysis.h"
#include "xm.h"

namespace songs {

struct Track {
    std::string file;
    xm::Module module;
    std::vector<analysis::Part> parts;         // what each channel plays
    std::vector<analysis::Allowance> allowed;  // clashes the song wants for their colour
};

Track extend();  // bright opener
Track level3();  // driving
Track maddy();   // bouncy
Track sad();     // minor ballad
Track spring();  // light and happy
Track trauma();  // tense and dark

// All six in the game's track order.
std::vector<Track> all();

// Text helpers for the part notation: `n` copies of `s`, and bar strings
// joined into a phrase.
std::string rep(const std::string& s, int n);
std::string cat(const std::vector<std::string>& parts);

}  // namespace songs
