#include "app/lifecycle.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <vector>

#include "app/instance_guard.h"
#include "app/main_dialog.h"
#include "base/narrow_text.h"
#include "base/program_paths.h"
#include "base/scoped_handles_win.h"
#include "localization/language.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tracking/private_list.h"
#include "tracking/calendar.h"
#include "tracking/sampler.h"
#include "tracking/shared_copies.h"
#include "tracking/take_back.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"
#include "tracking/tracker.h"
#include "winui/app_module.h"


namespace {

// How long the exit waits for the shared folder's copies.
constexpr unsigned kExitCopyWaitMs = 5000;

// What a second start does: the first instance shows its options dialog (unless this start
// is a hidden one), and this one ends. An instance without a window here runs in another
// session: the user is told, as a start that ends unseen looks like a broken program.
void HandOverToRunningInstance(const InstanceGuard& guard, bool trayStart) {
    HWND running = guard.RunningInstanceWindow();
    if (!running) {
        LoadLanguage();
        std::string text = Translate("Common/OtherSession");
        if (text.empty()) text = "Common/OtherSession";
        FreeLanguage();
        MessageBoxA(nullptr, text.c_str(), "Ostrak", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        return;
    }
    if (trayStart) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    AllowSetForegroundWindow(processId);
    PostMessageA(running, WM_COMMAND, MAKEWPARAM(ID_MENU_OPTIONS, 0), 0);
}

// The logged-on user's name, cut to a name's limit; empty when it cannot be read. In UTF-8 a
// name takes up to four bytes a character, so a buffer that is too small is grown once.
std::string LoggedOnUserName() {
    std::vector<char> name(kTextBufferSize);
    DWORD size = static_cast<DWORD>(name.size());
    if (!GetUserNameA(name.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= name.size()) return std::string();
        name.resize(size);
        if (!GetUserNameA(name.data(), &size)) return std::string();
    }
    return std::string(CutText(name.data(), kNameLimit));
}

}  // namespace

std::string LongFolderPath(const std::string& folder) {
    const DWORD size = GetLongPathNameA(folder.c_str(), nullptr, 0);
    if (size == 0) return folder;
    std::string longPath(size, '\0');
    const DWORD length = GetLongPathNameA(folder.c_str(), &longPath[0], size);
    if (length == 0 || length >= size) return folder;
    longPath.resize(length);
    return longPath;
}

std::string FolderOf(const std::string& path) {
    // Multibyte-aware: a trail byte of a double-byte character may look like a backslash.
    const char* lastBackslash = nullptr;
    for (const char* p = path.c_str(); *p; p = CharNextA(p))
        if (*p == '\\') lastBackslash = p;
    return lastBackslash ? path.substr(0, lastBackslash - path.c_str() + 1) : std::string();
}

bool IsTrayStart(const char* commandLine) {
    std::string lower = commandLine ? commandLine : "";
    if (!lower.empty()) CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
    return lower.find("tray") != std::string::npos;
}

int RunMainDialog(const char* commandLine, int showCommand) {
    (void)commandLine;
    CMessageLoop loop;
    AppModule.AddMessageLoop(&loop);
    int exitCode = 0;
    {
        CDlgMain dialog(InstanceGuard::NameFor(UserTimeLogPath()));
        if (dialog.Create(nullptr)) {
            ShowWindow(dialog.hwnd(), showCommand);
            exitCode = loop.Run();
        }
    }
    AppModule.RemoveMessageLoop();
    return exitCode;
}

int RunProgram(HINSTANCE instance, const char* commandLine, int showCommand) {
    const std::string modulePath = ExecutablePath();
    ProgramDir = LongFolderPath(FolderOf(modulePath));

    const bool trayStart = IsTrayStart(commandLine);
    if (trayStart) showCommand = SW_HIDE;

    UserName = LoggedOnUserName();
    ComputerName = ReadComputerName();
    LocalDataDir = ReadLocalDataDir();

    InstanceGuard guard;
    if (!guard.Acquire(UserTimeLogPath())) {
        HandOverToRunningInstance(guard, trayStart);
        return 0;
    }

    int exitCode = 0;
    {
        // ShellExecute may hand the report or help to a shell extension, which COM activates.
        ScopedComApartment com;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        AppModule.Init(instance);

        LoadLanguage();
        SetInactiveName(Translate("Common/Inactive"));
        SetPrivateName(Translate("Common/Private"));
        SetAwayMinutes(ReadIdleMinutes());
        SetRecordDocuments(ReadRecordDocuments());
        // Before the timer starts: no title is split before the private patterns are known.
        LoadPrivateList();
        SetTimelineOn(ReadTimelineOn());
        SetMediaIsPresence(ReadMediaIsPresence());
        OpenTracker();
        // A Forget that the last run did not live to finish.
        FinishTakingBack();
        SetSharedFolder(ReadSharedFolder());
        // A pause from an earlier run holds until its end, from before the first tick.
        if (const std::optional<std::int64_t> pausedUntil = ReadPausedUntil(UtcNow()))
            PauseRecording(*pausedUntil, GetTickCount());
        exitCode = RunMainDialog(commandLine, showCommand);

        // The window in front keeps its time up to the exit, as at the end of the session.
        CreditPendingStretch(GetTickCount());
        SaveTrackerForExit();
        CloseTracker();
        // The copies of the last save, but never for long: a share may hang.
        FinishSharedCopies(kExitCopyWaitMs);
        FreeLanguage();
        // The new instance must find the guard free and the log complete.
        guard.Release();
        AppModule.Term();
    }
    if (RestartAfterExit) ShellExecuteA(nullptr, "open", modulePath.c_str(), "", "", SW_HIDE);
    return exitCode;
}
