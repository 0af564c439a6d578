// A registry held in memory: the platform's registry off Windows, and a clean one for tests.
// Keys and value names compare without regard to letter case, as in the real registry.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/platform_seams.h"

class InMemoryRegistry final : public RegistryBackend {
public:
    std::unique_ptr<RegistryKey> CreateKey(const char* path) override;

    struct StoredValue {
        bool isNumber = false;
        std::vector<char> bytes;  // the text as stored, or the number's 4 bytes
    };
    // Value name, lower-cased, to value.
    using Values = std::map<std::string, StoredValue>;

private:
    // Key path, lower-cased, to its values; a map keeps them in place while keys are open.
    std::map<std::string, Values> keys_;
};
