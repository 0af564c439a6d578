#include "tests/unit/tracking_allocation_count.h"
#include "tests/unit/tracking_fakes.h"

namespace {

constexpr WindowHandle kEditorWindow = 0x1000;
constexpr WindowHandle kStudioWindow = 0x2000;

class SamplerTest : public TrackingTest {
protected:
    void SetUp() override {
        TrackingTest::SetUp();
        ProgramList = {"Editor", "Studio"};
        windows.titles[kEditorWindow] = "notes.txt - Editor";
        windows.titles[kStudioWindow] = "Studio: main.cpp";
        OpenTimeLog();
        ASSERT_TRUE(TimeLog);
    }
};

TEST_F(SamplerTest, FirstChangeOnlyArmsAutosaveAndComputesThePair) {
    SampleWindow(0, 5000);
    EXPECT_EQ(LastChangeTick, 0u) << "no window at start is no change";
    EXPECT_EQ(AutosaveDeadline, 0u);

    SampleWindow(kEditorWindow, 7000);
    EXPECT_TRUE(Dates().empty()) << "nothing is credited at the first change";
    EXPECT_EQ(AutosaveDeadline, 7000u + AutosaveInterval);
    EXPECT_EQ(LastWindow, kEditorWindow);
    EXPECT_EQ(LastTitleLength, 18);
    EXPECT_EQ(LastChangeTick, 7000u);
    EXPECT_EQ(CurrentApp, "Editor");
    EXPECT_EQ(CurrentDoc, "notes.txt");

    SampleWindow(kStudioWindow, 607000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 600) << "a change credits the previous pair";
    EXPECT_EQ(Credited("Studio"), -1);
    EXPECT_EQ(CurrentApp, "Studio");
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

TEST_F(SamplerTest, OnlyAnotherWindowOrAnotherTitleLengthIsAChange) {
    SampleWindow(kEditorWindow, 1000);
    windows.titles[kEditorWindow] = "other.txt - Editor";
    SampleWindow(kEditorWindow, 5000);
    EXPECT_EQ(LastChangeTick, 1000u);
    EXPECT_EQ(windows.titleReads, 1);

    windows.titles[kEditorWindow] = "longer.txt - Editor";
    SampleWindow(kEditorWindow, 9000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 8) << "the same-length switch went to the first document";
    EXPECT_EQ(CurrentDoc, "longer.txt");

    windows.titles[kStudioWindow] = "longer.txt - Studio";
    SampleWindow(kStudioWindow, 10000);
    EXPECT_EQ(Credited("Editor", "longer.txt"), 1);
}

TEST_F(SamplerTest, AutosaveHappensOnlyAtAChangeAfterTheDeadline) {
    SampleWindow(kEditorWindow, 1000);
    SampleWindow(kStudioWindow, 2000);
    for (std::uint32_t tick = 290000; tick < 400000; tick += 1000) SampleWindow(kStudioWindow, tick);
    EXPECT_FALSE(FileExists(LogPath())) << "quiet ticks never save";

    SampleWindow(kEditorWindow, 301000);
    EXPECT_FALSE(FileExists(LogPath())) << "a change exactly at the deadline does not save";

    SampleWindow(kStudioWindow, 400000);
    ASSERT_TRUE(FileExists(LogPath()));
    EXPECT_EQ(AutosaveDeadline, 400000u + AutosaveInterval);
    EXPECT_NE(ReadFileBytes(LogPath()).find("time=\"299\""), std::string::npos)
        << "the save holds the credit of the same change";
}

TEST_F(SamplerTest, StretchAcrossMidnightGoesWholeToTheNewDay) {
    clock.Set(2026, 12, 7, 23, 59);
    SampleWindow(kEditorWindow, 1000);
    clock.Set(2026, 12, 8, 0, 1);
    SampleWindow(kStudioWindow, 121000);
    EXPECT_FALSE(DateOf(2026, 12, 7));
    EXPECT_EQ(TimeOf(DateOf(2026, 12, 8)), 120);
}

TEST_F(SamplerTest, TheTickWrapsWithoutLosingTime) {
    SampleWindow(kEditorWindow, 0xFFFFFC18u);  // 1000 ms before the wrap
    SampleWindow(kStudioWindow, 0);
    EXPECT_NE(LastChangeTick, 0u) << "a change at tick 0 still ends the first phase";
    SampleWindow(kEditorWindow, 8192);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 1);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 8);
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
        windows.titles[tick] = example.title;
        SampleWindow(tick, tick);
        EXPECT_EQ(CurrentApp, example.app) << example.title;
        EXPECT_EQ(CurrentDoc, example.doc) << example.title;
        tick += 1000;
    }
    SampleWindow(kEditorWindow, tick);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 3) << "cleaned names are what reach the log";
}

