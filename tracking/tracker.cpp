#include "tracking/tracker.h"

#include "tracking/calendar.h"
#include "tracking/platform_seams.h"
#include "tracking/private_list.h"
#include "tracking/shared_copies.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"
#include "tracking/unsaved_time.h"

namespace {

std::uintptr_t SamplingTimerId = 0;
TroubleListener TroublesListener = nullptr;
SaveResult LastLogSave;
SaveResult LastTimelineSave;

void TellTroubles() {
    if (TroublesListener) TroublesListener();
}

}  // namespace

namespace {

// Calls `credit` for each local day's piece of the stretch: a stretch across midnight is split
// there, and one of no whole second still names its pair on the day it happened.
template <typename Credit>
void ForEachDayPiece(const Stretch& stretch, const Credit& credit) {
    const std::int64_t end = stretch.start + (stretch.seconds > 0 ? stretch.seconds : 0);
    std::int64_t start = stretch.start;
    do {
        const std::int64_t pieceEnd = NextLocalDate(start, end);
        credit(LocalTimeAt(start), static_cast<int>(pieceEnd - start));
        start = pieceEnd;
    } while (start < end);
}

}  // namespace

void CreditStretch(const Stretch& stretch) {
    if (!TimeLog) return;
    ForEachDayPiece(stretch, [&stretch](const LocalDateTime& localStart, int seconds) {
        CreditTime(localStart, stretch.app, stretch.doc, seconds);
        if (seconds > 0 && TimelineIsOn()) RecordStretch(localStart, seconds, stretch.app, stretch.doc);
    });
    WriteNotedCredits();
}

void NoteStretchesInFront(const std::vector<Stretch>& stretches) {
    if (!TimeLog) return;
    std::vector<DayCredit> front;
    for (const Stretch& stretch : stretches)
        ForEachDayPiece(stretch, [&stretch, &front](const LocalDateTime& localStart, int seconds) {
            if (seconds > 0)
                front.push_back({{localStart.year, localStart.month, localStart.day}, seconds, std::string(stretch.app),
                                 std::string(stretch.doc)});
        });
    NoteFront(front);
}

void OpenTracker() {
    LastLogSave = {};
    LastTimelineSave = {};
    if (OpenTimeLog()) SamplingTimerId = ActiveSamplingTimer().Start();
    TellTroubles();
}

namespace {

SaveResult SaveTrackerFiles() {
    const SaveResult log = SaveTimeLog();
    // The timeline's lines go out with every save after the log's, whatever became of it: a
    // timeline that cannot be written never stands in the log's way.
    LastTimelineSave = SaveTimeline();
    LastLogSave = log;
    TellTroubles();
    return log;
}

}  // namespace

void SaveTracker() {
    // A copy is made of the files as saved: after a failed save they are not the record.
    if (SaveTrackerFiles()) RequestSharedCopy(SharedCopyWhen::Hourly);
}

void SaveTrackerForExit() {
    if (!TimeLog) return;
    if (SaveTrackerFiles()) RequestSharedCopy(SharedCopyWhen::Now);
    if (HasUnsavedTime()) {
        SetUnsavedTimeAside();
        TellTroubles();
    }
}

void RetryHeldTrackerFiles() {
    if (!TimeLog) return;
    // Once the file opens, what was recorded meanwhile is in the log: write it at once.
    if (TimeLogIsHeld() && ReopenHeldTimeLog()) {
        SaveTracker();
        return;
    }
    const bool waited = SideFilesWait();
    TakeSideFilesIntoLog();
    if (waited) TellTroubles();
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
    set(TrackerTrouble::OtherWriter, TimeLog && OtherWriterChangedLog());
    set(TrackerTrouble::LogHeld, TimeLog && TimeLogIsHeld());
    set(TrackerTrouble::LogNotSaved, TimeLog && !TimeLogIsHeld() && !OtherWriterChangedLog() && !LastLogSave);
    set(TrackerTrouble::SideFileWaiting, SideFilesWait());
    troubles.sideFileFolder = WaitingSideFileFolder();
    set(TrackerTrouble::TimelineNotSaved, !LastTimelineSave);
    set(TrackerTrouble::PrivateListUnread, PrivateListFailsClosed());
    troubles.privateListHeld = PrivateListIsHeld();
    const SharedCopyOutcome shared = LastSharedCopy();
    set(TrackerTrouble::SharedCopyKept, shared.state == SharedCopyState::Kept);
    set(TrackerTrouble::SharedCopyNotWritten,
        shared.state == SharedCopyState::Failed || shared.state == SharedCopyState::FolderMissing);
    troubles.sharedFolderMissing = shared.state == SharedCopyState::FolderMissing;
    troubles.sharedCopyFailure = shared.failure;
    troubles.sharedFolder = SharedFolder();
    troubles.logFailure = LastLogSave.failure;
    troubles.timelineFailure = LastTimelineSave.failure;
    return troubles;
}

void SetTroubleListener(TroubleListener listener) { TroublesListener = listener; }

