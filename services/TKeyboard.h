#pragma once

#include <array>
#include <cstddef>

namespace gb {

// Key codes the game uses (the desktop virtual-key numbering).
namespace key {
inline constexpr int backspace = 8;
inline constexpr int tab = 9;
inline constexpr int enter = 13;
inline constexpr int shift = 16;
inline constexpr int control = 17;
inline constexpr int alt = 18;
inline constexpr int escape = 27;
inline constexpr int space = 32;
inline constexpr int left = 37;
inline constexpr int up = 38;
inline constexpr int right = 39;
inline constexpr int down = 40;
inline constexpr int del = 46;
inline constexpr int m = 77;
inline constexpr int p = 80;
inline constexpr int x = 88;
inline constexpr int y = 89;
inline constexpr int z = 90;
inline constexpr int padPlus = 107;
inline constexpr int padMinus = 109;
inline constexpr int equals = 187;
inline constexpr int comma = 188;
inline constexpr int minus = 189;
inline constexpr int period = 190;
}  // namespace key

// Keyboard state fed by window events: a held flag and a hit count per key code 0..255,
// and a queue of up to 256 typed characters.
class TKeyboard {
  public:
    static constexpr int kKeyCount = 256;
    static constexpr std::size_t kQueueSize = 256;

    // Events.
    void keyPressed(int code);  // a repeat of a held key adds no press
    void keyReleased(int code);
    void charTyped(int ch);  // dropped when the queue is full
    void focusChanged();     // suspending or resuming flushes everything
    void closeRequested();

    // Queries (no event processing; see the free functions below for that).
    int takeHits(int code);
    bool isDown(int code) const;
    int takeChar();
    void flush();
    bool closeWasRequested() const { return closeRequested_; }
    void clearCloseRequest() { closeRequested_ = false; }

  private:
    std::array<bool, kKeyCount> held_{};
    std::array<int, kKeyCount> hits_{};
    std::array<int, kQueueSize> queue_{};
    std::size_t queueHead_ = 0;
    std::size_t queueCount_ = 0;
    bool closeRequested_ = false;
};

// The installed platform's keyboard. Each query below first processes the pending window
// events.
TKeyboard& keyboard();

// Delivers every pending window event of the platform's event source (if it has one) to the
// keyboard.
void pollEvents();

// Presses of the key since the last keyHit of it or the last flushKeys; resets the count.
int keyHit(int code);
// Whether the key is held.
bool keyDown(int code);
// The oldest typed character not yet taken, or 0.
int getChar();
// Clears every hit count, held flag and the character queue.
void flushKeys();
// True once the window system asked the program to close (close button, logout).
bool appCloseRequested();

}  // namespace gb
