#include "tracking/sampler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <utility>

#include "base/code_page.h"
#include "base/narrow_text.h"
#include "tracking/calendar.h"
#include "tracking/private_list.h"
#include "tracking/programs_list.h"
#include "tracking/tracker.h"

namespace {

// Why the user counts as away; while away, the pair is InactiveName with the minute the away
// stretch began, and the window in front is not looked at.
enum class Absence { None, NoInput, Session };

// Positions in the run are milliseconds since its first tick, in 64 bits, so that the tick's
// wrap after 49.7 days does not matter. A position's second is its milliseconds rounded half
// up: every credit covers whole seconds between two positions, so the credits of a run add up
// to its length, none counted twice or lost.
using RunTime = std::int64_t;

std::int64_t SecondOf(RunTime time) {
    const std::int64_t shifted = time + 500;
    return shifted >= 0 ? shifted / 1000 : -((-shifted + 999) / 1000);
}

// The part of a stretch after the last input, waiting to learn whether the user was there.
struct HeldPiece {
    RunTime from = 0;
    RunTime to = 0;
    std::string app;
    std::string doc;
};

// What stood in front at the last input, for the offer of the absence that follows as work.
struct OfferedWindow {
    std::string app;
    std::string doc;
};

// An absence offered as work, credited once the user answers or something ends it.
struct WaitingOffer {
    AwayOffer offer;
    RunTime from = 0;
    RunTime to = 0;
    std::string idleApp;
    std::string idleDoc;
};

// A credit of the run, kept for about a day so that what the user takes back is accounted for.
struct RunCredit {
    std::int64_t startUtc = 0;
    std::int64_t seconds = 0;
    bool idle = false;
};
// Longer than any local day, so that "today" is always covered.
constexpr std::int64_t kRunCreditsKept = 26 * 3600;

// A private window is never recorded under an empty name, whatever the language says.
constexpr std::string_view kDefaultPrivateName = "Private";

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
    std::string PrivateName{kDefaultPrivateName};
    // Whether a window's title gives a document name, as the user set it.
    bool RecordDocuments = true;
    // When the last Forget ended (seconds since 1970; 0 none): a credit of no seconds that
    // begins there creates no element.
    std::int64_t ForgetEndUtc = 0;
    Absence CurrentAbsence = Absence::None;
    // The last input seen when the user went away for lack of input: a later one means back.
    std::uint32_t AwayInputTick = 0;
    // Locked, or disconnected (fast user switching, remote desktop): either keeps the user away.
    bool SessionLocked = false;
    bool SessionDisconnected = false;
    // Milliseconds without input after which the user counts as away; 0 never.
    std::uint32_t AwayAfter = 0;
    bool MediaIsPresence = true;
    // The tick of the last timer tick that ran; 0 before the first.
    std::uint32_t LastSampleTick = 0;
    // The title read at this tick, to compare with LastTitle: a buffer of the sampler's own,
    // so that the quiet tick allocates nothing.
    char SampledTitle[kTextBufferSize] = "";

    // The run's clock: whether a tick has come yet, and the run time of the latest tick.
    bool Running = false;
    std::uint32_t AnchorTick = 0;
    RunTime AnchorTime = 0;
    // Everything before this is credited, given to nobody, held or offered; the current pair
    // runs from here.
    RunTime CoveredTo = 0;
    // The end of the last stretch given to nobody: an absence never reaches back before it.
    RunTime NobodysUntil = 0;
    // The last input seen, and the last tick at which sound kept the user present.
    bool InputSeen = false;
    std::uint32_t LastInputTick = 0;
    WindowHandle InputWindow = 0;
    // The pair in front at the last input, which an absence after it is offered to.
    std::string InputApp;
    std::string InputDoc;
    bool PresenceSeen = false;
    std::uint32_t PresenceTick = 0;
    std::vector<HeldPiece> Held;
    // The window an absence under way is offered to; none when it followed no window's time.
    OfferedWindow OfferedPair;
    bool OfferWaiting = false;
    WaitingOffer Offer;
    std::uint64_t LastOfferId = 0;
    AwayOfferListener OfferListener = nullptr;
    RunAccounting Accounting;
    std::deque<RunCredit> RecentCredits;
    // When the crash journal last heard what is in front; 0 never.
    std::uint32_t FrontNotedTick = 0;
    // While paused nothing is credited, held or noted, and the window in front is not looked
    // at; the pause ends at PausedUntil (seconds since 1970) or when the user resumes.
    bool Paused = false;
    std::int64_t PausedUntil = 0;
    PauseEndListener PauseListener = nullptr;
};

// PausedUntil of a pause the user has just ended.
constexpr std::int64_t kResumedNow = std::numeric_limits<std::int64_t>::min();

