#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <set>
#include <tuple>

#include "tests/unit/tracking_fakes.h"

namespace {

using TimeLogTest = TrackingTest;

TEST_F(TimeLogTest, FirstRunStartsAnEmptyLogAndTheTimer) {
    OpenTracker();
    ASSERT_TRUE(TimeLog);
    EXPECT_EQ(TimeLogFileName, "user1-Time.xml");
    EXPECT_EQ(TimeLogPath, LogPath());
    EXPECT_EQ(TimeLog->DocumentElement().Name(), "Ostrak");
    EXPECT_TRUE(Dates().empty());
    EXPECT_EQ(timer.starts, 1);
    EXPECT_FALSE(FileExists(LogPath())) << "only a save writes the file";

    EXPECT_TRUE(SaveTimeLog());
    XmlDocument saved;
    ASSERT_TRUE(saved.Load(LogPath()));
    EXPECT_EQ(saved.DocumentElement().Name(), "Ostrak");
    EXPECT_FALSE(saved.DocumentElement().FirstChild());

    CloseTracker();
    CloseTracker();
    EXPECT_FALSE(TimeLog);
    EXPECT_EQ(timer.stops, 1);
    EXPECT_EQ(timer.lastStopped, 42u);
}

TEST_F(TimeLogTest, ASaveThatCannotWriteSaysSo) {
    OpenTimeLog();
    ProgramDir = folder.Dir() + "gone/";
    TimeLogPath = ProgramDir + TimeLogFileName;
    EXPECT_FALSE(SaveTimeLog());
    ProgramList = {"Editor"};
    EXPECT_FALSE(SaveProgramList());
    CloseTimeLog();
    EXPECT_FALSE(SaveTimeLog()) << "no log, nothing saved";
}

TEST_F(TimeLogTest, CreditsBuildDayApplicationAndDocument) {
    OpenTimeLog();
    clock.Set(2007, 4, 21);
    CreditToday("Editor", "notes.txt", 5);
    ASSERT_EQ(Dates().size(), 1u);
    XmlNode day = Dates()[0];
    EXPECT_EQ(Attributes(day), "id=39193 y=2007 m=4 d=21 time=5");
    EXPECT_EQ(Attributes(Children(day, "App")[0]), "name=Editor time=5");
    EXPECT_EQ(Attributes(Children(Children(day, "App")[0], "Doc")[0]), "name=notes.txt time=5");

    CreditToday("Editor", "notes.txt", 7);
    CreditToday("Editor", "", 3);
    CreditToday("Studio", "main.cpp", 0);
    ASSERT_EQ(Dates().size(), 1u);
    EXPECT_EQ(TimeOf(day), 15);
    EXPECT_EQ(Children(day, "App").size(), 2u);
    EXPECT_EQ(Credited("Editor"), 15);
    EXPECT_EQ(Children(ChildNamed(day, "App", "Editor"), "Doc").size(), 1u) << "no Doc for an empty name";
    EXPECT_EQ(Credited("Editor", "notes.txt"), 12);
    EXPECT_EQ(Credited("Studio"), 0) << "zero seconds still create the elements";
    EXPECT_EQ(Credited("Studio", "main.cpp"), 0);
}

TEST_F(TimeLogTest, NamesMatchExactlyAndEachDayHasItsOwn) {
    OpenTimeLog();
    CreditToday("Editor", "Notes", 1);
    CreditToday("editor", "notes", 2);
    CreditToday("Editor ", "Notes ", 3);
    EXPECT_EQ(Children(Dates()[0], "App").size(), 3u);
    EXPECT_EQ(Credited("editor", "notes"), 2);

    clock.Set(2026, 12, 8);
    CreditToday("Editor", "Notes", 4);
    clock.Set(2026, 12, 7);  // the clock was set back
    CreditToday("Editor", "Notes", 5);
    ASSERT_EQ(Dates().size(), 2u);
    EXPECT_EQ(TimeOf(Dates()[0]), 11);
    EXPECT_EQ(TimeOf(Dates()[1]), 4);
    EXPECT_EQ(Credited("Editor", "Notes"), 6);
}

TEST_F(TimeLogTest, ANameWithACharacterXmlCannotCarryIsFoundAgain) {
    NarrowCodePageScope utf8(kCodePageUtf8);
    OpenTimeLog();
    // U+FFFF and U+FFFE are stored as blanks; each credit must still find its elements.
    for (int credit = 0; credit < 3; ++credit) CreditToday("Edit\xEF\xBF\xBFor", "a\xEF\xBF\xBE" "b", 5);
    const std::vector<XmlNode> apps = Children(Dates()[0], "App");
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(Attributes(apps[0]), "name=Edit or time=15");
    const std::vector<XmlNode> docs = Children(apps[0], "Doc");
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(Attributes(docs[0]), "name=a b time=15");
}

TEST_F(TimeLogTest, ALoadedLogIsExtendedAndRoundTrips) {
    WriteFileBytes(LogPath(),
               "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n<Ostrak>\n"
               "   <Date id=\"46363\" y=\"2026\" m=\"12\" d=\"7\" time=\"10\">\n"
               "      <App name=\"Editor\" time=\"10\">\n"
               "         <Doc name=\"notes.txt\" time=\"10\"/>\n"
               "      </App>\n   </Date>\n</Ostrak>");
    OpenTracker();
    ASSERT_TRUE(TimeLog);
    EXPECT_EQ(timer.starts, 1);
    CreditToday("Editor", "notes.txt", 5);
    CreditToday("Studio", "main.cpp", 1);
    ASSERT_EQ(Dates().size(), 1u);
    EXPECT_EQ(Attributes(Dates()[0]), "id=46363 y=2026 m=12 d=7 time=16");

    SaveTimeLog();
    CloseTimeLog();
    OpenTimeLog();
    EXPECT_EQ(Credited("Editor", "notes.txt"), 15);
    EXPECT_EQ(Credited("Studio", "main.cpp"), 1);
}

TEST_F(TimeLogTest, ADayWrittenWithALeadingZeroIsNotFound) {
    WriteFileBytes(LogPath(),
               "<Ostrak><Date id=\"46363\" y=\"2026\" m=\"012\" d=\"07\" time=\"10\"/>"
               "<Date id=\"46364\" y=\"2026\" m=\"12\" d=\"8\" time=\"1\"/></Ostrak>");
    OpenTimeLog();
    CreditToday("Editor", "", 5);
    ASSERT_EQ(Dates().size(), 3u);
    EXPECT_EQ(Attributes(Dates()[0]), "id=46363 y=2026 m=012 d=07 time=10");
    EXPECT_EQ(Attributes(Dates()[2]), "id=46363 y=2026 m=12 d=7 time=5");
}

TEST_F(TimeLogTest, ATimeThatIsNoIntegerRestartsAndALargeOneSaturates) {
    WriteFileBytes(LogPath(),
               "<Ostrak><Date id=\"46363\" y=\"2026\" m=\"12\" d=\"7\" time=\"1.5\">"
               "<App name=\"Editor\" time=\"abc\"><Doc name=\"notes\" time=\" 12 \"/></App>"
               "<App name=\"Big\" time=\"99999999999\"/><App name=\"Full\" time=\"2147483600\"/>"
               "</Date></Ostrak>");
    OpenTimeLog();
    CreditToday("Editor", "notes", 5);
    CreditToday("Big", "", 1);
    CreditToday("Full", "", 100);
    EXPECT_EQ(TimeOf(Dates()[0]), 106);
    EXPECT_EQ(Credited("Editor"), 5);
    EXPECT_EQ(Credited("Editor", "notes"), 17) << "blanks around a number are allowed";
    EXPECT_EQ(Credited("Big"), 1);
    EXPECT_EQ(Credited("Full"), 2147483647);
}

// Today's Date is remembered between credits; these are the ways that memory could go stale.
TEST_F(TimeLogTest, TheRememberedDayIsCheckedBeforeUse) {
    OpenTimeLog();
    CreditToday("Editor", "", 1);
    Dates()[0].SetAttribute("d", "70");
    CreditToday("Editor", "", 2);
    ASSERT_EQ(Dates().size(), 2u);
    EXPECT_EQ(TimeOf(Dates()[1]), 2);

    CloseTimeLog();
    OpenTimeLog();  // nothing was saved, so the new log is empty
    CreditToday("Editor", "", 3);
    ASSERT_EQ(Dates().size(), 1u);
    EXPECT_EQ(TimeOf(Dates()[0]), 3);
}

TEST_F(TimeLogTest, NothingHappensWithoutALog) {
    CreditToday("Editor", "notes", 5);
    SaveTracker();
    CloseTracker();
    EXPECT_FALSE(FileExists(LogPath()));
    EXPECT_EQ(timer.stops, 0);
}

// Random credits over a few days, checked against a plain model and the log's invariants.
TEST_F(TimeLogTest, LongRandomCreditSequencesKeepTheTotals) {
    OpenTimeLog();
    std::mt19937 random(20261207);
    const char* apps[] = {"Editor", "Studio", "editor", "Inactive", "\xC1\xEB\xEE\xEA\xED\xEE\xF2"};
    const char* docs[] = {"", "notes.txt", "main.cpp", "09.05 - ...", "'quoted' <&>"};
    const int days[] = {5, 6, 7, 31};
    std::map<std::tuple<int, std::string, std::string>, long> expected;
    std::vector<int> dayOrder;
    for (int credit = 0; credit < 20000; ++credit) {
        int day = days[random() % 4];
        std::string app = apps[random() % 5];
        std::string doc = docs[random() % 5];
        int seconds = static_cast<int>(random() % 900);
        clock.Set(2026, day == 31 ? 10 : 12, day);
        CreditToday(app, doc, seconds);
        expected[{day, app, doc}] += seconds;
        if (std::find(dayOrder.begin(), dayOrder.end(), day) == dayOrder.end()) dayOrder.push_back(day);
    }

    std::vector<XmlNode> dates = Dates();
    ASSERT_EQ(dates.size(), dayOrder.size());
    for (std::size_t index = 0; index < dates.size(); ++index) {
        std::int32_t day = 0;
        ASSERT_TRUE(dates[index].AttributeToInt32("d", day));
        EXPECT_EQ(day, dayOrder[index]) << "days stand in the order they first got time";
        long appSum = 0;
        std::set<std::string> appNames;
        for (XmlNode app : Children(dates[index], "App")) {
            std::string appName;
            ASSERT_TRUE(app.GetAttribute("name", appName));
            EXPECT_TRUE(appNames.insert(appName).second) << "one App per name and day";
            appSum += TimeOf(app);
            long docSum = 0;
            for (XmlNode doc : Children(app, "Doc")) {
                std::string docName;
                ASSERT_TRUE(doc.GetAttribute("name", docName));
                EXPECT_EQ(TimeOf(doc), (expected[{day, appName, docName}])) << appName << "/" << docName;
                docSum += TimeOf(doc);
            }
            EXPECT_GE(TimeOf(app), docSum);
            EXPECT_EQ(TimeOf(app) - docSum, (expected[{day, appName, ""}]));
        }
        EXPECT_EQ(TimeOf(dates[index]), appSum);
    }
}

class UnreadableLogTest : public TimeLogTest {
protected:
    std::string AsidePath(const std::string& counter = "") const {
        return folder.File("user1-Time.unreadable-20261207-0905" + counter + ".xml");
    }
    void ExpectFreshLog() {
        ASSERT_TRUE(TimeLog);
        EXPECT_EQ(TimeLog->DocumentElement().Name(), "Ostrak");
        EXPECT_TRUE(Dates().empty());
        EXPECT_EQ(timer.starts, 1);
    }
};

TEST_F(UnreadableLogTest, ALogThatDoesNotParseIsSetAside) {
    const std::string damaged = "<Ostrak><Date id=\"1\" y=\"2026\"";
    WriteFileBytes(LogPath(), damaged);
    OpenTracker();
    ExpectFreshLog();
    EXPECT_EQ(ReadFileBytes(AsidePath()), damaged);
    EXPECT_FALSE(FileExists(LogPath()));
    CreditToday("Editor", "", 1);
    SaveTimeLog();
    EXPECT_TRUE(FileExists(LogPath()));
    EXPECT_EQ(ReadFileBytes(AsidePath()), damaged);
}

TEST_F(UnreadableLogTest, ALogLargerThanADocumentCanHoldIsSetAsideWhole) {
    std::string large = "<Ostrak>";
    for (int day = 0; day < 60000; ++day)
        large += "<Date id=\"1\" y=\"2026\" m=\"12\" d=\"7\" time=\"5\"><App name=\"Editor of long names\" time=\"5\"/></Date>";
    large += "</Ostrak>";
    WriteFileBytes(LogPath(), large);
    {
        ScopedArenaLimit limit(4u << 20);
        OpenTracker();
    }
    ExpectFreshLog();
    EXPECT_TRUE(ReadFileBytes(AsidePath()) == large) << "the old log is kept whole";
}

TEST_F(UnreadableLogTest, ALogWithAnotherRootIsSetAside) {
    const std::string foreign = "<Other><Date y=\"2026\" m=\"12\" d=\"7\" time=\"5\"/></Other>";
    WriteFileBytes(LogPath(), foreign);
    OpenTracker();
    ExpectFreshLog();
    EXPECT_EQ(ReadFileBytes(AsidePath()), foreign);
}

TEST_F(UnreadableLogTest, SetAsideNamesWithinOneMinuteGetACounter) {
    WriteFileBytes(AsidePath(), "first");
    WriteFileBytes(AsidePath("-2"), "second");
    WriteFileBytes(LogPath(), "third");
    OpenTracker();
    ExpectFreshLog();
    EXPECT_EQ(ReadFileBytes(AsidePath()), "first");
    EXPECT_EQ(ReadFileBytes(AsidePath("-2")), "second");
    EXPECT_EQ(ReadFileBytes(AsidePath("-3")), "third");
}

TEST_F(UnreadableLogTest, AnEmptyFileIsAFirstRun) {
    WriteFileBytes(LogPath(), "");
    OpenTracker();
    ExpectFreshLog();
    EXPECT_FALSE(FileExists(AsidePath()));
}

// A link to itself exists, yet no open of it succeeds: as a log another program holds.
TEST_F(UnreadableLogTest, ALogThatCannotBeOpenedIsKeptAndGetsTheTimeRecordedMeanwhile) {
    const std::string kept = folder.File("kept.xml");
    WriteFileBytes(kept, "<Ostrak><Date id=\"46363\" y=\"2026\" m=\"12\" d=\"7\" time=\"10\"><App name=\"Editor\" "
                         "time=\"10\"><Doc name=\"notes\" time=\"10\"/></App></Date></Ostrak>");
    std::filesystem::create_symlink(LogPath(), LogPath());
    OpenTracker();
    ExpectFreshLog();
    EXPECT_TRUE(TimeLogIsHeld());
    CreditToday("Editor", "notes", 5);
    CreditToday("Studio", "", 3);
    clock.Set(2026, 12, 8);
    CreditToday("Editor", "", 2);

    SaveTracker();
    EXPECT_TRUE(CurrentTroubles().Holds(TrackerTrouble::LogHeld));
    EXPECT_TRUE(std::filesystem::is_symlink(LogPath())) << "neither overwritten nor set aside";
    EXPECT_FALSE(FileExists(AsidePath()));
    EXPECT_FALSE(ReopenHeldTimeLog());

    std::filesystem::remove(LogPath());
    std::filesystem::rename(kept, LogPath());  // the other program lets go
    EXPECT_TRUE(ReopenHeldTimeLog());
    EXPECT_FALSE(TimeLogIsHeld());
    EXPECT_EQ(Credited("Editor"), 2);
    clock.Set(2026, 12, 7);
    EXPECT_EQ(Credited("Editor", "notes"), 15);
    EXPECT_EQ(Credited("Editor"), 15);
    EXPECT_EQ(Credited("Studio"), 3);
    EXPECT_EQ(TimeOf(Dates()[0]), 18);
    EXPECT_EQ(Attributes(Dates()[1]), "id=46364 y=2026 m=12 d=8 time=2");

    SaveTracker();
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::LogHeld));
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::LogNotSaved));
}

