#include "services/TKeyboard.h"

#include "core/TPlatform.h"
#include "services/TEventSource.h"

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

void TKeyboard::TypedQueue::push(int code) {
    if (count_ >= kQueueSize) {
        return;
    }
    codes_[(head_ + count_) % kQueueSize] = code;
    ++count_;
}

int TKeyboard::TypedQueue::take() {
    if (count_ == 0) {
        return 0;
    }
    const int code = codes_[head_];
    head_ = (head_ + 1) % kQueueSize;
    --count_;
    return code;
}

void TKeyboard::TypedQueue::clear() {
    head_ = 0;
    count_ = 0;
}

void TKeyboard::charTyped(int ch) {
    chars_.push(ch);
}

void TKeyboard::buttonTyped(int code) {
    buttons_.push(code);
}

void TKeyboard::focusChanged() {
    flush();
}

void TKeyboard::closeRequested() {
    closeRequested_ = true;
}

void TKeyboard::requestPause() {
    pauseRequested_ = true;
}

bool TKeyboard::takePauseRequest() {
    const bool requested = pauseRequested_;
    pauseRequested_ = false;
    return requested;
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
    return chars_.take();
}

int TKeyboard::takeButton() {
    return buttons_.take();
}

void TKeyboard::flush() {
    held_.fill(false);
    hits_.fill(0);
    chars_.clear();
    buttons_.clear();
}

TKeyboard& keyboard() {
    return platform().state<TKeyboard>();
}

void pollEvents() {
    TPlatform& installed = platform();
    if (installed.eventSource != nullptr) {
        installed.eventSource->pump(installed.state<TKeyboard>());
    }
}

int keyHit(int code) {
    return keyboard().takeHits(code);
}

bool keyDown(int code) {
    return keyboard().isDown(code);
}

int getChar() {
    return keyboard().takeChar();
}

int getButton() {
    return keyboard().takeButton();
}

void flushKeys() {
    keyboard().flush();
}

bool appCloseRequested() {
    return keyboard().closeWasRequested();
}

bool pauseRequested() {
    return keyboard().takePauseRequest();
}

}  // namespace gb
