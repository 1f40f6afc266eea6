#pragma once

// Drives the real game object frame by frame on a platform of stand-ins (a fake clock,
// scripted window events, a recording display and sound library, captured console lines),
// in a private working directory for gb.dat.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Console.h"
#include "core/ShutdownSignals.h"
#include "core/TPlatformScope.h"
#include "game/GameAssets.h"
#include "game/TGame.h"
#include "services/Graphics.h"
#include "services/TKeyboard.h"
#include "tests/support/StatePrinters.h"
#include "tests/support/TTestPlatform.h"

namespace gb::testing {

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
