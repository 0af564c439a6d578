// For screenshots of the tray: the real main window, with the language files of the program
// folder and the language the registry names, shows in turn each thing that keeps Ostrak from
// recording or saving: its icon with its balloon, then its icon with its tip, the mouse on the
// icon. The tracker's own state cannot show them all on demand (a log that can be neither read
// nor set aside, another writer), so this program hands the window each cause as the tracker
// would report it. Prints "shot tray-<cause>" and "shot tray-<cause>-tip" when a view is on
// screen and holds it; tools/screenshots.sh photographs each one. First comes a pause of
// recording, "shot tray-paused" and "shot tray-paused-tip".
// Usage: ostrak_tray_causes PROGRAM_FOLDER HOLD_MS
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/program_paths.h"
#include "localization/language.h"
#include "resources/resource.h"
#include "tests/e2e/driver.h"
#include "tracking/tracker.h"
#include "winui/app_module.h"

namespace {

DWORD Hold = 3000;

void Shot(const std::string& name) {
    std::printf("shot %s\n", name.c_str());
    std::fflush(stdout);
    Pump(Hold);
}

// Takes the balloon away, so that the tip shows alone.
void HideBalloon(HWND owner) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = owner;
    record.uID = TrayIconId;
    record.uFlags = NIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

// The icon sits at the right end of the taskbar: a small move onto it brings up the tip.
void PointAtIcon() {
    const int right = GetSystemMetrics(SM_CXSCREEN), bottom = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(right - 200, bottom - 200);
    Pump(300);
    SetCursorPos(right - 11, bottom - 10);
    Pump(200);
    SetCursorPos(right - 10, bottom - 10);
}

constexpr const char* kCauseNames[] = {"not-recording", "other-writer", "log-held",       "log-not-saved",
                                       "side-file",     "timeline",     "private-list",   "shared-copy-kept",
                                       "shared-copy-not-written"};
static_assert(sizeof kCauseNames / sizeof kCauseNames[0] == static_cast<int>(TrackerTrouble::Count));

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ostrak_tray_causes PROGRAM_FOLDER HOLD_MS\n");
        return 2;
    }
    ProgramDir = argv[1];
    if (ProgramDir.back() != '\\') ProgramDir += '\\';
    Hold = static_cast<DWORD>(std::atoi(argv[2]));
    UserName = "user";
    AppModule.Init(GetModuleHandleA(nullptr));
    LoadLanguage();

    CDlgMain dialog("Ostrak.TrayCauses");
    if (!dialog.Create(nullptr)) return 1;
    HWND main = dialog.hwnd();
    Pump(1500);
    // A pause of an hour first, so that a run at another DPI may photograph it alone.
    dialog.ShowTroubles(TrackerTroubles());
    HideBalloon(main);
    SendMessageA(main, WM_COMMAND, ID_MENU_PAUSE_1_HOUR, 0);
    Pump(500);
    Shot("tray-paused");
    PointAtIcon();
    Shot("tray-paused-tip");
    SendMessageA(main, WM_COMMAND, ID_MENU_RESUME, 0);
    for (int cause = 0; cause < static_cast<int>(TrackerTrouble::Count); ++cause) {
        // Nothing first, so that the cause begins and has its balloon.
        dialog.ShowTroubles(TrackerTroubles());
        HideBalloon(main);
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
        Pump(500);
        TrackerTroubles troubles;
        troubles.holds[cause] = true;
        troubles.logFailure = SaveFailure::NoWriteAccess;
        troubles.timelineFailure = SaveFailure::DiskFull;
        troubles.sideFileFolder = "C:\\Users\\user\\AppData\\Local\\Ostrak\\";
        troubles.sharedFolder = "C:\\Users\\user\\OneDrive\\Ostrak\\";
        troubles.sharedCopyFailure = SaveFailure::DiskFull;
        dialog.ShowTroubles(troubles);
        Pump(2500);  // the shell takes its time to show a balloon
        Shot(std::string("tray-") + kCauseNames[cause]);
        HideBalloon(main);
        PointAtIcon();
        Shot(std::string("tray-") + kCauseNames[cause] + "-tip");
    }
    // The offer of shipped patterns that a user's own list lacks.
    dialog.ShowTroubles(TrackerTroubles());
    HideBalloon(main);
    Pump(500);
    ShowTrayBalloon(main, PatternsOfferText(12), BalloonIcon::Information);
    Pump(2500);
    Shot("tray-patterns-offer");
    RemoveTrayIcon(main);
    dialog.DestroyWindow();
    FreeLanguage();
    AppModule.Term();
    return 0;
}
