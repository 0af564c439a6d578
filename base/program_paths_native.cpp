#include <filesystem>
#include <system_error>

#include <unistd.h>

#include <cstdlib>

#include "base/program_paths.h"

std::string ExecutablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string ReadComputerName() {
    char name[256] = {};
    return CleanComputerName(gethostname(name, sizeof name - 1) == 0 ? name : "");
}

std::string ReadLocalDataDir() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.local/share/Ostrak/" : std::string();
}
