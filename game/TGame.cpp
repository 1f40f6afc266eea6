#include "game/TGame.h"

#include <cstddef>
#include <cstdio>
#include <iterator>

#include "audio/TSoundManager.h"
#include "effects/GradientImage.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/Clock.h"
#include "services/Console.h"
#include "services/Graphics.h"
#include "services/Random.h"
#include "services/ShutdownSignals.h"
#include "services/TDeltaTimer.h"
#include "services/TKeyboard.h"
#include "services/Text.h"
#include "values/TColor.h"
#include "values/TVector.h"

namespace gb {

namespace {

constexpr int kCell = 29;  // pixel size of a block and of a grid cell

// The direction codes of the seven piece kinds.
const std::vector<int> kPieceShapes[7] = {
    {3, 3, 3}, {5, 3, 1}, {3, 5, 3}, {3, 1, 3}, {3, 3, 1}, {3, 3, 5}, {3, 5, 2},
};

// Sound effects by number.
constexpr int kNewPieceSound = 0;
constexpr int kLinesSound = 1;
constexpr int kLevelUpSound = 2;
constexpr int kTurnSound = 3;
constexpr int kKeySound = 4;

// The piece keys in the order of keyCodes and keyStates: each key, what it does to the
// current piece and the effect it plays, whether or not the piece could move.
struct PieceKeyAction {
    TGame::PieceKey index;
    int code;
    void (*act)(TPiece& piece);
    int sound;
};
constexpr PieceKeyAction kPieceKeys[] = {
    {TGame::PieceKey::moveLeft, key::left, [](TPiece& piece) { piece.moveLeft(); }, kKeySound},
    {TGame::PieceKey::moveRight, key::right, [](TPiece& piece) { piece.moveRight(); }, kKeySound},
    {TGame::PieceKey::moveDown, key::down, [](TPiece& piece) { piece.moveDown(); }, kKeySound},
    {TGame::PieceKey::drop, key::up, [](TPiece& piece) { piece.dropDown(); }, kKeySound},
    {TGame::PieceKey::turnRight, key::x, [](TPiece& piece) { piece.rotateRight(); }, kTurnSound},
    {TGame::PieceKey::turnLeft, key::z, [](TPiece& piece) { piece.rotateLeft(); }, kTurnSound},
};

constexpr std::size_t slotOf(TGame::PieceKey key) {
    return static_cast<std::size_t>(key);
}

// The keys are handled in the order of their slots, as the table lists them.
constexpr bool inSlotOrder() {
    for (std::size_t i = 0; i < std::size(kPieceKeys); ++i) {
        if (slotOf(kPieceKeys[i].index) != i) {
            return false;
        }
    }
    return std::size(kPieceKeys) == TGame::kPieceKeyCount;
}
static_assert(inSlotOrder());

ImageRef loadGameImage(const char* file) {
    return loadImage(std::string("incbin::media/gfx/") + file);
}

ImageRef loadStrip(const char* file, int width, int height, int count) {
    return loadAnimImage(std::string("incbin::media/gfx/") + file, width, height, 0, count);
}

// How far the pen moves after a letter of the glyph strip.
int letterAdvance(char ch) {
    switch (ch) {
        case 'i':
        case 'j':
        case 'l':
            return 8;
        case 'I':
            return 10;
        case 'f':
        case 'r':
        case 't':
            return 11;
        case 'L':
            return 12;
        case 'E':
        case 'F':
        case 'P':
            return 14;
        case 'd':
        case 'k':
        case 'q':
            return 17;
        case 'H':
        case 'N':
        case 'O':
        case 'U':
            return 18;
        case 'G':
        case 'Q':
        case 'V':
        case 'w':
            return 20;
        case 'm':
            return 22;
        case 'M':
        case 'W':
            return 24;
        default:
            return ch >= 'A' && ch <= 'Z' ? 16 : 14;
    }
}

// A key pressed since the last look (the count is taken) or still held.
bool hitOrHeld(int code) {
    return (keyHit(code) != 0) | (keyDown(code) != 0);
}

bool isLetter(int ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

}  // namespace

std::shared_ptr<TGame> TGame::create() {
    auto game = std::make_shared<TGame>();
    if (!game->init()) {
        return nullptr;
    }
    return game;
}

bool TGame::init() {
    if (!openGraphics(800, 600, 32, 0, 0)) {
        // Without a display there is nothing to play on: say why in one line and stop.
        std::fprintf(stderr, "Gumbolt: cannot open the display: %s\n", graphicsError().c_str());
        return false;
    }
    setBlend(alphaBlend);
    colourCycle = 0;
    hideMouse();

    showLoading();
    loadHiScores();
    setWindowTitle("Falling Blocks");

    musicFiles = {"media/sfx/extend.xm", "media/sfx/level3.xm", "media/sfx/maddy.xm",
                  "media/sfx/sad.xm",    "media/sfx/spring.xm", "media/sfx/trauma.xm"};
    soundFiles = {"media/sfx/bidip.ogg",   "media/sfx/blip1.ogg",   "media/sfx/boingg.ogg",
                  "media/sfx/clicker.ogg", "media/sfx/keyclik.ogg", "media/sfx/bhump.ogg"};
    soundManager = TSoundManager::create(musicFiles, soundFiles);
    soundManager->playMusic();

    showLoading();
    loadImages();
    showLoading();
    showLoading();

    previewGrid = TGrid::create(TVector::create(6, 6), TVector::create(585, 60),
                                TVector::create(kCell, kCell), 0, TColor::create(64, 0, 64));
    showLoading();
    gameGrid = TGrid::create(TVector::create(10, 20), TVector::create(255, 0),
                             TVector::create(kCell, kCell), 0, TColor::create(64, 0, 64));
    showLoading();

    buildPieces();
    seedRnd(milliSecs());

    showLoading();
    chooseNextPiece();
    showLoading();
    setKeys();
    showLoading();

    spawnPosition = TVector::create(4, 1);
    player = THiScore::create("Player");
    resetGame();
    showLoading();
    state = title;
    return true;
}

void TGame::showLoading() {
    clearScreen();
    drawText("Loading Gumbolt...", 300, 300);
    flip(-1);
}

void TGame::loadHiScores() {
    hiScores = THiScoreTable::create("gb.dat", 5);
}

void TGame::saveHiScores() {
    hiScores->save();
}

void TGame::loadImages() {
    logoImage = loadGameImage("gumbolt.png");
    playerLabelImage = loadGameImage("player.png");
    scoreLabelImage = loadGameImage("score.png");
    levelLabelImage = loadGameImage("level.png");
    linesLabelImage = loadGameImage("lines.png");
    nextLabelImage = loadGameImage("nextBlock.png");
    digitsImage = loadStrip("numbers.png", 24, 28, 10);
    lettersImage = loadStrip("lettersSmall.png", 28, 31, 52);
    pipesImage = loadStrip("pipes.png", 20, 20, 9);
    pausedImage = loadStrip("paused.png", 150, 44, 2);
    startImage = loadStrip("start.png", 190, 35, 2);
    gameOverImage = loadStrip("gameover.png", 222, 46, 2);
    exitImage = loadStrip("exit.png", 251, 40, 2);
    levelUpImage = loadGameImage("levelup.png");
    keysImage = loadGameImage("keys.png");
    quillonLogo = loadGameImage("quillon.png");
    fmodLogo = loadGameImage("fmod.png");
    norvaneLogo = loadGameImage("norvane.png");
    vantrelLogo = loadGameImage("vantrel.png");
    panelImage = makeGradientImage();
    spinnerImage = loadGameImage("yingyang.png");
    midHandleImage(spinnerImage);
    spinnerAngle = 0.0f;
}

void TGame::setKeys() {
    for (const PieceKeyAction& pieceKey : kPieceKeys) {
        keyCodes[slotOf(pieceKey.index)] = pieceKey.code;
    }
}

void TGame::resetGame() {
    level = 1;
    fallSpeed = computeFallSpeed();
    keyInterval = 0.05f;
    score = 0;
    lines = 0;
    linesToRemove = 0;
}

void TGame::buildPieces() {
    for (int kind = 0; kind < 7; ++kind) {
        piecePrototypes[kind] = TPiece::create(kPieceShapes[kind], kind);
    }
    TBlock::setImage(loadAnimImage("incbin::media/gfx/blockList.png",
                                   truncToInt(gameGrid->pitch->x), truncToInt(gameGrid->pitch->y),
                                   0, 7));
}

float TGame::computeFallSpeed() {
    const float t = 1000.0f - (static_cast<float>(level * level) / 10.0f) * 80.0f + 8.0f;
    print(concatText("Level: ", level, ", Speed: ", t, ", Score: ", score, ", Lines: ", lines));
    return t / 1500.0f;
}

void TGame::turnSpinner() {
    spinnerAngle = floatRemainder(spinnerAngle - 1.0f, 360.0f);
}

void TGame::drawSpinner() {
    setRotation(spinnerAngle);
    drawImage(spinnerImage, 400, 590);
    setRotation(0);
}

void TGame::detachPiece() {
    if (currentPiece) {
        debugLog("Detaching piece");
        currentPiece->detach();
        currentPiece = nullptr;
    }
}

bool TGame::addPiece() {
    debugLog("AddPiece");
    bool ok = false;
    if (currentPiece) {
        debugLog("Current Piece exists...");
        if (currentPiece->isStuck()) {
            debugLog("Current Piece stuck");
            ok = true;
            detachPiece();
        }
    } else {
        ok = true;
    }
    if (ok) {
        debugLog("addPiece ");
        nextPiece->removeFromGrid();
        nextPiece->clearGrid();
        currentPiece = nextPiece;
        currentPiece->setGrid(gameGrid);
        currentPiece->applyRotation();
        currentPiece->offsetBy(*spawnPosition);
        currentPiece->position->set(*spawnPosition);
        if (!currentPiece->addToGrid()) {
            debugLog("failed to add piece ", currentPiece->kind);
            ok = false;
        } else {
            playSound(kNewPieceSound);
            flushKeys();
        }
        chooseNextPiece();
    }
    return ok;
}

void TGame::chooseNextPiece() {
    const int k = rand(1, 7) - 1;
    debugLog("Next Piece Index = ", k);
    nextPiece = TPiece::createCopy(*piecePrototypes[k]);
    nextPiece->angle = rand(1, 4) * 90;
    nextPiece->setGrid(previewGrid);
    nextPiece->applyRotation();
    nextPiece->offsetBy(TVector(2, 2));
    nextPiece->position->setXY(2, 2);
    nextPiece->addToGrid();
}

void TGame::playSound(int effect) {
    soundManager->playSound(effect);
}

void TGame::drawScreen() {
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
    turnSpinner();
    drawSpinner();
    drawImage(vantrelLogo, 40, 400);
    drawImage(keysImage, 590, 250);
    drawImage(fmodLogo, 30, 520);
    drawImage(norvaneLogo, 620, 480);
}

void TGame::drawPipes() {
    constexpr int horizontal = 1, vertical = 3;
    for (int x = 20; x <= 780; x += 20) {
        if (x < 225 || x > 545) {
            drawImage(pipesImage, x, 0, horizontal);
        }
        drawImage(pipesImage, x, 580, horizontal);
    }
    for (int y = 20; y <= 560; y += 20) {
        drawImage(pipesImage, 0, y, vertical);
        drawImage(pipesImage, 780, y, vertical);
        drawImage(pipesImage, 235, y, vertical);
        drawImage(pipesImage, 545, y, vertical);
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

void TGame::checkLines() {
    linesToRemove = gameGrid->findFullLines();
    if (linesToRemove > 0) {
        playSound(kLinesSound);
        scoreLines(linesToRemove);
        lines += linesToRemove;
    }
}

void TGame::scoreLines(int count) {
    score += level * 10 * count * count;
    if (static_cast<long long>(score) > 100LL * level * level * level) {
        ++level;
        state = levelUp;
        playSound(kLevelUpSound);
        soundManager->nextTrack();
        soundManager->pause();
        gameGrid->clear();
        fallSpeed = computeFallSpeed();
    }
}

void TGame::pieceFall() {
    debugLog("pieceFall");
    if (currentPiece->moveDown()) {
        return;
    }
    if (!addPiece()) {
        endGame();
    } else {
        checkLines();
    }
}

void TGame::updateStatus() {
    debugLog("updateStatus");
    if (linesToRemove > 0) {
        debugLog("lines to remove");
        if (currentPiece) {
            currentPiece->removeFromGrid();
        }
        debugLog("fall grid");
        gameGrid->collapse();
        linesToRemove = 0;
        if (currentPiece) {
            currentPiece->addToGrid();
            pieceFall();
        }
    } else if (currentPiece) {
        pieceFall();
    } else if (!addPiece()) {
        endGame();
    }
}

void TGame::endGame() {
    state = gameOver;
    player->score = score;
    hiScores->addPlayer(*player);
    flushKeys();
    // Saved at once, so a finished game's score survives whatever happens to the program later.
    hiScores->save();
}

void TGame::handlePieceKeys() {
    if (!currentPiece) {
        return;
    }
    for (const PieceKeyAction& pieceKey : kPieceKeys) {
        const std::size_t i = slotOf(pieceKey.index);
        const int code = keyCodes[i];
        int& keyState = keyStates[i];
        // 1 on a press, then 2 and 3 while held, then -1 (repeating) until released.
        if (keyHit(code)) {
            keyState = 1;
        } else if (keyDown(code)) {
            if (keyState > 0) {
                ++keyState;
                if (keyState > 3) {
                    keyState = -1;
                }
            }
        } else {
            keyState = 0;
        }
        if (keyState != 1 && keyState != -1) {
            continue;
        }
        pieceKey.act(*currentPiece);
        playSound(pieceKey.sound);
    }
}

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
    if (hitOrHeld(key::minus) | hitOrHeld(key::padMinus)) {
        soundManager->volumeDown();
    }
    if (hitOrHeld(key::equals) | hitOrHeld(key::padPlus)) {
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
    drawImageRect(panelImage, x0 - 15, y0 + 15, width, height);

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

void TGame::drawNameEntryScreen() {
    const int remembered = colourCycle;
    drawBox(10, 10);
    drawImage(logoImage, 287, 170);
    DrawString("Enter Your Name", 289, 340);
    const int end = DrawString(player->name, 290, 380);
    // The cursor takes the colour the ring ended on.
    TBlock::drawAt(TVector(static_cast<float>(end + 2), 380.0f), colourCycle);
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

void TGame::drawHiScores(int x, int y) {
    DrawString("Hi Scores", x + 50, y);
    y += 40;
    for (auto link = hiScores->firstLink(); link != nullptr; link = link->nextLink()) {
        DrawString(link->value()->name, x, y);
        drawNumber(link->value()->score, y, x + 250);
        y += 30;
    }
}

void TGame::drawNumber(int value, int y, int right) {
    setColor(255, 255, 255);
    const std::string digits = intToText(value);
    int x = right - 26;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, x -= 26) {
        if (*it >= '0' && *it <= '9') {
            drawImage(digitsImage, static_cast<float>(x), static_cast<float>(y), *it - '0');
        }
    }
}

int TGame::DrawString(const std::string& text, int x, int y) {
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

void TGame::nameEntryStep() {
    const int ch = getChar();
    debugLog("Letter entered [", ch, "] ", static_cast<char>(ch));
    std::string& name = player->name;
    if (keyHit(key::enter)) {
        state = playing;
        flushKeys();
    } else if (const int presses = keyHit(key::del) + keyHit(key::backspace); presses > 0) {
        // One letter per press, also for presses that arrive within one frame.
        for (int i = 0; i < presses && !name.empty(); ++i) {
            name.pop_back();
        }
        playSound(kKeySound);
    } else if (isLetter(ch) || ch == ' ') {
        name.push_back(static_cast<char>(ch));
        playSound(kKeySound);
    }
    if (name.size() >= 9) {
        name.pop_back();
    }
}

}  // namespace gb
