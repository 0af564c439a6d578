// The tracker's records kept together: the time log, and the timeline beside it. Every credit,
// save and close passes here and takes the log first, then the timeline.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_result.h"

// A stretch of time credited to an application and document.
struct Stretch {
    std::int64_t start = 0;  // when it began, seconds since 1970 (UTC)
    int seconds = 0;
    std::string_view app;
    std::string_view doc;
};

// Writes a stretch to the time log, then to the timeline, each second on the local day it
// happened: a stretch across midnight is split there. Nothing without a log.
void CreditStretch(const Stretch& stretch);

// What would be credited if the program ended now (the stretch in front, what waits to be
// confirmed): kept in the crash journal, so that a crash loses no more than the time since.
void NoteStretchesInFront(const std::vector<Stretch>& stretches);

// Opens the time log and, when there is one to record into, starts the sampling timer.
void OpenTracker();
// Saves the time log, then appends the timeline's waiting lines; each listener hears its outcome.
// After a good save the shared folder's copies follow, at most once an hour.
void SaveTracker();
// The last save of a run (exit, the end of the session): what the log file could not take goes
// to a side file, to be added at the next start. The shared folder's copies follow at once.
void SaveTrackerForExit();
// Tries again what waits for another program: a held log (saved at once when it opens), side
// files to be added. Every kHeldTimeLogRetryMs.
void RetryHeldTrackerFiles();
// Stops the sampling timer and releases the log and the timeline's unwritten lines; call after
// the last save.
void CloseTracker();

// What keeps the tracker from recording, or its records from reaching their files, most
// serious first: the order in which the tray names them.
enum class TrackerTrouble {
    NotRecording,      // the log file holds what cannot be read and cannot be set aside
    OtherWriter,       // another Ostrak changed the log: what this one records goes to side files
    LogHeld,           // another program holds the log: the time waits in memory until it opens
    LogNotSaved,       // the log's last save failed for another reason (no write access, disk full)
    SideFileWaiting,   // recorded time waits in a side file to be added to the log
    TimelineNotSaved,  // the timeline's file could not be written: its lines wait
    PrivateListUnread, // the user's private patterns are held or damaged: no document names are recorded
    SharedCopyKept,    // a copy in the shared folder holds time this log lacks: nothing is written there
    SharedCopyNotWritten, // the shared folder is missing or its copy could not be written
    Count
};

struct TrackerTroubles {
    bool holds[static_cast<int>(TrackerTrouble::Count)] = {};
    SaveFailure logFailure = SaveFailure::None;       // why the log's last save failed
    SaveFailure timelineFailure = SaveFailure::None;  // why the timeline's last save failed
    std::string sideFileFolder;                       // where a waiting side file is, with its final separator
    bool privateListHeld = false;                     // held by another program, rather than damaged
    bool sharedFolderMissing = false;                 // the shared folder could not be found
    SaveFailure sharedCopyFailure = SaveFailure::None; // why a shared copy could not be written
    std::string sharedFolder;                         // the shared folder, with its final separator
    bool Holds(TrackerTrouble trouble) const { return holds[static_cast<int>(trouble)]; }
};
// The troubles that hold now.
TrackerTroubles CurrentTroubles();
// Told whenever a trouble may have begun or ended (after an open, a save, a reopen); none when null.
using TroubleListener = void (*)();
void SetTroubleListener(TroubleListener listener);

