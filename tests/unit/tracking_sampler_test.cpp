#include <algorithm>
#include <filesystem>
#include <set>

#include "tests/unit/tracking_allocation_count.h"
#include "settings/in_memory_registry.h"
#include "settings/settings.h"
#include "tests/unit/tracking_fakes.h"
#include "tracking/private_list.h"
#include "tracking/unsaved_time.h"

namespace {

class SamplerTest : public EditorAndStudioTest {
protected:
    // Shows a window with that title for a second from `tick`: what the log then credits to
    // the pair more than before.
    int CreditOfOneSecond(std::uint32_t tick, const std::string& title, const std::string& app, const std::string& doc) {
        const int before = std::max(Credited(app, doc), 0);
        windows.titles[tick] = title;
        SampleWindow(tick, tick);
        SampleWindow(kStudioWindow, tick + 1000);
        return Credited(app, doc) - before;
    }
    // The timer's ticks, one a second, after `from` and before `until`.
    void TicksBetween(WindowHandle window, std::uint32_t from, std::uint32_t until) {
        for (std::uint32_t tick = from + 1000; tick < until; tick += 1000) SampleWindow(window, tick);
    }
};

TEST_F(SamplerTest, FirstChangeOnlyArmsAutosaveAndComputesThePair) {
    SampleWindow(0, 5000);
    SampleWindow(kEditorWindow, 7000);
    EXPECT_TRUE(Dates().empty()) << "no window at start is no change, and nothing is credited at the first";

    TicksBetween(kEditorWindow, 7000, 607000);
    SampleWindow(kStudioWindow, 607000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 600) << "a change credits the previous pair";
    EXPECT_EQ(Credited("Studio"), -1);
    EXPECT_TRUE(FileExists(LogPath())) << "the first change armed the autosave";
    SampleWindow(kEditorWindow, 608000);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 1);
}

TEST_F(SamplerTest, MillisecondsRoundHalfUp) {
    SampleWindow(kEditorWindow, 10000);
    SampleWindow(kStudioWindow, 11499);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 1);
    SampleWindow(kEditorWindow, 12999);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 2);
    SampleWindow(kStudioWindow, 13498);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 1) << "499 ms give 0 s";
}

TEST_F(SamplerTest, AnotherTitleIsAChangeEvenAtTheSameLength) {
    SampleWindow(kEditorWindow, 1000);
    SampleWindow(kEditorWindow, 2000);  // the same title is no change

    windows.titles[kEditorWindow] = "other.txt - Editor";  // as long as "notes.txt - Editor"
    SampleWindow(kEditorWindow, 5000);
    windows.titles[kEditorWindow] = "notes.txt - Editor";
    SampleWindow(kEditorWindow, 7000);
    windows.titles[kEditorWindow] = "longer.txt - Editor";
    SampleWindow(kEditorWindow, 8000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 4 + 1);
    EXPECT_EQ(Credited("Editor", "other.txt"), 2);
    SampleWindow(kStudioWindow, 9000);
    EXPECT_EQ(Credited("Editor", "longer.txt"), 1);
}

TEST_F(SamplerTest, AutosaveHappensOnlyAtAChangeAfterTheDeadline) {
    SampleWindow(kEditorWindow, 1000);  // the deadline is 301000
    SampleWindow(kStudioWindow, 2000);
    TicksBetween(kStudioWindow, 2000, 301000);
    SampleWindow(kEditorWindow, 301000);
    EXPECT_FALSE(FileExists(LogPath())) << "a change exactly at the deadline does not save";
    TicksBetween(kEditorWindow, 301000, 400000);
    EXPECT_FALSE(FileExists(LogPath())) << "quiet ticks never save";

    SampleWindow(kStudioWindow, 400000);
    ASSERT_TRUE(FileExists(LogPath()));
    EXPECT_NE(ReadFileBytes(LogPath()).find("<App name=\"Editor\" time=\"100\">"), std::string::npos)
        << "the save holds the credit of the same change";

    // The next deadline counts from that save.
    std::filesystem::remove(LogPath());
    TicksBetween(kStudioWindow, 400000, 700000);
    SampleWindow(kEditorWindow, 700000);
    EXPECT_FALSE(FileExists(LogPath()));
    SampleWindow(kStudioWindow, 701000);
    EXPECT_TRUE(FileExists(LogPath()));
}

