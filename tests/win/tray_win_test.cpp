// The tray icon and menu of the real main window, created in this process from resource 150,
// and the session notifications it passes on.
#include <windows.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/program_paths.h"
#include "localization/language.h"
#include "settings/settings.h"
#include "tests/win/program_folder.h"
#include "tests/win/sampler_probe.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"
#include "tracking/time_log.h"

namespace {

// What the open tray menu showed, read from inside its own menu loop.
struct MenuSnapshot {
    bool seen = false;
    std::vector<std::string> items;
    std::vector<UINT> ids;
    int defaultPosition = -1;
};
MenuSnapshot Snapshot;

void CALLBACK InspectOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (!menuWindow || !IsWindowVisible(menuWindow)) return;
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    Snapshot.seen = menu != nullptr;
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        Snapshot.items.push_back(text);
        Snapshot.ids.push_back(GetMenuItemID(menu, i));
    }
    if (menu) Snapshot.defaultPosition = static_cast<int>(GetMenuDefaultItem(menu, TRUE, 0));
    EndMenu();  // as a click elsewhere would
}

bool IconExists(HWND owner) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = owner;
    record.uID = TrayIconId;
    record.uFlags = NIF_TIP;
    lstrcpyA(record.szTip, "Ostrak");
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

class TrayTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("tray");
        ProgramList.clear();
    }

    void TearDown() override {
        dialog_.reset();
        CloseTimeLog();
        FreeLanguage();
        SetFileAttributesA((folder_ + "user1-Time.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveProgramFolder(folder_);
    }

    void UseLanguage(const std::string& name, const std::string& fileBytes) {
        HANDLE file = CreateFileA((folder_ + "Lang." + name + ".xml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                  nullptr);
        DWORD written = 0;
        WriteFile(file, fileBytes.data(), static_cast<DWORD>(fileBytes.size()), &written, nullptr);
        CloseHandle(file);
        WriteSettingText("Options", "Lang", name);
        LoadLanguage();
    }

    HWND CreateMainDialog() {
        dialog_ = std::make_unique<CDlgMain>("Ostrak.TrayTest");
        return dialog_->Create(nullptr);
    }

    std::string folder_;
    std::unique_ptr<CDlgMain> dialog_;
};

TEST_F(TrayTest, IconIsAddedAtSetUpAndComesBackWhenTheShellRestarts) {
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    EXPECT_TRUE(IconExists(main));

    RemoveTrayIcon(main);
    EXPECT_FALSE(IconExists(main));  // gone while the window still lives
    SendMessageA(main, TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(IconExists(main));
    RemoveTrayIcon(main);
}

TEST_F(TrayTest, SessionNotificationsReachTheSampler) {
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    // While the session is locked or disconnected, the user is away: a tick does not look at
    // the window in front.
    LookCountingTitles titles;
    SetTitleSource(&titles);
    SampleWindow(1, GetTickCount());
    const struct {
        WPARAM event;
        bool away;
    } steps[] = {
        {WTS_SESSION_LOCK, true},     {WTS_CONSOLE_DISCONNECT, true}, {WTS_REMOTE_CONNECT, true},
        {WTS_SESSION_UNLOCK, false},  {WTS_REMOTE_DISCONNECT, true},  {WTS_CONSOLE_CONNECT, false},
        {WTS_SESSION_LOGON, false},
    };
    for (const auto& step : steps) {
        SendMessageA(main, WM_WTSSESSION_CHANGE, step.event, 0);
        const int looksBefore = titles.looks;
        SampleWindow(1, GetTickCount());
        EXPECT_EQ(titles.looks == looksBefore, step.away) << step.event;
    }
    RemoveTrayIcon(main);
    SetTitleSource(nullptr);
    ResetSampler();
}

TEST_F(TrayTest, LeftButtonUpShowsTheDialogInFrontAndOtherMouseMessagesDoNothing) {
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    ASSERT_FALSE(IsWindowVisible(main));
    for (UINT ignored : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MBUTTONUP}) {
        SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, ignored);
        EXPECT_FALSE(IsWindowVisible(main)) << ignored;
    }
    SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(main));
    Pump(200);
    EXPECT_EQ(GetForegroundWindow(), main);

    // Minimise hides it completely; a left click brings it back.
    SendMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(main));
    RemoveTrayIcon(main);
}

