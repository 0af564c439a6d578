// The tracker's records kept together: the time log, and the timeline beside it. Every credit,
// save and close passes here and takes the log first, then the timeline.
#pragma once

#include <cstdint>
#include <string_view>

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

// Opens the time log and, when there is one to record into, starts the sampling timer.
void OpenTracker();
// Saves the time log, then appends the timeline's waiting lines; each listener hears its outcome.
void SaveTracker();
// Stops the sampling timer and releases the log and the timeline's unwritten lines; call after
// the last save.
void CloseTracker();

using TrackerSaveListener = void (*)(SaveResult result);
// Told the outcome of every save of the log, and of the timeline, so that a failure can be shown;
// none when null.
void SetTimeLogSaveListener(TrackerSaveListener listener);
void SetTimelineSaveListener(TrackerSaveListener listener);
