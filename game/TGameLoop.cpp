// TGame, the main loop and its screens: frames, the two timers, the screen states and their
// overlays, and the music keys that work on every screen.
#include "game/TGame.h"

#include "audio/TSoundManager.h"
#include "core/Console.h"
#include "core/ShutdownSignals.h"
#include "core/TDeltaTimer.h"
#include "core/Text.h"
#include "game/GameConstants.h"
#include "game/GameControls.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "values/TVector.h"

namespace gb {

void TGame::handleMusicKeys() {
    if (keyHit(key::m)) {
        soundManager->togglePause();
    }
    if (controls::hits(controls::nextTrackKeys) > 0) {
        soundManager->nextTrack();
    }
    if (controls::hits(controls::previousTrackKeys) > 0) {
        soundManager->previousTrack();
    }
    // The volume keys act while held. "-" and "=" (or "+") on the main keyboard, the keypad's
    // "-" and "+", which every layout has in the same place, and a gamepad's triggers and
    // right stick.
    if (controls::hitOrHeld(controls::volumeDownKeys)) {
        soundManager->volumeDown();
    }
    if (controls::hitOrHeld(controls::volumeUpKeys)) {
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
    // The frame's input, read once: every key query below sees the same keyboard.
    pollEvents();
    TDeltaTimer::update();
    const float delta = TDeltaTimer::deltaTime();

    if (controls::hits(controls::exitPromptKeys) > 0) {
        if (state != exitPrompt) {
            returnState = state;
            // Only a button pressed while the prompt shows answers it.
            controls::dropTypedButtons();
        }
        state = exitPrompt;
    }
    // A close request from the window system or a termination signal ends the program the
    // way a confirmed quit does.
    if (appCloseRequested() || shutdownSignalled()) {
        state = quit;
    }

    // The player left the window or lost a gamepad: a game in play pauses (below); on every
    // other screen nothing changes.
    const bool away = pauseRequested();

    keyTime += delta;
    const bool keyboardTick = keyTime > keyInterval;
    if (keyboardTick) {
        keyTime = floatRemainder(keyTime, keyInterval);
        handleMusicKeys();
    }

    handleStateInput(keyboardTick, away);
    updateScreen();

    clearScreen();
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

void TGame::handleStateInput(bool keyboardTick, bool away) {
    switch (state) {
        case playing:
            if ((controls::hits(controls::pauseKeys) > 0) || away) {
                state = paused;
                soundManager->pause();
                flushKeys();
            } else if (keyboardTick) {
                handlePieceKeys();
            }
            break;
        case paused:
        case levelUp:
            if (controls::anyKeyTyped()) {
                state = playing;
                soundManager->togglePause();
                flushKeys();
            }
            break;
        case title:
            if (controls::anyKeyTyped()) {
                state = nameEntry;
                flushKeys();
            }
            break;
        case nameEntry:
            nameEntryStep();
            break;
        case gameOver:
            if (controls::anyKeyTyped()) {
                restart();
            }
            break;
        case exitPrompt: {
            const int ch = getChar();
            const int button = getButton();
            if (ch != 0) {
                debugLog("Key = ", ch);
            }
            if (ch == 'Y' || ch == 'y' || button == controls::yesButton) {
                state = quit;
            } else if (ch == 'N' || ch == 'n' || button == controls::noButton) {
                state = returnState;
            }
            break;
        }
        case quit:
            break;
    }
}

void TGame::updateScreen() {
    gameGrid->update();
    previewGrid->update();
    turnSpinner();
}

void TGame::drawFrame() const {
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

int TGame::drawBox(int cols, int rows) const {
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
    int colour = colourCycle;
    auto block = [&] {
        TBlock::drawAt(blockImage, TVector(static_cast<float>(x), static_cast<float>(y)), colour);
        colour = (colour + 1) % 7;
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
    return colour;
}

// The overlays' ring starts on colourCycle in every frame, so its colours move on only with
// gravity ticks; their messages blink between two frames on the same beat.

void TGame::drawPausedScreen() const {
    drawMessageBox(pausedImage, 325);
}

void TGame::drawTitleScreen() const {
    drawBox(10, 16);
    drawImage(logoImage, 287, 70);
    drawImage(startImage, 300, 260, colourCycle % 2);
    drawHiScores(275, 300);
}

void TGame::drawGameOverScreen() const {
    drawMessageBox(gameOverImage, 289);
}

void TGame::drawExitScreen() const {
    drawMessageBox(exitImage, 274);
}

void TGame::drawMessageBox(const ImageRef& message, int x) const {
    drawBox(10, 10);
    drawImage(logoImage, 287, 170);
    drawImage(message, static_cast<float>(x), 360, colourCycle % 2);
}

void TGame::drawLevelUpScreen(int newLevel) const {
    // The box waits until the fruit of the cleared grid has finished falling.
    if (gameGrid->hasFruits()) {
        return;
    }
    drawBox(10, 10);
    drawImage(logoImage, 287, 170);
    drawImage(levelUpImage, 334, 360, 0);
    drawNumber(newLevel, 360, 460);
}

}  // namespace gb
