#pragma once

// The sound library the sound manager talks to: a small C-style interface of FSOUND_ (device,
// effects) and FMUSIC_ (music modules) calls. Every call forwards to the installed platform's
// sound library: the real mixer (TMixerLibrary) in the game, a recording one in tests.
//
// Results: 1 or a non-null handle means success; 0, -1 or a null handle means failure, and
// FSOUND_GetError then tells why (SoundError). A successful call leaves the error code alone.

#include <cstdint>

// Opaque handles. The library owns what they refer to until FSOUND_Close; callers only store
// them and pass them back. A handle the library does not know is refused, never dereferenced.
struct FSOUND_SAMPLE;
struct FMUSIC_MODULE;

// Channel argument of FSOUND_PlaySound and index argument of FSOUND_Sample_Load: "any free one".
inline constexpr int FSOUND_FREE = -1;

// Mode flags of the load calls.
inline constexpr unsigned FSOUND_LOOP_OFF = 0x1;       // samples play once (they always do)
inline constexpr unsigned FSOUND_LOADMEMORY = 0x8000;  // data is the file's bytes (required)

int FSOUND_Init(int mixrate, int maxSoftwareChannels, unsigned flags);
void FSOUND_Close();
int FSOUND_GetError();

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const void* data, unsigned mode, int offset,
                                  int length);
// Returns the channel the sample plays on, or -1.
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);
int FSOUND_SetSFXMasterVolume(int volume);

FMUSIC_MODULE* FMUSIC_LoadSongEx(const void* data, int offset, int length, unsigned mode,
                                 const int* sampleList, int sampleListNum);
int FMUSIC_PlaySong(FMUSIC_MODULE* song);
int FMUSIC_StopSong(FMUSIC_MODULE* song);
int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused);
int FMUSIC_SetMasterVolume(FMUSIC_MODULE* song, int volume);
int FMUSIC_GetMasterVolume(FMUSIC_MODULE* song);
int FMUSIC_IsFinished(FMUSIC_MODULE* song);

namespace gb {

// The codes FSOUND_GetError returns.
enum SoundError : int {
    kSoundOk = 0,
    kSoundAlreadyInitialised = 1,
    kSoundNotInitialised = 2,
    kSoundOutputDevice = 3,
    kSoundOutputDeviceBusy = 4,
    kSoundPlayFailed = 5,
    kSoundOutputFormat = 6,
    kSoundCooperativeLevel = 7,
    kSoundCreateBuffer = 8,
    kSoundFileNotFound = 9,
    kSoundUnknownFormat = 10,
    kSoundBadFile = 11,
    kSoundOutOfMemory = 12,
    kSoundUnsupportedVersion = 13,
    kSoundInvalidParameter = 14,
    kSoundNoEnvironmentEffects = 15,
    kSoundNoFreeChannel = 16,
    kSoundNoRecording = 17,
    kSoundNoMediaPlayer = 18,
    kSoundCdDevice = 19,
};

// Master volumes run from 0 (silent) to 255 (full).
inline constexpr int kSoundMaxVolume = 255;

// What the FSOUND_/FMUSIC_ calls forward to.
class TSoundLibrary {
  public:
    virtual ~TSoundLibrary() = default;

    virtual int init(int mixrate, int maxSoftwareChannels, unsigned flags) = 0;
    virtual void close() = 0;
    virtual int getError() = 0;

    virtual FSOUND_SAMPLE* loadSample(int index, const void* data, unsigned mode, int offset,
                                      int length) = 0;
    virtual int playSound(int channel, FSOUND_SAMPLE* sample) = 0;
    virtual int setSfxMasterVolume(int volume) = 0;

    virtual FMUSIC_MODULE* loadSong(const void* data, int offset, int length, unsigned mode,
                                    const int* sampleList, int sampleListNum) = 0;
    virtual int playSong(FMUSIC_MODULE* song) = 0;
    virtual int stopSong(FMUSIC_MODULE* song) = 0;
    virtual int setPaused(FMUSIC_MODULE* song, int paused) = 0;
    virtual int setMasterVolume(FMUSIC_MODULE* song, int volume) = 0;
    virtual int getMasterVolume(FMUSIC_MODULE* song) = 0;
    virtual int isFinished(FMUSIC_MODULE* song) = 0;
};

// The library the free calls use: the installed platform's. A platform without one is a
// program fault.
TSoundLibrary& soundLibrary();

}  // namespace gb
