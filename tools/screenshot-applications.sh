#!/usr/bin/env bash
# Screenshots of the Applications page and the program editor (add, edit, and the window
# picker's menu), in English and in Russian, under Xvfb in Wine's virtual desktop. A small
# driver, built here with the MinGW compiler, starts the real program with a list of patterns,
# opens the editors by the page's own messages and says when each view is ready.
# Needs a Windows build of Ostrak.exe; OSTRAK_DIST names its folder (default build/dist).
# Writes build/screenshots/apps-<language>-{page,add,edit,picker}.png.
set -u
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
out=$top/build/screenshots
dist=${OSTRAK_DIST:-$top/build/dist}
work=${OSTRAK_SCREENSHOT_WORK:-/tmp/wp-apps-shots}
mkdir -p "$out" "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
command -v import >/dev/null || { echo "ImageMagick's import is missing"; exit 1; }

cat > "$work/driver.cpp" <<'DRIVER'
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

// Lets the driver's own windows paint while the program is looked at.
static void Hold(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(20);
    }
}

static void Say(const char* what, DWORD hold) {
    std::printf("%s\n", what);
    std::fflush(stdout);
    Hold(hold);
}

static HWND WaitFor(DWORD process, bool (*fits)(HWND)) {
    for (int tries = 0; tries < 300; ++tries) {
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process && IsWindowVisible(window) && fits(window)) return window;
        }
        Hold(50);
    }
    return nullptr;
}

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    std::string folder = argv[1];
    const DWORD hold = static_cast<DWORD>(std::atoi(argv[2]));
    const bool russian = std::string(argv[3]) == "Russian";

    // Windows of other programs, for the picker to offer.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "ShotWindow";
    RegisterClassA(&windowClass);
    const char* titles[] = {"Quarterly report.docx - Microsoft Word", "Inbox - Mozilla Thunderbird",
                            russian ? "\xCF\xEB\xE0\xED \xF0\xE0\xE1\xEE\xF2.txt - \xC1\xEB\xEE\xEA\xED\xEE\xF2"
                                    : "Plan.txt - Notepad",
                            "main.cpp - ostrak - Visual Studio Code"};
    int at = 0;
    for (const char* title : titles) {
        CreateWindowExA(0, "ShotWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20 + at * 30, 300 + at * 30, 420, 200,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ++at;
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + folder + "Ostrak.exe\"";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process))
        return 1;
    HWND main = WaitFor(process.dwProcessId, [](HWND window) { return GetPropA(window, "Ostrak.MainWindow") != nullptr; });
    if (!main) return 1;
    HWND selector = GetDlgItem(main, 102);
    SendMessageA(selector, LB_SETCURSEL, 1, 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(102, LBN_SELCHANGE), reinterpret_cast<LPARAM>(selector));
    HWND page = nullptr;
    for (HWND child = GetWindow(GetDlgItem(main, 103), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) page = child;
    if (!page) return 1;
    HWND list = GetDlgItem(page, 107);
    SetForegroundWindow(main);
    Say("page", hold);

    static HWND owner;
    owner = main;
    auto isEditor = [](HWND window) { return GetWindow(window, GW_OWNER) == owner && GetDlgItem(window, 110) != nullptr; };
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(112, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, 112)));
    HWND editor = WaitFor(process.dwProcessId, isEditor);
    if (!editor) return 1;
    SetDlgItemTextA(editor, 110, "Total Commander");
    Say("add", hold);
    PostMessageA(editor, WM_COMMAND, IDCANCEL, 0);
    Hold(500);

    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(107, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    editor = WaitFor(process.dwProcessId, isEditor);
    if (!editor) return 1;
    Say("edit", hold);

    // A real click on the link; the menu opens at the mouse.
    HWND link = GetDlgItem(editor, 128);
    RECT place;
    GetWindowRect(link, &place);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    INPUT click[3] = {};
    for (INPUT& input : click) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (place.left + 20) * 65535 / (screenWidth - 1);
        input.mi.dy = (place.top + 6) * 65535 / (screenHeight - 1);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    click[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    click[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(1, &click[0], sizeof(INPUT));
    Hold(300);
    SendInput(2, &click[1], sizeof(INPUT));
    Say("picker", hold);
    TerminateProcess(process.hProcess, 0);
    return 0;
}
DRIVER
x86_64-w64-mingw32-g++ -O1 -static -o "$work/driver.exe" "$work/driver.cpp" || exit 1

shoot() {  # language, LANG value, patterns file
    local language=$1 locale=$2 patterns=$3
    local folder=$work/run-$language
    rm -rf "$folder"; mkdir -p "$folder"
    cp -rf "$dist"/. "$folder"/
    # The shared list, which a user without a list of his own starts with.
    printf '%s' "$patterns" | iconv -f utf-8 -t cp1251 > "$folder/Programs.xml"
    local inner
    inner=$(cat <<'INNER'
set -u
language=$1; folder=$2; out=$3; driver=$4
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1; timeout 60 /usr/lib/wine/wineserver -w
fi
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Ostrak\Options' /v Lang /t REG_SZ /d "$language" /f >/dev/null 2>&1
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shot /f >/dev/null 2>&1
timeout 30 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shot /t REG_SZ /d 900x600 /f >/dev/null 2>&1
dos() { echo "Z:$(echo "$1" | tr / '\\')"; }
marks=$out/.apps-$language
rm -f "$marks"
timeout 90 /usr/lib/wine/wine64 "$(dos "$driver")" "$(dos "$folder")\\" 4000 "$language" > "$marks" 2>/dev/null &
for view in page add edit picker; do
    for wait in $(seq 1 150); do grep -q "^$view" "$marks" 2>/dev/null && break; sleep 0.2; done
    sleep 2
    import -window root -crop 900x600+0+0 "$out/apps-$language-$view.png"
done
wait
timeout 30 /usr/lib/wine/wineserver -k >/dev/null 2>&1
rm -f "$marks"
INNER
)
    LANG=$locale LC_ALL=$locale timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$inner" bash "$language" "$folder" "$out" "$work/driver.exe"
    rm -rf "$folder"
}

list() {  # patterns, one an argument
    printf '<?xml version="1.0" encoding="Windows-1251"?>\n<List>\n'
    for pattern in "$@"; do printf '   <Pattern>%s</Pattern>\n' "$pattern"; done
    printf '</List>'
}

shoot English C "$(list 'Google Chrome' 'Mozilla Firefox' 'Microsoft Word' 'Microsoft Excel' 'Mozilla Thunderbird' \
    'Visual Studio Code' 'Adobe Acrobat Reader' 'Total Commander' 'Notepad++' 'Notepad' 'Windows PowerShell' \
    'Command Prompt' 'Paint' 'Skype' 'Telegram' 'Steam' 'Zoom Meeting')"
shoot Russian ru_RU.UTF-8 "$(list 'Google Chrome' 'Mozilla Firefox' 'Microsoft Word' 'Microsoft Excel' \
    '1С:Предприятие' 'Visual Studio Code' 'Adobe Acrobat Reader' 'Total Commander' 'Блокнот' 'Проводник' \
    'Командная строка' 'Paint' 'Telegram' 'КонсультантПлюс' 'Яндекс Браузер' 'Steam' 'Zoom')"
ls -1 "$out"/apps-*.png