// A stretch as a preview collects it instead of crediting it.
struct FrontStretch {
    std::int64_t start = 0;
    int seconds = 0;
    std::string app;
    std::string doc;
};

SamplerState State;
// Set while a preview collects what would be credited; null while crediting.
std::vector<FrontStretch>* Previewing = nullptr;

bool IsLater(std::uint32_t tick, std::uint32_t than) {
    return static_cast<std::int32_t>(tick - than) > 0;
}

// 0 is reserved for "not yet" in both LastChangeTick and AutosaveDeadline; a tick that
// wraps onto it is moved by one millisecond rather than restarting the first phase.
std::uint32_t NonZeroTick(std::uint32_t tick) {
    return tick != 0 ? tick : 1;
}

// The run time of a tick near the latest one, before or after it.
RunTime TimeOfTick(std::uint32_t tick) {
    return State.AnchorTime + static_cast<std::int32_t>(tick - State.AnchorTick);
}

// Every entry point starts here: the first timer tick starts the run's clock, a later moment
// moves it. Before the first tick nothing runs, so the other entry points leave it alone.
void ClockTo(std::uint32_t tick, bool timerTick) {
    if (!State.Running) {
        if (!timerTick) return;
        State.Running = true;
        State.AnchorTick = tick;
        State.AnchorTime = 0;
        return;
    }
    if (!IsLater(tick, State.AnchorTick)) return;
    State.AnchorTime = TimeOfTick(tick);
    State.AnchorTick = tick;
}

// Written in UTF-8; the sampler compares narrow text, so it uses them in the narrow code page.
// What programs put between a document and their own name besides TitleSeparators: the bar of
// chat programs, the en and em dash, the middle dot.
constexpr std::string_view kWrittenSeparators[] = {"|", "\xE2\x80\x93", "\xE2\x80\x94", "\xC2\xB7"};
// What editors put before the name of a document with unsaved changes: an asterisk, a black
// circle, a bullet.
constexpr std::string_view kUnsavedMarks[] = {"*", "\xE2\x97\x8F", "\xE2\x80\xA2"};
// What an elevated console puts before its own name, in the program's two languages.
constexpr std::string_view kElevatedPrefixes[] = {
    "Administrator: ", "\xD0\x90\xD0\xB4\xD0\xBC\xD0\xB8\xD0\xBD\xD0\xB8\xD1\x81\xD1\x82\xD1\x80\xD0\xB0\xD1\x82\xD0\xBE\xD1\x80: "};

// The texts above as narrow text shows them in one code page. A character counts only where it
// is whole: a UTF-8 sequence, or one byte of a code page where it is one byte. The legacy
// dashes and dot (0x96, 0x97, 0xB7) taken as bytes under UTF-8 would cut continuation bytes out
// of other characters (the Cyrillic letter ze is D0 B7).
struct NarrowForms {
    int codePage = 0;
    std::vector<std::string> separators;
    std::vector<std::string> marks;
    std::vector<std::string> prefixes;
};

NarrowForms Forms;

// The narrow form of a UTF-8 text; empty when the code page cannot show it.
std::string NarrowFormOf(std::string_view utf8, bool oneCharacter) {
    if (NarrowTextIsUtf8()) return std::string(utf8);
    std::string narrow = Utf8ToNarrow(utf8);
    // A character the code page lacks comes back as its default character ('?').
    if (NarrowToUtf8(narrow) != utf8) return {};
    if (oneCharacter && narrow.size() != 1) return {};
    return narrow;
}

