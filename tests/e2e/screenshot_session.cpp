// For screenshots: starts Ostrak from a program folder with its options dialog shown and walks
// through what a user sees: each page of the options dialog, the program editor (adding,
// editing, and its window picker open), the project and filter editors, the private pattern
// editor, the page selector with the keyboard's focus, the tray menu, and the tray icon's balloon
// and tip after a failed save (the session makes the time log read-only), the tray menu's Pause
// submenu, and the menu and the icon's tip while paused. With "pages", only the options dialog's
// pages, for another screen scale.
// Prints "shot NAME" when a view is ready (with the options window's place for its pages) and
// holds it on screen; tools/screenshots.sh photographs each one.
// Usage: ostrak_screenshot_session PROGRAM_FOLDER HOLD_MS [pages]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/tray.h"
#include "resources/resource.h"
#include "tests/e2e/driver.h"

namespace {

DWORD TrackerProcess = 0;
DWORD Hold = 3000;

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

// The page of the options dialog that has a control with this identifier.
HWND FindPage(HWND main, int controlId) {
    HWND container = GetDlgItem(main, IDC_MAIN_PAGES);
    for (HWND page = GetWindow(container, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
        if (GetDlgItem(page, controlId)) return page;
    }
    return nullptr;
}

// With a window, the line also gives the window's place on the screen, as WIDTHxHEIGHT+X+Y.
void Shot(const char* name, HWND window = nullptr) {
    RECT place{};
    if (window && GetWindowRect(window, &place))
        std::printf("shot %s at %ldx%ld+%ld+%ld\n", name, place.right - place.left, place.bottom - place.top,
                    place.left, place.top);
    else
        std::printf("shot %s\n", name);
    std::fflush(stdout);
    Pump(Hold);
}

void Command(HWND window, int id, int code) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void ShowPage(HWND main, int index) {
    HWND selector = GetDlgItem(main, IDC_MAIN_SELECTOR);
    SendMessageA(selector, LB_SETCURSEL, index, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_SELECTOR, LBN_SELCHANGE), reinterpret_cast<LPARAM>(selector));
}

// Selects an item of one of a page's single-selection lists as a click would.
void Select(HWND page, int list, int index) {
    SendMessageA(GetDlgItem(page, list), LB_SETCURSEL, index, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, list)));
}

