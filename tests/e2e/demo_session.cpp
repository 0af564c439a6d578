// A short scripted session for a machine without a display: titled windows of programs the
// delivered patterns know take turns in front, the session is locked once and the machine
// "sleeps" once, the tracker is ended with its Exit command, and the time log and timeline it
// saved are printed with their paths. The last line accounts for the run's seconds: worked and
// idle as this run added them to the log, running from its first timeline line to its last, and
// uncounted the rest; each checked against what the session did and saw (the sleep, the lock,
// the program's start and end). `make run` uses it, and so does the installer test on the
// installed copy, with --quick (two windows, no absence, nothing checked).
// Usage: ostrak_demo_session PROGRAM_FOLDER [--quick]
// Exit code: 0 when the program ended with its own code 1, left a log and its seconds add up as
// the session made them; 1 otherwise.
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// An absence after a turn: the session locked (its time idle) or the machine asleep (its time
// nobody's).
enum class Absence { None, Lock, Sleep };

struct Turn {
    const char* title;
    DWORD milliseconds;
    Absence after = Absence::None;
    DWORD absentMilliseconds = 0;
};

std::string ReadFile(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, read);
    std::fclose(file);
    return bytes;
}

// The name the program credits idle time to: its language's Common/Inactive text, from the
// language file the program reads (English when none is chosen), as UTF-8 like the log.
std::string IdleName(const std::string& folder) {
    char language[64] = "English";
    DWORD size = sizeof language;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Ostrak\\Options", "Lang", RRF_RT_REG_SZ, nullptr, language, &size);
    const std::string file = ReadFile(folder + "Lang." + language + ".xml");
    const std::size_t start = file.find("<Inactive>");
    const std::size_t end = file.find("</Inactive>", start);
    if (start == std::string::npos || end == std::string::npos) return std::string();
    const std::string text = file.substr(start + 10, end - start - 10);
    const UINT codePage = file.find("encoding=\"Windows-1251\"") != std::string::npos ? 1251 : CP_UTF8;
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

// Local time in milliseconds, on one scale with the timeline's starts.
long long MillisecondsOf(const SYSTEMTIME& time) {
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return static_cast<long long>((static_cast<unsigned long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime) /
           10000;
}

long long LocalMilliseconds() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return MillisecondsOf(now);
}

std::string TimelineOf(const std::string& folder, long long localMilliseconds) {
    const long long intervals = localMilliseconds * 10000;
    FILETIME file{static_cast<DWORD>(intervals), static_cast<DWORD>(intervals >> 32)};
    SYSTEMTIME time{};
    FileTimeToSystemTime(&file, &time);
    char month[16];
    std::snprintf(month, sizeof month, "%04u-%02u", time.wYear, time.wMonth);
    return folder + CurrentUserName() + "-Timeline-" + month + ".tsv";
}

// The span of a run's timeline lines ("YYYY-MM-DD HH:MM:SS\tseconds\t..."): from the first
// start to the last end, in local milliseconds; begin > end when there are none.
struct Span {
    long long begin = 0x7FFFFFFFFFFFFFFF;
    long long end = 0;
};

Span SpanOf(const std::string& lines) {
    Span span;
    for (std::size_t at = 0; at < lines.size(); at = lines.find('\n', at) + 1) {
        SYSTEMTIME start{};
        int seconds = 0;
        if (std::sscanf(lines.c_str() + at, "%hu-%hu-%hu %hu:%hu:%hu\t%d", &start.wYear, &start.wMonth, &start.wDay,
                        &start.wHour, &start.wMinute, &start.wSecond, &seconds) == 7) {
            const long long from = MillisecondsOf(start);
            if (from < span.begin) span.begin = from;
            if (from + seconds * 1000LL > span.end) span.end = from + seconds * 1000LL;
        }
        if (lines.find('\n', at) == std::string::npos) break;
    }
    return span;
}

// The seconds the log holds, all days together: worked (every application but the idle name)
// and idle.
struct LoggedSeconds {
    long long worked = 0;
    long long idle = 0;
};

LoggedSeconds SecondsIn(const std::string& log, const std::string& idleName) {
    LoggedSeconds seconds;
    const std::string app = "<App name=\"";
    for (std::size_t at = log.find(app); at != std::string::npos; at = log.find(app, at + 1)) {
        const std::size_t nameEnd = log.find('"', at + app.size());
        const std::size_t time = log.find("time=\"", nameEnd);
        if (nameEnd == std::string::npos || time == std::string::npos) break;
        const long long value = std::atoll(log.c_str() + time + 6);
        (log.compare(at + app.size(), nameEnd - at - app.size(), idleName) == 0 ? seconds.idle : seconds.worked) += value;
    }
    return seconds;
}

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

    // While locked, the next window comes to the front, as the user returns to it; asleep,
    // nothing changes.
    const std::vector<Turn> turns =
        quick ? std::vector<Turn>{{"notes.txt - Notepad", 2000}, {"Calculator", 1200}}
              : std::vector<Turn>{{"Inbox - Mozilla Thunderbird", 3000},
                                  {"notes.txt - Notepad", 2000, Absence::Lock, 2000},
                                  {"Ostrak home page - Google Chrome", 3000, Absence::Sleep, 2500},
                                  {"notes.txt - Notepad", 2000},
                                  {"Calculator", 1000}};
    const std::string log = folder + CurrentUserName() + "-Time.xml";
    const std::string idleName = IdleName(folder);
    // The run folder keeps the records of earlier runs: this run's are what it adds.
    const LoggedSeconds before = SecondsIn(ReadFile(log), idleName);
    TitledWindows windows;
    std::vector<HWND> inFront;
    for (const Turn& turn : turns) inFront.push_back(windows.Open(turn.title));
    windows.BringToFront(inFront.back());

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + folder + "Ostrak.exe\" -tray";
    const long long startedAt = LocalMilliseconds();
    const std::string timeline = TimelineOf(folder, startedAt);
    const std::size_t earlierLines = ReadFile(timeline).size();
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
    const long long windowAt = LocalMilliseconds();
    Pump(1500);
    std::printf("Ostrak is tracking; switching windows...\n");
    DWORD locked = 0, asleep = 0;
    bool inFrontAlready = false;
    for (std::size_t i = 0; i < turns.size(); ++i) {
        std::printf("  in front: %s\n", turns[i].title);
        std::fflush(stdout);
        if (!inFrontAlready) windows.BringToFront(inFront[i]);
        inFrontAlready = false;
        Pump(turns[i].milliseconds);
        const DWORD from = GetTickCount();
        if (turns[i].after == Absence::Lock) {
            std::printf("  locked for %lu ms\n", static_cast<unsigned long>(turns[i].absentMilliseconds));
            PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
            inFrontAlready = windows.BringToFront(inFront[i + 1]);
            const DWORD switching = GetTickCount() - from;
            if (switching < turns[i].absentMilliseconds) Pump(turns[i].absentMilliseconds - switching);
            PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
            locked += GetTickCount() - from;
        } else if (turns[i].after == Absence::Sleep) {
            std::printf("  asleep for %lu ms\n", static_cast<unsigned long>(turns[i].absentMilliseconds));
            PostMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
            Pump(turns[i].absentMilliseconds);
            PostMessageA(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
            asleep += GetTickCount() - from;
        }
    }

    PostMessageA(main, WM_COMMAND, kExitCommand, 0);
    const long long exitedAt = LocalMilliseconds();
    WaitUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 15000);
    const long long endedAt = LocalMilliseconds();
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    std::printf("Ostrak ended with exit code %lu\n", static_cast<unsigned long>(exitCode));

    if (!PrintFile("Time log", log)) {
        std::printf("no time log at %s\n", log.c_str());
        return 1;
    }
    PrintFile("Timeline", timeline);

    // The program's first tick may come before its window (under Wine by up to a second) and
    // its Exit credits up to the moment its window is gone (a second later): the session cannot
    // time the run, so it takes the span of the run's timeline lines, and checks that the span
    // begins between the program's start and its window and ends between the Exit command and
    // the end of the process, to within the two seconds a line's whole-second start may be off.
    const LoggedSeconds after = SecondsIn(ReadFile(log), idleName);
    std::string lines = ReadFile(timeline).substr(earlierLines);
    if (TimelineOf(folder, endedAt) != timeline) lines += ReadFile(TimelineOf(folder, endedAt));  // a new month
    const Span span = SpanOf(lines);
    const long long worked = after.worked - before.worked;
    const long long idle = after.idle - before.idle;
    const long long running = span.end > span.begin ? (span.end - span.begin) / 1000 : 0;
    const long long uncounted = running - worked - idle;
    // The program counts whole seconds of its ticks, the span is off by a second at most, and
    // the idle stretch of a lock lasts to the first tick after the unlock: what the session
    // measured is met to within 1.5 s.
    const double sleptFor = asleep / 1000.0;
    const double lockedFor = locked / 1000.0 + 0.5;
    const bool inRun = span.begin >= startedAt - 2000 && span.begin <= windowAt + 2000 &&
                       span.end >= exitedAt - 2000 && span.end <= endedAt + 2000;
    const bool addsUp =
        quick || (inRun && std::fabs(uncounted - sleptFor) <= 1.5 && std::fabs(idle - lockedFor) <= 1.5);
    if (!addsUp)
        std::printf("does not add up: the session slept %.1f s, was locked %.1f s and saw the program run %.1f s\n",
                    sleptFor, lockedFor, (endedAt - startedAt) / 1000.0);
    std::printf("accounted: worked %lld s + idle %lld s + uncounted %lld s = running %lld s\n", worked, idle, uncounted,
                running);
    return exitCode == 1 && addsUp ? 0 : 1;
}
