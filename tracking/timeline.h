// The day's timeline: every credited stretch with its local start, kept in memory and
// appended, whenever the time log is saved, to a per-user, per-month text file beside it,
// "<user>-Timeline-YYYY-MM.tsv".
// The file is UTF-8 without a byte order mark: a header line, then one line a stretch of
// start ("YYYY-MM-DD HH:MM:SS"), seconds, application and document, separated by tabs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_result.h"
#include "tracking/calendar.h"

inline constexpr std::string_view kTimelineHeader = "start\tseconds\tapplication\tdocument\n";
// While the months' files cannot be written, their lines wait in memory up to about this many
// bytes, and past it in "<user>-Timeline.waiting.tsv" beside them: the same lines, no header,
// each month's in the order they were credited.
inline constexpr std::size_t kTimelineMemoryLimit = std::size_t{1} << 20;
inline constexpr std::string_view kTimelineWaitingFileSuffix = "-Timeline.waiting.tsv";

// Whether stretches are kept; the program hands over the user's setting. Lines kept before it
// was turned off are still written.
void SetTimelineOn(bool on);
bool TimelineIsOn();

// Keeps the stretch that began at `start` for the next save; names in narrow text as credited.
// Nothing for zero seconds or while the timeline is off.
void RecordStretch(const LocalDateTime& start, int seconds, std::string_view app, std::string_view doc);
// At close, after the last save: what still waits in memory goes to the waiting file, for the
// next run's saves.
void SetPendingTimelineAside();
// Whether lines wait for their months' files, in memory or in the waiting file.
bool TimelineLinesWait();

// Appends the waiting lines to their months' files beside the time log, each file in one write
// and flushed: first those of the waiting file, each once, then those in memory. The lines of a
// file that could not be written wait for the next save; the result is the first failure.
SaveResult SaveTimeline();

// For tests: another memory limit; 0 restores kTimelineMemoryLimit.
void SetTimelineMemoryLimit(std::size_t bytes);

// One stretch as a month's line holds it, names in UTF-8.
struct TimelineEntry {
    LocalDateTime start;
    int seconds = 0;
    std::string appUtf8;
    std::string docUtf8;
};
// Reads a line without its line break; false for the header, a cut line or anything else.
bool ParseTimelineLine(std::string_view line, TimelineEntry& entry);
// The line of a stretch, ended by a line break.
std::string TimelineLineOf(const TimelineEntry& entry);

// A month's lines as they stand now, in the order they were credited: its file's (header
// included), then those waiting for it in the waiting file and in memory.
std::string TimelineMonthLines(int year, int month);
// A month's file alone; false when it exists but cannot be read.
bool ReadTimelineMonth(int year, int month, std::string& bytes);

// A whole line (line break included) of a month's file and what takes its place: zero or more
// whole lines.
struct TimelineLineChange {
    std::string line;
    std::string replacement;
};
// Replaces each changed line of a month's file in one atomic replace, each change once. A line
// no longer there is passed over, so that doing it again changes nothing.
SaveResult ChangeTimelineLines(int year, int month, const std::vector<TimelineLineChange>& changes);
