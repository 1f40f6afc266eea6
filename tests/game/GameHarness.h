#pragma once

// Drives the real game object frame by frame: a fake clock, scripted window events, a
// recording display, captured console lines and a private working directory for gb.dat.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/GameAssets.h"
#include "game/TGame.h"
#include "services/Clock.h"
#include "services/Console.h"
#include "services/Graphics.h"
#include "services/ShutdownSignals.h"
#include "services/TKeyboard.h"
#include "tests/support/TRecordingBackend.h"
#include "tests/support/TScriptedEvents.h"

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
        now = 1000;
        setClockSource([this] { return now; });
        keyboard().flush();
        keyboard().clearCloseRequest();
        clearShutdownSignal();
        setEventSource(&events);
        display = std::make_shared<TRecordingBackend>();
        useRenderBackend(display);
        setPrintSink([this](std::string_view line) { console.emplace_back(line); });
    }

    void TearDown() override {
        setPrintSink(nullptr);
        setEventSource(nullptr);
        setClockSource(nullptr);
        game.reset();
        closeGraphics();
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
    bool runUntilState(int wanted, int limit = 20000) {
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

    std::filesystem::path previousDir;
    std::filesystem::path workDir;
    int now = 0;
    TScriptedEvents events;
    std::shared_ptr<TRecordingBackend> display;
    std::vector<std::string> console;
    std::shared_ptr<TGame> game;
};

}  // namespace gb::testing
