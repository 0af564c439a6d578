// Forget and counting the last absence as work: the log and the timeline change together, to
// the second, and a change cut short by a crash is finished at the next start.
#include <cstdio>

#include "tests/unit/tracking_fakes.h"
#include "tracking/take_back.h"

namespace {

class TakeBackTest : public TrackingTest {
protected:
    void SetUp() override {
        TrackingTest::SetUp();
        OpenTracker();
        ASSERT_TRUE(TimeLog);
    }
    void TearDown() override {
        StopTakingBackAfter(TakeBackWrite::None);
        TrackingTest::TearDown();
    }
    // A stretch as the sampler credits one, starting at that local (here also UTC) time.
    static void Credit(const LocalDateTime& start, int seconds, std::string_view app, std::string_view doc) {
        CreditStretch({CalendarSeconds(start), seconds, app, doc});
    }
    void Now(const LocalDateTime& time) { clock.utc = CalendarSeconds(time); }

    std::string Month(int year, int month) const {
        char name[32];
        std::snprintf(name, sizeof name, "user1-Timeline-%04d-%02d.tsv", year, month);
        return ReadFileBytes(folder.File(name));
    }
    // The log as "y-m-d=time App=time(Doc=time ...) ...", days separated by "|"; and the file
    // must hold the same.
    std::string Log() const {
        EXPECT_EQ(ReadFileBytes(LogPath()), FormatXmlDocument(*TimeLog)) << "the file is the log";
        std::string text;
        for (XmlNode date : Children(TimeLog->DocumentElement(), "Date")) {
            std::string y, m, d, name;
            date.GetAttribute("y", y);
            date.GetAttribute("m", m);
            date.GetAttribute("d", d);
            text += (text.empty() ? "" : "|") + y + "-" + m + "-" + d + "=" + std::to_string(TimeOf(date));
            for (XmlNode app : Children(date, "App")) {
                app.GetAttribute("name", name);
                text += " " + name + "=" + std::to_string(TimeOf(app));
                std::string docs;
                for (XmlNode doc : Children(app, "Doc")) {
                    doc.GetAttribute("name", name);
                    docs += (docs.empty() ? "" : " ") + name + "=" + std::to_string(TimeOf(doc));
                }
                if (!docs.empty()) text += "(" + docs + ")";
            }
        }
        return text;
    }

    // 23:00 to 00:10 across the end of November: the editor for 50 minutes, the studio across
    // midnight, a secret application, a window seen for less than a second, the editor again.
    void RecordEvening() {
        Now({2026, 12, 1, 0, 10, 0});
        Credit({2026, 11, 30, 23, 0, 0}, 3000, "Editor", "notes.txt");
        Credit({2026, 11, 30, 23, 50, 0}, 900, "Studio", "main.cpp");
        // What follows waits in the journal and the timeline's memory.
        SaveTracker();
        Credit({2026, 12, 1, 0, 5, 0}, 200, "Secret", "plan");
        Credit({2026, 12, 1, 0, 8, 20}, 0, "Glimpse", "");
        Credit({2026, 12, 1, 0, 8, 20}, 100, "Editor", "notes.txt");
    }

