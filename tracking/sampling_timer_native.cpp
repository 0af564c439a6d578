#include "tracking/platform_seams.h"

namespace {
// Natively there is no message loop to deliver ticks: the timer never starts.
class NoSamplingTimer final : public SamplingTimer {
public:
    std::uintptr_t Start() override { return 0; }
    void Stop(std::uintptr_t) override {}
};
}  // namespace

SamplingTimer& SystemSamplingTimer() {
    static NoSamplingTimer timer;
    return timer;
}
