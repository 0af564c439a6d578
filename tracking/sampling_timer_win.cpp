#include <windows.h>

#include "tracking/platform_seams.h"
#include "tracking/sampler_win.h"

namespace {
// A thread timer without a window: the message loop dispatches its ticks to OnTrackTimer
// whatever window or modal loop is running.
class ThreadSamplingTimer final : public SamplingTimer {
public:
    std::uintptr_t Start() override { return SetTimer(nullptr, 0, 1000, OnTrackTimer); }
    void Stop(std::uintptr_t timerId) override { KillTimer(nullptr, timerId); }
};
}  // namespace

SamplingTimer& SystemSamplingTimer() {
    static ThreadSamplingTimer timer;
    return timer;
}
