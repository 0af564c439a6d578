// The tray icon and menu of the real main window, created in this process from resource 150,
// and the session notifications it passes on.
#include <windows.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/program_paths.h"
#include "localization/language.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/win/program_folder.h"
#include "tests/win/sampler_probe.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"
#include "tracking/calendar.h"
#include "tracking/platform_seams.h"
#include "tracking/time_log.h"
#include "tracking/tracker.h"

namespace {

// What the open tray menu showed, read from inside its own menu loop.
struct MenuSnapshot {
    bool seen = false;
    std::vector<std::string> items;
    std::vector<UINT> ids;
    std::vector<bool> greyed;
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
        Snapshot.greyed.push_back((GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0);
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
        CloseTracker();  // the timeline's waiting lines go with the test's folder
        ProgramList.clear();
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
                "<Menu><Report>Report</Report><Exit>Exit</Exit><Pause>Pause</Pause><Resume>Resume</Resume>"
                "<Forget>Forget</Forget><CountAbsence>Count</CountAbsence></Menu></Language>");
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    Snapshot = MenuSnapshot();
    SetTimer(nullptr, 0, 100, InspectOpenMenu);
    SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_RBUTTONUP);  // returns when the menu has closed
    ASSERT_TRUE(Snapshot.seen);
    // Separators have no text; submenus (Pause, Forget) no command.
    EXPECT_EQ(Snapshot.items,
              (std::vector<std::string>{"Options", "Report", "", "Pause", "Resume", "Forget", "Count", "", "Exit"}));
    EXPECT_EQ(Snapshot.ids, (std::vector<UINT>{101, 106, 0, UINT(-1), 110, UINT(-1), 114, 0, 100}));
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
    EXPECT_EQ(Snapshot.items, (std::vector<std::string>{"\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8", "", "", "", "", "", "", "", "\xc2\xfb\xf5\xee\xe4"}));
    RemoveTrayIcon(main);
}

