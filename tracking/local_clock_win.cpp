#include <windows.h>

#include "tracking/platform_seams.h"

namespace {
class SystemLocalClock final : public LocalClock {
public:
    LocalDateTime Now() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        LocalDateTime result;
        result.year = now.wYear;
        result.month = now.wMonth;
        result.day = now.wDay;
        result.hour = now.wHour;
        result.minute = now.wMinute;
        result.second = now.wSecond;
        return result;
    }
};
}  // namespace

LocalClock& SystemClock() {
    static SystemLocalClock clock;
    return clock;
}
