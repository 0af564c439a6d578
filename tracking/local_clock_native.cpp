#include <ctime>

#include "tracking/platform_seams.h"

namespace {
class SystemLocalClock final : public LocalClock {
public:
    std::int64_t UtcNow() override { return static_cast<std::int64_t>(std::time(nullptr)); }
    LocalDateTime LocalTimeAt(std::int64_t utcSeconds) override {
        const auto instant = static_cast<std::time_t>(utcSeconds);
        std::tm local{};
        localtime_r(&instant, &local);
        LocalDateTime result;
        result.year = local.tm_year + 1900;
        result.month = local.tm_mon + 1;
        result.day = local.tm_mday;
        result.hour = local.tm_hour;
        result.minute = local.tm_min;
        result.second = local.tm_sec;
        return result;
    }
};
}  // namespace

LocalClock& SystemClock() {
    static SystemLocalClock clock;
    return clock;
}
