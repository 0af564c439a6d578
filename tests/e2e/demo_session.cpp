// A short scripted session for a machine without a display: titled windows of programs the
// delivered patterns know take turns in front, the tracker is ended with its Exit command, and
// the time log it saved is printed with its path. `make run` uses it, and so does the
// installer test on the installed copy, with --quick.
// Usage: ostrak_demo_session PROGRAM_FOLDER [--quick]
// Exit code: 0 when the program ended with its own code 1 and left a log, 1 otherwise.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

namespace {

const WPARAM kExitCommand = 100;

HWND FindMainWindow(DWORD processId) {
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && GetPropA(window, "Ostrak.MainWindow")) return window;
    }
    return nullptr;
}

struct Turn {
    const char* title;
    DWORD milliseconds;
};

// Prints a file the program wrote, under a heading; false when there is none.
bool PrintFile(const char* heading, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::printf("\n%s %s:\n", heading, path.c_str());
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) std::fwrite(buffer, 1, read, stdout);
    std::fclose(file);
    std::printf("\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ostrak_demo_session PROGRAM_FOLDER [--quick]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    const bool quick = argc > 2 && std::strcmp(argv[2], "--quick") == 0;

    const std::vector<Turn> turns = quick ? std::vector<Turn>{{"notes.txt - Notepad", 2000}, {"Calculator", 1200}}
                                          : std::vector<Turn>{{"Inbox - Mozilla Thunderbird", 4000},
                                                              {"notes.txt - Notepad", 3000},
                                                              {"Ostrak home page - Google Chrome", 5000},
                                                              {"notes.txt - Notepad", 2000},
                                                              {"Calculator", 1200}};
    TitledWindows windows;
    std::vector<HWND> inFront;
    for (const Turn& turn : turns) inFront.push_back(windows.Open(turn.title));
    windows.BringToFront(inFront.back());

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + folder + "Ostrak.exe\" -tray";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s\n", commandLine.c_str());
        return 1;
    }
    HWND main = nullptr;
    if (!WaitUntil([&] { return (main = FindMainWindow(process.dwProcessId)) != nullptr; }, 15000)) {
        std::fprintf(stderr, "Ostrak showed no main window\n");
        TerminateProcess(process.hProcess, 99);
        return 1;
    }
    Pump(1500);
    std::printf("Ostrak is tracking; switching windows...\n");
    for (std::size_t i = 0; i < turns.size(); ++i) {
        std::printf("  in front: %s\n", turns[i].title);
        std::fflush(stdout);
        windows.BringToFront(inFront[i]);
        // The last turn lasts past the next tick, which credits the stretch before it.
        Pump(turns[i].milliseconds);
    }

    PostMessageA(main, WM_COMMAND, kExitCommand, 0);
    WaitUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 15000);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    std::printf("Ostrak ended with exit code %lu\n", static_cast<unsigned long>(exitCode));

    const std::string log = folder + CurrentUserName() + "-Time.xml";
    if (!PrintFile("Time log", log)) {
        std::printf("no time log at %s\n", log.c_str());
        return 1;
    }
    SYSTEMTIME today;
    GetLocalTime(&today);
    char month[16];
    std::snprintf(month, sizeof month, "%04u-%02u", today.wYear, today.wMonth);
    PrintFile("Timeline", folder + CurrentUserName() + "-Timeline-" + month + ".tsv");
    return exitCode == 1 ? 0 : 1;
}
