#include "xmlstore/file_replace.h"

#include <cstdio>

bool ReadWholeFile(const std::string& narrowPath, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(narrowPath.c_str(), "rb");
    if (!file) return false;
    bool ok = true;
    char chunk[65536];
    // Size first, so that a large file is read into one allocation.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        if (size > 0) bytes.reserve(static_cast<std::size_t>(size));
        std::rewind(file);
    }
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
