#include "tracking/timeline.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

#include "base/code_page.h"
#include "base/program_paths.h"
#include "files/file_replace.h"
#include "tracking/time_log.h"

namespace {

bool TimelineOn = true;
TimelineSaveListener SaveListener = nullptr;

// The lines waiting for a save, by month (year * 100 + month), in the order they were credited.
std::map<int, std::string> Pending;

// Seconds since 30 December 1899 pass 32 bits, which a Windows long has.
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// The civil date of a day number as DaySerial counts them.
LocalDateTime DateOfSerial(std::int64_t serial) {
    const std::int64_t days = serial - 25569 + 719468;  // days since 1 March of year 0
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
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

void SetTimelineOn(bool on) { TimelineOn = on; }
bool TimelineIsOn() { return TimelineOn; }

std::string TimelineFileName(std::string_view user, int year, int month) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-Timeline-%04d-%02d.tsv", year, month);
    return std::string(user) + suffix;
}

std::string TimelineLine(const LocalDateTime& start, int seconds, std::string_view appUtf8, std::string_view docUtf8) {
    char head[48];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d\t%d\t", start.year, start.month, start.day,
                  start.hour, start.minute, start.second, seconds);
    std::string line(head);
    line.append(appUtf8).append(1, '\t').append(docUtf8).append(1, '\n');
    return line;
}

LocalDateTime SecondsBefore(const LocalDateTime& moment, long seconds) {
    const std::int64_t total = DaySerial(moment) * kSecondsPerDay + moment.hour * 3600 + moment.minute * 60 +
                               moment.second - seconds;
    std::int64_t serial = total / kSecondsPerDay;
    std::int64_t secondOfDay = total % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --serial;
    }
    LocalDateTime result = DateOfSerial(serial);
    result.hour = static_cast<int>(secondOfDay / 3600);
    result.minute = static_cast<int>(secondOfDay / 60 % 60);
    result.second = static_cast<int>(secondOfDay % 60);
    return result;
}

void RecordStretch(const LocalDateTime& start, int seconds, std::string_view app, std::string_view doc) {
    if (!TimelineOn || seconds <= 0) return;
    Pending[start.year * 100 + start.month] += TimelineLine(start, seconds, NarrowToUtf8(app), NarrowToUtf8(doc));
}

std::size_t PendingTimelineLines() {
    std::size_t lines = 0;
    for (const auto& [month, text] : Pending) lines += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return lines;
}

void DropPendingTimeline() { Pending.clear(); }

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

void SetTimelineSaveListener(TimelineSaveListener listener) { SaveListener = listener; }

SaveResult AppendTimelineFile(const std::string& narrowPath, std::string_view lines) {
    return AppendFileContents(narrowPath, [lines](bool empty, bool endsWithLineBreak) {
        return TimelineAppendBytes(empty, endsWithLineBreak, lines);
    });
}

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
    if (SaveListener) SaveListener(first);
    return first;
}
