#include "settings/platform_seams.h"

#include "base/program_paths.h"

namespace {
RegistryBackend* ReplacedRegistry = nullptr;
std::string ReplacedExecutablePath;
}  // namespace

RegistryBackend& ActiveRegistry() {
    return ReplacedRegistry ? *ReplacedRegistry : SystemRegistry();
}

std::string ActiveExecutablePath() {
    return ReplacedExecutablePath.empty() ? ExecutablePath() : ReplacedExecutablePath;
}

void SetRegistryBackend(RegistryBackend* backend) {
    ReplacedRegistry = backend;
}

void SetExecutablePath(std::string_view path) {
    ReplacedExecutablePath = path;
}