const char kSaveTexts[] =
    "<?xml version=\"1.0\"?><Language><Common><SaveFailed>Cannot save in</SaveFailed>"
    "<NoWriteAccess>No access.</NoWriteAccess><DiskFull>Disk full.</DiskFull><FileInUse>In use.</FileInUse>"
    "</Common></Language>";

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(OSTRAK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TrackerTroubles Holding(std::initializer_list<TrackerTrouble> troubles) {
    TrackerTroubles holding;
    for (TrackerTrouble trouble : troubles) holding.holds[static_cast<int>(trouble)] = true;
    holding.logFailure = SaveFailure::DiskFull;
    holding.timelineFailure = SaveFailure::NoWriteAccess;
    holding.sideFileFolder = "C:\\Users\\me\\AppData\\Local\\Ostrak\\";
    return holding;
}

// The icon shows the most serious cause that holds, the lists' failures below every one of the
// tracker's; each cause is owed a balloon when it begins, and again when it begins anew.
TEST_F(TrayTest, TheMostSeriousCauseShowsAndEachBeginningIsOwedOneBalloon) {
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    using T = TrackerTrouble;
    const struct {
        TrackerTroubles troubles;
        SaveFailure programList;  // what OK reports of the program list before this step
        std::vector<TrackerTrouble> balloons;
        int icon;
        std::string tip;
    } steps[] = {
        {Holding({}), SaveFailure::None, {}, IDI_MAIN, "Ostrak"},
        {Holding({T::TimelineNotSaved}), SaveFailure::None, {T::TimelineNotSaved}, IDI_TRAY_TIMELINE,
         "No access.\nCannot save the timeline in " + folder},
        // Two begin at once: the more serious balloon comes last, so that it is the one left.
        {Holding({T::TimelineNotSaved, T::LogHeld, T::NotRecording}), SaveFailure::None,
         {T::LogHeld, T::NotRecording}, IDI_TRAY_NOT_RECORDING, "Not recording in " + folder},
        {Holding({T::LogHeld}), SaveFailure::None, {}, IDI_TRAY_LOG_HELD, "In use.\nCannot save in " + folder},
        {Holding({T::LogNotSaved, T::SideFileWaiting}), SaveFailure::FileInUse, {T::SideFileWaiting, T::LogNotSaved},
         IDI_TRAY_LOG_NOT_SAVED, "Disk full.\nCannot save in " + folder},
        {Holding({T::SideFileWaiting}), SaveFailure::FileInUse, {}, IDI_TRAY_SIDE_FILE,
         "Waiting in C:\\Users\\me\\AppData\\Local\\Ostrak"},
        {Holding({T::OtherWriter}), SaveFailure::FileInUse, {T::OtherWriter}, IDI_TRAY_OTHER_WRITER, "Another Ostrak."},
        // Only a list is not saved: its tip, with the icon of a file not saved.
        {Holding({}), SaveFailure::FileInUse, {}, IDI_TRAY_LOG_NOT_SAVED, "In use.\nCannot save in " + folder},
        {Holding({T::TimelineNotSaved}), SaveFailure::None, {T::TimelineNotSaved}, IDI_TRAY_TIMELINE,
         "No access.\nCannot save the timeline in " + folder},
        {Holding({}), SaveFailure::None, {}, IDI_MAIN, "Ostrak"},
    };
    UseLanguage("English",
                "<?xml version=\"1.0\"?><Language><Common><SaveFailed>Cannot save in</SaveFailed><DiskFull>Disk full."
                "</DiskFull><FileInUse>In use.</FileInUse><NoWriteAccess>No access.</NoWriteAccess></Common><Tray>"
                "<NotRecording>Not recording in</NotRecording><OtherWriter>Another Ostrak.</OtherWriter><SideFileWaiting>"
                "Waiting in</SideFileWaiting><TimelineNotSaved>Cannot save the timeline in</TimelineNotSaved></Tray>"
                "</Language>");
    TrayStatus status;
    int step = 0;
    for (const auto& row : steps) {
        status.RecordSave(SavedFile::ProgramList, {row.programList});
        EXPECT_EQ(status.Update(row.troubles), row.balloons) << step;
        EXPECT_EQ(status.IconId(), row.icon) << step;
        EXPECT_EQ(status.Tip(), row.tip) << step;
        ++step;
    }
}

// Each cause's tip fits the 127 characters of the record whole with a short folder, in both
// languages, and names its folder last: a cut takes only the end of a long one.
TEST_F(TrayTest, EveryTipFitsTheRecordAndNamesItsFolderLastInBothLanguages) {
    for (const char* language : {"English", "Russian"}) {
        if (std::string(language) == "Russian" && GetACP() != 1251) continue;  // Cyrillic needs 1251
        ProgramDir = folder_;
        UseLanguage(language, ReadSource(std::string("delivered/Lang.") + language + ".xml"));
        ProgramDir = "C:\\Ostrak\\";
        TrayStatus status;
        for (int i = 0; i < static_cast<int>(TrackerTrouble::Count); ++i) {
            TrackerTroubles troubles;
            troubles.holds[i] = true;
            troubles.logFailure = SaveFailure::FileInUse;
            troubles.timelineFailure = SaveFailure::DiskFull;
            troubles.sideFileFolder = ProgramDir;
            troubles.sharedFolder = ProgramDir;
            status.Update(troubles);
            const std::string tip = status.Tip();
            EXPECT_LE(MultiByteToWideChar(CP_ACP, 0, tip.c_str(), -1, nullptr, 0) - 1, 127) << language << " " << tip;
            EXPECT_EQ(tip.find("Tray/"), std::string::npos) << language << " " << tip;
            if (i != static_cast<int>(TrackerTrouble::OtherWriter)) {
                EXPECT_EQ(tip.substr(tip.size() - 9), "C:\\Ostrak") << language << " " << tip;
            }
        }
    }
    ProgramDir = folder_;
}

// The real tracker and window: a log another program holds at start shows at once, and the
// icon is itself again when the log opens.
TEST_F(TrayTest, ALogHeldAtStartShowsAtTheIconUntilItOpens) {
    UseLanguage("English", kSaveTexts);
    const std::string log = folder_ + "user1-Time.xml";
    WriteWholeFile(log, "<Ostrak/>");
    HANDLE holder = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    OpenTimeLog();
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_TRAY_LOG_HELD);
    EXPECT_EQ(dialog_->Tray().Tip(), "In use.\nCannot save in " + folder_.substr(0, folder_.size() - 1));
    CloseHandle(holder);
    SendMessageA(main, WM_TIMER, 2, 0);  // the held log's retry
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_MAIN);
    EXPECT_EQ(dialog_->Tray().Tip(), "Ostrak");
    RemoveTrayIcon(main);
}

