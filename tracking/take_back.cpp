#include "tracking/take_back.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "base/program_paths.h"
#include "files/file_access.h"
#include "files/file_replace.h"
#include "files/file_tail.h"
#include "tracking/calendar.h"
#include "tracking/journal.h"
#include "tracking/log_document.h"
#include "tracking/sampler.h"
#include "tracking/shared_copies.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"
#include "tracking/tracker.h"

// The order of the writes, and why a crash between any two of them is finished at the next
// start rather than left half done:
//  1. The tracker saves first (the log, the timeline's lines), so that the files are the whole
//     record and the journal holds nothing; with time still waiting elsewhere (a held log,
//     another writer, side files, lines the timeline could not write) nothing is changed.
//  2. The intent file, in one replace: the seconds to take out of the log and to add to it,
//     and each month's lines with what takes their place.
//  3. The log, in one replace, with the change and the intent's id on its element: a log that
//     carries the id has had its part, whatever was saved since.
//  4. Each month's file, in one replace: a line already changed is no longer found, so doing
//     it again changes nothing.
//  5. The intent goes. The journal began anew with the log's save; no side file waited.
// A start that finds the intent does 3 when the log lacks the id, then 4 and 5. The shared
// folder's copies are made from the files, after 5: the id on the log lets a copy this computer
// wrote give way to the smaller log, and a copy made while the change was under way is made
// again, as the files' stamps changed.

namespace {

TakeBackWrite StopAfter = TakeBackWrite::None;

constexpr std::string_view kIntentMagic = "Ostrak take back\t1";
// The log element's attribute that names the last change it took.
constexpr std::string_view kLogMark = "takenBack";
constexpr std::int64_t kHour = 3600;

struct MonthChange {
    int year = 0;
    int month = 0;
    std::vector<TimelineLineChange> changes;
};

struct TakeBack {
    std::string id;
    std::vector<DayCredit> out;
    std::vector<DayCredit> in;
    std::vector<MonthChange> months;
};

// A line of a month's file as read: what it says and its bytes, line break included.
struct Line {
    TimelineEntry entry;
    std::string text;
    std::int64_t start = 0;  // local calendar seconds
    std::int64_t End() const { return start + entry.seconds; }
    // The bytes after the seconds: the names and the line break.
    std::string_view Names() const {
        const std::size_t second = text.find('\t', text.find('\t') + 1);
        return std::string_view(text).substr(second + 1);
    }
};

std::string NewId() {
    static std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(UtcNow())};
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
    return text;
}

std::int64_t LocalSeconds(std::int64_t utc) { return CalendarSeconds(LocalTimeAt(utc)); }

std::vector<Line> LinesOf(const std::string& bytes) {
    std::vector<Line> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) break;
        Line line;
        line.text = bytes.substr(start, end + 1 - start);
        start = end + 1;
        if (!ParseTimelineLine(std::string_view(line.text).substr(0, line.text.size() - 1), line.entry)) continue;
        line.start = CalendarSeconds(line.entry.start);
        lines.push_back(std::move(line));
    }
    return lines;
}

// The line of a stretch with the names of `names` (a line's bytes after its seconds).
std::string LineWithNames(std::int64_t start, std::int64_t seconds, std::string_view names) {
    TimelineEntry entry;
    entry.start = CalendarTime(start);
    entry.seconds = static_cast<int>(seconds);
    std::string line = TimelineLineOf(entry);
    line.resize(line.size() - 2);  // the empty names' tab and line break
    line.append(names);
    return line;
}

DayCredit PieceOf(const Line& line, std::int64_t seconds) {
    return {line.entry.start, static_cast<int>(seconds), Utf8ToNarrow(line.entry.appUtf8), Utf8ToNarrow(line.entry.docUtf8)};
}

