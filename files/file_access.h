// Small facts and acts on files beside the ones we replace: what a file's directory entry
// says, appending without a flush, listing and removing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_result.h"

// What tells one version of a file from the next without reading it: its size and last write
// time, as the folder records them (readable even while another program holds the file).
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t writeTime = 0;  // in the platform's own units
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size && writeTime == other.writeTime;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp ReadFileStamp(const std::string& narrowPath);

// Appends the bytes, creating the file when missing, without waiting for the disk: for records
// that a crash of the process must not lose (the system keeps what was written) and that are
// written too often to flush each time.
SaveResult AppendToFile(const std::string& narrowPath, std::string_view bytes);

// The names (without folder) of the files in `narrowFolder` (with its final separator) whose
// names begin with `prefix` and end with `suffix`, sorted.
std::vector<std::string> FilesNamed(const std::string& narrowFolder, std::string_view prefix, std::string_view suffix);

// The whole file, read while letting others write, replace or delete it meanwhile: a reader
// that must never stand in the way of a save. False when it is missing or cannot be read.
bool ReadWholeFile(const std::string& narrowPath, std::string& bytes);

// True when the folder (with or without its final separator) exists.
bool FolderExists(const std::string& narrowFolder);

// True when the file is gone afterwards (also when it was never there).
bool RemoveFile(const std::string& narrowPath);

// Creates the folder (with its final separator) and the missing folders above it; true when it
// exists afterwards.
bool CreateFolder(const std::string& narrowFolder);
