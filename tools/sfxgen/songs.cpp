#include "songs.h"

namespace songs {

std::string rep(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::string cat(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts)
        out += p;
    return out;
}

std::vector<Track> all() {
    return {extend(), level3(), maddy(), sad(), spring(), trauma()};
}

}  // namespace songs
