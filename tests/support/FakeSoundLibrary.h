#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/SoundLibrary.h"
#include "core/Text.h"

namespace gb::testing {

// A sound library that answers from a script and writes down every call. Song handles are
// 0x100 + their order of loading since Init, samples 0x200 + theirs, so the log shows which
// track a call addressed ("#2"). Loads and plays of null data or handles fail.
class FakeSoundLibrary : public TSoundLibrary {
  public:
    int initResult = 1;
    bool loadsFail = false;
    int result = 1;  // of PlaySong, StopSong, SetPaused, both volume calls
    int masterVolume = 77;
    int finished = 0;
    int errorOnFailure = kSoundInvalidParameter;
    int error = kSoundOk;
    std::vector<std::string> calls;

    int init(int rate, int channels, unsigned flags) override {
        songs = samples = 0;
        songData.clear();
        sampleData.clear();
        return answer(concatText("Init ", rate, ' ', channels, ' ', int(flags)), initResult);
    }
    void close() override { calls.push_back("Close"); }
    int getError() override { return error; }
    FSOUND_SAMPLE* loadSample(int index, const void* data, unsigned mode, int offset,
                              int length) override {
        const bool ok = answer(concatText("Sample_Load ", index, ' ', name(data), ' ', int(mode),
                                          ' ', offset, ' ', length),
                               data != nullptr && !loadsFail);
        if (!ok) {
            return nullptr;
        }
        sampleData.push_back(data);
        return reinterpret_cast<FSOUND_SAMPLE*>(std::uintptr_t{0x200} + samples++);
    }
    int playSound(int channel, FSOUND_SAMPLE* sample) override {
        return answer(concatText("PlaySound ", channel, ' ', name(sample)), 0);
    }
    int setSfxMasterVolume(int volume) override {
        return answer(concatText("SetSFXMasterVolume ", volume), sfxResult);
    }
    FMUSIC_MODULE* loadSong(const void* data, int offset, int length, unsigned mode,
                            const int* list, int listCount) override {
        const bool ok = answer(concatText("LoadSongEx ", name(data), ' ', offset, ' ', length, ' ',
                                          int(mode), ' ', name(list), ' ', listCount),
                               data != nullptr && !loadsFail);
        if (!ok) {
            return nullptr;
        }
        songData.push_back(data);
        return reinterpret_cast<FMUSIC_MODULE*>(std::uintptr_t{0x100} + songs++);
    }
    int playSong(FMUSIC_MODULE* song) override {
        return answer("PlaySong " + name(song), song != nullptr ? result : 0);
    }
    int stopSong(FMUSIC_MODULE* song) override { return answer("StopSong " + name(song), result); }
    int setPaused(FMUSIC_MODULE* song, int paused) override {
        return answer(concatText("SetPaused ", name(song), ' ', paused), result);
    }
    int setMasterVolume(FMUSIC_MODULE* song, int volume) override {
        return answer(concatText("SetMasterVolume ", name(song), ' ', volume), result);
    }
    int getMasterVolume(FMUSIC_MODULE*) override { return masterVolume; }
    int isFinished(FMUSIC_MODULE* song) override {
        calls.push_back("IsFinished " + name(song));
        return finished;
    }
    int sfxResult = 1;
    // The bytes each loaded song and sample came from, by handle number (#n).
    std::vector<const void*> songData;
    std::vector<const void*> sampleData;

  private:
    int answer(const std::string& call, int value) {
        calls.push_back(call);
        if (value == 0) {
            error = errorOnFailure;
        }
        return value;
    }
    static std::string name(const void* handle) {
        const auto value = reinterpret_cast<uintptr_t>(handle);
        if (value == 0) {
            return "null";
        }
        return value < 0x300 ? concatText('#', int(value & 0xFF)) : "data";
    }
    std::uintptr_t songs = 0;
    std::uintptr_t samples = 0;
};

}  // namespace gb::testing
