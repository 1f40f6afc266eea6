// sfxgen: writes the game's sound effects (Ogg Vorbis) and music modules
// (XM) into the folder given on the command line. The output is the same,
// byte for byte, on every run with the same libvorbis.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "effects.h"
#include "songs.h"
#include "vorbis_out.h"
#include "xm.h"

namespace {

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);

        // Effects: fixed stream serials, one per file, so the bytes repeat.
        const std::vector<sfx::Effect> effects = sfx::makeEffects();
        uint32_t serial = 0x47420001;
        for (const sfx::Effect& e : effects) {
            std::vector<uint8_t> bytes =
                sfx::encodeOggVorbis(e.pcm, e.rate, 0.5f, serial++, e.file);
            writeFile(dir / e.file, bytes);
            std::printf("%-12s %6zu bytes  %5zu samples at %d Hz\n", e.file.c_str(), bytes.size(),
                        e.pcm.size(), e.rate);
        }

        for (const songs::Track& t : songs::all()) {
            std::vector<uint8_t> bytes = xm::write(t.module);
            writeFile(dir / t.file, bytes);
            std::printf(
                "%-12s %6zu bytes  %d channels, %zu positions, %zu patterns, %zu instruments\n",
                t.file.c_str(), bytes.size(), t.module.channels, t.module.orders.size(),
                t.module.patterns.size(), t.module.instruments.size());
        }
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "sfxgen: %s\n", ex.what());
        return 1;
    }
    return 0;
}