TEST_F(SamplerTest, AStretchAcrossMidnightIsSplitBetweenTheTwoDays) {
    clock.Set(2026, 12, 7, 23, 59);
    SampleWindow(kEditorWindow, 1000);
    TicksBetween(kEditorWindow, 1000, 121000);
    clock.Set(2026, 12, 8, 0, 1);
    SampleWindow(kStudioWindow, 121000);
    EXPECT_EQ(TimeOf(DateOf(2026, 12, 7)), 60);
    EXPECT_EQ(TimeOf(DateOf(2026, 12, 8)), 60);
}

TEST_F(SamplerTest, TheTickWrapsWithoutLosingTime) {
    SampleWindow(kEditorWindow, 0xFFFFFC18u);  // 1000 ms before the wrap
    SampleWindow(kStudioWindow, 0);
    SampleWindow(kEditorWindow, 8192);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 1);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 8) << "a change at tick 0 still starts a stretch";
}

TEST_F(SamplerTest, QuotesControlCharactersAndModifiedMarksAreCleanedFromNames) {
    struct {
        const char* title;
        const char* app;
        const char* doc;
    } const cases[] = {
        {"say \"hi\" - Editor", "Editor", "say 'hi'"},
        {"a \"quoted\" title", "a 'quoted' title", ""},
        {"notes.txt * - Editor", "Editor", "notes.txt"},
        {"Editor - notes.txt*", "Editor", "notes.txt"},
        {"Editor - a *", "Editor", "a"},
        {"Editor - a*", "Editor", "a"},
        {" * Editor", "Editor", " "},
        {"Editor - *", "Editor", ""},
        {"Editor - notes**", "Editor", "notes*"},
        {"notes\t.txt - Editor", "Editor", "notes .txt"},
        {"Editor\t- notes", "Editor", "notes"},  // a blank before the split, so a separator
        {"Editor - a\x01z\x1f", "Editor", "a z "},
        {"Tab\there\r\n", "Tab here  ", ""},
        {"Editor - notes.txt\t*", "Editor", "notes.txt"},
        {"Editor - caf\xE9\x7F", "Editor", "caf\xE9\x7F"},
    };
    std::uint32_t tick = 1000;
    for (const auto& example : cases) {
        EXPECT_EQ(CreditOfOneSecond(tick, example.title, example.app, example.doc), 1) << example.title;
        tick += 2000;
    }
}

TEST_F(SamplerTest, NoWindowGivesTheInactivePairNamedByTheMinute) {
    SampleWindow(kEditorWindow, 1000);
    clock.Set(2026, 12, 7, 9, 5);
    SampleWindow(0, 2000);

    TicksBetween(0, 2000, 722000);
    clock.Set(2026, 12, 7, 9, 17);
    SampleWindow(kStudioWindow, 722000);
    EXPECT_EQ(Credited("Inactive", "09.05 - ..."), 720);
}

TEST_F(SamplerTest, TheInactiveNameIsCleanedAndCutAsAWholeTitle) {
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"\"Away\"\tfrom\ndesk", "'Away' from desk"},
        {std::string(300, 'x'), std::string(255, 'x')},
        {"", ""},
    };
    std::uint32_t tick = 1000;
    for (const auto& c : cases) {
        SetInactiveName(c.text);
        EXPECT_EQ(CreditOfOneSecond(tick, "", c.expected, ""), 1) << c.text;
        tick += 2000;
    }
}

TEST_F(SamplerTest, AnEmptyTitleGivesTheInactiveNameWithoutDocument) {
    windows.titles[kEditorWindow] = "";
    SampleWindow(kEditorWindow, 1000);
    SampleWindow(kStudioWindow, 6000);
    EXPECT_EQ(Credited("Inactive"), 5) << "a window without a title differs from no window";
    EXPECT_TRUE(Children(ChildNamed(DateOf(2026, 12, 7), "App", "Inactive"), "Doc").empty());
}

