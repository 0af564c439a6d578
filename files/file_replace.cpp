#include "files/file_replace.h"

#include <cerrno>
#include <cstdio>

SaveResult ReplaceFileContents(const std::string& narrowPath, std::string_view bytes) {
    return ReplaceFileContents(narrowPath, [bytes](const WritePiece& write) { return write(bytes); });
}

FileState ProbeFile(const std::string& narrowPath) {
    std::FILE* file = std::fopen(narrowPath.c_str(), "rb");
    // The C library reports a file held open without sharing, as one we may not read, as
    // EACCES; only ENOENT says there is nothing.
    if (!file) return errno == ENOENT ? FileState::Missing : FileState::Unopenable;
    bool empty = std::fgetc(file) == EOF;
    std::fclose(file);
    return empty ? FileState::Empty : FileState::Present;
}

bool SetFileAside(const std::string& narrowPath, std::string_view stamp) {
    // The set-aside copy keeps the file's extension, so that it still opens with its program.
    std::string stem = narrowPath;
    std::string extension;
    const std::size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0 && stem.find_first_of("/\\", dot) == std::string::npos) {
        extension = stem.substr(dot);
        stem.resize(dot);
    }
    stem.append(".unreadable-").append(stamp);
    // Several set-asides within one minute get a counter; give up on an absurd number.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        std::string aside = stem;
        if (attempt > 1) aside += "-" + std::to_string(attempt);
        aside += extension;
        if (ProbeFile(aside) != FileState::Missing) continue;
        return std::rename(narrowPath.c_str(), aside.c_str()) == 0;
    }
    return false;
}

SaveResult SetAsideBeforeReplacing(const std::string& narrowPath, std::string_view stamp) {
    switch (ProbeFile(narrowPath)) {
    case FileState::Unopenable:
        return {SaveFailure::FileInUse};
    case FileState::Present:
        return SetFileAside(narrowPath, stamp) ? SaveResult{} : SaveResult{SaveFailure::Other};
    default:
        return {};
    }
}
