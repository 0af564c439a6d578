#include "tracking/calendar.h"

#include <cstdio>

#include "tracking/platform_seams.h"

namespace {

// 30 December 1899 lies this many days before 1 January 1970.
constexpr std::int64_t kSerialOf1970 = 25569;
// From 1 March of year 0, where the leap day falls at the end of a year.
constexpr std::int64_t kDaysFromYear0To1970 = 719468;
constexpr std::int64_t kDaysPer400Years = 146097;
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// Days since 1 January 1970 of the civil date (proleptic Gregorian).
std::int64_t DaysSince1970(const LocalDateTime& date) {
    const std::int64_t year = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPer400Years + dayOfEra - kDaysFromYear0To1970;
}

LocalDateTime DateOfDaysSince1970(std::int64_t daysSince1970) {
    const std::int64_t days = daysSince1970 + kDaysFromYear0To1970;
    const std::int64_t era = (days >= 0 ? days : days - (kDaysPer400Years - 1)) / kDaysPer400Years;
    const std::int64_t dayOfEra = days - era * kDaysPer400Years;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    LocalDateTime date;
    date.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

}  // namespace

int DaySerial(const LocalDateTime& date) { return static_cast<int>(DaysSince1970(date) + kSerialOf1970); }

LocalDateTime DateOfSerial(std::int64_t serial) { return DateOfDaysSince1970(serial - kSerialOf1970); }

std::int64_t CalendarSeconds(const LocalDateTime& time) {
    return DaysSince1970(time) * kSecondsPerDay + time.hour * 3600 + time.minute * 60 + time.second;
}

LocalDateTime CalendarTime(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t secondOfDay = seconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    LocalDateTime time = DateOfDaysSince1970(days);
    time.hour = static_cast<int>(secondOfDay / 3600);
    time.minute = static_cast<int>(secondOfDay / 60 % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    return time;
}

std::string MinuteStamp(const LocalDateTime& time) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d", time.year, time.month, time.day, time.hour, time.minute);
    return stamp;
}

std::string MinuteStampNow() { return MinuteStamp(LocalNow()); }

std::int64_t NextLocalDate(std::int64_t utcSeconds, std::int64_t limit) {
    LocalClock& clock = ActiveClock();
    const std::int64_t day = DaysSince1970(clock.LocalTimeAt(utcSeconds));
    if (limit <= utcSeconds || DaysSince1970(clock.LocalTimeAt(limit)) == day) return limit;
    // The local date only grows with the instant: halve the span until the change is found.
    std::int64_t before = utcSeconds;
    std::int64_t after = limit;
    while (after - before > 1) {
        const std::int64_t middle = before + (after - before) / 2;
        if (DaysSince1970(clock.LocalTimeAt(middle)) == day)
            before = middle;
        else
            after = middle;
    }
    return after;
}

std::int64_t UtcNow() { return ActiveClock().UtcNow(); }

LocalDateTime LocalTimeAt(std::int64_t utcSeconds) { return ActiveClock().LocalTimeAt(utcSeconds); }

LocalDateTime LocalNow() {
    LocalClock& clock = ActiveClock();
    return clock.LocalTimeAt(clock.UtcNow());
}