const NarrowForms& FormsInNarrowText() {
    if (Forms.codePage == NarrowCodePage()) return Forms;
    NarrowForms forms;
    forms.codePage = NarrowCodePage();
    auto add = [](std::vector<std::string>& to, std::string_view utf8, bool oneCharacter) {
        std::string narrow = NarrowFormOf(utf8, oneCharacter);
        if (!narrow.empty()) to.push_back(std::move(narrow));
    };
    for (std::string_view separator : kWrittenSeparators) add(forms.separators, separator, true);
    for (std::string_view mark : kUnsavedMarks) add(forms.marks, mark, true);
    for (std::string_view prefix : kElevatedPrefixes) add(forms.prefixes, prefix, false);
    Forms = std::move(forms);
    return Forms;
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsTitleSeparator(char c) {
    return TitleSeparators.find(c) != std::string_view::npos;
}

// The number of bytes of the separator `text` starts with (or ends with); 0 when it does not.
std::size_t SeparatorAtStart(std::string_view text, const NarrowForms& forms) {
    if (!text.empty() && IsTitleSeparator(text.front())) return 1;
    for (const std::string& separator : forms.separators)
        if (StartsWith(text, separator)) return separator.size();
    return 0;
}

std::size_t SeparatorAtEnd(std::string_view text, const NarrowForms& forms) {
    if (!text.empty() && IsTitleSeparator(text.back())) return 1;
    for (const std::string& separator : forms.separators)
        if (EndsWith(text, separator)) return separator.size();
    return 0;
}

// The length of an unread count such as "(12)" at the start of `text`, followed by a blank or
// nothing; 0 when there is none. Four digits are rather a year.
std::size_t CountAtStart(std::string_view text) {
    if (text.size() < 3 || text.front() != '(') return 0;
    std::size_t end = 1;
    while (end < text.size() && end <= 3 && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == 1 || end == text.size() || text[end] != ')') return 0;
    ++end;
    return end == text.size() || text[end] == ' ' ? end : 0;
}

// Editors mark unsaved documents with an asterisk after the name, or with an asterisk, a
// circle or a bullet before it, and chat programs and web pages count unread messages before
// it: the document is the same one.
void DropModifiedMark(std::string& doc) {
    std::size_t mark = CountAtStart(doc);
    for (const std::string& unsaved : FormsInNarrowText().marks)
        if (mark == 0 && StartsWith(doc, unsaved)) mark = unsaved.size();
    if (mark != 0) {
        while (mark < doc.size() && doc[mark] == ' ') ++mark;
        doc.erase(0, mark);
    }
    if (doc.empty() || doc.back() != '*') return;
    std::size_t lengthBefore = doc.size();
    doc.pop_back();
    if (lengthBefore > 2 && doc.back() == ' ') doc.pop_back();
}

// An elevated console is the same console: its "Administrator: " goes before the split, so
// that the console's name stays whole whether a pattern names it or the whole title does.
void DropElevatedPrefix(std::string& title) {
    for (const std::string& prefix : FormsInNarrowText().prefixes) {
        if (title.size() > prefix.size() && StartsWith(title, prefix)) {
            title.erase(0, prefix.size());
            return;
        }
    }
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

// The instant (seconds since 1970) of a run time, reckoned back from the clock now.
std::int64_t UtcOf(RunTime time) {
    return UtcNow() - (SecondOf(State.AnchorTime) - SecondOf(time));
}

bool IsIdleName(std::string_view app) { return app == State.InactiveName; }

// The one way seconds reach the records: the pair gets the seconds between two run times.
void CreditBetween(RunTime from, RunTime to, std::int64_t startUtc, std::string_view app, std::string_view doc) {
    const std::int64_t seconds = SecondOf(to) - SecondOf(from);
    // Turned off, no window's document is credited, also of a stretch that began before.
    if (!State.RecordDocuments && !IsIdleName(app)) doc = {};
    if (Previewing) {
        Previewing->push_back({startUtc, static_cast<int>(seconds), std::string(app), std::string(doc)});
        return;
    }
    if (seconds <= 0 && State.ForgetEndUtc != 0 && startUtc >= State.ForgetEndUtc - 1 && startUtc <= State.ForgetEndUtc + 1)
        return;
    CreditStretch({startUtc, static_cast<int>(seconds), app, doc});
    (IsIdleName(app) ? State.Accounting.idle : State.Accounting.worked) += seconds;
    if (seconds <= 0) return;
    State.RecentCredits.push_back({startUtc, seconds, IsIdleName(app)});
    while (State.RecentCredits.front().startUtc + State.RecentCredits.front().seconds < startUtc - kRunCreditsKept)
        State.RecentCredits.pop_front();
}

void CountNobodys(RunTime from, RunTime to) {
    if (to <= from) return;
    State.Accounting.uncounted += SecondOf(to) - SecondOf(from);
    State.NobodysUntil = to;
}

// Credits every held piece to its pair: the user was there after all.
void ConfirmHeld() {
    for (const HeldPiece& piece : State.Held) CreditBetween(piece.from, piece.to, UtcOf(piece.from), piece.app, piece.doc);
    State.Held.clear();
}

void SettleOffer(bool asWork) {
    if (!State.OfferWaiting) return;
    State.OfferWaiting = false;
    const WaitingOffer& waiting = State.Offer;
    CreditBetween(waiting.from, waiting.to, waiting.offer.startUtc, asWork ? waiting.offer.app : waiting.idleApp,
                  asWork ? waiting.offer.doc : waiting.idleDoc);
}

// The last moment the user was seen: the last input, or a later tick at which sound kept the
// user present.
RunTime LastPresence() {
    RunTime last = State.InputSeen ? TimeOfTick(State.LastInputTick) : State.AnchorTime;
    if (State.PresenceSeen) last = std::max(last, TimeOfTick(State.PresenceTick));
    return last;
}

// Credits the current pair from CoveredTo up to `until`; nothing when no stretch runs or
// `until` is not later (the credit of a stretch cut short before it began). With `mayHold`,
// the part after the last presence waits until the user is seen again.
void CreditCurrentPair(RunTime until, bool mayHold) {
    if (State.LastChangeTick == 0 || until <= State.CoveredTo) return;
    RunTime sure = until;
    if (mayHold && State.AwayAfter != 0 && State.InputSeen && State.CurrentAbsence == Absence::None)
        sure = std::clamp(LastPresence(), State.CoveredTo, until);
    // A stretch of less than a second still names its pair, as every credit does.
    if (sure > State.CoveredTo || sure == until)
        CreditBetween(State.CoveredTo, sure, UtcOf(State.CoveredTo), State.CurrentApp, State.CurrentDoc);
    if (sure < until) State.Held.push_back({sure, until, State.CurrentApp, State.CurrentDoc});
    State.CoveredTo = until;
}

void AutosaveIfDue(std::uint32_t tick) {
    if (State.AutosaveDeadline != 0 && IsLater(tick, State.AutosaveDeadline)) {
        SaveTracker();
        State.AutosaveDeadline = NonZeroTick(tick + AutosaveInterval);
    }
}

// A new stretch begins at `time` (the run time of `tick` or earlier); the first one of the
// run also arms the autosave, and what came before it was nobody's.
void StartStretchAt(RunTime time, std::uint32_t tick) {
    if (State.LastChangeTick == 0) {
        State.AutosaveDeadline = NonZeroTick(tick + AutosaveInterval);
        CountNobodys(State.CoveredTo, time);
    }
    State.CoveredTo = time;
    State.LastChangeTick = NonZeroTick(tick);
}

// The split of a title with its control characters and elevated prefix settled, names cleaned.
TitleSplit SplitPreparedTitle(std::string_view title, const std::vector<std::string>& patterns, std::string_view inactiveName) {
    TitleSplit split = SplitTitle(title, patterns, inactiveName);
    CleanName(split.app);
    CleanName(split.doc);
    DropModifiedMark(split.doc);
    return split;
}

// A tab or line break separates like a blank, and an elevated console is the same console:
// both are settled before any pattern is looked for.
void PrepareTitle(std::string& title) {
    BlankControlCharacters(title);
    DropElevatedPrefix(title);
}

// Whether a pattern of the list occurs in the title, found as the split finds one.
bool HoldsPattern(std::string_view title, const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns)
        if (!pattern.empty() && title.find(pattern) != std::string_view::npos) return true;
    return false;
}

// The pair recorded for a window's title. A private window gives the private name alone, so its
// title goes no further than this function. While the user's private list cannot be read, no
// document is recorded, and a title that no application pattern names (which the unread list may
// well have named) counts as private: nothing is recorded that the list might have kept out.
TitleSplit PairOfWindowTitle(std::string title) {
    PrepareTitle(title);
    const bool failsClosed = PrivateListFailsClosed();
    if (HoldsPattern(title, PrivateList) || (failsClosed && !title.empty() && !HoldsPattern(title, ProgramList)))
        return {State.PrivateName, {}};
    TitleSplit split = SplitPreparedTitle(title, ProgramList, State.InactiveName);
    if (failsClosed || !State.RecordDocuments) split.doc.clear();
    return split;
}

// The pair of a stretch without a window or without the user: InactiveName, and as document
// the local hour and minute of `time`.
void TakeInactivePair(RunTime time) {
    const LocalDateTime at = LocalTimeAt(UtcOf(time));
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d.%02d - ...", at.hour, at.minute);
    State.CurrentDoc = stamp;
    State.CurrentApp = State.InactiveName;
}

// The window, its title length and its title become those of the last change, and the pair
// comes from its title. `read` is the number of title bytes already in SampledTitle, or -1.
void TakePairFromWindow(WindowTitleSource& titles, WindowHandle window, int length, int read) {
    State.LastWindow = window;
    State.LastTitleLength = length;
    if (window == 0) {
        State.LastTitle[0] = '\0';
        TakeInactivePair(State.AnchorTime);
        return;
    }
    if (read < 0) read = ReadTitleInto(titles, window, State.SampledTitle);
    std::memcpy(State.LastTitle, State.SampledTitle, static_cast<std::size_t>(read) + 1);
    TitleSplit split = PairOfWindowTitle(std::string(State.LastTitle, static_cast<std::size_t>(read)));
    State.CurrentApp = std::move(split.app);
    State.CurrentDoc = std::move(split.doc);
}

// The user has been away since `from`: what ran until then is credited, and an away stretch
// named by the minute it begins starts there. It never reaches back before what is credited or
// given to nobody: held time before a stretch given to nobody is the absence's, credited idle.
void GoAway(Absence why, RunTime from, std::uint32_t tick) {
    SettleOffer(false);
    State.OfferedPair = {};
    if (State.CurrentAbsence == Absence::None) State.OfferedPair = {State.InputApp, State.InputDoc};
    from = std::max(from, State.Held.empty() ? State.CoveredTo : State.Held.front().from);
    const RunTime start = std::max(from, State.NobodysUntil);
    for (const HeldPiece& piece : State.Held)
        if (piece.from < from)
            CreditBetween(piece.from, std::min(piece.to, from), UtcOf(piece.from), piece.app, piece.doc);
    if (from >= State.CoveredTo) CreditCurrentPair(from, false);
    TakeInactivePair(start);
    for (const HeldPiece& piece : State.Held) {
        const RunTime pieceFrom = std::max(piece.from, from);
        const RunTime pieceTo = std::min(piece.to, start);
        if (pieceFrom < pieceTo) CreditBetween(pieceFrom, pieceTo, UtcOf(pieceFrom), State.CurrentApp, State.CurrentDoc);
    }
    State.Held.clear();
    AutosaveIfDue(tick);
    State.CurrentAbsence = why;
    StartStretchAt(start, tick);
}

// The user is back at `time`: the away stretch ends there, offered as work when it was long
// enough and followed a window's time.
void ComeBack(RunTime time, std::uint32_t tick) {
    const RunTime from = State.CoveredTo;
    const bool offer = State.OfferListener && State.LastChangeTick != 0 && State.AwayAfter != 0 &&
                       !State.OfferedPair.app.empty() && !IsIdleName(State.OfferedPair.app) &&
                       (SecondOf(time) - SecondOf(from)) * 1000 >= static_cast<RunTime>(State.AwayAfter);
    if (offer) {
        WaitingOffer& waiting = State.Offer;
        const std::int64_t startUtc = UtcOf(from);
        // Turned off meanwhile, the balloon names no document either.
        waiting.offer = {++State.LastOfferId, startUtc, startUtc + (SecondOf(time) - SecondOf(from)), State.OfferedPair.app,
                         State.RecordDocuments ? State.OfferedPair.doc : std::string()};
        waiting.from = from;
        waiting.to = time;
        waiting.idleApp = State.CurrentApp;
        waiting.idleDoc = State.CurrentDoc;
        State.OfferWaiting = true;
        State.CoveredTo = time;
    } else {
        CreditCurrentPair(time, false);
    }
    AutosaveIfDue(tick);
    State.CurrentAbsence = Absence::None;
    State.OfferedPair = {};
    if (offer) State.OfferListener(State.Offer.offer);
}

// A tick more than MaxTickGap after the last one that ran: the machine slept without saying
// so, or the process was stopped. The pair keeps the time up to the last tick that ran, the
// rest is nobody's, and a fresh stretch of the same pair starts now. Every entry point asks.
void CloseGap(std::uint32_t tick) {
    // A pause gives its whole time to nobody when it ends.
    if (State.Paused) return;
    if (State.LastSampleTick == 0 || !IsLater(tick, State.LastSampleTick + MaxTickGap)) return;
    if (State.LastChangeTick == 0) return;
    const RunTime lastRan = TimeOfTick(State.LastSampleTick);
    const RunTime now = TimeOfTick(tick);
    CreditCurrentPair(lastRan, true);
    CountNobodys(std::max(State.CoveredTo, lastRan), now);
    State.CoveredTo = now;
    AutosaveIfDue(tick);
}

// The window and pair in front at the last input, which sound may keep present and an absence
// after it is offered to. Assigned in place: a pair that stays the same allocates nothing.
void RememberInputPair() {
    State.InputWindow = State.LastWindow;
    State.InputApp = State.CurrentApp;
    State.InputDoc = State.CurrentDoc;
}

enum class InputNews { Unknown, Old, New };

// Reads the last input. A new one belongs to the stretch that ran up to this tick, and confirms
// what was held; before any stretch, or on the way back from an absence, the caller gives it the
// stretch that starts now.
InputNews NoteInput() {
    std::uint32_t lastInput = 0;
    if (!ActiveLastInput().LastInputTick(lastInput)) return InputNews::Unknown;
    if (State.InputSeen && !IsLater(lastInput, State.LastInputTick)) return InputNews::Old;
    const bool first = !State.InputSeen;
    State.InputSeen = true;
    State.LastInputTick = lastInput;
    // Input during a pause belongs to no stretch that ran: the one after it takes it.
    if (State.CurrentAbsence == Absence::None && State.LastChangeTick != 0 && !State.Paused) {
        RememberInputPair();
        if (!first) ConfirmHeld();
    }
    return InputNews::New;
}

// Sound keeps the user present: asked only when the input has grown old, and only for the
// window that was in front at the last input, for at most MaxPresenceWithoutInput.
bool SoundKeepsPresent(WindowHandle window, std::uint32_t tick) {
    if (!State.MediaIsPresence || window != State.InputWindow) return false;
    if (static_cast<std::uint32_t>(static_cast<std::int32_t>(tick - State.LastInputTick)) >= MaxPresenceWithoutInput)
        return false;
    return ActivePresence().MediaPlaying();
}

// Whether `since` is at least AwayAfter before this tick.
bool AwayTimeSince(std::uint32_t since, std::uint32_t tick) {
    const std::int32_t age = static_cast<std::int32_t>(tick - since);
    return age > 0 && static_cast<std::uint32_t>(age) >= State.AwayAfter;
}

bool IsBack() {
    if (State.CurrentAbsence == Absence::Session) return !State.SessionLocked && !State.SessionDisconnected;
    return State.InputSeen && IsLater(State.LastInputTick, State.AwayInputTick);
}

bool PauseIsOver() {
    return State.PausedUntil != PausedUntilResumed && ActiveClock().UtcNow() >= State.PausedUntil;
}

// The pause ends at this tick: its time is nobody's, and the next stretch starts here. An
// absence from before the pause is over; the window in front at the last input before it is
// neither offered an absence nor kept present by sound; a session still locked or
// disconnected is away from here.
void EndPause(std::uint32_t tick) {
    const bool byItself = State.PausedUntil != kResumedNow;
    State.Paused = false;
    if (State.LastChangeTick != 0) {
        const RunTime now = TimeOfTick(tick);
        CountNobodys(State.CoveredTo, now);
        State.CoveredTo = std::max(State.CoveredTo, now);
        State.LastChangeTick = NonZeroTick(tick);
        State.InputWindow = 0;
        State.InputApp.clear();
        State.InputDoc.clear();
        State.CurrentAbsence = Absence::None;
        if (State.SessionLocked || State.SessionDisconnected) {
            State.CurrentAbsence = Absence::Session;
            GoAway(Absence::Session, now, tick);
        } else {
            // No title has this length: whatever is in front at this tick starts the next stretch.
            State.LastTitleLength = -1;
        }
    }
    if (byItself && State.PauseListener) State.PauseListener();
}

}  // namespace

