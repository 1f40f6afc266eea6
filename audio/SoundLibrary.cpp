#include "audio/SoundLibrary.h"

#include "core/ProgramError.h"
#include "core/TPlatform.h"

namespace gb {

TSoundLibrary& soundLibrary() {
    TSoundLibrary* library = platform().soundLibrary;
    if (library == nullptr) {
        programError("No sound library was made for the platform");
    }
    return *library;
}

}  // namespace gb

int FSOUND_Init(int mixrate, int maxSoftwareChannels, unsigned flags) {
    return gb::soundLibrary().init(mixrate, maxSoftwareChannels, flags);
}

void FSOUND_Close() {
    gb::soundLibrary().close();
}

int FSOUND_GetError() {
    return gb::soundLibrary().getError();
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const void* data, unsigned mode, int offset,
                                  int length) {
    return gb::soundLibrary().loadSample(index, data, mode, offset, length);
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    return gb::soundLibrary().playSound(channel, sample);
}

int FSOUND_SetSFXMasterVolume(int volume) {
    return gb::soundLibrary().setSfxMasterVolume(volume);
}

FMUSIC_MODULE* FMUSIC_LoadSongEx(const void* data, int offset, int length, unsigned mode,
                                 const int* sampleList, int sampleListNum) {
    return gb::soundLibrary().loadSong(data, offset, length, mode, sampleList, sampleListNum);
}

int FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    return gb::soundLibrary().playSong(song);
}

int FMUSIC_StopSong(FMUSIC_MODULE* song) {
    return gb::soundLibrary().stopSong(song);
}

int FMUSIC_SetPaused(FMUSIC_MODULE* song, int paused) {
    return gb::soundLibrary().setPaused(song, paused);
}

int FMUSIC_SetMasterVolume(FMUSIC_MODULE* song, int volume) {
    return gb::soundLibrary().setMasterVolume(song, volume);
}

int FMUSIC_GetMasterVolume(FMUSIC_MODULE* song) {
    return gb::soundLibrary().getMasterVolume(song);
}

int FMUSIC_IsFinished(FMUSIC_MODULE* song) {
    return gb::soundLibrary().isFinished(song);
}
