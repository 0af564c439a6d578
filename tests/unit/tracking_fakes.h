// Fakes of the tracker's platform seams, a temporary program folder and small helpers for
// the tracking and programs list tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "base/program_paths.h"
#include "tests/unit/test_files.h"
#include "tracking/platform_seams.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"
#include "tracking/tracker.h"

class FakeWindows final : public WindowTitleSource {
public:
    int TitleLength(WindowHandle window) override {
        ++lengthQueries;
        return static_cast<int>(titles[window].size());
    }
    int ReadTitle(WindowHandle window, char* buffer, int capacity) override {
        ++titleReads;
        int copied = std::min(static_cast<int>(titles[window].size()), capacity - 1);
        titles[window].copy(buffer, static_cast<std::size_t>(copied));
        buffer[copied] = '\0';
        return copied;
    }

    std::map<WindowHandle, std::string> titles;
    int lengthQueries = 0;
    int titleReads = 0;
};

// The user's last input; unknown (never away) until a test sets it.
class FakeInput final : public LastInputSource {
public:
    bool LastInputTick(std::uint32_t& tick) override {
        if (!known) return false;
        tick = last;
        return true;
    }
    void At(std::uint32_t tick) {
        known = true;
        last = tick;
    }
    bool known = false;
    std::uint32_t last = 0;
};

// Local time is UTC plus an offset that grows by `shift` seconds from the instant `shiftAt`
// on: a change of daylight-saving time when a test sets one.
class FakeClock final : public LocalClock {
public:
    std::int64_t UtcNow() override { return utc; }
    LocalDateTime LocalTimeAt(std::int64_t at) override {
        return CalendarTime(at + offset + (at >= shiftAt ? shift : 0));
    }
    // Now is that local time.
    void Set(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
        utc = CalendarSeconds({year, month, day, hour, minute, second}) - offset;
        if (utc >= shiftAt) utc -= shift;
    }
    LocalDateTime Now() { return LocalTimeAt(utc); }
    std::int64_t utc = CalendarSeconds({2026, 12, 7, 9, 5, 0});
    std::int64_t offset = 0;
    std::int64_t shiftAt = std::numeric_limits<std::int64_t>::max();
    std::int64_t shift = 0;
};

// Sound on the default output device; counts the questions, which only an input older than the
// away time may raise.
class FakePresence final : public PresenceSource {
public:
    bool MediaPlaying() override {
        ++asked;
        return playing;
    }
    bool playing = false;
    int asked = 0;
};

class FakeTimer final : public SamplingTimer {
public:
    std::uintptr_t Start() override {
        ++starts;
        return 42;
    }
    void Stop(std::uintptr_t timerId) override {
        ++stops;
        lastStopped = timerId;
    }
    int starts = 0;
    int stops = 0;
    std::uintptr_t lastStopped = 0;
};

// A credit dated by the clock, as the tracker dates one.
inline void CreditToday(std::string_view app, std::string_view doc, int seconds) {
    CreditTime(LocalNow(), app, doc, seconds);
}

inline bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

// "name=value" for each attribute in document order, separated by blanks.
inline std::string Attributes(XmlNode element) {
    std::string text;
    for (XmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next()) {
        text += (text.empty() ? "" : " ") + attribute.Name() + "=" + attribute.Value();
    }
    return text;
}

inline int TimeOf(XmlNode element) {
    std::int32_t time = -1;
    return element.AttributeToInt32("time", time) ? time : -1;
}

// Child elements of one name, walked without the queries the code under test uses.
inline std::vector<XmlNode> Children(XmlNode parent, const std::string& kind) {
    std::vector<XmlNode> children;
    for (XmlNode child = parent ? parent.FirstChild() : XmlNode(); child; child = child.NextSibling()) {
        if (child.Kind() == XmlNodeKind::Element && child.Name() == kind) children.push_back(child);
    }
    return children;
}

inline XmlNode ChildNamed(XmlNode parent, const std::string& kind, const std::string& name) {
    for (XmlNode child : Children(parent, kind)) {
        std::string value;
        if (child.GetAttribute("name", value) && value == name) return child;
    }
    return XmlNode();
}

// Fakes in place, a temporary program folder for user "user1", and the process-wide
// tracking state empty before and after each test.
class TrackingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramDir = folder.Dir();
        UserName = "user1";
        SetInactiveName("Inactive");
        SetTitleSource(&windows);
        SetLastInputSource(&input);
        SetClock(&clock);
        SetSamplingTimer(&timer);
    }
    void TearDown() override {
        CloseTracker();
        SetTitleSource(nullptr);
        SetLastInputSource(nullptr);
        SetClock(nullptr);
        SetSamplingTimer(nullptr);
        ProgramDir.clear();
        UserName.clear();
        ProgramList.clear();
        ResetSampler();
        SetInactiveName("");
        SetAwayMinutes(0);
        SetTimelineOn(true);
        SetMediaIsPresence(true);
        SetPresenceSource(nullptr);
        SetAwayOfferListener(nullptr);
        SetPauseEndListener(nullptr);
    }

    std::string LogPath() const { return folder.File("user1-Time.xml"); }
    std::vector<XmlNode> Dates() const { return Children(TimeLog->DocumentElement(), "Date"); }

    XmlNode DateOf(int year, int month, int day) const {
        for (XmlNode date : Dates()) {
            std::int32_t y = 0, m = 0, d = 0;
            if (date.AttributeToInt32("y", y) && date.AttributeToInt32("m", m) &&
                date.AttributeToInt32("d", d) && y == year && m == month && d == day) {
                return date;
            }
        }
        return XmlNode();
    }

    // Seconds credited on the fake clock's day to the application, or to its document;
    // -1 when the element is missing.
    int Credited(const std::string& app, const std::string& doc = "") {
        const LocalDateTime today = clock.Now();
        XmlNode appNode = ChildNamed(DateOf(today.year, today.month, today.day), "App", app);
        if (!appNode || doc.empty()) return appNode ? TimeOf(appNode) : -1;
        XmlNode docNode = ChildNamed(appNode, "Doc", doc);
        return docNode ? TimeOf(docNode) : -1;
    }

    TemporaryFolder folder;
    FakeWindows windows;
    FakeInput input;
    FakeClock clock;
    FakeTimer timer;
};

constexpr WindowHandle kEditorWindow = 0x1000;
constexpr WindowHandle kStudioWindow = 0x2000;

// Two windows whose titles the patterns "Editor" and "Studio" split, and an open log.
class EditorAndStudioTest : public TrackingTest {
protected:
    void SetUp() override {
        TrackingTest::SetUp();
        ProgramList = {"Editor", "Studio"};
        windows.titles[kEditorWindow] = "notes.txt - Editor";
        windows.titles[kStudioWindow] = "Studio: main.cpp";
        OpenTracker();
        ASSERT_TRUE(TimeLog);
    }
};
