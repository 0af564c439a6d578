// Stands in for the report application, the help viewer and the browser in tests: the tests
// point the shell's file types at this program, which appends its whole command line, one
// line per start, to the file named by OSTRAK_SHELL_RECORD (or "shell-record.txt" beside
// itself) and exits. A windowless program, so that no console comes up under Wine.
#include <windows.h>

#include <string>

namespace {

std::string RecordPath() {
    char configured[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("OSTRAK_SHELL_RECORD", configured, sizeof configured);
    if (length > 0 && length < sizeof configured) return configured;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + "shell-record.txt";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string path = RecordPath();
    const std::string line = std::string(GetCommandLineA()) + "\n";
    // Two recorders may start at once (a report opened twice): the file is opened without
    // sharing, so the second waits for the first instead of interleaving its line. Any failure
    // to open is retried: under load Wine may report another error than a sharing violation
    // while the file is held.
    for (int attempt = 0; attempt < 400; ++attempt) {
        HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == line.size() ? 0 : 1;
        }
        Sleep(25);
    }
    return 1;
}
