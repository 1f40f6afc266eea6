#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/TSoundManager.h"
#include "core/Console.h"
#include "core/EmbeddedFiles.h"
#include "core/TPlatformScope.h"
#include "core/Text.h"
#include "tests/support/PlatformSkips.h"
#include "tests/support/StatePrinters.h"
#include "tests/support/TTestPlatform.h"

namespace gb {
namespace {

using testing::FakeSoundLibrary;
using testing::TTestPlatform;
using Lines = std::vector<std::string>;
constexpr MusicState stopped = MusicState::stopped;
constexpr MusicState paused = MusicState::paused;
constexpr MusicState playing = MusicState::playing;

const std::string kInvalidLine =
    "FMOD Error status : An invalid parameter was passed To this Function";

class SoundManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static const unsigned char bytes[] = {1, 2, 3, 4};
        for (int i = 0; i < 6; ++i) {
            music.push_back(concatText("media/sfx/test-track", i, ".xm"));
            sounds.push_back(concatText("media/sfx/test-effect", i, ".ogg"));
            registerEmbeddedFile(music.back(), bytes, sizeof bytes);
            registerEmbeddedFile(sounds.back(), bytes, sizeof bytes);
        }
        platform.console.debug = [this](std::string_view line) { debugLines.emplace_back(line); };
        platform.console.debugOn = true;
    }

    // A started manager on the given track in the given state; start-up output is forgotten.
    std::shared_ptr<TSoundManager> managerIn(MusicState state, int track = 0) {
        auto manager = TSoundManager::create(music, sounds);
        manager->currentTrack = track;
        manager->musicState = state;
        printed.clear();
        debugLines.clear();
        library.calls.clear();
        return manager;
    }

    TTestPlatform platform;
    TPlatformScope installed{platform};
    FakeSoundLibrary& library = platform.sound;
    Lines& printed = platform.printed;
    Lines debugLines;
    Lines music;
    Lines sounds;
};

TEST_F(SoundManagerTest, StartUpSetsTheVolumeThenLoadsTracksAndEffectsInOrder) {
    auto manager = TSoundManager::create(music, sounds);

    Lines calls = {"Init 22000 256 0", "SetMasterVolume null 128", "SetSFXMasterVolume 128"};
    Lines lines = {"Sound initialized."};
    for (const auto& name : music) {
        calls.push_back("LoadSongEx data 0 4 32769 null 0");
        lines.push_back("Track Loaded " + name);
    }
    for (const auto& name : sounds) {
        calls.push_back("Sample_Load -1 data 32768 0 4");
        lines.push_back("Sound Loaded " + name);
    }
    EXPECT_EQ(library.calls, calls);
    EXPECT_EQ(printed, lines);
    EXPECT_EQ(debugLines, (Lines{"Volume changed to 128", "SFX Volume changed to 128"}));
    EXPECT_EQ(manager->musicHandles[5], reinterpret_cast<FMUSIC_MODULE*>(0x105));
    EXPECT_EQ(manager->soundHandles[0], reinterpret_cast<FSOUND_SAMPLE*>(0x200));
    EXPECT_EQ(manager->soundFiles, sounds);
    EXPECT_EQ(manager->volume, 128);
    EXPECT_EQ(manager->musicState, stopped);
}

TEST_F(SoundManagerTest, FailedStartStillAttemptsEveryLoadAndNullHandlesArePassedOn) {
    library.initResult = 0;
    library.loadsFail = true;
    library.errorOnFailure = kSoundNotInitialised;
    auto manager = TSoundManager::create(music, sounds);

    const std::string errorLine =
        "FMOD Error status : This command failed because FSOUND_Init Or FSOUND_SetOutput was "
        "Not called";
    Lines lines = {"Sound failed to initialize."};
    for (int i = 0; i < 6; ++i) {
        lines.insert(lines.end(), {"Track failed to load.", errorLine});
    }
    for (int i = 0; i < 6; ++i) {
        lines.insert(lines.end(), {"Sound failed to load.", errorLine});
    }
    EXPECT_EQ(printed, lines);

    printed.clear();
    library.calls.clear();
    manager->playSound(3);  // never reported
    manager->playMusic();
    EXPECT_EQ(library.calls, (Lines{"PlaySound -1 null", "PlaySong null"}));
    EXPECT_EQ(printed, (Lines{"Music track failed to play " + music[0], errorLine}));
}

