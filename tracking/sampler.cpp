#include "tracking/sampler.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/narrow_text.h"
#include "tracking/calendar.h"
#include "tracking/programs_list.h"
#include "tracking/tracker.h"

namespace {

// Why the user counts as away; while away, the pair is InactiveName with the minute the away
// stretch began, and the window in front is not looked at.
enum class Absence { None, NoInput, Session };

struct SamplerState {
    // The last change; all zero or empty at start.
    WindowHandle LastWindow = 0;
    int LastTitleLength = 0;
    // The title of LastWindow as read at the last change (at most kTitleLimit bytes,
    // terminated): a title that keeps its length but not its text is a change too.
    char LastTitle[kTextBufferSize] = "";
    std::uint32_t LastChangeTick = 0;  // 0: no change seen yet
    std::uint32_t AutosaveDeadline = 0;
    // The pair now being timed.
    std::string CurrentApp;
    std::string CurrentDoc;
    std::string InactiveName;
    Absence CurrentAbsence = Absence::None;
    // The last input seen when the user went away for lack of input: a later one means back.
    std::uint32_t AwayInputTick = 0;
    // Locked, or disconnected (fast user switching, remote desktop): either keeps the user away.
    bool SessionLocked = false;
    bool SessionDisconnected = false;
    // Milliseconds without input after which the user counts as away; 0 never.
    std::uint32_t AwayAfter = 0;
    // The tick of the last timer tick that ran; 0 before the first.
    std::uint32_t LastSampleTick = 0;
    // The title read at this tick, to compare with LastTitle: a buffer of the sampler's own,
    // so that the quiet tick allocates nothing.
    char SampledTitle[kTextBufferSize] = "";
};

SamplerState State;

// Half-up rounding of the milliseconds between two ticks, read as a signed 32-bit difference
// so that the tick's wrap after 49.7 days does not matter.
int SecondsBetween(std::uint32_t from, std::uint32_t to) {
    auto milliseconds = static_cast<std::int32_t>(to - from);
    if (milliseconds <= 0) return 0;
    return milliseconds / 1000 + (milliseconds % 1000 >= 500 ? 1 : 0);
}

bool IsLater(std::uint32_t tick, std::uint32_t than) {
    return static_cast<std::int32_t>(tick - than) > 0;
}

// 0 is reserved for "not yet" in both LastChangeTick and AutosaveDeadline; a tick that
// wraps onto it is moved by one millisecond rather than restarting the first phase.
std::uint32_t NonZeroTick(std::uint32_t tick) {
    return tick != 0 ? tick : 1;
}

// Editors mark unsaved documents with a trailing asterisk; the document is the same one.
void DropModifiedMark(std::string& doc) {
    if (doc.empty() || doc.back() != '*') return;
    std::size_t lengthBefore = doc.size();
    doc.pop_back();
    if (lengthBefore > 2 && doc.back() == ' ') doc.pop_back();
}

bool IsTitleSeparator(char c) {
    return TitleSeparators.find(c) != std::string_view::npos;
}

// The title's bytes in `buffer`, terminated; their number.
int ReadTitleInto(WindowTitleSource& titles, WindowHandle window, char* buffer) {
    int read = titles.ReadTitle(window, buffer, static_cast<int>(kTextBufferSize));
    if (read < 0) read = 0;
    if (read > static_cast<int>(kTitleLimit)) read = static_cast<int>(kTitleLimit);
    // The platform cuts a long title to the buffer, possibly inside a character.
    read = static_cast<int>(CutText(std::string_view(buffer, static_cast<std::size_t>(read)), kTitleLimit).size());
    buffer[read] = '\0';
    return read;
}

// Credits the current pair from the last change up to `until`, at the timer's `tick`; nothing
// when no stretch runs or `until` is not later than its start (the credit of a stretch cut
// short before it began). The stretch began as long before now as its start lies before `tick`.
void CreditCurrentPair(std::uint32_t until, std::uint32_t tick) {
    if (State.LastChangeTick == 0 || !IsLater(until, State.LastChangeTick)) return;
    const std::int64_t now = UtcNow();
    CreditStretch({now - SecondsBetween(State.LastChangeTick, tick), now, SecondsBetween(State.LastChangeTick, until),
                   State.CurrentApp, State.CurrentDoc});
}

void AutosaveIfDue(std::uint32_t tick) {
    if (State.AutosaveDeadline != 0 && IsLater(tick, State.AutosaveDeadline)) {
        SaveTracker();
        State.AutosaveDeadline = NonZeroTick(tick + AutosaveInterval);
    }
}

// A new stretch begins at `tick`; the first one of the run also arms the autosave.
void StartStretchAt(std::uint32_t tick) {
    if (State.LastChangeTick == 0) State.AutosaveDeadline = NonZeroTick(tick + AutosaveInterval);
    State.LastChangeTick = NonZeroTick(tick);
}

// The pair of a stretch without a window or without the user: InactiveName, and as document
// the local hour and minute of `moment`, which lies `tick` - `moment` milliseconds back.
void TakeInactivePair(std::uint32_t moment, std::uint32_t tick) {
    std::int32_t ago = static_cast<std::int32_t>(tick - moment);
    if (ago < 0) ago = 0;
    const LocalDateTime at = LocalTimeAt(UtcNow() - ago / 1000);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d.%02d - ...", at.hour, at.minute);
    State.CurrentDoc = stamp;
    State.CurrentApp = State.InactiveName;
}

// The window, its title length and its title become those of the last change, and the pair
// comes from its title. `read` is the number of title bytes already in SampledTitle, or -1.
void TakePairFromWindow(WindowTitleSource& titles, WindowHandle window, int length, int read, std::uint32_t tick) {
    State.LastWindow = window;
    State.LastTitleLength = length;
    if (window == 0) {
        State.LastTitle[0] = '\0';
        TakeInactivePair(tick, tick);
        return;
    }
    if (read < 0) read = ReadTitleInto(titles, window, State.SampledTitle);
    std::memcpy(State.LastTitle, State.SampledTitle, static_cast<std::size_t>(read) + 1);
    // A tab or line break separates like a blank, so it must be one before the split.
    std::string title(State.LastTitle, static_cast<std::size_t>(read));
    BlankControlCharacters(title);
    TitleSplit split = SplitTitle(title, ProgramList, State.InactiveName);
    CleanName(split.app);
    CleanName(split.doc);
    DropModifiedMark(split.doc);
    State.CurrentApp = std::move(split.app);
    State.CurrentDoc = std::move(split.doc);
}

// The user has been away since `from`: what ran until then is credited, and an away stretch
// named by that minute begins there.
void GoAway(Absence why, std::uint32_t from, std::uint32_t tick) {
    CreditCurrentPair(from, tick);
    AutosaveIfDue(tick);
    State.CurrentAbsence = why;
    StartStretchAt(from);
    TakeInactivePair(from, tick);
}

// Sees the user away for lack of input: the tick of the last input when its age has reached
// AwayAfter, else false.
bool InputTooOld(std::uint32_t tick, std::uint32_t& lastInput) {
    if (State.AwayAfter == 0 || !ActiveLastInput().LastInputTick(lastInput)) return false;
    // An input after the timer's tick was taken is no age at all.
    std::int32_t age = static_cast<std::int32_t>(tick - lastInput);
    return age > 0 && static_cast<std::uint32_t>(age) >= State.AwayAfter;
}

bool IsBack() {
    if (State.CurrentAbsence == Absence::Session) return !State.SessionLocked && !State.SessionDisconnected;
    std::uint32_t lastInput = 0;
    return ActiveLastInput().LastInputTick(lastInput) && IsLater(lastInput, State.AwayInputTick);
}

}  // namespace

