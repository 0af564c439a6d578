// What the log file lacks survives an end without the last save, and comes back exactly once.
#include <unistd.h>

#include <filesystem>

#include "files/file_access.h"
#include "tests/unit/tracking_fakes.h"
#include "tracking/unsaved_time.h"

namespace {

class UnsavedTimeTest : public TrackingTest {
protected:
    void TearDown() override {
        LocalDataDir.clear();
        TrackingTest::TearDown();
    }
    // A stretch credited as the sampler credits one.
    void Credit(const std::string& app, const std::string& doc, int seconds) {
        CreditStretch({clock.UtcNow(), seconds, app, doc});
    }
    // The process ends here without a save; the next one starts.
    void CrashAndRestart() {
        CloseTracker();
        OpenTracker();
    }
    // The log's saves fail and leave the file as it is: every temporary name is taken.
    void BlockLogSaves(bool block) {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::string name = LogPath() + ".~" + std::to_string(getpid()) + "-" + std::to_string(attempt);
            if (block) std::filesystem::create_directory(name);
            else std::filesystem::remove(name);
        }
    }
    std::vector<std::string> SideFilesIn(const std::string& folderPath) const {
        return FilesNamed(folderPath, "user1-Time.unsaved-", ".xml");
    }
    int SavedEditorSeconds() {
        XmlDocument saved;
        if (!saved.Load(LogPath())) return -1;
        XmlNode day = Children(saved.DocumentElement(), "Date").at(0);
        return TimeOf(ChildNamed(day, "App", "Editor"));
    }
};

// The moments around a save: before it, between the log's replace and the journal's new start,
// after both. At each the restart finds every credited second once.
TEST_F(UnsavedTimeTest, TheJournalCountsOnceWhereverTheProcessEnds) {
    OpenTracker();
    Credit("Editor", "notes", 10);
    SaveTracker();
    Credit("Editor", "notes", 5);
    // A line cut short by the crash is not read.
    AppendToFile(JournalPath(), "+\t2026\t12\t7\t99");
    CrashAndRestart();
    EXPECT_EQ(Credited("Editor", "notes"), 15) << "before the save: the journal adds its 5 s";

    const std::string journalBefore = ReadFileBytes(JournalPath());
    SaveTracker();
    EXPECT_EQ(SavedEditorSeconds(), 15);
    WriteFileBytes(JournalPath(), journalBefore);  // as if the process ended before the journal began anew
    CrashAndRestart();
    EXPECT_EQ(Credited("Editor", "notes"), 15) << "the journal follows a log file that is gone";

    CrashAndRestart();
    EXPECT_EQ(Credited("Editor", "notes"), 15) << "after both";
}

// What an exit would credit is kept every minute; the credit that follows takes its place.
TEST_F(UnsavedTimeTest, TheStretchInFrontSurvivesACrashAndCountsOnceWhenCredited) {
    OpenTracker();
    windows.titles[1] = "notes - Editor";
    // The timer's ticks: the sample, then the front when it is due.
    const auto ticks = [](std::uint32_t from, std::uint32_t to) {
        for (std::uint32_t tick = from; tick <= to; tick += 1000) {
            SampleWindow(1, tick);
            NoteFrontIfDue(tick);
        }
    };
    ticks(1000, 60000);  // the first front, at 1000, holds nothing yet
    CrashAndRestart();
    EXPECT_EQ(Credited("notes - Editor"), -1) << "no minute has passed since the front was kept";

    ResetSampler();
    ticks(1000, 61000);
    CrashAndRestart();
    EXPECT_EQ(Credited("notes - Editor"), 60);

    ResetSampler();
    ticks(1000, 69000);
    SampleWindow(0, 70000);  // the editor's 69 s are credited: the front is void
    CrashAndRestart();
    EXPECT_EQ(Credited("notes - Editor"), 60 + 69);
}

