#include "tracking/timeline.h"

#include <cstdio>
#include <map>

#include "base/code_page.h"
#include "base/program_paths.h"
#include "files/file_replace.h"
#include "files/file_tail.h"

namespace {

bool TimelineOn = true;
std::size_t MemoryLimit = kTimelineMemoryLimit;

// The lines waiting for a save, by month (year * 100 + month), in the order they were credited.
std::map<int, std::string> Pending;

// What closes a line cut short by a crash in the middle of a write: a whole line holds three
// tabs, the cut one then holds at least four.
constexpr std::string_view kCutLineEnd = "\t\t\t\t\n";
// Room for one cut line in front of what an earlier save appended: names are cut to a limit.
constexpr std::size_t kCutLineRoom = 4096;

// "<user>-Timeline-YYYY-MM.tsv".
std::string TimelineFileName(std::string_view user, int year, int month) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-Timeline-%04d-%02d.tsv", year, month);
    return std::string(user) + suffix;
}

std::string MonthFilePath(int month) { return ProgramDir + TimelineFileName(UserName, month / 100, month % 100); }

std::string WaitingFilePath() { return ProgramDir + UserName + std::string(kTimelineWaitingFileSuffix); }

// The line of one stretch, names in UTF-8, ended by a line break.
std::string TimelineLine(const LocalDateTime& start, int seconds, std::string_view appUtf8, std::string_view docUtf8) {
    char head[48];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d\t%d\t", start.year, start.month, start.day,
                  start.hour, start.minute, start.second, seconds);
    std::string line(head);
    line.append(appUtf8).append(1, '\t').append(docUtf8).append(1, '\n');
    return line;
}

// The month (year * 100 + month) a line starts in; 0 for a line that does not start with one.
int MonthOfLine(std::string_view line) {
    if (line.size() < 7 || line[4] != '-') return 0;
    int month = 0;
    for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u}) {
        if (line[i] < '0' || line[i] > '9') return 0;
        month = month * 10 + (line[i] - '0');
    }
    return month % 100 >= 1 && month % 100 <= 12 ? month : 0;
}

// What to append to a file: the header when it is empty (the side file has none), and, when
// its last line was cut short, what closes it and the line break before `lines`, so that every
// reader can tell the cut line from a whole one.
std::string TimelineAppendBytes(bool header, bool endsWithLineBreak, std::string_view lines) {
    std::string bytes;
    bytes.reserve(lines.size() + kTimelineHeader.size() + kCutLineEnd.size());
    if (header) {
        bytes.append(kTimelineHeader);
    } else if (!endsWithLineBreak) {
        bytes.append(kCutLineEnd);
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

// Moves what waits in memory to the end of the side file, after the older lines it holds.
// On failure the lines stay in memory.
SaveResult SetPendingAside() {
    std::string lines;
    for (const auto& month : Pending) lines += month.second;
    if (lines.empty()) return {};
    const SaveResult result = AppendFileContents(WaitingFilePath(), [&lines](bool, bool endsWithLineBreak) {
        return TimelineAppendBytes(false, endsWithLineBreak, lines);
    });
    if (result) Pending.clear();
    return result;
}

// How many bytes at the start of `block`, in whole lines, the file whose end is `fileEnd`
// already ends with, a line cut by a crash after them aside.
std::size_t AlreadyAppended(std::string_view fileEnd, std::string_view block) {
    fileEnd = fileEnd.substr(0, fileEnd.rfind('\n') + 1);
    std::size_t length = block.size();
    // Every line of the block holds a date, so `length` never falls to a lone line break.
    while (length > 0) {
        if (fileEnd.size() >= length && fileEnd.substr(fileEnd.size() - length) == block.substr(0, length))
            return length;
        const std::size_t previousEnd = block.rfind('\n', length - 2);
        length = previousEnd == std::string_view::npos ? 0 : previousEnd + 1;
    }
    return 0;
}

// Appends the side file's lines to their months' files and removes it; the result is the first
// failure, and the side file stays until every month took its lines.
// Each line goes out once. The side file only grows at its end until it is removed, and nothing
// else is appended to a month while it exists, so a month's file that took some of its lines
// before (a crash before the removal, another month that failed, a removal refused) still ends
// with the first of them: those are not appended again.
SaveResult WriteOutWaitingFile() {
    const std::string path = WaitingFilePath();
    if (ProbeFile(path) == FileState::Missing) return {};
    std::string bytes;
    if (!ReadFileTail(path, std::string::npos, bytes)) return {SaveFailure::FileInUse};
    if (!bytes.empty() && bytes.back() != '\n') bytes.append(kCutLineEnd);
    std::map<int, std::string> months;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find('\n', start) + 1;
        const std::string_view line(bytes.data() + start, end - start);
        // Nothing but our lines is ever written there; what names no month has no file to go to.
        if (const int month = MonthOfLine(line)) months[month].append(line);
        start = end;
    }
    SaveResult first;
    for (const auto& [month, block] : months) {
        const std::string monthPath = MonthFilePath(month);
        std::string fileEnd;
        SaveResult result;
        if (!ReadFileTail(monthPath, block.size() + kCutLineRoom, fileEnd)) {
            result = {SaveFailure::FileInUse};
        } else if (const std::size_t appended = AlreadyAppended(fileEnd, block); appended < block.size()) {
            result = AppendTimelineFile(monthPath, std::string_view(block).substr(appended));
        }
        if (!result && first) first = result;
    }
    if (first && std::remove(path.c_str()) != 0) first = {SaveFailure::FileInUse};
    return first;
}

std::size_t PendingBytes() {
    std::size_t bytes = 0;
    for (const auto& month : Pending) bytes += month.second.size();
    return bytes;
}

}  // namespace

