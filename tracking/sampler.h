// The one-second sampler of the foreground window: change detection, crediting, autosave,
// and the split of a window title into an application and a document name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tracking/platform_seams.h"

// State of the last change; all zero or empty at start.
extern WindowHandle LastWindow;
extern int LastTitleLength;
extern std::uint32_t LastChangeTick;  // 0: no change seen yet
extern std::uint32_t AutosaveDeadline;
// The pair now being timed.
extern std::string CurrentApp;
extern std::string CurrentDoc;

// The application name recorded while no titled window is in front, in the user's language.
extern std::string InactiveName;

constexpr std::uint32_t AutosaveInterval = 300000;
constexpr std::string_view TitleSeparators = " -:><";

// Sets InactiveName from the language's text, cleaned and cut as a whole title would be.
void SetInactiveName(std::string_view name);

// One timer tick for the given top-level window (0 for none).
void SampleWindow(WindowHandle window, std::uint32_t tick);
// Sets CurrentApp and CurrentDoc from a title by the first pattern of ProgramList it holds.
void SplitTitle(std::string_view title);

// Credits the stretch since the last change to the current pair and starts a new one at
// this tick (logoff, shutdown, suspend); the pair stays.
void CreditPendingStretch(std::uint32_t tick);
// Starts a new stretch at this tick without crediting, so time asleep goes to nobody (resume).
void RestartStretch(std::uint32_t tick);
