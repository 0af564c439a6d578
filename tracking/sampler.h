// The one-second sampler of the foreground window: change detection, crediting, autosave,
// the user's absences (no input, a locked or disconnected session, ticks that did not run),
// and the split of a window title into an application and a document name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/narrow_text.h"
#include "tracking/platform_seams.h"

// State of the last change; all zero or empty at start.
extern WindowHandle LastWindow;
extern int LastTitleLength;
// The title of LastWindow as read at the last change (at most kTitleLimit bytes, terminated):
// a title that keeps its length but not its text is a change too.
extern char LastTitle[kTextBufferSize];
extern std::uint32_t LastChangeTick;  // 0: no change seen yet
extern std::uint32_t AutosaveDeadline;
// The pair now being timed.
extern std::string CurrentApp;
extern std::string CurrentDoc;

// The application name recorded while no titled window is in front, in the user's language.
extern std::string InactiveName;

constexpr std::uint32_t AutosaveInterval = 300000;
constexpr std::string_view TitleSeparators = " -:><";

// The timer keeps ticking through menus and modal loops: a longer silence means the machine or
// the process was not running, and that time is nobody's.
constexpr std::uint32_t MaxTickGap = 60000;

// Why the user counts as away; while away, the pair is InactiveName with the minute the away
// stretch began, and the window in front is not looked at.
enum class Absence { None, NoInput, Session };

extern Absence CurrentAbsence;
// The last input seen when the user went away for lack of input: a later one means back.
extern std::uint32_t AwayInputTick;
// Locked, or disconnected (fast user switching, remote desktop): either keeps the user away.
extern bool SessionLocked;
extern bool SessionDisconnected;
// Milliseconds without input after which the user counts as away; 0 never. The program hands
// over the user's setting at start and after every OK.
extern std::uint32_t AwayAfter;
// The tick of the last timer tick that ran; 0 before the first.
extern std::uint32_t LastSampleTick;

// Sets InactiveName from the language's text, cleaned and cut as a whole title would be.
void SetInactiveName(std::string_view name);
// Sets AwayAfter from the user's setting in minutes (0 never).
void SetAwayMinutes(std::uint32_t minutes);

// One timer tick for the given top-level window (0 for none).
void SampleWindow(WindowHandle window, std::uint32_t tick);
// Sets CurrentApp and CurrentDoc from a title by the first pattern of ProgramList it holds.
void SplitTitle(std::string_view title);

enum class SessionChange { Locked, Unlocked, Disconnected, Connected };
// A lock or disconnect credits the current pair up to this tick and starts an away stretch
// here; once the session is both unlocked and connected again, the next tick ends it.
void NoteSessionChange(SessionChange change, std::uint32_t tick);

// Credits the stretch since the last change to the current pair and starts a new one at
// this tick (logoff, shutdown, suspend); the pair stays.
void CreditPendingStretch(std::uint32_t tick);
// Starts a new stretch at this tick without crediting, so time asleep goes to nobody (resume).
void RestartStretch(std::uint32_t tick);