MonthChange& MonthOf(TakeBack& change, const LocalDateTime& day) {
    for (MonthChange& month : change.months)
        if (month.year == day.year && month.month == day.month) return month;
    change.months.push_back({day.year, day.month, {}});
    return change.months.back();
}

// The months from that of `from` to that of `to`, local calendar seconds; at most two here.
std::vector<LocalDateTime> MonthsBetween(std::int64_t from, std::int64_t to) {
    std::vector<LocalDateTime> months{CalendarTime(from)};
    const LocalDateTime last = CalendarTime(to);
    if (last.year != months[0].year || last.month != months[0].month) months.push_back(last);
    return months;
}

// ---- the intent file ----

void AppendPiece(std::string& text, char sign, const DayCredit& piece) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%c\t%d\t%d\t%d\t%d\t", sign, piece.day.year, piece.day.month, piece.day.day,
                  piece.seconds);
    text += numbers;
    AppendEscapedField(text, NarrowToUtf8(piece.app));
    text += '\t';
    AppendEscapedField(text, NarrowToUtf8(piece.doc));
    text += '\n';
}

std::string IntentText(const TakeBack& change) {
    std::string text(kIntentMagic);
    text.append("\nid\t").append(change.id).append("\n");
    for (const DayCredit& piece : change.out) AppendPiece(text, '-', piece);
    for (const DayCredit& piece : change.in) AppendPiece(text, '+', piece);
    for (const MonthChange& month : change.months) {
        text += "month\t" + std::to_string(month.year) + "\t" + std::to_string(month.month) + "\n";
        for (const TimelineLineChange& line : month.changes) {
            text += "line\t";
            AppendEscapedField(text, line.line);
            text += "\nnew\t";
            AppendEscapedField(text, line.replacement);
            text += '\n';
        }
    }
    text += "end\n";
    return text;
}

bool ToInt(std::string_view text, int& value) {
    if (text.empty() || text.size() > 10) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// False unless the file is whole: written in one replace, it is, or it is not ours.
bool ParseIntent(std::string_view text, TakeBack& change) {
    change = TakeBack();
    bool magic = false, ended = false;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::vector<std::string_view> fields = SplitFields(line);
        if (!magic) {
            if (line != kIntentMagic) return false;
            magic = true;
        } else if (fields[0] == "id" && fields.size() == 2) {
            change.id = std::string(fields[1]);
        } else if ((fields[0] == "-" || fields[0] == "+") && fields.size() == 7) {
            DayCredit piece;
            if (!ToInt(fields[1], piece.day.year) || !ToInt(fields[2], piece.day.month) || !ToInt(fields[3], piece.day.day) ||
                !ToInt(fields[4], piece.seconds))
                return false;
            piece.app = Utf8ToNarrow(UnescapedField(fields[5]));
            piece.doc = Utf8ToNarrow(UnescapedField(fields[6]));
            (fields[0] == "-" ? change.out : change.in).push_back(std::move(piece));
        } else if (fields[0] == "month" && fields.size() == 3) {
            MonthChange month;
            if (!ToInt(fields[1], month.year) || !ToInt(fields[2], month.month)) return false;
            change.months.push_back(std::move(month));
        } else if (fields[0] == "line" && fields.size() == 2 && !change.months.empty()) {
            change.months.back().changes.push_back({UnescapedField(fields[1]), std::string()});
        } else if (fields[0] == "new" && fields.size() == 2 && !change.months.empty() &&
                   !change.months.back().changes.empty()) {
            change.months.back().changes.back().replacement = UnescapedField(fields[1]);
        } else if (fields[0] == "end") {
            ended = true;
        } else {
            return false;
        }
    }
    return ended && !change.id.empty();
}

// ---- the writes ----

bool LogHas(const TakeBack& change) {
    std::string mark;
    return TimeLog && TimeLog->DocumentElement().GetAttribute(kLogMark, mark) && mark == change.id;
}

