#include "sdl/TFramePacer.h"

#include <thread>

namespace gb {

void TFramePacer::restart(std::chrono::nanoseconds refreshPeriod, bool presentWaits) {
    refreshPeriod_ =
        refreshPeriod > std::chrono::nanoseconds::zero() ? refreshPeriod : kFramePeriod;
    selfPaced_ = !presentWaits;
    presentsWatched_ = 0;
    quickPresents_ = 0;
    lastPresent_ = Clock::now();
    nextFrame_ = lastPresent_;
}

void TFramePacer::presented() {
    ++pacedFrames_;
    const Clock::time_point now = Clock::now();
    if (!selfPaced_) {
        quickPresents_ += now - lastPresent_ < refreshPeriod_ / 2 ? 1 : 0;
        if (++presentsWatched_ == kPresentsWatched) {
            selfPaced_ = quickPresents_ >= kQuickPresentsForPacing;
            nextFrame_ = now;
            presentsWatched_ = 0;
            quickPresents_ = 0;
        }
    }
    lastPresent_ = now;
    if (!selfPaced_ || !allowed_) {
        return;
    }
    // The next frame waits for its slot when it starts. A frame that ran late starts a new
    // rhythm rather than being followed by a burst of short ones.
    nextFrame_ += kFramePeriod;
    if (nextFrame_ < now) {
        nextFrame_ = now;
        return;
    }
    slotPending_ = true;
}

// The wait comes when the next frame starts, before it reads the input, so the frame reads
// the keys right after the wait; work done between frames (loading) is done in the wait
// instead of after it.
void TFramePacer::waitForSlot() {
    if (!slotPending_) {
        return;
    }
    slotPending_ = false;
    std::this_thread::sleep_until(nextFrame_);
    lastPresent_ = Clock::now();
}

}  // namespace gb
