// For screenshots: starts Ostrak from a program folder with its options dialog shown, selects
// each page in turn and holds it on screen for a while, then closes the dialog and opens the
// tray menu as a right click on the icon would, and ends the program.
// Usage: ostrak_show_options PROGRAM_FOLDER HOLD_MS
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/driver.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ostrak_show_options PROGRAM_FOLDER HOLD_MS\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const DWORD hold = static_cast<DWORD>(std::atoi(argv[2]));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + folder + "Ostrak.exe\"";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process))
        return 1;
    HWND main = nullptr;
    WaitUntil([&] {
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process.dwProcessId && GetPropA(window, "Ostrak.MainWindow")) main = window;
        }
        return main != nullptr;
    }, 15000);
    if (!main) return 1;
    HWND selector = GetDlgItem(main, 102);
    for (int page = 0; page < 3; ++page) {
        SendMessageA(selector, LB_SETCURSEL, page, 0);
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(102, LBN_SELCHANGE), reinterpret_cast<LPARAM>(selector));
        std::printf("page %d\n", page);
        std::fflush(stdout);
        Pump(hold);
    }
    SendMessageA(main, WM_COMMAND, IDCANCEL, 0);
    // The menu opens at the mouse, which a right click on the icon would leave near the corner.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 40, GetSystemMetrics(SM_CYSCREEN) - 30);
    PostMessageA(main, WM_USER + 1, 0, WM_RBUTTONUP);
    std::printf("tray\n");
    std::fflush(stdout);
    Pump(hold);
    PostMessageA(main, WM_COMMAND, 100, 0);
    WaitForSingleObject(process.hProcess, 10000);
    return 0;
}
