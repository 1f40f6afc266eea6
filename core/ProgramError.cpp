#include "core/ProgramError.h"

#include <cstdio>
#include <cstdlib>

namespace gb {

void programError(std::string_view message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    std::_Exit(255);
}

}  // namespace gb
