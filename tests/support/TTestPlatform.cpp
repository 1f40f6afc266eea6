#include "tests/support/TTestPlatform.h"

namespace gb::testing {

TTestPlatform::TTestPlatform()
    : events(makeEventSource<TScriptedEvents>()),
      recording(makeDisplay<TRecordingBackend>()),
      sound(makeSoundLibrary<FakeSoundLibrary>()) {
    clock = [this] { return now; };
    console.print = [this](std::string_view line) { printed.emplace_back(line); };
}

}  // namespace gb::testing
