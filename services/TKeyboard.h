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
// The keypad's 2, 4, 6 and 8: the window system reports these codes whether Num Lock makes
// the keys type digits or act as arrows.
inline constexpr int pad2 = 98;
inline constexpr int pad4 = 100;
inline constexpr int pad6 = 102;
inline constexpr int pad8 = 104;
inline constexpr int padPlus = 107;
inline constexpr int padMinus = 109;
inline constexpr int equals = 187;
inline constexpr int comma = 188;
inline constexpr int minus = 189;
inline constexpr int period = 190;
}  // namespace key

// Keyboard state fed by window events: a held flag and a hit count per key code 0..255,
// a queue of up to 256 typed characters and one of up to 256 typed gamepad buttons.
class TKeyboard {
  public:
    static constexpr int kKeyCount = 256;
    static constexpr std::size_t kQueueSize = 256;

    // Events.
    void keyPressed(int code);  // a repeat of a held key adds no press
    void keyReleased(int code);
    void charTyped(int ch);  // dropped when the queue is full
    // A gamepad button that counts as typing was pressed (see TGamepads): its key code is
    // queued like a typed character, in a queue of its own (dropped when it is full).
    void buttonTyped(int code);
    void focusChanged();  // suspending or resuming flushes everything
    void closeRequested();
    // The player stepped away: the window lost the focus or was minimised, or a gamepad was
    // unplugged.
    void requestPause();

    // Queries.
    int takeHits(int code);
    bool isDown(int code) const;
    int takeChar();
    int takeButton();
    void flush();
    bool closeWasRequested() const { return closeRequested_; }
    void clearCloseRequest() { closeRequested_ = false; }
    // Whether a pause was asked for since the last look; the request is taken.
    bool takePauseRequest();

  private:
    std::array<bool, kKeyCount> held_{};
    std::array<int, kKeyCount> hits_{};
    // First in, first out, up to kQueueSize codes; one pushed while it is full is dropped.
    class TypedQueue {
      public:
        void push(int code);
        int take();  // 0 when empty
        void clear();

      private:
        std::array<int, kQueueSize> codes_{};
        std::size_t head_ = 0;
        std::size_t count_ = 0;
    };
    TypedQueue chars_;
    TypedQueue buttons_;
    bool closeRequested_ = false;
    bool pauseRequested_ = false;
};

// The installed platform's keyboard.
TKeyboard& keyboard();

// Reads the frame's input: delivers every pending window event of the platform's event source
// (if it has one) to the keyboard. The game calls it once, at the start of each frame; the
// queries below only read what it delivered, so every query of a frame sees the same input,
// and events that arrive during the frame wait for the next one.
void pollEvents();

// Presses of the key since the last keyHit of it or the last flushKeys; resets the count.
int keyHit(int code);
// Whether the key is held.
bool keyDown(int code);
// The oldest typed character not yet taken, or 0.
int getChar();
// The key code of the oldest typed gamepad button not yet taken, or 0.
int getButton();
// Clears every hit count, held flag and the queues of characters and buttons.
void flushKeys();
// True once the window system asked the program to close (close button, logout).
bool appCloseRequested();
// Whether the player stepped away since the last call (see TKeyboard::requestPause); the
// request is taken. Flushing the keys leaves it.
bool pauseRequested();

}  // namespace gb
