// Dates and times of day: day numbers, local date and time, minute stamps, and the local time
// of an instant, read through the clock seam so that it is right across a daylight-saving change.
#pragma once

#include <cstdint>
#include <string>

struct LocalDateTime {
    int year = 0;
    int month = 0;   // 1 to 12
    int day = 0;     // 1 to 31
    int hour = 0;    // 0 to 23
    int minute = 0;  // 0 to 59
    int second = 0;  // 0 to 59
};

// Days since 30 December 1899 (1 January 1900 is 2), from the calendar fields alone.
int DaySerial(const LocalDateTime& date);
// The date of such a day number, at midnight.
LocalDateTime DateOfSerial(std::int64_t serial);

// The fields as seconds since 1 January 1970 on a clock that never changes its offset, and
// back: arithmetic on dates and times of day, not on instants.
std::int64_t CalendarSeconds(const LocalDateTime& time);
LocalDateTime CalendarTime(std::int64_t seconds);

// "20261207-0905": the minute a file that could not be read is set aside under.
std::string MinuteStamp(const LocalDateTime& time);
std::string MinuteStampNow();

// The first instant after `utcSeconds`, at most `limit`, whose local date is a later one: the
// local midnight that follows, wherever a daylight-saving change put it; `limit` when none.
std::int64_t NextLocalDate(std::int64_t utcSeconds, std::int64_t limit);

// Seconds since 1 January 1970, UTC, by the clock seam.
std::int64_t UtcNow();
// The local date and time at an instant, and now.
LocalDateTime LocalTimeAt(std::int64_t utcSeconds);
LocalDateTime LocalNow();