TEST_F(SamplerTest, AQuietTickAllocatesNothingAndLeavesTheLogAlone) {
    SetAwayMinutes(10);
    SampleWindow(kEditorWindow, 1000);
    SampleWindow(kStudioWindow, 2000);
    std::string logBefore = FormatXmlDocument(*TimeLog);

    long allocationsBefore = AllocationsSoFar();
    for (std::uint32_t tick = 3000; tick < 1003000; tick += 1000) {
        input.At(tick - 500);
        SampleWindow(kStudioWindow, tick);
    }
    EXPECT_EQ(AllocationsSoFar() - allocationsBefore, 0);
    EXPECT_EQ(FormatXmlDocument(*TimeLog), logBefore);

    allocationsBefore = AllocationsSoFar();
    input.At(1004000);
    SampleWindow(kEditorWindow, 1004000);
    EXPECT_GT(AllocationsSoFar(), allocationsBefore) << "a change allocates: the counter counts";
    EXPECT_EQ(Credited("Studio", "main.cpp"), 1002);
}

TEST_F(SamplerTest, StretchHooksCreditOrDropTimeAndKeepThePair) {
    CreditPendingStretch(5000);
    RestartStretch(5000);
    EXPECT_TRUE(Dates().empty()) << "before the first change there is no stretch";

    SampleWindow(kEditorWindow, 1000);
    CreditPendingStretch(11000);  // logoff, or going to sleep
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10);

    RestartStretch(3611000);  // resumed an hour later
    SampleWindow(kStudioWindow, 3614000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 13) << "neither the credited part nor the sleep again";
}

// ---- Away: no input, a locked session, ticks that did not run ----

TEST_F(SamplerTest, WithoutInputTheStretchEndsAtTheLastInputAndInputBackEndsTheAwayStretch) {
    SetAwayMinutes(10);
    clock.Set(2026, 12, 7, 10, 20, 30);
    input.At(1000);
    SampleWindow(kEditorWindow, 1000);
    input.At(30000);
    TicksBetween(kEditorWindow, 1000, 630000);
    EXPECT_EQ(Credited("Editor"), -1) << "599 s without input is not yet away";

    SampleWindow(kEditorWindow, 630000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 29) << "up to the last input, not up to now";

    // Windows that come and go while nobody is there change nothing.
    TicksBetween(kStudioWindow, 630000, 701000);
    EXPECT_EQ(Credited("Studio"), -1);
    EXPECT_EQ(Credited("Inactive"), -1);

    input.At(700500);
    SampleWindow(kStudioWindow, 701000);
    EXPECT_EQ(Credited("Inactive", "10.10 - ..."), 671)
        << "named by the minute of the last input, 600 s before 10:20:30; from then to the tick that saw input";
    input.At(705000);
    SampleWindow(kEditorWindow, 705000);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 4);
}

TEST_F(SamplerTest, AwayTimeZeroNeverGoesAwayAndAnAwayStartNamesItsOwnMinute) {
    input.At(1000);
    SampleWindow(kEditorWindow, 1000);
    TicksBetween(kEditorWindow, 1000, 7201000);
    SampleWindow(kStudioWindow, 7201000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 7200) << "without an away time two hours count";

    // Away past midnight: the minute lies on the day before.
    SetAwayMinutes(3);
    input.At(7201500);
    TicksBetween(kStudioWindow, 7201000, 7382000);
    EXPECT_EQ(Credited("Studio"), -1) << "not yet away";
    clock.Set(2026, 12, 8, 0, 1, 10);
    SampleWindow(kStudioWindow, 7382000);  // 180.5 s after the last input
    EXPECT_EQ(TimeOf(ChildNamed(DateOf(2026, 12, 7), "App", "Studio")), 1) << "its second was before midnight";
    input.At(7390500);
    clock.Set(2026, 12, 8, 0, 1, 19);
    SampleWindow(kStudioWindow, 7391000);
    EXPECT_EQ(TimeOf(ChildNamed(DateOf(2026, 12, 7), "App", "Inactive")), 110) << "from 23:58:10 to midnight";
    EXPECT_EQ(Credited("Inactive", "23.58 - ..."), 79) << "the rest, on the new day";

    // A user away at the first tick is away from that tick on, named by its minute.
    TearDown();
    std::filesystem::remove(LogPath());
    SetUp();
    SetAwayMinutes(3);
    clock.Set(2026, 12, 7, 8, 0, 0);
    input.At(1000);
    SampleWindow(kEditorWindow, 900000);
    input.At(959500);
    SampleWindow(kEditorWindow, 960000);
    EXPECT_EQ(Credited("Inactive", "08.00 - ..."), 60);
    for (std::uint32_t tick = 961000; tick <= 1200000; tick += 1000) {
        input.At(tick - 500);
        SampleWindow(kEditorWindow, tick);
    }
    EXPECT_FALSE(FileExists(LogPath()));
    input.At(1201000);
    SampleWindow(kStudioWindow, 1201000);
    EXPECT_TRUE(FileExists(LogPath())) << "the away start ended the first phase and armed the autosave";
    EXPECT_EQ(Credited("Editor", "notes.txt"), 241);
}

