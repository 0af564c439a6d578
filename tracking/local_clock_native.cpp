#include <ctime>

#include "tracking/platform_seams.h"

namespace {
class SystemLocalClock final : public LocalClock {
public:
    LocalDateTime Now() override {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
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
