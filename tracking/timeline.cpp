#include "tracking/timeline.h"

#include <cstdio>
#include <map>

#include "base/code_page.h"
#include "base/program_paths.h"
#include "files/file_replace.h"

namespace {

bool TimelineOn = true;

// The lines waiting for a save, by month (year * 100 + month), in the order they were credited.
std::map<int, std::string> Pending;

// "<user>-Timeline-YYYY-MM.tsv".
std::string TimelineFileName(std::string_view user, int year, int month) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-Timeline-%04d-%02d.tsv", year, month);
    return std::string(user) + suffix;
}

// The line of one stretch, names in UTF-8, ended by a line break.
std::string TimelineLine(const LocalDateTime& start, int seconds, std::string_view appUtf8, std::string_view docUtf8) {
    char head[48];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d\t%d\t", start.year, start.month, start.day,
                  start.hour, start.minute, start.second, seconds);
    std::string line(head);
    line.append(appUtf8).append(1, '\t').append(docUtf8).append(1, '\n');
    return line;
}

// What to append to a file: the header when it is empty, and, when its last line was cut short
// (a crash in the middle of a write), tabs that no whole line holds and the line break before
// `lines`, so that every reader can tell the cut line from a whole one.
std::string TimelineAppendBytes(bool fileEmpty, bool endsWithLineBreak, std::string_view lines) {
    std::string bytes;
    bytes.reserve(lines.size() + kTimelineHeader.size() + 5);
    if (fileEmpty) {
        bytes.append(kTimelineHeader);
    } else if (!endsWithLineBreak) {
        // A whole line holds three tabs; the cut one then holds at least four.
        bytes.append("\t\t\t\t\n");
    }
    bytes.append(lines);
    return bytes;
}

// Appends lines in one write, flushed; a failed write cuts the file back to its old length.
SaveResult AppendTimelineFile(const std::string& narrowPath, std::string_view lines) {
    return AppendFileContents(narrowPath, [lines](bool empty, bool endsWithLineBreak) {
        return TimelineAppendBytes(empty, endsWithLineBreak, lines);
    });
}

}  // namespace

void SetTimelineOn(bool on) { TimelineOn = on; }
bool TimelineIsOn() { return TimelineOn; }

void RecordStretch(const LocalDateTime& start, int seconds, std::string_view app, std::string_view doc) {
    if (!TimelineOn || seconds <= 0) return;
    Pending[start.year * 100 + start.month] += TimelineLine(start, seconds, NarrowToUtf8(app), NarrowToUtf8(doc));
}

void DropPendingTimeline() { Pending.clear(); }

SaveResult SaveTimeline() {
    SaveResult first;
    // One write for each month; the lines of a month that could not be written wait.
    for (auto month = Pending.begin(); month != Pending.end();) {
        const SaveResult result =
            AppendTimelineFile(ProgramDir + TimelineFileName(UserName, month->first / 100, month->first % 100), month->second);
        if (result) {
            month = Pending.erase(month);
        } else {
            if (first) first = result;
            ++month;
        }
    }
    return first;
}
