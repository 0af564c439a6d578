#include "xmlstore/file_replace.h"

#include <cstdio>

bool ReplaceFileContents(const std::string& narrowPath, std::string_view bytes) {
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
