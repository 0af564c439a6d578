// What the tracker asks of the platform: window titles, the user's last input, the local
// clock and the sampling timer. The *_win.cpp files provide the real ones; tests put fakes in their place.
#pragma once

#include <cstdint>

#include "tracking/calendar.h"

// A top-level window as the tracker sees it: the bits of the platform's handle, 0 for none.
using WindowHandle = std::uintptr_t;

class WindowTitleSource {
public:
    virtual ~WindowTitleSource() = default;
    // 0 for a window without a title or one that no longer exists.
    virtual int TitleLength(WindowHandle window) = 0;
    // Copies at most capacity - 1 bytes of the title and a terminating zero; returns the
    // number of bytes copied.
    virtual int ReadTitle(WindowHandle window, char* buffer, int capacity) = 0;
};

class LastInputSource {
public:
    virtual ~LastInputSource() = default;
    // The tick (the timer's millisecond clock) of the user's last keyboard or mouse input in
    // this session; false when the platform cannot tell.
    virtual bool LastInputTick(std::uint32_t& tick) = 0;
};

class LocalClock {
public:
    virtual ~LocalClock() = default;
    // Seconds since 1 January 1970, UTC.
    virtual std::int64_t UtcNow() = 0;
    // The local date and time at that instant, by the time zone's rule for that instant.
    virtual LocalDateTime LocalTimeAt(std::int64_t utcSeconds) = 0;
};

class PresenceSource {
public:
    virtual ~PresenceSource() = default;
    // True while something keeps the user present without keyboard or mouse input: sound on
    // the default output device (a film, a call, a lecture). Asked only when the user would
    // otherwise count as away.
    virtual bool MediaPlaying() = 0;
};

class SamplingTimer {
public:
    virtual ~SamplingTimer() = default;
    // Starts the one-second timer that drives the sampler; 0 when it could not be started.
    virtual std::uintptr_t Start() = 0;
    virtual void Stop(std::uintptr_t timerId) = 0;
};

// The platform's own implementations.
WindowTitleSource& SystemTitleSource();
LastInputSource& SystemLastInput();
LocalClock& SystemClock();
PresenceSource& SystemPresence();
SamplingTimer& SystemSamplingTimer();

// What the tracker uses: the platform's own unless a replacement was set (nullptr restores).
WindowTitleSource& ActiveTitleSource();
LastInputSource& ActiveLastInput();
LocalClock& ActiveClock();
PresenceSource& ActivePresence();
SamplingTimer& ActiveSamplingTimer();
void SetTitleSource(WindowTitleSource* source);
void SetLastInputSource(LastInputSource* source);
void SetClock(LocalClock* clock);
void SetPresenceSource(PresenceSource* source);
void SetSamplingTimer(SamplingTimer* timer);