TEST_F(SoundManagerTest, UnregisteredFileReachesTheLibraryAsNullAndZero) {
    const auto manager = TSoundManager::create({"media/sfx/missing.xm"}, {});
    EXPECT_EQ(library.calls.back(), "LoadSongEx null 0 0 32769 null 0");
    EXPECT_EQ(printed, (Lines{"Sound initialized.", "Track failed to load.", kInvalidLine}));
}

// The musicState machine, one row per case: state before, operation, what the library answers,
// state after, the calls it gets and the lines printed. Track 2 is current.
TEST_F(SoundManagerTest, MusicStateMachine) {
    using Op = void (TSoundManager::*)();
    struct Row {
        MusicState from;
        Op op;
        int answer;
        MusicState to;
        Lines calls;
        Lines lines;
    };
    const std::string name = "media/sfx/test-track2.xm";
    const Lines played = {"PlaySong #2", "SetMasterVolume #2 128", "SetSFXMasterVolume 128"};
    const Lines failedToPlay = {"Music track failed to play " + name, kInvalidLine};
    const std::vector<Row> rows = {
        {stopped, &TSoundManager::playMusic, 1, playing, played, {"Music playing " + name}},
        {paused, &TSoundManager::playMusic, 1, playing, played, {"Music playing " + name}},
        {playing, &TSoundManager::playMusic, 1, playing, played, {"Music playing " + name}},
        {playing, &TSoundManager::playMusic, 0, stopped, {"PlaySong #2"}, failedToPlay},
        {paused,
         &TSoundManager::playMusic,
         2,
         stopped,
         {"PlaySong #2"},
         failedToPlay},  // only 1 is success
        {playing,
         &TSoundManager::stopMusic,
         1,
         stopped,
         {"StopSong #2"},
         {"Music track stopped " + name}},
        {playing,
         &TSoundManager::stopMusic,
         0,
         playing,
         {"StopSong #2"},
         {"Music track failed to stop playing " + name, kInvalidLine}},
        {playing, &TSoundManager::togglePause, 0, paused, {"SetPaused #2 1"}, {}},  // pausing is
                                                                                    // unchecked
        {playing, &TSoundManager::pause, 1, paused, {"SetPaused #2 1"}, {}},
        {paused, &TSoundManager::togglePause, 1, playing, {"SetPaused #2 0"}, {}},
        {paused,
         &TSoundManager::togglePause,
         0,
         paused,
         {"SetPaused #2 0"},
         {"Music track failed to pause " + name, kInvalidLine}},
        {stopped, &TSoundManager::togglePause, 1, stopped, {}, {}},
        {stopped, &TSoundManager::pause, 1, stopped, {}, {}},
        {stopped, &TSoundManager::stopMusic, 1, stopped, {}, {}},
        {paused, &TSoundManager::pause, 1, paused, {}, {}},
        {paused, &TSoundManager::stopMusic, 1, paused, {}, {}},
        {playing, &TSoundManager::update, 1, playing, {"IsFinished #2"}, {}},
        {paused, &TSoundManager::update, 1, paused, {}, {}},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(concatText("row ", int(i)));
        const Row& row = rows[i];
        auto manager = managerIn(row.from, 2);
        library.result = row.answer;
        (manager.get()->*row.op)();
        EXPECT_EQ(manager->musicState, row.to);
        EXPECT_EQ(library.calls, row.calls);
        EXPECT_EQ(printed, row.lines);
    }

    // A finished song moves on to the next track.
    auto manager = managerIn(playing, 2);
    library.finished = 1;
    manager->update();
    EXPECT_EQ(manager->currentTrack, 3);
    EXPECT_EQ(library.calls[2], "PlaySong #3");
}

