#pragma once

#include <chrono>

namespace gb {

// Keeps the frames to the display's rhythm where presenting does not wait for the display's
// vertical refresh (SDL's software renderer, a virtual X server, a driver that ignores the
// request): each presented frame books the next frame's slot, and the next frame waits for it
// before it reads the input (or before it presents, when it reads none, as while loading).
// Where presenting is said to wait, presents are watched: when most of a group of them come
// back in less than half a refresh, the wait is not happening and the pacer takes over.
class TFramePacer {
  public:
    using Clock = std::chrono::steady_clock;
    // The frame length when the display gives no refresh rate: 60 Hz.
    static constexpr auto kFramePeriod = std::chrono::nanoseconds(1'000'000'000 / 60);

    // A new renderer: the display's refresh period (zero when it gives none) and whether
    // presenting waits for the refresh.
    void restart(std::chrono::nanoseconds refreshPeriod, bool presentWaits);
    // Waits until the booked slot, when one is booked.
    void waitForSlot();
    // After a presented frame that showed something new: books the next slot.
    void presented();

    // Whether the pacer does the waiting (present does not wait for the refresh).
    bool selfPaced() const { return selfPaced_; }
    // Turning pacing off makes the frames follow one another at once (measurements).
    void allow(bool on) { allowed_ = on; }
    // How many presented frames booked a slot (or would have, with pacing off).
    int pacedFrames() const { return pacedFrames_; }

  private:
    // Presents are watched in groups of this many; this many quick ones in a group mean
    // present does not wait.
    static constexpr int kPresentsWatched = 30;
    static constexpr int kQuickPresentsForPacing = 24;

    bool selfPaced_ = false;
    bool allowed_ = true;
    int pacedFrames_ = 0;
    std::chrono::nanoseconds refreshPeriod_{kFramePeriod};
    int presentsWatched_ = 0;
    int quickPresents_ = 0;
    Clock::time_point lastPresent_{};
    Clock::time_point nextFrame_{};
    bool slotPending_ = false;  // the next frame waits until nextFrame_
};

}  // namespace gb
