// The copies in the shared folder: their names, the one-writer rule that never loses another
// computer's time, failure and retry, and a Forget that reaches the copy.
#include <sys/stat.h>

#include "files/file_access.h"
#include "tests/unit/tracking_fakes.h"
#include "tracking/shared_copies.h"
#include "tracking/take_back.h"

namespace {

TEST(ComputerName, IsCleanedForAFileName) {
    const struct {
        const char* name;
        const char* clean;
    } cases[] = {
        {"DESKTOP-7", "DESKTOP-7"},
        {"anna's laptop", "anna's_laptop"},
        {"a\\b/c:d*e?f\"g<h>i|j@k", "a_b_c_d_e_f_g_h_i_j_k"},
        {"tab\there\x7f", "tab_here_"},
        {"PC..", "PC"},
        {"...", "computer"},
        {"", "computer"},
        {"\xd0\x9d\xd0\xbe\xd1\x83\xd1\x82", "\xd0\x9d\xd0\xbe\xd1\x83\xd1\x82"},  // UTF-8 stays
    };
    for (const auto& each : cases) EXPECT_EQ(CleanComputerName(each.name), each.clean) << each.name;
}

TEST(SharedCopyNames, CarryTheUserAndTheComputer) {
    EXPECT_EQ(SharedLogName("anna", "DESKTOP-7"), "anna@DESKTOP-7-Time.xml");
    EXPECT_EQ(SharedTimelineName("anna", "DESKTOP-7", 2026, 3), "anna@DESKTOP-7-Timeline-2026-03.tsv");
}

std::string Log(const std::string& days, const std::string& rootAttributes = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Ostrak" + rootAttributes + ">\n" + days + "</Ostrak>\n";
}
std::string Day(int day, int seconds) {
    return "  <Date id=\"1\" y=\"2026\" m=\"3\" d=\"" + std::to_string(day) + "\" time=\"" + std::to_string(seconds) +
           "\">\n    <App name=\"Editor\" time=\"" + std::to_string(seconds) + "\"/>\n  </Date>\n";
}
const std::string kHeader(kTimelineHeader);
std::string Line(int day, int seconds) {
    return "2026-03-" + std::string(day < 10 ? "0" : "") + std::to_string(day) + " 09:00:00\t" + std::to_string(seconds) +
           "\tEditor\t\n";
}

std::uint64_t Inode(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_ino) : 0;
}

class SharedCopyTest : public testing::Test {
protected:
    void SetUp() override {
        job = {shared.Dir(), local.Dir(), "anna", "LAPTOP"};
        WriteFileBytes(local.File("anna-Time.xml"), Log(Day(1, 100) + Day(2, 50)));
        WriteFileBytes(local.File("anna-Timeline-2026-03.tsv"), kHeader + Line(1, 100) + Line(2, 50));
    }
    std::string Copy(const std::string& name) const { return ReadFileBytes(shared.File(name)); }

    TemporaryFolder local;
    TemporaryFolder shared;
    SharedCopyJob job;
    const std::string logCopy = "anna@LAPTOP-Time.xml";
    const std::string monthCopy = "anna@LAPTOP-Timeline-2026-03.tsv";
};

TEST_F(SharedCopyTest, CopiesTheLogAndEveryMonthAndDoesNotWriteACurrentCopyAgain) {
    WriteFileBytes(local.File("anna-Timeline-2026-02.tsv"), kHeader);
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Current);
    EXPECT_EQ(Copy(logCopy), ReadFileBytes(local.File("anna-Time.xml")));
    EXPECT_EQ(Copy(monthCopy), ReadFileBytes(local.File("anna-Timeline-2026-03.tsv")));
    EXPECT_EQ(Copy("anna@LAPTOP-Timeline-2026-02.tsv"), kHeader);

    const std::uint64_t logInode = Inode(shared.File(logCopy));
    const std::uint64_t monthInode = Inode(shared.File(monthCopy));
    WriteFileBytes(local.File("anna-Timeline-2026-03.tsv"), kHeader + Line(1, 100) + Line(2, 50) + Line(3, 5));
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Current);
    EXPECT_EQ(Inode(shared.File(logCopy)), logInode) << "the log's copy was current";
    EXPECT_NE(Inode(shared.File(monthCopy)), monthInode);
    EXPECT_EQ(Copy(monthCopy), ReadFileBytes(local.File("anna-Timeline-2026-03.tsv")));
}