TEST_F(TrayTest, AFailedSaveOfTheLogShowsInTheTipUntilASaveSucceeds) {
    UseLanguage("English", kSaveTexts);
    const std::string log = folder_ + "user1-Time.xml";
    WriteWholeFile(log, "");
    ASSERT_TRUE(SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY));
    OpenTimeLog();
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    EXPECT_EQ(dialog_->Tray().Tip(), "Ostrak");

    // Before sleep the log is saved, as at an autosave.
    SendMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(dialog_->Tray().Tip(), "No access.\nCannot save in " + folder_.substr(0, folder_.size() - 1));
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_TRAY_LOG_NOT_SAVED);
    ASSERT_TRUE(SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL));
    SendMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(dialog_->Tray().Tip(), "Ostrak");
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_MAIN);
    RemoveTrayIcon(main);
}

// Local time is UTC, and now is whatever the test last set.
class FixedClock final : public LocalClock {
public:
    std::int64_t UtcNow() override { return utc; }
    LocalDateTime LocalTimeAt(std::int64_t at) override { return CalendarTime(at); }
    std::int64_t utc = CalendarSeconds({2026, 12, 7, 12, 0, 0});
};

std::int64_t At(int hour, int minute, int second) { return CalendarSeconds({2026, 12, 7, hour, minute, second}); }

// The menu offers Pause while recording and Resume while paused; each command reaches the
// sampler, the stored pause and the icon, where a trouble with saving shows first.
TEST_F(TrayTest, PauseAndResumeFromTheMenuShowAtTheIconAndAreStored) {
    UseLanguage("English", "<?xml version=\"1.0\"?><Language><Tray><PausedUntil>Paused until {time}</PausedUntil>"
                           "<PausedUntilResumed>Paused until you resume</PausedUntilResumed></Tray></Language>");
    FixedClock clock;
    SetClock(&clock);
    OpenTimeLog();
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    auto menuGreyed = [main] {
        Snapshot = MenuSnapshot();
        SetTimer(nullptr, 0, 100, InspectOpenMenu);
        SendMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_RBUTTONUP);
        // Pause (a submenu) at 3, Resume at 4.
        return Snapshot.greyed.size() > 4 ? std::vector<bool>{Snapshot.greyed[3], Snapshot.greyed[4]} : std::vector<bool>{};
    };
    EXPECT_EQ(menuGreyed(), (std::vector<bool>{false, true}));

    const struct {
        UINT command;
        bool paused;
        int icon;
        std::string tip;
        std::optional<std::int64_t> stored;
    } steps[] = {
        {ID_MENU_PAUSE_1_HOUR, true, IDI_TRAY_PAUSED, "Paused until 13:00", At(13, 0, 0)},
        {ID_MENU_RESUME, false, IDI_MAIN, "Ostrak", std::nullopt},
        {ID_MENU_PAUSE_15_MINUTES, true, IDI_TRAY_PAUSED, "Paused until 12:15", At(12, 15, 0)},
        {ID_MENU_RESUME, false, IDI_MAIN, "Ostrak", std::nullopt},
        {ID_MENU_PAUSE_UNTIL_RESUMED, true, IDI_TRAY_PAUSED, "Paused until you resume", StoredPauseUntilResumed},
    };
    for (const auto& step : steps) {
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(step.command, 0), 0);
        EXPECT_EQ(RecordingPaused(), step.paused) << step.tip;
        EXPECT_EQ(dialog_->Tray().IconId(), step.icon) << step.tip;
        EXPECT_EQ(dialog_->Tray().Tip(), step.tip);
        EXPECT_EQ(ReadPausedUntil(clock.utc), step.stored) << step.tip;
    }
    EXPECT_EQ(menuGreyed(), (std::vector<bool>{true, false}));

    TrackerTroubles held;
    held.holds[static_cast<int>(TrackerTrouble::LogHeld)] = true;
    dialog_->ShowTroubles(held);
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_TRAY_LOG_HELD) << "a log that cannot be saved matters more";
    dialog_->ShowTroubles(TrackerTroubles());
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_TRAY_PAUSED);

    // A timed pause ends at the timer's tick that reaches its end.
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(ID_MENU_PAUSE_15_MINUTES, 0), 0);
    clock.utc = At(12, 15, 0);
    SampleWindow(0, GetTickCount());
    EXPECT_FALSE(RecordingPaused());
    EXPECT_EQ(dialog_->Tray().IconId(), IDI_MAIN);
    EXPECT_FALSE(ReadPausedUntil(clock.utc - 60)) << "no longer stored";
    RemoveTrayIcon(main);
    ResetSampler();
    SetClock(nullptr);
}

