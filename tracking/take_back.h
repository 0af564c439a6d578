// Taking recorded time back: Forget (the last minutes, the last hour, today) and counting the
// last absence as work. Both change the time log and the timeline's month files together, through
// an intent file ("<user>-Time.takeback" beside the log) that the next start finishes, so that
// a change is never left half done.
#pragma once

#include <cstdint>
#include <string>

#include "files/save_result.h"

std::string TakeBackIntentPath();

enum class TakeBackOutcome {
    Done,
    // The log has it; a month's file could not be written yet and is changed once it opens.
    TimelineLater,
    NothingToDo,
    // Time waits to reach the log or the timeline (held, another writer, side files), or an
    // earlier change is not finished: the files are not the whole record, so nothing is changed.
    NotNow,
    // Nothing was changed: the intent or the log could not be written (`failure` says why).
    Failed,
};
struct TakeBackResult {
    TakeBackOutcome outcome = TakeBackOutcome::NothingToDo;
    SaveFailure failure = SaveFailure::None;
};

enum class ForgetSpan { LastFiveMinutes, LastHour, Today };
// Where the span begins when asked now, seconds since 1970: today's begins at local midnight.
std::int64_t ForgetSpanStart(ForgetSpan span);
// Whether the span can be forgotten at all: the last minutes and the hour need the timeline's
// stretches, today needs only the log.
bool CanForget(ForgetSpan span);
// Removes what was recorded from `fromUtc` (ForgetSpanStart when the user chose) to now, the
// sampler's stretch in front included: it is credited at `tick` first and restarts there.
// Today's span removes the whole local day.
TakeBackResult Forget(ForgetSpan span, std::int64_t fromUtc, std::uint32_t tick);

// The last away stretch that ended within the last hour, lasted at least `minimumSeconds` and
// followed a window's stretch, as the timeline holds it: the window it goes to.
struct LastAbsence {
    bool found = false;
    std::int64_t startUtc = 0;
    std::int64_t endUtc = 0;
    std::string app;
    std::string doc;
};
LastAbsence FindLastAbsence(std::int64_t minimumSeconds);
// Moves that absence from the idle name to the window, in the log and the timeline.
TakeBackResult CountLastAbsenceAsWork(std::int64_t minimumSeconds);

// Finishes a change that an earlier run (or this one) left unfinished; called at start after
// the tracker opens, and with the retries of held files. True when none waits any more.
bool FinishTakingBack();

// For tests: the change stops, as a crash would, right after this write.
enum class TakeBackWrite { None, Intent, Log, Timeline };
void StopTakingBackAfter(TakeBackWrite write);
