// A short scripted session for a machine without a display: a few titled windows take turns
// in front for about fifteen seconds, the tracker is ended with its Exit command, and the
// time log it saved is printed with its path.
#include <cstdio>
#include <string>

#include "tests/e2e/driver.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ostrak_demo_session PROGRAM_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    const std::string exe = folder + "Ostrak.exe";

    TitledWindows windows;
    HWND windowsInOrder[] = {windows.Open("Inbox - Mail"), windows.Open("notes.txt - Editor"),
                             windows.Open("Ostrak home page - Browser"), windows.Open("notes.txt - Editor")};
    windows.BringToFront(windowsInOrder[0]);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + exe + "\" -tray";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        return 1;
    }
    Pump(2000);
    std::printf("Ostrak is tracking; switching windows for about fifteen seconds...\n");
    const DWORD stays[] = {4000, 3000, 5000, 2000};
    for (int i = 0; i < 4; ++i) {
        char title[256] = {};
        GetWindowTextA(windowsInOrder[i], title, sizeof title);
        std::printf("  in front: %s\n", title);
        std::fflush(stdout);
        windows.BringToFront(windowsInOrder[i]);
        Pump(stays[i]);
    }
    windows.BringToFront(windowsInOrder[0]);
    Pump(1200);

    // The Exit command of the tray menu, sent to the tracker's main window.
    HWND main = nullptr;
    for (HWND candidate = GetTopWindow(nullptr); candidate; candidate = GetWindow(candidate, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(candidate, &owner);
        if (owner == process.dwProcessId && GetPropA(candidate, "Ostrak.MainWindow")) main = candidate;
    }
    if (main) PostMessageA(main, WM_COMMAND, 100, 0);
    WaitForSingleObject(process.hProcess, 15000);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    std::printf("Ostrak ended with exit code %lu\n", static_cast<unsigned long>(exitCode));

    const std::string log = folder + CurrentUserName() + "-Time.xml";
    std::printf("\nTime log %s:\n", log.c_str());
    std::FILE* file = std::fopen(log.c_str(), "rb");
    if (!file) {
        std::printf("(no time log was written)\n");
        return 1;
    }
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) std::fwrite(buffer, 1, read, stdout);
    std::fclose(file);
    std::printf("\n");
    return exitCode == 1 ? 0 : 1;
}