TEST_F(SamplerTest, ALockedOrDisconnectedSessionIsAwayUntilItIsBackWhateverIsInFront) {
    constexpr WindowHandle kLockScreen = 0x3000;
    windows.titles[kLockScreen] = "Lock screen";
    SetAwayMinutes(10);
    clock.Set(2026, 12, 7, 12, 30, 0);
    input.At(1000);
    SampleWindow(kEditorWindow, 1000);
    NoteSessionChange(SessionChange::Locked, 11000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10);

    // Typing the password at the lock screen is input, but the session is still locked; a
    // switch of user disconnects it as well, and the reconnect alone does not bring it back.
    input.At(40000);
    TicksBetween(kLockScreen, 11000, 50000);
    NoteSessionChange(SessionChange::Disconnected, 50000);
    NoteSessionChange(SessionChange::Connected, 55000);
    TicksBetween(kLockScreen, 50000, 61000);
    EXPECT_EQ(Credited("Lock screen"), -1);
    EXPECT_EQ(Credited("Inactive"), -1);

    NoteSessionChange(SessionChange::Unlocked, 60500);
    SampleWindow(kEditorWindow, 61000);
    EXPECT_EQ(Credited("Inactive", "12.30 - ..."), 50);
    input.At(64000);
    SampleWindow(kStudioWindow, 64000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 13);

    // Already away for lack of input, a lock keeps the same away stretch.
    input.At(70000);
    TicksBetween(kStudioWindow, 64000, 671000);
    NoteSessionChange(SessionChange::Locked, 671500);
    input.At(672000);
    SampleWindow(kStudioWindow, 673000);  // input at the lock screen does not end it
    NoteSessionChange(SessionChange::Unlocked, 673500);
    SampleWindow(kStudioWindow, 674000);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 6);
    EXPECT_EQ(Credited("Inactive", "12.20 - ..."), 604) << "one away stretch, from the input at 70 s to 674 s";
}

TEST_F(SamplerTest, MoreThanAMinuteWithoutTicksIsCreditedToNobody) {
    SampleWindow(kEditorWindow, 1000);
    TicksBetween(kEditorWindow, 1000, 5000);  // the last tick that ran: 4000
    SampleWindow(kEditorWindow, 95000);       // 91 s later, same window
    SampleWindow(kStudioWindow, 98000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 3 + 3) << "up to the last tick, then from the tick after the gap";

    SampleWindow(kEditorWindow, 158000);  // exactly 60 s: the timer may be that late
    EXPECT_EQ(Credited("Studio", "main.cpp"), 60);
    SampleWindow(kStudioWindow, 238000);  // a gap and a switch at once
    SampleWindow(kEditorWindow, 240000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 6) << "the gap went to nobody";
    EXPECT_EQ(Credited("Studio", "main.cpp"), 62);
}

}  // namespace

// ---- Every second on its day, to its owner or to nobody ----

TEST_F(SamplerTest, EveryPathCreditsOnlyUpToTheLastTickThatRan) {
    // A notification or an end queued while the process was frozen comes before the next tick.
    const struct {
        const char* path;
        void (*at)(std::uint32_t tick);
    } paths[] = {
        {"lock", [](std::uint32_t tick) { NoteSessionChange(SessionChange::Locked, tick); }},
        {"end of session", CreditPendingStretch},
        {"resume", RestartStretch},
    };
    std::uint32_t start = 1000;
    for (const auto& path : paths) {
        const int before = std::max(Credited("Editor", "notes.txt"), 0);
        SampleWindow(kEditorWindow, start);
        TicksBetween(kEditorWindow, start, start + 10000);  // the last tick that ran: start + 9 s
        path.at(start + 84000);
        SampleWindow(kStudioWindow, start + 84000);
        EXPECT_EQ(Credited("Editor", "notes.txt") - before, 9) << path.path;
        if (std::string(path.path) == "lock") NoteSessionChange(SessionChange::Unlocked, start + 86000);
        start += 100000;
    }
    const RunAccounting run = AccountingOfRun();
    EXPECT_EQ(run.worked + run.idle + run.uncounted, run.running);
    EXPECT_GE(run.uncounted, 3 * 74);
}

