#include <windows.h>

#include <algorithm>

#include "base/scoped_handles_win.h"
#include "files/file_access.h"

FileStamp ReadFileStamp(const std::string& narrowPath) {
    // From the folder's entry: it answers while another program holds the file.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(narrowPath.c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                      data.ftLastWriteTime.dwLowDateTime)};
}

SaveResult AppendToFile(const std::string& narrowPath, std::string_view bytes) {
    // Appending access: every write goes to the end, whoever else has the file open.
    ScopedFile file(CreateFileA(narrowPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return {error == ERROR_SHARING_VIOLATION ? SaveFailure::FileInUse
                : error == ERROR_DISK_FULL       ? SaveFailure::DiskFull
                                                 : SaveFailure::NoWriteAccess};
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return {SaveFailure::Other};
    return {};
}

std::vector<std::string> FilesNamed(const std::string& narrowFolder, std::string_view prefix, std::string_view suffix) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    ScopedFindHandle search(FindFirstFileA((narrowFolder + std::string(prefix) + "*").c_str(), &found));
    if (!search) return names;
    do {
        const std::string_view name = found.cFileName;
        // The search also matches short names; the long one must fit.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() >= prefix.size() + suffix.size() &&
            name.substr(0, prefix.size()) == prefix && name.substr(name.size() - suffix.size()) == suffix)
            names.emplace_back(name);
    } while (FindNextFileA(search.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadWholeFile(const std::string& narrowPath, std::string& bytes) {
    bytes.clear();
    ScopedFile file(CreateFileA(narrowPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &read, nullptr) || read == 0) {
            bytes.clear();
            return false;
        }
        done += read;
    }
    return true;
}

bool FolderExists(const std::string& narrowFolder) {
    const DWORD attributes = GetFileAttributesA(narrowFolder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& narrowPath) {
    return DeleteFileA(narrowPath.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
}

bool CreateFolder(const std::string& narrowFolder) {
    for (std::size_t at = 0; at < narrowFolder.size(); ++at) {
        // A drive's root and a share's name are there or not: creating them fails harmlessly.
        if ((narrowFolder[at] == '\\' || narrowFolder[at] == '/') && at > 0)
            CreateDirectoryA(narrowFolder.substr(0, at).c_str(), nullptr);
    }
    const DWORD attributes = GetFileAttributesA(narrowFolder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
