#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/SoundLibrary.h"

struct openmpt_module;

namespace gb {

// The real sound library: one SDL audio device (16-bit stereo at the mixing rate) fed by our own
// mixer. Songs are tracker modules played by libopenmpt from their bytes and repeat forever;
// samples are Ogg Vorbis files decoded once at load and resampled to the mixing rate, so
// playing an effect costs nothing but a free channel. Master volumes (0..255) scale the music
// (per song) and all effects.
//
// Every call may come from the game's thread while the device's callback thread mixes; both
// take the same lock, and the callback neither allocates nor frees.
class TMixerLibrary : public TSoundLibrary {
  public:
    // Who drives the mix: the audio device, or the owner calling mix() (tests and benchmarks;
    // the device is still opened, and kept paused).
    enum class Rendering { device, caller };

    // Frames of one device buffer: the delay from playSound to the sound is about this long.
    static constexpr int kDeviceBufferFrames = 512;
    static constexpr int kMaxChannels = 256;

    explicit TMixerLibrary(Rendering renderedBy = Rendering::device);
    ~TMixerLibrary() override;
    TMixerLibrary(const TMixerLibrary&) = delete;
    TMixerLibrary& operator=(const TMixerLibrary&) = delete;

    int init(int mixrate, int maxSoftwareChannels, unsigned flags) override;
    void close() override;
    int getError() override;

    FSOUND_SAMPLE* loadSample(int index, const void* data, unsigned mode, int offset,
                              int length) override;
    int playSound(int channel, FSOUND_SAMPLE* sample) override;
    int setSfxMasterVolume(int volume) override;

    FMUSIC_MODULE* loadSong(const void* data, int offset, int length, unsigned mode,
                            const int* sampleList, int sampleListNum) override;
    int playSong(FMUSIC_MODULE* song) override;
    int stopSong(FMUSIC_MODULE* song) override;
    int setPaused(FMUSIC_MODULE* song, int paused) override;
    int setMasterVolume(FMUSIC_MODULE* song, int volume) override;
    int getMasterVolume(FMUSIC_MODULE* song) override;
    int isFinished(FMUSIC_MODULE* song) override;

    // Renders the next frames of the mix (interleaved stereo) into out. Silence while not
    // initialised.
    void mix(int16_t* out, int frames);

    // The mixing rate and the device's buffer length in frames (0 while not initialised).
    int mixRate() const { return rate; }
    int deviceBufferFrames() const { return bufferFrames; }
    // How many songs have been parsed. Songs loaded from bytes built into the program are
    // parsed when first played; songs from other bytes, which the caller may free, at once.
    int parsedSongCount() const { return parsedSongs; }

  private:
    struct Channel {
        const FSOUND_SAMPLE* sample = nullptr;  // null = free
        std::size_t frame = 0;
    };

    int fail(int code);
    bool ready();  // initialised, or fails with kSoundNotInitialised
    bool knownSong(const FMUSIC_MODULE* song) const;
    bool knownSample(const FSOUND_SAMPLE* sample) const;
    bool checkBytes(const void* data, unsigned mode, int offset, int length);
    void mixLocked(int16_t* out, int frames);
    // A module parsed from bytes and set to repeat, or nullptr with the error code set.
    openmpt_module* parseModule(const unsigned char* bytes, std::size_t size);
    void releaseAll();
    // Closes the device and forgets every sound (close and the destructor).
    void shutDown();
    static void deviceCallback(void* user, uint8_t* stream, int bytes);

    const Rendering rendering;
    std::mutex lock;
    bool initialised = false;
    uint32_t device = 0;
    int rate = 0;
    int bufferFrames = 0;
    int error = kSoundOk;
    int sfxVolume = kSoundMaxVolume;
    int defaultMusicVolume = kSoundMaxVolume;
    std::vector<std::unique_ptr<FSOUND_SAMPLE>> samples;
    std::vector<std::unique_ptr<FMUSIC_MODULE>> songs;
    std::vector<Channel> channels;
    std::vector<float> songBuffer;  // one chunk of one song, stereo
    std::vector<float> mixBuffer;   // one chunk of the whole mix, stereo
    int parsedSongs = 0;
};

}  // namespace gb
