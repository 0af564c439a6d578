#include "tests/e2e/driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const wchar_t kWindowClass[] = L"OstrakDriverWindow";
const char kInstanceProperty[] = "Ostrak.MainWindow";

// A Unicode window: its title is whatever script the test gives.
LRESULT CALLBACK DriverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterDriverClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DriverWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    registered = RegisterClassW(&windowClass) != 0;
}

std::string Utf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size - 1));
    return utf8;
}

struct MainWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<MainWindowSearch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && GetPropA(window, kInstanceProperty)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

int DaySerialOf(const SYSTEMTIME& date) {
    // Days since 30 December 1899, from the calendar fields.
    int year = date.wYear - (date.wMonth <= 2 ? 1 : 0);
    int era = year / 400;
    int yearOfEra = year - era * 400;
    int dayOfYear = (153 * (date.wMonth + (date.wMonth > 2 ? -3 : 9)) + 2) / 5 + date.wDay - 1;
    int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + 25569;
}

// The folder's own name, unique to the test: the stop signal finds the program by it.
std::string FolderName(const ProgramFolder& folder) {
    const std::string& path = folder.Path();
    const std::size_t nameStart = path.find_last_of('\\', path.size() - 2) + 1;
    return path.substr(nameStart, path.size() - 1 - nameStart);
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], size);
    return wide;
}