TEST_F(TimeLogTest, TemporaryFilesOfSavesWhoseProcessEndedAreRemovedAtStart) {
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string log = "user1-Time.xml.~";
    const std::string stale = log + std::to_string(ended) + "-0";
    const std::string running = log + std::to_string(getpid()) + "-1";
    const std::string unrelated[] = {"user1-Time.xml.~notes", "other.xml.~" + std::to_string(ended) + "-0"};
    for (const std::string& name : {stale, running, unrelated[0], unrelated[1]}) WriteFileBytes(folder.File(name), "x");
    OpenTracker();
    EXPECT_FALSE(FileExists(folder.File(stale)));
    EXPECT_TRUE(FileExists(folder.File(running)));
    for (const std::string& name : unrelated) EXPECT_TRUE(FileExists(folder.File(name))) << name;
}

TEST_F(UnreadableLogTest, ALogThatCannotBeSetAsideIsNeitherUsedNorOverwritten) {
    WriteFileBytes(AsidePath(), "taken");
    for (int counter = 2; counter <= 1000; ++counter) WriteFileBytes(AsidePath("-" + std::to_string(counter)), "taken");
    WriteFileBytes(LogPath(), "years of data");
    OpenTracker();
    EXPECT_FALSE(TimeLog);
    EXPECT_EQ(timer.starts, 0);
    CreditToday("Editor", "", 5);
    SaveTimeLog();
    EXPECT_EQ(ReadFileBytes(LogPath()), "years of data");
}

}  // namespace
