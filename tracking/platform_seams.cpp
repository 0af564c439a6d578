#include "tracking/platform_seams.h"

namespace {
WindowTitleSource* ReplacedTitleSource = nullptr;
LastInputSource* ReplacedLastInput = nullptr;
LocalClock* ReplacedClock = nullptr;
PresenceSource* ReplacedPresence = nullptr;
SamplingTimer* ReplacedSamplingTimer = nullptr;
}  // namespace

WindowTitleSource& ActiveTitleSource() {
    return ReplacedTitleSource ? *ReplacedTitleSource : SystemTitleSource();
}

LastInputSource& ActiveLastInput() {
    return ReplacedLastInput ? *ReplacedLastInput : SystemLastInput();
}

LocalClock& ActiveClock() {
    return ReplacedClock ? *ReplacedClock : SystemClock();
}

PresenceSource& ActivePresence() {
    return ReplacedPresence ? *ReplacedPresence : SystemPresence();
}

SamplingTimer& ActiveSamplingTimer() {
    return ReplacedSamplingTimer ? *ReplacedSamplingTimer : SystemSamplingTimer();
}

void SetTitleSource(WindowTitleSource* source) {
    ReplacedTitleSource = source;
}

void SetLastInputSource(LastInputSource* source) {
    ReplacedLastInput = source;
}

void SetClock(LocalClock* clock) {
    ReplacedClock = clock;
}

void SetPresenceSource(PresenceSource* source) {
    ReplacedPresence = source;
}

void SetSamplingTimer(SamplingTimer* timer) {
    ReplacedSamplingTimer = timer;
}