void SetInactiveName(std::string_view name) {
    // Whatever the language file says, the name reaches the log as a window's would.
    State.InactiveName.assign(CutText(name, kTitleLimit));
    CleanName(State.InactiveName);
}

void SetPrivateName(std::string_view name) {
    State.PrivateName.assign(CutText(name, kTitleLimit));
    CleanName(State.PrivateName);
    if (State.PrivateName.empty()) State.PrivateName.assign(kDefaultPrivateName);
}

void SetRecordDocuments(bool on) { State.RecordDocuments = on; }

void SetAwayMinutes(std::uint32_t minutes) {
    // Beyond what the tick's signed differences can measure (24.8 days) it would never come.
    constexpr std::uint32_t kLongestMinutes = 0x7FFFFFFF / 60000;
    State.AwayAfter = minutes <= kLongestMinutes ? minutes * 60000 : 0;
}

void SetMediaIsPresence(bool on) { State.MediaIsPresence = on; }

void SetAwayOfferListener(AwayOfferListener listener) { State.OfferListener = listener; }

void SettleAwayOffer(std::uint64_t id, bool asWork) {
    if (State.OfferWaiting && State.Offer.offer.id == id) SettleOffer(asWork);
}

RunAccounting AccountingOfRun() {
    RunAccounting accounting = State.Accounting;
    accounting.running = SecondOf(State.CoveredTo);
    return accounting;
}