SaveResult WriteLog(const TakeBack& change) {
    std::unique_ptr<XmlDocument> changed = CopyTakingOut(*TimeLog, change.out);
    if (!changed) return {SaveFailure::Other};
    DayCache cache;
    for (const DayCredit& piece : change.in)
        CreditTimeTo(*changed, cache, piece.day, piece.app, piece.doc, piece.seconds);
    changed->DocumentElement().SetAttribute(kLogMark, change.id);
    return ReplaceTimeLog(std::move(changed));
}

SaveResult WriteMonths(const TakeBack& change) {
    SaveResult first;
    for (const MonthChange& month : change.months) {
        const SaveResult result = ChangeTimelineLines(month.year, month.month, month.changes);
        if (!result && first) first = result;
    }
    return first;
}

bool Stops(TakeBackWrite write) { return StopAfter == write; }

TakeBackResult Carry(TakeBack& change) {
    change.id = NewId();
    const std::string intent = TakeBackIntentPath();
    if (const SaveResult written = ReplaceFileContents(intent, IntentText(change)); !written)
        return {TakeBackOutcome::Failed, written.failure};
    if (Stops(TakeBackWrite::Intent)) return {TakeBackOutcome::Done};
    if (const SaveResult log = WriteLog(change); !log) {
        // Nothing changed: the intent must not finish it at the next start.
        RemoveFile(intent);
        return {TakeBackOutcome::Failed, log.failure};
    }
    if (Stops(TakeBackWrite::Log)) return {TakeBackOutcome::Done};
    if (const SaveResult months = WriteMonths(change); !months) {
        RequestSharedCopy(SharedCopyWhen::Now);
        return {TakeBackOutcome::TimelineLater, months.failure};
    }
    if (Stops(TakeBackWrite::Timeline)) return {TakeBackOutcome::Done};
    RemoveFile(intent);
    // What was taken back leaves the shared folder now rather than within the hour.
    RequestSharedCopy(SharedCopyWhen::Now);
    return {TakeBackOutcome::Done};
}

// Saves what the tracker holds; true when the files are then the whole record.
bool SaveEverything() {
    if (!TimeLog) return false;
    // An earlier change comes first; until it is done the files are not what it expects.
    if (!FinishTakingBack()) return false;
    SaveTracker();
    const TrackerTroubles troubles = CurrentTroubles();
    for (TrackerTrouble trouble : {TrackerTrouble::NotRecording, TrackerTrouble::OtherWriter, TrackerTrouble::LogHeld,
                                   TrackerTrouble::LogNotSaved, TrackerTrouble::SideFileWaiting,
                                   TrackerTrouble::TimelineNotSaved})
        if (troubles.Holds(trouble)) return false;
    return !TimelineLinesWait();
}

