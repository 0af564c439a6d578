#include "app/lifecycle.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>

#include "app/instance_guard.h"
#include "app/main_dialog.h"
#include "app/tray.h"
#include "localization/language.h"
#include "resources/resource.h"
#include "tracking/program_paths.h"
#include "tracking/time_log.h"
#include "winui/app_module.h"

bool RestartAfterExit = false;

namespace {

// What a second start does: the first instance shows its options dialog (unless this start
// is a hidden one), and this one ends.
void HandOverToRunningInstance(const InstanceGuard& guard, bool trayStart) {
    if (trayStart) return;
    HWND running = guard.RunningInstanceWindow();
    if (!running) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    AllowSetForegroundWindow(processId);
    PostMessageA(running, WM_COMMAND, MAKEWPARAM(ID_MENU_OPTIONS, 0), 0);
}

}  // namespace

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
        CDlgMain dialog(InstanceGuard::NameFor(ProgramDir + UserName + "-Time.xml"));
        if (dialog.Create(nullptr)) {
            ShowWindow(dialog.hwnd(), showCommand);
            exitCode = loop.Run();
        }
    }
    AppModule.RemoveMessageLoop();
    return exitCode;
}

void ExitProgram() {
    if (MainDialog && MainDialog->hwnd()) {
        RemoveTrayIcon(MainDialog->hwnd());
        MainDialog->DestroyWindow();
    }
    PostQuitMessage(1);
}

int RunProgram(HINSTANCE instance, const char* commandLine, int showCommand) {
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    ProgramDir = FolderOf(modulePath);

    const bool trayStart = IsTrayStart(commandLine);
    if (trayStart) showCommand = SW_HIDE;

    char userName[255] = {};
    DWORD userNameSize = sizeof userName;
    if (GetUserNameA(userName, &userNameSize)) UserName = userName;

    InstanceGuard guard;
    if (!guard.Acquire(ProgramDir + UserName + "-Time.xml")) {
        HandOverToRunningInstance(guard, trayStart);
        return 0;
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    AppModule.Init(instance);

    LoadLanguage();
    OpenTimeLog();
    const int exitCode = RunMainDialog(commandLine, showCommand);

    if (TimeLog) SaveTimeLog();
    CloseTimeLog();
    FreeLanguage();
    // The new instance must find the guard free and the log complete.
    guard.Release();
    AppModule.Term();
    CoUninitialize();
    if (RestartAfterExit) ShellExecuteA(nullptr, "open", modulePath, "", "", SW_HIDE);
    return exitCode;
}
