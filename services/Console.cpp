#include "services/Console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gb {

namespace detail {
bool debugLogOn = false;
}

namespace {
LineSink& printSink() {
    static LineSink sink;
    return sink;
}
LineSink& debugSink() {
    static LineSink sink;
    return sink;
}
}  // namespace

void print(std::string_view text) {
    if (printSink()) {
        printSink()(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void setPrintSink(LineSink sink) {
    printSink() = std::move(sink);
}

void setDebugLogEnabled(bool on) {
    detail::debugLogOn = on;
}

void setDebugSink(LineSink sink) {
    debugSink() = std::move(sink);
}

void initDebugLogFromEnvironment() {
    const char* value = std::getenv("GUMBOLT_DEBUG");
    detail::debugLogOn = value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void detail::emitDebugLine(const std::string& line) {
    if (debugSink()) {
        debugSink()(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace gb