namespace {

// Calls `change` with each of the run's credits that overlaps the span, and how many seconds.
// It may cut the credit in place and return the part that follows the span, kept after it.
template <typename Change>
void ForEachCreditIn(std::int64_t fromUtc, std::int64_t toUtc, const Change& change) {
    std::deque<RunCredit> kept;
    for (RunCredit credit : State.RecentCredits) {
        const std::int64_t end = credit.startUtc + credit.seconds;
        const std::int64_t overlap = std::min(end, toUtc) - std::max(credit.startUtc, fromUtc);
        if (overlap <= 0) {
            kept.push_back(credit);
            continue;
        }
        for (const RunCredit& piece : change(credit, overlap))
            if (piece.seconds > 0) kept.push_back(piece);
    }
    State.RecentCredits = std::move(kept);
}

}  // namespace

void CountForgotten(std::int64_t fromUtc, std::int64_t toUtc) {
    ForEachCreditIn(fromUtc, toUtc, [fromUtc, toUtc](const RunCredit& credit, std::int64_t overlap) {
        (credit.idle ? State.Accounting.idle : State.Accounting.worked) -= overlap;
        State.Accounting.uncounted += overlap;
        const std::int64_t end = credit.startUtc + credit.seconds;
        return std::vector<RunCredit>{{credit.startUtc, std::max<std::int64_t>(fromUtc - credit.startUtc, 0), credit.idle},
                                      {toUtc, end - toUtc, credit.idle}};
    });
}