// A real click, as the window picker's menu opens at the mouse.
void ClickAt(int x, int y) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT click[3] = {};
    for (INPUT& input : click) {
        input.type = INPUT_MOUSE;
        input.mi.dx = x * 65535 / (width - 1);
        input.mi.dy = y * 65535 / (height - 1);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    click[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    click[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(1, &click[0], sizeof(INPUT));
    Pump(300);
    SendInput(2, &click[1], sizeof(INPUT));
}

// Opens an editor by a page command, lets `prepare` fill it in and photograph it, and cancels it.
template <class Prepare>
bool ShowEditor(HWND main, HWND page, int id, int code, const char* name, Prepare prepare) {
    Command(page, id, code);
    HWND editor = nullptr;
    if (!WaitUntil([&] { return (editor = FindEditor(main)) != nullptr; }, 10000)) {
        std::fprintf(stderr, "no editor for %s\n", name);
        return false;
    }
    prepare(editor);
    Shot(name);
    // A menu open over the editor is closed first, as a click elsewhere would.
    SendMessageA(editor, WM_CANCELMODE, 0, 0);
    PostMessageA(editor, WM_COMMAND, IDCANCEL, 0);
    if (WaitUntil([&] { return FindEditor(main) == nullptr; }, 10000)) return true;
    std::fprintf(stderr, "the editor for %s stayed open\n", name);
    return false;
}

void Nothing(HWND) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ostrak_screenshot_session PROGRAM_FOLDER HOLD_MS [pages]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    Hold = static_cast<DWORD>(std::atoi(argv[2]));
    const bool pagesOnly = argc > 3 && std::string(argv[3]) == "pages";

    // Windows of other programs, for the window picker to offer.
    TitledWindows windows;
    for (const char* title : {"Quarterly report.docx - Microsoft Word", "Inbox - Mozilla Thunderbird",
                              "main.cpp - ostrak - Visual Studio Code"})
        windows.Open(title);

    // A time log Ostrak may read but not write: the first save fails.
    const std::string log = folder + CurrentUserName() + "-Time.xml";
    HANDLE logFile = CreateFileA(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (logFile == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(logFile, "<Ostrak/>", 9, &written, nullptr);
    CloseHandle(logFile);
    // Set afterwards: Wine ignores the attribute when it creates the file.
    if (!SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY)) return 1;

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
    SetForegroundWindow(main);
    HWND programs = FindPage(main, IDC_PAGE_APPLICATIONS_LIST);
    HWND projects = FindPage(main, IDC_PAGE_PROJECTS_FILTERS);
    HWND privacy = FindPage(main, IDC_PAGE_PRIVACY_RECORD_DOCUMENTS);
    if (!programs || !projects || !privacy) return 1;
    const char* const pageViews[] = {"options-general", "options-applications", "options-projects", "options-privacy"};

    if (pagesOnly) {
        for (int page = 0; page < 4; ++page) {
            ShowPage(main, page);
            Shot(pageViews[page], main);
        }
        PostMessageA(main, WM_COMMAND, ID_MENU_EXIT, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return 0;
    }

    ShowPage(main, 0);
    Shot("general");

    ShowPage(main, 1);
    Shot("applications");
    bool shown = ShowEditor(main, programs, IDC_PAGE_APPLICATIONS_ADD, BN_CLICKED, "program-add", [](HWND editor) {
        SetDlgItemTextA(editor, IDC_POPUP_PROGRAM_PATTERN, "Total Commander");
    });
    HWND list = GetDlgItem(programs, IDC_PAGE_APPLICATIONS_LIST);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    shown = shown && ShowEditor(main, programs, IDC_PAGE_APPLICATIONS_LIST, LBN_DBLCLK, "program-edit", Nothing);
    shown = shown && ShowEditor(main, programs, IDC_PAGE_APPLICATIONS_LIST, LBN_DBLCLK, "program-picker", [](HWND editor) {
        RECT link;
        GetWindowRect(GetDlgItem(editor, IDC_POPUP_PROGRAM_PICK_WINDOW), &link);
        ClickAt(link.left + 20, link.top + 6);
    });

    ShowPage(main, 2);
    // The second filter selected, as after a click on it.
    Select(projects, IDC_PAGE_PROJECTS_FILTERS, 1);
    Shot("projects");
    shown = shown && ShowEditor(main, projects, IDC_PAGE_PROJECTS_ADD_PROJECT, BN_CLICKED, "project-add", Nothing);
    // The project with the longest name, the last in the file.
    const int count = static_cast<int>(SendMessageA(GetDlgItem(projects, IDC_PAGE_PROJECTS_PROJECTS), LB_GETCOUNT, 0, 0));
    Select(projects, IDC_PAGE_PROJECTS_PROJECTS, count - 1);
    shown = shown && ShowEditor(main, projects, IDC_PAGE_PROJECTS_PROJECTS, LBN_DBLCLK, "project-edit", Nothing);
    shown = shown && ShowEditor(main, projects, IDC_PAGE_PROJECTS_ADD_FILTER, BN_CLICKED, "filter-add", [](HWND editor) {
        SendMessageA(GetDlgItem(editor, IDC_POPUP_FILTER_PROJECT), CB_SHOWDROPDOWN, TRUE, 0);
    });
    shown = shown && ShowEditor(main, projects, IDC_PAGE_PROJECTS_FILTERS, LBN_DBLCLK, "filter-edit", Nothing);

    ShowPage(main, 3);
    Shot("privacy");
    shown = shown && ShowEditor(main, privacy, IDC_PAGE_PRIVACY_ADD, BN_CLICKED, "private-add", [](HWND editor) {
        SetDlgItemTextA(editor, IDC_POPUP_PROGRAM_PATTERN, "Online Banking");
    });

    // The four pages again, now that closing an editor has activated the dialog as a user's
    // click would (Wine's desktop leaves it inactive when another process brings it to the
    // front), with the dialog's place for the pictures of the options window alone.
    for (int page = 0; page < 4; ++page) {
        ShowPage(main, page);
        Shot(pageViews[page], main);
    }

    // The keyboard in the selector: Up from Privacy chooses Projects, and the focus shows.
    HWND selector = GetDlgItem(main, IDC_MAIN_SELECTOR);
    SendMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(selector), TRUE);
    INPUT up[2] = {};
    for (INPUT& input : up) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = VK_UP;
    }
    up[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, up, sizeof(INPUT));
    Pump(300);
    Shot("options-selector-focus", main);

    // The options dialog hidden, and the tray menu opened as a right click on the icon would:
    // at the mouse, near the corner of the screen.
    SendMessageA(main, WM_COMMAND, IDCANCEL, 0);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 40, GetSystemMetrics(SM_CYSCREEN) - 30);
    PostMessageA(main, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    Shot("tray");

    // Its Pause submenu, opened as the keyboard opens it: down to Pause, then right.
    HWND trayMenu = FindWindowA("#32768", nullptr);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) {
        if (trayMenu) PostMessageA(trayMenu, WM_KEYDOWN, key, 0);
        Pump(150);
    }
    Pump(500);
    Shot("tray-pause");
    if (trayMenu) PostMessageA(trayMenu, WM_KEYDOWN, VK_ESCAPE, 0);  // the submenu closes first
    Pump(300);

    // The menu closed, the save before sleep fails on the read-only log: the balloon. Then the
    // tip, with the mouse on the icon at the right end of the taskbar.
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    WaitUntil([&] { return !menu || !IsWindowVisible(menu); }, 5000);
    Pump(1000);
    SendMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    Pump(2500);  // the shell takes its time to show a balloon
    Shot("save-failed");
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 11, GetSystemMetrics(SM_CYSCREEN) - 10);
    Pump(200);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10);
    Shot("save-failed-tip");
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A save that succeeds ends the failure; then a pause of an hour: the menu while paused,
    // and the paused icon with its tip. Resumed before Exit, as the pause would outlive it.
    SendMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    PostMessageA(main, WM_COMMAND, ID_MENU_PAUSE_1_HOUR, 0);
    Pump(500);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 40, GetSystemMetrics(SM_CYSCREEN) - 30);
    PostMessageA(main, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    Shot("paused-menu");
    menu = FindWindowA("#32768", nullptr);
    if (menu) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    WaitUntil([&] { return !menu || !IsWindowVisible(menu); }, 5000);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 200, GetSystemMetrics(SM_CYSCREEN) - 200);
    Pump(300);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 11, GetSystemMetrics(SM_CYSCREEN) - 10);
    Pump(200);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 10, GetSystemMetrics(SM_CYSCREEN) - 10);
    Shot("paused-tip");
    PostMessageA(main, WM_COMMAND, ID_MENU_RESUME, 0);

    PostMessageA(main, WM_COMMAND, ID_MENU_EXIT, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown ? 0 : 1;
}
