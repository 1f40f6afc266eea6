// TGame, name entry and the high-score list.
#include "game/TGame.h"

#include <string>

#include "core/Console.h"
#include "game/GameConstants.h"
#include "game/GameControls.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TBlock.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "values/TVector.h"

namespace gb {

namespace {

bool isLetter(int ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

}  // namespace

void TGame::nameEntryStep() {
    const int ch = getChar();
    debugLog("Letter entered [", ch, "] ", static_cast<char>(ch));
    std::string& name = player->name;
    if (isLetter(ch) || ch == ' ') {
        // The letter goes in first. An Enter, Backspace or Delete pressed in the same frame
        // waits for the next one: Enter and Backspace come after the letter in the queue of
        // typed characters when they were typed after it, and before it when they were
        // typed before it (then this frame would have taken them first).
        name.push_back(static_cast<char>(ch));
        playSound(kKeySound);
    } else if ((keyHit(key::enter) > 0) || getButton() == controls::startButton) {
        // The name is typed on the keyboard; a gamepad's Start plays with the name shown.
        state = playing;
        flushKeys();
    } else if (const int presses = keyHit(key::del) + keyHit(key::backspace); presses > 0) {
        // One letter per press, also for presses that arrive within one frame.
        for (int i = 0; i < presses && !name.empty(); ++i) {
            name.pop_back();
        }
        playSound(kKeySound);
    }
    if (name.size() >= 9) {
        name.pop_back();
    }
}

void TGame::drawNameEntryScreen() const {
    const int afterRing = drawBox(10, 10);
    drawImage(logoImage, 287, 170);
    DrawString("Enter Your Name", 289, 340);
    const int end = DrawString(player->name, 290, 380);
    // The cursor takes the colour after the ring's last block.
    TBlock::drawAt(blockImage, TVector(static_cast<float>(end + 2), 380.0f), afterRing);
}

void TGame::drawHiScores(int x, int y) const {
    DrawString("Hi Scores", x + 50, y);
    y += 40;
    for (auto link = hiScores->firstLink(); link != nullptr; link = link->nextLink()) {
        DrawString(link->value()->name, x, y);
        drawNumber(link->value()->score, y, x + 250);
        y += 30;
    }
}

}  // namespace gb
