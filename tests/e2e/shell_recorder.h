// The shell's "open" made observable in a test's own Wine prefix: for the life of a
// ShellRecorder the .hta and .html file types, folders and the http protocol start
// ostrak_shell_recorder.exe, which appends its command line to a record file; whatever the
// prefix had under those keys is put back afterwards. The keys go under HKEY_CLASSES_ROOT:
// Wine's shell did not find an association written under the per-user classes key.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The recorder program, as the build names it for the test programs that use it.
#ifdef OSTRAK_SHELL_RECORDER
inline constexpr char kRecorderProgram[] = OSTRAK_SHELL_RECORDER;
#else
inline constexpr char kRecorderProgram[] = "";
#endif

namespace shell_recording {

struct SavedValue {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// A registry key with everything beneath it, or the fact that it was not there.
struct SavedKey {
    bool existed = false;
    std::vector<SavedValue> values;
    std::vector<std::pair<std::string, SavedKey>> subkeys;
};

inline SavedKey SaveKey(HKEY parent, const std::string& path) {
    SavedKey saved;
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return saved;
    saved.existed = true;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
        SavedValue value{name, type, std::vector<BYTE>(dataSize)};
        nameSize = sizeof name;
        RegEnumValueA(key, index, name, &nameSize, nullptr, &type, value.data.data(), &dataSize);
        value.data.resize(dataSize);
        saved.values.push_back(std::move(value));
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        saved.subkeys.emplace_back(name, SaveKey(key, name));
    }
    RegCloseKey(key);
    return saved;
}

inline void RestoreKey(HKEY parent, const std::string& path, const SavedKey& saved) {
    RegDeleteTreeA(parent, path.c_str());
    if (!saved.existed) return;
    HKEY key;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const SavedValue& value : saved.values)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    for (const auto& [name, subkey] : saved.subkeys) RestoreKey(key, name, subkey);
    RegCloseKey(key);
}

inline bool SetText(const std::string& path, const char* name, const std::string& text) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool written = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

}  // namespace shell_recording

class ShellRecorder {
public:
    // recorderProgram: the recorder's path (slashes of either kind); recordFile: where it writes.
    ShellRecorder(std::string recorderProgram, std::string recordFile) : recordFile_(std::move(recordFile)) {
        using namespace shell_recording;
        for (char& c : recorderProgram)
            if (c == '/') c = '\\';
        for (const char* path : kKeys) saved_.emplace_back(path, SaveKey(HKEY_CLASSES_ROOT, path));
        for (const char* path : kKeys) RegDeleteTreeA(HKEY_CLASSES_ROOT, path);

        const std::string program = "\"" + recorderProgram + "\"";
        registered_ = SetText(".hta", "", kFileClass) && SetText(".html", "", kFileClass) &&
                      SetText(std::string(kFileClass) + "\\shell\\open\\command", "", program + " \"%1\" %*") &&
                      SetText("Folder\\shell\\open\\command", "", program + " \"%1\"") &&
                      SetText("http", "", "URL:HyperText Transfer Protocol") && SetText("http", "URL Protocol", "") &&
                      SetText("http\\shell\\open\\command", "", program + " \"%1\"");

        char previous[MAX_PATH] = {};
        hadVariable_ = GetEnvironmentVariableA(kVariable, previous, sizeof previous) > 0;
        previousVariable_ = previous;
        // The recorder inherits this through the tracker, or directly from a test that opens.
        SetEnvironmentVariableA(kVariable, recordFile_.c_str());
        DeleteFileA(recordFile_.c_str());
    }

    ~ShellRecorder() {
        for (const auto& [path, saved] : saved_) shell_recording::RestoreKey(HKEY_CLASSES_ROOT, path, saved);
        SetEnvironmentVariableA(kVariable, hadVariable_ ? previousVariable_.c_str() : nullptr);
        DeleteFileA(recordFile_.c_str());
    }

    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    bool Registered() const { return registered_; }

    // What each start of the recorder was given: its command line without its own path.
    std::vector<std::string> Opened() const {
        std::vector<std::string> lines;
        HANDLE file = CreateFileA(recordFile_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return lines;
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        if (!bytes.empty()) ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        bytes.resize(read);
        std::size_t start = 0;
        for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(WithoutProgram(bytes.substr(start, end - start)));
        return lines;
    }

    // Pumps this thread's messages (the tracker reads the titles of the test's windows) until
    // at least `count` starts are recorded or the time is up; then what was recorded.
    // Each start is a process of its own: on a loaded machine Wine may take seconds for one.
    std::vector<std::string> WaitForOpened(std::size_t count, DWORD timeoutMs = 30000) const {
        const DWORD start = GetTickCount();
        std::vector<std::string> opened = Opened();
        while (opened.size() < count && GetTickCount() - start < timeoutMs) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            opened = Opened();
        }
        return opened;
    }

private:
    static constexpr const char* kVariable = "OSTRAK_SHELL_RECORD";
    static constexpr const char* kFileClass = "OstrakShellRecorder.File";
    static constexpr const char* kKeys[] = {".hta", ".html", "OstrakShellRecorder.File", "Folder", "http"};

    static std::string WithoutProgram(const std::string& commandLine) {
        std::size_t end = commandLine[0] == '"' ? commandLine.find('"', 1) + 1 : commandLine.find(' ');
        if (end == std::string::npos || end == 0 || end >= commandLine.size()) return "";
        return commandLine.substr(commandLine[end] == ' ' ? end + 1 : end);
    }

    std::vector<std::pair<std::string, shell_recording::SavedKey>> saved_;
    std::string recordFile_;
    std::string previousVariable_;
    bool hadVariable_ = false;
    bool registered_ = false;
};