OptionsValue::OptionsValue(const std::string& name, const std::string& text) : name_(name) {
    Set(REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

OptionsValue::OptionsValue(const std::string& name, DWORD number) : name_(name) {
    Set(REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

void OptionsValue::Set(DWORD type, const BYTE* data, DWORD size) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Ostrak\\Options", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    DWORD oldSize = 0;
    hadOld_ = RegQueryValueExA(key_, name_.c_str(), nullptr, &oldType_, nullptr, &oldSize) == ERROR_SUCCESS;
    if (hadOld_) {
        old_.resize(oldSize);
        RegQueryValueExA(key_, name_.c_str(), nullptr, &oldType_, old_.data(), &oldSize);
    }
    RegSetValueExA(key_, name_.c_str(), 0, type, data, size);
}

OptionsValue::~OptionsValue() {
    if (hadOld_) {
        RegSetValueExA(key_, name_.c_str(), 0, oldType_, old_.data(), static_cast<DWORD>(old_.size()));
    } else {
        RegDeleteValueA(key_, name_.c_str());
    }
    RegCloseKey(key_);
}

std::string TrackerExecutable() {
    const char* configured = std::getenv("OSTRAK_EXE");
    std::string path = configured ? configured : "Ostrak.exe";
    if (!path.empty() && path[0] == '/') {
        // Wine shows the Unix root as drive Z:.
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::string CurrentUserName() {
    char name[256] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? name : "";
}

ProgramFolder::ProgramFolder(const std::string& nameSuffix) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    // Two code pages run side by side in prefixes of their own, where process ids and ticks may
    // coincide; the stop signal finds the program by this name.
    path_ = Utf8(base) + "ostrak-e2e-" + std::to_string(GetACP()) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount()) +
            "-" + std::to_string(++counter) + nameSuffix + "\\";
    CreateDirectoryW(Wide(path_).c_str(), nullptr);
    CopyFileW(Wide(TrackerExecutable()).c_str(), Wide(File("Ostrak.exe")).c_str(), FALSE);
}

ProgramFolder::~ProgramFolder() {
    for (const std::string& name : Files()) {
        SetFileAttributesW(Wide(File(name)).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Wide(File(name)).c_str());
    }
    RemoveDirectoryW(Wide(path_).c_str());
}

std::string ProgramFolder::Read(const std::string& name) const {
    HANDLE file = CreateFileW(Wide(File(name)).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

void ProgramFolder::Write(const std::string& name, const std::string& bytes) const {
    HANDLE file = CreateFileW(Wide(File(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool ProgramFolder::Exists(const std::string& name) const {
    return GetFileAttributesW(Wide(File(name)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ProgramFolder::Files(const std::string& pattern) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(File(pattern)).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Utf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

TitledWindows::~TitledWindows() {
    for (HWND window : windows_) DestroyWindow(window);
}

HWND TitledWindows::Open(const std::string& title) {
    RegisterDriverClass();
    HWND window = CreateWindowExW(0, kWindowClass, Wide(title).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  40 + 30 * static_cast<int>(windows_.size()), 40 + 30 * static_cast<int>(windows_.size()),
                                  400, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) windows_.push_back(window);
    Pump(50);
    return window;
}

void TitledWindows::SetTitle(HWND window, const std::string& title) {
    SetWindowTextW(window, Wide(title).c_str());
}

bool TitledWindows::BringToFront(HWND window) {
    NudgeMouse();
    for (int attempt = 0; attempt < 50; ++attempt) {
        SetForegroundWindow(window);
        Pump(20);
        if (GetForegroundWindow() == window) return true;
    }
    return false;
}

Tracker::~Tracker() {
    Kill();
}

bool Tracker::Start(const ProgramFolder& folder, const std::string& arguments) {
    std::wstring commandLine = Wide("\"" + folder.File("Ostrak.exe") + "\"");
    if (!arguments.empty()) commandLine += Wide(" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    mainWindow_ = nullptr;
    folderName_ = FolderName(folder);
    return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, Wide(folder.Path()).c_str(),
                          &startup, &process_);
}

bool Tracker::StartInTimeZone(const ProgramFolder& folder, const std::string& arguments, const std::string& timeZone) {
    // Wine takes the zone from the Linux environment a process starts with, and a Windows child
    // gets its parent's, whatever its Windows environment says; a Linux program gets the Windows
    // environment. So a shell with TZ in it starts the program, and the program is found by its
    // window. The shell passes on WINEPREFIX and the display; Wine keeps the DLL overrides to itself.
    folderName_ = FolderName(folder);
    mainWindow_ = nullptr;
    std::wstring commandLine = Wide("Z:\\bin\\sh -c \"WINEDLLOVERRIDES='mscoree=;mshtml=' exec /usr/lib/wine/wine64 "
                                    "\\\"$@\\\"\" sh \"" + folder.File("Ostrak.exe") + "\" " + arguments);
    wchar_t oldZone[128] = {};
    const bool hadZone = GetEnvironmentVariableW(L"TZ", oldZone, 128) > 0;
    SetEnvironmentVariableW(L"TZ", Wide(timeZone).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION shell{};
    const bool started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        Wide(folder.Path()).c_str(), &startup, &shell);
    SetEnvironmentVariableW(L"TZ", hadZone ? oldZone : nullptr);
    if (!started) return false;
    if (shell.hProcess) CloseHandle(shell.hProcess);
    if (shell.hThread) CloseHandle(shell.hThread);

    const std::wstring image = Wide(folder.File("Ostrak.exe"));
    auto found = [&] {
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            if (!GetPropA(window, kInstanceProperty)) continue;
            HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
            if (!process) continue;
            wchar_t path[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            if (QueryFullProcessImageNameW(process, 0, path, &size) && lstrcmpiW(path, image.c_str()) == 0) {
                process_.hProcess = process;
                process_.dwProcessId = processId;
                mainWindow_ = window;
                return true;
            }
            CloseHandle(process);
        }
        return false;
    };
    return WaitUntil(found, 15000);
}

HWND Tracker::MainWindow(DWORD timeoutMs) {
    if (mainWindow_ && IsWindow(mainWindow_)) return mainWindow_;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs && Running()) {
        MainWindowSearch search{process_.dwProcessId, nullptr};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return mainWindow_ = search.found;
        Pump(50);
    }
    return nullptr;
}

bool Tracker::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return mainWindow_ && PostMessageA(mainWindow_, message, wParam, lParam);
}

LRESULT Tracker::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!mainWindow_ || !SendMessageTimeoutA(mainWindow_, message, wParam, lParam, SMTO_NORMAL, 10000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

int Tracker::Exit(DWORD timeoutMs) {
    if (!MainWindow()) return -1;
    Post(WM_COMMAND, MAKEWPARAM(100, 0), 0);
    return WaitForExit(timeoutMs);
}

int Tracker::WaitForExit(DWORD timeoutMs) {
    if (!process_.hProcess) return -1;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > timeoutMs) return -1;
        Pump(20);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    CloseHandle(process_.hProcess);
    if (process_.hThread) CloseHandle(process_.hThread);
    process_ = {};
    return static_cast<int>(code);
}

void Tracker::Kill() {
    if (!process_.hProcess) return;
    if (stopped_) Signal("CONT");
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    if (process_.hThread) CloseHandle(process_.hThread);
    process_ = {};
}

bool Tracker::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Tracker::Signal(const std::string& signal) {
    if (!Running() || folderName_.empty()) return false;
    // Wine runs a Linux program it is given, but hands back no handle: the shell reports
    // through a file. Wine puts the program's path first on its process's command line; the
    // folder's name is unique to this test, and "?" stands for the backslash before the name.
    const std::string marker = "/tmp/ostrak-e2e-signal-" + std::to_string(GetACP()) + "-" +
                               std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    const std::string script =
        "found=0; for d in /proc/[0-9]*; do first=$(tr '\\000' '\\n' 2>/dev/null < $d/cmdline | head -n 1); "
        "case $first in *$2?Ostrak.exe) kill -s $1 ${d#/proc/} && found=1;; esac; done; echo $found > $3.part; "
        "mv $3.part $3";
    std::string commandLine = "Z:\\bin\\sh -c \"" + script + "\" sh " + signal + " " + folderName_ + " " + marker;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION shell{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &shell))
        return false;
    if (shell.hProcess) CloseHandle(shell.hProcess);
    if (shell.hThread) CloseHandle(shell.hThread);

    std::string windowsMarker = "Z:" + marker;
    for (char& c : windowsMarker)
        if (c == '/') c = '\\';
    std::string reported;
    WaitUntil([&] {
        HANDLE file = CreateFileA(windowsMarker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        char text[8] = {};
        DWORD read = 0;
        ReadFile(file, text, sizeof text - 1, &read, nullptr);
        CloseHandle(file);
        reported = text;
        return true;
    }, 10000);
    DeleteFileA(windowsMarker.c_str());
    const bool reached = reported.rfind("1", 0) == 0;
    if (reached) stopped_ = signal == "STOP";
    return reached;
}

void NudgeMouse() {
    INPUT moves[2]{};
    for (INPUT& move : moves) {
        move.type = INPUT_MOUSE;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
    }
    moves[0].mi.dx = 1;
    moves[1].mi.dx = -1;
    SendInput(2, moves, sizeof moves[0]);
}

void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

std::string TodayAttributes() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[96];
    std::snprintf(text, sizeof text, "id=\"%d\" y=\"%d\" m=\"%d\" d=\"%d\"", DaySerialOf(now), now.wYear, now.wMonth,
                  now.wDay);
    return text;
}

std::string Declaration() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
}

bool MatchesLog(const std::string& expected, const std::string& actual, std::string& why) {
    std::size_t e = 0, a = 0;
    const std::string marker = "time=\"~";
    while (e < expected.size()) {
        if (expected.compare(e, 8, "time=\"*\"") == 0) {
            // Any number: a stretch whose start depends on when the tracker's first tick came.
            e += 8;
            if (actual.compare(a, 6, "time=\"") != 0) {
                why = "no time attribute at byte " + std::to_string(a) + " of:\n" + actual;
                return false;
            }
            a += 6;
            while (a < actual.size() && actual[a] >= '0' && actual[a] <= '9') ++a;
            if (a >= actual.size() || actual[a] != '"') {
                why = "not a number at byte " + std::to_string(a) + " of:\n" + actual;
                return false;
            }
            ++a;
            continue;
        }
        if (expected.compare(e, marker.size(), marker) == 0) {
            e += marker.size();
            int tolerance = 1;
            if (expected[e] == '~') {
                tolerance = 2;
                ++e;
            }
            int wanted = std::atoi(expected.c_str() + e);
            while (e < expected.size() && expected[e] != '"') ++e;
            ++e;
            if (actual.compare(a, 6, "time=\"") != 0) {
                why = "no time attribute at byte " + std::to_string(a) + " of:\n" + actual;
                return false;
            }
            a += 6;
            int got = std::atoi(actual.c_str() + a);
            while (a < actual.size() && actual[a] != '"') ++a;
            ++a;
            if (got < wanted - tolerance || got > wanted + tolerance) {
                why = "time " + std::to_string(got) + " where about " + std::to_string(wanted) + " was expected in:\n" +
                      actual;
                return false;
            }
            continue;
        }
        if (a >= actual.size() || expected[e] != actual[a]) {
            why = "differs at byte " + std::to_string(a) + ":\nexpected:\n" + expected + "\nactual:\n" + actual;
            return false;
        }
        ++e;
        ++a;
    }
    if (a != actual.size()) {
        why = "extra bytes after byte " + std::to_string(a) + ":\n" + actual;
        return false;
    }
    return true;
}