    const std::string header{kTimelineHeader};
    const std::string november = header + "2026-11-30 23:00:00\t3000\tEditor\tnotes.txt\n" +
                                 "2026-11-30 23:50:00\t600\tStudio\tmain.cpp\n";
    const std::string december = header + "2026-12-01 00:00:00\t300\tStudio\tmain.cpp\n" +
                                 "2026-12-01 00:05:00\t200\tSecret\tplan\n" +
                                 "2026-12-01 00:08:20\t100\tEditor\tnotes.txt\n";
    const std::string lastFiveMinutesForgotten =
        "2026-11-30=3600 Editor=3000(notes.txt=3000) Studio=600(main.cpp=600)|2026-12-1=300 Studio=300(main.cpp=300)";
};

TEST_F(TakeBackTest, ForgettingRemovesExactlyTheSpanFromLogAndTimeline) {
    const struct {
        const char* name;
        ForgetSpan span;
        bool timeline;
        std::string log;
        std::string november;
        std::string december;
    } cases[] = {
        {"five minutes: a whole application and a name without seconds go", ForgetSpan::LastFiveMinutes, true,
         lastFiveMinutesForgotten, november, header + "2026-12-01 00:00:00\t300\tStudio\tmain.cpp\n"},
        {"the hour: a stretch cut by the boundary shrinks, both months and the new day go", ForgetSpan::LastHour, true,
         "2026-11-30=600 Editor=600(notes.txt=600)", header + "2026-11-30 23:00:00\t600\tEditor\tnotes.txt\n", header},
        {"today: the day since midnight", ForgetSpan::Today, true, "2026-11-30=3600 Editor=3000(notes.txt=3000) Studio=600(main.cpp=600)",
         november, header},
        {"today with the timeline off: the day's element and its lines", ForgetSpan::Today, false,
         "2026-11-30=3600 Editor=3000(notes.txt=3000) Studio=600(main.cpp=600)", november, header},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        CloseTracker();
        std::filesystem::remove_all(folder.Dir());
        std::filesystem::create_directories(folder.Dir());
        SetTimelineOn(true);
        OpenTracker();
        RecordEvening();
        SetTimelineOn(each.timeline);
        EXPECT_EQ(CanForget(ForgetSpan::LastFiveMinutes), each.timeline);
        const TakeBackResult result = Forget(each.span, ForgetSpanStart(each.span), 0);
        EXPECT_EQ(result.outcome, TakeBackOutcome::Done);
        EXPECT_EQ(Log(), each.log);
        EXPECT_EQ(Month(2026, 11), each.november);
        EXPECT_EQ(Month(2026, 12), each.december);
        EXPECT_FALSE(FileExists(TakeBackIntentPath()));
        // Nothing of it comes back from the journal at the next start.
        CloseTracker();
        OpenTracker();
        EXPECT_EQ(Log(), each.log);
    }
}

TEST_F(TakeBackTest, AForgetCutShortAfterAnyWriteIsFinishedAtTheNextStart) {
    for (TakeBackWrite stop : {TakeBackWrite::Intent, TakeBackWrite::Log, TakeBackWrite::Timeline}) {
        SCOPED_TRACE(static_cast<int>(stop));
        CloseTracker();
        std::filesystem::remove_all(folder.Dir());
        std::filesystem::create_directories(folder.Dir());
        OpenTracker();
        RecordEvening();
        StopTakingBackAfter(stop);
        Forget(ForgetSpan::LastFiveMinutes, ForgetSpanStart(ForgetSpan::LastFiveMinutes), 0);
        StopTakingBackAfter(TakeBackWrite::None);
        EXPECT_TRUE(FileExists(TakeBackIntentPath()));
        // Whatever is saved after the stop (or by a start that could not finish it, the log
        // being held) is not taken with it.
        Credit({2026, 12, 1, 0, 10, 0}, 30, "Secret", "plan");
        SaveTracker();
        CloseTracker();  // the process ends here
        OpenTracker();
        EXPECT_TRUE(FinishTakingBack());
        EXPECT_EQ(Log(), "2026-11-30=3600 Editor=3000(notes.txt=3000) Studio=600(main.cpp=600)|"
                         "2026-12-1=330 Studio=300(main.cpp=300) Secret=30(plan=30)");
        EXPECT_EQ(Month(2026, 11), november);
        EXPECT_EQ(Month(2026, 12), header + "2026-12-01 00:00:00\t300\tStudio\tmain.cpp\n" +
                                       "2026-12-01 00:10:00\t30\tSecret\tplan\n");
        EXPECT_FALSE(FileExists(TakeBackIntentPath()));
    }
}

TEST_F(TakeBackTest, TheStretchInFrontIsForgottenAndTheRunsAccountingStillAddsUp) {
    ProgramList = {"Editor", "Studio"};
    windows.titles[kEditorWindow] = "notes.txt - Editor";
    windows.titles[kStudioWindow] = "Studio: main.cpp";
    const std::int64_t start = CalendarSeconds({2026, 12, 7, 10, 0, 0});
    auto tick = [this, start](WindowHandle window, std::uint32_t from, std::uint32_t to) {
        for (std::uint32_t at = from; at <= to; at += 1000) {
            clock.utc = start + (at - 1000) / 1000;
            SampleWindow(window, at);
        }
    };
    tick(kEditorWindow, 1000, 120000);
    tick(kStudioWindow, 120000, 601000);  // the studio since 10:01:59, in front at 10:10:00
    ASSERT_EQ(Forget(ForgetSpan::LastFiveMinutes, ForgetSpanStart(ForgetSpan::LastFiveMinutes), 601000).outcome,
              TakeBackOutcome::Done);
    EXPECT_EQ(Log(), "2026-12-7=300 Editor=119(notes.txt=119) Studio=181(main.cpp=181)");
    RunAccounting run = AccountingOfRun();
    EXPECT_EQ(run.worked, 300);
    EXPECT_EQ(run.uncounted, 300);
    EXPECT_EQ(run.worked + run.idle + run.uncounted, run.running);

    // The studio's stretch started again at the forget.
    tick(kStudioWindow, 602000, 661000);
    tick(kEditorWindow, 661000, 661000);
    SaveTracker();
    EXPECT_EQ(Month(2026, 12), header + "2026-12-07 10:00:00\t119\tEditor\tnotes.txt\n" +
                                   "2026-12-07 10:01:59\t181\tStudio\tmain.cpp\n" + "2026-12-07 10:10:00\t60\tStudio\tmain.cpp\n");
    run = AccountingOfRun();
    EXPECT_EQ(run.worked + run.idle + run.uncounted, run.running);
}

TEST_F(TakeBackTest, AWindowLeftWithinTheSecondOfTheForgetDoesNotComeBackByName) {
    ProgramList = {"Editor", "Studio"};
    windows.titles[kEditorWindow] = "notes.txt - Editor";
    windows.titles[kStudioWindow] = "Studio: main.cpp";
    const std::int64_t start = CalendarSeconds({2026, 12, 7, 10, 0, 0});
    for (std::uint32_t at = 1000; at <= 601000; at += 1000) {
        clock.utc = start + (at - 1000) / 1000;
        SampleWindow(at < 400000 ? kStudioWindow : kEditorWindow, at);
    }
    ASSERT_EQ(Forget(ForgetSpan::LastFiveMinutes, ForgetSpanStart(ForgetSpan::LastFiveMinutes), 601000).outcome,
              TakeBackOutcome::Done);
    SampleWindow(kStudioWindow, 601200);  // the editor leaves within the second
    clock.utc = start + 660;
    SampleWindow(kEditorWindow, 661000);
    SaveTracker();
    EXPECT_EQ(Log(), "2026-12-7=360 Studio=360(main.cpp=360)");
}

TEST_F(TakeBackTest, TheLastAbsenceWithinTheHourMovesToTheWindowBeforeIt) {
    Now({2026, 12, 7, 11, 0, 0});
    Credit({2026, 12, 7, 10, 0, 0}, 300, "Editor", "notes.txt");
    Credit({2026, 12, 7, 10, 5, 0}, 600, "Inactive", "10.05 - ...");
    Credit({2026, 12, 7, 10, 15, 0}, 60, "Studio", "main.cpp");
    Credit({2026, 12, 7, 10, 16, 0}, 5, "Inactive", "10.16 - ...");  // a glance at the desktop
    Credit({2026, 12, 7, 10, 16, 5}, 30, "Studio", "main.cpp");
    EXPECT_FALSE(FindLastAbsence(601).found) << "shorter than asked";
    const LastAbsence absence = FindLastAbsence(300);
    ASSERT_TRUE(absence.found);
    EXPECT_EQ(absence.startUtc, CalendarSeconds({2026, 12, 7, 10, 5, 0}));
    EXPECT_EQ(absence.endUtc - absence.startUtc, 600);
    EXPECT_EQ(absence.app + "/" + absence.doc, "Editor/notes.txt");

    ASSERT_EQ(CountLastAbsenceAsWork(300).outcome, TakeBackOutcome::Done);
    EXPECT_EQ(Log(), "2026-12-7=995 Editor=900(notes.txt=900) Inactive=5(10.16 - ...=5) Studio=90(main.cpp=90)");
    EXPECT_EQ(Month(2026, 12), header + "2026-12-07 10:00:00\t300\tEditor\tnotes.txt\n" +
                                   "2026-12-07 10:05:00\t600\tEditor\tnotes.txt\n" + "2026-12-07 10:15:00\t60\tStudio\tmain.cpp\n" +
                                   "2026-12-07 10:16:00\t5\tInactive\t10.16 - ...\n" + "2026-12-07 10:16:05\t30\tStudio\tmain.cpp\n");
    EXPECT_FALSE(FindLastAbsence(300).found);

    Now({2026, 12, 7, 12, 0, 0});
    Credit({2026, 12, 7, 10, 50, 0}, 600, "Studio", "main.cpp");
    Credit({2026, 12, 7, 11, 0, 0}, 600, "Inactive", "11.00 - ...");
    Now({2026, 12, 7, 12, 10, 0});
    EXPECT_TRUE(FindLastAbsence(300).found);
    Now({2026, 12, 7, 12, 10, 1});
    EXPECT_FALSE(FindLastAbsence(300).found) << "ended more than an hour ago";
}

}  // namespace
