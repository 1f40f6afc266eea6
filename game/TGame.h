#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/TSettings.h"
#include "services/TImage.h"

namespace gb {

class TGrid;
class TPiece;
class THiScore;
class THiScoreTable;
class TSoundManager;
class TVector;

// The one game object: it owns every image, both grids, the piece prototypes, the current
// and next piece, the score state, the player's entry, the high-score table and the sound
// manager, and it runs the main loop.
//
// Its operations live in one file per concern: TGameStartUp.cpp (making the game and loading),
// TGameLoop.cpp (the main loop, the screen states and their overlays, the music keys),
// TGameRules.cpp (rules of play), TGameStatus.cpp (the play screen and bitmap text) and
// TGameNameEntry.cpp (name entry and the high-score list).
class TGame {
  public:
    // Screen states, with the codes the game has always had; TGame::title and the others
    // name them.
    enum class ScreenState : int {
        gameOver = -1,
        paused = 0,
        title = 1,
        playing = 2,
        levelUp = 3,
        exitPrompt = 4,
        quit = 5,
        nameEntry = 6,
        options = 7,
    };
    using enum ScreenState;

    // Piece keys, by index into keyCodes and keyStates: the order of setKeys.
    enum class PieceKey : int { moveLeft, moveRight, moveDown, drop, turnRight, turnLeft };
    static constexpr int kPieceKeyCount = 6;

    // Makes the game and runs its loading sequence (which opens the display); nullptr when
    // the display cannot be opened (the reason is on standard error). The game starts with
    // the given settings; levelForRun, from 1 to 9, is a start level for this run only (0:
    // the settings' own).
    [[nodiscard]] static std::shared_ptr<TGame> create();
    [[nodiscard]] static std::shared_ptr<TGame> create(const TSettings& kept, int levelForRun = 0);

    ScreenState state = paused;  // code 0 until init
    ScreenState returnState = paused;
    std::shared_ptr<TVector> spawnPosition;
    int level = 0;
    int score = 0;
    int lines = 0;
    int linesToRemove = 0;
    float fallSpeed = 0.0f;
    float keyInterval = 0.0f;
    std::array<int, kPieceKeyCount> keyStates{};
    std::array<int, kPieceKeyCount> keyCodes{};
    std::array<std::shared_ptr<TPiece>, 7> piecePrototypes;
    std::shared_ptr<TGrid> gameGrid;
    std::shared_ptr<TGrid> previewGrid;
    std::shared_ptr<THiScore> player;
    std::shared_ptr<THiScoreTable> hiScores;
    std::shared_ptr<TPiece> currentPiece;
    std::shared_ptr<TPiece> nextPiece;
    ImageRef spinnerImage;
    float spinnerAngle = 0.0f;
    int colourCycle = 0;
    std::shared_ptr<TSoundManager> soundManager;
    std::vector<std::string> musicFiles;
    std::vector<std::string> soundFiles;

    ImageRef logoImage;
    ImageRef playerLabelImage;
    ImageRef scoreLabelImage;
    ImageRef levelLabelImage;
    ImageRef linesLabelImage;
    ImageRef nextLabelImage;
    ImageRef digitsImage;
    ImageRef lettersImage;
    ImageRef pipesImage;
    ImageRef pausedImage;
    ImageRef startImage;
    ImageRef gameOverImage;
    ImageRef exitImage;
    ImageRef levelUpImage;
    ImageRef keysImage;
    ImageRef quillonLogo;
    ImageRef fmodLogo;
    ImageRef norvaneLogo;
    ImageRef vantrelLogo;
    ImageRef panelImage;
    // The block picture every block and the overlays' rings draw with (one frame per piece
    // kind), and the fruit sheet of both grids' fruit showers.
    ImageRef blockImage;
    ImageRef fruitSheet;

    // The player's choices for the games that follow (from the options, or the command line
    // for one run): the level a new game starts at, 1 to 9, and whether a faint copy of the
    // falling piece shows where a drop would put it.
    int startLevel = 1;
    bool landingShadow = false;
    // The level the game in hand began at (startLevel, kept in 1 to 9).
    int firstLevel = 1;

