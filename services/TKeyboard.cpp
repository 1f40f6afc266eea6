#include "services/TKeyboard.h"

#include "services/TEventSource.h"
#include "services/TPlatform.h"

namespace gb {

namespace {
bool validKey(int code) {
    return code >= 0 && code < TKeyboard::kKeyCount;
}

// The slot of a valid key code in the key tables.
std::size_t slot(int code) {
    return static_cast<std::size_t>(code);
}
}  // namespace

void TKeyboard::keyPressed(int code) {
    if (!validKey(code) || held_[slot(code)]) {
        return;
    }
    held_[slot(code)] = true;
    ++hits_[slot(code)];
}

void TKeyboard::keyReleased(int code) {
    if (validKey(code)) {
        held_[slot(code)] = false;
    }
}

void TKeyboard::charTyped(int ch) {
    if (queueCount_ >= kQueueSize) {
        return;
    }
    queue_[(queueHead_ + queueCount_) % kQueueSize] = ch;
    ++queueCount_;
}

void TKeyboard::focusChanged() {
    flush();
}

void TKeyboard::closeRequested() {
    closeRequested_ = true;
}

int TKeyboard::takeHits(int code) {
    if (!validKey(code)) {
        return 0;
    }
    const int n = hits_[slot(code)];
    hits_[slot(code)] = 0;
    return n;
}

bool TKeyboard::isDown(int code) const {
    return validKey(code) && held_[slot(code)];
}

int TKeyboard::takeChar() {
    if (queueCount_ == 0) {
        return 0;
    }
    const int ch = queue_[queueHead_];
    queueHead_ = (queueHead_ + 1) % kQueueSize;
    --queueCount_;
    return ch;
}

void TKeyboard::flush() {
    held_.fill(false);
    hits_.fill(0);
    queueHead_ = 0;
    queueCount_ = 0;
}

TKeyboard& keyboard() {
    return platform().keyboard;
}

void pollEvents() {
    TPlatform& installed = platform();
    if (installed.eventSource != nullptr) {
        installed.eventSource->pump(installed.keyboard);
    }
}

int keyHit(int code) {
    pollEvents();
    return keyboard().takeHits(code);
}

bool keyDown(int code) {
    pollEvents();
    return keyboard().isDown(code);
}

int getChar() {
    pollEvents();
    return keyboard().takeChar();
}

void flushKeys() {
    pollEvents();
    keyboard().flush();
}

bool appCloseRequested() {
    return keyboard().closeWasRequested();
}

}  // namespace gb
