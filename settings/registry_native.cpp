#include "settings/in_memory_registry.h"
#include "settings/platform_seams.h"

// Off Windows there is no registry: the settings live for the run of the process.
RegistryBackend& SystemRegistry() {
    static InMemoryRegistry registry;
    return registry;
}