TEST_F(SamplerTest, TitlesAfterTheLastInputCountAsAwayUnlessInputReturns) {
    SetAwayMinutes(10);
    clock.Set(2026, 12, 7, 10, 0, 0);
    input.At(1000);
    SampleWindow(kEditorWindow, 1000);
    input.At(11000);
    TicksBetween(kEditorWindow, 1000, 21000);
    // A mail client's count changes the title by itself after the last input.
    windows.titles[kEditorWindow] = "inbox (1) - Editor";
    SampleWindow(kEditorWindow, 21000);
    TicksBetween(kEditorWindow, 21000, 31000);
    windows.titles[kEditorWindow] = "inbox (2) - Editor";
    SampleWindow(kEditorWindow, 31000);
    TicksBetween(kEditorWindow, 31000, 612000);
    SampleWindow(kEditorWindow, 612000);  // 601 s after the last input: away since it
    input.At(620000);
    SampleWindow(kEditorWindow, 620000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10);
    EXPECT_EQ(Credited("Editor", "inbox (1)"), -1) << "it came after the last input, without input of its own";
    EXPECT_EQ(Credited("Editor", "inbox (2)"), -1);
    EXPECT_EQ(Credited("Inactive", "09.50 - ..."), 609) << "from the last input, noticed 600 s later at the clock's 10:00:00";

    // Input back before the away time: the titles keep their time.
    windows.titles[kEditorWindow] = "inbox (3) - Editor";
    SampleWindow(kEditorWindow, 630000);
    TicksBetween(kEditorWindow, 630000, 700000);
    input.At(700000);
    SampleWindow(kStudioWindow, 700000);
    EXPECT_EQ(Credited("Editor", "inbox (2)"), 10);
    EXPECT_EQ(Credited("Editor", "inbox (3)"), 70);
}

TEST_F(SamplerTest, SoundKeepsTheUserPresentInTheSameWindowForAtMostThreeHours) {
    FakePresence sound;
    SetPresenceSource(&sound);
    SetAwayMinutes(10);
    input.At(1000);
    SampleWindow(kEditorWindow, 1000);
    TicksBetween(kEditorWindow, 1000, 600000);
    EXPECT_EQ(sound.asked, 0) << "not asked while the input is recent";

    sound.playing = true;
    TicksBetween(kEditorWindow, 599000, 11401000);  // a film of more than three hours
    input.At(11410000);
    SampleWindow(kStudioWindow, 11410000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10799) << "present until three hours after the input";
    EXPECT_EQ(Credited("Inactive"), 610) << "then away from the last sound that counted";

    // Sound in another window than the one of the last input does not count.
    SampleWindow(kEditorWindow, 11420000);
    TicksBetween(kEditorWindow, 11420000, 12011000);
    input.At(12020000);
    SampleWindow(kStudioWindow, 12020000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10799);
    EXPECT_EQ(Credited("Studio", "main.cpp"), -1) << "its time came after the last input";
    EXPECT_EQ(Credited("Inactive"), 610 + 610);
    const RunAccounting run = AccountingOfRun();
    EXPECT_EQ(run.worked + run.idle + run.uncounted, run.running);
}

