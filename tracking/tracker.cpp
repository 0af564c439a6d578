#include "tracking/tracker.h"

#include "tracking/calendar.h"
#include "tracking/platform_seams.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"

namespace {

std::uintptr_t SamplingTimerId = 0;
TrackerSaveListener TimeLogListener = nullptr;
TrackerSaveListener TimelineListener = nullptr;
TroubleListener TroublesListener = nullptr;
SaveResult LastLogSave;
SaveResult LastTimelineSave;

void TellTroubles() {
    if (TroublesListener) TroublesListener();
}

}  // namespace

void CreditStretch(const Stretch& stretch) {
    if (!TimeLog) return;
    const std::int64_t end = stretch.start + (stretch.seconds > 0 ? stretch.seconds : 0);
    std::int64_t start = stretch.start;
    // A stretch of no whole second still names its pair on the day it happened.
    do {
        const std::int64_t pieceEnd = NextLocalDate(start, end);
        const LocalDateTime localStart = LocalTimeAt(start);
        const int seconds = static_cast<int>(pieceEnd - start);
        CreditTime(localStart, stretch.app, stretch.doc, seconds);
        if (seconds > 0 && TimelineIsOn()) RecordStretch(localStart, seconds, stretch.app, stretch.doc);
        start = pieceEnd;
    } while (start < end);
}

void OpenTracker() {
    LastLogSave = {};
    LastTimelineSave = {};
    if (OpenTimeLog()) SamplingTimerId = ActiveSamplingTimer().Start();
    TellTroubles();
}

void SaveTracker() {
    const SaveResult log = SaveTimeLog();
    // The timeline's lines go out with every save after the log's, whatever became of it: a
    // timeline that cannot be written never stands in the log's way.
    const SaveResult timeline = SaveTimeline();
    // The log's outcome is told last: when both fail, its balloon is the one left showing.
    if (TimelineListener) TimelineListener(timeline);
    if (TimeLogListener) TimeLogListener(log);
    LastLogSave = log;
    LastTimelineSave = timeline;
    TellTroubles();
}

void CloseTracker() {
    if (SamplingTimerId != 0) {
        ActiveSamplingTimer().Stop(SamplingTimerId);
        SamplingTimerId = 0;
    }
    CloseTimeLog();
    SetPendingTimelineAside();
}

TrackerTroubles CurrentTroubles() {
    TrackerTroubles troubles;
    auto set = [&troubles](TrackerTrouble trouble, bool holds) { troubles.holds[static_cast<int>(trouble)] = holds; };
    set(TrackerTrouble::NotRecording, !TimeLog);
    set(TrackerTrouble::LogHeld, TimeLog && TimeLogIsHeld());
    set(TrackerTrouble::LogNotSaved, TimeLog && !TimeLogIsHeld() && !LastLogSave);
    set(TrackerTrouble::TimelineNotSaved, !LastTimelineSave);
    troubles.logFailure = LastLogSave.failure;
    troubles.timelineFailure = LastTimelineSave.failure;
    return troubles;
}

void SetTroubleListener(TroubleListener listener) { TroublesListener = listener; }
void SetTimeLogSaveListener(TrackerSaveListener listener) { TimeLogListener = listener; }
void SetTimelineSaveListener(TrackerSaveListener listener) { TimelineListener = listener; }
