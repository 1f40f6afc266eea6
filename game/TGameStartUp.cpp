// TGame, start-up: making the game object, the loading sequence and what it loads.
#include "game/TGame.h"

#include <cstdio>
#include <string>
#include <vector>

#include "audio/TSoundManager.h"
#include "core/Clock.h"
#include "core/Random.h"
#include "core/Text.h"
#include "effects/GradientImage.h"
#include "effects/TFruitShower.h"
#include "game/GameConstants.h"
#include "hiscores/THiScore.h"
#include "hiscores/THiScoreTable.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/Graphics.h"
#include "values/TColor.h"
#include "values/TVector.h"

namespace gb {

namespace {

// The direction codes of the seven piece kinds.
const std::vector<int> kPieceShapes[7] = {
    {3, 3, 3}, {5, 3, 1}, {3, 5, 3}, {3, 1, 3}, {3, 3, 1}, {3, 3, 5}, {3, 5, 2},
};

ImageRef loadGameImage(const char* file) {
    return loadImage(std::string("incbin::media/gfx/") + file);
}

ImageRef loadStrip(const char* file, int width, int height, int count) {
    return loadAnimImage(std::string("incbin::media/gfx/") + file, width, height, 0, count);
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
    if (!openGraphics(kScreenWidth, kScreenHeight, 32, 0, 0)) {
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
    hiScores->saveAtExit();
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
    fruitSheet = TFruitShower::loadSheet();
}

void TGame::buildPieces() {
    for (std::size_t kind = 0; kind < piecePrototypes.size(); ++kind) {
        piecePrototypes[kind] = TPiece::create(kPieceShapes[kind], static_cast<int>(kind));
    }
    blockImage = loadAnimImage("incbin::media/gfx/blockList.png", truncToInt(gameGrid->pitch->x),
                               truncToInt(gameGrid->pitch->y), 0, 7);
    for (TGrid* grid : {gameGrid.get(), previewGrid.get()}) {
        grid->blockImage = blockImage;
        grid->fruits->sheet = fruitSheet;
    }
}

}  // namespace gb
