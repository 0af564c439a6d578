#include <gtest/gtest.h>

#include "tracking/calendar.h"

namespace {

TEST(CalendarTest, DayNumbersCountDaysSince30December1899BothWays) {
    const struct {
        LocalDateTime date;
        int serial;
        const char* why;
    } cases[] = {
        {{1899, 12, 30}, 0, ""},
        {{1900, 1, 1}, 2, ""},
        {{1900, 3, 1}, 61, "1900 is no leap year"},
        {{1970, 1, 1}, 25569, ""},
        {{2000, 1, 1}, 36526, ""},
        {{2000, 3, 1}, 36586, "2000 is a leap year"},
        {{2026, 12, 31}, 46387, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DaySerial(c.date), c.serial) << c.why;
        const LocalDateTime back = DateOfSerial(c.serial);
        EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day, c.date.year * 10000 + c.date.month * 100 + c.date.day)
            << c.serial;
    }
    EXPECT_EQ(DaySerial({2007, 4, 21, 23, 59}), 39193) << "the time of day does not count";
}

TEST(CalendarTest, CalendarSecondsCrossDaysMonthsAndYears) {
    const LocalDateTime newYear = CalendarTime(CalendarSeconds({2026, 12, 31, 23, 59, 59}) + 1);
    EXPECT_EQ(MinuteStamp(newYear), "20270101-0000");
    const LocalDateTime before1970 = CalendarTime(CalendarSeconds({1970, 1, 1, 0, 0, 0}) - 61);
    EXPECT_EQ(MinuteStamp(before1970), "19691231-2358");
    EXPECT_EQ(before1970.second, 59);
    EXPECT_EQ(MinuteStamp(CalendarTime(CalendarSeconds({2028, 2, 28, 12, 0, 0}) + 24 * 3600)), "20280229-1200");
}

}  // namespace
