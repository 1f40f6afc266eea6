#pragma once

// Drives the real game object frame by frame on a platform of stand-ins (a fake clock,
// scripted window events, a recording display and sound library, captured console lines),
// in a private working directory for gb.dat.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Console.h"
#include "core/ShutdownSignals.h"
#include "core/TPlatformScope.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "playfield/TBlock.h"
#include "playfield/TGrid.h"
#include "playfield/TPiece.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "tests/support/StatePrinters.h"
#include "tests/support/TTestPlatform.h"
#include "values/TVector.h"

namespace gb::testing {

// Seconds between two gravity steps at a level: (1008 - 8 level^2) / 1500.
inline double fallIntervalAt(int level) {
    return (1008.0 - 8.0 * level * level) / 1500.0;
}

class GameHarness : public ::testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        previousDir = fs::current_path();
        workDir = fs::temp_directory_path() /
                  ("gumbolt-game-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(workDir);
        fs::create_directories(workDir);
        fs::current_path(workDir);

        registerGameAssets();
        initDebugLogFromEnvironment();
        clearShutdownSignal();
    }

    void TearDown() override {
        game.reset();
        std::filesystem::current_path(previousDir);
        std::filesystem::remove_all(workDir);
    }

    void startGame() {
        game = TGame::create();
        game->startLoop();
    }

    // Runs n frames, each ms milliseconds after the previous one.
    void frames(int n, int ms = 17) {
        for (int i = 0; i < n; ++i) {
            now += ms;
            game->frame();
        }
    }

    // A key pressed and released before the next frame; ch is the character it types (0: none).
    void tap(int code, int ch = 0) { events.tap(code, ch); }
    void press(int code) { events.press(code); }
    void release(int code) { events.release(code); }
    // Types a character with the key that makes it.
    void type(int ch) {
        int code = ch;
        if (ch >= 'a' && ch <= 'z') {
            code = ch - 32;
        } else if (ch == '.') {
            code = key::period;
        } else if (ch == ',') {
            code = key::comma;
        } else if (ch == '-') {
            code = key::minus;
        } else if (ch == '=') {
            code = key::equals;
        }
        tap(code, ch);
    }

    // Frames until the game reaches a state (at most limit frames).
    bool runUntilState(TGame::ScreenState wanted, int limit = 20000) {
        for (int i = 0; i < limit && game->state != wanted; ++i) {
            frames(1);
        }
        return game->state == wanted;
    }

    // Title -> name entry -> playing, keeping the name.
    void startPlaying() {
        type('g');
        frames(1);
        ASSERT_EQ(game->state, TGame::nameEntry);
        tap(key::enter, 13);
        frames(1);
        ASSERT_EQ(game->state, TGame::playing);
    }

    // Plays until a piece falls.
    void waitForPiece() {
        for (int i = 0; i < 200 && !game->currentPiece; ++i) {
            frames(1);
        }
        ASSERT_NE(game->currentPiece, nullptr);
    }

    // Fills every empty cell of a row except the given columns with settled blocks.
    void fillRow(int row, const std::vector<int>& gaps = {}) {
        for (int column = 0; column < 10; ++column) {
            const TVector cell(static_cast<float>(column), static_cast<float>(row));
            if (std::find(gaps.begin(), gaps.end(), column) == gaps.end() &&
                game->gameGrid->isFree(cell)) {
                auto block = TBlock::create(cell, 0, nullptr);
                ASSERT_TRUE(game->gameGrid->addBlock(block)) << column << "," << row;
            }
        }
    }

    // Fills the bottom rows, drops the falling piece onto them and plays until it has landed
    // and the rows have been scored; a level-up is left on its screen.
    void landOnFullRows(int rows) {
        for (int i = 0; i < 300 && game->linesToRemove > 0; ++i) {
            frames(1);  // the rows of the previous landing collapse first
        }
        for (int row = 19; row > 19 - rows; --row) {
            fillRow(row);
        }
        const int linesBefore = game->lines;
        tap(key::up);
        for (int i = 0; i < 300 && game->lines == linesBefore; ++i) {
            frames(1);
        }
        ASSERT_EQ(game->lines, linesBefore + rows);
    }

    // Takes the falling piece away and fills the top four rows but for their last column, so
    // that no new piece can enter; plays until the game is over.
    void playUntilTheStackReachesTheTop() {
        game->currentPiece->removeFromGrid();
        game->currentPiece = nullptr;
        for (int row = 0; row < 4; ++row) {
            fillRow(row, {9});
        }
        ASSERT_TRUE(runUntilState(TGame::gameOver, 300));
    }

    // An unturned L in place of the falling piece, centred at (4, 5.5), with gravity stopped
    // so that only the keys move it.
    void placeFreshPiece() {
        waitForPiece();
        game->currentPiece->removeFromGrid();
        auto piece = TPiece::createCopy(*game->piecePrototypes[4]);
        piece->setGrid(game->gameGrid);
        piece->position->setXY(4.0f, 5.5f);
        piece->applyRotation();
        piece->offsetBy(*piece->position);
        ASSERT_TRUE(piece->addToGrid());
        game->currentPiece = piece;
        game->fallSpeed = 1000.0f;
    }

    // The cells of the falling piece's blocks, in the piece's order.
    std::vector<std::pair<int, int>> fallingCells() const {
        std::vector<std::pair<int, int>> cells;
        for (const BlockRef& block : game->currentPiece->blocks) {
            cells.emplace_back(block->position->roundX(), block->position->roundY());
        }
        return cells;
    }

    // The platform is installed from the fixture's construction to its destruction, around
    // SetUp and TearDown.
    TTestPlatform platform;
    TPlatformScope installed{platform};
    int& now = platform.now;
    TScriptedEvents& events = platform.events;
    TRecordingBackend* display = &platform.recording;
    std::vector<std::string>& console = platform.printed;

    std::filesystem::path previousDir;
    std::filesystem::path workDir;
    std::shared_ptr<TGame> game;
};

}  // namespace gb::testing
