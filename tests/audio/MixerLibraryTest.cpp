#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/TMixerLibrary.h"
#include "audio/TSoundManager.h"
#include "core/Console.h"
#include "core/EmbeddedFiles.h"
#include "core/EmbeddedMedia.h"
#include "core/TPlatform.h"
#include "core/TPlatformScope.h"
#include "tests/audio/AudioFixtures.h"
#include "tests/support/StatePrinters.h"

namespace gb {
namespace {

using testing::makeTestModule;
using testing::makeTestOgg;
using testing::rms;
using Lines = std::vector<std::string>;

constexpr int kRate = 22000;
constexpr unsigned kSongMode = FSOUND_LOADMEMORY | FSOUND_LOOP_OFF;
// The test module's steady note has an RMS of about 0.047 of full scale.
constexpr double kAudible = 0.02;
// The effect: 0.2 s at 11025 Hz, so 4410 frames once resampled to the mixing rate.
constexpr int kEffectRate = 11025;
constexpr int kEffectFrames = 2205;
constexpr int kEffectMixFrames = 4410;

int size(const std::vector<unsigned char>& bytes) {
    return static_cast<int>(bytes.size());
}

// SDL's driver that plays to no speakers. Under WebAssembly that is the browser's own driver
// over the silent stand-in for Web Audio that the test programs bring along there
// (tests/web/browser-stand-ins.js): SDL's dummy driver needs a thread of its own.
#ifdef __EMSCRIPTEN__
constexpr const char* kSilentDriver = "emscripten";
#else
constexpr const char* kSilentDriver = "dummy";
#endif

// Tests never play to real speakers, whatever the environment they were started in says.
void useDummyAudioDriver() {
    setenv("SDL_AUDIODRIVER", kSilentDriver, 1);
}

bool silent(const std::vector<int16_t>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](int16_t s) { return s == 0; });
}

class MixerLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        useDummyAudioDriver();
        ASSERT_EQ(mixer.init(kRate, 256, 0), 1) << mixer.getError();
    }
    FMUSIC_MODULE* loadModule() {
        return mixer.loadSong(module.data(), 0, size(module), kSongMode, nullptr, 0);
    }
    FSOUND_SAMPLE* loadEffect() {
        return mixer.loadSample(FSOUND_FREE, effect.data(), FSOUND_LOADMEMORY, 0, size(effect));
    }
    std::vector<int16_t> render(int frames) {
        std::vector<int16_t> out(static_cast<std::size_t>(frames) * 2);
        mixer.mix(out.data(), frames);
        return out;
    }

    TMixerLibrary mixer{TMixerLibrary::Rendering::caller};
    std::vector<unsigned char> module = makeTestModule();
    std::vector<unsigned char> effect = makeTestOgg(kEffectRate, kEffectFrames, 440.0f, 0.5f);
};

TEST_F(MixerLibraryTest, ModuleIsAudibleWhilePlayingAndStartsAgainAtItsEnd) {
    FMUSIC_MODULE* song = loadModule();
    ASSERT_NE(song, nullptr) << mixer.getError();
    EXPECT_TRUE(silent(render(kRate / 10)));  // loaded, not yet playing

    ASSERT_EQ(mixer.playSong(song), 1);
    EXPECT_GT(rms(render(kRate / 2)), kAudible);
    ASSERT_EQ(mixer.setPaused(song, 1), 1);
    EXPECT_TRUE(silent(render(kRate / 10)));
    ASSERT_EQ(mixer.setPaused(song, 0), 1);
    // The module lasts 1.92 s; long after that it still plays.
    const auto samples = render(kRate * 5);
    EXPECT_GT(rms(samples, samples.size() - kRate / 2), kAudible);
    EXPECT_EQ(mixer.isFinished(song), 0);

    ASSERT_EQ(mixer.stopSong(song), 1);
    EXPECT_TRUE(silent(render(kRate / 10)));
}

