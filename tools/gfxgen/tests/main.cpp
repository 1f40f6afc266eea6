#include <cstdio>

#include "check.h"

int main() {
    gfxtest::canvasTests();
    gfxtest::pictureTests();
    std::printf("%d passed, %d failed\n", gfxtest::passed(), gfxtest::failed());
    return gfxtest::failed() == 0 ? 0 : 1;
}
