#include "core/Console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gb {

void print(std::string_view text) {
    if (const LineSink& sink = platform().console.print) {
        sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void initDebugLogFromEnvironment() {
    const char* value = std::getenv("GUMBOLT_DEBUG");
    platform().console.debugOn = value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void detail::emitDebugLine(const std::string& line) {
    if (const LineSink& sink = platform().console.debug) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace gb
