#pragma once

#include <string>
#include <vector>

#include "core/TPlatform.h"
#include "tests/support/FakeSoundLibrary.h"
#include "tests/support/TRecordingBackend.h"
#include "tests/support/TScriptedEvents.h"

namespace gb::testing {

// A platform with stand-ins for every device: a clock that reads `now`, scripted window
// events, a recording display and a recording sound library; print's lines are collected in
// `printed`. Install it with a TPlatformScope for as long as a test needs it.
class TTestPlatform : public TPlatform {
  public:
    TTestPlatform();

    int now = 1000;  // what milliSecs reads
    TScriptedEvents& events;
    TRecordingBackend& recording;
    FakeSoundLibrary& sound;
    std::vector<std::string> printed;
};

}  // namespace gb::testing
