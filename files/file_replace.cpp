#include "files/file_replace.h"

#include <cerrno>
#include <cstdio>

SaveResult ReplaceFileContents(const std::string& narrowPath, std::string_view bytes) {
    return ReplaceFileContents(narrowPath, [bytes](const WritePiece& write) { return write(bytes); });
}

bool ReadWholeFile(const std::string& narrowPath, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(narrowPath.c_str(), "rb");
    if (!file) return false;
    bool ok = true;
    // Straight into a buffer of the file's size; a file that grows meanwhile is read on.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        std::rewind(file);
        if (size > 0) {
            bytes.resize(static_cast<std::size_t>(size));
            bytes.resize(std::fread(&bytes[0], 1, bytes.size(), file));
        }
    }
    char chunk[4096];
    for (;;) {
        std::size_t read = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, read);
        if (read < sizeof chunk) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    return ok;
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

std::string TemporaryFileName(const std::string& narrowPath, unsigned long processId, unsigned attempt) {
    return narrowPath + ".~" + std::to_string(processId) + "-" + std::to_string(attempt);
}

bool TemporaryFileProcess(std::string_view fileName, std::string_view targetFileName, unsigned long& processId) {
    if (fileName.size() <= targetFileName.size() + 2 || fileName.substr(0, targetFileName.size()) != targetFileName)
        return false;
    std::string_view rest = fileName.substr(targetFileName.size());
    if (rest.substr(0, 2) != ".~") return false;
    rest.remove_prefix(2);
    const std::size_t hyphen = rest.find('-');
    if (hyphen == 0 || hyphen == std::string_view::npos || hyphen + 1 == rest.size()) return false;
    unsigned long id = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (i == hyphen) continue;
        if (c < '0' || c > '9') return false;
        if (i < hyphen) {
            if (id > 0xFFFFFFFFul / 10) return false;
            id = id * 10 + static_cast<unsigned long>(c - '0');
        }
    }
    processId = id;
    return true;
}
