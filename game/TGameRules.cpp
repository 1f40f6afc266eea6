// TGame, rules of play: pieces entering, falling and moving, lines, score, level and the
// end of a game.
#include "game/TGame.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <span>

#include "audio/TSoundManager.h"
#include "core/Console.h"
#include "core/Random.h"
#include "core/Text.h"
#include "game/GameConstants.h"
#include "game/GameControls.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/TKeyboard.h"
#include "values/TVector.h"

namespace gb {

namespace {

// The piece keys in the order of keyCodes and keyStates: the settings' command that holds its
// keyboard key, the keypad's and gamepad's keys that do the same, what it does to the current
// piece and the effect it plays, whether or not the piece could move.
struct PieceKeyAction {
    TGame::PieceKey index;
    TSettings::Command command;
    std::span<const int> alsoKeys;
    void (*act)(TPiece& piece);
    int sound;
};
constexpr PieceKeyAction kPieceKeys[] = {
    {TGame::PieceKey::moveLeft, TSettings::Command::left, controls::moveLeftKeys,
     [](TPiece& piece) { piece.moveLeft(); }, kKeySound},
    {TGame::PieceKey::moveRight, TSettings::Command::right, controls::moveRightKeys,
     [](TPiece& piece) { piece.moveRight(); }, kKeySound},
    {TGame::PieceKey::moveDown, TSettings::Command::down, controls::moveDownKeys,
     [](TPiece& piece) { piece.moveDown(); }, kKeySound},
    {TGame::PieceKey::drop, TSettings::Command::drop, controls::dropKeys,
     [](TPiece& piece) { piece.dropDown(); }, kKeySound},
    {TGame::PieceKey::turnRight, TSettings::Command::turnRight, controls::turnRightKeys,
     [](TPiece& piece) { piece.rotateRight(); }, kTurnSound},
    {TGame::PieceKey::turnLeft, TSettings::Command::turnLeft, controls::turnLeftKeys,
     [](TPiece& piece) { piece.rotateLeft(); }, kTurnSound},
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

// The levels a game can begin at.
constexpr int kLowestStartLevel = 1;
constexpr int kHighestStartLevel = 9;

// The score a game passes to leave a level.
long long levelThreshold(int level) {
    return 100LL * level * level * level;
}

}  // namespace

void TGame::setKeys() {
    for (const PieceKeyAction& pieceKey : kPieceKeys) {
        keyCodes[slotOf(pieceKey.index)] = settings.keyOf(pieceKey.command);
    }
}

void TGame::resetGame() {
    // Whatever the options hold, a game begins at a level it has a speed and a threshold for.
    firstLevel = std::clamp(startLevel, kLowestStartLevel, kHighestStartLevel);
    level = firstLevel;
    fallSpeed = computeFallSpeed();
    keyInterval = 0.05f;
    score = 0;
    lines = 0;
    linesToRemove = 0;
}

void TGame::takeStartLevel() {
    // The options are open on the title screen, after the last reset: a start level changed
    // there since is taken now. With none changed the game stays as the reset left it.
    if (std::clamp(startLevel, kLowestStartLevel, kHighestStartLevel) != firstLevel) {
        resetGame();
    }
}

void TGame::beginGame() {
    takeStartLevel();
    state = playing;
}

float TGame::computeFallSpeed() {
    const float t = 1000.0f - (static_cast<float>(level * level) / 10.0f) * 80.0f + 8.0f;
    print(concatText("Level: ", level, ", Speed: ", t, ", Score: ", score, ", Lines: ", lines));
    return t / 1500.0f;
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
    nextPiece = TPiece::createCopy(*piecePrototypes[static_cast<std::size_t>(k)]);  // 0..6
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
    // A game begun at level N counts, toward the thresholds, the score that reaching N takes
    // (the threshold of level N - 1), without adding it to the score: its first level-up
    // takes the points, and so the lines, that level N takes in a game begun at 1, and every
    // later one the same as there. Each clear still scores by the level it is made at, and
    // the score shown and kept in the table is only what was scored in this game. A game
    // begun at 1 counts nothing: the thresholds are 100 x level^3 of its score.
    const long long counted = static_cast<long long>(score) + levelThreshold(firstLevel - 1);
    if (counted > levelThreshold(level)) {
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
        // Any of the keys of the piece key: the counts of all of them are taken.
        const int hits = keyHit(code) + controls::hits(pieceKey.alsoKeys);
        // 1 on a press, then 2 and 3 while held, then repeating until released: -1 and -2 in
        // turn, acting on both. Only -1 sounds, so a held key clicks every other tick and a run
        // of repeats is no louder than one press (every tick, the clicks would pile up).
        if (hits > 0) {
            keyState = 1;
        } else if (keyDown(code) || controls::held(pieceKey.alsoKeys)) {
            if (keyState > 0) {
                ++keyState;
                if (keyState > 3) {
                    keyState = -1;
                }
            } else if (keyState < 0) {
                keyState = keyState == -1 ? -2 : -1;
            }
        } else {
            keyState = 0;
        }
        if (keyState != 1 && keyState >= 0) {
            continue;
        }
        pieceKey.act(*currentPiece);
        if (keyState != -2) {
            playSound(pieceKey.sound);
        }
    }
}

}  // namespace gb
