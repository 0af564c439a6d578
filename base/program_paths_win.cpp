#include <windows.h>

#include <vector>

#include "base/program_paths.h"

std::string ExecutablePath() {
    // In UTF-8 a path of MAX_PATH characters takes up to three times as many bytes, and a
    // long-path-aware system allows longer ones: the buffer grows until the path fits, since
    // a path cut to the buffer would name another file.
    std::vector<char> path(MAX_PATH);
    while (path.size() <= 32768 * 4) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size() && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::string(path.data(), length);
        path.resize(path.size() * 2);
    }
    return std::string();
}

std::string ReadComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH * 4 + 1];
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string ReadLocalDataDir() {
    // Every logged-on user has the variable; it names the same folder as the shell's query.
    char folder[32768];
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return std::string();
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    return path + "Ostrak\\";
}
