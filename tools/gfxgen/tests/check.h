// A minimal check counter shared by the generator's test files.
#pragma once

#include <cstdio>
#include <string>

namespace gfxtest {

inline int& passed() {
    static int n = 0;
    return n;
}
inline int& failed() {
    static int n = 0;
    return n;
}

inline void check(bool ok, const std::string& what) {
    if (ok) {
        ++passed();
    } else {
        ++failed();
        std::printf("FAILED: %s\n", what.c_str());
    }
}

inline bool near(double a, double b, double tol) {
    return a - b <= tol && b - a <= tol;
}

// Test groups, one function per file.
void canvasTests();
void pictureTests();

}  // namespace gfxtest