void CountAsWork(std::int64_t fromUtc, std::int64_t toUtc) {
    ForEachCreditIn(fromUtc, toUtc, [fromUtc, toUtc](const RunCredit& credit, std::int64_t overlap) {
        if (!credit.idle) return std::vector<RunCredit>{credit};
        State.Accounting.idle -= overlap;
        State.Accounting.worked += overlap;
        const std::int64_t end = credit.startUtc + credit.seconds;
        const std::int64_t from = std::max(credit.startUtc, fromUtc);
        return std::vector<RunCredit>{{credit.startUtc, from - credit.startUtc, true},
                                      {from, overlap, false},
                                      {from + overlap, end - from - overlap, true}};
    });
}

const std::string& InactiveName() { return State.InactiveName; }

void SampleWindow(WindowHandle window, std::uint32_t tick) {
    ClockTo(tick, true);
    CloseGap(tick);
    State.LastSampleTick = NonZeroTick(tick);
    if (State.Paused && !PauseIsOver()) return;
    const RunTime now = State.AnchorTime;

    WindowTitleSource& titles = ActiveTitleSource();
    const bool firstChange = State.LastChangeTick == 0;
    const InputNews input = NoteInput();
    const bool resumed = State.Paused;
    if (resumed) EndPause(tick);
    const bool inputKnown = input != InputNews::Unknown;
    if (State.AwayAfter == 0) ConfirmHeld();
    if (State.CurrentAbsence != Absence::None) {
        if (!IsBack()) return;
        // The away stretch ends here, and timing goes on from the window in front.
        ComeBack(now, tick);
        StartStretchAt(now, tick);
        TakePairFromWindow(titles, window, window != 0 ? titles.TitleLength(window) : 0, -1);
        if (input == InputNews::New) RememberInputPair();
        return;
    }

    // Once the input is old enough for an absence, sound may keep the user present, tick by
    // tick; without it, the absence begins at the last input or sound.
    if (State.AwayAfter != 0 && inputKnown && AwayTimeSince(State.LastInputTick, tick)) {
        if (SoundKeepsPresent(window, tick)) {
            State.PresenceSeen = true;
            State.PresenceTick = tick;
            ConfirmHeld();
        } else if (!State.PresenceSeen || !IsLater(State.PresenceTick, State.LastInputTick) ||
                   AwayTimeSince(State.PresenceTick, tick)) {
            // The away stretch begins at the last presence, unless what began later is already
            // credited; before the first change, now.
            RunTime from = now;
            if (State.LastChangeTick != 0) from = LastPresence();
            GoAway(Absence::NoInput, std::min(from, now), tick);
            State.AwayInputTick = State.LastInputTick;
            return;
        }
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
    CreditCurrentPair(now, true);
    AutosaveIfDue(tick);
    StartStretchAt(now, tick);
    TakePairFromWindow(titles, window, length, read);
    if (input == InputNews::New && (firstChange || resumed)) RememberInputPair();
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

        const NarrowForms& forms = FormsInNarrowText();
        std::string_view doc;
        if (at == 0) {
            doc = title.substr(pattern.size());
            while (std::size_t separator = SeparatorAtStart(doc, forms)) doc.remove_prefix(separator);
        } else {
            // Whatever follows the pattern is dropped.
            doc = title.substr(0, at);
            while (std::size_t separator = SeparatorAtEnd(doc, forms)) doc.remove_suffix(separator);
        }
        return {std::string(CutText(pattern, kNameLimit)), std::string(CutText(doc, kNameLimit))};
    }
    return {std::string(CutText(title, kTitleLimit)), {}};
}