TEST_F(SamplerTest, NoWindowGivesTheInactivePairNamedByTheMinute) {
    SampleWindow(kEditorWindow, 1000);
    clock.Set(2026, 12, 7, 9, 5);
    SampleWindow(0, 2000);
    EXPECT_EQ(CurrentApp, "Inactive");
    EXPECT_EQ(CurrentDoc, "09.05 - ...");

    clock.Set(2026, 12, 7, 9, 17);
    SampleWindow(kStudioWindow, 722000);
    EXPECT_EQ(Credited("Inactive", "09.05 - ..."), 720);

}

TEST(InactiveNameTest, TheLanguagesTextIsCleanedAndCutAsAWholeTitle) {
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        // The time log's queries put application names between double quotes.
        {"\"Away\"\tfrom\ndesk", "'Away' from desk"},
        {std::string(300, 'x'), std::string(255, 'x')},
        {"", ""},
    };
    for (const auto& c : cases) {
        SetInactiveName(c.text);
        EXPECT_EQ(InactiveName, c.expected) << c.text;
    }
    InactiveName.clear();
}

TEST_F(SamplerTest, AnEmptyTitleGivesTheInactiveNameWithoutDocument) {
    windows.titles[kEditorWindow] = "";
    SampleWindow(kEditorWindow, 1000);
    EXPECT_EQ(LastChangeTick, 1000u) << "a window without a title differs from no window";
    EXPECT_EQ(CurrentApp, "Inactive");
    EXPECT_EQ(CurrentDoc, "");
    SampleWindow(kStudioWindow, 6000);
    EXPECT_EQ(Credited("Inactive"), 5);
    EXPECT_TRUE(Children(ChildNamed(DateOf(2026, 12, 7), "App", "Inactive"), "Doc").empty());
}

TEST_F(SamplerTest, AQuietTickAllocatesNothingAndReadsNoTitle) {
    SampleWindow(kEditorWindow, 1000);
    SampleWindow(kStudioWindow, 2000);
    int readsBefore = windows.titleReads;
    int queriesBefore = windows.lengthQueries;
    std::string logBefore = FormatXmlDocument(*TimeLog);

    long allocationsBefore = AllocationsSoFar();
    for (std::uint32_t tick = 3000; tick < 1003000; tick += 1000) SampleWindow(kStudioWindow, tick);
    EXPECT_EQ(AllocationsSoFar() - allocationsBefore, 0);

    EXPECT_EQ(windows.titleReads, readsBefore);
    EXPECT_EQ(windows.lengthQueries - queriesBefore, 1000) << "one title-length query per tick";
    EXPECT_EQ(FormatXmlDocument(*TimeLog), logBefore);

    allocationsBefore = AllocationsSoFar();
    SampleWindow(kEditorWindow, 1004000);
    EXPECT_GT(AllocationsSoFar(), allocationsBefore) << "a change allocates: the counter counts";
}

TEST_F(SamplerTest, StretchHooksCreditOrDropTimeAndKeepThePair) {
    CreditPendingStretch(5000);
    RestartStretch(5000);
    EXPECT_EQ(LastChangeTick, 0u) << "before the first change there is no stretch";
    EXPECT_TRUE(Dates().empty());

    SampleWindow(kEditorWindow, 1000);
    CreditPendingStretch(11000);  // logoff, or going to sleep
    EXPECT_EQ(Credited("Editor", "notes.txt"), 10);
    EXPECT_EQ(LastChangeTick, 11000u);
    EXPECT_EQ(CurrentApp, "Editor");
    EXPECT_EQ(LastWindow, kEditorWindow);

    RestartStretch(3611000);  // resumed an hour later
    SampleWindow(kStudioWindow, 3614000);
    EXPECT_EQ(Credited("Editor", "notes.txt"), 13) << "neither the credited part nor the sleep again";
}

}  // namespace