void SetTimelineOn(bool on) { TimelineOn = on; }
bool TimelineIsOn() { return TimelineOn; }
void SetTimelineMemoryLimit(std::size_t bytes) { MemoryLimit = bytes ? bytes : kTimelineMemoryLimit; }

void RecordStretch(const LocalDateTime& start, int seconds, std::string_view app, std::string_view doc) {
    if (!TimelineOn || seconds <= 0) return;
    Pending[start.year * 100 + start.month] += TimelineLine(start, seconds, NarrowToUtf8(app), NarrowToUtf8(doc));
}

void SetPendingTimelineAside() {
    // The next run's first save appends them. When even the side file cannot be written, they
    // are lost with the process.
    SetPendingAside();
    Pending.clear();
}

bool TimelineLinesWait() { return !Pending.empty() || ProbeFile(WaitingFilePath()) != FileState::Missing; }

SaveResult SaveTimeline() {
    // The side file's lines are older than those in memory: they go out first, and while it
    // stays, what is in memory waits behind it.
    SaveResult first = WriteOutWaitingFile();
    const bool waitingFileGone = static_cast<bool>(first);
    // One write for each month; the lines of a month that could not be written wait.
    for (auto month = Pending.begin(); waitingFileGone && month != Pending.end();) {
        const SaveResult result = AppendTimelineFile(MonthFilePath(month->first), month->second);
        if (result) {
            month = Pending.erase(month);
        } else {
            if (first) first = result;
            ++month;
        }
    }
    // Memory holds about the limit; more waits in the side file (kept in memory when that
    // cannot be written either, as nothing else can hold it).
    if (PendingBytes() > MemoryLimit) SetPendingAside();
    return first;
}

namespace {

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

bool ParseTimelineLine(std::string_view line, TimelineEntry& entry) {
    // "YYYY-MM-DD HH:MM:SS", seconds, application, document: exactly three tabs.
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    const std::size_t third = second == std::string_view::npos ? second : line.find('\t', second + 1);
    if (first != 19 || third == std::string_view::npos || line.find('\t', third + 1) != std::string_view::npos)
        return false;
    LocalDateTime start;
    if (!ReadDigits(line, 0, 4, start.year) || line[4] != '-' || !ReadDigits(line, 5, 2, start.month) ||
        line[7] != '-' || !ReadDigits(line, 8, 2, start.day) || line[10] != ' ' || !ReadDigits(line, 11, 2, start.hour) ||
        line[13] != ':' || !ReadDigits(line, 14, 2, start.minute) || line[16] != ':' ||
        !ReadDigits(line, 17, 2, start.second) || start.month < 1 || start.month > 12 || start.day < 1 || start.day > 31)
        return false;
    int seconds = 0;
    if (second - first - 1 > 9 || !ReadDigits(line, first + 1, second - first - 1, seconds) || seconds <= 0) return false;
    entry.start = start;
    entry.seconds = seconds;
    entry.appUtf8 = std::string(line.substr(second + 1, third - second - 1));
    entry.docUtf8 = std::string(line.substr(third + 1));
    return true;
}

std::string TimelineLineOf(const TimelineEntry& entry) {
    return TimelineLine(entry.start, entry.seconds, entry.appUtf8, entry.docUtf8);
}

bool ReadTimelineMonth(int year, int month, std::string& bytes) {
    bytes.clear();
    return ReadFileTail(MonthFilePath(year * 100 + month), std::string::npos, bytes);
}

std::string TimelineMonthLines(int year, int month) {
    std::string lines;
    ReadTimelineMonth(year, month, lines);
    if (!lines.empty() && lines.back() != '\n') lines.append(kCutLineEnd);
    std::string waiting;
    if (ReadFileTail(WaitingFilePath(), std::string::npos, waiting)) {
        for (std::size_t start = 0; start < waiting.size();) {
            std::size_t end = waiting.find('\n', start);
            if (end == std::string::npos) break;  // cut by a crash: nobody reads it
            const std::string_view line(waiting.data() + start, end + 1 - start);
            if (MonthOfLine(line) == year * 100 + month) lines.append(line);
            start = end + 1;
        }
    }
    if (const auto pending = Pending.find(year * 100 + month); pending != Pending.end()) lines += pending->second;
    return lines;
}

SaveResult ChangeTimelineLines(int year, int month, const std::vector<TimelineLineChange>& changes) {
    const std::string path = MonthFilePath(year * 100 + month);
    std::string bytes;
    if (!ReadFileTail(path, std::string::npos, bytes)) return {SaveFailure::FileInUse};
    std::multimap<std::string_view, const TimelineLineChange*> byLine;
    for (const TimelineLineChange& change : changes) byLine.emplace(change.line, &change);
    std::string changed;
    changed.reserve(bytes.size());
    bool any = false;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        const std::string_view line(bytes.data() + start, end - start);
        start = end;
        const auto found = byLine.find(line);
        if (found == byLine.end()) {
            changed.append(line);
            continue;
        }
        changed.append(found->second->replacement);
        byLine.erase(found);
        any = true;
    }
    if (!any) return {};
    return ReplaceFileContents(path, changed);
}
