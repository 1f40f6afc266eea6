#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "services/Text.h"

namespace gb {

using LineSink = std::function<void(std::string_view)>;

// Writes one line to standard output (the console) and flushes it.
void print(std::string_view text);

// Sends print's lines somewhere else (tests); an empty sink restores standard output.
void setPrintSink(LineSink sink);

namespace detail {
extern bool debugLogOn;
void emitDebugLine(const std::string& line);
}  // namespace detail

// The debug channel is silent unless switched on: by GUMBOLT_DEBUG=1 in the environment
// (lines go to standard error) or by a test that installs a sink.
inline bool debugLogEnabled() {
    return detail::debugLogOn;
}
void setDebugLogEnabled(bool on);
void setDebugSink(LineSink sink);

// Reads GUMBOLT_DEBUG once at start-up.
void initDebugLogFromEnvironment();

// Writes a trace line made of the given parts (see concatText). While the channel is
// silent the parts are never turned into text, so a trace costs one branch.
template <class... Parts>
inline void debugLog(const Parts&... parts) {
    if (detail::debugLogOn) {
        detail::emitDebugLine(concatText(parts...));
    }
}

}  // namespace gb
