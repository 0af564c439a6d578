// For screenshots of the Projects page and its editors: starts Ostrak from a program folder
// with its options dialog shown, selects the Projects page, then opens the project editor and
// the filter editor, each for adding and for editing, and holds each view on screen. Prints
// "shot NAME" when a view is ready. Built by tools/screenshot-projects.sh.
// Usage: show_projects PROGRAM_FOLDER HOLD_MS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/resource.h"

namespace {

DWORD TrackerProcess = 0;

// Lets the time pass with this process's own queue served.
void Hold(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(20);
    }
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    while (!condition()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        Sleep(50);
    }
    return true;
}

HWND FindMainWindow() {
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == TrackerProcess && GetPropA(window, "Ostrak.MainWindow")) return window;
    }
    return nullptr;
}

// The tracker's visible dialog owned by its main window: the open editor.
HWND FindEditor(HWND main) {
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        if (owner == TrackerProcess && std::string(className) == "#32770" && GetWindow(window, GW_OWNER) == main &&
            IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// The page that holds the projects list and the filters list.
HWND FindProjectsPage(HWND main) {
    HWND container = GetDlgItem(main, IDC_MAIN_PAGES);
    for (HWND page = GetWindow(container, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
        if (GetDlgItem(page, IDC_PAGE_PROJECTS_FILTERS) && GetDlgItem(page, IDC_PAGE_PROJECTS_ADD_PROJECT)) return page;
    }
    return nullptr;
}

void Shot(const char* name, DWORD hold) {
    std::printf("shot %s\n", name);
    std::fflush(stdout);
    Hold(hold);
}

void Command(HWND page, int id, int code) {
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// Selects an item of one of the page's lists as a click would.
void Select(HWND page, int list, int index) {
    SendMessageA(GetDlgItem(page, list), LB_SETCURSEL, index, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, list)));
}

// Opens an editor by the page command, lets `prepare` fill it in, shows it, and cancels it.
template <class Prepare>
bool ShowEditor(HWND main, HWND page, int id, int code, const char* name, DWORD hold, Prepare prepare) {
    Command(page, id, code);
    HWND editor = nullptr;
    if (!WaitUntil([&] { return (editor = FindEditor(main)) != nullptr; }, 10000)) {
        std::fprintf(stderr, "no editor for %s\n", name);
        return false;
    }
    prepare(editor);
    Shot(name, hold);
    PostMessageA(editor, WM_COMMAND, IDCANCEL, 0);
    if (WaitUntil([&] { return FindEditor(main) == nullptr; }, 10000)) return true;
    std::fprintf(stderr, "the editor for %s stayed open\n", name);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: show_projects PROGRAM_FOLDER HOLD_MS\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    const DWORD hold = static_cast<DWORD>(std::atoi(argv[2]));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + folder + "Ostrak.exe\"";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return 1;
    TrackerProcess = process.dwProcessId;
    HWND main = nullptr;
    if (!WaitUntil([&] { return (main = FindMainWindow()) != nullptr; }, 15000)) return 1;
    HWND page = FindProjectsPage(main);
    if (!page) return 1;

    HWND selector = GetDlgItem(main, IDC_MAIN_SELECTOR);
    SendMessageA(selector, LB_SETCURSEL, 2, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_SELECTOR, LBN_SELCHANGE), reinterpret_cast<LPARAM>(selector));
    // The second filter is selected, as after a click on it.
    Select(page, IDC_PAGE_PROJECTS_FILTERS, 1);
    Shot("page", hold);

    bool shown = ShowEditor(main, page, IDC_PAGE_PROJECTS_ADD_PROJECT, BN_CLICKED, "project-add", hold, [](HWND editor) {
        SetDlgItemTextA(editor, IDC_POPUP_PROJECT_NAME, "");
    });
    // The project with the longest name, the last in the file.
    const int projects = static_cast<int>(SendMessageA(GetDlgItem(page, IDC_PAGE_PROJECTS_PROJECTS), LB_GETCOUNT, 0, 0));
    Select(page, IDC_PAGE_PROJECTS_PROJECTS, projects - 1);
    shown = shown && ShowEditor(main, page, IDC_PAGE_PROJECTS_PROJECTS, LBN_DBLCLK, "project-edit", hold, [](HWND) {});
    shown = shown && ShowEditor(main, page, IDC_PAGE_PROJECTS_ADD_FILTER, BN_CLICKED, "filter-add", hold, [](HWND) {});
    // The project choice open, with its longest names.
    shown = shown && ShowEditor(main, page, IDC_PAGE_PROJECTS_ADD_FILTER, BN_CLICKED, "filter-add-projects", hold,
                                [](HWND editor) {
                                    SendMessageA(GetDlgItem(editor, IDC_POPUP_FILTER_PROJECT), CB_SHOWDROPDOWN, TRUE, 0);
                                });
    // The selected filter, the second, is one of the second kind.
    shown = shown && ShowEditor(main, page, IDC_PAGE_PROJECTS_FILTERS, LBN_DBLCLK, "filter-edit", hold, [](HWND) {});

    PostMessageA(main, WM_COMMAND, ID_MENU_EXIT, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown ? 0 : 1;
}
