#pragma once

#include <string_view>

union SDL_Event;

namespace gb {

class TGamepads;
class TKeyboard;

// Applies one window-system event to the keyboard state: key presses (auto-repeat ignored) and
// releases, typed characters, focus changes (which flush; losing the focus or being minimised
// also asks for a pause) and close requests. Game controller events go to the pads, when
// there are any. Events the keyboard has no use for are ignored.
void deliverSdlEvent(const SDL_Event& event, TKeyboard& keyboard, TGamepads* pads = nullptr);

// Queues every character of UTF-8 text, one character code per character. A malformed byte
// is queued as its own code, so nothing typed is silently lost.
void queueTypedText(std::string_view utf8, TKeyboard& keyboard);

}  // namespace gb