TEST_F(SamplerTest, ALongAbsenceIsOfferedAsWorkAndCreditedOnceAsAnswered) {
    static std::vector<AwayOffer> offers;
    offers.clear();
    SetAwayOfferListener([](const AwayOffer& offer) { offers.push_back(offer); });
    SetAwayMinutes(10);
    clock.Set(2026, 12, 7, 14, 0, 0);
    const struct {
        const char* answer;
        void (*after)(std::uint64_t id, std::uint32_t tick);
        int work;
        int idle;
    } answers[] = {
        {"clicked", [](std::uint64_t id, std::uint32_t) { SettleAwayOffer(id, true); }, 701, 0},
        {"closed", [](std::uint64_t id, std::uint32_t) { SettleAwayOffer(id, false); }, 0, 701},
        {"a lock first, then a late click",
         [](std::uint64_t id, std::uint32_t tick) {
             NoteSessionChange(SessionChange::Locked, tick);
             SettleAwayOffer(id, true);
         },
         1, 701},  // the second between the return and the lock is the window's own
        {"a stale answer", [](std::uint64_t id, std::uint32_t) { SettleAwayOffer(id - 1, true); }, 0, 0},
    };
    std::uint32_t start = 1000;
    for (const auto& answer : answers) {
        const int workBefore = std::max(Credited("Editor", "notes.txt"), 0);
        const int idleBefore = std::max(Credited("Inactive"), 0);
        input.At(start);
        SampleWindow(kEditorWindow, start);
        TicksBetween(kEditorWindow, start, start + 701000);
        input.At(start + 701000);
        SampleWindow(kEditorWindow, start + 701000);  // back after 700 s
        ASSERT_FALSE(offers.empty()) << answer.answer;
        EXPECT_EQ(offers.back().app, "Editor");
        EXPECT_EQ(offers.back().doc, "notes.txt");
        EXPECT_EQ(offers.back().endUtc - offers.back().startUtc, 701) << "from the last input";
        EXPECT_EQ(Credited("Inactive"), idleBefore == 0 ? -1 : idleBefore) << "nothing before the answer";
        answer.after(offers.back().id, start + 702000);
        EXPECT_EQ(std::max(Credited("Editor", "notes.txt"), 0) - workBefore, answer.work) << answer.answer;
        EXPECT_EQ(std::max(Credited("Inactive"), 0) - idleBefore, answer.idle) << answer.answer;
        CreditPendingStretch(start + 703000);
        NoteSessionChange(SessionChange::Unlocked, start + 703000);
        start += 800000;
    }
}

// ---- Private windows and document names: what reaches the records of a title ----