TEST_F(MixerLibraryTest, TheGamesOwnModulesAreParsedWhenFirstPlayed) {
    const EmbeddedBlob* sad = findBuiltInMedia("media/sfx/sad.xm");
    ASSERT_NE(sad, nullptr);
    const int sadSize = static_cast<int>(sad->end - sad->begin);
    FMUSIC_MODULE* song = mixer.loadSong(sad->begin, 0, sadSize, kSongMode, nullptr, 0);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(mixer.parsedSongCount(), 0);
    // A built-in file that is no module is still refused at the load.
    const EmbeddedBlob* picture = findBuiltInMedia("media/gfx/pipes.png");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(mixer.loadSong(picture->begin, 0, static_cast<int>(picture->end - picture->begin),
                             kSongMode, nullptr, 0),
              nullptr);
    EXPECT_EQ(mixer.getError(), kSoundUnknownFormat);
    EXPECT_TRUE(silent(render(kRate / 10)));

    ASSERT_EQ(mixer.playSong(song), 1);
    EXPECT_EQ(mixer.parsedSongCount(), 1);
    EXPECT_GT(rms(render(2 * kRate)), kAudible / 4);
    ASSERT_EQ(mixer.playSong(song), 1);
    EXPECT_EQ(mixer.parsedSongCount(), 1) << "parsed once";

    // Bytes of the caller's own may go away after the load: parsed at once.
    ASSERT_NE(loadModule(), nullptr);
    EXPECT_EQ(mixer.parsedSongCount(), 2);
}

TEST_F(MixerLibraryTest, MusicVolumeScalesTheAmplitude) {
    FMUSIC_MODULE* song = loadModule();
    auto level = [&](int volume) {
        EXPECT_EQ(mixer.setMasterVolume(song, volume), 1);
        EXPECT_EQ(mixer.getMasterVolume(song), volume);
        mixer.playSong(song);  // from the top each time, so every render hears the same notes
        return rms(render(kRate / 2));
    };
    const double full = level(255);
    EXPECT_NEAR(level(128) / full, 128.0 / 255.0, 0.03);
    EXPECT_EQ(level(0), 0.0);
}

TEST_F(MixerLibraryTest, EffectAddsOnTopOfTheMusicForItsOwnLength) {
    FSOUND_SAMPLE* sample = loadEffect();
    ASSERT_NE(sample, nullptr) << mixer.getError();

    // Alone: sound for the sample's length at the mixing rate, then silence.
    ASSERT_GE(mixer.playSound(FSOUND_FREE, sample), 0);
    const auto alone = render(kEffectMixFrames * 2);
    std::size_t lastLoud = 0;
    for (std::size_t i = 0; i < alone.size(); ++i) {
        if (std::abs(alone[i]) > 1000) {
            lastLoud = i / 2;
        }
    }
    EXPECT_NEAR(static_cast<double>(lastLoud), kEffectMixFrames, kEffectMixFrames * 0.03);

    FMUSIC_MODULE* song = loadModule();
    mixer.playSong(song);
    const auto musicOnly = render(kEffectMixFrames);
    mixer.playSong(song);
    mixer.playSound(FSOUND_FREE, sample);
    const auto both = render(kEffectMixFrames);
    std::vector<int16_t> difference(both.size());
    std::transform(both.begin(), both.end(), musicOnly.begin(), difference.begin(),
                   [](int16_t a, int16_t b) { return static_cast<int16_t>(a - b); });
    EXPECT_NEAR(rms(difference), 0.35, 0.05);  // the RMS of a sine of amplitude 0.5

    ASSERT_EQ(mixer.setSfxMasterVolume(0), 1);
    mixer.playSong(song);
    mixer.playSound(FSOUND_FREE, sample);
    EXPECT_EQ(render(kEffectMixFrames), musicOnly);
}