TEST_F(TrayTest, TheAwayBalloonNamesTheStretchAndTheWindowInTheUsersLanguage) {
    FixedClock clock;
    SetClock(&clock);
    const std::string russianFront =
        "\xcd\xe5\xf2 \xed\xe0 \xec\xe5\xf1\xf2\xe5 14:05-14:28, 23 \xec\xe8\xed. \xcd\xe0\xe6\xec\xe8\xf2\xe5, \xf7\xf2"
        "\xee\xe1\xfb \xe7\xe0\xf1\xf7\xe8\xf2\xe0\xf2\xfc \xfd\xf2\xee \xe2\xf0\xe5\xec\xff \xea\xe0\xea \xf0\xe0\xe1"
        "\xee\xf2\xf3 ";
    const struct {
        const char* language;
        std::int64_t start, end;
        const char* doc;
        std::string text;
    } rows[] = {
        // 23 min 20 s rounds down; 22 min 30 s up; a stretch across midnight keeps both clock times.
        {"English", At(14, 5, 0), At(14, 28, 20), "notes.txt",
         "Away 14:05-14:28, 23 min. Click to count it as work on notes.txt in Notepad."},
        {"English", At(23, 50, 10), At(23, 50, 10) + 1350, "",
         "Away 23:50-00:12, 23 min. Click to count it as work in Notepad."},
        // A name that looks like a placeholder is the name.
        {"English", At(9, 0, 0), At(9, 10, 0), "{end}.txt",
         "Away 09:00-09:10, 10 min. Click to count it as work on {end}.txt in Notepad."},
        {"Russian", At(14, 5, 0), At(14, 28, 20), "notes.txt",
         russianFront + "\xed\xe0\xe4 notes.txt \xe2 Notepad."},
        {"Russian", At(14, 5, 0), At(14, 28, 20), "", russianFront + "\xe2 Notepad."},
    };
    for (const auto& row : rows) {
        if (std::string(row.language) == "Russian" && GetACP() != 1251) continue;  // Cyrillic needs 1251
        UseLanguage(row.language, ReadSource(std::string("delivered/Lang.") + row.language + ".xml"));
        AwayOffer offer;
        offer.startUtc = row.start;
        offer.endUtc = row.end;
        offer.app = "Notepad";
        offer.doc = row.doc;
        EXPECT_EQ(AwayOfferText(offer), row.text) << row.language << " " << row.doc;
    }
    UseLanguage("English", "<Language/>");
    AwayOffer offer;
    offer.doc = "notes.txt";
    EXPECT_EQ(AwayOfferText(offer), "Tray/AwayOffer");
    SetClock(nullptr);
}

// The window in front throughout, the user's input as the test sets it.
class NotepadInFront final : public WindowTitleSource {
public:
    int TitleLength(WindowHandle) override { return static_cast<int>(sizeof kTitle) - 1; }
    int ReadTitle(WindowHandle, char* buffer, int capacity) override {
        const int copied = std::min(static_cast<int>(sizeof kTitle) - 1, capacity - 1);
        std::memcpy(buffer, kTitle, static_cast<std::size_t>(copied));
        buffer[copied] = '\0';
        return copied;
    }
    static constexpr char kTitle[] = "notes.txt - Notepad";
};

class SettableInput final : public LastInputSource {
public:
    bool LastInputTick(std::uint32_t& tick) override {
        tick = last;
        return true;
    }
    std::uint32_t last = 0;
};

int LoggedSeconds(const std::string& path) {
    XmlNode node = TimeLog ? TimeLog->AsNode().SelectSingleNode(path) : XmlNode();
    std::int32_t seconds = 0;
    return node && node.AttributeToInt32("time", seconds) ? seconds : 0;
}

