#include "tracking/tracker.h"

#include "tracking/calendar.h"
#include "tracking/platform_seams.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"

namespace {

std::uintptr_t SamplingTimerId = 0;
TrackerSaveListener TimeLogListener = nullptr;
TrackerSaveListener TimelineListener = nullptr;

}  // namespace

void CreditStretch(const Stretch& stretch) {
    if (!TimeLog) return;
    // The date at the moment of crediting decides the log's day; the timeline keeps the
    // local time the stretch began.
    CreditTime(LocalTimeAt(stretch.creditedAt), stretch.app, stretch.doc, stretch.seconds);
    if (stretch.seconds > 0 && TimelineIsOn())
        RecordStretch(LocalTimeAt(stretch.start), stretch.seconds, stretch.app, stretch.doc);
}

void OpenTracker() {
    if (OpenTimeLog()) SamplingTimerId = ActiveSamplingTimer().Start();
}

void SaveTracker() {
    const SaveResult log = SaveTimeLog();
    // The timeline's lines go out with every save after the log's, whatever became of it: a
    // timeline that cannot be written never stands in the log's way.
    const SaveResult timeline = SaveTimeline();
    // The log's outcome is told last: when both fail, its balloon is the one left showing.
    if (TimelineListener) TimelineListener(timeline);
    if (TimeLogListener) TimeLogListener(log);
}

void CloseTracker() {
    if (SamplingTimerId != 0) {
        ActiveSamplingTimer().Stop(SamplingTimerId);
        SamplingTimerId = 0;
    }
    CloseTimeLog();
    DropPendingTimeline();
}

void SetTimeLogSaveListener(TrackerSaveListener listener) { TimeLogListener = listener; }
void SetTimelineSaveListener(TrackerSaveListener listener) { TimelineListener = listener; }