void SetInactiveName(std::string_view name) {
    // Whatever the language file says, the name reaches the log as a window's would.
    State.InactiveName.assign(CutText(name, kTitleLimit));
    CleanName(State.InactiveName);
}

void SetAwayMinutes(std::uint32_t minutes) {
    // Beyond what the tick's signed differences can measure (24.8 days) it would never come.
    constexpr std::uint32_t kLongestMinutes = 0x7FFFFFFF / 60000;
    State.AwayAfter = minutes <= kLongestMinutes ? minutes * 60000 : 0;
}

void SampleWindow(WindowHandle window, std::uint32_t tick) {
    if (State.LastSampleTick != 0 && IsLater(tick, State.LastSampleTick + MaxTickGap)) {
        // The machine slept without saying so, or the process was stopped: the pair keeps the
        // time up to the last tick that ran, and a fresh stretch starts now.
        CreditCurrentPair(State.LastSampleTick, tick);
        AutosaveIfDue(tick);
        if (State.LastChangeTick != 0) State.LastChangeTick = NonZeroTick(tick);
    }
    State.LastSampleTick = NonZeroTick(tick);

    WindowTitleSource& titles = ActiveTitleSource();
    if (State.CurrentAbsence != Absence::None) {
        if (!IsBack()) return;
        // The away stretch ends here, and timing goes on from the window in front.
        CreditCurrentPair(tick, tick);
        AutosaveIfDue(tick);
        State.CurrentAbsence = Absence::None;
        StartStretchAt(tick);
        TakePairFromWindow(titles, window, window != 0 ? titles.TitleLength(window) : 0, -1, tick);
        return;
    }

    std::uint32_t lastInput = 0;
    if (InputTooOld(tick, lastInput)) {
        // The away stretch begins at the last input, unless the current stretch began later
        // (a window that came to the front by itself); before the first change, now.
        std::uint32_t from = tick;
        if (State.LastChangeTick != 0) from = IsLater(lastInput, State.LastChangeTick) ? lastInput : State.LastChangeTick;
        GoAway(Absence::NoInput, from, tick);
        State.AwayInputTick = lastInput;
        return;
    }

    int length = window != 0 ? titles.TitleLength(window) : 0;
    int read = -1;
    if (window == State.LastWindow && length == State.LastTitleLength) {
        if (window == 0) return;
        // Same window, same length: only the text can tell two equally long titles apart.
        read = ReadTitleInto(titles, window, State.SampledTitle);
        if (std::strcmp(State.SampledTitle, State.LastTitle) == 0) return;
    }

    // Time is credited one change late, to the pair computed at the previous change.
    CreditCurrentPair(tick, tick);
    AutosaveIfDue(tick);
    StartStretchAt(tick);
    TakePairFromWindow(titles, window, length, read, tick);
}

