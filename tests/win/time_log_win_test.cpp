// The time log and the lists against the Windows file system: a log another program holds, a
// read-only log, a temporary file of a save whose process ended, a damaged per-user list; and
// the tracker's clock and sound against the system.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "files/file_replace.h"
#include "tests/win/program_folder.h"
#include "tracking/platform_seams.h"
#include "tracking/programs_list.h"
#include "tracking/time_log.h"

namespace {

class TimeLogFilesTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("time-log");
    }
    void TearDown() override {
        CloseTimeLog();
        ProgramList.clear();
        SetFileAttributesA(Log().c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveProgramFolder(folder_);
    }
    std::string Log() const { return folder_ + "user1-Time.xml"; }

    std::string folder_;
};

const char kOneStretch[] = "<Ostrak><Date id=\"1\" y=\"2000\" m=\"1\" d=\"1\" time=\"10\"><App name=\"Old\" time=\"10\"/></Date></Ostrak>";

TEST_F(TimeLogFilesTest, ALogHeldWithoutSharingIsLeftAloneAndGetsTheTimeRecordedMeanwhile) {
    WriteWholeFile(Log(), kOneStretch);
    HANDLE holder = CreateFileA(Log().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    OpenTimeLog();
    ASSERT_TRUE(TimeLog);
    EXPECT_TRUE(TimeLogIsHeld());
    CreditTime(LocalNow(), "New", "", 4);
    EXPECT_EQ(SaveTimeLog().failure, SaveFailure::FileInUse);
    EXPECT_FALSE(ReopenHeldTimeLog());
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(Log()), kOneStretch);
    WIN32_FIND_DATAA found;
    EXPECT_EQ(FindFirstFileA((folder_ + "*.unreadable-*").c_str(), &found), INVALID_HANDLE_VALUE) << "nothing set aside";

    EXPECT_TRUE(ReopenHeldTimeLog());
    ASSERT_TRUE(SaveTimeLog());
    const std::string saved = ReadWholeFile(Log());
    EXPECT_NE(saved.find("<App name=\"Old\" time=\"10\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<App name=\"New\" time=\"4\"/>"), std::string::npos) << saved;
}

TEST_F(TimeLogFilesTest, AReadOnlyLogSaysSoAndStaysAsItWas) {
    WriteWholeFile(Log(), kOneStretch);
    ASSERT_TRUE(SetFileAttributesA(Log().c_str(), FILE_ATTRIBUTE_READONLY));
    OpenTimeLog();
    CreditTime(LocalNow(), "New", "", 4);
    EXPECT_EQ(SaveTimeLog().failure, SaveFailure::NoWriteAccess);
    EXPECT_EQ(ReadWholeFile(Log()), kOneStretch);
}

TEST_F(TimeLogFilesTest, ATemporaryFileIsRemovedAtStartOnlyWhenItsProcessHasEnded) {
    // Process ids are multiples of four; this one runs nowhere.
    const std::string ended = Log() + ".~4000000-0";
    const std::string running = Log() + ".~" + std::to_string(GetCurrentProcessId()) + "-0";
    WriteWholeFile(ended, "cut short");
    WriteWholeFile(running, "being written");
    OpenTimeLog();
    EXPECT_FALSE(FileExists(ended));
    EXPECT_TRUE(FileExists(running));
}

TEST_F(TimeLogFilesTest, ADamagedUserListIsSetAsideBeforeACommitWritesANewOne) {
    WriteWholeFile(folder_ + "user1-Programs.xml", "<List><Pattern>Mine");
    LoadProgramList();
    ProgramList = {"Edited"};
    ASSERT_TRUE(SaveProgramList());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "user1-Programs.unreadable-*.xml").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(ReadWholeFile(folder_ + found.cFileName), "<List><Pattern>Mine");
}

// The clock seam's own arithmetic from a UTC instant to local time, against the system's.
TEST(SystemClockTest, TheLocalTimeOfNowIsTheSystemsLocalTime) {
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    LocalClock& clock = SystemClock();
    const LocalDateTime now = clock.LocalTimeAt(clock.UtcNow());
    GetLocalTime(&after);
    const auto minuteOf = [](const SYSTEMTIME& time) {
        return MinuteStamp({time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond});
    };
    const std::string stamp = MinuteStamp(now);
    EXPECT_TRUE(stamp == minuteOf(before) || stamp == minuteOf(after)) << stamp << " at " << minuteOf(before);
}


// Wine has no sound device here, as a machine without one: the question is answered at once,
// with or without COM, and the interfaces kept in one apartment are not reused in the next.
TEST(SystemPresenceTest, WithoutASoundDeviceNothingPlaysAndNoCallWaits) {
    PresenceSource& presence = SystemPresence();
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(presence.MediaPlaying()) << "without COM on this thread";
    for (int apartment = 0; apartment < 2; ++apartment) {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        for (int tick = 0; tick < 5; ++tick) EXPECT_FALSE(presence.MediaPlaying());
        CoUninitialize();
    }
    EXPECT_LT(GetTickCount64() - start, 2000u);
}

}  // namespace