TEST_F(SoundManagerTest, TracksWrapBothWaysAndAPausedSongIsLeftPaused) {
    auto manager = managerIn(playing, 5);
    manager->nextTrack();
    EXPECT_EQ(manager->currentTrack, 0);
    EXPECT_EQ(printed, (Lines{"Music track stopped " + music[5], "Music playing " + music[0]}));
    manager->previousTrack();
    manager->previousTrack();
    EXPECT_EQ(manager->currentTrack, 4);
    EXPECT_EQ(library.calls[library.calls.size() - 3], "PlaySong #4");

    manager = managerIn(paused, 0);
    manager->previousTrack();
    EXPECT_EQ(library.calls[0], "PlaySong #5");  // no StopSong for the paused one
    EXPECT_EQ(manager->musicState, playing);
}

TEST_F(SoundManagerTest, VolumeStepsByEightWithinZeroTo255) {
    auto manager = managerIn(stopped);
    std::vector<int> steps;
    for (int i = 0; i < 17; ++i) {
        manager->volumeUp();
        steps.push_back(manager->volume);
    }
    for (int i = 0; i < 34; ++i) {
        manager->volumeDown();
        steps.push_back(manager->volume);
    }
    std::vector<int> expected;
    for (int v = 136; v <= 248; v += 8) {
        expected.push_back(v);
    }
    expected.insert(expected.end(), {255, 255});
    for (int v = 247; v >= 7; v -= 8) {
        expected.push_back(v);
    }
    expected.insert(expected.end(), {0, 0, 0});
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(library.calls[0], "SetMasterVolume #0 136");
    EXPECT_EQ(library.calls[1], "SetSFXMasterVolume 136");
    EXPECT_EQ(debugLines[1], "SFX Volume changed to 136");
    EXPECT_TRUE(printed.empty());
}

TEST_F(SoundManagerTest, RefusedVolumeTakesTheLibrarysValueAndEachHalfReports) {
    auto manager = managerIn(playing);
    library.result = 0;
    manager->setVolume(200);
    EXPECT_EQ(manager->volume, 77);
    EXPECT_EQ(printed, (Lines{"Volume not changed to 200", kInvalidLine}));

    printed.clear();
    library.result = 1;
    library.sfxResult = 0;
    manager->setVolume(40);
    EXPECT_EQ(manager->volume, 40);
    EXPECT_EQ(printed, (Lines{"Volume not changed to 40", kInvalidLine}));
}

// The text for every code the library can report, and for codes it cannot.
TEST_F(SoundManagerTest, ErrorTextsNameEveryLibraryCode) {
    const Lines texts = {
        "No errors",
        "Cannot call this command after FSOUND_Init. Call FSOUND_Close first.",
        "This command failed because FSOUND_Init Or FSOUND_SetOutput was Not called",
        "Error initializing output device.",
        "Error initializing output device, but more specifically, the output device is already "
        "in use And cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does Not support the features needed For this soundsystem (16bit stereo "
        "output)",
        "Error setting cooperative level For hardware.",
        "Error creating hardware sound buffer.",
        "File Not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory Or resources",
        "The version number of this file format is Not supported",
        "An invalid parameter was passed To this Function",
        "Tried To use an EAX command on a non EAX enabled channel Or output.",
        "Failed To allocate a New channel",
        "Recording is Not supported on this machine",
        "Windows Media Player Not installed so cannot play wma Or use internet streaming.",
        "An error occured trying To open the specified CD device",
    };
    for (int code = 0; code < static_cast<int>(texts.size()); ++code) {
        library.error = code;
        EXPECT_EQ(errorText(), texts[static_cast<std::size_t>(code)]) << "code " << code;
    }
    for (int code : {-1, 20, 1000}) {
        library.error = code;
        EXPECT_EQ(errorText(), "Unknown Error") << "code " << code;
    }
    library.error = kSoundFileNotFound;
    TSoundManager manager;
    manager.printError();
    EXPECT_EQ(printed, Lines{"FMOD Error status : File Not found"});
}

// The game's platform always has a sound library; a platform without one that is asked to
// play is a program fault, not a silent game.
TEST(SoundLibrary, ACallWithoutASoundLibraryIsAProgramFault) {
    TPlatform platform;
    TPlatformScope installed(platform);
    GUMBOLT_EXPECT_EXIT(FSOUND_Init(22000, 256, 0), ::testing::ExitedWithCode(255),
                        "No sound library was made for the platform");
}

}  // namespace
}  // namespace gb