TitleSplit SplitTitle(std::string_view title, const std::vector<std::string>& patterns, std::string_view inactiveName) {
    if (title.empty()) return {std::string(inactiveName), {}};
    // The first pattern in list order that occurs wins, not the longest one.
    for (const std::string& pattern : patterns) {
        // The platform's substring search finds no empty text; an empty pattern would
        // otherwise claim every title.
        if (pattern.empty()) continue;
        std::size_t at = title.find(pattern);
        if (at == std::string_view::npos) continue;

        std::string_view doc;
        if (at == 0) {
            doc = title.substr(pattern.size());
            while (!doc.empty() && IsTitleSeparator(doc.front())) doc.remove_prefix(1);
        } else {
            // Whatever follows the pattern is dropped.
            doc = title.substr(0, at);
            while (!doc.empty() && IsTitleSeparator(doc.back())) doc.remove_suffix(1);
        }
        return {std::string(CutText(pattern, kNameLimit)), std::string(CutText(doc, kNameLimit))};
    }
    return {std::string(CutText(title, kTitleLimit)), {}};
}

void NoteSessionChange(SessionChange change, std::uint32_t tick) {
    switch (change) {
    case SessionChange::Locked: State.SessionLocked = true; break;
    case SessionChange::Unlocked: State.SessionLocked = false; break;
    case SessionChange::Disconnected: State.SessionDisconnected = true; break;
    case SessionChange::Connected: State.SessionDisconnected = false; break;
    }
    if (!State.SessionLocked && !State.SessionDisconnected) return;
    // The lock screen may itself be a window in front; it must not collect the time. Already
    // away for lack of input, the user stays in that stretch, but input at the lock screen no
    // longer ends it.
    if (State.CurrentAbsence == Absence::None) GoAway(Absence::Session, tick, tick);
    State.CurrentAbsence = Absence::Session;
}

void CreditPendingStretch(std::uint32_t tick) {
    if (State.LastChangeTick == 0) return;
    CreditCurrentPair(tick, tick);
    State.LastChangeTick = NonZeroTick(tick);
    State.LastSampleTick = NonZeroTick(tick);
}

void RestartStretch(std::uint32_t tick) {
    if (State.LastChangeTick == 0) return;
    State.LastChangeTick = NonZeroTick(tick);
    // The resume is a moment the program ran: the next tick sees no gap.
    State.LastSampleTick = NonZeroTick(tick);
}

void SetMediaIsPresence(bool) {}

void SetAwayOfferListener(AwayOfferListener) {}

void SettleAwayOffer(std::uint64_t, bool) {}

RunAccounting AccountingOfRun() { return {}; }

void ResetSampler() {
    SamplerState fresh;
    fresh.InactiveName = std::move(State.InactiveName);
    fresh.AwayAfter = State.AwayAfter;
    State = std::move(fresh);
}
