#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/SoundLibrary.h"

namespace gb {

// Whether the current track plays, with the codes the game has always had.
enum class MusicState : int { stopped = -1, paused = 0, playing = 1 };

// The game's music and sound effects. Tracks are XM modules and effects Ogg samples, all of them
// embedded files handed to the sound library straight from memory. One track is current; it is
// played, paused, resumed, stopped or swapped for the next or previous one. One master volume
// serves music and effects alike. Failed library calls are reported on the console together
// with the library's error text; nothing here ever stops the game.
class TSoundManager {
  public:
    std::vector<std::string> musicFiles;
    std::vector<std::string> soundFiles;
    std::vector<FMUSIC_MODULE*> musicHandles;    // null = not loaded
    std::vector<FSOUND_SAMPLE*> soundHandles;    // null = not loaded
    int volume = 0;                              // 0..255
    int currentTrack = 0;                        // index into musicFiles / musicHandles
    MusicState musicState = MusicState::paused;  // until init stops it

    // Starts the library and loads every track and effect. At least one track is needed.
    [[nodiscard]] static std::shared_ptr<TSoundManager> create(
        const std::vector<std::string>& musicFiles, const std::vector<std::string>& soundFiles);

    void init(const std::vector<std::string>& music, const std::vector<std::string>& sounds);
    void setVolume(int newVolume);
    void volumeUp();
    void volumeDown();
    void loadTrack(int index);
    void loadSound(int index);
    void close();
    void playMusic();
    void update();
    void playSound(int index);
    void stopMusic();
    void pause();
    void togglePause();
    void nextTrack();
    void previousTrack();
    void printError();

  private:
    // The current track's handle and file name (at() refuses a track that does not exist).
    FMUSIC_MODULE* currentSong() const;
    const std::string& currentFile() const;
};

// The text for the library's current error code.
std::string errorText();

}  // namespace gb
