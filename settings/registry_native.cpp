#include <filesystem>
#include <system_error>

#include "settings/in_memory_registry.h"
#include "settings/platform_seams.h"

// Off Windows there is no registry: the settings live for the run of the process.
RegistryBackend& SystemRegistry() {
    static InMemoryRegistry registry;
    return registry;
}

std::string SystemExecutablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}