TEST_F(MixerLibraryTest, ChannelsBeyondTheLastAreRefusedUntilEffectsEnd) {
    FSOUND_SAMPLE* sample = loadEffect();
    std::vector<int> channels;
    for (int i = 0; i < 300; ++i) {
        channels.push_back(mixer.playSound(FSOUND_FREE, sample));
    }
    EXPECT_EQ(channels[255], 255);
    EXPECT_EQ(std::count(channels.begin(), channels.end(), -1), 44);
    EXPECT_EQ(mixer.getError(), kSoundNoFreeChannel);

    EXPECT_GT(rms(render(kEffectMixFrames + 100)), 0.1);  // clipped, but mixed
    EXPECT_EQ(mixer.playSound(FSOUND_FREE, sample), 0);
    EXPECT_EQ(mixer.playSound(256, sample), -1);
    EXPECT_EQ(mixer.getError(), kSoundInvalidParameter);
}

TEST_F(MixerLibraryTest, BadDataAndStrangeHandlesAreRefusedWithTheirErrorCode) {
    std::vector<unsigned char> garbage(4000);
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<unsigned char>(i * 7919 >> 3);
    }
    std::vector<unsigned char> damagedOgg = effect;
    for (std::size_t i = 40; i < 200; ++i) {
        damagedOgg[i] ^= 0x5A;
    }
    EXPECT_EQ(mixer.loadSong(garbage.data(), 0, size(garbage), kSongMode, nullptr, 0), nullptr);
    EXPECT_EQ(mixer.getError(), kSoundUnknownFormat);
    EXPECT_EQ(mixer.loadSong(effect.data(), 0, size(effect), kSongMode, nullptr, 0), nullptr);
    EXPECT_EQ(mixer.getError(), kSoundUnknownFormat);
    EXPECT_EQ(mixer.loadSample(-1, module.data(), FSOUND_LOADMEMORY, 0, size(module)), nullptr);
    EXPECT_EQ(mixer.getError(), kSoundUnknownFormat);
    EXPECT_EQ(mixer.loadSample(-1, damagedOgg.data(), FSOUND_LOADMEMORY, 0, size(damagedOgg)),
              nullptr);
    EXPECT_EQ(mixer.getError(), kSoundUnknownFormat);
    EXPECT_EQ(mixer.loadSong(nullptr, 0, 0, kSongMode, nullptr, 0), nullptr);
    EXPECT_EQ(mixer.getError(), kSoundInvalidParameter);

    mixer.setSfxMasterVolume(64);  // a success leaves the error code alone
    EXPECT_EQ(mixer.getError(), kSoundInvalidParameter);

    // Handles the library never gave out are refused, never followed.
    auto* strangeSong = reinterpret_cast<FMUSIC_MODULE*>(garbage.data());
    mixer.playSong(nullptr);
    EXPECT_EQ(mixer.getError(), kSoundInvalidParameter);
    EXPECT_EQ(mixer.setPaused(strangeSong, 1), 0);
    EXPECT_EQ(mixer.getMasterVolume(strangeSong), -1);
    EXPECT_EQ(mixer.playSound(FSOUND_FREE, reinterpret_cast<FSOUND_SAMPLE*>(garbage.data())), -1);
    EXPECT_EQ(mixer.setMasterVolume(nullptr, 256), 0);
}

