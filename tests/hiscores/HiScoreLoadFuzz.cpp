// libFuzzer target: any bytes as the high-score file must load into a table that is sorted
// by descending score, holds at most 5 entries of 8-character names, and that sortAndTrim
// leaves as it is.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/Console.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "hiscores/THiScoreTable.h"

namespace {

const std::string& scratchFile() {
    static const std::string path = "/tmp/gumbolt-hiscores-fuzz-" + std::to_string(::getpid());
    return path;
}

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each input runs on a platform of its own, whose console swallows the lines.
    gb::TPlatform platform;
    gb::TPlatformScope installed(platform);
    platform.console.print = [](std::string_view) {};
    std::FILE* file = std::fopen(scratchFile().c_str(), "wb");
    require(file != nullptr);
    require(std::fwrite(data, 1, size, file) == size);
    require(std::fclose(file) == 0);

    auto table = gb::THiScoreTable::create(scratchFile(), 5);
    const std::string loaded = table->toString();
    int count = 0;
    const gb::THiScore* previous = nullptr;
    for (auto* link = table->firstLink(); link != nullptr; link = link->nextLink()) {
        const gb::THiScore* entry = link->value().get();
        require(entry->name.size() == 8);
        require(previous == nullptr || previous->score >= entry->score);
        previous = entry;
        ++count;
    }
    require(count <= 5);
    require(count == static_cast<int>((size + 11) / 12 < 5 ? (size + 11) / 12 : 5));
    table->sortAndTrim();
    require(table->toString() == loaded);
    std::remove(scratchFile().c_str());
    return 0;
}
