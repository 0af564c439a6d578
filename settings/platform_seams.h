// What the settings ask of the platform: a few registry operations on keys of the current
// user, and the executable's path for the autostart entry. registry_win.cpp and base provide
// the real ones; tests put an in-memory registry and a made-up path in their place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// An open registry key; destroying it closes the key.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Reads a string value into buffer, announcing capacity bytes of room, and makes sure
    // the text is terminated within them. Gives the byte count the value holds, or nothing
    // when the value is missing, is not a string or does not fit.
    virtual std::optional<std::uint32_t> ReadText(const char* name, char* buffer, std::uint32_t capacity) = 0;
    // Nothing when the value is missing or not a 32-bit number.
    virtual std::optional<std::uint32_t> ReadNumber(const char* name) = 0;
    // Stores byteCount bytes from text as a string value; the count normally includes the
    // terminating zero.
    virtual bool WriteText(const char* name, const char* text, std::uint32_t byteCount) = 0;
    virtual bool WriteNumber(const char* name, std::uint32_t number) = 0;
    virtual bool DeleteValue(const char* name) = 0;
};

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // Opens the key at path under the current user's root with full access, creating it
    // (and the keys above it) when missing; nullptr when that fails.
    virtual std::unique_ptr<RegistryKey> CreateKey(const char* path) = 0;
};

// The platform's own: the current user's registry on Windows, a process-wide in-memory
// registry elsewhere.
RegistryBackend& SystemRegistry();

// What the settings use: the platform's own registry and executable path (base/program_paths.h)
// unless a replacement was set.
RegistryBackend& ActiveRegistry();
std::string ActiveExecutablePath();
// nullptr restores the platform's registry.
void SetRegistryBackend(RegistryBackend* backend);
// An empty path restores the platform's.
void SetExecutablePath(std::string_view path);
