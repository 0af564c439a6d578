#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tests/unit/tracking_fakes.h"

namespace {

class TimelineTest : public EditorAndStudioTest {
protected:
    // The local clock runs with the tick: 23:58:00 on 30 November at tick 1000.
    void At(std::uint32_t tick) { clock.utc = start + (tick - 1000) / 1000; }
    std::int64_t start = CalendarSeconds({2026, 11, 30, 23, 58, 0});

    // The timer's ticks, one a second, up to and with `until`, the window in front.
    void TicksUntil(WindowHandle window, std::uint32_t until) {
        for (std::uint32_t tick = lastTick + 1000; tick < until; tick += 1000) Sample(window, tick);
        Sample(window, until);
    }
    void Sample(WindowHandle window, std::uint32_t tick) {
        At(tick);
        SampleWindow(window, tick);
        lastTick = tick;
    }
    std::uint32_t lastTick = 0;

    std::string File(int year, int month) const {
        char name[32];
        std::snprintf(name, sizeof name, "user1-Timeline-%04d-%02d.tsv", year, month);
        return ReadFileBytes(folder.File(name));
    }

    // The seconds of each start date's lines, and of each of the log's days.
    static std::map<std::string, int> LineSums(const std::string& file) {
        std::map<std::string, int> sums;
        std::istringstream lines(file);
        std::string line;
        std::getline(lines, line);  // the header
        while (std::getline(lines, line)) sums[line.substr(0, 10)] += std::stoi(line.substr(20));
        return sums;
    }
    int LoggedOn(int year, int month, int day) const { return TimeOf(DateOf(year, month, day)); }
};

TEST_F(TimelineTest, EveryCreditIsALineOfItsStartMonthAndMidnightSplitsLogAndTimelineAlike) {
    Sample(kEditorWindow, 1000);
    TicksUntil(kEditorWindow, 60000);
    TicksUntil(kStudioWindow, 61000);
    // No input from 70 s on: away from then, noticed a minute later, after midnight.
    SetAwayMinutes(1);
    input.At(70000);
    TicksUntil(kStudioWindow, 130000);
    TicksUntil(kStudioWindow, 190000);
    input.At(190500);
    Sample(kStudioWindow, 191000);
    Sample(kEditorWindow, 191300);  // 300 ms of Studio: no line
    TicksUntil(kEditorWindow, 200300);
    At(201300);
    NoteSessionChange(SessionChange::Locked, 201300);
    lastTick = 201300;
    TicksUntil(kStudioWindow, 230300);
    NoteSessionChange(SessionChange::Unlocked, 231000);
    Sample(kStudioWindow, 231300);
    At(241300);
    CreditPendingStretch(241300);  // suspend or shutdown
    SaveTracker();

    EXPECT_EQ(File(2026, 11), "start\tseconds\tapplication\tdocument\n"
                              "2026-11-30 23:58:00\t60\tEditor\tnotes.txt\n"
                              "2026-11-30 23:59:00\t9\tStudio\tmain.cpp\n"
                              "2026-11-30 23:59:09\t51\tInactive\t23.59 - ...\n");
    EXPECT_EQ(File(2026, 12), "start\tseconds\tapplication\tdocument\n"
                              "2026-12-01 00:00:00\t70\tInactive\t23.59 - ...\n"
                              "2026-12-01 00:01:10\t10\tEditor\tnotes.txt\n"
                              "2026-12-01 00:01:20\t30\tInactive\t00.01 - ...\n"
                              "2026-12-01 00:01:50\t10\tStudio\tmain.cpp\n");
    // The absence across midnight is split there, in both records: each day agrees.
    EXPECT_EQ(LineSums(File(2026, 11)), (std::map<std::string, int>{{"2026-11-30", 120}}));
    EXPECT_EQ(LineSums(File(2026, 12)), (std::map<std::string, int>{{"2026-12-01", 120}}));
    EXPECT_EQ(LoggedOn(2026, 11, 30), 120);
    EXPECT_EQ(LoggedOn(2026, 12, 1), 120);

    // Off, nothing more is kept; what was written stays, once.
    SetTimelineOn(false);
    input.At(241300);
    TicksUntil(kStudioWindow, 250300);
    input.At(251300);
    Sample(kEditorWindow, 251300);
    SaveTracker();
    EXPECT_EQ(LineSums(File(2026, 12)), (std::map<std::string, int>{{"2026-12-01", 120}}));
    EXPECT_EQ(LoggedOn(2026, 12, 1), 130);
}

TEST_F(TimelineTest, ABatchStartsTheFileOrAFreshLineAndACutLineCanNeverPassForAWholeOne) {
    const std::string header(kTimelineHeader);
    const std::string line = "2026-12-07 09:00:00\t5\tEditor\tnotes.txt\n";
    const struct {
        const char* name;
        bool exists;
        std::string before;
        std::string after;
    } cases[] = {
        {"a new file gets the header", false, "", header + line},
        {"an empty file gets the header", true, "", header + line},
        {"whole lines are followed", true, header + line, header + line + line},
        {"a cut line is closed with more tabs than a whole line holds", true, header + "2026-12-07 09:00:00\t5\tEdi",
         header + "2026-12-07 09:00:00\t5\tEdi\t\t\t\t\n" + line},
    };
    for (const auto& each : cases) {
        const std::string path = folder.File("user1-Timeline-2026-12.tsv");
        std::filesystem::remove(path);
        if (each.exists) std::ofstream(path, std::ios::binary) << each.before;
        RecordStretch({2026, 12, 7, 9, 0, 0}, 5, "Editor", "notes.txt");
        EXPECT_TRUE(SaveTimeline()) << each.name;
        EXPECT_EQ(ReadFileBytes(path), each.after) << each.name;
    }
}

TEST_F(TimelineTest, ATimelineThatCannotBeWrittenKeepsItsLinesAndNeverStopsTheLogsSave) {
    clock.Set(2026, 12, 7, 9, 0, 0);
    SampleWindow(kEditorWindow, 1000);
    SampleWindow(kStudioWindow, 6000);
    // A folder where the month's file should be: it cannot be opened for writing.
    const std::string blocked = folder.File("user1-Timeline-2026-12.tsv");
    std::filesystem::create_directory(blocked);

    SaveTracker();
    EXPECT_TRUE(FileExists(LogPath())) << "the log is saved";
    EXPECT_TRUE(CurrentTroubles().Holds(TrackerTrouble::TimelineNotSaved)) << "the failure is told";

    std::filesystem::remove(blocked);
    SaveTracker();
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::TimelineNotSaved)) << "the line waited for this save";
    EXPECT_EQ(File(2026, 12), std::string(kTimelineHeader) + "2026-12-07 08:59:55\t5\tEditor\tnotes.txt\n");
}