TitleSplit SplitWindowTitle(std::string title, const std::vector<std::string>& patterns, std::string_view inactiveName) {
    PrepareTitle(title);
    return SplitPreparedTitle(title, patterns, inactiveName);
}

void NoteSessionChange(SessionChange change, std::uint32_t tick) {
    ClockTo(tick, false);
    CloseGap(tick);
    // The notification is a moment the program ran: the next tick sees no gap before it.
    State.LastSampleTick = NonZeroTick(tick);
    switch (change) {
    case SessionChange::Locked: State.SessionLocked = true; break;
    case SessionChange::Unlocked: State.SessionLocked = false; break;
    case SessionChange::Disconnected: State.SessionDisconnected = true; break;
    case SessionChange::Connected: State.SessionDisconnected = false; break;
    }
    // Paused, only the session's state is kept, for the end of the pause.
    if (State.Paused) return;
    if (!State.SessionLocked && !State.SessionDisconnected) return;
    // The lock screen may itself be a window in front; it must not collect the time. Already
    // away for lack of input, the user stays in that stretch, but input at the lock screen no
    // longer ends it. Locking is the user's own act: what was held was theirs.
    if (State.CurrentAbsence == Absence::None) {
        ConfirmHeld();
        GoAway(Absence::Session, TimeOfTick(tick), tick);
    }
    State.CurrentAbsence = Absence::Session;
}