// An exit whose save fails leaves a side file; the next start adds it once, even when it
// ended between taking it and removing it.
TEST_F(UnsavedTimeTest, AFailedLastSaveLeavesASideFileTheNextStartAddsOnce) {
    OpenTracker();
    Credit("Editor", "notes", 10);
    SaveTracker();
    Credit("Editor", "notes", 7);
    BlockLogSaves(true);
    SaveTrackerForExit();
    BlockLogSaves(false);
    const std::vector<std::string> sides = SideFilesIn(folder.Dir());
    ASSERT_EQ(sides.size(), 1u);
    EXPECT_NE(ReadFileBytes(folder.File(sides[0])).find("time=\"7\""), std::string::npos) << "only what the file lacks";
    EXPECT_EQ(SavedEditorSeconds(), 10);
    const std::string side = ReadFileBytes(folder.File(sides[0]));

    CrashAndRestart();
    EXPECT_EQ(Credited("Editor", "notes"), 17) << "the journal was superseded by the side file";
    EXPECT_TRUE(SideFilesIn(folder.Dir()).empty());
    WriteFileBytes(folder.File(sides[0]), side);  // as if its removal had not happened
    CrashAndRestart();
    EXPECT_EQ(Credited("Editor", "notes"), 17);
    EXPECT_TRUE(SideFilesIn(folder.Dir()).empty());
    SaveTracker();
    EXPECT_EQ(SavedEditorSeconds(), 17);
}

// A program folder that cannot be written at all: the side file goes to the local data folder.
TEST_F(UnsavedTimeTest, WithoutTheProgramFolderTheSideFileGoesToTheLocalDataFolder) {
    TemporaryFolder local;
    LocalDataDir = local.Dir() + "Ostrak/";
    OpenTracker();
    Credit("Editor", "notes", 12);
    TemporaryFolder elsewhere;
    const std::string moved = elsewhere.Path("program");
    std::filesystem::rename(folder.Path(), moved);  // the folder is gone
    SaveTrackerForExit();
    CloseTracker();
    ASSERT_EQ(SideFilesIn(LocalDataDir).size(), 1u);
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::SideFileWaiting)) << "closed: nothing is told";

    std::filesystem::rename(moved, folder.Path());
    OpenTracker();
    EXPECT_EQ(Credited("Editor", "notes"), 12);
    EXPECT_TRUE(SideFilesIn(LocalDataDir).empty());
}

// Another writer changed the log: it is never overwritten, and what this run records goes to
// side files, each holding only what came since the last.
TEST_F(UnsavedTimeTest, ALogChangedByAnotherWriterIsNotOverwritten) {
    OpenTracker();
    Credit("Editor", "notes", 10);
    SaveTracker();
    const std::string theirs = "<Ostrak><Date id=\"46363\" y=\"2026\" m=\"12\" d=\"7\" time=\"100\"><App name=\"Editor\" "
                               "time=\"100\"/></Date></Ostrak>";
    WriteFileBytes(LogPath(), theirs);
    Credit("Editor", "notes", 5);
    SaveTracker();
    EXPECT_TRUE(CurrentTroubles().Holds(TrackerTrouble::OtherWriter));
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::LogNotSaved));
    Credit("Editor", "notes", 3);
    SaveTracker();
    EXPECT_EQ(ReadFileBytes(LogPath()), theirs);
    const std::vector<std::string> sides = SideFilesIn(folder.Dir());
    ASSERT_EQ(sides.size(), 2u);
    const std::string both = ReadFileBytes(folder.File(sides[0])) + ReadFileBytes(folder.File(sides[1]));
    EXPECT_NE(both.find("time=\"5\""), std::string::npos);
    EXPECT_NE(both.find("time=\"3\""), std::string::npos);
    EXPECT_EQ(both.find("time=\"8\""), std::string::npos);

    CrashAndRestart();
    EXPECT_EQ(Credited("Editor"), 108) << "their 100 s, and this run's pieces once";
    EXPECT_FALSE(CurrentTroubles().Holds(TrackerTrouble::OtherWriter));
}

}  // namespace
