// The one-second sampler of the foreground window: change detection, crediting, autosave,
// the user's absences (no input, a locked or disconnected session, ticks that did not run),
// and the split of a window title into an application and a document name.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "tracking/platform_seams.h"

constexpr std::uint32_t AutosaveInterval = 300000;
// Trimmed where a document is cut out of a title; so are the bar, the en and em dash and the
// middle dot, as whole characters of narrow text.
constexpr std::string_view TitleSeparators = " -:><";

// The timer keeps ticking through menus and modal loops: a longer silence means the machine or
// the process was not running, and that time is nobody's.
constexpr std::uint32_t MaxTickGap = 60000;

// The application name recorded while no titled window is in front, in the user's language:
// set from the language's text, cleaned and cut as a whole title would be.
void SetInactiveName(std::string_view name);
// The application name a private window is recorded under, in the user's language ("Private"
// when the language has none), cleaned and cut as the inactive name is.
void SetPrivateName(std::string_view name);
// Whether window titles give document names (on by default); off, only the application is
// recorded: no document of a window is credited from then on, whenever its stretch began. The
// idle time keeps the minute it began, which is no title. The program hands over the user's
// setting at start and after every OK.
void SetRecordDocuments(bool on);
// Minutes without input after which the user counts as away (0 never). The program hands over
// the user's setting at start and after every OK.
void SetAwayMinutes(std::uint32_t minutes);

// Whether sound on the default output device keeps the user present without input: for at most
// MaxPresenceWithoutInput after the last input, and only while the window in front at that
// input stays in front. The program hands over the user's setting at start and after every OK.
void SetMediaIsPresence(bool on);
constexpr std::uint32_t MaxPresenceWithoutInput = 3 * 60 * 60 * 1000;

// An absence the user may count as work, offered when the user comes back from an away stretch
// of at least the away time. Its credit waits for the answer, so the log and the timeline are
// written once.
struct AwayOffer {
    std::uint64_t id = 0;
    std::int64_t startUtc = 0;  // seconds since 1970
    std::int64_t endUtc = 0;
    // The window in front at the last input, named as the log names it.
    std::string app;
    std::string doc;
};
using AwayOfferListener = void (*)(const AwayOffer& offer);
void SetAwayOfferListener(AwayOfferListener listener);
// The answer to offer `id`: its stretch goes to the offered window (asWork) or stays idle.
// Nothing when that offer no longer waits: whatever ended or changed recording first (a lock, a
// new absence, the end of the session, a suspend, Exit) has credited it as idle already.
void SettleAwayOffer(std::uint64_t id, bool asWork);

// Where the seconds of the run went, from its first tick to its last credit: to windows
// (worked), to the idle name (idle), and to nobody (uncounted: ticks that did not run, sleep,
// what the user forgot). worked + idle + uncounted = running, to the second.
struct RunAccounting {
    std::int64_t worked = 0;
    std::int64_t idle = 0;
    std::int64_t uncounted = 0;
    std::int64_t running = 0;
};
RunAccounting AccountingOfRun();
// What the user took back afterwards changes where those seconds went: what this run credited
// between the two instants (seconds since 1970) and Forget removed is nobody's now (uncounted);
// an absence counted as work is worked.
void CountForgotten(std::int64_t fromUtc, std::int64_t toUtc);
void CountAsWork(std::int64_t fromUtc, std::int64_t toUtc);
// The idle name as set.
const std::string& InactiveName();

// One timer tick for the given top-level window (0 for none).
void SampleWindow(WindowHandle window, std::uint32_t tick);

// How often the timer keeps what an exit would credit in the crash journal: a crash loses no
// more of the time in front.
constexpr std::uint32_t FrontNoteInterval = 60000;
// Hands the tracker what CreditPendingStretch would credit now, when FrontNoteInterval has
// passed since it last did; nothing is credited. The timer calls it after each tick.
void NoteFrontIfDue(std::uint32_t tick);

// The application and document a title names, by the first of the patterns it holds;
// `inactiveName` for an empty title.
struct TitleSplit {
    std::string app;
    std::string doc;
};
TitleSplit SplitTitle(std::string_view title, const std::vector<std::string>& patterns, std::string_view inactiveName);
// A window's title as the sampler records it: the split, with what is not the application or
// the document left out (an elevated console's prefix, unsaved-changes marks, unread counts,
// control characters, double quotes).
TitleSplit SplitWindowTitle(std::string title, const std::vector<std::string>& patterns, std::string_view inactiveName);

enum class SessionChange { Locked, Unlocked, Disconnected, Connected };
// A lock or disconnect credits the current pair up to this tick and starts an away stretch
// here; once the session is both unlocked and connected again, the next tick ends it.
void NoteSessionChange(SessionChange change, std::uint32_t tick);

// Credits the stretch since the last change to the current pair and starts a new one at
// this tick (logoff, shutdown, suspend, Exit); the pair stays.
void CreditPendingStretch(std::uint32_t tick);
// After a Forget that ended at `utc` (seconds since 1970): a credit of no seconds that begins
// there creates no element, so that a window forgotten while in front does not come back by
// name with no time.
void SkipZeroCreditsAt(std::int64_t utc);
// Starts a new stretch at this tick without crediting, so time asleep goes to nobody (resume).
void RestartStretch(std::uint32_t tick);

// A pause of recording: what ran until then is credited, and nothing is recorded until it ends,
// at an instant (seconds since 1970) or, with PausedUntilResumed, when the user resumes. While
// paused, the ends of the session, a suspend and Exit credit nothing more. Pausing again moves
// the end.
constexpr std::int64_t PausedUntilResumed = std::numeric_limits<std::int64_t>::max();
void PauseRecording(std::int64_t untilUtc, std::uint32_t tick);
// Ends a pause at this tick: the paused time goes to nobody, and the window in front starts the
// next stretch. A timed pause ends by itself at the first tick at or after its end.
void ResumeRecording(WindowHandle window, std::uint32_t tick);
bool RecordingPaused();
// The end of the pause under way, or PausedUntilResumed.
std::int64_t PausedUntil();
// Told when a timed pause has ended by itself; none when null.
using PauseEndListener = void (*)();
void SetPauseEndListener(PauseEndListener listener);

// Everything as at start but the settings handed over (the inactive name, the away time): for tests.
void ResetSampler();
