// Files another program holds without sharing, as a backup or sync program does: a per-user
// list at start and the timeline's files while lines wait.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win/program_folder.h"
#include "tracking/programs_list.h"
#include "tracking/timeline.h"

namespace {

class HeldFilesTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("held-files");
        ProgramList.clear();
    }
    void TearDown() override {
        ProgramList.clear();
        SetTimelineMemoryLimit(0);
        RemoveProgramFolder(folder_);
    }
    HANDLE Hold(const std::string& path) const {
        return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    }

    std::string folder_;
};

TEST_F(HeldFilesTest, AListHeldAtStartIsWaitedForAndThenApplies) {
    const std::string mine = "<List><Pattern>Mine</Pattern></List>";
    WriteWholeFile(folder_ + "Programs.xml", "<List><Pattern>Shared</Pattern></List>");
    WriteWholeFile(folder_ + "user1-Programs.xml", mine);
    HANDLE holder = Hold(folder_ + "user1-Programs.xml");
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    LoadProgramList();
    EXPECT_EQ(ProgramList, std::vector<std::string>{"Shared"});
    EXPECT_TRUE(ProgramListIsHeld());
    EXPECT_EQ(SaveProgramList().failure, SaveFailure::FileInUse);
    EXPECT_FALSE(ReopenHeldProgramList());
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(folder_ + "user1-Programs.xml"), mine);

    EXPECT_TRUE(ReopenHeldProgramList());
    EXPECT_EQ(ProgramList, std::vector<std::string>{"Mine"});
    WIN32_FIND_DATAA found;
    EXPECT_EQ(FindFirstFileA((folder_ + "*.unreadable-*").c_str(), &found), INVALID_HANDLE_VALUE) << "nothing set aside";
}

TEST_F(HeldFilesTest, TimelineLinesWaitInTheSideFileWhileItsFilesAreHeldAndArriveOnce) {
    SetTimelineMemoryLimit(1);
    const std::string month = folder_ + "user1-Timeline-2026-12.tsv";
    const std::string waiting = folder_ + "user1-Timeline.waiting.tsv";
    const std::string line = "2026-12-07 09:00:00\t5\tEditor\tnotes.txt\n";
    HANDLE holder = Hold(month);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    RecordStretch({2026, 12, 7, 9, 0, 0}, 5, "Editor", "notes.txt");
    EXPECT_EQ(SaveTimeline().failure, SaveFailure::FileInUse);
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(waiting), line);

    holder = Hold(waiting);
    EXPECT_FALSE(SaveTimeline()) << "the side file cannot be read";
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(month), "");
    EXPECT_TRUE(TimelineLinesWait());

    EXPECT_TRUE(SaveTimeline());
    EXPECT_TRUE(SaveTimeline());
    EXPECT_EQ(ReadWholeFile(month), std::string(kTimelineHeader) + line);
    EXPECT_FALSE(TimelineLinesWait());
}

}  // namespace
