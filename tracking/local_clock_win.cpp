#include <windows.h>

#include "tracking/platform_seams.h"

namespace {

// FILETIME counts 100-nanosecond intervals since 1 January 1601.
constexpr std::int64_t kIntervalsPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

class SystemLocalClock final : public LocalClock {
public:
    std::int64_t UtcNow() override {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const std::int64_t intervals =
            static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
        return intervals / kIntervalsPerSecond - kSecondsFrom1601To1970;
    }
    LocalDateTime LocalTimeAt(std::int64_t utcSeconds) override {
        const auto intervals = static_cast<std::uint64_t>((utcSeconds + kSecondsFrom1601To1970) * kIntervalsPerSecond);
        FILETIME instant;
        instant.dwLowDateTime = static_cast<DWORD>(intervals);
        instant.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
        SYSTEMTIME utc{}, local{};
        // The zone's rule for that instant, not the offset of now: the start of a stretch
        // that began before a daylight-saving change keeps the offset it began with.
        if (!FileTimeToSystemTime(&instant, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
            GetLocalTime(&local);
        LocalDateTime result;
        result.year = local.wYear;
        result.month = local.wMonth;
        result.day = local.wDay;
        result.hour = local.wHour;
        result.minute = local.wMinute;
        result.second = local.wSecond;
        return result;
    }
};

}  // namespace

LocalClock& SystemClock() {
    static SystemLocalClock clock;
    return clock;
}