// Every line of the months, in order; false when one cannot be read.
bool ReadMonths(const std::vector<LocalDateTime>& months, std::vector<Line>& lines) {
    for (const LocalDateTime& month : months) {
        std::string bytes;
        if (!ReadTimelineMonth(month.year, month.month, bytes)) return false;
        std::vector<Line> more = LinesOf(bytes);
        lines.insert(lines.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    return true;
}

// Takes [from, to) (local calendar seconds) out of the timeline's lines: a line cut by a
// boundary keeps what lies outside.
bool PlanSpan(std::int64_t from, std::int64_t to, TakeBack& change) {
    std::vector<Line> lines;
    if (!ReadMonths(MonthsBetween(from, to), lines)) return false;
    for (const Line& line : lines) {
        const std::int64_t overlap = std::min(line.End(), to) - std::max(line.start, from);
        if (overlap <= 0) continue;
        std::string replacement;
        if (line.start < from) replacement += LineWithNames(line.start, from - line.start, line.Names());
        if (line.End() > to) replacement += LineWithNames(to, line.End() - to, line.Names());
        MonthOf(change, line.entry.start).changes.push_back({line.text, replacement});
        change.out.push_back(PieceOf(line, overlap));
    }
    return true;
}

// Takes the whole local day out: its every line, and all the log holds for it.
bool PlanDay(const LocalDateTime& day, TakeBack& change) {
    std::vector<Line> lines;
    if (!ReadMonths({day}, lines)) return false;
    for (const Line& line : lines)
        if (line.entry.start.day == day.day) MonthOf(change, day).changes.push_back({line.text, std::string()});
    VisitCredits(*TimeLog, [&day, &change](const LocalDateTime& date, const std::string& app, const std::string& doc,
                                           int seconds) {
        if (date.year == day.year && date.month == day.month && date.day == day.day)
            change.out.push_back({date, seconds, app, doc});
    });
    return true;
}

bool Empty(const TakeBack& change) {
    if (!change.out.empty() || !change.in.empty()) return false;
    for (const MonthChange& month : change.months)
        if (!month.changes.empty()) return false;
    return true;
}

struct FoundAbsence {
    LastAbsence absence;
    std::vector<Line> lines;  // the idle stretch's lines
    Line window;
};

// Walks back through the idle stretches that ended within the last hour, from the latest.
bool FindAbsenceIn(const std::vector<Line>& lines, std::int64_t minimumSeconds, FoundAbsence& found) {
    const std::string& idle = InactiveName();
    if (idle.empty()) return false;
    const std::string idleUtf8 = NarrowToUtf8(idle);
    const std::int64_t now = UtcNow();
    const std::int64_t nowLocal = LocalSeconds(now);
    auto isIdle = [&idleUtf8](const Line& line) { return line.entry.appUtf8 == idleUtf8; };
    for (std::size_t end = lines.size(); end > 0;) {
        const std::size_t last = end - 1;
        if (!isIdle(lines[last])) {
            --end;
            continue;
        }
        if (lines[last].End() < nowLocal - kHour) return false;
        // One absence may stand in several lines: split at midnight, or by held time credited idle.
        std::size_t first = last;
        while (first > 0 && isIdle(lines[first - 1]) && lines[first - 1].entry.docUtf8 == lines[last].entry.docUtf8 &&
               lines[first - 1].End() == lines[first].start)
            --first;
        const std::int64_t seconds = lines[last].End() - lines[first].start;
        if (seconds >= minimumSeconds && first > 0 && !isIdle(lines[first - 1]) &&
            lines[first - 1].End() == lines[first].start) {
            const Line& window = lines[first - 1];
            found.absence = {true, now - (nowLocal - lines[first].start), now - (nowLocal - lines[last].End()),
                             Utf8ToNarrow(window.entry.appUtf8), Utf8ToNarrow(window.entry.docUtf8)};
            found.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(first),
                               lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
            found.window = window;
            return true;
        }
        end = first;
    }
    return false;
}

// The months an absence that ended within the hour may stand in: this one, and the one before
// when the hour or a long absence reaches into it.
std::vector<LocalDateTime> AbsenceMonths() {
    const LocalDateTime now = LocalNow();
    if (now.day > 1) return {now};
    LocalDateTime before = now;
    before.day = 1;
    before.hour = before.minute = before.second = 0;
    return {CalendarTime(CalendarSeconds(before) - 1), now};
}

}  // namespace

std::string TakeBackIntentPath() { return ProgramDir + UserName + "-Time.takeback"; }

void StopTakingBackAfter(TakeBackWrite write) { StopAfter = write; }

std::int64_t ForgetSpanStart(ForgetSpan span) {
    const std::int64_t now = UtcNow();
    switch (span) {
    case ForgetSpan::LastFiveMinutes: return now - 5 * 60;
    case ForgetSpan::LastHour: return now - kHour;
    case ForgetSpan::Today: break;
    }
    // The last change of the local date: midnight, wherever a daylight-saving change put it.
    std::int64_t midnight = now - 26 * kHour;
    for (std::int64_t next = NextLocalDate(midnight, now); next < now; next = NextLocalDate(midnight, now))
        midnight = next;
    const LocalDateTime local = LocalTimeAt(now);
    return local.hour == 0 && local.minute == 0 && local.second == 0 ? now : midnight;
}

bool CanForget(ForgetSpan span) { return TimeLog && (span == ForgetSpan::Today || TimelineIsOn()); }

TakeBackResult Forget(ForgetSpan span, std::int64_t fromUtc, std::uint32_t tick) {
    if (!CanForget(span)) return {TakeBackOutcome::NotNow};
    // What the sampler would credit now belongs to the span: credited first, it is taken out
    // with the rest, and the sampler's stretch starts again here.
    CreditPendingStretch(tick);
    if (!SaveEverything()) return {TakeBackOutcome::NotNow};
    const std::int64_t toUtc = UtcNow();
    TakeBack change;
    const bool planned = span == ForgetSpan::Today ? PlanDay(LocalTimeAt(toUtc), change)
                                                   : PlanSpan(LocalSeconds(fromUtc), LocalSeconds(toUtc), change);
    if (!planned) return {TakeBackOutcome::NotNow};
    if (Empty(change)) return {TakeBackOutcome::NothingToDo};
    const TakeBackResult result = Carry(change);
    if (result.outcome == TakeBackOutcome::Done || result.outcome == TakeBackOutcome::TimelineLater) {
        CountForgotten(fromUtc, toUtc);
        SkipZeroCreditsAt(toUtc);
    }
    return result;
}

LastAbsence FindLastAbsence(std::int64_t minimumSeconds) {
    if (!TimeLog || !TimelineIsOn()) return {};
    std::vector<Line> lines;
    for (const LocalDateTime& month : AbsenceMonths()) {
        std::vector<Line> more = LinesOf(TimelineMonthLines(month.year, month.month));
        lines.insert(lines.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    FoundAbsence found;
    return FindAbsenceIn(lines, minimumSeconds, found) ? found.absence : LastAbsence();
}

TakeBackResult CountLastAbsenceAsWork(std::int64_t minimumSeconds) {
    if (!TimeLog || !TimelineIsOn()) return {TakeBackOutcome::NothingToDo};
    if (!SaveEverything()) return {TakeBackOutcome::NotNow};
    std::vector<Line> lines;
    if (!ReadMonths(AbsenceMonths(), lines)) return {TakeBackOutcome::NotNow};
    FoundAbsence found;
    if (!FindAbsenceIn(lines, minimumSeconds, found)) return {TakeBackOutcome::NothingToDo};
    TakeBack change;
    for (const Line& line : found.lines) {
        MonthOf(change, line.entry.start)
            .changes.push_back({line.text, LineWithNames(line.start, line.entry.seconds, found.window.Names())});
        change.out.push_back(PieceOf(line, line.entry.seconds));
        DayCredit work = PieceOf(found.window, line.entry.seconds);
        work.day = line.entry.start;
        change.in.push_back(std::move(work));
    }
    const TakeBackResult result = Carry(change);
    if (result.outcome == TakeBackOutcome::Done || result.outcome == TakeBackOutcome::TimelineLater)
        CountAsWork(found.absence.startUtc, found.absence.endUtc);
    return result;
}

bool FinishTakingBack() {
    const std::string intent = TakeBackIntentPath();
    if (ProbeFile(intent) == FileState::Missing) return true;
    std::string text;
    if (!ReadFileTail(intent, std::string::npos, text)) return false;
    TakeBack change;
    // Written in one replace, a whole intent is the only kind there is: another is not ours to do.
    if (!ParseIntent(text, change)) return SetFileAside(intent, MinuteStampNow());
    if (!TimeLog || TimeLogIsHeld() || OtherWriterChangedLog()) return false;
    if (!LogHas(change) && !WriteLog(change)) return false;
    if (!WriteMonths(change)) return false;
    return RemoveFile(intent);
}