// Lowers how much the timeline keeps in memory, so that a few lines pass it; restored after.
class ScopedTimelineMemoryLimit {
public:
    explicit ScopedTimelineMemoryLimit(std::size_t bytes) { SetTimelineMemoryLimit(bytes); }
    ~ScopedTimelineMemoryLimit() { SetTimelineMemoryLimit(0); }
    ScopedTimelineMemoryLimit(const ScopedTimelineMemoryLimit&) = delete;
    ScopedTimelineMemoryLimit& operator=(const ScopedTimelineMemoryLimit&) = delete;
};

std::string LineAt(int month, int second) {
    char line[64];
    std::snprintf(line, sizeof line, "2026-%02d-07 09:00:%02d\t1\tEditor\tnotes.txt\n", month, second);
    return line;
}

TEST_F(TimelineTest, LinesPastTheMemoryLimitWaitInASideFileAndEveryOneArrivesOnceInOrder) {
    const ScopedTimelineMemoryLimit limit(100);  // two lines and a half
    const std::string waiting = folder.File("user1-Timeline.waiting.tsv");
    const std::string blocked = folder.File("user1-Timeline-2026-12.tsv");
    std::filesystem::create_directory(blocked);
    auto record = [](int month, int second) { RecordStretch({2026, month, 7, 9, 0, second}, 1, "Editor", "notes.txt"); };

    record(12, 0);
    record(11, 1);  // November's file can be written, December's cannot
    EXPECT_FALSE(SaveTimeline());
    EXPECT_FALSE(FileExists(waiting)) << "below the limit, lines wait in memory";
    EXPECT_EQ(File(2026, 11), std::string(kTimelineHeader) + LineAt(11, 1));
    record(12, 2);
    record(12, 3);
    EXPECT_FALSE(SaveTimeline());
    EXPECT_EQ(ReadFileBytes(waiting), LineAt(12, 0) + LineAt(12, 2) + LineAt(12, 3));

    // A November line joins the side file: November takes it while December fails, and not
    // again at the next saves.
    record(11, 4);
    record(12, 5);
    record(12, 6);
    EXPECT_FALSE(SaveTimeline());
    EXPECT_FALSE(SaveTimeline());
    EXPECT_EQ(File(2026, 11), std::string(kTimelineHeader) + LineAt(11, 1) + LineAt(11, 4));
    record(12, 7);
    SetPendingTimelineAside();  // at close, what is left in memory is not dropped
    EXPECT_TRUE(TimelineLinesWait());

    std::filesystem::remove(blocked);
    record(12, 8);
    EXPECT_TRUE(SaveTimeline());
    EXPECT_EQ(File(2026, 12), std::string(kTimelineHeader) + LineAt(12, 0) + LineAt(12, 2) + LineAt(12, 3) +
                                  LineAt(12, 5) + LineAt(12, 6) + LineAt(12, 7) + LineAt(12, 8));
    EXPECT_EQ(File(2026, 11), std::string(kTimelineHeader) + LineAt(11, 1) + LineAt(11, 4));
    EXPECT_FALSE(FileExists(waiting));
    EXPECT_FALSE(TimelineLinesWait());
}