    // The kept settings: what the options screen shows and changes, and what the music keys
    // change too. keepSettings, when set, stores them: when the options screen closes and when
    // the loop ends.
    TSettings settings;
    std::function<void(const TSettings&)> keepSettings;

    // The options screen: the line chosen, whether it waits for the key of a command, and
    // what refused the last key pressed for one (nothing, another command, the game itself).
    enum class KeyRefusal { none, taken, reserved };
    static constexpr int kOptionLines = 6 + TSettings::kCommandCount;
    int optionLine = 0;
    bool waitingForKey = false;
    KeyRefusal keyRefusal = KeyRefusal::none;

    // The main loop's two accumulators (seconds toward the next keyboard and gravity tick).
    float keyTime = 0.0f;
    float fallTime = 0.0f;

    // Start-up and loading: false when the display cannot be opened.
    [[nodiscard]] bool init();
    void showLoading();
    void loadHiScores();
    void saveHiScores();
    void loadImages();
    void setKeys();
    void resetGame();
    // A game is reset anew when the start level was changed since the last reset.
    void takeStartLevel();
    // Name entry is done and play begins, at the start level chosen by then.
    void beginGame();
    void buildPieces();
    float computeFallSpeed();

    // The play screen's turning disc.
    void turnSpinner();
    void drawSpinner() const;

    // Rules of play.
    void detachPiece();
    [[nodiscard]] bool addPiece();
    void chooseNextPiece();
    void playSound(int effect);
    void drawScreen() const;
    void drawPipes() const;
    void checkLines();
    void scoreLines(int count);
    void pieceFall();
    void updateStatus();
    void handlePieceKeys();
    void handleMusicKeys();

    // The main loop: returns once the player has quit (or the program was asked to end).
    // A frame limit above 0 ends the loop like a close request after that many frames
    // (measuring start-up and idle cost).
    void run(int frameLimit = 0);
    // One frame of the loop; startLoop comes before the first and endLoop after the last.
    // A frame reads the input, updates the game, draws it (drawing only reads), takes the
    // step of play the gravity clock asks for (shown by the next frame) and presents.
    void startLoop();
    void frame();
    void endLoop();

    // What moves on the play screen by itself, once per frame before it is drawn: the grids
    // (their fruit, and the marks of blocks that could not move) and the turning disc.
    void updateScreen();
    // Draws the play screen and the overlay of the current state. Changes nothing.
    void drawFrame() const;

    void restart();
    void cycleColour();
    // Draws the panel and its ring of blocks, starting at colour colourCycle and taking the
    // next colour for each block; answers the colour after the ring's last block.
    int drawBox(int cols, int rows) const;
    void drawPausedScreen() const;
    void drawTitleScreen() const;
    void drawNameEntryScreen() const;
    void drawOptionsScreen() const;
    void drawGameOverScreen() const;
    void drawExitScreen() const;
    void drawLevelUpScreen(int level) const;
    void drawHiScores(int x, int y) const;
    void drawNumber(int value, int y, int right) const;
    int DrawString(const std::string& text, int x, int y) const;

    // The name entry step of one frame.
    void nameEntryStep();
    // Ends the game: the player's score goes into the table, which is saved at once.
    void endGame();

    // The options screen (from the title screen): opening it, one frame of its input, the
    // answer to Esc or the pad's Back (stop waiting for a key, or close and keep the settings).
    void openOptions();
    void optionsStep();
    void optionsBack();

  private:
    // A change of the chosen option's value by one step: direction -1 or +1.
    void changeOption(int direction);
    // The key pressed for the chosen command, when the game and the other commands leave it.
    void bindKey(int code);
    // away: the player left the window or unplugged a gamepad since the last frame.
    void handleStateInput(bool keyboardTick, bool away);
    // The 10 x 10 box with the logo and a blinking two-frame message at (x, 360).
    void drawMessageBox(const ImageRef& message, int x) const;
};

}  // namespace gb
