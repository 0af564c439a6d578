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
    // The end-to-end tests play several computers on one machine; nothing else sets it.
    char chosen[256];
    const DWORD chosenLength = GetEnvironmentVariableA("OSTRAK_COMPUTER_NAME", chosen, sizeof chosen);
    if (chosenLength > 0 && chosenLength < sizeof chosen) return CleanComputerName(std::string(chosen, chosenLength));
    // The host name as the user gave it, in its letter case and beyond the 15 characters of the
    // old network name.
    wchar_t wide[256];
    DWORD size = sizeof wide / sizeof wide[0];
    if (!GetComputerNameExW(ComputerNamePhysicalDnsHostname, wide, &size) || size == 0) return CleanComputerName("");
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string name(length > 0 ? length : 0, '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(size), &name[0], length, nullptr, nullptr);
    // A character the code page lacks came out as "?", which the cleaning turns into "_".
    return CleanComputerName(name);
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