// A process ended between a month's append and the side file's removal, or a removal refused:
// the month's file already ends with the side file's first lines.
TEST_F(TimelineTest, WhatASideFileAlreadyGaveItsMonthIsNotAppendedTwice) {
    const std::string header(kTimelineHeader);
    const std::string a = LineAt(12, 1), b = LineAt(12, 2), c = LineAt(12, 3);
    const std::string earlier = LineAt(12, 0);
    const struct {
        const char* name;
        std::string monthFile;
        std::string after;
    } cases[] = {
        {"all of it was appended", header + earlier + a + b + c, header + earlier + a + b + c},
        {"its first lines were, the rest came later", header + earlier + a, header + earlier + a + b + c},
        {"a crash cut the line after them", header + a + b.substr(0, 12), header + a + b.substr(0, 12) + "\t\t\t\t\n" + b + c},
        {"none of it was", header + earlier, header + earlier + a + b + c},
        {"the month has no file yet", "", header + a + b + c},
    };
    const std::string waiting = folder.File("user1-Timeline.waiting.tsv");
    const std::string month = folder.File("user1-Timeline-2026-12.tsv");
    for (const auto& each : cases) {
        std::filesystem::remove(month);
        if (!each.monthFile.empty()) WriteFileBytes(month, each.monthFile);
        WriteFileBytes(waiting, a + b + c);
        EXPECT_TRUE(SaveTimeline()) << each.name;
        EXPECT_EQ(ReadFileBytes(month), each.after) << each.name;
        EXPECT_FALSE(FileExists(waiting)) << each.name;
    }
}

// Wall-clock subtraction would put both an hour late.
TEST_F(TimelineTest, StartsAndAwayMinutesBeforeADaylightSavingChangeKeepTheirOwnOffset) {
    start = CalendarSeconds({2026, 3, 29, 1, 59, 30});
    clock.shiftAt = start + 30;  // at 02:00 the clocks go forward to 03:00
    clock.shift = 3600;
    SetAwayMinutes(1);
    input.At(21000);  // 01:59:50
    Sample(kEditorWindow, 1000);
    TicksUntil(kEditorWindow, 81000);  // away noticed at 03:00:50
    TicksUntil(kEditorWindow, 90000);
    input.At(90500);
    Sample(kEditorWindow, 91000);
    SaveTracker();
    EXPECT_EQ(File(2026, 3), std::string(kTimelineHeader) +
                                 "2026-03-29 01:59:30\t20\tEditor\tnotes.txt\n"
                                 "2026-03-29 01:59:50\t70\tInactive\t01.59 - ...\n");
}

}  // namespace