namespace {

class PrivateWindowsTest : public SamplerTest {
protected:
    void SetUp() override {
        SamplerTest::SetUp();
        PrivateList = {"[Private]"};
        SetPrivateName("Private");
    }
    void TearDown() override {
        // The list file's state outlives the test: read it again without the test's files.
        std::filesystem::remove(folder.File("user1-Private.xml"));
        std::filesystem::remove(folder.File("Private.xml"));
        LoadPrivateList();
        PrivateList.clear();
        SetRecordDocuments(true);
        SamplerTest::TearDown();
    }
    // Each title in front for a second, in turn, from `tick`, then no window; the tick after.
    std::uint32_t ShowInTurn(std::initializer_list<const char*> titles, std::uint32_t tick) {
        for (const char* title : titles) {
            windows.titles[tick] = title;
            SampleWindow(tick, tick);
            tick += 1000;
        }
        SampleWindow(0, tick);
        return tick + 1000;
    }
    // The day's applications, and their documents as "application/document".
    std::set<std::string> DayNames() {
        std::set<std::string> names;
        for (XmlNode app : Children(DateOf(2026, 12, 7), "App")) {
            std::string appName, docName;
            app.GetAttribute("name", appName);
            names.insert(appName);
            for (XmlNode doc : Children(app, "Doc")) {
                doc.GetAttribute("name", docName);
                names.insert(appName + "/" + docName);
            }
        }
        return names;
    }
};

TEST_F(PrivateWindowsTest, APrivatePatternWinsOverTheApplicationsAndItsTitleReachesNoFile) {
    ShowInTurn({"plans.txt - Editor", "[Private] diary.txt - Editor", "Studio: [Private] bank", "Private matters - Editor"},
               1000);
    EXPECT_EQ(DayNames(), (std::set<std::string>{"Editor", "Editor/plans.txt", "Editor/Private matters", "Private"}));
    EXPECT_EQ(Credited("Private"), 2);
    NoteFrontIfDue(90000);
    SaveTracker();
    for (const auto& file : std::filesystem::directory_iterator(folder.Dir())) {
        const std::string bytes = ReadFileBytes(file.path().string());
        EXPECT_EQ(bytes.find("diary"), std::string::npos) << file.path();
        EXPECT_EQ(bytes.find("bank"), std::string::npos) << file.path();
    }
}

TEST_F(PrivateWindowsTest, TurnedOffDocumentsLeaveTheApplicationAloneInTheLogAndTheTimeline) {
    windows.titles[kEditorWindow] = "plans.txt - Editor";
    SampleWindow(kEditorWindow, 1000);
    SetRecordDocuments(false);  // while the editor is in front
    const std::uint32_t tick = ShowInTurn({"Studio: main.cpp", "[Private] diary - Editor", "Unnamed window"}, 2000);
    SampleWindow(kEditorWindow, tick);  // credits the idle minute
    EXPECT_EQ(DayNames(), (std::set<std::string>{"Editor", "Studio", "Private", "Unnamed window", "Inactive",
                                                  "Inactive/09.05 - ..."}))
        << "a title that no pattern names is still the application; the idle minute is no title";
    SaveTracker();
    const std::string timeline = ReadFileBytes(folder.File("user1-Timeline-2026-12.tsv"));
    EXPECT_NE(timeline.find("\tEditor\t\n"), std::string::npos) << timeline;
    EXPECT_EQ(timeline.find("plans"), std::string::npos) << timeline;
    EXPECT_EQ(timeline.find("main.cpp"), std::string::npos) << timeline;
}

TEST_F(PrivateWindowsTest, AnUnreadablePrivateListRecordsNoTitleUntilItIsSavedAgain) {
    WriteFileBytes(folder.File("user1-Private.xml"), "<List><Pattern>[Mine]");
    WriteFileBytes(folder.File("Private.xml"), "<List><Pattern>[Shared]</Pattern></List>");
    LoadPrivateList();
    ASSERT_TRUE(PrivateListFailsClosed());
    const std::uint32_t tick =
        ShowInTurn({"plans.txt - Editor", "[Shared] x - Editor", "[Mine] diary - Studio", "bank statement"}, 1000);
    EXPECT_EQ(DayNames(), (std::set<std::string>{"Editor", "Private", "Studio"}))
        << "no document, and a title no application pattern names may be the user's private one";
    EXPECT_EQ(Credited("Private"), 2);
    const TrackerTroubles troubles = CurrentTroubles();
    EXPECT_TRUE(troubles.Holds(TrackerTrouble::PrivateListUnread));
    EXPECT_FALSE(troubles.privateListHeld) << "damaged, not held";

    PrivateList = {"[Mine]"};
    ASSERT_TRUE(SavePrivateList());
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::PrivateListUnread));
    ShowInTurn({"[Mine] diary - Studio", "plans.txt - Editor"}, tick);
    EXPECT_EQ(DayNames(), (std::set<std::string>{"Editor", "Editor/plans.txt", "Private", "Studio", "Inactive",
                                                  "Inactive/09.05 - ..."}));
    EXPECT_EQ(Credited("Private"), 3);
}

TEST_F(PrivateWindowsTest, AnAbsenceAfterAPrivateWindowIsOfferedUnderThePrivateNameAlone) {
    static std::vector<AwayOffer> offers;
    offers.clear();
    SetAwayOfferListener([](const AwayOffer& offer) { offers.push_back(offer); });
    SetAwayMinutes(10);
    windows.titles[kEditorWindow] = "[Private] diary - Editor";
    input.At(1000);
    SampleWindow(kEditorWindow, 1000);
    TicksBetween(kEditorWindow, 1000, 701000);
    input.At(701000);
    SampleWindow(kEditorWindow, 701000);
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].app, "Private");
    EXPECT_EQ(offers[0].doc, "");
}

}  // namespace

// ---- A pause: nothing recorded while it lasts, its time nobody's ----