// Another computer with this one's name, or this log set aside: what the copy holds beyond the
// local files is never written over.
TEST_F(SharedCopyTest, KeepsACopyThatHoldsMoreThanTheLocalFiles) {
    const struct {
        const char* why;
        std::string log;
        bool kept;
    } cases[] = {
        {"more seconds on a day", Log(Day(1, 101)), true},
        {"a day the local log lacks", Log(Day(1, 100) + Day(2, 50) + Day(9, 1)), true},
        {"no time log at all", "not a log", true},
        {"less on every day", Log(Day(1, 99) + Day(2, 50)), false},
        {"empty", "", false},
    };
    for (const auto& each : cases) {
        WriteFileBytes(shared.File(logCopy), each.log);
        RemoveFile(shared.File(monthCopy));
        const SharedCopyOutcome outcome = CopyToSharedFolder(job);
        EXPECT_EQ(outcome.state, each.kept ? SharedCopyState::Kept : SharedCopyState::Current) << each.why;
        EXPECT_EQ(Copy(logCopy), each.kept ? each.log : ReadFileBytes(local.File("anna-Time.xml"))) << each.why;
        // A kept log names another computer's copies: its months stay untouched too.
        EXPECT_EQ(ReadFileStamp(shared.File(monthCopy)).exists, !each.kept) << each.why;
    }
    WriteFileBytes(shared.File(monthCopy), kHeader + Line(4, 1));
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Kept);
    EXPECT_EQ(Copy(monthCopy), kHeader + Line(4, 1));
}

// This computer's own last copy gives way to a log with a change taken back since, and only to
// that: a smaller log without a new mark was set aside or replaced, and the copy is all there is.
TEST_F(SharedCopyTest, OwnCopyGivesWayOnlyToAChangeTakenBack) {
    ASSERT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Current);
    const std::string before = Copy(logCopy);

    WriteFileBytes(local.File("anna-Time.xml"), Log(Day(1, 100)));
    WriteFileBytes(local.File("anna-Timeline-2026-03.tsv"), kHeader + Line(1, 100));
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Kept);
    EXPECT_EQ(Copy(logCopy), before);

    WriteFileBytes(local.File("anna-Time.xml"), Log(Day(1, 100), " takenBack=\"00ab\""));
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Current);
    EXPECT_EQ(Copy(logCopy), ReadFileBytes(local.File("anna-Time.xml")));
    EXPECT_EQ(Copy(monthCopy), kHeader + Line(1, 100));

    // Changed by another computer since, it is no longer this computer's to replace.
    WriteFileBytes(shared.File(logCopy), Log(Day(1, 100) + Day(5, 7)));
    WriteFileBytes(local.File("anna-Time.xml"), Log(Day(1, 90), " takenBack=\"00cd\""));
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Kept);
}

TEST_F(SharedCopyTest, AMissingFolderFailsAndTheNextCopyWritesOnceItIsBack) {
    job.folder = shared.Dir() + "offline/";
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::FolderMissing);
    ASSERT_TRUE(CreateFolder(job.folder));
    EXPECT_EQ(CopyToSharedFolder(job).state, SharedCopyState::Current);
    EXPECT_EQ(ReadFileBytes(job.folder + logCopy), ReadFileBytes(local.File("anna-Time.xml")));
}

// The program's side: a save hands the copy to the worker, a Forget's smaller log follows.
class SharedCopyRunTest : public TrackingTest {
protected:
    void TearDown() override {
        SetSharedFolder("");
        FinishSharedCopies(10000);
        ComputerName.clear();
        TrackingTest::TearDown();
    }
};

TEST_F(SharedCopyRunTest, ASaveCopiesAndAForgetReachesTheCopy) {
    TemporaryFolder shared;
    UserName = "user1";
    ComputerName = "PC";
    OpenTracker();
    CreditStretch({clock.utc - 600, 600, "Editor", "a.txt"});
    SaveTracker();
    // Set now, the folder gets its copies at once; later saves copy once an hour.
    SetSharedFolder(shared.Dir());
    ASSERT_TRUE(WaitForSharedCopies(10000));
    EXPECT_EQ(LastSharedCopy().state, SharedCopyState::Current);
    EXPECT_EQ(ReadFileBytes(shared.File("user1@PC-Time.xml")), ReadFileBytes(LogPath()));

    const std::string before = ReadFileBytes(shared.File("user1@PC-Time.xml"));
    ASSERT_EQ(Forget(ForgetSpan::Today, ForgetSpanStart(ForgetSpan::Today), 0).outcome, TakeBackOutcome::Done);
    ASSERT_TRUE(WaitForSharedCopies(10000));
    EXPECT_EQ(LastSharedCopy().state, SharedCopyState::Current);
    EXPECT_NE(ReadFileBytes(shared.File("user1@PC-Time.xml")), before);
    EXPECT_EQ(ReadFileBytes(shared.File("user1@PC-Time.xml")), ReadFileBytes(LogPath()));
}

}  // namespace
