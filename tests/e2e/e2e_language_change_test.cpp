// Another language takes a new start: OK after choosing it on the General page saves the log,
// ends the program with code 1, and a new instance comes up hidden in that language.
#include <gtest/gtest.h>

#include "tests/e2e/driver.h"

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char kOptionsKey[] = "Software\\Ostrak\\Options";
const UINT kTrayIconId = 1000;
const int kPagesControl = 103;
const int kLanguageList = 104;

struct StoredValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::optional<StoredValue> ReadValue(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    StoredValue value;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        value.data.resize(size);
        result = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::optional<std::string> ReadText(const char* name) {
    std::optional<StoredValue> value = ReadValue(name);
    if (!value || value->type != REG_SZ) return std::nullopt;
    return std::string(value->data.begin(), value->data.end()).c_str();
}

std::optional<DWORD> ReadNumber(const char* name) {
    std::optional<StoredValue> value = ReadValue(name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(value->data.data());
}

// The tracker's "Lang" and "Startup" as a first start finds them, and what was there before
// put back afterwards: the prefix's registry outlives the test.
class FirstStartSettings {
public:
    explicit FirstStartSettings(const std::string& language)
        : oldLanguage_(ReadValue("Lang")), oldStartFlag_(ReadValue("Startup")) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "Lang", 0, REG_SZ, reinterpret_cast<const BYTE*>(language.c_str()),
                       static_cast<DWORD>(language.size() + 1));
        RegDeleteValueA(key, "Startup");
        RegCloseKey(key);
    }
    ~FirstStartSettings() {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        Restore(key, "Lang", oldLanguage_);
        Restore(key, "Startup", oldStartFlag_);
        RegCloseKey(key);
    }
    FirstStartSettings(const FirstStartSettings&) = delete;
    FirstStartSettings& operator=(const FirstStartSettings&) = delete;

private:
    static void Restore(HKEY key, const char* name, const std::optional<StoredValue>& old) {
        if (old)
            RegSetValueExA(key, name, 0, old->type, old->data.data(), static_cast<DWORD>(old->data.size()));
        else
            RegDeleteValueA(key, name);
    }

    std::optional<StoredValue> oldLanguage_;
    std::optional<StoredValue> oldStartFlag_;
};

// The instance the tracker started itself: no handle of ours, so it is found by its window
// and its executable, and ended by force if the test leaves it running.
class StartedInstance {
public:
    ~StartedInstance() {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        if (process_) CloseHandle(process_);
    }

    // Waits for a main window of a process other than `exceptProcess` that runs `executable`.
    bool Find(const std::string& executable, DWORD exceptProcess, DWORD timeoutMs = 15000) {
        executable_ = executable;
        exceptProcess_ = exceptProcess;
        return WaitUntil([&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(this));
            return window_ != nullptr;
        }, timeoutMs);
    }

    HWND Window() const { return window_; }

    // The exit code after the Exit command, or -1 when the process did not end in time.
    int Exit(DWORD timeoutMs = 15000) {
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(100, 0), 0);
        if (!WaitUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeoutMs)) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<int>(code);
    }

private:
    static BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
        auto* self = reinterpret_cast<StartedInstance*>(context);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId == self->exceptProcess_ || !GetPropA(window, "Ostrak.MainWindow")) return TRUE;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
        if (!process) return TRUE;
        char image[MAX_PATH] = {};
        DWORD size = sizeof image;
        if (QueryFullProcessImageNameA(process, 0, image, &size) && lstrcmpiA(image, self->executable_.c_str()) == 0) {
            self->window_ = window;
            self->process_ = process;
            return FALSE;
        }
        CloseHandle(process);
        return TRUE;
    }

    std::string executable_;
    DWORD exceptProcess_ = 0;
    HWND window_ = nullptr;
    HANDLE process_ = nullptr;
};