namespace {

int PauseEnds = 0;

TEST_F(SamplerTest, APauseRecordsNothingUntilItEndsAndOutlivesARestart) {
    PauseEnds = 0;
    SetPauseEndListener([] { ++PauseEnds; });
    InMemoryRegistry registry;
    SetRegistryBackend(&registry);
    SetAwayMinutes(10);
    clock.Set(2026, 12, 7, 14, 20, 0);
    const std::int64_t utc0 = clock.utc;
    // The clock goes with the ticks: second 0 at tick 1000.
    auto at = [this, utc0](std::uint32_t tick) {
        clock.utc = utc0 + (tick - 1000) / 1000;
        return tick;
    };
    input.At(1000);
    SampleWindow(kEditorWindow, at(1000));
    TicksBetween(kEditorWindow, 1000, 11000);
    PauseRecording(utc0 + 10 + 900, at(10500));  // fifteen minutes
    WritePausedUntil(PausedUntil());
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10) << "what ran until the pause";
    const std::string journal = ReadFileBytes(JournalPath());

    // Switches, input, a lock, a suspend and the end of the session reach nothing.
    for (std::uint32_t tick = 11000; tick < 910000; tick += 1000) {
        input.At(tick - 300);
        SampleWindow(tick % 7000 < 3000 ? kStudioWindow : kEditorWindow, at(tick));
        NoteFrontIfDue(tick);
        if (tick == 300000) NoteSessionChange(SessionChange::Locked, tick);
        if (tick == 400000) NoteSessionChange(SessionChange::Unlocked, tick);
        if (tick == 500000) CreditPendingStretch(tick), RestartStretch(tick);
    }
    EXPECT_TRUE(RecordingPaused());
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10);
    EXPECT_EQ(Credited("Studio"), -1);
    EXPECT_EQ(ReadFileBytes(JournalPath()), journal) << "no credit and no front in the crash journal";

    SampleWindow(kStudioWindow, at(911000));
    EXPECT_FALSE(RecordingPaused()) << "the end's second has come";
    EXPECT_EQ(PauseEnds, 1);
    input.At(915000);
    SampleWindow(kEditorWindow, at(915000));
    EXPECT_EQ(Credited("Studio", "main.cpp"), 4) << "the window in front at the end starts the next stretch";
    RunAccounting run = AccountingOfRun();
    EXPECT_EQ(run.uncounted, 900);
    EXPECT_EQ(run.worked + run.idle + run.uncounted, run.running);

    // Until resumed: no end of its own; a Resume in a locked session is away from there.
    PauseRecording(PausedUntilResumed, at(920000));
    WritePausedUntil(PausedUntil());
    EXPECT_EQ(Credited("Editor", "notes.txt"), 15);
    for (std::uint32_t tick = 921000; tick < 4000000; tick += 100000) SampleWindow(kStudioWindow, at(tick));
    NoteSessionChange(SessionChange::Locked, at(4000000));
    ResumeRecording(kStudioWindow, at(4000000));
    EXPECT_FALSE(RecordingPaused());
    EXPECT_EQ(PauseEnds, 1) << "the user's own Resume needs no word";
    NoteSessionChange(SessionChange::Unlocked, at(4060000));
    SampleWindow(kStudioWindow, at(4060000));
    EXPECT_EQ(Credited("Inactive", "15.26 - ..."), 60);

    // Paused again, then Exit and a start: the stored pause holds the new run until its end.
    PauseRecording(utc0 + 4100, at(4070000));
    WritePausedUntil(PausedUntil());
    CreditPendingStretch(at(4090000));
    const int studio = Credited("Studio", "main.cpp");
    EXPECT_EQ(studio, 4 + 10);
    ResetSampler();
    const std::optional<std::int64_t> stored = ReadPausedUntil(clock.utc);
    ASSERT_TRUE(stored);
    PauseRecording(*stored, 5000);
    for (std::uint32_t tick = 6000; tick < 15000; tick += 1000) {
        clock.utc = utc0 + 4091 + (tick - 6000) / 1000;
        SampleWindow(kEditorWindow, tick);
    }
    EXPECT_TRUE(RecordingPaused());
    clock.utc = utc0 + 4100;
    input.At(15000);
    SampleWindow(kEditorWindow, 15000);
    EXPECT_FALSE(RecordingPaused());
    input.At(18000);
    SampleWindow(kStudioWindow, 18000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 15 + 3);
    EXPECT_EQ(Credited("Studio", "main.cpp"), studio);
    run = AccountingOfRun();
    EXPECT_EQ(run.worked + run.idle + run.uncounted, run.running);
    EXPECT_EQ(run.uncounted, 9) << "from the first tick to the pause's end";
    SetRegistryBackend(nullptr);
}

}  // namespace
