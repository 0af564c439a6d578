// A fresh program folder for the Windows tests of the program's own parts (the tracker's
// globals point at it for user "user1" while a test runs), and reading its files.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "base/program_paths.h"

// Creates "<temp>\ostrak-<tag>-<process id>\" and makes it ProgramDir, for user "user1".
inline std::string MakeProgramFolder(const std::string& tag) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + "ostrak-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ProgramDir = folder;
    UserName = "user1";
    return folder;
}

// Removes the folder with the files and empty folders in it and clears the globals again.
inline void RemoveProgramFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string path = folder + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA(path.c_str());
            else if (found.cFileName[0] != '.')
                RemoveDirectoryA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
    ProgramDir.clear();
    UserName.clear();
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
