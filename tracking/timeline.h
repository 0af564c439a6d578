// The day's timeline: every credited stretch with its local start, kept in memory and
// appended, whenever the time log is saved, to a per-user, per-month text file beside it.
// The file is UTF-8 without a byte order mark: a header line, then one line a stretch of
// start ("YYYY-MM-DD HH:MM:SS"), seconds, application and document, separated by tabs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "files/save_result.h"
#include "tracking/platform_seams.h"

inline constexpr std::string_view kTimelineHeader = "start\tseconds\tapplication\tdocument\n";

// Whether stretches are kept; the program hands over the user's setting. Lines kept before it
// was turned off are still written.
void SetTimelineOn(bool on);
bool TimelineIsOn();

// "<user>-Timeline-YYYY-MM.tsv".
std::string TimelineFileName(std::string_view user, int year, int month);
// The line of one stretch, names in UTF-8, ended by a line break.
std::string TimelineLine(const LocalDateTime& start, int seconds, std::string_view appUtf8, std::string_view docUtf8);
// The local date and time that many seconds earlier, on the calendar alone.
LocalDateTime SecondsBefore(const LocalDateTime& moment, long seconds);

// Keeps the stretch that began at `start` for the next save; names in narrow text as credited.
// Nothing for zero seconds or while the timeline is off.
void RecordStretch(const LocalDateTime& start, int seconds, std::string_view app, std::string_view doc);
// The lines waiting for a save.
std::size_t PendingTimelineLines();
// Forgets what waits (a new run, a test).
void DropPendingTimeline();

// What to append to a file: the header when it is empty, and, when its last line was cut short
// (a crash in the middle of a write), tabs that no whole line holds and the line break before
// `lines`, so that every reader can tell the cut line from a whole one.
std::string TimelineAppendBytes(bool fileEmpty, bool endsWithLineBreak, std::string_view lines);

// Appends the waiting lines to their months' files beside the time log, each file in one write
// and flushed. The lines of a file that could not be written wait for the next save; the
// result is the first failure. The listener hears of every outcome.
SaveResult SaveTimeline();
using TimelineSaveListener = void (*)(SaveResult result);
void SetTimelineSaveListener(TimelineSaveListener listener);

// Appends lines to a timeline file as TimelineAppendBytes says, in one write, flushed; a failed
// write cuts the file back to its old length.
SaveResult AppendTimelineFile(const std::string& narrowPath, std::string_view lines);
