// gfxgen: writes the game's pictures.
//   gfxgen OUTDIR          every picture of the catalogue into OUTDIR
//   gfxgen --docs DOCSDIR  contact sheet and screen mock-ups
//   gfxgen --icons DIR     the desktop icon at each installed size, DIR/gumbolt-SIZE.png
//   gfxgen --fonts         each picture and icon with the fonts its lettering comes from
#include <cstdio>
#include <exception>
#include <string>

#include "catalogue.h"
#include "docs.h"
#include "text.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: gfxgen OUTDIR | gfxgen --docs DOCSDIR | gfxgen --icons DIR | "
                 "gfxgen --fonts\n");
    return 2;
}

int writeAll(const std::string& dir) {
    for (const gfx::Picture& p : gfx::catalogue()) {
        gfx::Canvas c = p.make();
        if (c.w != p.w || c.h != p.h) {
            std::fprintf(stderr, "gfxgen: %s came out %dx%d instead of %dx%d\n", p.file.c_str(),
                         c.w, c.h, p.w, p.h);
            return 1;
        }
        std::string path = dir + "/" + p.file;
        if (!gfx::writePng(c, path)) {
            std::fprintf(stderr, "gfxgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

int writeIcons(const std::string& dir) {
    for (int size : gfx::kIconSizes) {
        std::string path = dir + "/gumbolt-" + std::to_string(size) + ".png";
        if (!gfx::writePng(gfx::makeIcon(size), path)) {
            std::fprintf(stderr, "gfxgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

// One line per picture and icon: its path in the repository, then the Debian packages of the
// fonts its lettering is rendered from (none for a picture without lettering). The
// package's copyright file must credit those fonts for that file.
int listFonts() {
    auto line = [](const std::string& path) {
        std::string out = path;
        const unsigned used = gfx::takeFacesUsed();
        for (gfx::Face f : {gfx::Face::Display, gfx::Face::Sans})
            if (used & (1u << int(f)))
                out += " " + gfx::facePackage(f);
        std::printf("%s\n", out.c_str());
    };
    gfx::takeFacesUsed();
    for (const gfx::Picture& p : gfx::catalogue()) {
        p.make();
        line("media/gfx/" + p.file);
    }
    for (int size : gfx::kIconSizes) {
        gfx::makeIcon(size);
        line("packaging/icons/gumbolt-" + std::to_string(size) + ".png");
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        int rc;
        if (argc == 2 && argv[1][0] != '-')
            rc = writeAll(argv[1]);
        else if (argc == 3 && std::string(argv[1]) == "--docs")
            rc = gfx::writeDocs(argv[2]) ? 0 : 1;
        else if (argc == 3 && std::string(argv[1]) == "--icons")
            rc = writeIcons(argv[2]);
        else if (argc == 2 && std::string(argv[1]) == "--fonts")
            rc = listFonts();
        else
            return usage();
        gfx::doneFonts();
        return rc;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gfxgen: %s\n", e.what());
        return 1;
    }
}
