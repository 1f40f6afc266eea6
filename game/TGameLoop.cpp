// TGame, the main loop and its screens: frames, the two timers, the screen states and their
// overlays, and the music keys that work on every screen.
#include "game/TGame.h"

#include "audio/TSoundManager.h"
#include "game/GameConstants.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "services/Console.h"
#include "services/Graphics.h"
#include "services/ShutdownSignals.h"
#include "services/TDeltaTimer.h"
#include "services/TKeyboard.h"
#include "services/Text.h"
#include "values/TVector.h"

namespace gb {

namespace {

// A key pressed since the last look or still held. Both are read every time: looking takes
// the count of presses.
bool hitOrHeld(int code) {
    const bool hit = keyHit(code) != 0;
    const bool held = keyDown(code);
    return hit || held;
}

}  // namespace

void TGame::handleMusicKeys() {
    if (keyHit(key::m)) {
        soundManager->togglePause();
    }
    if (keyHit(key::period)) {
        soundManager->nextTrack();
    }
    if (keyHit(key::comma)) {
        soundManager->previousTrack();
    }
    // The volume keys act while held. "-" and "=" (or "+") on the main keyboard, and the
    // keypad's "-" and "+", which every layout has in the same place.
    // Both keys of a pair are looked at, so that neither keeps a press for later.
    const bool down = hitOrHeld(key::minus);
    const bool padDown = hitOrHeld(key::padMinus);
    if (down || padDown) {
        soundManager->volumeDown();
    }
    const bool up = hitOrHeld(key::equals);
    const bool padUp = hitOrHeld(key::padPlus);
    if (up || padUp) {
        soundManager->volumeUp();
    }
}

void TGame::run(int frameLimit) {
    startLoop();
    for (int frames = 1; state != quit; ++frames) {
        frame();
        if (frames == frameLimit) {
            state = quit;
        }
    }
    endLoop();
}

void TGame::startLoop() {
    keyTime = 0.0f;
    fallTime = 0.0f;
    TDeltaTimer::start();
}

void TGame::frame() {
    clearScreen();
    TDeltaTimer::update();
    const float delta = TDeltaTimer::deltaTime();

    if (keyHit(key::escape)) {
        if (state != exitPrompt) {
            returnState = state;
        }
        state = exitPrompt;
    }
    // A close request from the window system or a termination signal ends the program the
    // way a confirmed quit does.
    if (appCloseRequested() || shutdownSignalled()) {
        state = quit;
    }

    keyTime += delta;
    const bool keyboardTick = keyTime > keyInterval;
    if (keyboardTick) {
        keyTime = floatRemainder(keyTime, keyInterval);
        handleMusicKeys();
    }

    handleStateInput(keyboardTick);
    drawFrame();

    fallTime += delta;
    if (fallTime > fallSpeed) {
        fallTime = floatRemainder(fallTime, fallSpeed);
        debugLog("Update Status fallTime ", fallTime, " > fallSpeed ", fallSpeed);
        if (state == playing) {
            updateStatus();
        } else if (state != quit) {
            cycleColour();
        }
    }
    flip(-1);
}

void TGame::endLoop() {
    soundManager->close();
    saveHiScores();
}

void TGame::handleStateInput(bool keyboardTick) {
    switch (state) {
        case playing:
            if (keyHit(key::p)) {
                state = paused;
                soundManager->pause();
                flushKeys();
            } else if (keyboardTick) {
                handlePieceKeys();
            }
            break;
        case paused:
        case levelUp:
            if (getChar() != 0) {
                state = playing;
                soundManager->togglePause();
                flushKeys();
            }
            break;
        case title:
            if (getChar() != 0) {
                state = nameEntry;
                flushKeys();
            }
            break;
        case nameEntry:
            nameEntryStep();
            break;
        case gameOver:
            if (getChar() != 0) {
                restart();
            }
            break;
        case exitPrompt: {
            const int ch = getChar();
            if (ch != 0) {
                debugLog("Key = ", ch);
            }
            if (ch == 'Y' || ch == 'y') {
                state = quit;
            } else if (ch == 'N' || ch == 'n') {
                state = returnState;
            }
            break;
        }
        case quit:
            break;
    }
}

void TGame::drawFrame() {
    drawScreen();
    switch (state) {
        case paused:
            drawPausedScreen();
            break;
        case title:
            drawTitleScreen();
            break;
        case gameOver:
            drawGameOverScreen();
            break;
        case levelUp:
            drawLevelUpScreen(level);
            break;
        case exitPrompt:
            drawExitScreen();
            break;
        case nameEntry:
            drawNameEntryScreen();
            break;
        case playing:
        case quit:
            break;
    }
}

void TGame::restart() {
    state = title;
    flushKeys();
    gameGrid->clear();
    resetGame();
    currentPiece = nullptr;
}

void TGame::cycleColour() {
    colourCycle = (colourCycle + 1) % 7;
}

void TGame::drawBox(int cols, int rows) {
    const int width = cols * kCell;
    const int height = rows * kCell;
    const int x0 = graphicsWidth() / 2 - width / 2 + 15;
    const int y0 = graphicsHeight() / 2 - height / 2 - 29;
    setColor(255, 255, 255);
    // The box is laid out in whole pixels.
    drawImageRect(panelImage, static_cast<float>(x0 - 15), static_cast<float>(y0 + 15),
                  static_cast<float>(width), static_cast<float>(height));

    int x = x0;
    int y = y0;
    auto block = [&] {
        TBlock::drawAt(TVector(static_cast<float>(x), static_cast<float>(y)), colourCycle);
        cycleColour();
    };
    for (int i = 0; i < cols; ++i) {
        block();
        x += kCell;
    }
    x -= kCell;
    for (int i = 0; i < rows; ++i) {
        y += kCell;
        block();
    }
    for (int i = 0; i < cols; ++i) {
        x -= kCell;
        block();
    }
    for (int i = 0; i < rows; ++i) {
        y -= kCell;
        block();
    }
}

void TGame::drawPausedScreen() {
    drawMessageBox(pausedImage, 325);
}

void TGame::drawTitleScreen() {
    const int remembered = colourCycle;
    drawBox(10, 16);
    drawImage(logoImage, 287, 70);
    drawImage(startImage, 300, 260, remembered % 2);
    drawHiScores(275, 300);
    colourCycle = remembered;
}

void TGame::drawGameOverScreen() {
    drawMessageBox(gameOverImage, 289);
}

void TGame::drawExitScreen() {
    drawMessageBox(exitImage, 274);
}

void TGame::drawMessageBox(const ImageRef& message, int x) {
    // The ring starts on the same colour in every frame: the colour moves on only with
    // gravity ticks. The message blinks between its two frames on the same beat.
    const int remembered = colourCycle;
    drawBox(10, 10);
    drawImage(logoImage, 287, 170);
    drawImage(message, static_cast<float>(x), 360, remembered % 2);
    colourCycle = remembered;
}

void TGame::drawLevelUpScreen(int newLevel) {
    // The box waits until the fruit of the cleared grid has finished falling.
    if (gameGrid->hasFruits()) {
        return;
    }
    const int remembered = colourCycle;
    drawBox(10, 10);
    drawImage(logoImage, 287, 170);
    drawImage(levelUpImage, 334, 360, 0);
    drawNumber(newLevel, 360, 460);
    colourCycle = remembered;
}

}  // namespace gb
