#include "sdl/TSdlEvents.h"

#include <SDL_events.h>

#include "sdl/KeyMap.h"
#include "sdl/TGamepads.h"
#include "services/TKeyboard.h"

namespace gb {

namespace {

// The control characters a desktop text event carries for these keys. SDL's text input
// reports printable text only, but the character queue is expected to hold what a desktop
// window's character messages would: Enter, Backspace, Escape and Tab as codes 13, 8, 27, 9.
int controlCharacterFor(SDL_Keycode symbol) {
    switch (symbol) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_TAB:
            return 9;
        default:
            return 0;
    }
}

// Length of the UTF-8 sequence a lead byte starts, or 0 for a byte that cannot lead one.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        return 4;
    }
    return 0;
}

}  // namespace

void queueTypedText(std::string_view utf8, TKeyboard& keyboard) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = sequenceLength(lead);
        bool wellFormed = length > 0 && i + length <= utf8.size();
        int code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; wellFormed && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            wellFormed = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (wellFormed) {
            keyboard.charTyped(code);
            i += length;
        } else {
            keyboard.charTyped(lead);
            ++i;
        }
    }
}

void deliverSdlEvent(const SDL_Event& event, TKeyboard& keyboard, TGamepads* pads) {
    switch (event.type) {
        case SDL_KEYDOWN: {
            const SDL_Keycode symbol = event.key.keysym.sym;
            const int code = keyCodeForSymbol(symbol);
            // A held key's auto-repeat is not a new press, but it does repeat the character,
            // as typing does.
            if (code != 0 && event.key.repeat == 0) {
                keyboard.keyPressed(code);
            }
            if (const int ch = controlCharacterFor(symbol); ch != 0) {
                keyboard.charTyped(ch);
            }
            break;
        }
        case SDL_KEYUP:
            if (const int code = keyCodeForSymbol(event.key.keysym.sym); code != 0) {
                keyboard.keyReleased(code);
            }
            break;
        case SDL_TEXTINPUT:
            queueTypedText(event.text.text, keyboard);
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                // A browser reports a tab put in the back as hidden.
                case SDL_WINDOWEVENT_FOCUS_LOST:
                case SDL_WINDOWEVENT_MINIMIZED:
                case SDL_WINDOWEVENT_HIDDEN:
                    keyboard.focusChanged();
                    keyboard.requestPause();
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                case SDL_WINDOWEVENT_RESTORED:
                    keyboard.focusChanged();
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    keyboard.closeRequested();
                    break;
                default:
                    break;
            }
            break;
        case SDL_QUIT:
            keyboard.closeRequested();
            break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION:
            if (pads != nullptr) {
                pads->deliver(event, keyboard);
            }
            break;
        default:
            break;
    }
}

}  // namespace gb
