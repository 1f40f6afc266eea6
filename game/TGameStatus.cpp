// TGame, the play screen and bitmap text: panels, labels, grids, pipes, logos, the turning
// disc, the digit font and the letter font.
#include "game/TGame.h"

#include <string>

#include "core/Console.h"
#include "core/LetterAdvance.h"
#include "core/Text.h"
#include "hiscores/THiScore.h"
#include "playfield/TGrid.h"
#include "services/Graphics.h"

namespace gb {

void TGame::drawScreen() const {
    setColor(255, 255, 255);
    drawImageRect(panelImage, 20, 20, 216, 560);
    drawImageRect(panelImage, 565, 20, 216, 560);
    setColor(255, 255, 255);
    drawImage(quillonLogo, 105, 170);
    drawImage(playerLabelImage, 25, 230);
    DrawString(player->name, 130, 225);
    gameGrid->draw();
    drawImage(scoreLabelImage, 25, 280);
    drawNumber(score, 280, 230);
    drawImage(levelLabelImage, 25, 330);
    drawNumber(level, 330, 230);
    drawImage(nextLabelImage, 600, 25);
    previewGrid->draw();
    drawPipes();
    drawImage(logoImage, 15, 10);
    drawSpinner();
    drawImage(vantrelLogo, 40, 400);
    drawImage(keysImage, 590, 250);
    drawImage(fmodLogo, 30, 520);
    drawImage(norvaneLogo, 620, 480);
}

void TGame::drawPipes() const {
    constexpr int horizontal = 1, vertical = 3;
    for (int x = 20; x <= 780; x += 20) {
        const auto left = static_cast<float>(x);
        if (x < 225 || x > 545) {
            drawImage(pipesImage, left, 0, horizontal);
        }
        drawImage(pipesImage, left, 580, horizontal);
    }
    for (int y = 20; y <= 560; y += 20) {
        const auto top = static_cast<float>(y);
        drawImage(pipesImage, 0, top, vertical);
        drawImage(pipesImage, 780, top, vertical);
        drawImage(pipesImage, 235, top, vertical);
        drawImage(pipesImage, 545, top, vertical);
    }
    drawImage(pipesImage, 0, 0, 0);
    drawImage(pipesImage, 235, 0, 2);
    drawImage(pipesImage, 545, 0, 0);
    drawImage(pipesImage, 780, 0, 2);
    drawImage(pipesImage, 0, 580, 6);
    drawImage(pipesImage, 780, 580, 8);
    drawImage(pipesImage, 235, 580, 7);
    drawImage(pipesImage, 545, 580, 7);
}

void TGame::turnSpinner() {
    spinnerAngle = floatRemainder(spinnerAngle - 1.0f, 360.0f);
}

void TGame::drawSpinner() const {
    setRotation(spinnerAngle);
    drawImage(spinnerImage, 400, 590);
    setRotation(0);
}

void TGame::drawNumber(int value, int y, int right) const {
    setColor(255, 255, 255);
    const std::string digits = intToText(value);
    int x = right - 26;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, x -= 26) {
        if (*it >= '0' && *it <= '9') {
            drawImage(digitsImage, static_cast<float>(x), static_cast<float>(y), *it - '0');
        }
    }
}

int TGame::DrawString(const std::string& text, int x, int y) const {
    setColor(255, 255, 255);
    int cx = x;
    for (const char ch : text) {
        if (ch >= 'a' && ch <= 'z') {
            drawImage(lettersImage, static_cast<float>(cx), static_cast<float>(y),
                      2 * (ch - 'a') + 1);
            cx += letterAdvance(ch);
        } else if (ch >= 'A' && ch <= 'Z') {
            drawImage(lettersImage, static_cast<float>(cx), static_cast<float>(y), 2 * (ch - 'A'));
            cx += letterAdvance(ch);
        } else if (ch == ' ') {
            cx += 16;
        } else {
            debugLog("DrawString unknown character : ", ch);
        }
    }
    return cx;
}

}  // namespace gb
