// TGame, the options screen: choosing a line, changing its value, binding a command's key,
// and drawing it all in the overlays' box.
#include <algorithm>
#include <string>

#include "audio/TSoundManager.h"
#include "core/Console.h"
#include "game/GameConstants.h"
#include "game/GameControls.h"
#include "game/KeyNames.h"
#include "game/TGame.h"
#include "playfield/TBlock.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "values/TVector.h"

namespace gb {

namespace {

// The lines above the keys, in order; the keys follow in the order of TSettings::Command.
enum Line : int {
    volumeLine,
    musicLine,
    trackLine,
    levelLine,
    shadowLine,
    screenLine,
    firstKeyLine
};

constexpr const char* kValueLabels[] = {"Volume",      "Music",  "Track",
                                        "Start Level", "Shadow", "Screen"};

// What moves through the lines besides the arrow keys: the keypad's arrows, the D-pad and the
// left stick; what starts a key's change besides Enter: the pad's A.
constexpr int kUpKeys[] = {key::up, key::pad8, key::gamepadDpadUp, key::gamepadLeftStickUp};
constexpr int kDownKeys[] = {key::down, key::pad2, key::gamepadDpadDown, key::gamepadLeftStickDown};
constexpr int kLessKeys[] = {key::left, key::pad4, key::gamepadDpadLeft, key::gamepadLeftStickLeft};
constexpr int kMoreKeys[] = {key::right, key::pad6, key::gamepadDpadRight,
                             key::gamepadLeftStickRight};
constexpr int kChooseKeys[] = {key::enter, key::gamepadA};

// The layout: a box of 18 x 17 cells; the title, then one line per option, then a hint.
constexpr int kBoxColumns = 18;
constexpr int kBoxRows = 17;
constexpr int kTitleY = 58;
constexpr int kFirstLineY = 96;
constexpr int kLineStep = 27;
constexpr int kMarkerX = 188;
constexpr int kLabelX = 222;
constexpr int kValueX = 420;
constexpr int kHintY = 458;

TSettings::Command commandOf(int line) {
    return static_cast<TSettings::Command>(line - firstKeyLine);
}

const char* onOff(bool on) {
    return on ? "On" : "Off";
}

bool isGamepadKey(int code) {
    return code >= key::gamepadFirst && code <= key::gamepadLast;
}

}  // namespace

void TGame::openOptions() {
    debugLog("Options opened");
    state = options;
    optionLine = 0;
    waitingForKey = false;
    keyRefusal = KeyRefusal::none;
    flushKeys();
}

void TGame::optionsBack() {
    keyRefusal = KeyRefusal::none;
    if (waitingForKey) {
        waitingForKey = false;
        return;
    }
    state = title;
    // The title shows the level the next game begins at.
    takeStartLevel();
    flushKeys();
    if (keepSettings) {
        keepSettings(settings);
    }
}

void TGame::optionsStep() {
    if (waitingForKey) {
        // The first key with a name that was pressed; a pad button gives up the wait.
        for (int code = 1; code < TKeyboard::kKeyCount && waitingForKey; ++code) {
            if (keyHit(code) == 0) {
                continue;
            }
            if (isGamepadKey(code)) {
                waitingForKey = false;
                keyRefusal = KeyRefusal::none;
            } else if (!keyName(code).empty()) {
                bindKey(code);
            }
        }
        flushKeys();
        return;
    }
    controls::dropTypedButtons();
    while (getChar() != 0) {
    }
    if (controls::hits(kUpKeys) > 0) {
        optionLine = (optionLine + kOptionLines - 1) % kOptionLines;
        keyRefusal = KeyRefusal::none;
    }
    if (controls::hits(kDownKeys) > 0) {
        optionLine = (optionLine + 1) % kOptionLines;
        keyRefusal = KeyRefusal::none;
    }
    const int less = controls::hits(kLessKeys);
    const int more = controls::hits(kMoreKeys);
    const int chosen = controls::hits(kChooseKeys);
    if (optionLine >= firstKeyLine) {
        if (chosen > 0) {
            waitingForKey = true;
            keyRefusal = KeyRefusal::none;
            flushKeys();
        }
        return;
    }
    if (less > 0) {
        changeOption(-1);
    }
    if (more > 0 || chosen > 0) {
        changeOption(1);
    }
}

void TGame::changeOption(int direction) {
    switch (optionLine) {
        case volumeLine:
            if (direction > 0) {
                soundManager->volumeUp();
            } else {
                soundManager->volumeDown();
            }
            settings.volume = soundManager->volume;
            break;
        case musicLine:
            soundManager->togglePause();
            settings.music = soundManager->musicState == MusicState::playing;
            break;
        case trackLine:
            if (direction > 0) {
                soundManager->nextTrack();
            } else {
                soundManager->previousTrack();
            }
            settings.track = soundManager->currentTrack;
            break;
        case levelLine:
            startLevel = std::clamp(startLevel + direction, 1, 9);
            settings.startLevel = startLevel;
            break;
        case shadowLine:
            landingShadow = !landingShadow;
            settings.landingShadow = landingShadow;
            break;
        case screenLine:
            settings.fullscreen = !settings.fullscreen;
            break;
        default:
            break;
    }
    playSound(kKeySound);
}

void TGame::bindKey(int code) {
    const TSettings::Command command = commandOf(optionLine);
    if (TSettings::isFixedKey(code)) {
        keyRefusal = KeyRefusal::reserved;
        return;
    }
    if (settings.commandWithKey(code, command) >= 0) {
        keyRefusal = KeyRefusal::taken;
        return;
    }
    settings.keyOf(command) = code;
    setKeys();
    waitingForKey = false;
    keyRefusal = KeyRefusal::none;
    playSound(kKeySound);
}

void TGame::drawOptionsScreen() const {
    const int afterRing = drawBox(kBoxColumns, kBoxRows);
    DrawString("Options", kLabelX, kTitleY);
    for (int line = 0; line < kOptionLines; ++line) {
        const int y = kFirstLineY + line * kLineStep;
        if (line == optionLine) {
            // The marker takes the colour after the ring's last block, as the name's cursor.
            TBlock::drawAt(blockImage,
                           TVector(static_cast<float>(kMarkerX), static_cast<float>(y + 1)),
                           afterRing);
        }
        std::string value;
        if (line < firstKeyLine) {
            DrawString(kValueLabels[line], kLabelX, y);
            switch (line) {
                case volumeLine:
                    value = std::to_string(settings.volume);
                    break;
                case musicLine:
                    value = onOff(settings.music);
                    break;
                case trackLine:
                    value = std::to_string(settings.track + 1);
                    break;
                case levelLine:
                    value = std::to_string(startLevel);
                    break;
                case shadowLine:
                    value = onOff(landingShadow);
                    break;
                default:
                    value = settings.fullscreen ? "Full Screen" : "Window";
                    break;
            }
        } else {
            const TSettings::Command command = commandOf(line);
            DrawString(std::string(TSettings::label(command)), kLabelX, y);
            value = keyName(settings.keyOf(command));
            if (line == optionLine && waitingForKey) {
                value = keyRefusal == KeyRefusal::taken      ? "Taken"
                        : keyRefusal == KeyRefusal::reserved ? "Reserved"
                                                             : "Press A Key";
            }
        }
        // A value waiting for its key blinks with the overlays' messages.
        if (!(line == optionLine && waitingForKey && colourCycle % 2 == 1 &&
              keyRefusal == KeyRefusal::none)) {
            DrawString(value, kValueX, y);
        }
    }
    const char* hint = waitingForKey                ? "Esc Keeps The Old Key"
                       : optionLine >= firstKeyLine ? "Enter Changes   Esc Closes"
                                                    : "Esc Closes";
    DrawString(hint, kLabelX, kHintY);
}

}  // namespace gb