namespace {

// What an exit at this tick credits, after the clock has moved to it.
void CreditAsAtExit(std::uint32_t tick) {
    // The user was there until now; an absence still offered stays idle.
    SettleOffer(false);
    if (State.CurrentAbsence == Absence::None) ConfirmHeld();
    if (State.LastChangeTick == 0) return;
    CreditCurrentPair(TimeOfTick(tick), false);
    State.LastChangeTick = NonZeroTick(tick);
}

}  // namespace

void SkipZeroCreditsAt(std::int64_t utc) { State.ForgetEndUtc = utc; }

void CreditPendingStretch(std::uint32_t tick) {
    ClockTo(tick, false);
    CloseGap(tick);
    State.LastSampleTick = NonZeroTick(tick);
    if (!State.Paused) CreditAsAtExit(tick);
}

void NoteFrontIfDue(std::uint32_t tick) {
    if (!State.Running || State.LastChangeTick == 0 || State.Paused) return;
    if (State.FrontNotedTick != 0 && !IsLater(tick, State.FrontNotedTick + FrontNoteInterval - 1)) return;
    // The exit's credits are worked out on a copy of the state and collected, not credited: the
    // run goes on as if nothing happened.
    const SamplerState saved = State;
    std::vector<FrontStretch> front;
    Previewing = &front;
    ClockTo(tick, false);
    CloseGap(tick);
    CreditAsAtExit(tick);
    Previewing = nullptr;
    State = saved;
    State.FrontNotedTick = NonZeroTick(tick);
    std::vector<Stretch> stretches;
    stretches.reserve(front.size());
    for (const FrontStretch& stretch : front) stretches.push_back({stretch.start, stretch.seconds, stretch.app, stretch.doc});
    NoteStretchesInFront(stretches);
}

void RestartStretch(std::uint32_t tick) {
    ClockTo(tick, false);
    CloseGap(tick);
    // The resume is a moment the program ran: the next tick sees no gap.
    State.LastSampleTick = NonZeroTick(tick);
    if (State.LastChangeTick == 0 || State.Paused) return;
    CountNobodys(State.CoveredTo, TimeOfTick(tick));
    State.CoveredTo = std::max(State.CoveredTo, TimeOfTick(tick));
    State.LastChangeTick = NonZeroTick(tick);
}

void PauseRecording(std::int64_t untilUtc, std::uint32_t tick) {
    if (!State.Paused) {
        ClockTo(tick, false);
        CloseGap(tick);
        State.LastSampleTick = NonZeroTick(tick);
        CreditAsAtExit(tick);
        // What a crash would have taken from the front is credited now; nothing is in front
        // while paused.
        if (State.LastChangeTick != 0) NoteStretchesInFront({});
        State.Paused = true;
    }
    State.PausedUntil = untilUtc;
}

void ResumeRecording(WindowHandle window, std::uint32_t tick) {
    if (!State.Paused) return;
    State.PausedUntil = kResumedNow;
    SampleWindow(window, tick);
}

bool RecordingPaused() { return State.Paused; }

std::int64_t PausedUntil() { return State.PausedUntil; }

void SetPauseEndListener(PauseEndListener listener) { State.PauseListener = listener; }

void ResetSampler() {
    SamplerState fresh;
    fresh.InactiveName = std::move(State.InactiveName);
    fresh.PrivateName = std::move(State.PrivateName);
    fresh.AwayAfter = State.AwayAfter;
    fresh.MediaIsPresence = State.MediaIsPresence;
    fresh.RecordDocuments = State.RecordDocuments;
    fresh.OfferListener = State.OfferListener;
    fresh.PauseListener = State.PauseListener;
    fresh.LastOfferId = State.LastOfferId;
    State = std::move(fresh);
}
