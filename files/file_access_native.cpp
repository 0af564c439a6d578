#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "files/file_access.h"

FileStamp ReadFileStamp(const std::string& narrowPath) {
    struct stat status;
    // A link that cannot be followed is still an entry with a time: as a held file is.
    if (stat(narrowPath.c_str(), &status) != 0 && lstat(narrowPath.c_str(), &status) != 0) return {};
    return {true, static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

SaveResult AppendToFile(const std::string& narrowPath, std::string_view bytes) {
    const int descriptor = open(narrowPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) return {errno == ENOSPC ? SaveFailure::DiskFull : SaveFailure::NoWriteAccess};
    bool written = true;
    while (!bytes.empty()) {
        const ssize_t count = write(descriptor, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            written = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    close(descriptor);
    return written ? SaveResult{} : SaveResult{SaveFailure::Other};
}

std::vector<std::string> FilesNamed(const std::string& narrowFolder, std::string_view prefix, std::string_view suffix) {
    std::vector<std::string> names;
    DIR* directory = opendir(narrowFolder.empty() ? "." : narrowFolder.c_str());
    if (!directory) return names;
    while (dirent* entry = readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name.size() >= prefix.size() + suffix.size() && name.substr(0, prefix.size()) == prefix &&
            name.substr(name.size() - suffix.size()) == suffix)
            names.emplace_back(name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadWholeFile(const std::string& narrowPath, std::string& bytes) {
    bytes.clear();
    const int descriptor = open(narrowPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    bool read = true;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) read = false;
        if (count <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    close(descriptor);
    if (!read) bytes.clear();
    return read;
}

bool FolderExists(const std::string& narrowFolder) {
    struct stat status;
    return stat(narrowFolder.empty() ? "." : narrowFolder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool RemoveFile(const std::string& narrowPath) { return unlink(narrowPath.c_str()) == 0 || errno == ENOENT; }

bool CreateFolder(const std::string& narrowFolder) {
    for (std::size_t slash = narrowFolder.find('/', 1); slash != std::string::npos; slash = narrowFolder.find('/', slash + 1))
        mkdir(narrowFolder.substr(0, slash).c_str(), 0755);
    if (!narrowFolder.empty() && narrowFolder.back() != '/') mkdir(narrowFolder.c_str(), 0755);
    struct stat status;
    return stat(narrowFolder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
