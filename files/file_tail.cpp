#include "files/file_tail.h"

#include <cerrno>
#include <cstdio>

bool ReadFileTail(const std::string& narrowPath, std::size_t count, std::string& tail) {
    tail.clear();
    std::FILE* file = std::fopen(narrowPath.c_str(), "rb");
    if (!file) return errno == ENOENT;
    bool read = false;
    // A size past what a long holds (2 GB on Windows) is not read: no file read here grows so.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size >= 0) {
            const std::size_t length = static_cast<std::size_t>(size) < count ? static_cast<std::size_t>(size) : count;
            tail.resize(length);
            read = std::fseek(file, size - static_cast<long>(length), SEEK_SET) == 0 &&
                   std::fread(tail.data(), 1, length, file) == length;
        }
    }
    std::fclose(file);
    if (!read) tail.clear();
    return read;
}
