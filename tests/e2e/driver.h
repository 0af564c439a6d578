// The end-to-end driver: a fresh program folder with the real Ostrak.exe in it, windows with
// chosen titles to put in front, and the running tracker to command and wait for.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The program under test, from OSTRAK_EXE (a Unix or Windows path).
std::string TrackerExecutable();

// The logged-on user's name, as the tracker names its files.
std::string CurrentUserName();

// Sets a value of HKCU\Software\Ostrak\Options for one test and puts back what was there:
// the prefix's registry outlives the test.
class OptionsValue {
public:
    OptionsValue(const std::string& name, const std::string& text);
    OptionsValue(const std::string& name, DWORD number);
    ~OptionsValue();
    OptionsValue(const OptionsValue&) = delete;
    OptionsValue& operator=(const OptionsValue&) = delete;

private:
    void Set(DWORD type, const BYTE* data, DWORD size);

    HKEY key_ = nullptr;
    std::string name_;
    bool hadOld_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> old_;
};

// The language the tracker starts in.
class LanguageSetting : public OptionsValue {
public:
    explicit LanguageSetting(const std::string& name) : OptionsValue("Lang", name) {}
};

// UTF-8 text as the wide text of the platform's W functions, which the driver uses for
// titles and paths: the driver's own ANSI code page (1251 or 1252) cannot hold every script.
std::wstring Wide(const std::string& utf8);

// Paths are UTF-8: the same bytes as the driver's code page while they are ASCII.
class ProgramFolder {
public:
    // `nameSuffix` (UTF-8) ends the folder's name, for a folder in another script.
    explicit ProgramFolder(const std::string& nameSuffix = "");
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // The folder with its final backslash.
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }
    std::string LogName() const { return CurrentUserName() + "-Time.xml"; }
    std::string Read(const std::string& name) const;
    void Write(const std::string& name, const std::string& bytes) const;
    bool Exists(const std::string& name) const;
    std::vector<std::string> Files(const std::string& pattern = "*") const;

private:
    std::string path_;
};

// Top-level windows of the driver's own, with titles of the test's choosing.
class TitledWindows {
public:
    TitledWindows() = default;
    ~TitledWindows();
    TitledWindows(const TitledWindows&) = delete;
    TitledWindows& operator=(const TitledWindows&) = delete;

    // The title is UTF-8; the window keeps it as Unicode text, so any script survives.
    HWND Open(const std::string& title);
    static void SetTitle(HWND window, const std::string& title);
    // Puts the window in front, with a small input as a user's own switch would make, and
    // waits until the system says it is.
    bool BringToFront(HWND window);

private:
    std::vector<HWND> windows_;
};

class Tracker {
public:
    Tracker() = default;
    ~Tracker();
    Tracker(const Tracker&) = delete;
    Tracker& operator=(const Tracker&) = delete;

    // Starts ProgramFolder's copy of the program with the given command-line arguments.
    bool Start(const ProgramFolder& folder, const std::string& arguments);
    // The same in a time zone of its own (a TZ value, "XYZ-13:37"), waiting for the main window.
    bool StartInTimeZone(const ProgramFolder& folder, const std::string& arguments, const std::string& timeZone);
    // The running tracker's main window, waited for; null when it never came.
    HWND MainWindow(DWORD timeoutMs = 15000);
    bool Post(UINT message, WPARAM wParam, LPARAM lParam) const;
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Exit through the Exit command and wait; the process exit code, or -1 on a time-out.
    int Exit(DWORD timeoutMs = 15000);
    // Waits for the process to end by itself; its exit code, or -1 on a time-out.
    int WaitForExit(DWORD timeoutMs = 15000);
    void Kill();
    bool Running() const;
    DWORD ProcessId() const { return process_.dwProcessId; }
    // Sends a Linux signal ("STOP", "CONT") to the process that runs this tracker under Wine,
    // from a shell on the Linux side; true when it reached the process.
    bool Signal(const std::string& signal);

private:
    PROCESS_INFORMATION process_{};
    HWND mainWindow_ = nullptr;
    std::string folderName_;
    bool stopped_ = false;
};

// A small real input: the mouse moves by a pixel and back. A fresh display has had no input
// at all, and a tracker with an away time would see nobody at the keyboard.
void NudgeMouse();

// The tracker's timer ticks once a second; stretches are measured against this.
void Pump(DWORD milliseconds);

// Pumps until the condition holds or the time is up. Under Xvfb without a window manager,
// Wine may take two seconds to hide a window, so visibility is waited for, not assumed.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Pump(50);
    }
    return true;
}

// The attributes a Date of today carries: id="..." y="..." m="..." d="...".
std::string TodayAttributes();

// The declaration the tracker writes: its manifest makes UTF-8 its ANSI code page.
std::string Declaration();

// Compares a file with an expected text in which time="~N" stands for any value within one
// second of N, time="~~N" within two (a sum of two stretches) and time="*" any number;
// everything else must match
// byte for byte. On a mismatch, `why` says where.
bool MatchesLog(const std::string& expected, const std::string& actual, std::string& why);
