#include "tracking/sampler.h"

#include <cstdio>

#include "base/narrow_text.h"
#include "tracking/programs_list.h"
#include "tracking/time_log.h"

WindowHandle LastWindow = 0;
int LastTitleLength = 0;
std::uint32_t LastChangeTick = 0;
std::uint32_t AutosaveDeadline = 0;
std::string CurrentApp;
std::string CurrentDoc;
std::string InactiveName;

namespace {

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

}  // namespace

void SetInactiveName(std::string_view name) {
    // A quote would make every idle stretch a new element: the log's queries could never
    // find it again.
    InactiveName.assign(CutText(name, kTitleLimit));
    CleanName(InactiveName);
}

void SampleWindow(WindowHandle window, std::uint32_t tick) {
    WindowTitleSource& titles = ActiveTitleSource();
    int length = window != 0 ? titles.TitleLength(window) : 0;
    // A title that changes but keeps its length is not seen: this keeps the quiet tick cheap.
    if (window == LastWindow && length == LastTitleLength) return;

    if (LastChangeTick != 0) {
        // Time is credited one change late, to the pair computed at the previous change.
        CreditTime(CurrentApp, CurrentDoc, SecondsBetween(LastChangeTick, tick));
        if (AutosaveDeadline != 0 && IsLater(tick, AutosaveDeadline)) {
            SaveTimeLog();
            AutosaveDeadline = NonZeroTick(tick + AutosaveInterval);
        }
    } else {
        AutosaveDeadline = NonZeroTick(tick + AutosaveInterval);
    }

    LastWindow = window;
    LastTitleLength = length;
    LastChangeTick = NonZeroTick(tick);

    if (window != 0) {
        char buffer[kTextBufferSize];
        int read = titles.ReadTitle(window, buffer, static_cast<int>(kTextBufferSize));
        if (read < 0) read = 0;
        // The platform cuts a long title to the buffer, possibly inside a character.
        std::string title(CutText(std::string_view(buffer, static_cast<std::size_t>(read)), kTitleLimit));
        // A tab or line break separates like a blank, so it must be one before the split.
        BlankControlCharacters(title);
        SplitTitle(title);
        CleanName(CurrentApp);
        CleanName(CurrentDoc);
        DropModifiedMark(CurrentDoc);
    } else {
        // An idle stretch is named by the minute it began.
        LocalDateTime now = ActiveClock().Now();
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%02d.%02d - ...", now.hour, now.minute);
        CurrentDoc = stamp;
        CurrentApp = InactiveName;
    }
}

void SplitTitle(std::string_view title) {
    if (title.empty()) {
        CurrentApp = InactiveName;
        CurrentDoc.clear();
        return;
    }
    // The first pattern in list order that occurs wins, not the longest one.
    for (const std::string& pattern : ProgramList) {
        // The platform's substring search finds no empty text; an empty pattern would
        // otherwise claim every title.
        if (pattern.empty()) continue;
        std::size_t at = title.find(pattern);
        if (at == std::string_view::npos) continue;

        CurrentApp.assign(CutText(pattern, kNameLimit));
        std::string_view doc;
        if (at == 0) {
            doc = title.substr(pattern.size());
            while (!doc.empty() && IsTitleSeparator(doc.front())) doc.remove_prefix(1);
        } else {
            // Whatever follows the pattern is dropped.
            doc = title.substr(0, at);
            while (!doc.empty() && IsTitleSeparator(doc.back())) doc.remove_suffix(1);
        }
        CurrentDoc.assign(CutText(doc, kNameLimit));
        return;
    }
    CurrentApp.assign(CutText(title, kTitleLimit));
    CurrentDoc.clear();
}

void CreditPendingStretch(std::uint32_t tick) {
    if (LastChangeTick == 0) return;
    CreditTime(CurrentApp, CurrentDoc, SecondsBetween(LastChangeTick, tick));
    LastChangeTick = NonZeroTick(tick);
}

void RestartStretch(std::uint32_t tick) {
    if (LastChangeTick == 0) return;
    LastChangeTick = NonZeroTick(tick);
}
