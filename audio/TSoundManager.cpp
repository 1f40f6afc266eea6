#include "audio/TSoundManager.h"

#include <algorithm>
#include <array>

#include "core/Console.h"
#include "core/EmbeddedFiles.h"

namespace gb {

namespace {

constexpr int kMixRate = 22000;
constexpr int kSoftwareChannels = 256;
constexpr int kStartVolume = 128;
constexpr int kVolumeStep = 8;
constexpr unsigned kSongMode = FSOUND_LOADMEMORY | FSOUND_LOOP_OFF;
constexpr unsigned kSampleMode = FSOUND_LOADMEMORY;

constexpr std::array<const char*, 20> kErrorTexts = {
    "No errors",
    "Cannot call this command after FSOUND_Init. Call FSOUND_Close first.",
    "This command failed because FSOUND_Init Or FSOUND_SetOutput was Not called",
    "Error initializing output device.",
    "Error initializing output device, but more specifically, the output device is already in "
    "use And cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does Not support the features needed For this soundsystem (16bit stereo output)",
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

// A track or effect number as a position in the lists. A negative number becomes one far
// past their end, which at() refuses.
std::size_t slot(int index) {
    return static_cast<std::size_t>(index);
}

}  // namespace

std::string errorText() {
    const int code = FSOUND_GetError();
    if (code < 0 || code >= static_cast<int>(kErrorTexts.size())) {
        return "Unknown Error";
    }
    return kErrorTexts[slot(code)];
}

std::shared_ptr<TSoundManager> TSoundManager::create(const std::vector<std::string>& musicFiles,
                                                     const std::vector<std::string>& soundFiles) {
    auto manager = std::make_shared<TSoundManager>();
    manager->init(musicFiles, soundFiles);
    return manager;
}

void TSoundManager::init(const std::vector<std::string>& music,
                         const std::vector<std::string>& sounds) {
    // Without a sound device the game runs on silently: every load below is still attempted
    // and reports its own result.
    if (FSOUND_Init(kMixRate, kSoftwareChannels, 0) == 1) {
        print("Sound initialized.");
    } else {
        print("Sound failed to initialize.");
    }
    // Our library has no FFT unit, so there is none to switch on here (or off in close).
    musicState = MusicState::stopped;
    volume = kStartVolume;
    currentTrack = 0;
    musicHandles.assign(music.size(), nullptr);
    soundHandles.assign(sounds.size(), nullptr);
    musicFiles = music;
    soundFiles = sounds;
    // No track is loaded yet, so the music half of this addresses a null song, which the
    // library takes as its default music volume and accepts: the game starts at 128.
    setVolume(volume);
    for (int i = 0; i < static_cast<int>(musicFiles.size()); ++i) {
        loadTrack(i);
    }
    for (int i = 0; i < static_cast<int>(soundFiles.size()); ++i) {
        loadSound(i);
    }
}

void TSoundManager::setVolume(int newVolume) {
    FMUSIC_MODULE* song = musicHandles.empty() ? nullptr : currentSong();
    if (FMUSIC_SetMasterVolume(song, newVolume) != 0) {
        volume = newVolume;
        debugLog("Volume changed to ", newVolume);
    } else {
        volume = FMUSIC_GetMasterVolume(song);
        print(concatText("Volume not changed to ", newVolume));
        printError();
    }
    if (FSOUND_SetSFXMasterVolume(newVolume) != 0) {
        debugLog("SFX Volume changed to ", newVolume);
    } else {
        print(concatText("Volume not changed to ", newVolume));
        printError();
    }
}

void TSoundManager::volumeUp() {
    setVolume(std::min(volume + kVolumeStep, kSoundMaxVolume));
}

void TSoundManager::volumeDown() {
    setVolume(std::max(volume - kVolumeStep, 0));
}

void TSoundManager::loadTrack(int index) {
    const std::string& name = musicFiles.at(slot(index));
    const unsigned char* data = embeddedFileData(name);
    const int length = embeddedFileSize(name);
    FMUSIC_MODULE*& handle = musicHandles.at(slot(index));
    handle = FMUSIC_LoadSongEx(data, 0, length, kSongMode, nullptr, 0);
    if (handle == nullptr) {
        print("Track failed to load.");
        printError();
    } else {
        print("Track Loaded " + name);
    }
}

void TSoundManager::loadSound(int index) {
    const std::string& name = soundFiles.at(slot(index));
    const unsigned char* data = embeddedFileData(name);
    const int length = embeddedFileSize(name);
    FSOUND_SAMPLE*& handle = soundHandles.at(slot(index));
    handle = FSOUND_Sample_Load(FSOUND_FREE, data, kSampleMode, 0, length);
    if (handle == nullptr) {
        print("Sound failed to load.");
        printError();
    } else {
        print("Sound Loaded " + name);
    }
}

void TSoundManager::close() {
    FSOUND_Close();
}

void TSoundManager::playMusic() {
    if (FMUSIC_PlaySong(currentSong()) == 1) {
        musicState = MusicState::playing;
        print("Music playing " + currentFile());
        setVolume(volume);
    } else {
        musicState = MusicState::stopped;
        print("Music track failed to play " + currentFile());
        printError();
    }
}

void TSoundManager::update() {
    if (musicState == MusicState::playing && FMUSIC_IsFinished(currentSong()) != 0) {
        nextTrack();
    }
}

void TSoundManager::playSound(int index) {
    // An effect that cannot play is not worth a message.
    FSOUND_PlaySound(FSOUND_FREE, soundHandles.at(slot(index)));
}

void TSoundManager::stopMusic() {
    if (musicState != MusicState::playing) {
        return;
    }
    if (FMUSIC_StopSong(currentSong()) != 0) {
        musicState = MusicState::stopped;
        print("Music track stopped " + currentFile());
    } else {
        print("Music track failed to stop playing " + currentFile());
        printError();
    }
}

void TSoundManager::pause() {
    if (musicState == MusicState::playing) {
        togglePause();
    }
}

void TSoundManager::togglePause() {
    switch (musicState) {
        case MusicState::paused:
            if (FMUSIC_SetPaused(currentSong(), 0) != 0) {
                musicState = MusicState::playing;
            } else {
                print("Music track failed to pause " + currentFile());
                printError();
            }
            break;
        case MusicState::playing:
            // Pausing never reports a failure.
            FMUSIC_SetPaused(currentSong(), 1);
            musicState = MusicState::paused;
            break;
        case MusicState::stopped:
            // Nothing plays: nothing to pause or resume.
            break;
    }
}

void TSoundManager::nextTrack() {
    stopMusic();
    currentTrack = (currentTrack + 1) % static_cast<int>(musicFiles.size());
    playMusic();
}

void TSoundManager::previousTrack() {
    stopMusic();
    currentTrack = currentTrack - 1;
    if (currentTrack < 0) {
        currentTrack = static_cast<int>(musicFiles.size()) - 1;
    }
    playMusic();
}

FMUSIC_MODULE* TSoundManager::currentSong() const {
    return musicHandles.at(slot(currentTrack));
}

const std::string& TSoundManager::currentFile() const {
    return musicFiles.at(slot(currentTrack));
}

void TSoundManager::printError() {
    print("FMOD Error status : " + errorText());
}

}  // namespace gb
