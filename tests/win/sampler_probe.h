// What the sampler does with its settings, seen from outside through its seams: a tick looks
// at the window in front unless the user is away.
#pragma once

#include <cstdint>

#include "tracking/platform_seams.h"
#include "tracking/sampler.h"

// Counts the ticks that looked at the window in front; every window is untitled.
class LookCountingTitles final : public WindowTitleSource {
public:
    int TitleLength(WindowHandle) override {
        ++looks;
        return 0;
    }
    int ReadTitle(WindowHandle, char* buffer, int capacity) override {
        if (capacity > 0) buffer[0] = '\0';
        return 0;
    }
    int looks = 0;
};

// The away time in minutes the sampler works with (0 for never, up to an hour): the last input
// at the first tick, then a tick a minute with no window in front until one reads the clock to
// name the away stretch. Nothing is credited or saved on the way.
inline std::uint32_t SamplerAwayMinutes() {
    class FirstTickInput final : public LastInputSource {
    public:
        bool LastInputTick(std::uint32_t& tick) override {
            tick = 1000;
            return true;
        }
    } input;
    class CountingClock final : public LocalClock {
    public:
        std::int64_t UtcNow() override {
            ++reads;
            return 0;
        }
        LocalDateTime LocalTimeAt(std::int64_t) override { return {2026, 12, 7, 9, 5, 0}; }
        int reads = 0;
    } clock;
    SetLastInputSource(&input);
    SetClock(&clock);
    ResetSampler();
    std::uint32_t away = 0;
    for (std::uint32_t minute = 0; minute <= 60 && away == 0; ++minute) {
        SampleWindow(0, 1000 + minute * 60000);
        if (clock.reads > 0) away = minute;
    }
    ResetSampler();
    SetClock(nullptr);
    SetLastInputSource(nullptr);
    return away;
}