// The answers the shell may give the offer's balloon, and where the five away minutes go.
TEST_F(TrayTest, TheAwayBalloonsAnswerCreditsTheAbsenceToTheWindowOrLeavesItIdle) {
    constexpr UINT Show = NIN_BALLOONSHOW, Click = NIN_BALLOONUSERCLICK, Timeout = NIN_BALLOONTIMEOUT,
                   Hide = NIN_BALLOONHIDE;
    const struct {
        const char* name;
        bool saveFailsFirst;
        std::vector<UINT> answers;
        bool asWork;
    } rows[] = {
        {"clicked", false, {Show, Click}, true},
        {"timed out", false, {Show, Timeout}, false},
        {"hidden with the icon", false, {Show, Hide}, false},
        // What comes before the balloon shows is about the balloon it replaced.
        {"an earlier balloon's close", false, {Timeout, Hide, Show, Click}, true},
        {"an earlier balloon's click", false, {Click, Show, Timeout}, false},
        {"a click on a failed save's balloon", true, {Show, Click}, false},
    };
    ProgramList = {"Notepad"};
    SetInactiveName("Idle");
    SetAwayMinutes(1);
    NotepadInFront titles;
    SettableInput input;
    FixedClock clock;
    SetTitleSource(&titles);
    SetLastInputSource(&input);
    SetClock(&clock);
    HWND main = CreateMainDialog();
    ASSERT_TRUE(main);
    for (const auto& row : rows) {
        DeleteFileA((folder_ + "user1-Time.xml").c_str());
        ASSERT_TRUE(OpenTimeLog());
        ResetSampler();
        // Input for a minute, then none for five; ticks every ten seconds, the clock alongside.
        const std::int64_t start = clock.utc;
        for (std::uint32_t second = 0; second <= 370; second += 10) {
            if (second <= 60 || second == 360) input.last = 1000 + second * 1000;
            clock.utc = start + second;
            SampleWindow(1, 1000 + second * 1000);
        }
        if (row.saveFailsFirst) dialog_->ReportSave(SavedFile::ProgramList, {SaveFailure::DiskFull});
        for (UINT answer : row.answers) PostMessageA(main, WM_TRAYNOTIFY, TrayIconId, answer);
        Pump(100);
        const int notes = LoggedSeconds("//App[@name='Notepad']/Doc[@name='notes.txt']");
        const int idle = LoggedSeconds("//App[@name='Idle']");
        EXPECT_EQ(notes, row.asWork ? 360 : 60) << row.name;
        EXPECT_EQ(idle, row.asWork ? 0 : 300) << row.name;
        if (row.saveFailsFirst) dialog_->ReportSave(SavedFile::ProgramList, {});
        CloseTracker();
    }
    RemoveTrayIcon(main);
    SetTitleSource(nullptr);
    SetLastInputSource(nullptr);
    SetClock(nullptr);
    SetAwayMinutes(0);
    ResetSampler();
}

HWND FindControl(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id && GetWindow(child, GW_CHILD) == nullptr) return child;
        if (HWND found = FindControl(child, id)) return found;
    }
    return nullptr;
}

std::vector<std::string> ListBoxLines(HWND list) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        char line[512] = {};
        SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line));
        lines.push_back(line);
    }
    return lines;
}

std::string PatternFile(const std::vector<std::string>& patterns) {
    std::string text = "<List>";
    for (const std::string& pattern : patterns) text += "<Pattern>" + pattern + "</Pattern>";
    return text + "</List>";
}

// Three starts of a user with a list of their own: the offer declined, not made again, and
// made for a pattern shipped later, whose click adds it where the shared order puts it.
TEST_F(TrayTest, ShippedPatternsAreOfferedOnceAndAClickAddsThemToTheUsersListAndPage) {
    const auto forget = [] {
        if (std::unique_ptr<RegistryKey> key = OpenSettingsSection("Options")) key->DeleteValue(OfferedPatternsName);
    };
    forget();
    const struct {
        const char* name;
        std::vector<std::string> shared;
        std::vector<UINT> answers;
        std::vector<std::string> own;
    } starts[] = {
        {"declined", {"N1", "A", "N2"}, {NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT}, {"A", "x"}},
        {"not offered again", {"N1", "A", "N2"}, {NIN_BALLOONSHOW, NIN_BALLOONUSERCLICK}, {"A", "x"}},
        {"a new one added", {"N1", "N3", "A", "N2"}, {NIN_BALLOONSHOW, NIN_BALLOONUSERCLICK}, {"N3", "A", "x"}},
    };
    WriteWholeFile(folder_ + "user1-Programs.xml", PatternFile({"A", "x"}));
    for (const auto& start : starts) {
        WriteWholeFile(folder_ + "Programs.xml", PatternFile(start.shared));
        ProgramList.clear();
        ASSERT_TRUE(OpenTimeLog());
        HWND main = CreateMainDialog();
        ASSERT_TRUE(main);
        for (UINT answer : start.answers) PostMessageA(main, WM_TRAYNOTIFY, TrayIconId, answer);
        Pump(100);
        EXPECT_EQ(ProgramList, start.own) << start.name;
        EXPECT_EQ(ListBoxLines(FindControl(main, IDC_PAGE_APPLICATIONS_LIST)), start.own) << start.name;
        RemoveTrayIcon(main);
        dialog_.reset();
        CloseTracker();
    }
    ProgramList.clear();
    LoadProgramList();
    EXPECT_EQ(ProgramList, starts[2].own) << "saved";
    forget();
}

}  // namespace