TEST_F(MixerLibraryTest, CloseForgetsEverythingAndInitWorksAgain) {
    FMUSIC_MODULE* song = loadModule();
    FSOUND_SAMPLE* sample = loadEffect();
    mixer.playSong(song);
    EXPECT_EQ(mixer.init(kRate, 256, 0), 0);
    EXPECT_EQ(mixer.getError(), kSoundAlreadyInitialised);

    mixer.close();
    EXPECT_TRUE(silent(render(1000)));
    EXPECT_EQ(loadModule(), nullptr);
    EXPECT_EQ(mixer.getError(), kSoundNotInitialised);

    ASSERT_EQ(mixer.init(kRate, 256, 0), 1);
    // The old handles belong to nothing now (the sanitizer build would catch a use).
    EXPECT_EQ(mixer.playSong(song), 0);
    EXPECT_EQ(mixer.playSound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(mixer.getError(), kSoundInvalidParameter);
}

TEST(MixerLibraryDevice, MixesOnTheDeviceThreadAndClosesWhilePlaying) {
    useDummyAudioDriver();
    TMixerLibrary mixer;
    ASSERT_EQ(mixer.init(kRate, 256, 0), 1) << mixer.getError();
    const auto module = makeTestModule(8, true);
    const auto effect = makeTestOgg(kEffectRate, kEffectFrames, 440.0f, 0.5f);
    FMUSIC_MODULE* song = mixer.loadSong(module.data(), 0, size(module), kSongMode, nullptr, 0);
    FSOUND_SAMPLE* sample = mixer.loadSample(-1, effect.data(), FSOUND_LOADMEMORY, 0, size(effect));
    ASSERT_EQ(mixer.playSong(song), 1);
    for (int i = 0; i < 20; ++i) {
        mixer.playSound(FSOUND_FREE, sample);
        mixer.setMasterVolume(song, i * 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    mixer.close();
}

// The manager over the real library, with the given audio driver; returns what it printed.
Lines runGame(const char* driver, std::shared_ptr<TSoundManager>& manager) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    TPlatform platform;
    TPlatformScope installed(platform);
    TMixerLibrary& mixer =
        platform.makeSoundLibrary<TMixerLibrary>(TMixerLibrary::Rendering::caller);
    Lines printed;
    platform.console.print = [&printed](std::string_view line) { printed.emplace_back(line); };
    static const auto module = makeTestModule();
    static const auto effect = makeTestOgg(kEffectRate, kEffectFrames, 440.0f, 0.5f);
    registerEmbeddedFile("media/sfx/test-mixer.xm", module.data(), module.size());
    registerEmbeddedFile("media/sfx/test-mixer.ogg", effect.data(), effect.size());

    manager = TSoundManager::create({"media/sfx/test-mixer.xm", "media/sfx/test-mixer.xm"},
                                    {"media/sfx/test-mixer.ogg"});
    manager->playMusic();
    manager->playSound(0);
    std::vector<int16_t> out(2000);
    mixer.mix(out.data(), 1000);
    if (manager->musicState == MusicState::playing) {
        EXPECT_GT(rms(out), kAudible);
    }
    manager->nextTrack();
    manager->close();
    useDummyAudioDriver();
    return printed;
}

TEST(SoundManagerOverMixer, GameStartsAtVolume128WithoutAComplaint) {
    std::shared_ptr<TSoundManager> manager;
    const Lines printed = runGame(kSilentDriver, manager);
    const std::string track = "media/sfx/test-mixer.xm";
    EXPECT_EQ(printed,
              (Lines{"Sound initialized.", "Track Loaded " + track, "Track Loaded " + track,
                     "Sound Loaded media/sfx/test-mixer.ogg", "Music playing " + track,
                     "Music track stopped " + track, "Music playing " + track}));
    EXPECT_EQ(manager->volume, 128);
}

TEST(SoundManagerOverMixer, WithoutADeviceEverythingFailsQuietlyAndTheGameGoesOn) {
    std::shared_ptr<TSoundManager> manager;
    const Lines printed = runGame("no-such-driver", manager);
    const std::string error =
        "FMOD Error status : This command failed because FSOUND_Init Or FSOUND_SetOutput was "
        "Not called";
    const std::string failedToPlay = "Music track failed to play media/sfx/test-mixer.xm";
    EXPECT_EQ(printed, (Lines{"Sound failed to initialize.", "Track failed to load.", error,
                              "Track failed to load.", error, "Sound failed to load.", error,
                              failedToPlay, error, failedToPlay, error}));
    EXPECT_EQ(manager->volume, 128);
    EXPECT_EQ(manager->musicState, MusicState::stopped);
}

}  // namespace
}  // namespace gb
