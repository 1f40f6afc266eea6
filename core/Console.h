#pragma once

#include <string>
#include <string_view>

#include "core/TPlatform.h"
#include "core/Text.h"

namespace gb {

// The console of the installed platform: print's lines and the debug channel go to its sinks,
// or to standard output and standard error when it has none.

// Writes one line to standard output (the console) and flushes it.
void print(std::string_view text);

namespace detail {
void emitDebugLine(const std::string& line);
}  // namespace detail

// The debug channel is silent unless switched on: by GUMBOLT_DEBUG=1 in the environment
// (lines go to standard error) or by a test that turns it on with a sink of its own.
inline bool debugLogEnabled() {
    return platform().console.debugOn;
}

// Reads GUMBOLT_DEBUG once at start-up.
void initDebugLogFromEnvironment();

// Writes a trace line made of the given parts (see concatText). While the channel is
// silent the parts are never turned into text, so a trace costs one branch.
template <class... Parts>
inline void debugLog(const Parts&... parts) {
    if (debugLogEnabled()) {
        detail::emitDebugLine(concatText(parts...));
    }
}

}  // namespace gb