// The General page's language list inside the options dialog of another process.
HWND LanguageList(HWND main) {
    HWND pages = GetDlgItem(main, kPagesControl);
    for (HWND page = GetWindow(pages, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
        if (HWND list = GetDlgItem(page, kLanguageList)) return list;
    return nullptr;
}

// Read as wide text: Wine hands an entry to another process's ANSI call still in UTF-16.
std::vector<std::string> Entries(HWND list) {
    std::vector<std::string> entries;
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        wchar_t text[256] = L"";
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        char narrow[256] = "";
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
        entries.emplace_back(narrow);
    }
    return entries;
}

std::string WindowText(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What a text becomes in this run's ANSI code page, as the tracker converts its language.
std::string InAnsiCodePage(const wchar_t* text) {
    char narrow[256] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// The delivered language files lie beside the program that the build made.
void CopyDeliveredLanguages(const ProgramFolder& folder) {
    const std::string executable = TrackerExecutable();
    const std::string dist = executable.substr(0, executable.find_last_of('\\') + 1);
    for (const char* name : {"Lang.English.xml", "Lang.Russian.xml"})
        ASSERT_TRUE(CopyFileA((dist + name).c_str(), folder.File(name).c_str(), FALSE)) << dist + name;
}

TEST(LanguageChange, OkAfterChoosingRussianSavesTheLogEndsWithCodeOneAndStartsHiddenInRussian) {
    FirstStartSettings settings("English");
    ProgramFolder folder;
    CopyDeliveredLanguages(folder);
    TitledWindows windows;
    HWND front = windows.Open("Editor");
    ASSERT_TRUE(windows.BringToFront(front));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    HWND main = tracker.MainWindow();
    ASSERT_TRUE(main);
    // The pages were set up before the main window was marked: the start flag is stored.
    EXPECT_EQ(ReadNumber("Startup"), 0u);

    // A stretch in the editor, credited when the tracker's next tick sees another title. (One
    // window: each visible window costs Wine under Xvfb two seconds to destroy.)
    Pump(1200);
    SetWindowTextA(front, "Notes");
    Pump(1500);

    HWND list = LanguageList(main);
    ASSERT_TRUE(list);
    ASSERT_EQ(Entries(list), (std::vector<std::string>{"English", "Russian"}));
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
    SendMessageA(list, CB_SETCURSEL, 1, 0);
    const DWORD oldProcess = tracker.ProcessId();
    tracker.Post(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(tracker.WaitForExit(), 1);
    EXPECT_EQ(ReadText("Lang"), "Russian");

    // The log was complete when the old process had gone, before the new one could read it,
    // the window in front credited up to the exit.
    const std::string saved = folder.Read(folder.LogName());
    const std::string expected = Declaration() + "\n<Ostrak>\n   <Date " + TodayAttributes() +
                                 " time=\"*\">\n      <App name=\"Editor\" time=\"*\"/>\n"
                                 "      <App name=\"Notes\" time=\"*\"/>\n   </Date>\n</Ostrak>";
    std::string why;
    EXPECT_TRUE(MatchesLog(expected, saved, why)) << why;

    StartedInstance restarted;
    ASSERT_TRUE(restarted.Find(folder.File("Ostrak.exe"), oldProcess)) << "no new instance came up";
    HWND newMain = restarted.Window();
    // Only the tray icon shows.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = newMain;
    record.uID = kTrayIconId;
    EXPECT_TRUE(WaitUntil([&] { return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE; }));
    EXPECT_FALSE(IsWindowVisible(newMain));
    // "Настройки" (Options) begins the caption in Russian.
    EXPECT_EQ(WindowText(newMain),
              InAnsiCodePage(L"\u041d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438") + " - Ostrak");
    HWND newList = LanguageList(newMain);
    EXPECT_EQ(SendMessageA(newList, CB_GETCURSEL, 0, 0), 1);

    // The new instance went on from the saved log: its own save keeps the old stretch.
    const std::size_t editorStart = saved.find("<App name=\"Editor\"");
    ASSERT_NE(editorStart, std::string::npos);
    const std::string editor = saved.substr(editorStart, saved.find('>', editorStart) + 1 - editorStart);
    EXPECT_EQ(restarted.Exit(), 1);
    EXPECT_NE(folder.Read(folder.LogName()).find(editor), std::string::npos) << editor;
}

}  // namespace
