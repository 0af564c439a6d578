// Small helpers for tests that work with real files in a fresh temporary folder, or with
// narrow text in another code page.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "base/narrow_text.h"
#include "xmlstore/xml_dom.h"

// Lowers how much a document may hold, so that a small one meets the limit; restored after.
class ScopedArenaLimit {
public:
    explicit ScopedArenaLimit(std::uint64_t bytes) { xmldom::SetArenaLimit(bytes); }
    ~ScopedArenaLimit() { xmldom::SetArenaLimit(0); }
    ScopedArenaLimit(const ScopedArenaLimit&) = delete;
    ScopedArenaLimit& operator=(const ScopedArenaLimit&) = delete;
};

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("ostrak-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // A path inside the folder, with a trailing separator when `name` is empty.
    std::string Path(const std::string& name = "") const { return (path_ / name).string(); }
    // With its final separator, as ProgramDir is.
    std::string Dir() const { return Path(); }
    std::string File(const std::string& name) const { return Path(name); }
    std::size_t FileCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Narrow text in another code page for as long as the object lives: 65001 stands for a
// process whose manifest made UTF-8 its ANSI code page.
class NarrowCodePageScope {
public:
    explicit NarrowCodePageScope(int codePage) { SetNarrowCodePage(codePage); }
    ~NarrowCodePageScope() { SetNarrowCodePage(0); }
    NarrowCodePageScope(const NarrowCodePageScope&) = delete;
    NarrowCodePageScope& operator=(const NarrowCodePageScope&) = delete;
};