TEST_F(TrayTest, RightButtonUpOpensTheTranslatedMenuWithOptionsAsDefault) {
    UseLanguage("English",
                "<?xml version=\"1.0\"?><Language><Common><Options>Options</Options></Common>"
                "<Menu><Report>Report</Report><Exit>Exit</Exit></Menu></Language>");
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    Snapshot = MenuSnapshot();
    SetTimer(nullptr, 0, 100, InspectOpenMenu);
    SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_RBUTTONUP);  // returns when the menu has closed
    ASSERT_TRUE(Snapshot.seen);
    EXPECT_EQ(Snapshot.items, (std::vector<std::string>{"Options", "Report", "Exit"}));
    EXPECT_EQ(Snapshot.ids, (std::vector<UINT>{101, 106, 100}));
    EXPECT_EQ(Snapshot.defaultPosition, 0);
    // Closed without a choice: no command reached the dialog, which stays hidden and alive.
    Pump(100);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_FALSE(IsWindowVisible(main));
    RemoveTrayIcon(main);
}

TEST_F(TrayTest, MenuTextsFollowTheLanguageAndMissingKeysShowBlank) {
    if (GetACP() != 1251) GTEST_SKIP() << "Cyrillic texts need ANSI code page 1251";
    UseLanguage("Russian",
                "<?xml version=\"1.0\" encoding=\"Windows-1251\"?><Language><Common><Options>\xcd\xe0\xf1\xf2\xf0\xee"
                "\xe9\xea\xe8</Options></Common><Menu><Exit>\xc2\xfb\xf5\xee\xe4</Exit></Menu></Language>");
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    Snapshot = MenuSnapshot();
    SetTimer(nullptr, 0, 100, InspectOpenMenu);
    SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_RBUTTONUP);
    ASSERT_TRUE(Snapshot.seen);
    EXPECT_EQ(Snapshot.items, (std::vector<std::string>{"\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8", "", "\xc2\xfb\xf5\xee\xe4"}));
    RemoveTrayIcon(main);
}

const char kSaveTexts[] =
    "<?xml version=\"1.0\"?><Language><Common><SaveFailed>Cannot save in</SaveFailed>"
    "<NoWriteAccess>No access.</NoWriteAccess><DiskFull>Disk full.</DiskFull><FileInUse>In use.</FileInUse>"
    "</Common></Language>";

TEST_F(TrayTest, EachFilesRunOfFailuresBeginsWithABalloonAndItsFirstSuccessEndsIt) {
    UseLanguage("English", kSaveTexts);
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    SaveStatus status;
    EXPECT_EQ(status.Tip(), "Ostrak");
    const struct {
        SavedFile file;
        SaveFailure failure;
        bool balloon;
        std::string tip;
    } steps[] = {
        {SavedFile::TimeLog, SaveFailure::NoWriteAccess, true, "Cannot save in " + folder + "\nNo access."},
        {SavedFile::TimeLog, SaveFailure::DiskFull, false, "Cannot save in " + folder + "\nDisk full."},
        {SavedFile::ProjectList, SaveFailure::FileInUse, true, "Cannot save in " + folder + "\nDisk full."},
        {SavedFile::TimeLog, SaveFailure::None, false, "Cannot save in " + folder + "\nIn use."},
        {SavedFile::ProjectList, SaveFailure::None, false, "Ostrak"},
        {SavedFile::ProjectList, SaveFailure::Other, true, "Cannot save in " + folder + "\nCommon/WriteFailed"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(status.Record(step.file, {step.failure}), step.balloon) << step.tip;
        EXPECT_EQ(status.Tip(), step.tip);
    }
}

TEST_F(TrayTest, AFailedSaveOfTheLogShowsInTheTipUntilASaveSucceeds) {
    UseLanguage("English", kSaveTexts);
    const std::string log = folder_ + "user1-Time.xml";
    WriteWholeFile(log, "");
    ASSERT_TRUE(SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY));
    OpenTimeLog();
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    EXPECT_EQ(dialog_->Saves().Tip(), "Ostrak");

    // Before sleep the log is saved, as at an autosave.
    SendMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(dialog_->Saves().Tip(), "Cannot save in " + folder_.substr(0, folder_.size() - 1) + "\nNo access.");
    ASSERT_TRUE(SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL));
    SendMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(dialog_->Saves().Tip(), "Ostrak");
    RemoveTrayIcon(main);
}

}  // namespace
